// The exports of QZ_SSCAN.DLL: stdcall, undecorated names (the build links
// with --kill-at), so that GetProcAddress finds "initscan" and "scanfile" in
// the 32-bit and the 64-bit library alike.
#include "sscan/sscan_engine.h"

extern "C" {

__declspec(dllexport) std::int32_t SSCAN_CALL initscan(const TPatternSignature* table, std::int32_t count)
{
    return EngineInitScan(table, count);
}

__declspec(dllexport) std::int32_t SSCAN_CALL scanfile(const char* path, TScanFileResult* result)
{
    return EngineScanFile(path, result);
}

} // extern "C"
