#include <gtest/gtest.h>

#include <filesystem>

#include "common/errors.h"
#include "signatures/qzs_scan.h"
#include "signatures/signature_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

const std::string kPattern16 = "4D5A900003000000";

std::string Name(int i) { return "Sig" + std::to_string(i); }

// A pattern file image: a header and one record per (name, pattern).
std::vector<std::uint8_t> PatternFile(const std::vector<std::pair<std::string, std::string>>& records)
{
    std::vector<std::uint8_t> file = EncodePatternHeader();
    for (const auto& [name, pattern] : records) AppendRecord(file, EncodePatternRecord(name, pattern));
    return file;
}

std::vector<std::uint8_t> NumberedPatternFile(int count, int first = 1)
{
    std::vector<std::pair<std::string, std::string>> records;
    for (int i = first; i < first + count; ++i) records.emplace_back(Name(i), kPattern16);
    return PatternFile(records);
}

struct TSizeCase {
    const char* what;
    std::size_t bytes;
    int count;
};

class PatternFileSize : public ::testing::TestWithParam<TSizeCase> {};

TEST_P(PatternFileSize, OnlyCompleteRecordsAfterTheHeaderCount)
{
    TTempDir dir;
    std::vector<std::uint8_t> file = NumberedPatternFile(3);
    file.resize(GetParam().bytes, 0x41);
    TPatternSignatureTable table;
    EXPECT_TRUE(table.LoadPatternSignatures(dir.Write("SIG_MSN.DAT", file)));
    EXPECT_EQ(table.PatternSignatureCount(), GetParam().count);
    ASSERT_NE(table.PatternSignatures(), nullptr);
    for (int i = 0; i < GetParam().count; ++i) EXPECT_EQ(table.PatternSignatures()[i].Name.Str(), Name(i + 1));
}

