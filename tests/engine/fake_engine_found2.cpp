// A stand-in engine library whose scanfile answers Found = 2 with a name:
// a value that is not 1 and must count as no detection.
#include "sscan/sscan_api.h"

extern "C" {

__declspec(dllexport) std::int32_t SSCAN_CALL initscan(const TPatternSignature*, std::int32_t) { return 1; }

__declspec(dllexport) std::int32_t SSCAN_CALL scanfile(const char*, TScanFileResult* result)
{
    result->Found = 2;
    result->VirusName.Assign("Fake.Found2");
    return 2;
}

} // extern "C"
