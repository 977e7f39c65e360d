#include "sscan/pattern_matcher.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "common/file.h"

namespace {

constexpr int kFilterBits = 20;
constexpr int kBucketBits = 16;
constexpr std::uint32_t kAnchorLength = 4;
constexpr std::uint32_t kStride = 4;
// Short of the end of the source, positions within kLookahead of the end of
// the data wait for the next block, so that any pattern anchored in a round
// lies wholly in the data. The buffer keeps kLookahead bytes before the next
// round when it slides, and kSlack readable bytes past the data (rounds
// read eight bytes, verification whole 8-byte words).
constexpr std::size_t kLookahead = MAX_PATTERN_SIZE + 8;
constexpr std::size_t kKeep = 2 * kLookahead;
constexpr std::size_t kSlack = MAX_PATTERN_SIZE + 1 + 8;

std::uint64_t Load64(const std::uint8_t* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint32_t AnchorHash(std::uint32_t bytes) { return (bytes * 0x9E3779B1u) >> (32 - kFilterBits); }
std::uint32_t BucketOf(std::uint32_t hash) { return hash >> (kFilterBits - kBucketBits); }

// How common a byte is in executables: zeros and padding most, then the
// opcodes and prefixes of everyday code. Anchors avoid them.
int Commonness(std::uint8_t b)
{
    switch (b) {
    case 0x00: return 16;
    case 0xFF: return 8;
    case 0xCC: case 0x90: case 0x8B: case 0x48: case 0x89: case 0x0F: case 0x24: case 0x44:
    case 0xE8: case 0x01: case 0x4C: case 0x8D: case 0x85: case 0x74: case 0xC3: case 0x45:
    case 0x20: case 0x02: case 0x04: case 0x08: case 0x10: case 0x83: case 0xC7: case 0x75:
        return 4;
    default: return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') ? 2 : 1;
    }
}

} // namespace

// --- Compile ---------------------------------------------------------------

TPatternMatcher::TPatternMatcher(const TPatternSignature* table, std::int32_t count) : table_(table)
{
    if (!table || count <= 0) return;
    count = std::min(count, MAX_NB_SIG);
    TAnchorLists lists;
    for (std::int32_t index = 0; index < count; ++index) {
        const TPatternSignature& record = table[index];
        const std::uint32_t size = record.PatternSize;
        if (size == 0 || size > MAX_PATTERN_SIZE || record.Pattern.Len > TPatternText::CAPACITY || size > record.Pattern.Len / 2u)
            continue;
        TCompiled pattern{};
        pattern.Size = size;
        pattern.Index = index;
        auto* value = reinterpret_cast<std::uint8_t*>(pattern.Value);
        auto* mask = reinterpret_cast<std::uint8_t*>(pattern.Mask);
        bool malformed = false;
        for (std::uint32_t k = 0; k < size && !malformed; ++k) {
            const char hi = record.Pattern.Chars[2 * k], lo = record.Pattern.Chars[2 * k + 1];
            if (IsWildcardPair(hi, lo)) continue;
            const int pair = PatternPairValue(hi, lo);
            malformed = pair < 0;
            value[k] = static_cast<std::uint8_t>(pair);
            mask[k] = 0xFF;
        }
        if (!malformed) Add(pattern, mask, lists);
    }
    fourAnchors_.Build(lists.Fours);
    alternatePairs_.Build(std::move(lists.AlternatePairs), 1u << 16);
    pairAnchors_.Build(std::move(lists.Pairs), 1u << 16);
    byteAnchors_.Build(std::move(lists.Bytes), 1u << 8);
}

namespace {

// The offset of the window of length fixed bytes made of the rarest bytes,
// or -1 when the pattern has no such run. A window scores the commonness of
// its bytes, and more when it is one byte repeated, as padding is; the
// windows are scored in one pass, each from the one before.
int RarestRun(const std::uint8_t* value, const std::uint8_t* fixed, std::uint32_t size, std::uint32_t length)
{
    int best = std::numeric_limits<int>::max(), bestOffset = -1;
    int score = 0;
    std::uint32_t fixedCount = 0, sameRun = 0;  // in the window; the run of equal bytes ending at k
    for (std::uint32_t k = 0; k < size; ++k) {
        score += Commonness(value[k]);
        fixedCount += fixed[k] != 0;
        sameRun = k > 0 && value[k] == value[k - 1] ? sameRun + 1 : 1;
        if (k >= length) {
            score -= Commonness(value[k - length]);
            fixedCount -= fixed[k - length] != 0;
        }
        if (k + 1 < length || fixedCount != length) continue;
        const int windowScore = length > 1 && sameRun >= length ? score + 8 : score;
        if (windowScore < best) best = windowScore, bestOffset = static_cast<int>(k + 1 - length);
    }
    return bestOffset;
}

} // namespace

// Chooses the pattern's anchors, the first kind its fixed runs allow: the
// kStride four-byte windows of its best seven-byte run, scanned at every
// fourth position; the two pairs of its best three-byte run, at every second
// position; its best pair, at every position; its best byte. A pattern
// without a fixed byte only competes as a wildcard-only pattern.
void TPatternMatcher::Add(const TCompiled& pattern, const std::uint8_t* fixed, TAnchorLists& lists)
{
    const auto* value = reinterpret_cast<const std::uint8_t*>(pattern.Value);
    const auto id = static_cast<std::uint32_t>(patterns_.size());
    auto anchor = [&](std::uint32_t offset, std::uint32_t length) {
        std::uint32_t bytes = 0;
        std::memcpy(&bytes, value + offset, length);
        return TAnchor{bytes, id, offset};
    };
    if (const int seven = RarestRun(value, fixed, pattern.Size, kAnchorLength + kStride - 1); seven >= 0) {
        for (std::uint32_t j = 0; j < kStride; ++j) lists.Fours.push_back(anchor(seven + j, kAnchorLength));
    } else if (const int three = RarestRun(value, fixed, pattern.Size, 3); three >= 0) {
        lists.AlternatePairs.push_back(anchor(three, 2));
        lists.AlternatePairs.push_back(anchor(three + 1, 2));
    } else if (const int two = RarestRun(value, fixed, pattern.Size, 2); two >= 0) {
        lists.Pairs.push_back(anchor(two, 2));
    } else if (const int one = RarestRun(value, fixed, pattern.Size, 1); one >= 0) {
        lists.Bytes.push_back(anchor(one, 1));
    } else {
        if (wildIndex_ < 0 || pattern.Size < wildSize_) wildSize_ = pattern.Size, wildIndex_ = pattern.Index;
        return;
    }
    patterns_.push_back(pattern);
}

void TPatternMatcher::THashedAnchors::Build(const std::vector<TAnchor>& anchors)
{
    if (anchors.empty()) return;
    Filter.assign(std::size_t{1} << kFilterBits, 0);
    BucketStart.assign((std::size_t{1} << kBucketBits) + 1, 0);
    for (const TAnchor& a : anchors) {
        const std::uint32_t h = AnchorHash(a.Bytes);
        Filter[h] = 1;
        ++BucketStart[BucketOf(h) + 1];
    }
    for (std::size_t b = 1; b < BucketStart.size(); ++b) BucketStart[b] += BucketStart[b - 1];
    Anchors.resize(anchors.size());
    std::vector<std::uint32_t> next(BucketStart.begin(), BucketStart.end() - 1);
    for (const TAnchor& a : anchors) Anchors[next[BucketOf(AnchorHash(a.Bytes))]++] = a;
}

std::size_t TPatternMatcher::THashedAnchors::MemoryUsed() const
{
    return Filter.capacity() + BucketStart.capacity() * sizeof(std::uint32_t) +
           Anchors.capacity() * sizeof(TAnchor);
}

void TPatternMatcher::TShortAnchors::Build(std::vector<TAnchor> anchors, std::size_t values)
{
    if (anchors.empty()) return;
    std::sort(anchors.begin(), anchors.end(), [](const TAnchor& a, const TAnchor& b) { return a.Bytes < b.Bytes; });
    Anchors = std::move(anchors);
    Filter.assign(values, 0);
    for (const TAnchor& a : Anchors) Filter[a.Bytes] = 1;
}

std::size_t TPatternMatcher::TShortAnchors::MemoryUsed() const
{
    return Filter.capacity() + Anchors.capacity() * sizeof(TAnchor);
}

std::size_t TPatternMatcher::MemoryUsed() const
{
    return sizeof *this + patterns_.capacity() * sizeof(TCompiled) + fourAnchors_.MemoryUsed() +
           alternatePairs_.MemoryUsed() + pairAnchors_.MemoryUsed() + byteAnchors_.MemoryUsed();
}

// --- Scan ------------------------------------------------------------------

// The search state over one source: the best match so far and the scan of
// anchor positions over the window of the source held in the buffer.
class TMatchSearch {
public:
    explicit TMatchSearch(const TPatternMatcher& m) : m_(m) {}

