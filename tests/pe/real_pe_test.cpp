// Real PE files: programs compiled by the MinGW toolchains in the native
// build, and the PE libraries that Wine installs, as a smoke corpus.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "pe/PE.h"
#include "pe/qz_scan_PEMD5.h"
#include "tests/pe/pe_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<std::uint8_t> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> SamplePrograms()
{
#if defined(PURVANE_SAMPLE_PROGRAM_64) && defined(PURVANE_SAMPLE_PROGRAM_32)
    return {PURVANE_SAMPLE_PROGRAM_64, PURVANE_SAMPLE_PROGRAM_32};
#else
    return {};
#endif
}

TEST(RealPE, CompiledProgramsMatchThePlainReading)
{
    if (SamplePrograms().empty()) GTEST_SKIP() << "the sample programs are built by the native configurations";
    for (const std::string& path : SamplePrograms()) {
        ASSERT_TRUE(IsPEFile(path)) << path;
        const TSectionTable table(path);
        EXPECT_GT(table.Count(), 0) << path;
        EXPECT_NE(table.FileAlignment(), 0u) << path;
        EXPECT_EQ(FingerprintsOf(path), ReferenceFingerprints(FileBytes(path))) << path;
    }
}

// The 32-bit program's section table sits where the reader looks for it, so
// its code section is fingerprinted and a record of it names the file.
TEST(RealPE, Compiled32BitProgramIsFoundByItsCodeSection)
{
    if (SamplePrograms().empty()) GTEST_SKIP() << "the sample programs are built by the native configurations";
    const std::string path = SamplePrograms()[1];
    std::vector<TPEFingerprint> fingerprints;
    ForEachPEFingerprint(path, [](std::uint32_t) { return true; }, [&](const TPEFingerprint& f) { fingerprints.push_back(f); });
    ASSERT_FALSE(fingerprints.empty());
    TTempDir dir;
    const TPEFingerprint& code = fingerprints.front();
    const auto table = LoadTable(dir.Path("t.dat"), {{static_cast<std::int32_t>(code.Key), code.Digest, "Sample.Program"}});
    ASSERT_TRUE(table);
    const TPEMD5Lookup lookup(*table);
    TMD5MalwareInfo info;
    EXPECT_TRUE(ScanPEMD5(path, info, lookup));
    EXPECT_TRUE(info.Found);
    EXPECT_EQ(info.MalwareName, "Sample.Program");
}

std::vector<std::string> WineLibraryFolders()
{
#ifdef _WIN32
    const std::string root = "Z:";
#else
    const std::string root;
#endif
    return {root + "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", root + "/usr/lib/i386-linux-gnu/wine/i386-windows"};
}

// Every library passes the PE test and gives the same fingerprints twice;
// those of at most 1 MiB also match the plain reading.
TEST(RealPE, WineLibrariesSmokeCorpus)
{
    std::size_t libraries = 0, fingerprinted = 0;
    for (const std::string& folder : WineLibraryFolders()) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
            if (entry.path().extension() != ".dll" || !entry.is_regular_file()) continue;
            const std::string path = entry.path().string();
            ++libraries;
            EXPECT_TRUE(IsPEFile(path)) << path;
            const std::vector<std::string> first = FingerprintsOf(path);
            EXPECT_EQ(FingerprintsOf(path), first) << path;
            if (!first.empty()) ++fingerprinted;
            if (entry.file_size() <= MAX_WHOLE_FILE_SIZE) {
                EXPECT_EQ(ReferenceFingerprints(FileBytes(path)), first) << path;
            }
        }
    }
    if (libraries == 0) GTEST_SKIP() << "no Wine libraries installed";
    EXPECT_GT(fingerprinted, 0u);
    std::printf("%zu libraries, %zu with fingerprints\n", libraries, fingerprinted);
}

} // namespace
