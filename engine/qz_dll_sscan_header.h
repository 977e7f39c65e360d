// The program's side of the pattern scan engine library QZ_SSCAN.DLL:
// locating it, its two exports, and releasing it.
//
// The program runs with administrator rights, so the library is never looked
// for by bare name through the system's search (the current folder and the
// PATH could hold a planted copy), nor taken because a module of its name is
// already in the process: the program loads it by full path, only once the
// signed manifest has admitted it, while the handle it was verified through
// is held (LoadVerified). The native build has no library; it binds the engine
// linked into the program, so that the same calls run in tools and tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sscan/sscan_api.h"

#ifdef _WIN32
#include "common/handle.h"
#endif

extern const char* const SCAN_ENGINE_LIBRARY_NAME;
// Shown once by the start-up when the engine is not usable (Windows-1252).
extern const char* const SCAN_ENGINE_MISSING_TEXT;
extern const char* const SCAN_ENGINE_MISSING_CAPTION;

// The engine library and its two exports. Usable only when both exports
// were found; a missing export is never called. When usable is false the
// pattern check finds nothing and the start-up shows SCAN_ENGINE_MISSING_TEXT
// once.
class TScanEngine {
public:
    TScanEngine() = default;
    // A moved-from engine is not usable: the exports go with the library.
    TScanEngine(TScanEngine&& other) noexcept;
    TScanEngine& operator=(TScanEngine&& other) noexcept;

#ifdef _WIN32
    // The QZ_SSCAN.DLL in programFolder (ending with "\"), by full path,
    // unverified (tests and tools). Never anywhere else.
    static TScanEngine Locate(const std::string& programFolder);
    // The library at path (a full path), loaded while verifiedFile, the
    // handle it was verified through, is held without write or delete
    // sharing; not usable unless the module loaded is that very file (its
    // name is path, and path reaches the held file's identity).
    static TScanEngine LoadVerified(const std::string& path, void* verifiedFile);
#else
    // The engine linked into the program.
    static TScanEngine Linked();
#endif

    bool Usable() const { return initscan_ && scanfile_; }

    // initscan(table, count) and its result when usable; nothing otherwise.
    std::optional<std::int32_t> InitScan(const TPatternSignature* table, std::int32_t count) const;
    // scanfile(path, result) when usable; false otherwise, result untouched.
    bool ScanFile(const char* path, TScanFileResult& result) const;

#ifdef _WIN32
    // The library's module handle, or null.
    HMODULE Library() const { return library_.Get(); }
#endif

private:
#ifdef _WIN32
    static TScanEngine Bound(TModuleHandle library);
    TModuleHandle library_;
#endif
    TInitScanProc initscan_ = nullptr;
    TScanFileProc scanfile_ = nullptr;
};

// At program start: the engine beside the executable (natively: the linked
// one). Its owner releases the library when it goes.
TScanEngine LoadScanEngine();
// At exit, for a start-up that releases the library before its owner goes.
void UnloadScanEngine(TScanEngine& engine);
