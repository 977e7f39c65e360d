// The pattern matcher against the plain reference matcher on any table and
// any source: both must name the same record (or none), whatever the block
// size the source is read in.
//
// Input: byte 0 picks the block size, byte 1 the number of patterns; then
// one descriptor per pattern, and the rest is the source. A descriptor is
// [size][flags][offset lo][offset hi], followed by size value bytes unless
// flags bit 7 asks for a pattern cut from the source at the offset. Flags
// bits 0-2 set how many positions are wildcards, bit 6 spoils one pair.
#include <cctype>
#include <cstdlib>
#include <random>
#include <span>

#include "sscan/pattern_matcher.h"
#include "tests/sscan/reference_matcher.h"

namespace {

struct TDescriptor {
    std::size_t Size;
    std::uint8_t Flags;
    std::size_t Offset;
    std::span<const std::uint8_t> Values;  // empty when cut from the source
};

class TInput {
public:
    explicit TInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool Has(std::size_t n) const { return n <= bytes_.size(); }
    std::uint8_t Byte()
    {
        const std::uint8_t b = bytes_.front();
        bytes_ = bytes_.subspan(1);
        return b;
    }
    std::span<const std::uint8_t> Take(std::size_t n)
    {
        const auto taken = bytes_.first(n);
        bytes_ = bytes_.subspan(n);
        return taken;
    }
    std::span<const std::uint8_t> Rest() const { return bytes_; }

private:
    std::span<const std::uint8_t> bytes_;
};

// The pattern text: hex pairs, wildcards spelt in each of the ways a record
// may hold them, and one spoilt pair when asked.
std::string PatternTextFor(const TDescriptor& d, const std::vector<std::uint8_t>& source)
{
    static const char* const wildcards[] = {"??", "? ", ": ", " 5", "A?", "::", "?:", "F "};
    static const char hex[] = "0123456789ABCDEF";
    std::minstd_rand random(d.Flags * 65537u + static_cast<unsigned>(d.Offset) + 1);
    std::string text;
    for (std::size_t k = 0; k < d.Size; ++k) {
        const std::uint8_t value = d.Values.empty() ? source[d.Offset + k] : d.Values[k];
        if (random() % 8 < (d.Flags & 7u)) {
            text += wildcards[random() % 8];
        } else {
            text += hex[value >> 4];
            text += random() % 2 ? hex[value & 15] : static_cast<char>(std::tolower(hex[value & 15]));
        }
    }
    if ((d.Flags & 0x40) && !text.empty()) text[random() % text.size()] = "GZ-x"[random() % 4];
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TInput input({data, size});
    if (!input.Has(2)) return 0;
    const std::size_t blockSize = 1 + input.Byte() * 5u;
    const std::size_t count = 1 + input.Byte() % 24u;

    std::vector<TDescriptor> descriptors;
    while (descriptors.size() < count && input.Has(4)) {
        TDescriptor d{input.Byte() % (MAX_PATTERN_SIZE + 1u), input.Byte(), 0, {}};
        d.Offset = input.Byte();
        d.Offset |= std::size_t{input.Byte()} << 8;
        if (!(d.Flags & 0x80)) {
            if (!input.Has(d.Size)) break;
            d.Values = input.Take(d.Size);
        }
        descriptors.push_back(d);
    }
    const auto rest = input.Rest();
    const std::vector<std::uint8_t> source(rest.begin(), rest.end());

    std::vector<TPatternSignature> table;
    for (TDescriptor d : descriptors) {
        if (d.Values.empty()) {  // cut from the source, where it fits
            if (d.Size > source.size()) continue;
            d.Offset %= source.size() - d.Size + 1;
        }
        table.push_back(MakeSignature("S" + std::to_string(table.size()), PatternTextFor(d, source)));
    }

    const TPatternMatcher matcher(table.data(), static_cast<std::int32_t>(table.size()));
    const std::int32_t found = FindFirstMatchInMemory(matcher, source.data(), source.size(), blockSize);
    if (found != ReferenceFirstMatch(table, source)) std::abort();
    return 0;
}
