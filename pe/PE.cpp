#include "pe/PE.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "common/errors.h"

namespace {

// The one reader of untrusted bytes in this module: a little-endian field
// at off, or 0 when the field does not lie wholly within bytes (a header that
// the file cut short keeps zeros in its missing bytes).
std::uint32_t ReadLE(std::span<const std::uint8_t> bytes, std::size_t off, std::size_t size)
{
    if (!(size <= bytes.size() && off <= bytes.size() - size)) return 0;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value |= static_cast<std::uint32_t>(bytes[off + i]) << (8 * i);
    return value;
}
std::uint16_t Get16(std::span<const std::uint8_t> bytes, std::size_t off)
{
    return static_cast<std::uint16_t>(ReadLE(bytes, off, 2));
}
std::uint32_t Get32(std::span<const std::uint8_t> bytes, std::size_t off) { return ReadLE(bytes, off, 4); }

// The DOS header and the NT header block as the file delivered them; bytes
// it did not deliver are zeros.
struct TPEHeaders {
    std::uint8_t Dos[DOS_HEADER_SIZE] = {};
    std::uint8_t Nt[NT_HEADERS_SIZE] = {};
    bool Complete = false;  // both read in full, "MZ" and "PE\0\0" in place
};

// Reads both headers from an open file, leaving the position just after the
// NT block. False when e_lfanew is negative (refused: there is no such
// position) or the position cannot be set.
bool ReadPEHeaders(TFile& file, TPEHeaders& h)
{
    const bool dosRead = file.ReadExact(h.Dos, sizeof h.Dos);
    const auto lfanew = static_cast<std::int32_t>(Get32(h.Dos, E_LFANEW_OFFSET));
    if (lfanew < 0 || !file.Seek(static_cast<std::uint64_t>(lfanew))) return false;
    const bool ntRead = file.ReadExact(h.Nt, sizeof h.Nt);
    h.Complete = dosRead && ntRead && Get16(h.Dos, 0) == DOS_MAGIC && Get32(h.Nt, 0) == PE_SIGNATURE;
    return true;
}

TSectionEntry DecodeSectionHeader(std::span<const std::uint8_t> h)
{
    TSectionEntry e{};
    std::memcpy(e.Name, h.data(), sizeof e.Name);
    e.VirtualSize = Get32(h, 8);
    e.VirtualAddress = Get32(h, 12);
    e.SizeOfRawData = Get32(h, 16);
    e.PointerToRawData = Get32(h, 20);
    e.PointerToRelocations = Get32(h, 24);
    e.PointerToLinenumbers = Get32(h, 28);
    e.NumberOfRelocations = Get16(h, 32);
    e.NumberOfLinenumbers = Get16(h, 34);
    e.Characteristics = Get32(h, 36);
    return e;
}

// A file range [Begin, End) whose bytes the table holds, at Offset in its block.
struct TFileRange {
    std::uint64_t Begin, End;
    std::size_t Offset = 0;
};

// The bytes of the entry's raw data that the file has: empty when none.
TFileRange HeldRange(const TSectionEntry& e, std::uint64_t fileSize)
{
    if (!IsFingerprintedSection(e) || e.SizeOfRawData == 0 || e.PointerToRawData >= fileSize) return {0, 0};
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{e.PointerToRawData} + e.SizeOfRawData, fileSize);
    return {e.PointerToRawData, end};
}

} // namespace

bool IsPEFile(const std::string& fileName)
{
    TFile file = OpenExistingFile(fileName);
    return file.IsOpen() && IsPEFile(file);
}

// Reads both headers from the file's start; true when they are complete.
bool ReadCompletePEHeaders(TFile& file, TPEHeaders& headers)
{
    return file.Seek(0) && ReadPEHeaders(file, headers) && headers.Complete;
}

bool IsPEFile(TFile& file)
{
    TPEHeaders headers;
    return ReadCompletePEHeaders(file, headers);
}

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment)
{
    if (alignment == 0) throw std::invalid_argument("AlignUp: alignment 0");
    const std::uint64_t rounded = (std::uint64_t{value} + alignment - 1) / alignment * alignment;
    if (rounded > UINT32_MAX) throw TAlignUpOverflow();
    return static_cast<std::uint32_t>(rounded);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName)
{
    TFile file = TFile::Open(fileName, TFile::TAccess::Read);
    return ReadWholeFile(file);
}

