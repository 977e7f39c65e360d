// The pattern matcher of the engine library: a compile step that turns the
// signature records into an immutable structure, and a scan step that runs
// it over a source of bytes read block by block.
//
// Example: the pattern text "4D5A??0050450000A1B2C3" gives the bytes
// 4D 5A ?? 00 50 45 00 00 A1 B2 C3: value 4D 5A 00 00 50 45 00 00 A1 B2 C3
// under the mask FF FF 00 FF FF FF FF FF FF FF FF. Its fixed run 00 50 45 00
// 00 A1 B2 C3 (offset 3, eight bytes) holds seven-byte windows; the one made
// of bytes least common in executables, 50 45 00 00 A1 B2 C3 (offset 4), is
// kept, and its four windows of four bytes (50450000 at offset 4, 450000A1
// at 5, 0000A1B2 at 6, 00A1B2C3 at 7) become anchors. Wherever the pattern
// occurs, one of the four sits at a position divisible by four, so the scan
// hashes the four bytes at every fourth position only, tests the hash's
// entry in a filter of 2^20 one-byte flags (a plain load, where a bit would
// cost a variable shift in the hot loop), and where it is set looks in the
// hash's bucket for anchors equal to those bytes, then compares the whole
// pattern under its mask from the anchor's position less its offset, eight
// bytes at a time. Two rounds of four positions are tested from one load.
//
// A pattern whose longest fixed run has three to six bytes gets the two
// two-byte windows of its rarest three-byte run as anchors, tested at every
// second position against a direct filter of 2^16 flags; with a run of two,
// that pair, tested at every position against another; with single fixed
// bytes only, its rarest byte, in a pass of its own. A filter is tested only
// when it holds anchors. A pattern of wildcards only matches at offset 0 of
// any source at least as long as itself. A pattern of size 0, or whose
// record is malformed (a pair that is neither hex nor a wildcard, a size
// above its text), never matches.
//
// The winner is the match that ends earliest in the source, and among those
// the lowest table index. A match found ending at E is decided once every
// position below E has been scanned, since any match ending earlier has an
// anchor there; the scan stops reading at that moment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "signatures/qzs_scan.h"

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
        std::uint64_t Value[MAX_PATTERN_SIZE / 8 + 1];
        std::uint64_t Mask[MAX_PATTERN_SIZE / 8 + 1];
        std::uint32_t Size;
        std::int32_t Index;  // the record's position in the table, from 0
    };
    struct TAnchor {
        std::uint32_t Bytes;    // the anchor's bytes, little-endian
        std::uint32_t Pattern;  // into patterns_
        std::uint32_t Offset;   // of the anchor in the pattern
    };
    // Four-byte anchors: a filter of one flag per hash, and the anchors in
    // buckets by hash.
    struct THashedAnchors {
        std::vector<std::uint8_t> Filter;
        std::vector<std::uint32_t> BucketStart;  // bucket b holds Anchors[BucketStart[b] .. BucketStart[b+1])
        std::vector<TAnchor> Anchors;
        void Build(const std::vector<TAnchor>& anchors);
        std::size_t MemoryUsed() const;
    };
    // Two- and one-byte anchors: a direct filter and the anchors sorted.
    struct TShortAnchors {
        std::vector<std::uint8_t> Filter;
        std::vector<TAnchor> Anchors;
        void Build(std::vector<TAnchor> anchors, std::size_t values);
        std::size_t MemoryUsed() const;
    };

    struct TAnchorLists {
        std::vector<TAnchor> Fours, AlternatePairs, Pairs, Bytes;
    };
    void Add(const TCompiled& pattern, const std::uint8_t* fixed, TAnchorLists& lists);

    const TPatternSignature* table_;
    std::vector<TCompiled> patterns_;
    THashedAnchors fourAnchors_;       // tested at every fourth position
    TShortAnchors alternatePairs_;     // tested at every second position
    TShortAnchors pairAnchors_;        // tested at every position
    TShortAnchors byteAnchors_;
    std::uint32_t wildSize_ = 0;  // the winning wildcard-only pattern, if any
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
