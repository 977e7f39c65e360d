#include <gtest/gtest.h>

#include <random>

#include "sscan/pattern_matcher.h"
#include "tests/sscan/reference_matcher.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::mt19937& random, unsigned alphabet = 256)
{
    std::vector<std::uint8_t> data(size);
    for (auto& b : data) b = static_cast<std::uint8_t>(random() % alphabet);
    return data;
}

std::int32_t Engine(const std::vector<TPatternSignature>& table, const std::vector<std::uint8_t>& data,
                    std::size_t blockSize)
{
    const TPatternMatcher matcher(table.data(), static_cast<std::int32_t>(table.size()));
    return FindFirstMatchInMemory(matcher, data.data(), data.size(), blockSize);
}

// Where the match sits: every offset of a source read in small blocks, so
// that matches start, end and straddle block edges; the pattern has
// wildcards first and last, or none, or is a short-anchored one.
TEST(PatternMatcher, FindsOnePatternAtEveryOffset)
{
    std::mt19937 random(1);
    const std::vector<std::uint8_t> motif = {0x4D, 0x5A, 0x90, 0x00, 0x03, 0xE8, 0x7F, 0x11, 0x22, 0x33, 0x44, 0x55};
    const std::vector<std::vector<bool>> wildcardSets = {
        std::vector<bool>(12, false),
        {true, false, false, false, false, false, false, false, false, false, false, true},
        {false, true, false, true, false, true, false, true, false, true, false, true},  // no four fixed in a row
    };
    for (const auto& wild : wildcardSets) {
        const auto table = std::vector<TPatternSignature>{MakeSignature("Motif", PatternText(motif, wild))};
        for (std::size_t size : {12u, 13u, 700u}) {
            for (std::size_t offset = 0; offset + motif.size() <= size; ++offset) {
                std::vector<std::uint8_t> data(size, 0xAB);
                std::copy(motif.begin(), motif.end(), data.begin() + offset);
                for (std::size_t block : {1u, 7u, 64u, 300u}) {
                    ASSERT_EQ(Engine(table, data, block), 0) << "offset " << offset << " size " << size << " block " << block;
                }
            }
        }
    }
}

TEST(PatternMatcher, AgreesWithTheReferenceOnRandomSources)
{
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        // A small alphabet makes near misses common.
        const unsigned alphabet = round % 3 == 0 ? 4 : 256;
        const auto data = RandomBytes(1 + random() % 3000, random, alphabet);
        std::vector<TPatternSignature> table;
        const int patterns = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < patterns; ++i) {
            const std::size_t size = 1 + random() % std::min<std::size_t>(MAX_PATTERN_SIZE, data.size());
            if (random() % 2) {
                table.push_back(MakeSignature("Cut" + std::to_string(i),
                                              RandomPatternFrom(data, random() % (data.size() - size + 1), size, random)));
            } else {
                const auto bytes = RandomBytes(size, random, alphabet);
                std::vector<bool> wild(size);
                for (std::size_t k = 0; k < size; ++k) wild[k] = random() % 4 == 0;
                table.push_back(MakeSignature("Random" + std::to_string(i), PatternText(bytes, wild)));
            }
        }
        const std::size_t block = 1 + random() % 1024;
        ASSERT_EQ(Engine(table, data, block), ReferenceFirstMatch(table, data)) << "round " << round;
    }
}

TEST(PatternMatcher, EarliestEndWinsThenLowestIndex)
{
    const std::vector<std::uint8_t> data = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19};
    struct TCase {
        const char* what;
        std::vector<std::string> patterns;
        std::int32_t winner;
    };
    const TCase cases[] = {
        {"a later start that ends earlier wins", {"1011121314151617", "12131415"}, 1},
        {"equal ends: lowest index", {"1415161718", "15161718"}, 0},
        {"equal ends, the other order", {"15161718", "1415161718"}, 0},
        {"the only match", {"AABBCCDD", "16171819"}, 1},
        {"none", {"AABBCCDD", "17181A"}, -1},
        {"wildcards only match at offset 0, ending first", {"13141516", "????????????"}, 1},
        {"wildcards only, ending after a fixed match", {"11121314", "????????????"}, 0},
        {"wildcards only, longer than the source", {"????????????????????????"}, -1},
        {"a short anchor", {"??11??13", "14151617"}, 0},
        {"empty pattern never matches", {"", "19"}, 1},
        {"malformed pair never matches", {"1G111213", "1213"}, 1},
    };
    for (const TCase& c : cases) {
        std::vector<TPatternSignature> table;
        for (const auto& p : c.patterns) table.push_back(MakeSignature("N", p));
        EXPECT_EQ(Engine(table, data, 3), c.winner) << c.what;
        EXPECT_EQ(ReferenceFirstMatch(table, data), c.winner) << c.what << " (reference)";
    }
}