std::vector<std::uint8_t> ReadWholeFile(TFile& file)
{
    std::uint64_t length = 0;
    if (!file.IsOpen() || !file.GetSize(length) || length > MAX_WHOLE_FILE_SIZE || !file.Seek(0)) return {};
    try {
        std::vector<std::uint8_t> block(static_cast<std::size_t>(length));
        std::size_t delivered = 0;
        file.Read(block.data(), block.size(), delivered);  // a short read leaves zeros
        return block;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

bool IsFingerprintedSection(const TSectionEntry& entry)
{
    return (entry.Characteristics & (IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE)) != 0 &&
           entry.SizeOfRawData < MAX_FINGERPRINTED_SECTION_SIZE;
}

TSectionTable::TSectionTable(const std::string& fileName)
{
    TFile file = OpenExistingFile(fileName);
    Build(file, fileName);
}

TSectionTable::TSectionTable(TFile& file, const std::string& fileName) { Build(file, fileName); }

// The headers are read once, for the test and for the table, which follows
// them where the read left the file.
void TSectionTable::Build(TFile& file, const std::string& fileName)
{
    TPEHeaders headers;
    if (!file.IsOpen() || !ReadCompletePEHeaders(file, headers))
        throw TNotPEFileError("\"" + fileName + "\" n'est pas un fichier PE valide !");
    LoadSections(file, Get32(headers.Nt, 60), Get16(headers.Nt, 6));
}

void TSectionTable::GetSection(int index, TSectionEntry& entry) const
{
    if (index >= 0 && index < Count()) entry = sections_[static_cast<std::size_t>(index)];
}

bool TSectionTable::HasCharacteristic(int index, std::uint32_t mask) const
{
    if (index < 0 || index >= Count()) return false;
    return (sections_[static_cast<std::size_t>(index)].Characteristics & mask) != 0;
}

// Any failure while loading (a read error, a negative PointerToRawData or
// SizeOfRawData in any header, memory exhausted) leaves the table empty;
// FileAlignment keeps what was read before it.
void TSectionTable::LoadSections(TFile& file, std::uint32_t fileAlignment, std::size_t count)
{
    bool loaded = false;
    try {
        loaded = ReadSections(file, fileAlignment, count);
    } catch (const std::bad_alloc&) {
    }
    if (!loaded) {
        sections_.clear();
        heldData_.clear();
    }
}

bool TSectionTable::ReadSections(TFile& file, std::uint32_t fileAlignment, std::size_t count)
{
    std::uint64_t fileSize = 0;
    if (!file.GetSize(fileSize)) return false;
    fileAlignment_ = fileAlignment;
    if (count == 0) return true;

    // Headers that the file cuts short keep zeros in their unread bytes: the
    // table always has NumberOfSections entries (at most 65,535 x 40 bytes).
    std::vector<std::uint8_t> raw(count * SECTION_HEADER_SIZE);
    std::size_t delivered = 0;
    if (!file.Read(raw.data(), raw.size(), delivered)) return false;
    sections_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TSectionEntry e = DecodeSectionHeader(std::span(raw).subspan(i * SECTION_HEADER_SIZE, SECTION_HEADER_SIZE));
        // An offset or size with its top bit set is refused for the whole table.
        if (static_cast<std::int32_t>(e.PointerToRawData) < 0 || static_cast<std::int32_t>(e.SizeOfRawData) < 0) return false;
        sections_.push_back(e);
    }
    ReadHeldData(file, fileSize);
    return true;
}

// Reads the union of the held sections' file ranges into one block, each
// byte once, and points every held entry into it. The block never exceeds
// the file's size, whatever the headers claim.
void TSectionTable::ReadHeldData(TFile& file, std::uint64_t fileSize)
{
    std::vector<TFileRange> ranges;
    for (const TSectionEntry& e : sections_) {
        const TFileRange r = HeldRange(e, fileSize);
        if (r.Begin < r.End) ranges.push_back(r);
    }
    if (ranges.empty()) return;
    std::sort(ranges.begin(), ranges.end(), [](const TFileRange& a, const TFileRange& b) { return a.Begin < b.Begin; });
    std::vector<TFileRange> merged;
    std::size_t total = 0;
    for (const TFileRange& r : ranges) {
        if (!merged.empty() && r.Begin <= merged.back().End) {
            const std::uint64_t end = std::max(merged.back().End, r.End);
            total += static_cast<std::size_t>(end - merged.back().End);
            merged.back().End = end;
        } else {
            merged.push_back({r.Begin, r.End, total});
            total += static_cast<std::size_t>(r.End - r.Begin);
        }
    }

    heldData_.assign(total, 0);
    for (const TFileRange& m : merged) {
        std::size_t got = 0;
        // A range the file no longer delivers (it shrank, or a read failed) stays zeros.
        if (file.Seek(m.Begin)) file.Read(heldData_.data() + m.Offset, static_cast<std::size_t>(m.End - m.Begin), got);
    }

    for (TSectionEntry& e : sections_) {
        const TFileRange r = HeldRange(e, fileSize);
        if (r.Begin >= r.End) continue;
        // The merged range that contains r: the last one beginning at or before it.
        const auto m = std::prev(std::upper_bound(merged.begin(), merged.end(), r.Begin,
                                                  [](std::uint64_t at, const TFileRange& x) { return at < x.Begin; }));
        e.Data = heldData_.data() + m->Offset + static_cast<std::size_t>(r.Begin - m->Begin);
        e.DataLength = static_cast<std::uint32_t>(r.End - r.Begin);
    }
}
