#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "engine/pattern_check.h"
#include "signatures/qzs_scan.h"
#include "sscan/pattern_matcher.h"
#include "tests/sscan/reference_matcher.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

#ifdef _WIN32
#include <windows.h>

#include "common/executable_path.h"
#endif

namespace {

const std::vector<std::uint8_t> kMotif = {0x4D, 0x5A, 0x90, 0x17, 0xE3, 0x2B, 0x7F, 0x11, 0x22, 0x33};

// Three records; the middle one is the motif with its first and last bytes
// as wildcards.
std::vector<TPatternSignature> MotifTable()
{
    std::vector<bool> wild(kMotif.size(), false);
    wild.front() = wild.back() = true;
    return {MakeSignature("Other.A", "AABBCCDDEEFF0102"), MakeSignature("Motif.B", PatternText(kMotif, wild)),
            MakeSignature("Other.C", "0102030405060708")};
}

// size bytes holding the motif at offset.
std::vector<std::uint8_t> DataWithMotif(std::size_t size, std::size_t offset)
{
    std::vector<std::uint8_t> data(size, 0x5C);
    std::copy(kMotif.begin(), kMotif.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
    return data;
}

TVirusInfo Scan(const TScanEngine& engine, const std::string& path) { return ScanWithPatternEngine(engine, path); }

// initscan's result: 1 when the table compiled.
constexpr std::optional<std::int32_t> kCompiled = 1;

void ExpectFound(const TVirusInfo& info, const std::string& name)
{
    EXPECT_TRUE(info.Found);
    EXPECT_EQ(info.VirusName, name);
}

void ExpectNothing(const TVirusInfo& info)
{
    EXPECT_FALSE(info.Found);
    EXPECT_EQ(info.VirusName, "");
}

// The program's engine (Windows: QZ_SSCAN.DLL beside the test program;
// natively: the linked engine), released when the test ends.
class ProgramEngineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(engine_.Usable()); }

    const TScanEngine engine_ = LoadScanEngine();
    TTempDir dir_;
};

TEST_F(ProgramEngineTest, FindsTheMotifWhereverItSitsInAFile)
{
    const auto table = MotifTable();
    ASSERT_EQ(engine_.InitScan(table.data(), static_cast<std::int32_t>(table.size())), kCompiled);
    const std::size_t block = SSCAN_BLOCK_SIZE;
    struct TCase {
        std::size_t size, offset;
    };
    const TCase cases[] = {
        {kMotif.size(), 0},                          // the whole file
        {kMotif.size() + 1, 1},                      // ends at the last byte
        {1000, 0},          {1000, 990},            // first and last bytes
        {block + 50, block - 5},                    // across the first block edge
        {3 * block, block - kMotif.size()},          // ends at the block edge
        {3 * block, block},                         // starts at the block edge
        {3 * block + 7, 3 * block + 7 - kMotif.size()},  // last byte of a large file
    };
    for (const TCase& c : cases) {
        const std::string path = dir_.Write("f.bin", DataWithMotif(c.size, c.offset));
        const TVirusInfo info = Scan(engine_, path);
        EXPECT_TRUE(info.Found) << "size " << c.size << " offset " << c.offset;
        EXPECT_EQ(info.VirusName, "Motif.B");
    }
    ExpectNothing(Scan(engine_, dir_.Write("clean.bin", std::vector<std::uint8_t>(5000, 0x5C))));
    ExpectNothing(Scan(engine_, dir_.Write("short.bin", std::vector<std::uint8_t>(kMotif.begin(), kMotif.end() - 1))));
    ExpectNothing(Scan(engine_, dir_.Write("empty.bin", std::vector<std::uint8_t>{})));
    ExpectNothing(Scan(engine_, dir_.Path("missing.bin")));
    ExpectNothing(Scan(engine_, std::string(SCAN_PATH_BUFFER_SIZE, 'a')));
}

// Random tables and files through the whole interface, compared with the
// plain matcher: the engine names the record that the reference picks.
TEST_F(ProgramEngineTest, AgreesWithTheReferenceOnRandomFiles)
{
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        std::vector<std::uint8_t> data(1 + random() % 20000);
        for (auto& b : data) b = static_cast<std::uint8_t>(random() % (round % 2 ? 256 : 3));
        std::vector<TPatternSignature> table;
        for (int i = 0; i < 30; ++i) {
            const std::size_t size = 1 + random() % std::min<std::size_t>(MAX_PATTERN_SIZE, data.size());
            const std::size_t offset = random() % (data.size() - size + 1);
            std::string pattern = RandomPatternFrom(data, offset, size, random);
            if (random() % 2) pattern[random() % pattern.size()] = "0F"[random() % 2];  // mostly spoils it
            table.push_back(MakeSignature("Sig" + std::to_string(i), pattern));
        }
        ASSERT_EQ(engine_.InitScan(table.data(), static_cast<std::int32_t>(table.size())), kCompiled);
        const std::int32_t expected = ReferenceFirstMatch(table, data);
        const TVirusInfo info = Scan(engine_, dir_.Write("r.bin", data));
        ASSERT_EQ(info.Found, expected >= 0) << "round " << round;
        if (expected >= 0) {
            ASSERT_EQ(info.VirusName, table[expected].Name.Str()) << "round " << round;
        }
    }
}

