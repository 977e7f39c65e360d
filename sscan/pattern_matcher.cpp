#include "sscan/pattern_matcher.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "common/file.h"

namespace {

constexpr int kFilterBits = 20;
constexpr int kBucketBits = 16;
constexpr std::size_t kAnchorLength = 4;
// Bytes kept before the next position to scan when the buffer slides, and
// bytes readable past the data (verification reads whole 8-byte words).
constexpr std::size_t kKeep = 2 * (MAX_PATTERN_BYTES + 1);
constexpr std::size_t kSlack = MAX_PATTERN_BYTES + 1 + 8;

std::uint32_t Load32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint64_t Load64(const std::uint8_t* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint32_t AnchorHash(std::uint32_t bytes) { return (bytes * 0x9E3779B1u) >> (32 - kFilterBits); }
std::uint32_t BucketOf(std::uint32_t hash) { return hash >> (kFilterBits - kBucketBits); }

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

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

int WindowScore(const std::uint8_t* bytes, std::size_t length)
{
    int score = 0;
    bool allSame = true;
    for (std::size_t i = 0; i < length; ++i) {
        score += Commonness(bytes[i]);
        allSame = allSame && bytes[i] == bytes[0];
    }
    return allSame && length > 1 ? score + 8 : score;  // runs of one byte fill padding
}

} // namespace

// --- Compile ---------------------------------------------------------------

TPatternMatcher::TPatternMatcher(const TPatternSignature* table, std::int32_t count) : table_(table)
{
    if (!table || count <= 0) return;
    count = std::min(count, MAX_NB_SIG);
    std::vector<TAnchor> anchors;
    for (std::int32_t index = 0; index < count; ++index) {
        const TPatternSignature& record = table[index];
        const std::uint32_t size = record.PatternSize;
        if (size == 0 || size > MAX_PATTERN_BYTES || record.Pattern.Len > 254 || size > record.Pattern.Len / 2u)
            continue;
        TCompiled pattern{};
        pattern.Size = size;
        pattern.Index = index;
        std::uint8_t value[MAX_PATTERN_BYTES] = {}, fixed[MAX_PATTERN_BYTES] = {};
        bool malformed = false;
        for (std::uint32_t k = 0; k < size && !malformed; ++k) {
            const char hi = record.Pattern.Chars[2 * k], lo = record.Pattern.Chars[2 * k + 1];
            if (IsWildcardPair(hi, lo)) continue;
            const int h = HexValue(hi), l = HexValue(lo);
            malformed = h < 0 || l < 0;
            value[k] = static_cast<std::uint8_t>(h * 16 + l);
            fixed[k] = 1;
        }
        if (malformed) continue;
        for (std::uint32_t k = 0; k < size; ++k) {
            reinterpret_cast<std::uint8_t*>(pattern.Value)[k] = value[k];
            reinterpret_cast<std::uint8_t*>(pattern.Mask)[k] = fixed[k] ? 0xFF : 0x00;
        }
        Add(pattern, fixed);
    }
    for (std::size_t i = 0; i < patterns_.size(); ++i) {
        // Anchors were chosen in Add; gather them.
        const TCompiled& p = patterns_[i];
        const auto* v = reinterpret_cast<const std::uint8_t*>(p.Value);
        const auto* m = reinterpret_cast<const std::uint8_t*>(p.Mask);
        const bool fourFixed = p.AnchorOffset + kAnchorLength <= p.Size &&
                               Load32(m + p.AnchorOffset) == 0xFFFFFFFFu;
        if (fourFixed)
            anchors.push_back({Load32(v + p.AnchorOffset), static_cast<std::uint32_t>(i)});
        else
            shortAnchors_.push_back({v[p.AnchorOffset], static_cast<std::uint32_t>(i)});
    }
    BuildBuckets(anchors);
}

// Chooses the pattern's anchor: the window of four fixed bytes made of the
// rarest bytes, else its rarest fixed byte. A pattern without a fixed byte
// only competes as a wildcard-only pattern.
void TPatternMatcher::Add(const TCompiled& pattern, const std::uint8_t* fixed)
{
    const auto* value = reinterpret_cast<const std::uint8_t*>(pattern.Value);
    int best = std::numeric_limits<int>::max();
    std::uint32_t bestOffset = 0;
    for (std::uint32_t k = 0; k + kAnchorLength <= pattern.Size; ++k) {
        if (!(fixed[k] && fixed[k + 1] && fixed[k + 2] && fixed[k + 3])) continue;
        const int score = WindowScore(value + k, kAnchorLength);
        if (score < best) best = score, bestOffset = k;
    }
    if (best == std::numeric_limits<int>::max()) {
        for (std::uint32_t k = 0; k < pattern.Size; ++k) {
            if (!fixed[k]) continue;
            const int score = Commonness(value[k]);
            if (score < best) best = score, bestOffset = k;
        }
    }
    if (best == std::numeric_limits<int>::max()) {
        if (wildIndex_ < 0 || pattern.Size < wildSize_) wildSize_ = pattern.Size, wildIndex_ = pattern.Index;
        return;
    }
    TCompiled anchored = pattern;
    anchored.AnchorOffset = bestOffset;
    patterns_.push_back(anchored);
}

void TPatternMatcher::BuildBuckets(std::vector<TAnchor>& anchors)
{
    filter_.assign((std::size_t{1} << kFilterBits) / 64, 0);
    bucketStart_.assign((std::size_t{1} << kBucketBits) + 1, 0);
    for (const TAnchor& a : anchors) {
        const std::uint32_t h = AnchorHash(a.Bytes);
        filter_[h / 64] |= std::uint64_t{1} << (h % 64);
        ++bucketStart_[BucketOf(h) + 1];
    }
    for (std::size_t b = 1; b < bucketStart_.size(); ++b) bucketStart_[b] += bucketStart_[b - 1];
    anchors_.resize(anchors.size());
    std::vector<std::uint32_t> next(bucketStart_.begin(), bucketStart_.end() - 1);
    for (const TAnchor& a : anchors) anchors_[next[BucketOf(AnchorHash(a.Bytes))]++] = a;

    shortByByte_.assign(256, 0);
    std::sort(shortAnchors_.begin(), shortAnchors_.end(),
              [](const TAnchor& a, const TAnchor& b) { return a.Bytes < b.Bytes; });
    for (const TAnchor& a : shortAnchors_) shortByByte_[a.Bytes] = 1;
}

std::size_t TPatternMatcher::MemoryUsed() const
{
    return sizeof *this + patterns_.capacity() * sizeof(TCompiled) + filter_.capacity() * sizeof(std::uint64_t) +
           bucketStart_.capacity() * sizeof(std::uint32_t) + anchors_.capacity() * sizeof(TAnchor) +
           shortByByte_.capacity() + shortAnchors_.capacity() * sizeof(TAnchor);
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

    // Scans anchor positions from..to-1 of a window holding source bytes
    // base..base+length-1 at data (with kSlack readable bytes after it), and
    // stops early at the end of the best match. Returns the position reached.
    std::uint64_t Scan(const std::uint8_t* data, std::uint64_t base, std::size_t length, std::uint64_t from,
                       std::uint64_t to)
    {
        data_ = data, base_ = base, end_ = base + length;
        const std::uint64_t stopAnchors = std::min(to, end_ >= kAnchorLength ? end_ - kAnchorLength + 1 : 0);
        ScanAnchors(from, stopAnchors);
        if (!m_.shortAnchors_.empty()) ScanShortAnchors(from, std::min(to, end_));
        return std::max(from, std::min(to, BestEnd()));
    }

    bool Found() const { return bestIndex_ >= 0; }
    std::uint64_t BestEnd() const { return bestEnd_; }
    std::int32_t BestIndex() const { return bestIndex_; }

private:
    void Offer(std::uint64_t end, std::int32_t index)
    {
        if (end < bestEnd_ || (end == bestEnd_ && index < bestIndex_)) bestEnd_ = end, bestIndex_ = index;
    }

    void ScanAnchors(std::uint64_t from, std::uint64_t to)
    {
        const std::uint64_t* filter = m_.filter_.data();
        std::uint64_t stop = std::min(to, bestEnd_);
        for (std::uint64_t p = from; p < stop; ++p) {
            const std::uint32_t bytes = Load32(data_ + (p - base_));
            const std::uint32_t h = AnchorHash(bytes);
            if (!(filter[h / 64] & (std::uint64_t{1} << (h % 64)))) continue;
            const std::uint32_t bucket = BucketOf(h);
            for (std::uint32_t i = m_.bucketStart_[bucket]; i < m_.bucketStart_[bucket + 1]; ++i)
                if (m_.anchors_[i].Bytes == bytes) Verify(m_.patterns_[m_.anchors_[i].Pattern], p);
            stop = std::min(to, bestEnd_);
        }
    }

    void ScanShortAnchors(std::uint64_t from, std::uint64_t to)
    {
        const auto& list = m_.shortAnchors_;
        for (std::uint64_t p = from; p < std::min(to, bestEnd_); ++p) {
            const std::uint8_t b = data_[p - base_];
            if (!m_.shortByByte_[b]) continue;
            auto it = std::lower_bound(list.begin(), list.end(), b,
                                       [](const TPatternMatcher::TAnchor& a, std::uint32_t v) { return a.Bytes < v; });
            for (; it != list.end() && it->Bytes == b; ++it) Verify(m_.patterns_[it->Pattern], p);
        }
    }

    // Compares the pattern whose anchor sits at source position p.
    void Verify(const TPatternMatcher::TCompiled& c, std::uint64_t p)
    {
        if (p < c.AnchorOffset) return;  // it would start before the source
        const std::uint64_t start = p - c.AnchorOffset;
        if (start < base_) return;  // never: the window keeps a pattern's length before p
        if (c.Size > end_ - start) return;  // it would run past the data
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
        const std::uint64_t to = atEnd ? base + length : base + length - (MAX_PATTERN_BYTES + 1);
        next = search.Scan(buffer.get(), base, length, next, to);
        if ((search.Found() && next >= search.BestEnd()) || atEnd) break;
        const std::uint64_t keepFrom = next - (MAX_PATTERN_BYTES + 1);
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
            std::memcpy(buffer, data + offset, delivered);
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
