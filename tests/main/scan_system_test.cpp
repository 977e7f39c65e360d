// The run's Windows system over a real folder: the listing admits every
// kind of entry, a folder link back to an ancestor is not entered again, and
// a name the code page cannot spell is found, checked and deleted through
// its short name.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "common/file.h"
#include "main/scan_system.h"
#include "tests/main/shipped_set_check.h"
#include "tests/main/recording_scan_view.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

namespace fs = std::filesystem;

// A folder link at link to target; false where links cannot be made here
// (an account without the privilege; a system whose call makes nothing).
bool MakeFolderLink(const std::string& link, const std::string& target)
{
    return CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
           GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

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
        system_.ForEachFolderEntry(folder, [&](const TFolderEntry& e) {
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
    const auto a = system_.FolderIdentity(root_ + "a\\");
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(system_.FolderIdentity(link + "\\"), a);
    EXPECT_EQ(system_.FolderIdentity(root_ + "a"), a);
    EXPECT_NE(system_.FolderIdentity(root_ + "a\\b\\"), a);
    EXPECT_FALSE(system_.FolderIdentity(root_ + "missing\\").has_value());
    RemoveDirectoryA(link.c_str());
}

// The walk of a folder tree with samples in a dot folder, in a hidden and
// system folder, behind a loop, and under a name the code page cannot spell.
TEST_F(ScanSystemTest, TheWalkFindsEverySampleOnceAndDeletesThemThroughSpellableNames)
{
    Make(".cache\\");
    Make("hidden\\", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    PlantSample(1, WidePath(root_ + ".cache\\one.exe"));
    PlantSample(2, WidePath(root_ + "hidden\\two.exe"));
    const std::wstring unspellable = WidePath(root_) + L"caf\u4E2D.exe";
    PlantSample(3, unspellable);
    const bool linked = MakeFolderLink(root_ + "hidden\\loop", root_);

    TRecordingView view;
    view.answer = 1;
    TScanRun run(view, system_, shipped_.Check());
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
                                               "Purvane-Test.Sample-003"}));
    EXPECT_EQ(GetFileAttributesW(unspellable.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(run.FileCounter(), 3);
    if (linked) RemoveDirectoryA((root_ + "hidden\\loop").c_str());
    SetFileAttributesA((root_ + "hidden").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ScanSystem, TheSystemDriveIsTheWindowsFoldersDrive)
{
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    TWin32ScanSystem system;
    EXPECT_EQ(system.GetSystemDrive(), windows[0]);
}

} // namespace
