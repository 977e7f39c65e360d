// What only the pattern format has: the pattern size taken from the text,
// the check of every pair, and the start-up's validation.
#include <gtest/gtest.h>

#include "signatures/qzs_scan.h"
#include "signatures/signature_writer.h"
#include "tests/support/format_error.h"
#include "tests/support/temp_dir.h"

namespace {

const std::string kPattern16 = "4D5A900003000000";

// A pattern file image: a header and one record per (name, pattern).
std::vector<std::uint8_t> PatternFile(const std::vector<std::pair<std::string, std::string>>& records)
{
    std::vector<std::uint8_t> file = EncodePatternHeader();
    for (const auto& [name, pattern] : records) AppendRecord(file, EncodePatternRecord(name, pattern));
    return file;
}

std::string InvalidIntegerText(const std::string& pair) { return "'$" + pair + "' n'est pas une valeur enti\xE8re correcte"; }

TEST(PatternSignatures, RecordIsDescrambledWithItsSize)
{
    TTempDir dir;
    TPatternSignatureTable table;
    ASSERT_TRUE(table.LoadPatternSignatures(dir.Write("s", PatternFile({{"Worm.Test", "4d5A??00"},
                                                                         {"Odd", "4D5A9"},
                                                                         {std::string(64, 'N'), std::string(254, '?')}}))));
    const TPatternSignature* s = table.PatternSignatures();
    EXPECT_EQ(s[0].Name.Str(), "Worm.Test");
    EXPECT_EQ(s[0].Pattern.Str(), "4d5A??00");
    EXPECT_EQ(s[0].PatternSize, 4);
    EXPECT_EQ(s[1].Pattern.Str(), "4D5A9");
    EXPECT_EQ(s[1].PatternSize, 2);
    EXPECT_EQ(s[2].PatternSize, MAX_PATTERN_SIZE);
}

TEST(PatternSignatures, WildcardsAndHexPairsPassOthersRaise)
{
    const struct {
        std::string pair;
        bool passes;
    } cases[] = {
        {"4d", true},  {"FF", true},  {"00", true},  {"?F", true},  {"F?", true},  {"F ", true},  {"F:", true},
        {" Z", true},  {"4G", false}, {"G4", false}, {"-1", false}, {"x1", false}, {"\xE9" "1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatErrorOf([&] { CheckPatternPair(c.pair[0], c.pair[1]); }),
                  c.passes ? "no error" : InvalidIntegerText(c.pair))
            << c.pair;
}

TEST(PatternSignatures, BadPairStopsTheLoadWithTheRecordCountedNotStored)
{
    TTempDir dir;
    const std::string path = dir.Write("s", PatternFile({{"Good", kPattern16}, {"Bad", "4D4G"}, {"Late", kPattern16}}));
    TPatternSignatureTable table;
    EXPECT_EQ(FormatErrorOf([&] { table.LoadPatternSignatures(path); }), InvalidIntegerText("4G"));
    EXPECT_EQ(table.PatternSignatureCount(), 2);
    EXPECT_EQ(table.StoredCount(), 1);
    EXPECT_NE(table.PatternSignatures(), nullptr);
}

TEST(PatternSignatures, Validation)
{
    const struct {
        std::string name, pattern;
        bool valid;
    } cases[] = {
        {"AB", kPattern16, true},
        {"A", kPattern16, false},
        {"AB", kPattern16.substr(0, 15), false},
        {"", kPattern16, false},
        {std::string(64, 'x'), std::string(254, '0'), true},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        TPatternSignatureTable table;
        ASSERT_TRUE(table.LoadPatternSignatures(dir.Write("s", PatternFile({{"Fine", kPattern16}, {c.name, c.pattern}}))));
        EXPECT_EQ(table.ValidatePatternSignatures(), c.valid) << c.name << " / " << c.pattern;
    }
    TTempDir dir;
    TPatternSignatureTable empty;
    ASSERT_TRUE(empty.LoadPatternSignatures(dir.Write("e", PatternFile({}))));
    EXPECT_TRUE(empty.ValidatePatternSignatures());
}

} // namespace
