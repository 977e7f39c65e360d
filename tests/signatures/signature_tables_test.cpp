// What both signature formats share, run over each: only complete records
// count, the supplement continues the count, records past the capacity are
// counted and not stored, a length byte above its capacity is a range
// error, and files that do not open give no table.
#include <gtest/gtest.h>

#include <filesystem>

#include "signatures/qz_PE_MD5.h"
#include "signatures/qzs_scan.h"
#include "signatures/signature_writer.h"
#include "tests/support/format_error.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

// Record n of a numbered file carries the key n: its name for patterns, its
// SectionSize for fingerprints.
struct TPatternFormat {
    using TTable = TPatternSignatureTable;
    static constexpr std::size_t kRecordSize = PATTERN_RECORD_SIZE;
    static constexpr std::int32_t kCapacity = MAX_NB_SIG;
    // Offsets of the length bytes in a record, and their capacities.
    static constexpr std::size_t kNameAt = offsetof(TPatternSignature, Name);
    static constexpr std::size_t kNameCapacity = TSignatureName::CAPACITY;
    static constexpr std::size_t kTextAt = offsetof(TPatternSignature, Pattern);
    static constexpr std::size_t kTextCapacity = TPatternText::CAPACITY;

    static std::vector<std::uint8_t> File(int count, int first = 1)
    {
        std::vector<std::uint8_t> file = EncodePatternHeader();
        for (int i = first; i < first + count; ++i) AppendRecord(file, EncodePatternRecord(std::to_string(i), "4D5A900003000000"));
        return file;
    }
    static bool Load(TTable& t, const std::string& path) { return t.LoadPatternSignatures(path); }
    static bool Append(TTable& t, const std::string& path) { return t.AppendPatternSignatures(path); }
    static std::int32_t Count(const TTable& t) { return t.PatternSignatureCount(); }
    static const void* Records(const TTable& t) { return t.PatternSignatures(); }
    static int KeyOf(const TTable& t, std::int32_t i) { return std::stoi(t.PatternSignatures()[i].Name.Str()); }
};

struct TFingerprintFormat {
    using TTable = TPEMD5SignatureTable;
    static constexpr std::size_t kRecordSize = PEMD5_RECORD_SIZE;
    static constexpr std::int32_t kCapacity = MAX_NB_SIG_PEMD;
    static constexpr std::size_t kNameAt = offsetof(TPEMD5Signature, Name);
    static constexpr std::size_t kNameCapacity = TSignatureName::CAPACITY;
    static constexpr std::size_t kTextAt = offsetof(TPEMD5Signature, Digest);
    static constexpr std::size_t kTextCapacity = TDigestText::CAPACITY;

    static std::vector<std::uint8_t> File(int count, int first = 1)
    {
        std::vector<std::uint8_t> file = EncodePEMD5Header();
        for (int i = first; i < first + count; ++i)
            AppendRecord(file, EncodePEMD5Record(i, "0123456789ABCDEF0123456789ABCDEF", "Fp"));
        return file;
    }
    static bool Load(TTable& t, const std::string& path) { return t.LoadPEMD5Signatures(path); }
    static bool Append(TTable& t, const std::string& path) { return t.AppendPEMD5Signatures(path); }
    static std::int32_t Count(const TTable& t) { return t.PEMD5SignatureCount(); }
    static const void* Records(const TTable& t) { return t.PEMD5Signatures(); }
    static int KeyOf(const TTable& t, std::int32_t i) { return t.PEMD5Signatures()[i].SectionSize; }
};

template <typename TFormat>
class SignatureTable : public ::testing::Test {
protected:
    using F = TFormat;
    typename F::TTable table_;
    TTempDir dir_;

    // Every stored record holds the keys first, first + 1, ...
    void ExpectKeysFrom(int first)
    {
        for (std::int32_t i = 0; i < table_.StoredCount(); ++i) ASSERT_EQ(F::KeyOf(table_, i), first + i) << "record " << i + 1;
    }
};

using TFormats = ::testing::Types<TPatternFormat, TFingerprintFormat>;
TYPED_TEST_SUITE(SignatureTable, TFormats);

TYPED_TEST(SignatureTable, OnlyCompleteRecordsAfterTheHeaderCount)
{
    using F = typename TestFixture::F;
    const struct {
        std::size_t bytes;
        std::int32_t count;
    } cases[] = {{0, 0}, {F::kRecordSize - 1, 0}, {F::kRecordSize, 0}, {3 * F::kRecordSize + 50, 2}, {4 * F::kRecordSize, 3}};
    for (const auto& c : cases) {
        std::vector<std::uint8_t> file = F::File(3);
        file.resize(c.bytes, 0x41);
        EXPECT_TRUE(F::Load(this->table_, this->dir_.Write("f", file))) << c.bytes;
        EXPECT_EQ(F::Count(this->table_), c.count) << c.bytes;
        EXPECT_NE(F::Records(this->table_), nullptr) << c.bytes;
        this->ExpectKeysFrom(1);
    }
}

