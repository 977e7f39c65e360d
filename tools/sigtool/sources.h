// What the build and import commands share in reading text sources: the
// lines (numbered from 1, a final CR removed since sources may come from
// Windows, empty lines and "#" comments skipped) and the record rules.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

// Calls onLine(line, number) for every record line of in.
template <typename OnLine>
void ForEachRecordLine(std::istream& in, OnLine&& onLine)
{
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        onLine(line, number);
    }
}

// "what must have MIN to MAX characters", or "at most MAX" when min is 0.
std::string LengthRule(const char* what, std::size_t min, std::size_t max);

// Raises std::runtime_error unless name has the length a pattern record's
// name needs to pass the start-up's validation.
void CheckSignatureName(const std::string& name);

// The reason given for a pattern longer than a record holds.
std::string PatternTooLong();