TEST_F(ProgramEngineTest, LeavesTheTableAsItWas)
{
    const auto table = MotifTable();
    const auto before = table;
    ASSERT_EQ(engine_.InitScan(table.data(), static_cast<std::int32_t>(table.size())), kCompiled);
    ExpectFound(Scan(engine_, dir_.Write("f.bin", DataWithMotif(100, 20))), "Motif.B");
    EXPECT_EQ(std::memcmp(table.data(), before.data(), table.size() * sizeof(TPatternSignature)), 0);
}

TEST_F(ProgramEngineTest, NoTableFindsNothing)
{
    const auto table = MotifTable();
    const std::string path = dir_.Write("f.bin", DataWithMotif(100, 20));
#ifdef _WIN32
    ExpectNothing(Scan(engine_, path));  // a freshly loaded library holds no table
#endif
    const struct {
        const TPatternSignature* table;
        std::int32_t count;
    } cases[] = {{nullptr, 3}, {table.data(), 0}, {table.data(), -1}};
    for (const auto& c : cases) {
        ASSERT_EQ(engine_.InitScan(c.table, c.count), kCompiled);
        ExpectNothing(Scan(engine_, path));
    }
}

TEST_F(ProgramEngineTest, RecordsPastTheCapacityAreIgnored)
{
    const std::string path = dir_.Write("f.bin", DataWithMotif(100, 20));
    std::vector<TPatternSignature> table(MAX_NB_SIG + 1, MakeSignature("Other", "0102030405060708"));
    table[MAX_NB_SIG] = MotifTable()[1];
    ASSERT_EQ(engine_.InitScan(table.data(), MAX_NB_SIG + 1), kCompiled);
    ExpectNothing(Scan(engine_, path));
    table[MAX_NB_SIG - 1] = MotifTable()[1];
    ASSERT_EQ(engine_.InitScan(table.data(), MAX_NB_SIG + 1), kCompiled);
    ExpectFound(Scan(engine_, path), "Motif.B");
}

TEST(ScanEngine, WithoutAnEngineNothingIsCalledNorFound)
{
    const TScanEngine none;
    EXPECT_FALSE(none.Usable());
    const auto table = MotifTable();
    EXPECT_EQ(none.InitScan(table.data(), 3), std::nullopt);
    TTempDir dir;
    ExpectNothing(Scan(none, dir.Write("f.bin", DataWithMotif(100, 20))));
}

#ifdef _WIN32

std::string FolderOf(const TTempDir& dir)
{
    std::string folder = dir.Path("");
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

std::string FakeEngineFolder(const std::string& fake) { return ProgramFolder() + "fake_engines\\" + fake + "\\"; }

std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, n);
}

bool SameText(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// Every test starts and ends with no QZ_SSCAN.DLL in the process.
class EngineLibraryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(GetModuleHandleA(SCAN_ENGINE_LIBRARY_NAME), nullptr); }
    void TearDown() override { EXPECT_EQ(GetModuleHandleA(SCAN_ENGINE_LIBRARY_NAME), nullptr); }

    TTempDir dir_;
    TTempDir emptyFolder_;
};

TEST_F(EngineLibraryTest, TheProgramFolderIsThatOfTheExecutable)
{
    EXPECT_TRUE(SameText(ExecutableFolder(), ProgramFolder()));
    EXPECT_EQ(ExecutableFolder().back(), '\\');
}

TEST_F(EngineLibraryTest, LoadsTheLibraryOfTheProgramFolderByFullPath)
{
    const TScanEngine engine = TScanEngine::Locate(ProgramFolder());
    ASSERT_TRUE(engine.Usable());
    EXPECT_TRUE(SameText(ModulePath(engine.Library()), ProgramFolder() + SCAN_ENGINE_LIBRARY_NAME));
    const auto table = MotifTable();
    ASSERT_EQ(engine.InitScan(table.data(), 3), kCompiled);
    ExpectFound(Scan(engine, dir_.Write("f.bin", DataWithMotif(100, 20))), "Motif.B");
}

// A module of the library's name already in the process was not verified:
// it is never taken in place of the folder's file.
TEST_F(EngineLibraryTest, ALibraryAlreadyLoadedIsNotTaken)
{
    const TModuleHandle held(LoadLibraryA((ProgramFolder() + SCAN_ENGINE_LIBRARY_NAME).c_str()));
    ASSERT_TRUE(held);
    const TScanEngine engine = TScanEngine::Locate(FolderOf(emptyFolder_));
    EXPECT_FALSE(engine.Usable());
    EXPECT_EQ(engine.Library(), nullptr);
}

