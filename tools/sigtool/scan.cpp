// scan: the headless check of files against a signature set, as the program
// runs it. Loads the four signature files from --db DIR as the start-up
// does, then for each file (folders are walked, links not followed) runs the
// object check and prints one line per detection:
// Path<TAB>Name<TAB>pattern|fingerprint. Exit 0 without detection, 1 with
// detections, 2 on an error.
#include <cstdio>
#include <filesystem>

#include "main/signature_set.h"
#include "tools/sigtool/commands.h"

namespace {

namespace fs = std::filesystem;

// Prints each detection as it comes.
class TPrintedDetections : public TDetectionHandler {
public:
    void OnDetection(const std::string& path, const std::string& name, TDetectionKind kind) override
    {
        std::printf("%s\t%s\t%s\n", path.c_str(), name.c_str(), kind == TDetectionKind::Pattern ? "pattern" : "fingerprint");
        ++count_;
    }
    void OnCheckError(const std::string&, const std::string& message) override { PrintError(message); }

    int Count() const { return count_; }

private:
    int count_ = 0;
};

// The object check of path, or of every file under it when it is a folder.
void CheckPath(const TSignatureCheck& check, const std::string& path, TDetectionHandler& handler)
{
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(path, ec))) return check.Check(path, handler);
    const auto options = fs::directory_options::skip_permission_denied;
    for (auto it = fs::recursive_directory_iterator(path, options, ec); !ec && it != fs::end(it); it.increment(ec))
        if (it->is_regular_file(ec) && !it->is_symlink(ec)) check.Check(it->path().string(), handler);
}

} // namespace

int Scan(const TArgs& args)
{
    if (args.size() < 3 || args[0] != "--db") {
        std::fputs("usage: sigtool scan --db DIR PATH...\n", stderr);
        return 2;
    }
    std::string dir = args[1];
    if (dir.back() != '/' && dir.back() != '\\') dir += static_cast<char>(fs::path::preferred_separator);

    const TScanEngine engine = LoadScanEngine();
    if (!engine.Usable()) PrintError(SCAN_ENGINE_MISSING_TEXT);
    TSignatureSet signatures(engine);
    bool failed = false;
    signatures.Load(dir, [&](const TStartupMessage& e) {
        PrintError(std::string(e.Caption) + ": " + e.Text);
        failed = true;
    });
    if (failed) return 2;

    TPrintedDetections detections;
    for (std::size_t i = 2; i < args.size(); ++i) CheckPath(signatures.Check(), args[i], detections);
    std::fflush(stdout);
    return detections.Count() ? 1 : 0;
}