TYPED_TEST(SignatureTable, TheSupplementContinuesTheCountAndAMissingOneChangesNothing)
{
    using F = typename TestFixture::F;
    ASSERT_TRUE(F::Load(this->table_, this->dir_.Write("1", F::File(3000))));
    EXPECT_FALSE(F::Append(this->table_, this->dir_.Path("missing")));
    EXPECT_EQ(F::Count(this->table_), 3000);
    ASSERT_TRUE(F::Append(this->table_, this->dir_.Write("2", F::File(1000, 3001))));
    EXPECT_EQ(F::Count(this->table_), 4000);
    EXPECT_EQ(this->table_.StoredCount(), 4000);
    this->ExpectKeysFrom(1);
}

TYPED_TEST(SignatureTable, RecordsPastTheCapacityAreCountedNotStored)
{
    using F = typename TestFixture::F;
    ASSERT_TRUE(F::Load(this->table_, this->dir_.Write("1", F::File(F::kCapacity - 1))));
    ASSERT_TRUE(F::Append(this->table_, this->dir_.Write("2", F::File(3, F::kCapacity))));
    EXPECT_EQ(F::Count(this->table_), F::kCapacity + 2);
    EXPECT_EQ(this->table_.StoredCount(), F::kCapacity);
    this->ExpectKeysFrom(1);
}

TYPED_TEST(SignatureTable, ALengthAboveItsCapacityIsARangeErrorWithTheRecordCounted)
{
    using F = typename TestFixture::F;
    const struct {
        std::size_t at;  // offset of the length byte in the file
        std::size_t length;
        std::int32_t countAfter, storedAfter;
    } cases[] = {
        {F::kNameAt, F::kNameCapacity + 1, 0, 0},                        // in the header
        {F::kRecordSize + F::kTextAt, F::kTextCapacity + 1, 1, 0},       // in record 1
        {2 * F::kRecordSize + F::kNameAt, F::kNameCapacity + 1, 2, 1},   // in record 2
        {3 * F::kRecordSize + F::kTextAt, 255, 3, 2},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> file = F::File(3);
        file[c.at] = static_cast<std::uint8_t>(c.length);
        const std::string path = this->dir_.Write("f", file);
        EXPECT_EQ(FormatErrorOf([&] { F::Load(this->table_, path); }), RANGE_CHECK_ERROR_TEXT) << c.at;
        EXPECT_EQ(F::Count(this->table_), c.countAfter) << c.at;
        EXPECT_EQ(this->table_.StoredCount(), c.storedAfter) << c.at;
        EXPECT_NE(F::Records(this->table_), nullptr) << c.at;
    }
    // The capacities themselves are fine.
    std::vector<std::uint8_t> file = F::File(1);
    file[F::kRecordSize + F::kNameAt] = static_cast<std::uint8_t>(F::kNameCapacity);
    EXPECT_EQ(FormatErrorOf([&] { F::Load(this->table_, this->dir_.Write("f", file)); }), "no error");
}

TYPED_TEST(SignatureTable, FilesThatDoNotOpenGiveNoTable)
{
    using F = typename TestFixture::F;
    std::filesystem::create_directory(this->dir_.Path("folder"));
    const std::string readOnly = this->dir_.Write("read-only", F::File(2));
    MakeReadOnly(readOnly);
    std::vector<std::string> paths = {this->dir_.Path("missing"), this->dir_.Path("folder")};
    // Wine running as root lets a read-only file open for writing.
    if (!RunningUnderWine()) paths.push_back(readOnly);
    for (const std::string& path : paths) {
        ASSERT_TRUE(F::Load(this->table_, this->dir_.Write("good", F::File(2))));
        EXPECT_FALSE(F::Load(this->table_, path)) << path;
        EXPECT_EQ(F::Records(this->table_), nullptr) << path;
        EXPECT_EQ(F::Count(this->table_), 0) << path;
    }
}

TYPED_TEST(SignatureTable, ALoadStartsAfresh)
{
    using F = typename TestFixture::F;
    ASSERT_TRUE(F::Load(this->table_, this->dir_.Write("1", F::File(5))));
    ASSERT_TRUE(F::Load(this->table_, this->dir_.Write("2", F::File(2, 10))));
    EXPECT_EQ(F::Count(this->table_), 2);
    this->ExpectKeysFrom(10);
}

} // namespace
