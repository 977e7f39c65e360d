// What the engine library does behind its two exports, shared by
// QZ_SSCAN.DLL and by the native build, which links the matcher directly and
// binds these functions in place of the library's exports.
#pragma once

#include <cstdint>

#include "sscan/sscan_api.h"

// Compiles the table (see TPatternMatcher), replacing the previous one.
// 1 when compiled, 0 when memory ran out (nothing is found then).
std::int32_t SSCAN_CALL EngineInitScan(const TPatternSignature* table, std::int32_t count);

// Clears result, then scans the file at path with the compiled table: Found
// 1 and the record's name when a signature matched. Nothing is found without
// a table, when the file does not open, or for a null path. Returns Found.
std::int32_t SSCAN_CALL EngineScanFile(const char* path, TScanFileResult* result);
