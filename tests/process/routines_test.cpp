// The Win32 side of the path chain and the privileges.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/handle.h"
#include "process/process_routines.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

// Every text of the environment block, however long.
std::vector<std::string> WholeEnvironment()
{
    std::vector<std::string> texts;
    const TEnvironmentBlock block(GetEnvironmentStringsA());
    for (const char* text = block.Get(); *text; text += texts.back().size() + 1) texts.emplace_back(text);
    return texts;
}

void SetFileYear(const std::string& path, WORD year)
{
    const SYSTEMTIME date{year, 6, 0, 15, 12, 0, 0, 0};
    FILETIME time;
    ASSERT_TRUE(SystemTimeToFileTime(&date, &time));
    const TFileHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       0, nullptr));
    ASSERT_TRUE(file);
    ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &time));
}

TEST(Win32PathSystem, AnExistingFileIsNoFolderAndHasADosDate)
{
    const TTempDir dir;
    const TWin32PathSystem system;
    const struct {
        const char* name;
        WORD year;  // 0: left as written
        bool expected;
    } cases[] = {{"now.exe", 0, true}, {"y1980.exe", 1980, true}, {"y2107.exe", 2107, true},
                 {"y1979.exe", 1979, false}, {"y2108.exe", 2108, false}};
    for (const auto& c : cases) {
        const std::string path = dir.Write(c.name, "MZ");
        if (c.year) SetFileYear(path, c.year);
        EXPECT_EQ(system.IsExistingFile(path), c.expected) << c.name;
    }
    EXPECT_FALSE(system.IsExistingFile(dir.Path("missing.exe")));
    EXPECT_FALSE(system.IsExistingFile(dir.Path("")));
    EXPECT_FALSE(system.IsExistingFile(""));
}

TEST(GetEnvironmentList, TheCompleteTextsOfTheBlocksFirst4096Characters)
{
    // A variable too long for the window, so that the block goes past it.
    ASSERT_TRUE(SetEnvironmentVariableA("PURVANE_LONG", std::string(MAX_ENVIRONMENT_WINDOW, 'v').c_str()));
    const std::vector<std::string> whole = WholeEnvironment();
    const std::vector<std::string> listed = GetEnvironmentList();
    std::size_t used = 0, count = 0;
    while (count < whole.size() && used + whole[count].size() + 1 <= MAX_ENVIRONMENT_WINDOW)
        used += whole[count++].size() + 1;
    EXPECT_EQ(listed, std::vector<std::string>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(count)));
    EXPECT_LT(listed.size(), whole.size());
    SetEnvironmentVariableA("PURVANE_LONG", nullptr);
}

TEST(GetWindowsSearchPath, TheWindowsAndSystemFoldersEachFollowedBySemicolon)
{
    char windows[MAX_PATH], system[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    EXPECT_EQ(GetWindowsSearchPath(), std::string(windows) + ";" + system + ";");
}

TEST(NormalizeModulePath, RealPathsInNativeFormAndByName)
{
    const std::string own = ProgramFolder() + "process_win32_test.exe";
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    EXPECT_EQ(NormalizeModulePath("\\??\\" + own), own);
    EXPECT_EQ(NormalizeModulePath("kernel32.dll"), std::string(system) + "\\kernel32.dll");
    EXPECT_EQ(NormalizeModulePath(ProgramFolder() + "missing.dll"), "");
}

// Whether the program's token holds the named privilege enabled.
bool PrivilegeEnabled(const char* name)
{
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
    const TKernelHandle token(opened);
    LUID wanted;
    if (!LookupPrivilegeValueA(nullptr, name, &wanted)) return false;
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<std::uint8_t> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenPrivileges, buffer.data(), size, &size)) return false;
    const auto& privileges = *reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges.PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& p = privileges.Privileges[i];
        if (p.Luid.LowPart == wanted.LowPart && p.Luid.HighPart == wanted.HighPart)
            return (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    return false;
}

TEST(EnablePrivilege, APrivilegeTheTokenHoldsIsEnabledAndAnUnknownOneRefused)
{
    // The debug privilege, which the snapshot asks for, is held by an
    // administrator's token but disabled until enabled.
    EXPECT_TRUE(EnablePrivilege("SeDebugPrivilege"));
    EXPECT_TRUE(PrivilegeEnabled("SeDebugPrivilege"));
    EXPECT_FALSE(EnablePrivilege("SeNoSuchPrivilege"));
}

}  // namespace
