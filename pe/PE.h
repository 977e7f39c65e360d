// The PE image reader: the PE test, the section table with the raw data the
// fingerprint check digests, the alignment helper and the whole-file reader.
//
// Only these fields of a file are read, all little-endian: e_magic (offset 0)
// and e_lfanew (offset 60) of the 64-byte DOS header; at e_lfanew a 248-byte
// NT header block (the PE32 layout) with its signature (block offset 0),
// NumberOfSections (6) and FileAlignment (60); then NumberOfSections 40-byte
// section headers at e_lfanew + 248, whatever SizeOfOptionalHeader says, so a
// PE32+ image has its table read from the same place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/file.h"

// The header sizes the reader works with. The section table is read right
// after the NT headers of a PE32 image, at e_lfanew + NT_HEADERS_SIZE.
constexpr std::size_t DOS_HEADER_SIZE = 64;
constexpr std::size_t E_LFANEW_OFFSET = 0x3C;
constexpr std::size_t NT_HEADERS_SIZE = 248;  // signature, file header, PE32 optional header
constexpr std::size_t FILE_HEADER_OFFSET = 4;  // in the NT headers, after the signature
constexpr std::size_t OPTIONAL_HEADER_OFFSET = 24;
constexpr std::size_t SECTION_HEADER_SIZE = 40;
constexpr std::uint16_t DOS_MAGIC = 0x5A4D;     // "MZ"
constexpr std::uint32_t PE_SIGNATURE = 0x4550;  // "PE\0\0"

// Section flags that make a section count as executable for the check.
// windows.h defines both as macros with the same values.
#ifndef IMAGE_SCN_CNT_CODE
constexpr std::uint32_t IMAGE_SCN_CNT_CODE = 0x00000020;
constexpr std::uint32_t IMAGE_SCN_MEM_EXECUTE = 0x20000000;
#endif
// Sections whose SizeOfRawData is at or above this get no fingerprint.
constexpr std::uint32_t MAX_FINGERPRINTED_SECTION_SIZE = 4194304;
// ReadWholeFile reads files of at most this many bytes.
constexpr std::uint32_t MAX_WHOLE_FILE_SIZE = 1048576;

// True when the file exists (not a folder), opens for reading, starts with
// "MZ", and has "PE\0\0" at e_lfanew followed by at least 244 more bytes. A
// negative e_lfanew is refused at once. Never raises.
bool IsPEFile(const std::string& fileName);
// The same test of a file already open for reading, from its start.
bool IsPEFile(TFile& file);

// AlignUp's result does not fit in 32 bits.
class TAlignUpOverflow : public std::overflow_error {
public:
    TAlignUpOverflow() : std::overflow_error("AlignUp: result above 32 bits") {}
};

// The smallest multiple of alignment not below value. Alignment must not be 0
// (std::invalid_argument); a result above 32 bits raises TAlignUpOverflow.
std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment);

// The whole file, when it opens and has at most MAX_WHOLE_FILE_SIZE bytes;
// otherwise (and for an empty file) an empty block. Bytes the file fails to
// deliver up to the length it reported read as zeros.
std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName);
// The same of a file already open for reading.
std::vector<std::uint8_t> ReadWholeFile(TFile& file);

// One section: its 40-byte header field for field as in the file, then the
// raw data the table holds for it.
struct TSectionEntry {
    char Name[8];
    std::uint32_t VirtualSize;
    std::uint32_t VirtualAddress;
    std::uint32_t SizeOfRawData;
    std::uint32_t PointerToRawData;
    std::uint32_t PointerToRelocations;
    std::uint32_t PointerToLinenumbers;
    std::uint16_t NumberOfRelocations;
    std::uint16_t NumberOfLinenumbers;
    std::uint32_t Characteristics;
    // Raw data is held only for sections the fingerprint check digests (code
    // or execute flag, SizeOfRawData below MAX_FINGERPRINTED_SECTION_SIZE),
    // and only the DataLength bytes the file really has from PointerToRawData
    // on; the rest up to SizeOfRawData reads as zeros. Data is null when no
    // byte is held (every other section, SizeOfRawData 0, data wholly past
    // the end of the file). It points into the table and lives with it.
    const std::uint8_t* Data;
    std::uint32_t DataLength;
};
static_assert(offsetof(TSectionEntry, Characteristics) == 36, "the header fields keep the file's layout");

// True when the check fingerprints this section (see TSectionEntry::Data).
bool IsFingerprintedSection(const TSectionEntry& entry);

using TSectionArray = std::vector<TSectionEntry>;

// A PE file's section table, read once by the constructor; holds no open
// file afterwards.
class TSectionTable {
public:
    // Raises TNotPEFileError ("\"<file>\" n'est pas un fichier PE valide !")
    // when the file fails IsPEFile. Damage found later gives an empty table.
    explicit TSectionTable(const std::string& fileName);
    // The same through a file already open for reading; fileName names it
    // in the error's text. The test and the table read the same open file.
    TSectionTable(TFile& file, const std::string& fileName);
    TSectionTable(const TSectionTable&) = delete;
    TSectionTable& operator=(const TSectionTable&) = delete;

    int Count() const { return static_cast<int>(sections_.size()); }
    // Copies entry index into entry when 0 <= index < Count(); else leaves it.
    void GetSection(int index, TSectionEntry& entry) const;
    // True when the entry's Characteristics share a bit with mask; false for
    // an index outside 0..Count()-1.
    bool HasCharacteristic(int index, std::uint32_t mask) const;
    // The optional header's FileAlignment; 0 when the file was not read that far.
    std::uint32_t FileAlignment() const { return fileAlignment_; }

    // Raw-data bytes held for all entries together (at most the file's size).
    std::size_t HeldDataSize() const { return heldData_.size(); }

private:
    void Build(TFile& file, const std::string& fileName);
    // The table from the section headers, which the file's position starts.
    void LoadSections(TFile& file, std::uint32_t fileAlignment, std::size_t count);
    bool ReadSections(TFile& file, std::uint32_t fileAlignment, std::size_t count);
    void ReadHeldData(TFile& file, std::uint64_t fileSize);

    TSectionArray sections_;
    std::uint32_t fileAlignment_ = 0;
    // One block for the raw data of every held section: the union of the
    // file ranges they cover, each range read once, so overlapping sections
    // share their bytes.
    std::vector<std::uint8_t> heldData_;
};