INSTANTIATE_TEST_SUITE_P(Sizes, PatternFileSize,
                         ::testing::Values(TSizeCase{"empty", 0, 0}, TSizeCase{"short", 320, 0},
                                           TSizeCase{"header only", 321, 0},
                                           TSizeCase{"header and two records and a tail", 3 * 321 + 100, 2},
                                           TSizeCase{"header and three records", 4 * 321, 3}),
                         [](const auto& info) {
                             std::string n = info.param.what;
                             for (char& c : n)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

TEST(PatternSignatures, RecordIsDescrambledWithItsSize)
{
    TTempDir dir;
    TPatternSignatureTable table;
    ASSERT_TRUE(table.LoadPatternSignatures(dir.Write("s", PatternFile({{"Worm.Test", "4d5A??00"}, {"Odd", "4D5A9"}}))));
    const TPatternSignature* s = table.PatternSignatures();
    EXPECT_EQ(s[0].Name.Str(), "Worm.Test");
    EXPECT_EQ(s[0].Pattern.Str(), "4d5A??00");
    EXPECT_EQ(s[0].PatternSize, 4);
    EXPECT_EQ(s[1].Pattern.Str(), "4D5A9");
    EXPECT_EQ(s[1].PatternSize, 2);
}

TEST(PatternSignatures, MissingFirstFileFailsWithNoTable)
{
    TTempDir dir;
    TPatternSignatureTable table;
    EXPECT_FALSE(table.LoadPatternSignatures(dir.Path("SIG_MSN.DAT")));
    EXPECT_EQ(table.PatternSignatures(), nullptr);
    EXPECT_EQ(table.PatternSignatureCount(), 0);
}

TEST(PatternSignatures, FolderDoesNotOpen)
{
    TTempDir dir;
    std::filesystem::create_directory(dir.Path("folder"));
    TPatternSignatureTable table;
    EXPECT_FALSE(table.LoadPatternSignatures(dir.Path("folder")));
    EXPECT_EQ(table.PatternSignatures(), nullptr);
}

TEST(PatternSignatures, ReadOnlyFileDoesNotOpen)
{
    if (RunningUnderWine()) GTEST_SKIP() << "Wine running as root lets a read-only file open for writing";
    TTempDir dir;
    const std::string file = dir.Write("ro.DAT", NumberedPatternFile(2));
    MakeReadOnly(file);
    TPatternSignatureTable table;
    EXPECT_FALSE(table.LoadPatternSignatures(file));
    EXPECT_EQ(table.PatternSignatures(), nullptr);
}

TEST(PatternSignatures, AppendContinuesTheCountAndMissingSupplementChangesNothing)
{
    TTempDir dir;
    TPatternSignatureTable table;
    ASSERT_TRUE(table.LoadPatternSignatures(dir.Write("1", NumberedPatternFile(3000))));
    EXPECT_FALSE(table.AppendPatternSignatures(dir.Path("missing")));
    EXPECT_EQ(table.PatternSignatureCount(), 3000);
    ASSERT_TRUE(table.AppendPatternSignatures(dir.Write("2", NumberedPatternFile(1000, 3001))));
    EXPECT_EQ(table.PatternSignatureCount(), 4000);
    EXPECT_EQ(table.PatternSignatures()[3000].Name.Str(), Name(3001));
    EXPECT_EQ(table.PatternSignatures()[3999].Name.Str(), Name(4000));
}

TEST(PatternSignatures, RecordsPastTheCapacityAreCountedNotStored)
{
    TTempDir dir;
    TPatternSignatureTable table;
    ASSERT_TRUE(table.LoadPatternSignatures(dir.Write("1", NumberedPatternFile(4400))));
    ASSERT_TRUE(table.AppendPatternSignatures(dir.Write("2", NumberedPatternFile(200, 4401))));
    EXPECT_EQ(table.PatternSignatureCount(), 4600);
    EXPECT_EQ(table.StoredCount(), MAX_NB_SIG);
    EXPECT_EQ(table.PatternSignatures()[MAX_NB_SIG - 1].Name.Str(), Name(4500));
    EXPECT_TRUE(table.ValidatePatternSignatures());
}

TEST(PatternSignatures, ReloadStartsAfresh)
{
    TTempDir dir;
    TPatternSignatureTable table;
    ASSERT_TRUE(table.LoadPatternSignatures(dir.Write("1", NumberedPatternFile(5))));
    ASSERT_TRUE(table.LoadPatternSignatures(dir.Write("2", NumberedPatternFile(2, 10))));
    EXPECT_EQ(table.PatternSignatureCount(), 2);
    EXPECT_EQ(table.PatternSignatures()[0].Name.Str(), Name(10));
}

struct TPairCase {
    std::string pair;
    bool passes;
};

class PatternPair : public ::testing::TestWithParam<TPairCase> {};

TEST_P(PatternPair, WildcardsAndHexPassOthersRaise)
{
    const std::string& p = GetParam().pair;
    if (GetParam().passes) {
        EXPECT_NO_THROW(CheckPatternPair(p[0], p[1]));
    } else {
        try {
            CheckPatternPair(p[0], p[1]);
            FAIL() << "pair " << p << " passed";
        } catch (const TSignatureFormatError& e) {
            EXPECT_EQ(std::string(e.what()), "'$" + p + "' n'est pas une valeur enti\xE8re correcte");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, PatternPair,
                         ::testing::Values(TPairCase{"4d", true}, TPairCase{"FF", true}, TPairCase{"00", true},
                                           TPairCase{"?F", true}, TPairCase{"F?", true}, TPairCase{"F ", true},
                                           TPairCase{"F:", true}, TPairCase{" Z", true}, TPairCase{"4G", false},
                                           TPairCase{"G4", false}, TPairCase{"-1", false}, TPairCase{"x1", false},
                                           TPairCase{"\xE9" "1", false}));

// Runs a load expected to raise; returns the error's text.
template <typename Load>
std::string FormatErrorOf(Load&& load)
{
    try {
        load();
    } catch (const TSignatureFormatError& e) {
        return e.what();
    }
    return "no error";
}

TEST(PatternSignatures, BadPairStopsTheLoadWithTheRecordCountedNotStored)
{
    TTempDir dir;
    const std::string path = dir.Write("s", PatternFile({{"Good", kPattern16}, {"Bad", "4D4G"}, {"Late", kPattern16}}));
    TPatternSignatureTable table;
    EXPECT_EQ(FormatErrorOf([&] { table.LoadPatternSignatures(path); }),
              "'$4G' n'est pas une valeur enti\xE8re correcte");
    EXPECT_EQ(table.PatternSignatureCount(), 2);
    EXPECT_EQ(table.StoredCount(), 1);
    EXPECT_NE(table.PatternSignatures(), nullptr);
}

TEST(PatternSignatures, LengthAboveCapacityIsARangeError)
{
    const std::string rangeError = "Erreur de v\xE9rification d'\xE9tendue";
    struct TCase {
        bool inHeader;
        std::size_t lengthAt;
        std::uint8_t length;
        int countAfter;
    };
    for (const TCase c : {TCase{true, 0, 65, 0}, TCase{false, 0, 65, 1}, TCase{false, 65, 255, 1}}) {
        TTempDir dir;
        std::vector<std::uint8_t> file = NumberedPatternFile(1);
        file[(c.inHeader ? 0 : 321) + c.lengthAt] = c.length;
        const std::string path = dir.Write("s", file);
        TPatternSignatureTable table;
        EXPECT_EQ(FormatErrorOf([&] { table.LoadPatternSignatures(path); }), rangeError);
        EXPECT_EQ(table.PatternSignatureCount(), c.countAfter);
    }
    // Capacities themselves are fine.
    TTempDir dir;
    TPatternSignatureTable table;
    EXPECT_TRUE(table.LoadPatternSignatures(
        dir.Write("s", PatternFile({{std::string(64, 'N'), std::string(254, '?')}}))));
    EXPECT_EQ(table.PatternSignatures()[0].PatternSize, 127);
}

TEST(PatternSignatures, Validation)
{
    struct TCase {
        std::string name, pattern;
        bool valid;
    };
    for (const TCase& c : {TCase{"AB", kPattern16, true}, TCase{"A", kPattern16, false},
                           TCase{"AB", kPattern16.substr(0, 15), false}, TCase{"", kPattern16, false},
                           TCase{std::string(64, 'x'), std::string(254, '0'), true}}) {
        TTempDir dir;
        TPatternSignatureTable table;
        ASSERT_TRUE(table.LoadPatternSignatures(dir.Write("s", PatternFile({{"Fine", kPattern16}, {c.name, c.pattern}}))));
        EXPECT_EQ(table.ValidatePatternSignatures(), c.valid) << c.name << " / " << c.pattern;
    }
    TTempDir dir;
    TPatternSignatureTable empty;
    ASSERT_TRUE(empty.LoadPatternSignatures(dir.Write("e", NumberedPatternFile(0))));
    EXPECT_TRUE(empty.ValidatePatternSignatures());
}

} // namespace
