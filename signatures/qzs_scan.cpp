#include "signatures/qzs_scan.h"

#include <cstring>

#include "common/errors.h"
#include "common/text.h"

const char* const INVALID_INTEGER_ERROR_TEXT = "'%s' n'est pas une valeur enti\xE8re correcte";

namespace {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

int PatternPairValue(char first, char second)
{
    const int high = HexDigitValue(first), low = HexDigitValue(second);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

bool IsWildcardPair(char first, char second)
{
    auto wild = [](char c) { return c == '?' || c == ' ' || c == ':'; };
    return wild(first) || wild(second);
}

void DescramblePatternRecord(std::uint8_t* record)
{
    DescrambleField<TSignatureName>(record, offsetof(TPatternSignature, Name));
    DescrambleField<TPatternText>(record, offsetof(TPatternSignature, Pattern));
}

void CheckPatternPair(char first, char second)
{
    if (IsWildcardPair(first, second)) return;
    if (PatternPairValue(first, second) >= 0) return;
    const char text[3] = {'$', first, second};
    throw TSignatureFormatError(FormatMessage1(INVALID_INTEGER_ERROR_TEXT, std::string_view(text, 3)));
}

namespace {

// The pattern size follows from the text; every pair it covers is checked.
void CompletePatternRecord(TPatternSignature& signature)
{
    signature.PatternSize = static_cast<std::uint8_t>(signature.Pattern.Len / 2);
    for (std::size_t k = 0; k < signature.PatternSize; ++k)
        CheckPatternPair(signature.Pattern.Chars[2 * k], signature.Pattern.Chars[2 * k + 1]);
}

} // namespace

bool TPatternSignatureTable::LoadPatternSignatures(const std::string& path)
{
    return store_.Load(path, DescramblePatternRecord, CompletePatternRecord);
}

bool TPatternSignatureTable::AppendPatternSignatures(const std::string& path)
{
    return store_.Append(path, DescramblePatternRecord, CompletePatternRecord);
}

bool TPatternSignatureTable::ValidatePatternSignatures() const
{
    const TPatternSignature* records = store_.Records();
    for (std::int32_t i = 0; i < store_.Stored(); ++i) {
        const TPatternSignature& s = records[i];
        if (s.Name.Len < MIN_NAME_LENGTH || s.Pattern.Len < MIN_PATTERN_TEXT_LENGTH || s.PatternSize < MIN_PATTERN_SIZE)
            return false;
    }
    return true;
}
