// Any bytes as a fingerprint signature file, loaded then appended: no crash,
// no read outside the records, lengths within their capacities.
#include <cstdlib>

#include "common/errors.h"
#include "fuzz/fuzz_file.h"
#include "signatures/qz_PE_MD5.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = WriteFuzzFile(data, size);
    TPEMD5SignatureTable table;
    try {
        if (table.LoadPEMD5Signatures(path)) table.AppendPEMD5Signatures(path);
    } catch (const TSignatureFormatError&) {
    }
    if (table.StoredCount() > MAX_NB_SIG_PEMD || table.StoredCount() > table.PEMD5SignatureCount()) std::abort();
    for (std::int32_t i = 0; i < table.StoredCount(); ++i) {
        const TPEMD5Signature& s = table.PEMD5Signatures()[i];
        if (s.Digest.Len > 33 || s.Name.Len > 64) std::abort();
    }
    return 0;
}
