// scan: the headless check of files against a signature set, as the program
// runs it. Loads the four signature files from --db DIR as the start-up
// does, then for each file (folders are walked, links not followed) runs the
// pattern check, then the fingerprint check, and prints one line per
// detection: Path<TAB>Name<TAB>pattern|fingerprint. Exit 0 without
// detection, 1 with detections, 2 on an error.
#include <cstdio>
#include <filesystem>

#include "common/errors.h"
#include "engine/qz_dll_sscan_header.h"
#include "main/signature_loading.h"
#include "pe/qz_scan_PEMD5.h"
#include "tools/sigtool/commands.h"

namespace {

namespace fs = std::filesystem;

class TScanRun {
public:
    explicit TScanRun(const TPEMD5Lookup& lookup) : lookup_(lookup) {}

    void CheckPath(const std::string& path)
    {
        std::error_code ec;
        if (!fs::is_directory(fs::symlink_status(path, ec))) return CheckFile(path);
        const auto options = fs::directory_options::skip_permission_denied;
        for (auto it = fs::recursive_directory_iterator(path, options, ec); !ec && it != fs::end(it); it.increment(ec))
            if (it->is_regular_file(ec) && !it->is_symlink(ec)) CheckFile(it->path().string());
    }

    int Detections() const { return detections_; }

private:
    void CheckFile(const std::string& path)
    {
        TVirusInfo pattern;
        if (ScanWithPatternEngine(path, pattern) && pattern.Found) Report(path, pattern.VirusName, "pattern");
        TMD5MalwareInfo fingerprint;
        try {
            if (ScanPEMD5(path, fingerprint, lookup_) && fingerprint.Found)
                Report(path, fingerprint.MalwareName, "fingerprint");
        } catch (const TNotPEFileError& e) {
            PrintError(e.what());
        }
    }

    void Report(const std::string& path, const std::string& name, const char* kind)
    {
        std::printf("%s\t%s\t%s\n", path.c_str(), name.c_str(), kind);
        ++detections_;
    }

    const TPEMD5Lookup& lookup_;
    int detections_ = 0;
};

} // namespace

int Scan(const TArgs& args)
{
    if (args.size() < 3 || args[0] != "--db") {
        std::fputs("usage: sigtool scan --db DIR PATH...\n", stderr);
        return 2;
    }
    std::string dir = args[1];
    if (dir.back() != '/' && dir.back() != '\\') dir += static_cast<char>(fs::path::preferred_separator);

    LoadScanEngine();
    if (!ScanEngineUsable()) PrintError(SCAN_ENGINE_MISSING_TEXT);
    static TPatternSignatureTable patterns;  // the engine keeps using the table until the process ends
    TPEMD5SignatureTable fingerprints;
    const auto errors = LoadSignatureDatabases(dir, patterns, fingerprints, [](const TPatternSignature* t, std::int32_t n) {
        ScanEngine().InitScan(t, n);
    });
    for (const TStartupMessage& e : errors) PrintError(std::string(e.Caption) + ": " + e.Text);
    if (!errors.empty()) return 2;

    const TPEMD5Lookup lookup(fingerprints);
    TScanRun run(lookup);
    for (std::size_t i = 2; i < args.size(); ++i) run.CheckPath(args[i]);
    std::fflush(stdout);
    UnloadScanEngine();
    return run.Detections() ? 1 : 0;
}
