#include "signatures/signature_writer.h"

#include <cstdio>
#include <memory>

#include "signatures/qz_PE_MD5.h"
#include "signatures/qzs_scan.h"

namespace {

void PutScrambled(std::vector<std::uint8_t>& record, std::size_t at, std::size_t capacity, std::string_view text)
{
    const std::size_t n = text.size() < capacity ? text.size() : capacity;
    record[at] = static_cast<std::uint8_t>(n);
    for (std::size_t i = 0; i < n; ++i)
        record[at + 1 + i] = static_cast<std::uint8_t>(text[i]) ^ SIGNATURE_XOR_KEY;
}

constexpr std::string_view kHeaderText = "Purvane signatures";

} // namespace

std::vector<std::uint8_t> EncodePatternRecord(std::string_view name, std::string_view pattern)
{
    std::vector<std::uint8_t> record(PATTERN_RECORD_SIZE, 0);
    PutScrambled(record, offsetof(TPatternSignature, Name), TSignatureName::CAPACITY, name);
    PutScrambled(record, offsetof(TPatternSignature, Pattern), TPatternText::CAPACITY, pattern);
    return record;
}

std::vector<std::uint8_t> EncodePEMD5Record(std::int32_t sectionSize, std::string_view digest, std::string_view name)
{
    std::vector<std::uint8_t> record(PEMD5_RECORD_SIZE, 0);
    const auto size = static_cast<std::uint32_t>(sectionSize);
    for (int i = 0; i < 4; ++i) record[i] = static_cast<std::uint8_t>(size >> (8 * i));
    PutScrambled(record, offsetof(TPEMD5Signature, Digest), TDigestText::CAPACITY, digest);
    PutScrambled(record, offsetof(TPEMD5Signature, Name), TSignatureName::CAPACITY, name);
    return record;
}

std::vector<std::uint8_t> EncodePatternHeader() { return EncodePatternRecord(kHeaderText, ""); }
std::vector<std::uint8_t> EncodePEMD5Header() { return EncodePEMD5Record(0, "", kHeaderText); }

void AppendRecord(std::vector<std::uint8_t>& file, const std::vector<std::uint8_t>& record)
{
    file.insert(file.end(), record.begin(), record.end());
}

bool WriteBytesToFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!f) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return false;
    return std::fclose(f.release()) == 0;
}
