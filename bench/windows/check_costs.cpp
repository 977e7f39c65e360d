// What the scan run's walk and checks cost, step by step, without a window
// (bench/scan_scale.sh): walks ROOT as the run does and, for each file the
// run would check, times each step it takes: opening the file for its
// check, the pattern check, the fingerprint check, the stamp read after
// them; for each folder, its listing, and its id where the listing of its
// parent does not give it. The signature files
// and the engine are read from beside this program. Prints one line per
// step: its calls, its total and its mean.
//   check_costs ROOT
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "common/text.h"
#include "engine/pattern_check.h"
#include "main/scan_run.h"
#include "main/signature_set.h"
#include "main/win32_scan_system.h"
#include "pe/qz_scan_PEMD5.h"

namespace {

using TClock = std::chrono::steady_clock;

struct TStep {
    long Calls = 0;
    double Seconds = 0;
};

class TCosts {
public:
    // Runs step and adds its time under name; its result.
    template <typename TStepFunction>
    auto Time(const char* name, TStepFunction step)
    {
        const auto start = TClock::now();
        struct TAdd {
            TStep& Step;
            TClock::time_point Start;
            ~TAdd()
            {
                ++Step.Calls;
                Step.Seconds += std::chrono::duration<double>(TClock::now() - Start).count();
            }
        } add{steps_[name], start};
        return step();
    }

    void Print() const
    {
        for (const auto& [name, step] : steps_)
            std::printf("%-24s %8ld calls %9.3f s %9.1f us each\n", name.c_str(), step.Calls, step.Seconds,
                        step.Calls ? step.Seconds * 1e6 / static_cast<double>(step.Calls) : 0.0);
    }

private:
    std::map<std::string, TStep> steps_;
};

class TCostWalk {
public:
    TCostWalk(TWin32ScanSystem& system, TSignatureSet& signatures, TCosts& costs)
        : system_(system), signatures_(signatures), lookup_(signatures.Fingerprints()), costs_(costs)
    {
    }

    void Folder(const std::string& path, std::optional<TFileId> id = std::nullopt)
    {
        const std::string folder = EnsureTrailingBackslash(path);
        if (!id) id = costs_.Time("folder id, opened for it", [&] { return system_.FolderId(folder); });
        std::vector<TFolderEntry> entries;
        costs_.Time("folder listing", [&] {
            system_.ForEachFolderEntry(folder, id, [&](const TFolderEntry& e) {
                entries.push_back(e);
                return true;
            });
            return 0;
        });
        for (const TFolderEntry& entry : entries) {
            if (entry.NameUnspellable || entry.IsVolumeLabel) continue;
            if (entry.IsFolder) {
                if (entry.Name != "." && entry.Name != "..") Folder(folder + entry.Name, entry.Id);
                continue;
            }
            const std::string upper = UpperCaseAscii(entry.Name);
            if (HasPatternScanExtension(upper) || HasFingerprintScanExtension(upper)) File(folder + entry.Name);
        }
    }

private:
    void File(const std::string& path)
    {
        const auto opened = costs_.Time("open for the check", [&] { return system_.OpenForCheck(path); });
        if (!opened) return;
        costs_.Time("pattern check", [&] { return ScanWithPatternEngine(signatures_.Engine(), path); });
        costs_.Time("fingerprint check", [&] {
            TMD5MalwareInfo info;
            try {
                return ScanPEMD5(path, info, lookup_);
            } catch (...) {
                return false;
            }
        });
        costs_.Time("stamp after", [&] { return system_.StampAt(path); });
    }

    TWin32ScanSystem& system_;
    TSignatureSet& signatures_;
    const TPEMD5Lookup lookup_;
    TCosts& costs_;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: check_costs ROOT\n", stderr);
        return 2;
    }
    char self[MAX_PATH];
    const std::string program(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    const TScanEngine engine = LoadScanEngine();
    TSignatureSet signatures(engine);
    signatures.Load(program.substr(0, program.find_last_of('\\') + 1), [](const TStartupMessage&) {});
    TWin32ScanSystem system;
    TCosts costs;
    const auto start = TClock::now();
    TCostWalk(system, signatures, costs).Folder(argv[1]);
    costs.Print();
    std::printf("whole walk %.3f s\n", std::chrono::duration<double>(TClock::now() - start).count());
    return 0;
}