    // Takes note that the source has at least length bytes: a wildcard-only
    // pattern matches at offset 0 once the source is as long as it.
    void NoteLength(std::uint64_t length)
    {
        if (m_.wildIndex_ >= 0 && length >= m_.wildSize_) Offer(m_.wildSize_, m_.wildIndex_);
    }

    // Scans the rounds of kStride positions from `from` on while a round
    // starts below `to` (and below the end of the best match), over a window
    // holding source bytes base..base+length-1 at data, with kSlack readable
    // bytes after it. Returns where the next round starts.
    std::uint64_t Scan(const std::uint8_t* data, std::uint64_t base, std::size_t length, std::uint64_t from,
                       std::uint64_t to)
    {
        data_ = data, base_ = base, end_ = base + length;
        // The rounds, with the tests of the anchor kinds the matcher holds.
        const std::uint64_t reached = ScanWith(from, to, !m_.fourAnchors_.Anchors.empty(),
                                               !m_.alternatePairs_.Anchors.empty(), !m_.pairAnchors_.Anchors.empty());
        if (!m_.byteAnchors_.Anchors.empty()) ScanByteAnchors(from, reached);
        return reached;
    }

    bool Found() const { return bestIndex_ >= 0; }
    std::uint64_t BestEnd() const { return bestEnd_; }
    std::int32_t BestIndex() const { return bestIndex_; }

private:
    // ScanRounds<Fours, Alternate, Every>, chosen from one flag for each.
    template <bool... Kinds, typename... Flags>
    std::uint64_t ScanWith(std::uint64_t from, std::uint64_t to, bool kind, Flags... rest)
    {
        return kind ? ScanWith<Kinds..., true>(from, to, rest...) : ScanWith<Kinds..., false>(from, to, rest...);
    }
    template <bool... Kinds>
    std::uint64_t ScanWith(std::uint64_t from, std::uint64_t to)
    {
        return ScanRounds<Kinds...>(from, to);
    }

