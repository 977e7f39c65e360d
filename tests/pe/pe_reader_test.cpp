#include <gtest/gtest.h>

#include <cstring>

#include "common/errors.h"
#include "pe/PE.h"
#include "tests/pe/pe_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

// "MZ", e_lfanew, and "PE\0\0" at e_lfanew, in a file of size bytes.
std::vector<std::uint8_t> HeadersOnly(std::uint32_t lfanew, std::size_t size)
{
    std::vector<std::uint8_t> bytes(size, 0);
    if (std::size_t{lfanew} + 4 <= size) Put32(bytes, lfanew, 0x4550);
    Put16(bytes, 0, 0x5A4D);
    Put32(bytes, 60, lfanew);
    bytes.resize(size);
    return bytes;
}

TEST(IsPEFile, HeaderBoundaries)
{
    struct TCase {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool pe;
    };
    std::vector<std::uint8_t> noMZ = HeadersOnly(64, 64 + 248);
    noMZ[1] = 'X';
    std::vector<std::uint8_t> noPE = HeadersOnly(64, 64 + 248);
    noPE[64 + 2] = 1;
    std::vector<std::uint8_t> negative = HeadersOnly(0x80000040u, 64 + 248);
    Put32(negative, 64, 0x4550);
    const TCase cases[] = {
        {"empty", {}, false},
        {"63 bytes starting MZ", HeadersOnly(64, 63), false},
        {"the DOS header alone", HeadersOnly(64, 64), false},
        {"PE block exactly at the end (248 bytes)", HeadersOnly(64, 64 + 248), true},
        {"PE block one byte short (e_lfanew 247 bytes before the end)", HeadersOnly(64, 64 + 247), false},
        {"e_lfanew past the end", HeadersOnly(4096, 64 + 248), false},
        {"PE block inside the DOS header", HeadersOnly(8, 8 + 248), true},
        {"wrong MZ", noMZ, false},
        {"wrong PE mark", noPE, false},
        {"negative e_lfanew is refused", negative, false},
        {"a built image", BuildPE({}), true},
    };
    TTempDir dir;
    for (const TCase& c : cases) EXPECT_EQ(IsPEFile(dir.Write("f", c.bytes)), c.pe) << c.what;
}

TEST(IsPEFile, MissingFileAndFolder)
{
    TTempDir dir;
    EXPECT_FALSE(IsPEFile(dir.Path("missing.exe")));
    EXPECT_FALSE(IsPEFile(dir.Path("")));
}

TEST(AlignUp, Values)
{
    struct TCase {
        std::uint32_t value, alignment, result;
    };
    for (const TCase c : {TCase{4660, 512, 5120}, TCase{5120, 512, 5120}, TCase{0, 512, 0}, TCase{100, 4096, 4096},
                          TCase{1, 1, 1}, TCase{0xFFFFFFFFu, 1, 0xFFFFFFFFu}, TCase{0xFFFFFF00u, 256, 0xFFFFFF00u},
                          TCase{5, 0xFFFFFFFFu, 0xFFFFFFFFu}, TCase{0x80000000u, 0x80000000u, 0x80000000u}})
        EXPECT_EQ(AlignUp(c.value, c.alignment), c.result) << c.value << " / " << c.alignment;
}

TEST(AlignUp, OverflowIsAnErrorNeverAWrappedValue)
{
    EXPECT_THROW(AlignUp(0xFFFFFF01u, 256), TAlignUpOverflow);
    EXPECT_THROW(AlignUp(0xFFFFFFFFu, 2), TAlignUpOverflow);
    EXPECT_THROW(AlignUp(0x80000001u, 0x80000000u), TAlignUpOverflow);
    EXPECT_THROW(AlignUp(1, 0), std::invalid_argument);
}

TEST(ReadWholeFile, SizeLimit)
{
    TTempDir dir;
    EXPECT_TRUE(ReadWholeFile(dir.Write("empty", std::string())).empty());
    EXPECT_TRUE(ReadWholeFile(dir.Path("missing")).empty());
    std::vector<std::uint8_t> bytes(MAX_WHOLE_FILE_SIZE);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    EXPECT_EQ(ReadWholeFile(dir.Write("at-limit", bytes)), bytes);
    bytes.push_back(1);
    EXPECT_TRUE(ReadWholeFile(dir.Write("past-limit", bytes)).empty());
    // The refused file was closed: it can be replaced at once.
    EXPECT_NO_THROW(dir.Write("past-limit", std::string("x")));
}

