// fingerprint: the fingerprints the check computes for PE files, one line
// each in the order it computes them:
//   Path<TAB>SectionIndex<TAB>raw|aligned<TAB>Key<TAB>Digest
// and "Path<TAB>not PE" for a file that is not PE. With --name NAME the
// lines are fingerprint source lines instead (Key<TAB>Digest<TAB>NAME), ready
// for build-fingerprints, and "not PE" goes to stderr.
#include <cstdio>

#include "common/errors.h"
#include "pe/qz_scan_PEMD5.h"
#include "tools/sigtool/commands.h"

namespace {


bool PrintFingerprints(const std::string& path, const std::string* name)
{
    try {
        return ForEachPEFingerprint(path, [](std::uint32_t) { return true; }, [&](const TPEFingerprint& f) {
            if (name)
                std::printf("%u\t%s\t%s\n", f.Key, f.Digest.c_str(), name->c_str());
            else
                std::printf("%s\t%d\t%s\t%u\t%s\n", path.c_str(), f.SectionIndex,
                            f.Kind == TFingerprintKind::Raw ? "raw" : "aligned", f.Key, f.Digest.c_str());
        });
    } catch (const TNotPEFileError&) {
        return false;  // it stopped being PE between the test and the reading
    }
}

} // namespace

int Fingerprint(const TArgs& args)
{
    std::vector<std::string> files = args;
    std::string name;
    const bool named = files.size() >= 2 && files[0] == "--name";
    if (named) {
        name = files[1];
        files.erase(files.begin(), files.begin() + 2);
        if (name.size() > TSignatureName::CAPACITY || name.find_first_of("\t\r\n") != std::string::npos) {
            PrintError("NAME must have at most 64 characters, without tabs or line breaks");
            return 2;
        }
    }
    if (files.empty()) {
        std::fputs("usage: sigtool fingerprint [--name NAME] FILE...\n", stderr);
        return 2;
    }
    bool allPE = true;
    for (const std::string& path : files) {
        if (PrintFingerprints(path, named ? &name : nullptr)) continue;
        allPE = false;
        std::fprintf(named ? stderr : stdout, "%s\tnot PE\n", path.c_str());
    }
    return allPE ? 0 : 1;
}
