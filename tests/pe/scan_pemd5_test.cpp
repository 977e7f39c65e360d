#include <gtest/gtest.h>

#include <random>

#include "common/errors.h"
#include "pe/PE.h"
#include "pe/qz_scan_PEMD5.h"
#include "tests/pe/pe_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr std::uint32_t kCode = 0x20, kExecute = 0x20000000, kData = 0x40000040;

TEST(PEFingerprints, Cases)
{
    struct TCase {
        const char* what;
        TTestImage image;
        std::vector<std::pair<TFingerprintKind, std::pair<std::uint32_t, std::uint32_t>>> expected;  // kind, (offset, key)
    };
    using K = TFingerprintKind;
    const TCase cases[] = {
        {"SizeOfRawData 0: the empty message, no aligned one", {0x200, {{0, 0x400}}, 0x800}, {{K::Raw, {0x400, 0}}}},
        {"1,000 bytes, alignment 512", {512, {{1000, 0x400}}, 0x400 + 1024}, {{K::Raw, {0x400, 1000}}, {K::Aligned, {0x400, 1024}}}},
        {"aligned bytes one past the end: skipped", {512, {{1000, 0x400}}, 0x400 + 1023}, {{K::Raw, {0x400, 1000}}}},
        {"section past the end: zeros, no aligned", {512, {{1000, 0x400}}, 0x500}, {{K::Raw, {0x400, 1000}}}},
        {"FileAlignment 0", {0, {{1000, 0x400}}, 0x1000}, {{K::Raw, {0x400, 1000}}}},
        {"already aligned", {512, {{1024, 0x400}}, 0x1000}, {{K::Raw, {0x400, 1024}}}},
        {"execute flag without code flag", {512, {{1000, 0x400, kExecute}}, 0x1000}, {{K::Raw, {0x400, 1000}}, {K::Aligned, {0x400, 1024}}}},
        {"neither flag", {512, {{1000, 0x400, kData}}, 0x1000}, {}},
        {"one below 4 MiB", {512, {{4194303, 0x400}}, 0x1000}, {{K::Raw, {0x400, 4194303}}}},
        {"4 MiB", {512, {{4194304, 0x400}}, 0x1000}, {}},
        {"whole file of 1 MiB", {512, {{1000, 0x400}}, 1048576}, {{K::Raw, {0x400, 1000}}, {K::Aligned, {0x400, 1024}}}},
        {"whole file of 1 MiB + 1", {512, {{1000, 0x400}}, 1048577}, {{K::Raw, {0x400, 1000}}}},
        {"alignment above what follows", {0x10000, {{1000, 0x400}}, 0x8000}, {{K::Raw, {0x400, 1000}}}},
        {"sections in table order",
         {512, {{100, 0x400, kCode}, {512, 0x600, kData}, {700, 0x800, kExecute}}, 0x1000},
         {{K::Raw, {0x400, 100}}, {K::Aligned, {0x400, 512}}, {K::Raw, {0x800, 700}}, {K::Aligned, {0x800, 1024}}}},
    };
    TTempDir dir;
    for (const TCase& c : cases) {
        const std::vector<std::uint8_t> file = BuildPE(c.image);
        std::vector<std::string> expected;
        for (const auto& [kind, where] : c.expected) {
            int section = 0;
            for (std::size_t i = 0; i < c.image.Sections.size(); ++i)
                if (c.image.Sections[i].PointerToRawData == where.first) section = int(i);
            expected.push_back(FingerprintText(section, kind, where.second, DigestOfRange(file, where.first, where.second)));
        }
        const std::string path = dir.Write("a.exe", file);
        EXPECT_EQ(FingerprintsOf(path), expected) << c.what;
        EXPECT_EQ(ReferenceFingerprints(file), expected) << c.what;
    }
}

TEST(PEFingerprints, RandomImagesMatchTheReference)
{
    std::mt19937 random(2024);
    TTempDir dir;
    const std::uint32_t alignments[] = {0, 1, 0x200, 0x1000, 0x10000, 0xFFFFFFFFu};
    const std::uint32_t flags[] = {kCode, kExecute, kData, 0, kCode | kExecute};
    for (int round = 0; round < 300; ++round) {
        TTestImage image;
        image.FileAlignment = alignments[random() % std::size(alignments)];
        const std::size_t sections = 1 + random() % 6;
        image.FileSize = TEST_SECTION_TABLE + 40 * sections + random() % 0x3000;
        for (std::size_t i = 0; i < sections; ++i) {
            TTestSection s;
            s.PointerToRawData = static_cast<std::uint32_t>(random() % (image.FileSize + 0x100));
            s.SizeOfRawData = random() % 4 == 0 ? 0x200 * (random() % 8) : static_cast<std::uint32_t>(random() % 0x2000);
            s.Characteristics = flags[random() % std::size(flags)];
            if (random() % 50 == 0) s.PointerToRawData |= 0x80000000u;
            image.Sections.push_back(s);
        }
        const std::vector<std::uint8_t> file = BuildPE(image);
        EXPECT_EQ(FingerprintsOf(dir.Write("r.exe", file)), ReferenceFingerprints(file)) << "round " << round;
    }
}

