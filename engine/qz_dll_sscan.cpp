#include "engine/qz_dll_sscan_header.h"

#include <utility>

#ifdef _WIN32
#include "common/executable_path.h"
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

// A reference on a QZ_SSCAN.DLL that the process has already loaded.
TModuleHandle AlreadyLoadedLibrary()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(0, SCAN_ENGINE_LIBRARY_NAME, &module)) return {};
    return TModuleHandle(module);
}

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
    TScanEngine engine;
    engine.library_ = AlreadyLoadedLibrary();
    if (!engine.library_) engine.library_ = LibraryInFolder(programFolder);
    if (!engine.library_) return engine;
    engine.initscan_ = ModuleExport<TInitScanProc>(engine.library_.Get(), "initscan");
    engine.scanfile_ = ModuleExport<TScanFileProc>(engine.library_.Get(), "scanfile");
    return engine;
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
