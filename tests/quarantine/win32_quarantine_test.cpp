// The quarantine on Windows, over a scratch folder in place of ProgramData:
// the copy kept through the deletion's own handle, the restore byte for byte
// with the attributes and what it refuses, a copy that no shipped signature
// finds, and a quarantine folder planted or linked in advance.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "common/code_page.h"
#include "common/file.h"
#include "common/handle.h"
#include "main/win32_scan_system.h"
#include "quarantine/win32_quarantine.h"
#include "tests/main/shipped_set_check.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

namespace fs = std::filesystem;

std::string Content(const std::string& path)
{
    TFile file = TFile::Open(path, TFile::TAccess::Read);
    std::uint64_t size = 0;
    std::string content;
    if (!file.GetSize(size)) return content;
    content.resize(static_cast<std::size_t>(size));
    return file.ReadExact(content.data(), content.size()) ? content : std::string();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class TDetectionCount final : public TDetectionHandler {
public:
    int count = 0;
    void OnDetection(const std::string&, const std::string&, TDetectionKind) override { ++count; }
    void OnCheckError(const std::string&, const std::string&) override {}
};

class QuarantineWin32Test : public ::testing::Test {
protected:
    QuarantineWin32Test()
    {
        fs::create_directories(base_);
        fs::create_directories(drive_);
    }

    // Writes content at relative (below the drive folder, one folder deep at
    // most, in the program's code page) with attributes.
    std::string Plant(const std::string& relative, const std::string& content, DWORD attributes = 0)
    {
        const std::string path = drive_ + relative;
        CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
        const TFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        EXPECT_TRUE(file && WriteAll(file.Get(), content.data(), content.size())) << path;
        if (attributes) {
            EXPECT_TRUE(SetFileAttributesA(path.c_str(), attributes));
        }
        return path;
    }

    TRemoval Delete(const std::string& path)
    {
        const std::optional<TFileIdentity> identity = IdentityAt(path);
        EXPECT_TRUE(identity.has_value()) << path;
        return system_.DeleteInfectedFile(path, identity.value_or(TFileIdentity{}), "Worm.Test");
    }

    std::string EntryPath(const std::string& id)
    {
        return ExactAnsiSpelling(quarantine_.FolderPath()).value_or("?") + EntryFileName(id);
    }

    static std::string SampleBytes(const char* name)
    {
        std::string bytes = Content(ProgramFolder() + "..\\samples\\" + name);
        if (bytes.empty()) ADD_FAILURE() << "no sample " << name;
        return bytes;
    }

    TTempDir dir_;
    const std::string base_ = dir_.Path("ProgramData");
    const std::string drive_ = dir_.Path("drive") + "\\";
    TWin32Quarantine quarantine_{WidePath(base_)};
    TWin32ScanSystem system_{&quarantine_};
};

TEST_F(QuarantineWin32Test, ACopyKeptThroughTheDeletionIsRestoredByteForByteWithItsAttributes)
{
    const struct {
        const char* what;
        std::string content;
        DWORD attributes;
    } cases[] = {
        {"a sample program", SampleBytes("PURVANE_TEST_SAMPLE_001.exe"), 0},
        {"a read-only, hidden, system file", SampleBytes("eicar.com"),
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"an empty file", "", FILE_ATTRIBUTE_HIDDEN},
    };
    for (const auto& c : cases) {
        const std::string path = Plant("dossier\\infect\xE9.exe", c.content, c.attributes);
        const DWORD attributes = GetFileAttributesA(path.c_str());

        const TRemoval removal = Delete(path);
        EXPECT_TRUE(removal.Deleted) << c.what;
        ASSERT_EQ(removal.Copy, TCopyOutcome::Kept) << c.what;
        EXPECT_FALSE(Exists(path)) << c.what;
        ASSERT_TRUE(Exists(EntryPath(removal.QuarantineId))) << c.what;
        const std::vector<TQuarantineEntry> entries = quarantine_.Entries();
        ASSERT_EQ(entries.size(), 1u) << c.what;
        ASSERT_TRUE(entries[0].Record.has_value()) << c.what;
        EXPECT_EQ(entries[0].Record->OriginalPath, Utf8FromWide(WideFromAnsi(path))) << c.what;
        EXPECT_EQ(entries[0].Record->MalwareName, "Worm.Test") << c.what;
        EXPECT_EQ(entries[0].Record->Size, c.content.size()) << c.what;
        EXPECT_EQ(entries[0].Record->Attributes, attributes) << c.what;

        const TRestoreResult restored = quarantine_.Restore(removal.QuarantineId);
        EXPECT_TRUE(restored.Restored) << c.what << ": " << restored.Text;
        EXPECT_EQ(restored.Text, "Fichier restaur\xE9 : " + path + ".") << c.what;
        EXPECT_EQ(Content(path), c.content) << c.what;
        EXPECT_EQ(GetFileAttributesA(path.c_str()), attributes) << c.what;
        EXPECT_TRUE(quarantine_.Entries().empty()) << c.what;
        EXPECT_FALSE(Exists(EntryPath(removal.QuarantineId))) << c.what;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
}

// What may become of the path between the deletion and the restore, and
// what the restore must then do. A refused restore changes nothing and
// keeps the entry.
TEST_F(QuarantineWin32Test, TheRestoreWritesOnlyANewFileThroughRealFolders)
{
    using TChange = std::function<bool(const std::string& folder, const std::string& path)>;
    const struct {
        const char* what;
        TChange change;  // false: cannot be done here
        const char* refusal;  // nothing: restored
    } cases[] = {
        {"nothing", [](const std::string&, const std::string&) { return true; }, nullptr},
        {"a new file at the path",
         [](const std::string&, const std::string& path) { return static_cast<bool>(std::ofstream(path) << "innocent"); },
         "un fichier existe d\xE9j\xE0 \xE0 cet endroit"},
        {"the folder removed", [](const std::string& folder, const std::string&) { return RemoveDirectoryA(folder.c_str()) != 0; },
         "est introuvable"},
        {"a file in the folder's place",
         [](const std::string& folder, const std::string&) {
             return RemoveDirectoryA(folder.c_str()) && static_cast<bool>(std::ofstream(folder) << "x");
         },
         "est introuvable"},
        {"the folder replaced by a link to another",
         [](const std::string& folder, const std::string&) {
             return MoveFileA(folder.c_str(), (folder + "-moved").c_str()) && MakeFolderLink(folder, folder + "-moved");
         },
         "le chemin passe par un lien de dossier"},
    };
    for (const auto& c : cases) {
        const TTempDir scratch;
        const std::string folder = scratch.Path("dossier");
        const std::string path = folder + "\\ver.exe";
        fs::create_directories(folder);
        std::ofstream(path, std::ios::binary) << "MZ the file";
        const TRemoval removal = Delete(path);
        ASSERT_EQ(removal.Copy, TCopyOutcome::Kept) << c.what;
        if (!c.change(folder, path)) {
            std::cout << "not tried here (links cannot be made): " << c.what << "\n";
            quarantine_.Remove(removal.QuarantineId);
            continue;
        }
        const std::string before = Content(path);
        const TRestoreResult result = quarantine_.Restore(removal.QuarantineId);
        EXPECT_EQ(result.Restored, c.refusal == nullptr) << c.what << ": " << result.Text;
        if (c.refusal) {
            EXPECT_NE(result.Text.find(c.refusal), std::string::npos) << c.what << ": " << result.Text;
            EXPECT_EQ(result.Text.rfind("Restauration de " + removal.QuarantineId + " refus\xE9" "e : ", 0), 0u) << result.Text;
            EXPECT_EQ(Content(path), before) << c.what;
            EXPECT_FALSE(Exists(folder + "-moved\\ver.exe")) << c.what;
            EXPECT_TRUE(Exists(EntryPath(removal.QuarantineId))) << c.what;
            quarantine_.Remove(removal.QuarantineId);
        } else {
            EXPECT_EQ(Content(path), "MZ the file") << c.what;
        }
        RemoveDirectoryA(folder.c_str());
    }
}

TEST_F(QuarantineWin32Test, ARefusedRestoreSucceedsOnceTheWayIsClear)
{
    const std::string path = Plant("ver.exe", "MZ original");
    const TRemoval removal = Delete(path);
    ASSERT_EQ(removal.Copy, TCopyOutcome::Kept);
    std::ofstream(path) << "innocent";
    EXPECT_FALSE(quarantine_.Restore(removal.QuarantineId).Restored);
    EXPECT_EQ(Content(path), "innocent");
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    EXPECT_TRUE(quarantine_.Restore(removal.QuarantineId).Restored);
    EXPECT_EQ(Content(path), "MZ original");
    EXPECT_FALSE(quarantine_.Restore(removal.QuarantineId).Restored);  // once
    EXPECT_EQ(quarantine_.Restore("not an id").Text,
              "Restauration de not an id refus\xE9" "e : la quarantaine n'a pas d'entr\xE9" "e de cet identifiant.");
}

TEST_F(QuarantineWin32Test, WhatTheDeletionKeeps)
{
    const std::string large = Plant("large.exe", "MZ");
    {
        const TFileHandle file(CreateFileA(large.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(MAX_QUARANTINED_FILE_SIZE + 1);
        ASSERT_TRUE(SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get()));
    }
    TRemoval removal = Delete(large);
    EXPECT_TRUE(removal.Deleted);
    EXPECT_EQ(removal.Copy, TCopyOutcome::TooLarge);

    // Held without delete sharing: not deleted, so no copy stays.
    const std::string held = Plant("held.exe", "MZ held");
    {
        const TFileHandle holder(CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
        removal = Delete(held);
        EXPECT_FALSE(removal.Deleted);
        EXPECT_EQ(removal.Copy, TCopyOutcome::None);
    }

    // Held without read sharing: it cannot be read for a copy, and it is
    // deleted all the same.
    const std::string unreadable = Plant("unreadable.exe", "MZ unreadable");
    {
        const TFileHandle holder(CreateFileA(unreadable.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        removal = Delete(unreadable);
        EXPECT_TRUE(removal.Deleted);
        EXPECT_EQ(removal.Copy, TCopyOutcome::Failed);
    }
    EXPECT_FALSE(Exists(unreadable));
    EXPECT_TRUE(quarantine_.Entries().empty());
}

// A later run walks the quarantine's folder: the shipped signatures must not
// find the copies there, as they find the files themselves.
TEST_F(QuarantineWin32Test, TheCopiesMatchNoShippedSignature)
{
    const TShippedSetCheck shipped;
    for (const char* sample : {"PURVANE_TEST_SAMPLE_001.exe", "PURVANE_TEST_SAMPLE_042.exe", "eicar.com"}) {
        const std::string path = Plant(sample, SampleBytes(sample));
        TDetectionCount original;
        shipped.Check().Check(path, original);
        EXPECT_GT(original.count, 0) << sample;
        const TRemoval removal = Delete(path);
        ASSERT_EQ(removal.Copy, TCopyOutcome::Kept) << sample;
        TDetectionCount copy;
        shipped.Check().Check(EntryPath(removal.QuarantineId), copy);
        EXPECT_EQ(copy.count, 0) << sample;
    }
}

// Everyone granted every right on the folder at path, as a user who made it
// would leave it.
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

// The rights on the folder at path that let Everyone or Users put something in it.
DWORD WriteRightsOfOthers(const std::string& path)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_EQ(GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                    nullptr, &descriptor),
              DWORD{ERROR_SUCCESS});
    const TLocalMemory held(descriptor);
    DWORD rights = 0;
    BYTE everyone[SECURITY_MAX_SID_SIZE], users[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size);
    size = sizeof users;
    CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &size);
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace) || static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (EqualSid(&allowed->SidStart, everyone) || EqualSid(&allowed->SidStart, users))
            rights |= allowed->Mask & (FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | WRITE_DAC | WRITE_OWNER | GENERIC_ALL);
    }
    return dacl ? rights : GENERIC_ALL;
}

// A user made Purvane\Quarantaine first, open to all, and left an entry of
// their own there that would restore a library into the Windows folder.
TEST_F(QuarantineWin32Test, AQuarantineFolderPlantedInAdvanceIsTakenBackAndEmptied)
{
    const std::string folder = base_ + "\\Purvane\\Quarantaine";
    fs::create_directories(folder);
    OpenToEveryone(base_ + "\\Purvane");
    OpenToEveryone(folder);
    ASSERT_NE(WriteRightsOfOthers(folder), 0u);
    TQuarantineRecord forged;
    forged.OriginalPath = "C:\\windows\\system32\\version.dll";
    forged.MalwareName = "Faux positif";
    std::vector<std::uint8_t> content = {'M', 'Z'};
    forged.Size = content.size();
    forged.Digest = MD5Digest(content.data(), content.size());
    std::vector<std::uint8_t> entry = EncodeEntry(forged, 42, content);
    entry.insert(entry.end(), content.begin(), content.end());
    const std::string plantedEntry = folder + "\\0123456789ABCDEF.pvq";
    dir_.Write("ProgramData\\Purvane\\Quarantaine\\0123456789ABCDEF.pvq", entry);
    dir_.Write("ProgramData\\Purvane\\Quarantaine\\other.bin", std::string("planted"));
    SetFileAttributesA((folder + "\\other.bin").c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_TRUE(quarantine_.Entries().empty());
    EXPECT_FALSE(Exists(plantedEntry));
    EXPECT_FALSE(Exists(folder + "\\other.bin"));
    EXPECT_EQ(WriteRightsOfOthers(folder), 0u);
    EXPECT_EQ(WriteRightsOfOthers(base_ + "\\Purvane"), 0u);
    EXPECT_EQ(quarantine_.Restore("0123456789ABCDEF").Restored, false);

    const TRemoval removal = Delete(Plant("ver.exe", "MZ"));
    EXPECT_EQ(removal.Copy, TCopyOutcome::Kept);
    EXPECT_EQ(quarantine_.Entries().size(), 1u);
}

// A link at either level, to a folder the user controls, is refused: the
// deletion goes on without a copy, and nothing is written through the link.
TEST_F(QuarantineWin32Test, ALinkAtEitherLevelIsRefused)
{
    for (const char* level : {"\\Purvane", "\\Purvane\\Quarantaine"}) {
        const TTempDir scratch;
        const std::string base = scratch.Path("ProgramData");
        const std::string elsewhere = scratch.Path("elsewhere");
        fs::create_directories(base + "\\Purvane");
        fs::create_directories(elsewhere);
        RemoveDirectoryA((base + level).c_str());
        if (!MakeFolderLink(base + level, elsewhere)) {
            std::cout << "not tried here (links cannot be made): a link at " << level << "\n";
            continue;
        }
        TWin32Quarantine quarantine(WidePath(base));
        TWin32ScanSystem system(&quarantine);
        const std::string path = Plant("ver.exe", "MZ");
        const TRemoval removal = system.DeleteInfectedFile(path, IdentityAt(path).value(), "Worm.Test");
        EXPECT_TRUE(removal.Deleted) << level;
        EXPECT_EQ(removal.Copy, TCopyOutcome::Failed) << level;
        EXPECT_TRUE(fs::is_empty(elsewhere)) << level;
        RemoveDirectoryA((base + level).c_str());
    }
}

} // namespace
