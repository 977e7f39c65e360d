// The engine library's two exports, as the program calls them: arguments on
// the stack, removed by the callee (stdcall), undecorated names.
#pragma once

#include <cstdint>

#include "common/short_string.h"
#include "signatures/qzs_scan.h"

#ifdef _WIN32
#define SSCAN_CALL __stdcall
#else
#define SSCAN_CALL
#endif

#pragma pack(push, 1)
// The engine's answer for one file: Found is 1 when a signature matched.
struct TScanFileResult {
    std::uint8_t Found;
    TSignatureName VirusName;
};
#pragma pack(pop)
static_assert(sizeof(TScanFileResult) == 66);

// initscan(table, count): compiles records 1..count (at most MAX_NB_SIG) of
// a pattern table that stays at its address, unchanged, while scans run.
using TInitScanProc = std::int32_t(SSCAN_CALL*)(const TPatternSignature* table, std::int32_t count);
// scanfile(path, result): the pattern check of one file, path a
// NUL-terminated ANSI string.
using TScanFileProc = std::int32_t(SSCAN_CALL*)(const char* path, TScanFileResult* result);
