// make-samples: writes the harmless test samples that the shipped test
// signature set detects. Nothing here is malware: each sample is a tiny
// 32-bit Windows program whose entry point returns 0 at once, carrying a
// marker text and a few bytes of its own so that each has distinct
// signatures; eicar.com is the standard anti-virus test file.
//
// Sample n (1 to kSampleCount) is PURVANE_TEST_SAMPLE_nnn.exe:
//   0x000  DOS header, e_lfanew = 0x40
//   0x040  NT headers (PE32), two sections, file alignment 0x200
//   0x200  .text, 0x200 bytes: 55 89E5 B8<n> 35<key> 31C0 5D C3, then 64
//          filler bytes drawn from n, then zeros
//   0x400  .data, 0x200 bytes: "PURVANE-TEST-SAMPLE-nnn: ..." then zeros
// Its pattern signatures are the marker with wildcards for the dashes, and
// the code with the key wildcarded; its fingerprint is the MD5 of .text.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pe/PE.h"
#include "signatures/signature_writer.h"
#include "tools/sigtool/commands.h"

namespace {

constexpr int kSampleCount = 60;
constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kTextAt = 0x200;
constexpr std::uint32_t kDataAt = 0x400;
constexpr std::uint32_t kSectionSize = 0x200;

const char kEicar[] = "X5O!P%@AP[4\\PZX54(P^)7CC)7}$EICAR-STANDARD-ANTIVIRUS-TEST-FILE!$H+H*";

class TImage {
public:
    explicit TImage(std::size_t size) : bytes_(size, 0) {}
    void Put8(std::size_t at, std::uint8_t v) { bytes_.at(at) = v; }
    void Put16(std::size_t at, std::uint16_t v) { for (int i = 0; i < 2; ++i) Put8(at + i, static_cast<std::uint8_t>(v >> (8 * i))); }
    void Put32(std::size_t at, std::uint32_t v) { for (int i = 0; i < 4; ++i) Put8(at + i, static_cast<std::uint8_t>(v >> (8 * i))); }
    void PutText(std::size_t at, const std::string& s) { for (std::size_t i = 0; i < s.size(); ++i) Put8(at + i, static_cast<std::uint8_t>(s[i])); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// A small deterministic generator, so samples are the same on every machine.
std::uint32_t NextRandom(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

void PutSection(TImage& image, std::size_t header, const char* name, std::uint32_t rva, std::uint32_t fileAt,
                std::uint32_t characteristics)
{
    image.PutText(header, name);
    image.Put32(header + 8, kSectionSize);   // VirtualSize
    image.Put32(header + 12, rva);           // VirtualAddress
    image.Put32(header + 16, kSectionSize);  // SizeOfRawData
    image.Put32(header + 20, fileAt);        // PointerToRawData
    image.Put32(header + 36, characteristics);
}

void PutHeaders(TImage& image)
{
    const std::size_t nt = DOS_HEADER_SIZE, opt = nt + OPTIONAL_HEADER_OFFSET;
    image.Put16(0, DOS_MAGIC);
    image.Put32(E_LFANEW_OFFSET, nt);
    image.Put32(nt, PE_SIGNATURE);
    image.Put16(nt + 4, 0x014C);  // i386
    image.Put16(nt + 6, 2);       // NumberOfSections
    image.Put16(nt + 20, static_cast<std::uint16_t>(NT_HEADERS_SIZE - OPTIONAL_HEADER_OFFSET));  // SizeOfOptionalHeader
    image.Put16(nt + 22, 0x0103); // relocations stripped, executable, 32-bit
    image.Put16(opt, 0x010B);     // PE32
    image.Put32(opt + 4, kSectionSize);   // SizeOfCode
    image.Put32(opt + 8, kSectionSize);   // SizeOfInitializedData
    image.Put32(opt + 16, 0x1000);        // AddressOfEntryPoint
    image.Put32(opt + 20, 0x1000);        // BaseOfCode
    image.Put32(opt + 24, 0x2000);        // BaseOfData
    image.Put32(opt + 28, 0x00400000);    // ImageBase
    image.Put32(opt + 32, 0x1000);        // SectionAlignment
    image.Put32(opt + 36, kFileAlignment);
    image.Put16(opt + 40, 5);             // MajorOperatingSystemVersion
    image.Put16(opt + 48, 5);             // MajorSubsystemVersion
    image.Put32(opt + 56, 0x3000);        // SizeOfImage
    image.Put32(opt + 60, 0x200);         // SizeOfHeaders
    image.Put16(opt + 68, 2);             // Windows GUI: no console window
    image.Put16(opt + 70, 0x0100);        // NX compatible
    image.Put32(opt + 72, 0x100000);      // stack reserve
    image.Put32(opt + 76, 0x1000);        // stack commit
    image.Put32(opt + 80, 0x100000);      // heap reserve
    image.Put32(opt + 84, 0x1000);        // heap commit
    image.Put32(opt + 92, 16);            // NumberOfRvaAndSizes
    const std::size_t sections = nt + NT_HEADERS_SIZE;
    PutSection(image, sections, ".text", 0x1000, kTextAt, 0x60000020);       // code, execute, read
    PutSection(image, sections + SECTION_HEADER_SIZE, ".data", 0x2000, kDataAt, 0xC0000040);  // data, read, write
}

void PutCode(TImage& image, int n)
{
    std::uint32_t state = 0x5EED0000u + static_cast<std::uint32_t>(n);
    const std::uint8_t prologue[] = {0x55, 0x89, 0xE5, 0xB8};
    std::size_t at = kTextAt;
    for (std::uint8_t b : prologue) image.Put8(at++, b);
    image.Put32(at, static_cast<std::uint32_t>(n)), at += 4;   // mov eax, n
    image.Put8(at++, 0x35);
    image.Put32(at, NextRandom(state)), at += 4;               // xor eax, key
    for (std::uint8_t b : {0x31, 0xC0, 0x5D, 0xC3}) image.Put8(at++, b);  // xor eax,eax; pop ebp; ret
    for (int i = 0; i < 64; ++i) image.Put8(at++, static_cast<std::uint8_t>(NextRandom(state)));
}

std::string SampleNumber(int n)
{
    char text[4];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

std::vector<std::uint8_t> SampleImage(int n)
{
    TImage image(kDataAt + kSectionSize);
    PutHeaders(image);
    PutCode(image, n);
    image.PutText(kDataAt, "PURVANE-TEST-SAMPLE-" + SampleNumber(n) +
                               ": harmless test file of the Purvane project; it does nothing.");
    return image.Bytes();
}

} // namespace

int MakeSamples(const TArgs& args)
{
    if (args.size() != 1) {
        std::fputs("usage: sigtool make-samples OUTDIR\n", stderr);
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(args[0], ec);
    const std::filesystem::path dir(args[0]);
    bool ok = WriteBytesToFile((dir / "eicar.com").string(), std::vector<std::uint8_t>(kEicar, kEicar + sizeof kEicar - 1));
    for (int n = 1; n <= kSampleCount; ++n)
        ok = WriteBytesToFile((dir / ("PURVANE_TEST_SAMPLE_" + SampleNumber(n) + ".exe")).string(), SampleImage(n)) && ok;
    if (!ok) PrintError("cannot write the samples into " + args[0]);
    return ok ? 0 : 2;
}
