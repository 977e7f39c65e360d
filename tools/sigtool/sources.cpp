#include "tools/sigtool/sources.h"

#include <stdexcept>

#include "signatures/qzs_scan.h"

std::string LengthRule(const char* what, std::size_t min, std::size_t max)
{
    const std::string range = min ? std::to_string(min) + " to " + std::to_string(max) : "at most " + std::to_string(max);
    return std::string(what) + " must have " + range + " characters";
}

void CheckSignatureName(const std::string& name)
{
    if (name.size() < MIN_NAME_LENGTH || name.size() > TSignatureName::CAPACITY)
        throw std::runtime_error(LengthRule("name", MIN_NAME_LENGTH, TSignatureName::CAPACITY));
}

std::string PatternTooLong()
{
    std::string text = "longer than ";  // appended, not concatenated: GCC 12 misreports that (-Wrestrict)
    text += std::to_string(MAX_PATTERN_SIZE);
    text += " bytes";
    return text;
}
