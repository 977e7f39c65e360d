#include "engine/pattern_check.h"

#include <cstring>

TVirusInfo ScanWithPatternEngine(const TScanEngine& engine, const std::string& path)
{
    // Such a path cannot come from the file system or the process list; cut,
    // it could name another file, so it is not asked about.
    if (path.size() >= SCAN_PATH_BUFFER_SIZE) return {};
    char buffer[SCAN_PATH_BUFFER_SIZE];
    std::memcpy(buffer, path.data(), path.size());
    buffer[path.size()] = '\0';

    TScanFileResult result;
    result.Found = 0;
    result.VirusName.Len = 0;
    if (!engine.ScanFile(buffer, result) || result.Found != 1) return {};
    return {true, result.VirusName.Str()};
}
