// Deleting files with every attribute, missing files, files in use, folders
// and paths that do not fit.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/handle.h"
#include "process/file_removal.h"
#include "tests/support/temp_dir.h"

namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }
bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

TEST(DeleteInfectedFile, DeletesReadOnlyHiddenAndSystemFiles)
{
    const TTempDir dir;
    for (const DWORD attributes : {DWORD{FILE_ATTRIBUTE_NORMAL}, DWORD{FILE_ATTRIBUTE_READONLY},
                                   DWORD{FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_SYSTEM},
                                   DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}}) {
        const std::string path = dir.Write("infected.exe", "MZ");
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes));
        EXPECT_TRUE(DeleteInfectedFile(path)) << attributes;
        EXPECT_FALSE(Exists(path)) << attributes;
    }
}

TEST(DeleteInfectedFile, AMissingFileGivesFalseAndChangesNothing)
{
    const TTempDir dir;
    const std::string other = dir.Write("other.exe", "MZ");
    ASSERT_TRUE(SetFileAttributesA(other.c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD before = Attributes(other);
    EXPECT_FALSE(DeleteInfectedFile(dir.Path("missing.exe")));
    EXPECT_FALSE(Exists(dir.Path("missing.exe")));
    EXPECT_EQ(Attributes(other), before);
}

TEST(DeleteInfectedFile, AFileHeldOpenWithoutDeleteSharingStaysWithTheArchiveAttributeAlone)
{
    const TTempDir dir;
    const std::string path = dir.Write("in_use.exe", "MZ");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    {
        const TFileHandle held(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(DeleteInfectedFile(path));
        EXPECT_TRUE(Exists(path));
        EXPECT_EQ(Attributes(path), DWORD{FILE_ATTRIBUTE_ARCHIVE});
    }
    EXPECT_TRUE(DeleteInfectedFile(path));
}

TEST(DeleteInfectedFile, TwiceOnOnePathGivesTrueThenFalse)
{
    const TTempDir dir;
    const std::string path = dir.Write("twice.exe", "MZ");
    EXPECT_TRUE(DeleteInfectedFile(path));
    EXPECT_FALSE(DeleteInfectedFile(path));
}

TEST(DeleteInfectedFile, AFolderGivesFalseAndStays)
{
    const TTempDir dir;
    const std::string folder = dir.Path("folder.exe");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_FALSE(DeleteInfectedFile(folder));
    EXPECT_TRUE(Attributes(folder) & FILE_ATTRIBUTE_DIRECTORY);
}

// A path longer than the deletion takes is refused whole: cut, it would name
// another file, here the one whose path is exactly the longest.
TEST(DeleteInfectedFile, APathThatDoesNotFitIsRefusedNotCut)
{
    const TTempDir dir;
    const std::string folder = dir.Path("");
    ASSERT_LT(folder.size() + 1, MAX_DELETE_PATH);
    const std::string longest = dir.Write(std::string(MAX_DELETE_PATH - folder.size(), 'n'), "MZ");
    ASSERT_EQ(longest.size(), MAX_DELETE_PATH);
    EXPECT_FALSE(DeleteInfectedFile(longest + "x"));
    EXPECT_FALSE(DeleteInfectedFile(longest + std::string(1, '\0') + "x"));
    EXPECT_TRUE(Exists(longest));
    EXPECT_TRUE(DeleteInfectedFile(longest));
}

}  // namespace
