// Any bytes as a pattern signature file, loaded then appended: no crash, no
// read outside the records, and every stored record as the loader promises.
#include <cstdlib>

#include "common/errors.h"
#include "fuzz/fuzz_file.h"
#include "signatures/qzs_scan.h"

namespace {

void CheckStored(const TPatternSignatureTable& table)
{
    if (table.StoredCount() > MAX_NB_SIG || table.StoredCount() > table.PatternSignatureCount()) std::abort();
    for (std::int32_t i = 0; i < table.StoredCount(); ++i) {
        const TPatternSignature& s = table.PatternSignatures()[i];
        if (s.Name.Len > 64 || s.Pattern.Len > 254 || s.PatternSize != s.Pattern.Len / 2) std::abort();
        for (int k = 0; k < s.PatternSize; ++k) CheckPatternPair(s.Pattern.Chars[2 * k], s.Pattern.Chars[2 * k + 1]);
    }
    table.ValidatePatternSignatures();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = WriteFuzzFile(data, size);
    TPatternSignatureTable table;
    try {
        if (table.LoadPatternSignatures(path)) table.AppendPatternSignatures(path);
    } catch (const TSignatureFormatError&) {
    }
    CheckStored(table);
    return 0;
}
