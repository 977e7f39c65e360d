#include "tests/sscan/reference_matcher.h"

#include <cstdio>
#include <limits>

namespace {

// True when the record matches at offset; false for a malformed record.
bool MatchesAt(const TPatternSignature& s, const std::vector<std::uint8_t>& data, std::size_t offset)
{
    if (s.PatternSize == 0 || s.PatternSize > s.Pattern.Len / 2) return false;
    for (std::size_t k = 0; k < s.PatternSize; ++k) {
        const char hi = s.Pattern.Chars[2 * k], lo = s.Pattern.Chars[2 * k + 1];
        if (IsWildcardPair(hi, lo)) continue;
        if (data[offset + k] != PatternPairValue(hi, lo)) return false;  // -1 for a pair that is not hex
    }
    return true;
}

bool WellFormed(const TPatternSignature& s)
{
    if (s.PatternSize == 0 || s.PatternSize > s.Pattern.Len / 2) return false;
    for (std::size_t k = 0; k < s.PatternSize; ++k) {
        const char hi = s.Pattern.Chars[2 * k], lo = s.Pattern.Chars[2 * k + 1];
        if (!IsWildcardPair(hi, lo) && PatternPairValue(hi, lo) < 0) return false;
    }
    return true;
}

} // namespace

std::int32_t ReferenceFirstMatch(const std::vector<TPatternSignature>& table, const std::vector<std::uint8_t>& data)
{
    std::size_t bestEnd = std::numeric_limits<std::size_t>::max();
    std::int32_t best = -1;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const TPatternSignature& s = table[i];
        if (!WellFormed(s) || s.PatternSize > data.size()) continue;
        for (std::size_t offset = 0; offset + s.PatternSize <= data.size(); ++offset) {
            if (!MatchesAt(s, data, offset)) continue;
            if (offset + s.PatternSize < bestEnd) bestEnd = offset + s.PatternSize, best = static_cast<std::int32_t>(i);
            break;
        }
    }
    return best;
}

TPatternSignature MakeSignature(const std::string& name, const std::string& pattern)
{
    TPatternSignature s{};
    s.Name.Assign(name);
    s.Pattern.Assign(pattern);
    s.PatternSize = static_cast<std::uint8_t>(s.Pattern.Len / 2);
    return s;
}

std::string PatternText(const std::vector<std::uint8_t>& bytes, const std::vector<bool>& wildcards)
{
    std::string text;
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", bytes[k]);
        text += wildcards[k] ? "??" : pair;
    }
    return text;
}

std::string RandomPatternFrom(const std::vector<std::uint8_t>& data, std::size_t offset, std::size_t size,
                              std::mt19937& random)
{
    std::vector<std::uint8_t> bytes(data.begin() + offset, data.begin() + offset + size);
    std::vector<bool> wild(size);
    for (std::size_t k = 0; k < size; ++k) wild[k] = random() % 10 == 0;
    return PatternText(bytes, wild);
}