TEST(SectionTable, ConstructorRefusesAFileThatIsNotPE)
{
    TTempDir dir;
    for (const std::string& path : {dir.Write("a.txt", std::string("hello")), dir.Path("gone.exe")}) {
        try {
            TSectionTable table(path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const TNotPEFileError& e) {
            EXPECT_EQ(std::string(e.what()), "\"" + path + "\" n'est pas un fichier PE valide !");
        }
    }
}

TEST(SectionTable, HeaderFieldsAreReadAsStored)
{
    TTempDir dir;
    std::vector<std::uint8_t> file = BuildPE({0x200, {{0x300, 0x400, 0x60000020, ".text"}, {0x10, 0x700, 0x40000040, ".data"}}});
    const std::size_t at = TEST_SECTION_TABLE;
    Put32(file, at + 8, 0x1111), Put32(file, at + 12, 0x2222), Put32(file, at + 24, 0x3333);
    Put32(file, at + 28, 0x4444), Put16(file, at + 32, 0x55), Put16(file, at + 34, 0x66);
    TSectionTable table(dir.Write("a.exe", file));
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.FileAlignment(), 0x200u);
    TSectionEntry e{};
    table.GetSection(0, e);
    EXPECT_EQ(std::string(e.Name, 5), ".text");
    EXPECT_EQ(e.VirtualSize, 0x1111u);
    EXPECT_EQ(e.VirtualAddress, 0x2222u);
    EXPECT_EQ(e.SizeOfRawData, 0x300u);
    EXPECT_EQ(e.PointerToRawData, 0x400u);
    EXPECT_EQ(e.PointerToRelocations, 0x3333u);
    EXPECT_EQ(e.PointerToLinenumbers, 0x4444u);
    EXPECT_EQ(e.NumberOfRelocations, 0x55);
    EXPECT_EQ(e.NumberOfLinenumbers, 0x66);
    EXPECT_EQ(e.Characteristics, 0x60000020u);
    ASSERT_NE(e.Data, nullptr);
    EXPECT_EQ(e.DataLength, 0x300u);
    EXPECT_EQ(0, std::memcmp(e.Data, file.data() + 0x400, 0x300));
    EXPECT_TRUE(table.HasCharacteristic(0, 0x20));
    EXPECT_FALSE(table.HasCharacteristic(1, 0x20000020));
    EXPECT_TRUE(table.HasCharacteristic(1, 0x40));
}

TEST(SectionTable, NoSectionsStillSetsFileAlignment)
{
    TTempDir dir;
    TSectionTable table(dir.Write("a.exe", BuildPE({0x1000, {}})));
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.FileAlignment(), 0x1000u);
}

TEST(SectionTable, GetSectionOutsideTheTableLeavesTheEntry)
{
    TTempDir dir;
    TSectionTable table(dir.Write("a.exe", BuildPE({0x200, {{0x200, 0x200}}})));
    ASSERT_EQ(table.Count(), 1);
    for (int index : {-1, 1}) {
        TSectionEntry e{};
        e.SizeOfRawData = 77;
        table.GetSection(index, e);
        EXPECT_EQ(e.SizeOfRawData, 77u) << index;
        EXPECT_FALSE(table.HasCharacteristic(index, 0xFFFFFFFF)) << index;
    }
}

// Which sections hold data and how much: code or execute flag, SizeOfRawData
// below 4 MiB, only the bytes the file has.
TEST(SectionTable, HeldData)
{
    struct TCase {
        const char* what;
        TTestSection section;
        std::size_t fileSize;
        bool held;
        std::uint32_t length;
    };
    const TCase cases[] = {
        {"code flag", {0x100, 0x400, 0x20}, 0x800, true, 0x100},
        {"execute flag only", {0x100, 0x400, 0x20000000}, 0x800, true, 0x100},
        {"neither flag", {0x100, 0x400, 0x40000040}, 0x800, false, 0},
        {"SizeOfRawData 0", {0, 0x400}, 0x800, false, 0},
        {"one byte below 4 MiB, cut by the end of the file", {4194303, 0x400}, 0x800, true, 0x400},
        {"4 MiB", {4194304, 0x400}, 0x800, false, 0},
        {"ends exactly at the end of the file", {0x400, 0x400}, 0x800, true, 0x400},
        {"one byte past the end of the file", {0x401, 0x400}, 0x800, true, 0x400},
        {"starts at the end of the file", {0x10, 0x800}, 0x800, false, 0},
        {"starts far past the end of the file", {0x10, 0x7FFFFFFF}, 0x800, false, 0},
    };
    TTempDir dir;
    for (const TCase& c : cases) {
        const std::vector<std::uint8_t> file = BuildPE({0x200, {c.section}, c.fileSize});
        TSectionTable table(dir.Write("a.exe", file));
        ASSERT_EQ(table.Count(), 1) << c.what;
        TSectionEntry e{};
        table.GetSection(0, e);
        EXPECT_EQ(e.Data != nullptr, c.held) << c.what;
        EXPECT_EQ(e.DataLength, c.length) << c.what;
        if (e.Data) {
            EXPECT_EQ(0, std::memcmp(e.Data, file.data() + e.PointerToRawData, e.DataLength)) << c.what;
        }
    }
}

