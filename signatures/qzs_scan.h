// Pattern signatures: the file format of SIG_MSN.DAT and SIG_MSN2.DAT, the
// in-memory table handed to the pattern scan engine, and its checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/short_string.h"
#include "signatures/record_file.h"

constexpr std::int32_t MAX_NB_SIG = 4500;
constexpr std::size_t PATTERN_RECORD_SIZE = 321;

// A pattern text: pairs of hex digits or wildcard pairs.
using TPatternText = TShortString<254>;

#pragma pack(push, 1)
// One pattern signature, exactly as the engine receives it.
struct TPatternSignature {
    TSignatureName Name;
    TPatternText Pattern;        // as in the file
    std::uint8_t PatternSize;    // pattern bytes: Pattern length div 2
};
#pragma pack(pop)
static_assert(sizeof(TPatternSignature) == PATTERN_RECORD_SIZE);
static_assert(offsetof(TPatternSignature, Name) == 0);
static_assert(offsetof(TPatternSignature, Pattern) == 65);
static_assert(offsetof(TPatternSignature, PatternSize) == 320);

// The least a record needs to pass ValidatePatternSignatures.
constexpr std::size_t MIN_NAME_LENGTH = 2;
constexpr std::size_t MIN_PATTERN_TEXT_LENGTH = 16;
constexpr std::size_t MIN_PATTERN_SIZE = 8;
// The longest pattern in bytes: two characters a byte.
constexpr std::size_t MAX_PATTERN_SIZE = TPatternText::CAPACITY / 2;

// Text of the format error for a pair that is not hexadecimal, with %s
// (Windows-1252).
extern const char* const INVALID_INTEGER_ERROR_TEXT;

// True when either character is "?", " " or ":".
bool IsWildcardPair(char first, char second);

// The byte value of a pair of hex digits (either case), or -1 when the pair
// is anything else.
int PatternPairValue(char first, char second);

// Descrambles one 321-byte file record in place; a length byte above its
// capacity raises TSignatureFormatError.
void DescramblePatternRecord(std::uint8_t* record);

// Passes a wildcard pair or two hex digits; anything else raises
// TSignatureFormatError with the text built from "$" and the pair.
void CheckPatternPair(char first, char second);

class TPatternSignatureTable {
public:
    // Allocates the table, resets the count and reads the file. False when
    // the file does not open or a read fails; the table is then released.
    bool LoadPatternSignatures(const std::string& path);
    // Reads a further file after the records already there. Same result
    // rule; never allocates nor releases. Only after a successful load.
    bool AppendPatternSignatures(const std::string& path);
    // False at the first stored record with a name, a pattern text or a
    // PatternSize under the least above.
    bool ValidatePatternSignatures() const;

    // Record 1, or null when the table is absent.
    const TPatternSignature* PatternSignatures() const { return store_.Records(); }
    std::int32_t PatternSignatureCount() const { return store_.Count(); }
    std::int32_t StoredCount() const { return store_.Stored(); }

private:
    TSignatureStore<TPatternSignature, MAX_NB_SIG> store_;
};
