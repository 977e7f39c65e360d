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
#include "quarantine/win32_protected_folder.h"
#include "quarantine/win32_quarantine.h"
#include "tests/main/shipped_set_check.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

namespace fs = std::filesystem;

// The key of the tests' secret, in place of the program's.
const wchar_t* const kTestSecretKey = L"SOFTWARE\\Purvane-quarantine-test";

void DeleteTestSecretKey()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestSecretKey);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kTestSecretKey, KEY_WOW64_64KEY, 0);
}

// The secret in the tests' key, as the registry holds it; nothing without one.
std::optional<TQuarantineSecret> StoredSecret()
{
    TQuarantineSecret secret{};
    DWORD size = sizeof secret, type = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kTestSecretKey, L"CleQuarantaine", RRF_RT_ANY | RRF_SUBKEY_WOW6464KEY, &type,
                     secret.data(), &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof secret)
        return std::nullopt;
    return secret;
}

// An entry file as the encoder writes it with secret, naming path.
std::vector<std::uint8_t> ForgedEntry(const std::string& path, const TQuarantineSecret& secret)
{
    TQuarantineRecord forged;
    forged.OriginalPath = path;
    forged.MalwareName = "Faux positif";
    std::vector<std::uint8_t> content = {'M', 'Z'};
    forged.Size = content.size();
    forged.Digest = MD5Digest(content.data(), content.size());
    std::vector<std::uint8_t> entry = EncodeEntry(forged, 42, secret, content);
    entry.insert(entry.end(), content.begin(), content.end());
    return entry;
}

// The trust rule's facts of the folder at path.
std::optional<TObjectFacts> FactsAt(const std::string& path)
{
    const TFileHandle folder(CreateFileA(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) return std::nullopt;
    return FactsOfFolder(folder.Get());
}

// The facts this system gives of a folder the program makes: the program's
// security exactly on Windows; what Wine, which keeps no owner but the Unix
// file's and no DACL's protection, shows of it there.
TObjectFacts FactsOfAProgramFolder()
{
    const TTempDir scratch;
    const TFileHandle made = TakeProtectedFolder(WidePath(scratch.Path("made")));
    EXPECT_TRUE(made);
    return made ? FactsOfFolder(made.Get()).value_or(TObjectFacts{}) : TObjectFacts{};
}

// True when the folder at path is one the program would use.
bool IsOurs(const std::string& path)
{
    const std::optional<TObjectFacts> facts = FactsAt(path);
    return facts && IsTrusted(*facts, FactsOfAProgramFolder());
}

// The names in folder that something was set aside under: NAME.AAAAMMJJ-HHMMSS[-N].ecarte.
std::vector<std::string> SetAside(const std::string& folder, const std::string& name)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        if (file.starts_with(name + ".") && file.ends_with(".ecarte")) found.push_back(entry.path().string());
    }
    return found;
}

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
        DeleteTestSecretKey();
        fs::create_directories(base_);
        fs::create_directories(drive_);
    }
    ~QuarantineWin32Test() override { DeleteTestSecretKey(); }

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
    TWin32Quarantine quarantine_{WidePath(base_), kTestSecretKey};
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
        EXPECT_EQ(entries[0].Record.OriginalPath, Utf8FromWide(WideFromAnsi(path))) << c.what;
        EXPECT_EQ(entries[0].Record.MalwareName, "Worm.Test") << c.what;
        EXPECT_EQ(entries[0].Record.Size, c.content.size()) << c.what;
        EXPECT_EQ(entries[0].Record.Attributes, attributes) << c.what;

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

// Security descriptors a user could give a folder, in SDDL.
void SetSecurity(const std::string& path, const char* sddl, SECURITY_INFORMATION what)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr)) << sddl;
    const TLocalMemory held(descriptor);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor, &owner, &defaulted));
    ASSERT_EQ(SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT, what, owner, nullptr, dacl, nullptr),
              DWORD{ERROR_SUCCESS})
        << sddl;
}

// The running account's SID in SDDL, as the owner a worm running as the
// user gives what it makes.
std::string UserSidText()
{
    HANDLE opened = nullptr;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened));
    const TKernelHandle token(opened);
    BYTE buffer[512];
    DWORD size = sizeof buffer;
    EXPECT_TRUE(GetTokenInformation(token.Get(), TokenUser, buffer, size, &size));
    char* text = nullptr;
    EXPECT_TRUE(ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text));
    const TLocalMemory held(text);
    return text ? text : "";
}

