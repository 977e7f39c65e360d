#include "signatures/record_file.h"

#include "common/errors.h"

const char* const RANGE_CHECK_ERROR_TEXT = "Erreur de v\xE9rification d'\xE9tendue";

void DescrambleShortString(std::uint8_t* record, std::size_t at, std::size_t capacity)
{
    const std::uint8_t length = record[at];
    if (length > capacity) throw TSignatureFormatError(RANGE_CHECK_ERROR_TEXT);
    for (std::size_t i = 1; i <= length; ++i) record[at + i] ^= SIGNATURE_XOR_KEY;
}
