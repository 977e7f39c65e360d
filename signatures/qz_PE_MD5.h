// PE fingerprint signatures: the file format of mdpe_msn.dat and
// mdpe_msn2.dat and the in-memory table that the fingerprint check searches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/short_string.h"
#include "signatures/record_file.h"

// A digest's text: 32 upper-case hex digits when usable.
using TDigestText = TShortString<33>;

#pragma pack(push, 1)
// One fingerprint record, in the file's layout with its texts descrambled.
struct TPEMD5Signature {
    std::int32_t SectionSize;  // bytes the digest covers, little-endian as stored
    TDigestText Digest;
    TSignatureName Name;
    std::uint8_t Reserved;
};
#pragma pack(pop)
constexpr std::size_t PEMD5_RECORD_SIZE = 104;
static_assert(sizeof(TPEMD5Signature) == PEMD5_RECORD_SIZE);
static_assert(offsetof(TPEMD5Signature, SectionSize) == 0);
static_assert(offsetof(TPEMD5Signature, Digest) == 4);
static_assert(offsetof(TPEMD5Signature, Name) == 38);
static_assert(offsetof(TPEMD5Signature, Reserved) == 103);

// Descrambles one 104-byte record in place; a length byte above its capacity
// raises TSignatureFormatError.
void DescramblePEMD5Record(std::uint8_t* record);

// The table's capacity: records past it are counted, not stored.
constexpr std::int32_t MAX_NB_SIG_PEMD = 260000;

class TPEMD5SignatureTable {
public:
    // Allocates the table, resets the count and reads the file. False when
    // the file does not open or a read fails; the table is then released.
    bool LoadPEMD5Signatures(const std::string& path);
    // Reads a further file after the records already there. Same result
    // rule; never allocates nor releases. Only after a successful load.
    bool AppendPEMD5Signatures(const std::string& path);

    // Record 1, or null when the table is absent.
    const TPEMD5Signature* PEMD5Signatures() const { return store_.Records(); }
    std::int32_t PEMD5SignatureCount() const { return store_.Count(); }
    // Records 1..StoredCount() are held; a search reads no other position.
    std::int32_t StoredCount() const { return store_.Stored(); }

private:
    TSignatureStore<TPEMD5Signature, MAX_NB_SIG_PEMD> store_;
};
