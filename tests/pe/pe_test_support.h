// Minimal PE images built byte by byte for the reader and check tests, and
// small helpers around them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pe/PE.h"
#include "pe/qz_scan_PEMD5.h"
#include "signatures/qz_PE_MD5.h"

void Put16(std::vector<std::uint8_t>& bytes, std::size_t off, std::uint16_t value);
void Put32(std::vector<std::uint8_t>& bytes, std::size_t off, std::uint32_t value);

struct TTestSection {
    std::uint32_t SizeOfRawData = 0;
    std::uint32_t PointerToRawData = 0;
    std::uint32_t Characteristics = 0x60000020;  // code, execute, read
    std::string Name = ".text";
};

// Offsets of the header fields the reader uses.
constexpr std::size_t TEST_LFANEW = 0x80;
constexpr std::size_t TEST_SECTION_TABLE = TEST_LFANEW + NT_HEADERS_SIZE;

struct TTestImage {
    std::uint32_t FileAlignment = 0x200;
    std::vector<TTestSection> Sections;
    // File length; 0 means "up to the end of the last section's raw data,
    // and at least past the section table".
    std::size_t FileSize = 0;
};

// A DOS header with e_lfanew TEST_LFANEW, the NT block with "PE\0\0",
// NumberOfSections and FileAlignment, then the section headers. Every other
// byte holds a fixed pseudo-random filler, so that digests of different
// ranges differ.
std::vector<std::uint8_t> BuildPE(const TTestImage& image);

// The upper-case MD5 text of count bytes of file from off, bytes past the
// end counting as zeros.
std::string DigestOfRange(const std::vector<std::uint8_t>& file, std::size_t off, std::size_t count);

struct TTestRecord {
    std::int32_t SectionSize;
    std::string Digest;
    std::string Name;
};

// A fingerprint table loaded from a signature file of these records, written
// to path; null when writing or loading fails. On the heap: it is 27 MB.
std::unique_ptr<TPEMD5SignatureTable> LoadTable(const std::string& path, const std::vector<TTestRecord>& records);

// One fingerprint as a line of text: "section raw|aligned key digest".
std::string FingerprintText(int section, TFingerprintKind kind, std::uint32_t key, const std::string& digest);

// What ForEachPEFingerprint reports for the file, as FingerprintText lines.
std::vector<std::string> FingerprintsOf(const std::string& path);

// The fingerprints as the check describes them, worked out on the file's
// bytes directly by a separate plain reading of the headers; the aligned one
// is left out when it would run past the file.
std::vector<std::string> ReferenceFingerprints(const std::vector<std::uint8_t>& file);
