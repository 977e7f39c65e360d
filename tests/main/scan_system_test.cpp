// The run's Windows system over a real folder: the listing admits every
// kind of entry, a folder link back to an ancestor is not entered again, a
// file opened for its check can be neither renamed nor rewritten, and names
// the code page cannot spell exactly (or spells with a look-alike) are
// found, checked and deleted through their short names.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "common/file.h"
#include "common/handle.h"
#include "common/text.h"
#include "pe/PE.h"
#include "main/scan_run.h"
#include "main/win32_scan_system.h"
#include "tests/main/shipped_set_check.h"
#include "tests/main/recording_scan_view.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

namespace fs = std::filesystem;

// Copies sample n of the shipped set to path (a wide path: any name).
void PlantSample(int n, const std::wstring& path)
{
    char name[40];
    std::snprintf(name, sizeof name, "PURVANE_TEST_SAMPLE_%03d.exe", n);
    ASSERT_TRUE(CopyFileW(WidePath(ProgramFolder() + "..\\samples\\" + name).c_str(), path.c_str(), FALSE)) << name;
}

class ScanSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = EnsureTrailingBackslash(fs::path(dir_.Path("drive")).string());
        fs::create_directories(root_);
    }

    std::string Make(const std::string& relative, DWORD attributes = 0)
    {
        const std::string path = root_ + relative;
        if (relative.back() == '\\') {
            fs::create_directories(path);
        } else {
            dir_.Write("drive\\" + relative, std::string("plain"));
        }
        if (attributes) SetFileAttributesA(path.c_str(), attributes);
        return path;
    }

    std::vector<std::string> Listing(const std::string& folder)
    {
        std::vector<std::string> names;
        system_.ForEachFolderEntry(folder, std::nullopt, [&](const TFolderEntry& e) {
            names.push_back(e.Name + (e.IsFolder ? "\\" : ""));
            return true;
        });
        std::sort(names.begin(), names.end());
        return names;
    }

    TTempDir dir_;
    std::string root_;
    TWin32ScanSystem system_;
    TShippedSetCheck shipped_;
};