TEST(PEFingerprints, WantKeyPassesOverWithoutReporting)
{
    TTempDir dir;
    const std::string path = dir.Write("a.exe", BuildPE({512, {{1000, 0x400}, {300, 0x800}}, 0x1000}));
    std::vector<std::uint32_t> asked, reported;
    ForEachPEFingerprint(path, [&](std::uint32_t key) { asked.push_back(key); return key == 1024; },
                         [&](const TPEFingerprint& f) { reported.push_back(f.Key); });
    EXPECT_EQ(asked, (std::vector<std::uint32_t>{1000, 1024, 300, 512}));
    EXPECT_EQ(reported, std::vector<std::uint32_t>{1024});
}

// A check over one image and one table.
struct TScan {
    TTempDir dir;
    std::vector<std::uint8_t> file;
    std::string path;
    std::unique_ptr<TPEMD5SignatureTable> table;
    std::unique_ptr<TPEMD5Lookup> lookup;

    TScan(const TTestImage& image, const std::vector<TTestRecord>& records)
        : file(BuildPE(image)), path(dir.Write("a.exe", file)), table(LoadTable(dir.Path("mdpe_msn.dat"), records))
    {
        if (table) lookup = std::make_unique<TPEMD5Lookup>(*table);
    }
    std::string Digest(std::size_t off, std::size_t count) const { return DigestOfRange(file, off, count); }
    TMD5MalwareInfo Run(bool expectPE = true) const
    {
        TMD5MalwareInfo info{true, "left over"};
        EXPECT_EQ(ScanPEMD5(path, info, *lookup), expectPE);
        return info;
    }
};

const TTestImage kTwoSections{512, {{1000, 0x400}, {300, 0x800, kExecute}}, 0x1000};

TEST(ScanPEMD5, TheLastMatchNamesTheFile)
{
    const std::string first = DigestOfRange(BuildPE(kTwoSections), 0x400, 1000);
    const std::string firstAligned = DigestOfRange(BuildPE(kTwoSections), 0x400, 1024);
    const std::string second = DigestOfRange(BuildPE(kTwoSections), 0x800, 300);
    std::string lowerFirst = first;
    for (char& c : lowerFirst) c = static_cast<char>(std::tolower(c));
    ASSERT_NE(lowerFirst, first);
    struct TCase {
        const char* what;
        std::vector<TTestRecord> records;
        bool found;
        std::string name;
    };
    const TCase cases[] = {
        {"no records", {}, false, ""},
        {"no match", {{1000, second, "Wrong.Size"}, {300, first, "Wrong.Digest"}}, false, ""},
        {"first section", {{1000, first, "First"}}, true, "First"},
        {"both sections: the later one", {{300, second, "Second"}, {1000, first, "First"}}, true, "Second"},
        {"raw then aligned: the aligned one", {{1024, firstAligned, "Aligned"}, {1000, first, "Raw"}}, true, "Aligned"},
        {"same key and digest twice: the earlier record", {{1000, first, "Earlier"}, {1000, first, "Later"}}, true, "Earlier"},
        {"lower-case record never matches", {{1000, lowerFirst, "Lower"}}, false, ""},
    };
    for (const TCase& c : cases) {
        TScan scan(kTwoSections, c.records);
        ASSERT_TRUE(scan.lookup) << c.what;
        const TMD5MalwareInfo info = scan.Run();
        EXPECT_EQ(info.Found, c.found) << c.what;
        EXPECT_EQ(info.MalwareName, c.name) << c.what;
    }
}

TEST(ScanPEMD5, FilesThatAreNotPE)
{
    TScan scan(kTwoSections, {});
    TTempDir dir;
    for (const std::string& path : {dir.Write("a.txt", std::string("just text")), dir.Path("missing.exe"), dir.Path("")}) {
        TMD5MalwareInfo info{true, "left over"};
        EXPECT_FALSE(ScanPEMD5(path, info, *scan.lookup)) << path;
        EXPECT_FALSE(info.Found) << path;
        EXPECT_EQ(info.MalwareName, "") << path;
    }
}