    void Offer(std::uint64_t end, std::int32_t index)
    {
        if (end < bestEnd_ || (end == bestEnd_ && index < bestIndex_)) bestEnd_ = end, bestIndex_ = index;
    }

    static std::uint64_t HashedFlag(const std::uint8_t* filter, std::uint32_t bytes) { return filter[AnchorHash(bytes)]; }
    static std::uint64_t DirectFlag(const std::uint8_t* filter, std::uint32_t value) { return filter[value]; }

    // The hot loop. A round of kStride positions tests the four-byte filter
    // at its first position, and, when such anchors exist, the alternate
    // pair filter at its first and third and the pair filter at all four.
    // Without pair anchors, two rounds are tested from one 8-byte load until
    // one of them has a flag set; that round is then looked at on its own.
    // Bytes past the data are the buffer's zeroed slack: a flag they set only
    // leads to the exact tests, which keep within the data.
    template <bool Fours, bool Alternate, bool Every>
    std::uint64_t ScanRounds(std::uint64_t from, std::uint64_t to)
    {
        const std::uint8_t* source = data_;  // source byte p is at source[p - base]
        const std::uint64_t base = base_;
        std::uint64_t p = from;
        for (std::uint64_t stop = std::min(to, bestEnd_); p < stop; stop = std::min(to, bestEnd_)) {
            if constexpr (!Every) {
                while (p + kStride < stop && !TwoRoundsHaveFlag<Fours, Alternate>(Load64(source + (p - base))))
                    p += 2 * kStride;
                if (p >= stop) break;
            }
            LookUpRound<Fours, Alternate, Every>(Load64(source + (p - base)), p);
            p += kStride;
        }
        return p;
    }

