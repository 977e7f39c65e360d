#include "tests/pe/pe_test_support.h"

#include <algorithm>
#include <memory>

#include "pe/MD5.h"
#include "pe/qz_scan_PEMD5.h"
#include "signatures/signature_writer.h"

void Put16(std::vector<std::uint8_t>& bytes, std::size_t off, std::uint16_t value)
{
    if (bytes.size() < off + 2) bytes.resize(off + 2);
    bytes[off] = static_cast<std::uint8_t>(value);
    bytes[off + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t off, std::uint32_t value)
{
    Put16(bytes, off, static_cast<std::uint16_t>(value));
    Put16(bytes, off + 2, static_cast<std::uint16_t>(value >> 16));
}

std::vector<std::uint8_t> BuildPE(const TTestImage& image)
{
    std::size_t size = image.FileSize;
    if (size == 0) {
        size = TEST_SECTION_TABLE + SECTION_HEADER_SIZE * image.Sections.size();
        for (const TTestSection& s : image.Sections) size = std::max<std::size_t>(size, std::size_t{s.PointerToRawData} + s.SizeOfRawData);
    }
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t seed = 0x12345678;
    for (std::uint8_t& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
    }
    std::vector<std::uint8_t> headers;
    Put16(headers, 0, DOS_MAGIC);
    Put32(headers, E_LFANEW_OFFSET, TEST_LFANEW);
    Put32(headers, TEST_LFANEW, PE_SIGNATURE);
    Put16(headers, TEST_LFANEW + 6, static_cast<std::uint16_t>(image.Sections.size()));
    Put32(headers, TEST_LFANEW + 60, image.FileAlignment);
    for (std::size_t i = 0; i < image.Sections.size(); ++i) {
        const TTestSection& s = image.Sections[i];
        const std::size_t at = TEST_SECTION_TABLE + SECTION_HEADER_SIZE * i;
        headers.resize(std::max(headers.size(), at + SECTION_HEADER_SIZE));
        std::copy_n(s.Name.begin(), std::min<std::size_t>(s.Name.size(), 8), headers.begin() + static_cast<std::ptrdiff_t>(at));
        Put32(headers, at + 16, s.SizeOfRawData);
        Put32(headers, at + 20, s.PointerToRawData);
        Put32(headers, at + 36, s.Characteristics);
    }
    // The header bytes the images define overwrite the filler, as far as the file reaches.
    std::copy_n(headers.begin(), std::min(headers.size(), bytes.size()), bytes.begin());
    return bytes;
}

std::string DigestOfRange(const std::vector<std::uint8_t>& file, std::size_t off, std::size_t count)
{
    std::vector<std::uint8_t> bytes(count, 0);
    for (std::size_t i = 0; i < count && off + i < file.size(); ++i) bytes[i] = file[off + i];
    return MD5HexDigest(bytes.data(), bytes.size());
}

std::unique_ptr<TPEMD5SignatureTable> LoadTable(const std::string& path, const std::vector<TTestRecord>& records)
{
    std::vector<std::uint8_t> file = EncodePEMD5Header();
    for (const TTestRecord& r : records) AppendRecord(file, EncodePEMD5Record(r.SectionSize, r.Digest, r.Name));
    auto table = std::make_unique<TPEMD5SignatureTable>();
    if (!WriteBytesToFile(path, file) || !table->LoadPEMD5Signatures(path)) return nullptr;
    return table;
}

std::string FingerprintText(int section, TFingerprintKind kind, std::uint32_t key, const std::string& digest)
{
    return std::to_string(section) + (kind == TFingerprintKind::Raw ? " raw " : " aligned ") + std::to_string(key) + " " + digest;
}

std::vector<std::string> FingerprintsOf(const std::string& path)
{
    std::vector<std::string> out;
    ForEachPEFingerprint(path, [](std::uint32_t) { return true; },
                         [&](const TPEFingerprint& f) { out.push_back(FingerprintText(f.SectionIndex, f.Kind, f.Key, f.Digest)); });
    return out;
}

namespace {

std::uint32_t Field32(const std::vector<std::uint8_t>& file, std::size_t off)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        if (off + i < file.size()) v |= std::uint32_t{file[off + i]} << (8 * i);
    return v;
}

} // namespace

std::vector<std::string> ReferenceFingerprints(const std::vector<std::uint8_t>& file)
{
    const std::size_t lfanew = Field32(file, E_LFANEW_OFFSET);
    const std::uint32_t count = Field32(file, lfanew + 6) & 0xFFFF, alignment = Field32(file, lfanew + 60);
    std::vector<std::string> out;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t h = lfanew + NT_HEADERS_SIZE + SECTION_HEADER_SIZE * i;
        if ((Field32(file, h + 16) | Field32(file, h + 20)) & 0x80000000u) return {};
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t h = lfanew + NT_HEADERS_SIZE + SECTION_HEADER_SIZE * i;
        const std::uint32_t size = Field32(file, h + 16), pointer = Field32(file, h + 20);
        if (!(Field32(file, h + 36) & (0x20u | 0x20000000u)) || size >= 4194304) continue;
        out.push_back(FingerprintText(int(i), TFingerprintKind::Raw, size, DigestOfRange(file, pointer, size)));
        if (alignment == 0 || size == 0) continue;
        const std::uint64_t aligned = (std::uint64_t{size} + alignment - 1) / alignment * alignment;
        if (aligned == size || file.empty() || file.size() > 1048576 || pointer >= file.size() || pointer + aligned > file.size()) continue;
        out.push_back(FingerprintText(int(i), TFingerprintKind::Aligned, std::uint32_t(aligned), DigestOfRange(file, pointer, aligned)));
    }
    return out;
}