TEST_F(ScanSystemTest, EveryKindOfEntryIsListed)
{
    Make(".config\\");
    Make("hidden\\", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    Make("system.dll", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    Make(".profile");
    EXPECT_EQ(Listing(root_), (std::vector<std::string>{"..\\", ".\\", ".config\\", ".profile", "hidden\\", "system.dll"}));
    EXPECT_TRUE(Listing(root_ + "missing\\").empty());
    SetFileAttributesA((root_ + "system.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ScanSystemTest, FoldersHaveOneIdentityWhateverPathReachesThem)
{
    Make("a\\b\\");
    const std::string link = root_ + "a\\b\\up";
    if (!MakeFolderLink(link, root_ + "a")) GTEST_SKIP() << "no folder link can be made here; the run's test plants one";
    const auto a = system_.FolderId(root_ + "a\\");
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(system_.FolderId(link + "\\"), a);
    EXPECT_EQ(system_.FolderId(root_ + "a"), a);
    EXPECT_NE(system_.FolderId(root_ + "a\\b\\"), a);
    EXPECT_FALSE(system_.FolderId(root_ + "missing\\").has_value());
    RemoveDirectoryA(link.c_str());
}

TEST_F(ScanSystemTest, AFileOpenedForItsCheckCanBeNeitherRenamedNorRewritten)
{
    const std::string path = Make("x.exe");
    {
        const std::unique_ptr<TCheckedObject> opened = system_.OpenForCheck(path);
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(system_.StampAt(path), opened->Stamp());
        ASSERT_TRUE(opened->Identity().has_value());
        EXPECT_EQ(opened->Identity(), IdentityAt(path));
        EXPECT_EQ(opened->Identity()->Stamp(), opened->Stamp());
        EXPECT_FALSE(MoveFileA(path.c_str(), (root_ + "y.exe").c_str()));
        EXPECT_FALSE(TFileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr)));
    }
    EXPECT_TRUE(MoveFileA(path.c_str(), (root_ + "y.exe").c_str()));
    EXPECT_EQ(system_.OpenForCheck(path), nullptr);
    EXPECT_FALSE(system_.StampAt(path).has_value());
}

// The walk of a folder tree with samples in a dot folder, in a hidden and
// system folder, behind a loop, and under names the code page cannot spell
// or would spell with look-alikes, in a folder of such a name.
TEST_F(ScanSystemTest, TheWalkFindsEverySampleOnceAndDeletesThemThroughExactNames)
{
    Make(".cache\\");
    Make("hidden\\", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    PlantSample(1, WidePath(root_ + ".cache\\one.exe"));
    PlantSample(2, WidePath(root_ + "hidden\\two.exe"));
    const std::wstring lookAlikeFolder = WidePath(root_) + L"\u0141\u00F3d\u017A\\";  // Lodz with a barred L
    ASSERT_TRUE(CreateDirectoryW(lookAlikeFolder.c_str(), nullptr));
    const std::wstring unspellable[] = {
        WidePath(root_) + L"caf\u4E2D.exe",            // no spelling at all: "?"
        lookAlikeFolder + L"\u0141ukasz.exe",          // best fit: Lukasz.exe
        lookAlikeFolder + L"\u0131x.exe",              // dotless i: ix.exe
        lookAlikeFolder + L"\uFF21\uFF22.exe",         // fullwidth: AB.exe
    };
    for (std::size_t i = 0; i < std::size(unspellable); ++i) PlantSample(static_cast<int>(3 + i), unspellable[i]);
    // Innocent files at the look-alike spellings, which must be left alone.
    const std::wstring lookAlikeSpelling = WidePath(root_) + L"L\u00F3dz\\";
    ASSERT_TRUE(CreateDirectoryW(lookAlikeSpelling.c_str(), nullptr));
    const std::wstring decoys[] = {lookAlikeSpelling + L"Lukasz.exe", lookAlikeSpelling + L"ix.exe",
                                   lookAlikeSpelling + L"AB.exe"};
    for (const std::wstring& decoy : decoys) {
        const TFileHandle file(CreateFileW(decoy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
    }
    const bool linked = MakeFolderLink(root_ + "hidden\\loop", root_);

    TRecordingView view;
    view.answer = TPromptAnswer::Delete;
    TNoJournal journal;
    TScanRun run(view, system_, shipped_.Check(), journal);
    run.ScanFileSystem(root_);

    std::vector<std::string> found;
    for (const TRow& r : view.rows) {
        EXPECT_EQ(r.Path.find('?'), std::string::npos) << r.Path;
        EXPECT_EQ(r.Action, ACTION_DELETED) << r.Path;
        found.push_back(r.Name.substr(0, r.Name.find('.', r.Name.find('.') + 1)));  // the sample's name, without ".code"
    }
    std::sort(found.begin(), found.end());
    // Each sample once: the pattern check finds it and it is deleted.
    EXPECT_EQ(found, (std::vector<std::string>{"Purvane-Test.Sample-001", "Purvane-Test.Sample-002",
                                               "Purvane-Test.Sample-003", "Purvane-Test.Sample-004",
                                               "Purvane-Test.Sample-005", "Purvane-Test.Sample-006"}));
    for (const std::wstring& path : unspellable) EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    for (const std::wstring& decoy : decoys) EXPECT_NE(GetFileAttributesW(decoy.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(run.FileCounter(), 9);
    EXPECT_EQ(run.UncheckedObjects(TUncheckedReason::Unspellable), 0);
    if (linked) RemoveDirectoryA((root_ + "hidden\\loop").c_str());
    SetFileAttributesA((root_ + "hidden").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A 32-bit program on 64-bit Windows reaches the real system folder through
// "Sysnative"; elsewhere the Windows folder lists "System32" as it is.
TEST_F(ScanSystemTest, TheWindowsFolderListsTheRealSystemFolder)
{
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string folder = EnsureTrailingBackslash(windows);
    const std::vector<std::string> listed = Listing(folder);
    const auto has = [&](const char* upperName) {
        return std::any_of(listed.begin(), listed.end(), [&](const std::string& n) { return UpperCaseAscii(n) == upperName; });
    };
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_EQ(system_.MissesModulesOf64BitProcesses(), wow64 != FALSE);
    EXPECT_EQ(has("SYSNATIVE\\"), wow64 != FALSE);
    EXPECT_EQ(has("SYSTEM32\\"), wow64 == FALSE);
    if (!wow64) return;
    // What the run walks as Sysnative is the 64-bit system folder: its
    // kernel32.dll is an x64 image, unlike SysWOW64's.
    TFile image = TFile::Open(folder + "Sysnative\\kernel32.dll", TFile::TAccess::Read);
    std::uint8_t dosHeader[DOS_HEADER_SIZE], machine[2];
    ASSERT_TRUE(image.ReadExact(dosHeader, sizeof dosHeader));
    ASSERT_TRUE(image.Seek((dosHeader[E_LFANEW_OFFSET] | dosHeader[E_LFANEW_OFFSET + 1] << 8) + FILE_HEADER_OFFSET));
    ASSERT_TRUE(image.ReadExact(machine, sizeof machine));
    EXPECT_EQ(machine[0] | machine[1] << 8, IMAGE_FILE_MACHINE_AMD64);
}

TEST(ScanSystem, TheSystemDriveIsTheWindowsFoldersDrive)
{
    char drive[8];
    ASSERT_EQ(GetEnvironmentVariableA("SystemDrive", drive, sizeof drive), 2u);
    TWin32ScanSystem system;
    EXPECT_EQ(system.GetSystemDrive(), drive[0]);
}

} // namespace
