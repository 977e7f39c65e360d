#include "engine/qz_dll_sscan_header.h"

#include <utility>

#ifdef _WIN32
#include "common/code_page.h"
#include "common/executable_path.h"
#include "common/file_identity.h"
#include "common/module_export.h"
#else
#include "sscan/sscan_engine.h"
#endif

const char* const SCAN_ENGINE_LIBRARY_NAME = "QZ_SSCAN.DLL";
const char* const SCAN_ENGINE_MISSING_TEXT =
    "Le moteur d'analyse QZ_SSCAN.DLL est absent ou incomplet : "
    "la recherche par signatures de motifs est d\xE9sactiv\xE9"
    "e.";
const char* const SCAN_ENGINE_MISSING_CAPTION = "Moteur d'analyse";

TScanEngine::TScanEngine(TScanEngine&& other) noexcept
    :
#ifdef _WIN32
      library_(std::move(other.library_)),
#endif
      initscan_(std::exchange(other.initscan_, nullptr)), scanfile_(std::exchange(other.scanfile_, nullptr))
{
}

TScanEngine& TScanEngine::operator=(TScanEngine&& other) noexcept
{
    if (this != &other) {
        initscan_ = std::exchange(other.initscan_, nullptr);
        scanfile_ = std::exchange(other.scanfile_, nullptr);
#ifdef _WIN32
        library_ = std::move(other.library_);
#endif
    }
    return *this;
}

std::optional<std::int32_t> TScanEngine::InitScan(const TPatternSignature* table, std::int32_t count) const
{
    if (!Usable()) return std::nullopt;
    return initscan_(table, count);
}

bool TScanEngine::ScanFile(const char* path, TScanFileResult& result) const
{
    if (!Usable()) return false;
    scanfile_(path, &result);
    return true;
}

#ifdef _WIN32

namespace {

// The library in folder, by full path only. A relative folder would send the
// loader to the current folder; it is refused.
TModuleHandle LibraryInFolder(const std::string& folder)
{
    const bool absolute = folder.size() >= 3 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
    const bool unc = folder.size() >= 2 && folder[0] == '\\' && folder[1] == '\\';
    if (!absolute && !unc) return {};
    return TModuleHandle(LoadLibraryA((folder + SCAN_ENGINE_LIBRARY_NAME).c_str()));
}

} // namespace

TScanEngine TScanEngine::Locate(const std::string& programFolder)
{
    return Bound(LibraryInFolder(programFolder));
}

TScanEngine TScanEngine::Bound(TModuleHandle library)
{
    TScanEngine engine;
    engine.library_ = std::move(library);
    if (!engine.library_) return engine;
    engine.initscan_ = ModuleExport<TInitScanProc>(engine.library_.Get(), "initscan");
    engine.scanfile_ = ModuleExport<TScanFileProc>(engine.library_.Get(), "scanfile");
    return engine;
}

TScanEngine TScanEngine::LoadVerified(const std::string& path, void* verifiedFile)
{
    const std::optional<TFileIdentity> verified = IdentityOf(verifiedFile);
    const bool absolute = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    const bool unc = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    if (!verified || (!absolute && !unc)) return {};
    TModuleHandle library(LoadLibraryExW(WideFromAnsi(path).c_str(), nullptr, 0));
    if (!library) return {};
    // The module must be the file held: its name is the path opened, and
    // what that name reaches is the held file.
    std::vector<wchar_t> name(32768);
    const DWORD n = GetModuleFileNameW(library.Get(), name.data(), static_cast<DWORD>(name.size()));
    if (n == 0 || n >= name.size()) return {};
    const std::optional<std::string> ansiName = ExactAnsiSpelling(std::wstring_view(name.data(), n));
    if (!ansiName || lstrcmpiA(ansiName->c_str(), path.c_str()) != 0) return {};
    const std::optional<TFileIdentity> loaded = IdentityAt(*ansiName);
    if (!loaded || !(loaded->Id == verified->Id)) return {};
    return Bound(std::move(library));
}

#else

TScanEngine TScanEngine::Linked()
{
    TScanEngine engine;
    engine.initscan_ = &EngineInitScan;
    engine.scanfile_ = &EngineScanFile;
    return engine;
}

#endif

TScanEngine LoadScanEngine()
{
#ifdef _WIN32
    return TScanEngine::Locate(ExecutableFolder());
#else
    return TScanEngine::Linked();
#endif
}

void UnloadScanEngine(TScanEngine& engine) { engine = TScanEngine(); }
