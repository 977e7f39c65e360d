#include "sscan/sscan_engine.h"

#include <memory>

#include "sscan/pattern_matcher.h"

namespace {

// The matcher compiled by the last initscan. The program calls both exports
// from its one thread.
std::unique_ptr<TPatternMatcher>& Compiled()
{
    static std::unique_ptr<TPatternMatcher> compiled;
    return compiled;
}

} // namespace

std::int32_t SSCAN_CALL EngineInitScan(const TPatternSignature* table, std::int32_t count)
{
    Compiled().reset();
    try {
        Compiled() = std::make_unique<TPatternMatcher>(table, count);
        return 1;
    } catch (...) {  // out of memory: no table, nothing found; nothing leaves the library
        return 0;
    }
}

std::int32_t SSCAN_CALL EngineScanFile(const char* path, TScanFileResult* result)
{
    if (!result) return 0;
    result->Found = 0;
    result->VirusName.Len = 0;
    const TPatternMatcher* matcher = Compiled().get();
    if (!matcher || !path) return 0;
    try {
        const std::int32_t index = FindFirstMatchInFile(*matcher, path);
        if (index < 0) return 0;
        result->Found = 1;
        result->VirusName.Assign(matcher->Table()[index].Name.View());
        return 1;
    } catch (...) {  // no room for the read buffer: not found; nothing leaves the library
        return 0;
    }
}
