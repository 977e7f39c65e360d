// The loading scheme shared by both signature file formats: a plain sequence
// of fixed-size records, the first a header, only complete records counted,
// read in large blocks so that a quarter of a million records load at once.
#pragma once

#include <filesystem>
#include <system_error>

#include <algorithm>
#include <bit>
#include <cstring>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/short_string.h"

static_assert(std::endian::native == std::endian::little, "records are read in place as little-endian");

// Every character of a signature file's texts is stored XORed with this key.
constexpr std::uint8_t SIGNATURE_XOR_KEY = 0xC5;

// A malware name, in both formats and in the engine's answer.
using TSignatureName = TShortString<64>;

// Text of the format error for a length byte above its capacity (Windows-1252).
extern const char* const RANGE_CHECK_ERROR_TEXT;

// Descrambles in place the short string at record[at]: its length byte, then
// that many characters XORed with the key. A length above capacity raises
// TSignatureFormatError.
void DescrambleShortString(std::uint8_t* record, std::size_t at, std::size_t capacity);

// The same for a field of type TField at record[at].
template <typename TField>
void DescrambleField(std::uint8_t* record, std::size_t at)
{
    DescrambleShortString(record, at, TField::CAPACITY);
}

// Hands every complete record of source (size bytes) to onRecord in order,
// the header first with isHeader true. Records are read in blocks; when a
// block read fails, the rest of that block is read record by record, so the
// records before the failing one are all delivered. False at the first
// failing record, or when the source delivers less than size says.
// TSource has Seek(offset) and Read(buffer, count, delivered) as TFile.
template <typename TSource, typename OnRecord>
bool ReadRecordsFrom(TSource& source, std::uint64_t size, std::size_t recordSize, OnRecord&& onRecord)
{
    // The end of the file is reached when the complete records read so far,
    // header included, number file size div record size.
    const std::uint64_t total = size / recordSize;
    constexpr std::size_t kRecordsPerBlock = 4096;
    std::vector<std::uint8_t> block(recordSize * static_cast<std::size_t>(std::min<std::uint64_t>(total, kRecordsPerBlock)));

    std::uint64_t done = 0;
    const auto readOneByOne = [&](std::uint64_t end) {
        for (; done < end; ++done) {
            std::size_t delivered = 0;
            if (!source.Seek(done * recordSize) || !source.Read(block.data(), recordSize, delivered) ||
                delivered != recordSize)
                return false;
            onRecord(block.data(), done == 0);
        }
        return true;
    };
    while (done < total) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(total - done, kRecordsPerBlock));
        const std::uint64_t end = done + want;
        std::size_t delivered = 0;
        const bool ok = source.Read(block.data(), want * recordSize, delivered);
        const std::size_t complete = delivered / recordSize;
        for (std::size_t i = 0; i < complete; ++i, ++done)
            onRecord(block.data() + i * recordSize, done == 0);
        if (!ok) {
            if (!readOneByOne(end)) return false;
        } else if (complete < want) {
            return false;  // the file shrank under us
        }
    }
    return true;
}

// Opens path for reading (existing file, read/write sharing) and
// hands every complete record to onRecord as ReadRecordsFrom does. False when
// the file does not open or a read fails; the records delivered before the
// failure stay delivered. A file shorter than one record is no error.
// Exceptions from onRecord leave at once; the file is closed on every path.
template <typename OnRecord>
bool ReadSignatureRecords(const std::string& path, std::size_t recordSize, OnRecord&& onRecord)
{
    // A read-only file is refused, as an opening for writing would refuse
    // it; the file is opened for reading alone, so that the program's own
    // handle on it, which shares reading only, does not stand in the way.
    std::error_code ec;
    const std::filesystem::perms perms = std::filesystem::status(path, ec).permissions();
    if (!ec && (perms & std::filesystem::perms::owner_write) == std::filesystem::perms::none) return false;
    TFile file = TFile::Open(path, TFile::TAccess::Read);
    if (!file.IsOpen()) return false;
    std::uint64_t size = 0;
    if (!file.GetSize(size)) return false;
    return ReadRecordsFrom(file, size, recordSize, onRecord);
}

// A fixed-capacity table of records, allocated once at full size and never
// cleared or moved. Every record read is counted, also past the capacity;
// only records 1..Stored() are held.
template <typename TRecord, std::int32_t Capacity>
class TSignatureStore {
public:
    void Allocate()
    {
        records_ = std::make_unique_for_overwrite<TRecord[]>(Capacity);
        count_ = 0;
        stored_ = 0;
    }
    void Release() { records_.reset(); stored_ = 0; }

    // Reads the records of path after those already there (see
    // ReadSignatureRecords): the header is descrambled and dropped, every
    // further record counted, then descrambled, completed by finish (which
    // may raise a format error) and stored.
    template <typename Descramble, typename Finish>
    bool Append(const std::string& path, Descramble&& descramble, Finish&& finish)
    {
        return ReadSignatureRecords(path, sizeof(TRecord), [&](std::uint8_t* bytes, bool isHeader) {
            const std::int32_t n = isHeader ? 0 : CountOne();
            descramble(bytes);
            if (isHeader) return;
            TRecord record;
            std::memcpy(&record, bytes, sizeof record);
            finish(record);
            Store(n, record);
        });
    }

    // A first load: allocates afresh and appends; when reading fails the
    // table is released and the count kept.
    template <typename Descramble, typename Finish>
    bool Load(const std::string& path, Descramble&& descramble, Finish&& finish)
    {
        Allocate();
        const bool ok = Append(path, descramble, finish);
        if (!ok) Release();
        return ok;
    }

    // Counts one more record and returns its number, counted from 1.
    std::int32_t CountOne() { return ++count_; }

    // Stores record number n (just counted) when it fits. A record that
    // follows one left unstored by a format error is not stored either, so
    // the stored records always run from 1 to Stored().
    void Store(std::int32_t n, const TRecord& record)
    {
        if (records_ && n <= Capacity && n == stored_ + 1) {
            records_[n - 1] = record;
            stored_ = n;
        }
    }

    const TRecord* Records() const { return records_.get(); }
    std::int32_t Count() const { return count_; }
    // Records 1..Stored() are held; other positions are never read.
    std::int32_t Stored() const { return stored_; }

private:
    std::unique_ptr<TRecord[]> records_;
    std::int32_t count_ = 0;
    std::int32_t stored_ = 0;
};