// What a worm running as the user could have left at Purvane or at
// Quarantaine before the first run: each is set aside with what it holds,
// never adopted, and a new folder exactly as the program makes it takes its
// place. The planted entry, made with a secret of the worm's own, is
// neither listed nor restored.
TEST(QuarantineWin32Folders, WhatWasThereFirstIsSetAside)
{
    DeleteTestSecretKey();
    const std::string user = UserSidText();
    constexpr SECURITY_INFORMATION kAll =
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
    using TMake = std::function<bool(const std::string& path)>;  // false: cannot be made here
    const auto folderWith = [](std::string sddl, SECURITY_INFORMATION what) -> TMake {
        return [sddl, what](const std::string& path) {
            fs::create_directories(path);
            SetSecurity(path, sddl.c_str(), what);
            return true;
        };
    };
    const struct {
        const char* what;
        TMake make;
    } cases[] = {
        {"owned by the user, as the program would make it otherwise",
         folderWith("O:" + user + "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", kAll)},
        {"owned by the Administrators, an entry for Users too",
         folderWith("O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x100116;;;BU)", kAll)},
        {"owned by the Administrators, a denial for the user",
         folderWith("O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(D;OICI;FA;;;" + user + ")", kAll)},
        {"owned by the Administrators, the DACL not protected",
         folderWith("O:BAD:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)",
                    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION)},
        {"open to everyone", folderWith("O:" + user + "D:(A;OICI;FA;;;WD)", kAll)},
        {"a file",
         [](const std::string& path) { return static_cast<bool>(std::ofstream(path) << "planted"); }},
        {"a link to a folder the user controls",
         [](const std::string& path) {
             fs::create_directories(path + "-elsewhere");
             return MakeFolderLink(path, path + "-elsewhere");
         }},
    };
    for (const char* level : {"Purvane", "Purvane\\Quarantaine"}) {
        for (const auto& c : cases) {
            const std::string what = std::string(level) + ", " + c.what;
            const TTempDir scratch;
            const std::string base = scratch.Path("ProgramData");
            const std::string path = base + "\\" + level;
            const std::string parent = path.substr(0, path.rfind('\\'));
            const std::string name = path.substr(parent.size() + 1);
            fs::create_directories(base);
            if (parent != base) {
                // Purvane as the program made it; what is inside was made after.
                TWin32Quarantine(WidePath(base), kTestSecretKey).Entries();
                fs::remove_all(path);
            }
            if (!c.make(path)) {
                std::cout << "not tried here (links cannot be made): " << what << "\n";
                continue;
            }
            if (IsOurs(path)) {
                std::cout << "not tried here (the system keeps no such security, it shows as the program's): " << what
                          << "\n";
                fs::remove_all(path);
                continue;
            }
            if (fs::is_directory(path) && !fs::is_symlink(path)) {
                fs::create_directories(path + (std::string(level) == "Purvane" ? "\\Quarantaine" : ""));
                scratch.Write(std::string("ProgramData\\Purvane\\Quarantaine\\0123456789ABCDEF.pvq"),
                              ForgedEntry("C:\\windows\\system32\\version.dll", TQuarantineSecret{9}));
            }
            const std::string elsewhere = path + "-elsewhere";

            TWin32Quarantine quarantine(WidePath(base), kTestSecretKey);
            EXPECT_TRUE(quarantine.Entries().empty()) << what;
            EXPECT_EQ(quarantine.Restore("0123456789ABCDEF").Restored, false) << what;
            EXPECT_EQ(SetAside(parent, name).size(), 1u) << what;
            EXPECT_TRUE(IsOurs(base + "\\Purvane")) << what;
            EXPECT_TRUE(IsOurs(base + "\\Purvane\\Quarantaine")) << what;
            EXPECT_TRUE(fs::is_empty(base + "\\Purvane\\Quarantaine")) << what;

            TWin32ScanSystem system(&quarantine);
            TTempDir drive;
            const std::string sample = drive.Write("ver.exe", std::string("MZ"));
            const TRemoval removal = system.DeleteInfectedFile(sample, IdentityAt(sample).value(), "Worm.Test");
            EXPECT_TRUE(removal.Deleted) << what;
            EXPECT_EQ(removal.Copy, TCopyOutcome::Kept) << what;
            EXPECT_EQ(quarantine.Entries().size(), 1u) << what;
            if (fs::exists(elsewhere)) EXPECT_TRUE(fs::is_empty(elsewhere)) << what;
        }
    }
    DeleteTestSecretKey();
}