    template <bool Fours, bool Alternate>
    bool TwoRoundsHaveFlag(std::uint64_t word) const
    {
        std::uint64_t any = 0;
        if constexpr (Fours)
            any |= HashedFlag(m_.fourAnchors_.Filter.data(), static_cast<std::uint32_t>(word)) |
                   HashedFlag(m_.fourAnchors_.Filter.data(), static_cast<std::uint32_t>(word >> 32));
        if constexpr (Alternate) {
            const std::uint8_t* alternate = m_.alternatePairs_.Filter.data();
            any |= DirectFlag(alternate, word & 0xFFFF) | DirectFlag(alternate, (word >> 16) & 0xFFFF) |
                   DirectFlag(alternate, (word >> 32) & 0xFFFF) | DirectFlag(alternate, word >> 48);
        }
        return any & 1;
    }

    // Tests the round at p, whose bytes start word, and looks up the
    // anchors of each test whose flag is set.
    template <bool Fours, bool Alternate, bool Every>
    void LookUpRound(std::uint64_t word, std::uint64_t p)
    {
        const auto first = static_cast<std::uint32_t>(word);
        if constexpr (Fours)
            if (HashedFlag(m_.fourAnchors_.Filter.data(), first) & 1) LookUpHashed(m_.fourAnchors_, first, p);
        for (std::uint32_t j = 0; j < kStride; ++j) {
            const auto pair = static_cast<std::uint32_t>((word >> (8 * j)) & 0xFFFF);
            if constexpr (Alternate)
                if (j % 2 == 0 && (DirectFlag(m_.alternatePairs_.Filter.data(), pair) & 1))
                    LookUpShort(m_.alternatePairs_, pair, p + j);
            if constexpr (Every)
                if (DirectFlag(m_.pairAnchors_.Filter.data(), pair) & 1) LookUpShort(m_.pairAnchors_, pair, p + j);
        }
    }

    void ScanByteAnchors(std::uint64_t from, std::uint64_t to)
    {
        const std::uint8_t* filter = m_.byteAnchors_.Filter.data();
        for (std::uint64_t p = from, stop = std::min({to, bestEnd_, end_}); p < stop; ++p) {
            const std::uint8_t b = data_[p - base_];
            if (!(DirectFlag(filter, b) & 1)) continue;
            LookUpShort(m_.byteAnchors_, b, p);
            stop = std::min({to, bestEnd_, end_});
        }
    }

    void LookUpHashed(const TPatternMatcher::THashedAnchors& table, std::uint32_t bytes, std::uint64_t p)
    {
        const std::uint32_t bucket = BucketOf(AnchorHash(bytes));
        for (std::uint32_t i = table.BucketStart[bucket]; i < table.BucketStart[bucket + 1]; ++i)
            if (table.Anchors[i].Bytes == bytes) Verify(table.Anchors[i], p);
    }

    void LookUpShort(const TPatternMatcher::TShortAnchors& table, std::uint32_t bytes, std::uint64_t p)
    {
        const auto& list = table.Anchors;
        auto it = std::lower_bound(list.begin(), list.end(), bytes,
                                   [](const TPatternMatcher::TAnchor& a, std::uint32_t v) { return a.Bytes < v; });
        for (; it != list.end() && it->Bytes == bytes; ++it) Verify(*it, p);
    }

