// The exports of QZ_SSCAN.DLL. The library holds the matcher compiled by the
// last initscan; the program calls both exports from one thread.
#include <memory>

#include "sscan/pattern_matcher.h"
#include "sscan/sscan_api.h"

namespace {

std::unique_ptr<TPatternMatcher> compiled;

} // namespace

extern "C" {

__declspec(dllexport) std::int32_t SSCAN_CALL initscan(const TPatternSignature* table, std::int32_t count)
{
    try {
        compiled = std::make_unique<TPatternMatcher>(table, count);
        return 1;
    } catch (...) {  // out of memory: no table, nothing found
        compiled.reset();
        return 0;
    }
}

__declspec(dllexport) std::int32_t SSCAN_CALL scanfile(const char* path, TScanFileResult* result)
{
    if (!result) return 0;
    result->Found = 0;
    result->VirusName.Len = 0;
    if (!compiled || !path) return 0;
    try {
        const std::int32_t index = FindFirstMatchInFile(*compiled, path);
        if (index < 0) return 0;
        result->Found = 1;
        result->VirusName.Assign(compiled->Table()[index].Name.View());
        return 1;
    } catch (...) {  // out of memory for the read buffer: not found
        return 0;
    }
}

} // extern "C"