TEST(SectionTable, ANegativeOffsetOrSizeEmptiesTheWholeTable)
{
    TTempDir dir;
    for (const TTestSection& bad : {TTestSection{0x100, 0x80000000u}, TTestSection{0x80000000u, 0x400}}) {
        TSectionTable table(dir.Write("a.exe", BuildPE({0x200, {{0x100, 0x400}, bad, {0x100, 0x500}}, 0x800})));
        EXPECT_EQ(table.Count(), 0);
        EXPECT_EQ(table.HeldDataSize(), 0u);
        EXPECT_EQ(table.FileAlignment(), 0x200u);
    }
}

TEST(SectionTable, HeadersCutShortKeepZeros)
{
    TTempDir dir;
    // Three headers announced; the file ends 10 bytes into the second one.
    std::vector<std::uint8_t> file = BuildPE({0x200, {{0x10, 0x20}, {0x10, 0x20}, {0x10, 0x20}}});
    file.resize(TEST_SECTION_TABLE + 40 + 10);
    TSectionTable table(dir.Write("a.exe", file));
    ASSERT_EQ(table.Count(), 3);
    TSectionEntry second{}, third{};
    table.GetSection(1, second);
    table.GetSection(2, third);
    EXPECT_EQ(std::string(second.Name, 5), ".text");
    EXPECT_EQ(second.SizeOfRawData, 0u);
    EXPECT_EQ(second.Characteristics, 0u);
    EXPECT_EQ(third.Characteristics, 0u);
}

// Many headers each claiming almost 4 MiB of one small file: the table holds
// the file's bytes once, not once per section.
TEST(SectionTable, MemoryIsBoundedByTheFile)
{
    TTestImage image{0x200, {}, 0x3000};
    for (int i = 0; i < 500; ++i) image.Sections.push_back({4194303, static_cast<std::uint32_t>(0x1000 + 8 * (i % 3))});
    for (int i = 0; i < 50; ++i) image.Sections.push_back({0x7FFFFFFF, 0x1000});  // 2 GiB, not fingerprinted
    TTempDir dir;
    const std::vector<std::uint8_t> file = BuildPE(image);
    TSectionTable table(dir.Write("a.exe", file));
    ASSERT_EQ(table.Count(), 550);
    EXPECT_EQ(table.HeldDataSize(), file.size() - 0x1000);
    TSectionEntry first{}, fourth{};
    table.GetSection(0, first);
    table.GetSection(3, fourth);
    EXPECT_EQ(first.Data, fourth.Data);  // same range, same bytes
    EXPECT_EQ(first.DataLength, file.size() - 0x1000);
}

TEST(SectionTable, OverlappingSectionsShareOneCopy)
{
    TTempDir dir;
    const std::vector<std::uint8_t> file = BuildPE({0x200, {{0x300, 0x400}, {0x300, 0x500}, {0x80, 0x600}, {0x100, 0x900}}, 0x1000});
    TSectionTable table(dir.Write("a.exe", file));
    ASSERT_EQ(table.Count(), 4);
    EXPECT_EQ(table.HeldDataSize(), 0x400u + 0x100u);  // 0x400..0x7FF and 0x900..0x9FF
    for (int i = 0; i < 4; ++i) {
        TSectionEntry e{};
        table.GetSection(i, e);
        EXPECT_EQ(0, std::memcmp(e.Data, file.data() + e.PointerToRawData, e.DataLength)) << i;
    }
}

} // namespace