// A folder that is exactly as the program makes it is kept with its entries,
// from one run to the next; the secret too.
TEST(QuarantineWin32Folders, TheProgramsOwnFolderAndSecretAreKept)
{
    DeleteTestSecretKey();
    const TTempDir scratch;
    const std::string base = scratch.Path("ProgramData");
    fs::create_directories(base);
    TTempDir drive;
    std::string id;
    {
        TWin32Quarantine quarantine(WidePath(base), kTestSecretKey);
        TWin32ScanSystem system(&quarantine);
        const std::string sample = drive.Write("ver.exe", std::string("MZ kept"));
        id = system.DeleteInfectedFile(sample, IdentityAt(sample).value(), "Worm.Test").QuarantineId;
        ASSERT_FALSE(id.empty());
    }
    const std::optional<TQuarantineSecret> secret = StoredSecret();
    ASSERT_TRUE(secret.has_value());
    TWin32Quarantine again(WidePath(base), kTestSecretKey);
    ASSERT_EQ(again.Entries().size(), 1u);
    EXPECT_EQ(again.Entries()[0].Id, id);
    EXPECT_TRUE(SetAside(base, "Purvane").empty());
    EXPECT_EQ(StoredSecret(), secret);

    // The key holds its secret for the Administrators and SYSTEM alone.
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestSecretKey, 0, READ_CONTROL | KEY_WOW64_64KEY, &opened), ERROR_SUCCESS);
    const TRegistryKey key(opened);
    BYTE descriptor[4096];
    DWORD size = sizeof descriptor;
    ASSERT_EQ(RegGetKeySecurity(key.Get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor, &size),
              ERROR_SUCCESS);
    TProtectedSecurity security(KEY_ALL_ACCESS);
    EXPECT_TRUE(IsTrusted(FactsOfDescriptor(descriptor, true, false),
                          FactsOfAKeyMadeHere(std::wstring(kTestSecretKey) + L"-probe", security)));
    DeleteTestSecretKey();
}

// A secret key that someone else made (its security not the program's) is
// never read: an entry made with the secret it held is refused, and the key
// gets a new secret.
TEST(QuarantineWin32Folders, ASecretKeyNotMadeByTheProgramIsNotTrusted)
{
    DeleteTestSecretKey();
    const TQuarantineSecret known = {1, 2, 3, 4, 5};
    {
        HKEY opened = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestSecretKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                                  nullptr, &opened, nullptr),
                  ERROR_SUCCESS);
        const TRegistryKey key(opened);
        ASSERT_EQ(RegSetValueExW(key.Get(), L"CleQuarantaine", 0, REG_BINARY, known.data(), sizeof known), ERROR_SUCCESS);
    }
    {
        HKEY opened = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestSecretKey, 0, READ_CONTROL | KEY_WOW64_64KEY, &opened), ERROR_SUCCESS);
        const TRegistryKey key(opened);
        BYTE descriptor[4096];
        DWORD size = sizeof descriptor;
        ASSERT_EQ(RegGetKeySecurity(key.Get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor, &size),
                  ERROR_SUCCESS);
        TProtectedSecurity security(KEY_ALL_ACCESS);
        if (IsTrusted(FactsOfDescriptor(descriptor, true, false),
                      FactsOfAKeyMadeHere(std::wstring(kTestSecretKey) + L"-probe", security))) {
            std::cout << "not tried here (the system keeps no key security, it shows as the program's)\n";
            DeleteTestSecretKey();
            return;
        }
    }
    const TTempDir scratch;
    const std::string base = scratch.Path("ProgramData");
    fs::create_directories(base);
    TWin32Quarantine quarantine(WidePath(base), kTestSecretKey);
    quarantine.Entries();  // makes the folders
    scratch.Write("ProgramData\\Purvane\\Quarantaine\\0123456789ABCDEF.pvq",
                  ForgedEntry("C:\\windows\\system32\\version.dll", known));
    EXPECT_TRUE(quarantine.Entries().empty());
    EXPECT_EQ(quarantine.List().Refused, 1u);
    EXPECT_FALSE(quarantine.Restore("0123456789ABCDEF").Restored);
    const std::optional<TQuarantineSecret> secret = StoredSecret();
    ASSERT_TRUE(secret.has_value());
    EXPECT_NE(*secret, known);
    DeleteTestSecretKey();
}

