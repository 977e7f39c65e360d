#include "signatures/qz_PE_MD5.h"

#include <cstring>

void DescramblePEMD5Record(std::uint8_t* record)
{
    DescrambleField<TDigestText>(record, offsetof(TPEMD5Signature, Digest));
    DescrambleField<TSignatureName>(record, offsetof(TPEMD5Signature, Name));
}

namespace {

void NothingToComplete(TPEMD5Signature&) {}

} // namespace

bool TPEMD5SignatureTable::LoadPEMD5Signatures(const std::string& path)
{
    return store_.Load(path, DescramblePEMD5Record, NothingToComplete);
}

bool TPEMD5SignatureTable::AppendPEMD5Signatures(const std::string& path)
{
    return store_.Append(path, DescramblePEMD5Record, NothingToComplete);
}