    // Compares the pattern whose anchor equals the bytes at source position p.
    void Verify(const TPatternMatcher::TAnchor& anchor, std::uint64_t p)
    {
        const TPatternMatcher::TCompiled& c = m_.patterns_[anchor.Pattern];
        if (p < anchor.Offset) return;  // it would start before the source
        const std::uint64_t start = p - anchor.Offset;
        if (start < base_) return;  // never: the window keeps a pattern's length before p
        if (start > end_ || c.Size > end_ - start) return;  // it would run past the data
        const std::uint64_t end = start + c.Size;
        if (end > bestEnd_ || (end == bestEnd_ && c.Index > bestIndex_)) return;
        const std::uint8_t* bytes = data_ + (start - base_);
        for (std::uint32_t w = 0; w * 8 < c.Size; ++w)
            if ((Load64(bytes + 8 * w) ^ c.Value[w]) & c.Mask[w]) return;
        Offer(end, c.Index);
    }

    const TPatternMatcher& m_;
    const std::uint8_t* data_ = nullptr;
    std::uint64_t base_ = 0, end_ = 0;
    std::uint64_t bestEnd_ = std::numeric_limits<std::uint64_t>::max();
    std::int32_t bestIndex_ = -1;
};

std::int32_t FindFirstMatch(const TPatternMatcher& matcher, const TBlockReader& read, std::uint64_t sizeHint,
                            std::size_t blockSize)
{
    if (matcher.Empty()) return -1;
    // One more byte than a known size, so that the end shows in one read.
    const std::size_t block = static_cast<std::size_t>(std::min<std::uint64_t>(sizeHint + 1, blockSize));
    const std::size_t capacity = kKeep + block;
    auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(capacity + kSlack);
    TMatchSearch search(matcher);
    std::uint64_t base = 0, next = 0;  // the buffer holds source bytes base.., next is the next anchor position
    std::size_t length = 0;
    for (;;) {
        std::size_t delivered = 0;
        const bool ok = read(buffer.get() + length, capacity - length, delivered);
        length += delivered;
        const bool atEnd = !ok || length < capacity;
        std::memset(buffer.get() + length, 0, kSlack);
        search.NoteLength(base + length);
        // Short of the end, positions whose pattern may still run past the
        // data wait for the next block.
        const std::uint64_t to = atEnd ? base + length : base + length - kLookahead;
        next = search.Scan(buffer.get(), base, length, next, to);
        if ((search.Found() && next >= search.BestEnd()) || atEnd) break;
        const std::uint64_t keepFrom = next - kLookahead;
        const std::size_t kept = static_cast<std::size_t>(base + length - keepFrom);
        std::memmove(buffer.get(), buffer.get() + (keepFrom - base), kept);
        base = keepFrom, length = kept;
    }
    return search.BestIndex();
}

std::int32_t FindFirstMatchInMemory(const TPatternMatcher& matcher, const std::uint8_t* data, std::size_t size,
                                    std::size_t blockSize)
{
    std::size_t offset = 0;
    return FindFirstMatch(
        matcher,
        [&](std::uint8_t* buffer, std::size_t capacity, std::size_t& delivered) {
            delivered = std::min(capacity, size - offset);
            if (delivered != 0) std::memcpy(buffer, data + offset, delivered);  // data may be null when size is 0
            offset += delivered;
            return true;
        },
        size, blockSize);
}

std::int32_t FindFirstMatchInFile(const TPatternMatcher& matcher, const std::string& path)
{
    if (matcher.Empty()) return -1;
    TFile file = TFile::Open(path, TFile::TAccess::ReadAllowDelete);
    std::uint64_t size = 0;
    if (!file.IsOpen() || !file.GetSize(size)) return -1;
    return FindFirstMatch(
        matcher,
        [&](std::uint8_t* buffer, std::size_t capacity, std::size_t& delivered) {
            return file.Read(buffer, capacity, delivered);
        },
        size, SSCAN_BLOCK_SIZE);
}
