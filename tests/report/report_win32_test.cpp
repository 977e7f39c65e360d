// The report's Windows side: its files are only ever new ones, written at
// once and readable by others meanwhile; the machine's facts and the clock.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

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

// Everyone granted every right on the folder at path, as a user who made it
// might leave it.
void OpenToEveryone(const std::string& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &descriptor,
                                                                     nullptr));
    const TLocalMemory held(descriptor);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_EQ(SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, dacl, nullptr),
              DWORD{ERROR_SUCCESS});
}

// The reports' own folder is BASE\Purvane\Rapports, exactly as the program
// makes its protected folders; one a user made first is set aside with
// what it held, and a report made there is a new file.
TEST(ReportWin32, TheReportsFolderIsAProtectedOne)
{
    for (const bool madeFirst : {false, true}) {
        TTempDir dir;
        const std::string base = dir.Path("ProgramData");
        std::filesystem::create_directories(base + "\\Purvane\\Rapports");
        if (madeFirst) {
            dir.Write("ProgramData\\Purvane\\Rapports\\Purvane-20240305-140709.txt", std::string("planted"));
            OpenToEveryone(base + "\\Purvane");
        } else {
            std::filesystem::remove_all(base + "\\Purvane");
        }
        TReportsFolder folder(std::wstring(base.begin(), base.end()));
        ASSERT_EQ(folder.Path(), base + "\\Purvane\\Rapports\\") << madeFirst;
        const TFileHandle held(CreateFileA(folder.Path().c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(held) << madeFirst;
        const std::optional<TObjectFacts> facts = FactsOfFolder(held.Get());
        ASSERT_TRUE(facts.has_value()) << madeFirst;
        // As a folder the program makes on this system (Wine keeps no owner and no protection).
        const TFileHandle made = TakeProtectedFolder(std::filesystem::path(dir.Path("made")).wstring());
        ASSERT_TRUE(made);
        EXPECT_TRUE(IsTrusted(*facts, FactsOfFolder(made.Get()))) << madeFirst;
        EXPECT_TRUE(std::filesystem::is_empty(folder.Path())) << madeFirst;
        TWin32ReportFiles files;
        bool nameTaken = true;
        EXPECT_TRUE(files.CreateNew(folder.Path() + "Purvane-20240305-140709.txt", nameTaken)) << madeFirst;
        // The folder made first, and what it held, set aside beside the new one.
        int setAside = 0;
        for (const auto& entry : std::filesystem::directory_iterator(base))
            if (entry.path().filename().string().starts_with("Purvane.") && entry.path().extension() == ".ecarte") ++setAside;
        EXPECT_EQ(setAside, madeFirst ? 1 : 0);
    }
}

} // namespace