TEST(ScanPEMD5, PEWithoutFingerprintsIsExamined)
{
    for (const TTestImage& image : {TTestImage{512, {}, 0x400}, TTestImage{512, {{100, 0x400, kData}}, 0x800},
                                    TTestImage{512, {{4194304, 0x400}}, 0x800}, TTestImage{512, {{100, 0x80000000u}}, 0x800}}) {
        TScan scan(image, {{100, MD5HexDigest("", 0), "Never"}});
        const TMD5MalwareInfo info = scan.Run();
        EXPECT_FALSE(info.Found);
        EXPECT_EQ(info.MalwareName, "");
    }
}

TEST(ScanPEMD5, AbsentTable)
{
    TTempDir dir;
    TPEMD5SignatureTable table;
    ASSERT_FALSE(table.LoadPEMD5Signatures(dir.Path("missing.dat")));
    const TPEMD5Lookup lookup(table);
    TMD5MalwareInfo info;
    EXPECT_TRUE(ScanPEMD5(dir.Write("a.exe", BuildPE(kTwoSections)), info, lookup));
    EXPECT_FALSE(info.Found);
}

TEST(ScanPEMD5, EmptyRawSectionMatchesTheEmptyMessage)
{
    TScan scan({512, {{0, 0x400}}, 0x800}, {{0, MD5HexDigest(nullptr, 0), "Empty"}});
    const TMD5MalwareInfo info = scan.Run();
    EXPECT_TRUE(info.Found);
    EXPECT_EQ(info.MalwareName, "Empty");
}

// Random tables with duplicates, lower-case, short, long and non-hex digests:
// the index answers as the linear pass for every query.
TEST(PEMD5Lookup, IndexAnswersAsTheLinearPass)
{
    std::mt19937 random(7);
    auto randomHex = [&] {
        std::string s;
        for (int i = 0; i < 32; ++i) s += "0123456789ABCDEF"[random() % 16];
        return s;
    };
    std::vector<std::string> digests;
    for (int i = 0; i < 300; ++i) digests.push_back(randomHex());
    digests.push_back("not hex at all");
    digests.push_back("XYZXYZXYZXYZXYZXYZXYZXYZXYZXYZXY");
    digests.push_back(digests[0].substr(0, 31));
    digests.push_back(digests[1]);
    digests.back().push_back('0');  // 33 characters
    digests.push_back("");
    std::vector<TTestRecord> records;
    for (int i = 0; i < 3000; ++i) {
        std::string d = digests[random() % digests.size()];
        if (random() % 10 == 0)
            for (char& c : d) c = static_cast<char>(std::tolower(c));
        records.push_back({static_cast<std::int32_t>(random() % 8) - 1, d, std::string("N").append(std::to_string(i))});
    }
    TTempDir dir;
    const auto table = LoadTable(dir.Path("t.dat"), records);
    ASSERT_TRUE(table);
    const TPEMD5Lookup lookup(*table);
    EXPECT_LT(lookup.IndexedCount(), records.size());

    std::vector<std::pair<std::int32_t, std::string>> queries;
    for (const TTestRecord& r : records) {
        queries.emplace_back(r.SectionSize, r.Digest);
        std::string lower = r.Digest;
        for (char& c : lower) c = static_cast<char>(std::tolower(c));
        queries.emplace_back(r.SectionSize, lower);
        queries.emplace_back(r.SectionSize + 100, r.Digest);
    }
    for (int i = 0; i < 500; ++i) queries.emplace_back(static_cast<std::int32_t>(random() % 8) - 1, randomHex());
    int found = 0;
    for (const auto& [size, text] : queries) {
        std::string indexed = "unchanged", linear = "unchanged";
        const bool a = lookup.FindPEMD5Signature(size, text, indexed);
        const bool b = lookup.FindPEMD5SignatureLinear(size, text, linear);
        ASSERT_EQ(a, b) << size << " " << text;
        ASSERT_EQ(indexed, linear) << size << " " << text;
        found += a;
    }
    EXPECT_GT(found, 1000);
}

TEST(PEMD5Lookup, HasSectionSizeCountsOnlyMatchableRecords)
{
    TTempDir dir;
    const auto table = LoadTable(dir.Path("t.dat"), {{4096, std::string(32, 'A'), "A"}, {-7, std::string(32, '0'), "B"},
                                                    {512, std::string(32, 'a'), "lower"}, {0, "", "empty"}});
    ASSERT_TRUE(table);
    const TPEMD5Lookup lookup(*table);
    EXPECT_EQ(lookup.IndexedCount(), 2u);
    for (std::int32_t size : {4096, -7}) EXPECT_TRUE(lookup.HasSectionSize(size)) << size;
    for (std::int32_t size : {4097, 0, 512, INT32_MIN, INT32_MAX}) EXPECT_FALSE(lookup.HasSectionSize(size)) << size;
}

} // namespace