TEST(PatternMatcher, InconsistentRecordsAndTablesFindNothing)
{
    const std::vector<std::uint8_t> data(100, 0x41);
    TPatternSignature oversized = MakeSignature("Big", "4141");
    oversized.PatternSize = 2;
    TPatternSignature sizeAboveText = MakeSignature("Lying", "4141");
    sizeAboveText.PatternSize = 3;
    EXPECT_EQ(Engine({oversized}, data, 64), 0);
    EXPECT_EQ(Engine({sizeAboveText}, data, 64), -1);

    const TPatternMatcher none(nullptr, 5);
    EXPECT_TRUE(none.Empty());
    const TPatternSignature one = MakeSignature("A", "41414141");
    EXPECT_TRUE(TPatternMatcher(&one, 0).Empty());
    EXPECT_TRUE(TPatternMatcher(&one, -1).Empty());
    EXPECT_EQ(FindFirstMatchInMemory(none, data.data(), data.size()), -1);
}

TEST(PatternMatcher, RecordsPastTheTableCapacityAreIgnored)
{
    std::vector<TPatternSignature> table(MAX_NB_SIG + 1, MakeSignature("Other", "0102030405060708"));
    table.back() = MakeSignature("Past", "4142434445464748");
    const std::vector<std::uint8_t> data = {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48};
    const TPatternMatcher matcher(table.data(), static_cast<std::int32_t>(table.size()));
    EXPECT_EQ(FindFirstMatchInMemory(matcher, data.data(), data.size()), -1);
}

TEST(PatternMatcher, StopsReadingAtTheFirstDecidedMatch)
{
    const auto table = std::vector<TPatternSignature>{MakeSignature("Head", "4D5A900003000000")};
    const TPatternMatcher matcher(table.data(), 1);
    std::vector<std::uint8_t> data(10 * SSCAN_BLOCK_SIZE, 0x90);
    const std::uint8_t head[] = {0x4D, 0x5A, 0x90, 0x00, 0x03, 0x00, 0x00, 0x00};
    std::copy(std::begin(head), std::end(head), data.begin() + 100);
    std::size_t read = 0;
    const auto index = FindFirstMatch(
        matcher,
        [&](std::uint8_t* buffer, std::size_t capacity, std::size_t& delivered) {
            delivered = std::min(capacity, data.size() - read);
            std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(read), delivered, buffer);
            read += delivered;
            return true;
        },
        data.size(), SSCAN_BLOCK_SIZE);
    EXPECT_EQ(index, 0);
    EXPECT_LE(read, 2 * SSCAN_BLOCK_SIZE);
}

TEST(PatternMatcher, ScansFilesAcrossBlocks)
{
    TTempDir dir;
    std::mt19937 random(3);
    auto data = RandomBytes(3 * SSCAN_BLOCK_SIZE + 17, random);
    const std::size_t at = SSCAN_BLOCK_SIZE - 5;  // straddles the first block edge
    const std::string pattern = RandomPatternFrom(data, at, 40, random);
    const auto table = std::vector<TPatternSignature>{MakeSignature("Edge", pattern)};
    const TPatternMatcher matcher(table.data(), 1);
    EXPECT_EQ(FindFirstMatchInFile(matcher, dir.Write("f.bin", data)), ReferenceFirstMatch(table, data));
    EXPECT_EQ(FindFirstMatchInFile(matcher, dir.Write("f.bin", data)), 0);
    EXPECT_EQ(FindFirstMatchInFile(matcher, dir.Path("missing.bin")), -1);
    EXPECT_EQ(FindFirstMatchInFile(matcher, dir.Write("empty.bin", std::vector<std::uint8_t>{})), -1);
}

} // namespace