// The verified load: by the path opened, only when the module is the held file.
TEST_F(EngineLibraryTest, LoadsTheVerifiedFileOnly)
{
    const auto open = [](const std::string& path) {
        return TFileHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    };
    const std::string real = ProgramFolder() + SCAN_ENGINE_LIBRARY_NAME;
    const std::string fake = FakeEngineFolder("found2") + SCAN_ENGINE_LIBRARY_NAME;
    const TFileHandle realFile = open(real), fakeFile = open(fake);
    ASSERT_TRUE(realFile);
    ASSERT_TRUE(fakeFile);
    {
        const TScanEngine engine = TScanEngine::LoadVerified(real, realFile.Get());
        ASSERT_TRUE(engine.Usable());
        EXPECT_TRUE(SameText(ModulePath(engine.Library()), real));
    }
    // A handle on another file than the path loads: refused.
    EXPECT_FALSE(TScanEngine::LoadVerified(real, fakeFile.Get()).Usable());
    EXPECT_FALSE(TScanEngine::LoadVerified(fake, realFile.Get()).Usable());
    // A relative path, or no handle: refused.
    EXPECT_FALSE(TScanEngine::LoadVerified(SCAN_ENGINE_LIBRARY_NAME, realFile.Get()).Usable());
    EXPECT_FALSE(TScanEngine::LoadVerified(real, INVALID_HANDLE_VALUE).Usable());
}

TEST_F(EngineLibraryTest, AFoundValueOtherThanOneIsNoDetection)
{
    const TScanEngine engine = TScanEngine::Locate(FakeEngineFolder("found2"));
    ASSERT_TRUE(engine.Usable());
    EXPECT_TRUE(SameText(ModulePath(engine.Library()), FakeEngineFolder("found2") + SCAN_ENGINE_LIBRARY_NAME));
    ExpectNothing(Scan(engine, dir_.Write("f.bin", DataWithMotif(100, 20))));
}

TEST_F(EngineLibraryTest, AnIncompleteOrMissingLibraryIsNeverCalled)
{
    for (const std::string& folder :
         {FakeEngineFolder("no_exports"), FakeEngineFolder("scanfile_only"), FolderOf(emptyFolder_)}) {
        const TScanEngine engine = TScanEngine::Locate(folder);
        EXPECT_FALSE(engine.Usable()) << folder;
        const auto table = MotifTable();
        EXPECT_EQ(engine.InitScan(table.data(), 3), std::nullopt);
        // scanfile_only's scanfile would report "Fake.Called".
        ExpectNothing(Scan(engine, dir_.Write("f.bin", DataWithMotif(100, 20))));
    }
}

// Sets the current folder and puts a folder first on the PATH, restoring both.
class TPlantedSearchPlaces {
public:
    explicit TPlantedSearchPlaces(const std::string& folder)
    {
        char current[MAX_PATH];
        current_.assign(current, GetCurrentDirectoryA(MAX_PATH, current));
        const char* path = std::getenv("PATH");
        path_ = path ? path : "";
        SetCurrentDirectoryA(folder.c_str());
        SetEnvironmentVariableA("PATH", (folder + ";" + path_).c_str());
    }
    ~TPlantedSearchPlaces()
    {
        SetEnvironmentVariableA("PATH", path_.c_str());
        SetCurrentDirectoryA(current_.c_str());
    }
    TPlantedSearchPlaces(const TPlantedSearchPlaces&) = delete;
    TPlantedSearchPlaces& operator=(const TPlantedSearchPlaces&) = delete;

private:
    std::string current_, path_;
};

TEST_F(EngineLibraryTest, ALibraryPlantedInTheCurrentFolderOrOnThePathIsNotLoaded)
{
    std::filesystem::copy_file(FakeEngineFolder("found2") + SCAN_ENGINE_LIBRARY_NAME,
                               dir_.Path(SCAN_ENGINE_LIBRARY_NAME));
    const TPlantedSearchPlaces planted(FolderOf(dir_));
    {
        // The planted library is a working one: it loads when named in full.
        const TModuleHandle direct(LoadLibraryA(dir_.Path(SCAN_ENGINE_LIBRARY_NAME).c_str()));
        ASSERT_TRUE(direct);
    }
    const TScanEngine engine = TScanEngine::Locate(FolderOf(emptyFolder_));
    EXPECT_FALSE(engine.Usable());
    EXPECT_EQ(engine.Library(), nullptr);
    EXPECT_EQ(GetModuleHandleA(SCAN_ENGINE_LIBRARY_NAME), nullptr);
}

#endif

} // namespace
