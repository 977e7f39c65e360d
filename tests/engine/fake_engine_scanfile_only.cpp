// A stand-in engine library that lacks initscan. Its scanfile reports a
// detection, so a call through an incomplete engine would show.
#include "sscan/sscan_api.h"

extern "C" __declspec(dllexport) std::int32_t SSCAN_CALL scanfile(const char*, TScanFileResult* result)
{
    result->Found = 1;
    result->VirusName.Assign("Fake.Called");
    return 1;
}
