// The block reading shared by both formats, over a source whose reads fail
// where the case says.
#include <gtest/gtest.h>

#include <cstring>

#include "signatures/record_file.h"

namespace {

constexpr std::size_t kRecordSize = 8;

// Records numbered from 0 (the header) in their first byte. A read fails
// when it covers the byte at failAt; reads of more than one record fail
// too when blocksFail is set.
class TFlakySource {
public:
    TFlakySource(std::size_t records, std::uint64_t failAt, bool blocksFail)
        : bytes_(records * kRecordSize), failAt_(failAt), blocksFail_(blocksFail)
    {
        for (std::size_t r = 0; r < records; ++r) bytes_[r * kRecordSize] = static_cast<std::uint8_t>(r);
    }
    bool Seek(std::uint64_t offset)
    {
        position_ = offset;
        return true;
    }
    bool Read(void* buffer, std::size_t count, std::size_t& delivered)
    {
        delivered = 0;
        const bool coversFailure = failAt_ >= position_ && failAt_ - position_ < count;
        if (coversFailure || (blocksFail_ && count > kRecordSize)) return false;
        delivered = std::min<std::size_t>(count, bytes_.size() - position_);
        std::memcpy(buffer, bytes_.data() + position_, delivered);
        position_ += delivered;
        return true;
    }
    std::uint64_t Size() const { return bytes_.size(); }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t position_ = 0;
    std::uint64_t failAt_;
    bool blocksFail_;
};

TEST(SignatureRecords, AFailedBlockReadKeepsTheRecordsBeforeTheFailingOne)
{
    constexpr std::uint64_t kNever = ~std::uint64_t{0};
    struct TCase {
        const char* what;
        std::size_t records;
        std::uint64_t failAt;
        bool blocksFail;
        bool ok;
        std::size_t delivered;
    };
    const TCase cases[] = {
        {"no failure", 5000, kNever, false, true, 5000},
        {"record 3000 fails", 5000, 3000 * kRecordSize + 2, false, false, 3000},
        {"last record of the first block fails", 5000, 4095 * kRecordSize, false, false, 4095},
        {"first record of the second block fails", 5000, 4096 * kRecordSize, false, false, 4096},
        {"blocks fail, records read", 5000, kNever, true, true, 5000},
        {"the header fails", 10, 0, false, false, 0},
    };
    for (const TCase& c : cases) {
        TFlakySource source(c.records, c.failAt, c.blocksFail);
        std::vector<std::size_t> seen;
        const bool ok = ReadRecordsFrom(source, source.Size(), kRecordSize, [&](const std::uint8_t* record, bool isHeader) {
            EXPECT_EQ(isHeader, seen.empty()) << c.what;
            seen.push_back(record[0]);
        });
        EXPECT_EQ(ok, c.ok) << c.what;
        ASSERT_EQ(seen.size(), c.delivered) << c.what;
        for (std::size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], static_cast<std::uint8_t>(i)) << c.what;
    }
}

} // namespace
