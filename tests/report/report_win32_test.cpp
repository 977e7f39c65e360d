// The report's Windows side: its files are only ever new ones, written at
// once and readable by others meanwhile; the machine's facts and the clock.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/handle.h"
#include "main/report/report_win32.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Content(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TKernelHandle OpenWith(const std::string& path, DWORD access)
{
    const HANDLE h = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    return TKernelHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

TEST(ReportWin32, ANewFileWrittenAtOnceAndReadableMeanwhile)
{
    TTempDir dir;
    TWin32ReportFiles files;
    bool nameTaken = true;
    const std::string path = dir.Path("Purvane-20240305-140709.txt");
    std::unique_ptr<TReportFile> file = files.CreateNew(path, nameTaken);
    ASSERT_TRUE(file);
    EXPECT_FALSE(nameTaken);
    EXPECT_EQ(file->Path(), path);
    file->Append("Purvane\r\n");
    file->Append(std::string(100000, 'x'));
    EXPECT_EQ(Content(path), "Purvane\r\n" + std::string(100000, 'x'));
    EXPECT_TRUE(OpenWith(path, GENERIC_READ));
    EXPECT_FALSE(OpenWith(path, GENERIC_WRITE));
    file.reset();
    EXPECT_TRUE(OpenWith(path, GENERIC_WRITE));
}

TEST(ReportWin32, NothingAlreadyThereIsOpened)
{
    TTempDir dir;
    TWin32ReportFiles files;
    const std::string existing = dir.Write("earlier.txt", std::string("an earlier report"));
    std::filesystem::create_directory(dir.Path("folder.txt"));
    const struct {
        const char* what;
        std::string path;
        bool nameTaken;
    } cases[] = {
        {"a file", existing, true},
        {"a folder", dir.Path("folder.txt"), true},
        {"a missing folder: refused", dir.Path("missing\\r.txt"), false},
    };
    for (const auto& c : cases) {
        bool nameTaken = !c.nameTaken;
        EXPECT_FALSE(files.CreateNew(c.path, nameTaken)) << c.what;
        EXPECT_EQ(nameTaken, c.nameTaken) << c.what;
    }
    EXPECT_EQ(Content(existing), "an earlier report");
}

TEST(ReportWin32, FactsAndClock)
{
    const TWindowsFacts facts = CurrentWindowsFacts(true);
    EXPECT_GE(facts.Major, 5u);
    EXPECT_GT(facts.Build, 0u);
    EXPECT_TRUE(facts.Wow64);
#ifdef _WIN64
    EXPECT_EQ(facts.Architecture, TArchitecture::X64);
#endif
    const std::string temp = TemporaryFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(std::filesystem::is_directory(temp));

    const TReportClock clock = SystemReportClock();
    const TLocalTime now = clock.Now();
    EXPECT_GE(now.Year, 2013);
    EXPECT_TRUE(now.Month >= 1 && now.Month <= 12 && now.Day >= 1 && now.Day <= 31) << now.Month << " " << now.Day;
    // The count moves by the system's tick (10 to 16 ms), so a wait of
    // 200 ms shows as no less than 200 ms less two ticks.
    const std::int64_t before = clock.Milliseconds();
    Sleep(200);
    EXPECT_GE(clock.Milliseconds() - before, 200 - 2 * 16);
}

} // namespace
