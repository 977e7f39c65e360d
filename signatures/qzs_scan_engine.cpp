// The pattern check of one file through the engine library.
#include <cstring>

#include "engine/qz_dll_sscan_header.h"
#include "signatures/qzs_scan.h"

bool ScanWithPatternEngine(const std::string& path, TVirusInfo& info)
{
    return ScanWithPatternEngine(ScanEngine(), path, info);
}

bool ScanWithPatternEngine(const TScanEngine& engine, const std::string& path, TVirusInfo& info)
{
    info = TVirusInfo{};
    // Such a path cannot come from the file system or the process list; cut,
    // it could name another file, so it is not asked about.
    if (path.size() >= SCAN_PATH_BUFFER_SIZE) return true;
    char buffer[SCAN_PATH_BUFFER_SIZE];
    std::memcpy(buffer, path.data(), path.size());
    buffer[path.size()] = '\0';

    TScanFileResult result;
    result.Found = 0;
    result.VirusName.Len = 0;
    if (!engine.ScanFile(buffer, result)) return true;
    if (result.Found == 1) {
        info.Found = true;
        info.VirusName = result.VirusName.Str();
    }
    return true;
}
