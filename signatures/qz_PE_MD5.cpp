#include "signatures/qz_PE_MD5.h"

#include <cstring>

void DescramblePEMD5Record(std::uint8_t* record)
{
    DescrambleField<TDigestText>(record, offsetof(TPEMD5Signature, Digest));
    DescrambleField<TSignatureName>(record, offsetof(TPEMD5Signature, Name));
}

bool TPEMD5SignatureTable::LoadPEMD5Signatures(const std::string& path)
{
    return store_.LoadWith([&] { return ReadFile(path); });
}

bool TPEMD5SignatureTable::AppendPEMD5Signatures(const std::string& path)
{
    return ReadFile(path);
}

bool TPEMD5SignatureTable::ReadFile(const std::string& path)
{
    return ReadSignatureRecords(path, PEMD5_RECORD_SIZE, [this](std::uint8_t* record, bool isHeader) {
        const std::int32_t n = isHeader ? 0 : store_.CountOne();
        DescramblePEMD5Record(record);
        if (isHeader) return;
        TPEMD5Signature signature;
        std::memcpy(&signature, record, sizeof signature);
        store_.Store(n, signature);
    });
}
