// Deleting the file that was checked, and only it: another file or a link at
// its path, a changed file, files with every attribute, missing files, files
// in use, folders and paths that do not fit; the hook that reads it first.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>

#include "common/file.h"
#include "common/file_identity.h"
#include "common/handle.h"
#include "process/file_removal.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }
bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }
std::string Content(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TFileIdentity IdentityOfFile(const std::string& path)
{
    const std::optional<TFileIdentity> identity = IdentityAt(path);
    EXPECT_TRUE(identity.has_value()) << path;
    return identity.value_or(TFileIdentity{});
}

// A file link at link to target; false where links cannot be made here (an
// account without the privilege; a system whose call makes nothing).
bool MakeFileLink(const std::string& link, const std::string& target)
{
    return CreateSymbolicLinkA(link.c_str(), target.c_str(), 0) && Exists(link);
}

// What may happen to the checked file's path between its check and its
// deletion, and what the deletion must then do.
TEST(DeleteInfectedFile, OnlyTheCheckedFileIsDeleted)
{
    using TChange = std::function<bool(const TTempDir&, const std::string& checked)>;
    const struct {
        const char* what;
        TChange change;  // false: cannot be done here
        bool deleted;
    } cases[] = {
        {"nothing", [](const TTempDir&, const std::string&) { return true; }, true},
        {"another file of the same name",
         [](const TTempDir& dir, const std::string& checked) {
             return MoveFileA(checked.c_str(), dir.Path("moved.exe").c_str()) && !dir.Write("x.exe", "innocent").empty();
         },
         false},
        {"the file rewritten",
         [](const TTempDir& dir, const std::string&) { return !dir.Write("x.exe", "MZ rewritten").empty(); }, false},
        {"a link to it at its path",
         [](const TTempDir& dir, const std::string& checked) {
             return MoveFileA(checked.c_str(), dir.Path("moved.exe").c_str()) && MakeFileLink(checked, dir.Path("moved.exe"));
         },
         false},
    };
    for (const auto& c : cases) {
        const TTempDir dir;
        const std::string checked = dir.Write("x.exe", "MZ");
        const TFileIdentity identity = IdentityOfFile(checked);
        if (!c.change(dir, checked)) {
            std::cout << "not tried here: " << c.what << "\n";
            continue;
        }
        const std::string before = Content(checked);
        ASSERT_TRUE(SetFileAttributesA(checked.c_str(), FILE_ATTRIBUTE_READONLY)) << c.what;
        // The hook reads the checked file, its attributes not yet cleared,
        // and only when it is about to be deleted.
        std::string seen = "not called";
        const auto readBeforeDeletion = [&](void* file) {
            char bytes[8];
            std::size_t read = 0;
            seen = ReadFromHandle(file, bytes, sizeof bytes, read) ? std::string(bytes, read) : "unreadable";
            if (!(AttributesOf(file).value_or(0) & FILE_ATTRIBUTE_READONLY)) seen += ", attributes cleared";
        };
        EXPECT_EQ(DeleteInfectedFile(checked, identity, readBeforeDeletion), c.deleted) << c.what;
        EXPECT_EQ(seen, c.deleted ? "MZ" : "not called") << c.what;
        EXPECT_EQ(Exists(checked), !c.deleted) << c.what;
        if (!c.deleted) {
            EXPECT_EQ(Content(checked), before) << c.what;
        }
        if (Exists(dir.Path("moved.exe"))) {
            EXPECT_EQ(Content(dir.Path("moved.exe")), "MZ") << c.what;
        }
    }
}

TEST(DeleteInfectedFile, DeletesReadOnlyHiddenAndSystemFiles)
{
    const TTempDir dir;
    for (const DWORD attributes : {DWORD{FILE_ATTRIBUTE_NORMAL}, DWORD{FILE_ATTRIBUTE_READONLY},
                                   DWORD{FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_SYSTEM},
                                   DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}}) {
        const std::string path = dir.Write("infected.exe", "MZ");
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes));
        EXPECT_TRUE(DeleteInfectedFile(path, IdentityOfFile(path))) << attributes;
        EXPECT_FALSE(Exists(path)) << attributes;
    }
}

TEST(DeleteInfectedFile, AMissingFileGivesFalseAndChangesNothing)
{
    const TTempDir dir;
    const std::string other = dir.Write("other.exe", "MZ");
    ASSERT_TRUE(SetFileAttributesA(other.c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD before = Attributes(other);
    EXPECT_FALSE(DeleteInfectedFile(dir.Path("missing.exe"), IdentityOfFile(other)));
    EXPECT_FALSE(Exists(dir.Path("missing.exe")));
    EXPECT_EQ(Attributes(other), before);
}

TEST(DeleteInfectedFile, AFileHeldOpenWithoutDeleteSharingStaysWithTheArchiveAttributeAlone)
{
    const TTempDir dir;
    const std::string path = dir.Write("in_use.exe", "MZ");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    const TFileIdentity identity = IdentityOfFile(path);
    {
        const TFileHandle held(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(DeleteInfectedFile(path, identity));
        EXPECT_TRUE(Exists(path));
        EXPECT_EQ(Attributes(path), DWORD{FILE_ATTRIBUTE_ARCHIVE});
    }
    EXPECT_TRUE(DeleteInfectedFile(path, identity));
}

TEST(DeleteInfectedFile, TwiceOnOnePathGivesTrueThenFalse)
{
    const TTempDir dir;
    const std::string path = dir.Write("twice.exe", "MZ");
    const TFileIdentity identity = IdentityOfFile(path);
    EXPECT_TRUE(DeleteInfectedFile(path, identity));
    EXPECT_FALSE(DeleteInfectedFile(path, identity));
}

TEST(DeleteInfectedFile, AFolderGivesFalseAndStays)
{
    const TTempDir dir;
    const std::string folder = dir.Path("folder.exe");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_FALSE(DeleteInfectedFile(folder, IdentityOfFile(folder)));
    EXPECT_TRUE(Attributes(folder) & FILE_ATTRIBUTE_DIRECTORY);
}

// A path longer than the deletion takes is refused whole, even where the
// system would open it; cut at a zero byte, a path would name another file,
// here the very file that was checked.
TEST(DeleteInfectedFile, APathThatDoesNotFitIsRefusedNotCut)
{
    const TTempDir dir;
    const std::string folder = dir.Path("");
    ASSERT_LT(folder.size() + 1, MAX_DELETE_PATH);
    const std::string tooLong = folder + std::string(MAX_DELETE_PATH + 1 - folder.size(), 'n');
    ASSERT_EQ(tooLong.size(), MAX_DELETE_PATH + 1);
    const std::wstring wideTooLong = L"\\\\?\\" + WidePath(tooLong);
    const TFileHandle made(CreateFileW(wideTooLong.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(made) << GetLastError();
    const std::optional<TFileIdentity> longIdentity = IdentityOf(made.Get());
    ASSERT_TRUE(longIdentity.has_value());
    EXPECT_FALSE(DeleteInfectedFile(tooLong, *longIdentity));
    EXPECT_NE(GetFileAttributesW(wideTooLong.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(wideTooLong.c_str());

    const std::string checked = dir.Write("checked.exe", "MZ");
    EXPECT_FALSE(DeleteInfectedFile(checked + std::string(1, '\0') + "x", IdentityOfFile(checked)));
    EXPECT_TRUE(Exists(checked));
}

}  // namespace