// Where the folder cannot be set aside (someone holds it open without
// delete sharing), nothing is adopted: the deletion goes on without a copy.
TEST(QuarantineWin32Folders, AFolderThatCannotBeSetAsideIsNotUsed)
{
    DeleteTestSecretKey();
    const TTempDir scratch;
    const std::string base = scratch.Path("ProgramData");
    fs::create_directories(base + "\\Purvane\\Quarantaine");
    SetSecurity(base + "\\Purvane", "D:(A;OICI;FA;;;WD)", DACL_SECURITY_INFORMATION);
    const TFileHandle holder(CreateFileA((base + "\\Purvane").c_str(), FILE_LIST_DIRECTORY,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(holder);
    TWin32Quarantine quarantine(WidePath(base), kTestSecretKey);
    TWin32ScanSystem system(&quarantine);
    TTempDir drive;
    const std::string sample = drive.Write("ver.exe", std::string("MZ"));
    const TRemoval removal = system.DeleteInfectedFile(sample, IdentityAt(sample).value(), "Worm.Test");
    EXPECT_TRUE(removal.Deleted);
    EXPECT_EQ(removal.Copy, TCopyOutcome::Failed);
    EXPECT_TRUE(fs::is_empty(base + "\\Purvane\\Quarantaine"));
    DeleteTestSecretKey();
}

// A record may name any path; the restore writes only to a plain drive
// path, never to a device or a stream.
TEST_F(QuarantineWin32Test, TheRestoreRefusesDevicesAndStreams)
{
    Delete(Plant("ver.exe", "MZ"));  // makes the folders and the secret
    const std::optional<TQuarantineSecret> secret = StoredSecret();
    ASSERT_TRUE(secret.has_value());
    const std::string folder = dir_.Path("drive");
    for (const std::string& path : {folder + "\\NUL", folder + "\\con.txt", folder + "\\COM1.exe", folder + "\\ver.exe:flux",
                                    "\\\\.\\" + folder + "\\x.exe", "\\\\?\\" + folder + "\\x.exe", std::string("ver.exe")}) {
        dir_.Write("ProgramData\\Purvane\\Quarantaine\\0123456789ABCDEF.pvq", ForgedEntry(path, *secret));
        ASSERT_EQ(quarantine_.Entries().size(), 2u) << path;
        const TRestoreResult result = quarantine_.Restore("0123456789ABCDEF");
        EXPECT_FALSE(result.Restored) << path;
        EXPECT_NE(result.Text.find("ne peut pas \xEAtre rendu tel quel"), std::string::npos) << path << ": " << result.Text;
        quarantine_.Remove("0123456789ABCDEF");
    }
    EXPECT_FALSE(Exists(folder + "\\ver.exe"));
}

// A file of the system folder goes back to the system folder itself, the
// 32-bit build's too (through Sysnative), never to SysWOW64.
TEST_F(QuarantineWin32Test, ASystemFileGoesBackToTheSystemFolder)
{
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const std::string name = "purvane-restore-test.dll";
    const std::string seen = std::string(windows) + (wow64 ? "\\Sysnative\\" : "\\System32\\") + name;
    const std::string redirected = std::string(windows) + "\\SysWOW64\\" + name;
    DeleteFileA(seen.c_str());
    {
        std::ofstream(seen, std::ios::binary) << "MZ system";
    }
    ASSERT_TRUE(Exists(seen));
    const TRemoval removal = Delete(seen);
    ASSERT_EQ(removal.Copy, TCopyOutcome::Kept);
    EXPECT_NE(quarantine_.Entries().at(0).Record.OriginalPath.find("ystem32"), std::string::npos)
        << quarantine_.Entries().at(0).Record.OriginalPath;
    const bool redirectedBefore = Exists(redirected);
    const TRestoreResult result = quarantine_.Restore(removal.QuarantineId);
    EXPECT_TRUE(result.Restored) << result.Text;
    EXPECT_EQ(Content(seen), "MZ system");
    if (wow64) EXPECT_EQ(Exists(redirected), redirectedBefore);
    DeleteFileA(seen.c_str());
}

} // namespace
