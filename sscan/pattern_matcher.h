// The pattern matcher of the engine library: a compile step that turns the
// signature records into an immutable structure, and a scan step that runs
// it over a source of bytes read block by block.
//
// Example: the pattern text "4D5A??0050450000" gives the bytes
// 4D 5A ?? 00 50 45 00 00: value 4D 5A 00 00 50 45 00 00 under the mask
// FF FF 00 FF FF FF FF FF. Its windows of four fixed bytes are 00 50 45 00
// (offset 3) and 50 45 00 00 (offset 4); both hold bytes common in
// executables (zeros), they tie and the first becomes the anchor. A hash of
// the anchor sets one bit of a filter of 2^20 bits; the scan hashes the four
// bytes at every position of the source and, where the bit is set, looks in
// the anchor's bucket for patterns whose anchor equals those bytes, then
// compares the whole pattern under its mask from position - 3, eight bytes
// at a time.
//
// Patterns with no four fixed bytes in a row are anchored on their rarest
// fixed byte instead and looked for in a second pass that exists only when
// such patterns do; a pattern of wildcards only matches at offset 0 of any
// source at least as long as itself. A pattern of size 0, or whose record
// is malformed (a pair that is neither hex nor a wildcard, a size above its
// text), never matches.
//
// The winner is the match that ends earliest in the source, and among those
// the lowest table index. A match found ending at E is decided once every
// position below E has been scanned, since any match ending earlier has its
// anchor there; the scan stops reading at that moment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "signatures/qzs_scan.h"

// Longest pattern in bytes: a pattern text holds at most 254 characters.
constexpr std::size_t MAX_PATTERN_BYTES = 127;
// Files are read in blocks of this size.
constexpr std::size_t SSCAN_BLOCK_SIZE = 256 * 1024;

class TPatternMatcher {
public:
    // Compiles records 0..count-1 (at most MAX_NB_SIG) of table; a null
    // table or a count of 0 or less compiles to a matcher that finds nothing.
    // The table must stay at its address, unchanged, while the matcher lives.
    TPatternMatcher(const TPatternSignature* table, std::int32_t count);

    bool Empty() const { return patterns_.empty() && wildIndex_ < 0; }
    const TPatternSignature* Table() const { return table_; }
    // Bytes held by the compiled structure.
    std::size_t MemoryUsed() const;

private:
    friend class TMatchSearch;

    struct TCompiled {
        std::uint64_t Value[MAX_PATTERN_BYTES / 8 + 1];
        std::uint64_t Mask[MAX_PATTERN_BYTES / 8 + 1];
        std::uint32_t Size;
        std::uint32_t AnchorOffset;
        std::int32_t Index;  // the record's position in the table, from 0
    };
    struct TAnchor {
        std::uint32_t Bytes;    // the anchor's four bytes (or one, for short anchors)
        std::uint32_t Pattern;  // into patterns_
    };

    void Add(const TCompiled& pattern, const std::uint8_t* fixed);
    void BuildBuckets(std::vector<TAnchor>& anchors);

    const TPatternSignature* table_;
    std::vector<TCompiled> patterns_;
    std::vector<std::uint64_t> filter_;         // one bit per anchor hash
    std::vector<std::uint32_t> bucketStart_;    // bucket b holds anchors_[bucketStart_[b] .. bucketStart_[b+1])
    std::vector<TAnchor> anchors_;
    std::vector<std::uint8_t> shortByByte_;     // 1 where some short anchor is that byte
    std::vector<TAnchor> shortAnchors_;         // sorted by byte
    std::uint32_t wildSize_ = 0;                // the winning wildcard-only pattern, if any
    std::int32_t wildIndex_ = -1;
};

// Reads the next block of a source into buffer: false on a read error;
// delivered below capacity only at the end of the source.
using TBlockReader = std::function<bool(std::uint8_t* buffer, std::size_t capacity, std::size_t& delivered)>;

// Runs the matcher over a source read in blocks of about blockSize bytes
// (sizeHint, the source's size when known, keeps the buffer no larger than
// needed). Returns the table index of the winning signature, or -1. A read
// error ends the source where it stands.
std::int32_t FindFirstMatch(const TPatternMatcher& matcher, const TBlockReader& read, std::uint64_t sizeHint,
                            std::size_t blockSize);

// The same over bytes in memory.
std::int32_t FindFirstMatchInMemory(const TPatternMatcher& matcher, const std::uint8_t* data, std::size_t size,
                                    std::size_t blockSize = SSCAN_BLOCK_SIZE);

// The same over a file, opened so that others may still read, write and
// delete it. -1 also when the file does not open.
std::int32_t FindFirstMatchInFile(const TPatternMatcher& matcher, const std::string& path);
