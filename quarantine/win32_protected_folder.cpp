#include "quarantine/win32_protected_folder.h"

#include <windows.h>

#include <aclapi.h>

#include <functional>
#include <vector>

#include "common/file.h"
#include "common/file_identity.h"
#include "common/handle.h"

namespace {

constexpr DWORD kTakeAccess = READ_CONTROL | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
// Numbers tried after a name set aside is taken.
constexpr int kSetAsideNumbers = 20;
// Times a folder is set aside before the program gives up: a worm that
// makes a new one each time keeps the quarantine off, never adopted.
constexpr int kTakeAttempts = 3;

// A SID copied into a buffer of its own.
using TSid = std::vector<BYTE>;

TSid WellKnownSid(WELL_KNOWN_SID_TYPE type)
{
    TSid sid(SECURITY_MAX_SID_SIZE);
    DWORD size = SECURITY_MAX_SID_SIZE;
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size)) return {};
    sid.resize(size);
    return sid;
}

TTrustee TrusteeOf(PSID sid)
{
    if (!sid || !IsValidSid(sid)) return TTrustee::Other;
    if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) return TTrustee::Administrators;
    if (IsWellKnownSid(sid, WinLocalSystemSid)) return TTrustee::System;
    return TTrustee::Other;
}

// Enables the backup and restore privileges, where the account holds them,
// while it lives: a folder opened with backup semantics then grants the
// rights to read its security and to rename it, whatever its DACL says.
class TBackupPrivileges {
public:
    TBackupPrivileges()
    {
        HANDLE opened = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened)) return;
        token_.Reset(opened);
        TTwoPrivileges wanted{2, {}};
        const char* const names[2] = {SE_BACKUP_NAME, SE_RESTORE_NAME};
        for (int i = 0; i < 2; ++i) {
            if (!LookupPrivilegeValueA(nullptr, names[i], &wanted.Privileges[i].Luid)) return;
            wanted.Privileges[i].Attributes = SE_PRIVILEGE_ENABLED;
        }
        DWORD size = 0;
        adjusted_ = AdjustTokenPrivileges(token_.Get(), FALSE, reinterpret_cast<PTOKEN_PRIVILEGES>(&wanted),
                                          sizeof previous_, reinterpret_cast<PTOKEN_PRIVILEGES>(&previous_), &size);
    }
    ~TBackupPrivileges()
    {
        if (adjusted_) AdjustTokenPrivileges(token_.Get(), FALSE, reinterpret_cast<PTOKEN_PRIVILEGES>(&previous_), 0, nullptr, nullptr);
    }
    TBackupPrivileges(const TBackupPrivileges&) = delete;
    TBackupPrivileges& operator=(const TBackupPrivileges&) = delete;

private:
    struct TTwoPrivileges {
        DWORD PrivilegeCount;
        LUID_AND_ATTRIBUTES Privileges[2];
    };
    TKernelHandle token_;
    TTwoPrivileges previous_{};  // the privileges that were changed, as they were
    bool adjusted_ = false;
};

// "20260314-152301" for now, local time.
std::wstring SetAsideStamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[32];
    wsprintfW(text, L"%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
}

// Renames whatever is at path (a folder, a file, a link itself) to
// path.STAMP.ecarte, or path.STAMP-N.ecarte when that is taken, through a
// handle opened without following a link.
bool SetAside(const std::wstring& path)
{
    const TFileHandle object(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!object) return GetLastError() == ERROR_FILE_NOT_FOUND;  // gone already: nothing to set aside
    const std::wstring stamp = SetAsideStamp();
    for (int n = 1; n <= kSetAsideNumbers; ++n) {
        // An NT path: the system takes it as it is, the program's and Wine's alike.
        const std::wstring target =
            L"\\??\\" + path + L"." + stamp + (n == 1 ? L"" : L"-" + std::to_wstring(n)) + L".ecarte";
        std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->ReplaceIfExists = FALSE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
        target.copy(rename->FileName, target.size());
        if (SetFileInformationByHandle(object.Get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size())))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

// Gives the folder at path, which the program has just made, its security
// again through a handle.
void ApplyToNewFolder(const std::wstring& path, TProtectedSecurity& security)
{
    const TFileHandle folder(CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (folder) security.ApplyTo(folder.Get(), false);
}

// The facts the system gives of a folder the program makes with security:
// one made at path, read, and deleted; nothing when it cannot be made.
std::optional<TObjectFacts> FactsOfAFolderMadeHere(const std::wstring& path, TProtectedSecurity& security)
{
    if (!CreateDirectoryW(path.c_str(), static_cast<SECURITY_ATTRIBUTES*>(security.Attributes()))) return std::nullopt;
    const TFileHandle folder(CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER | DELETE | FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) {
        RemoveDirectoryW(path.c_str());
        return std::nullopt;
    }
    std::optional<TObjectFacts> facts;
    if (security.ApplyTo(folder.Get(), false)) facts = FactsOfFolder(folder.Get());
    MarkForDeletion(folder.Get());
    return facts;
}

// The folder at path, held, when it may be used (IsTrusted); madeHere is
// asked for only when the folder is not exactly as the program makes it.
TFileHandle HoldIfTrusted(const std::wstring& path, const std::function<std::optional<TObjectFacts>()>& madeHere)
{
    bool isLink = false;
    TFileHandle folder = HoldFolder(path, kTakeAccess, isLink);
    if (!folder) return {};
    const std::optional<TObjectFacts> facts = FactsOfFolder(folder.Get());
    if (!facts || !(IsAsTheProgramMakesIt(*facts) || IsTrusted(*facts, madeHere()))) return {};
    return folder;
}

} // namespace

struct TProtectedSecurity::TParts {
    TSid Administrators = WellKnownSid(WinBuiltinAdministratorsSid);
    TSid System = WellKnownSid(WinLocalSystemSid);
    std::vector<BYTE> Acl;
    SECURITY_DESCRIPTOR Descriptor{};
    SECURITY_ATTRIBUTES Attributes{};
    bool Valid = false;
};

TProtectedSecurity::TProtectedSecurity(std::uint32_t rights) : parts_(std::make_unique<TParts>())
{
    TParts& p = *parts_;
    if (p.Administrators.empty() || p.System.empty()) return;
    p.Acl.resize(sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE));
    const auto acl = reinterpret_cast<PACL>(p.Acl.data());
    constexpr DWORD kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    p.Valid = InitializeAcl(acl, static_cast<DWORD>(p.Acl.size()), ACL_REVISION) &&
              AddAccessAllowedAceEx(acl, ACL_REVISION, kInherited, rights, p.Administrators.data()) &&
              AddAccessAllowedAceEx(acl, ACL_REVISION, kInherited, rights, p.System.data()) &&
              InitializeSecurityDescriptor(&p.Descriptor, SECURITY_DESCRIPTOR_REVISION) &&
              SetSecurityDescriptorOwner(&p.Descriptor, p.Administrators.data(), FALSE) &&
              SetSecurityDescriptorDacl(&p.Descriptor, TRUE, acl, FALSE) &&
              SetSecurityDescriptorControl(&p.Descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    p.Attributes = {sizeof p.Attributes, &p.Descriptor, FALSE};
}

TProtectedSecurity::~TProtectedSecurity() = default;

bool TProtectedSecurity::IsValid() const { return parts_->Valid; }

bool TProtectedSecurity::ApplyTo(void* handle, bool isKey)
{
    return SetSecurityInfo(handle, isKey ? SE_REGISTRY_KEY : SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                           parts_->Administrators.data(), nullptr, reinterpret_cast<PACL>(parts_->Acl.data()),
                           nullptr) == ERROR_SUCCESS;
}

std::optional<TObjectFacts> FactsOfAKeyMadeHere(const std::wstring& path, TProtectedSecurity& security)
{
    HKEY opened = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                        READ_CONTROL | WRITE_DAC | WRITE_OWNER | KEY_WOW64_64KEY,
                        static_cast<SECURITY_ATTRIBUTES*>(security.Attributes()), &opened, &disposition) != ERROR_SUCCESS)
        return std::nullopt;
    TRegistryKey key(opened);
    std::optional<TObjectFacts> facts;
    DWORD size = 0;
    constexpr SECURITY_INFORMATION kWanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (disposition == REG_CREATED_NEW_KEY && security.ApplyTo(key.Get(), true) &&
        RegGetKeySecurity(key.Get(), kWanted, nullptr, &size) == ERROR_INSUFFICIENT_BUFFER) {
        std::vector<BYTE> descriptor(size);
        if (RegGetKeySecurity(key.Get(), kWanted, descriptor.data(), &size) == ERROR_SUCCESS)
            facts = FactsOfDescriptor(descriptor.data(), true, false);
    }
    key.Reset();
    if (disposition == REG_CREATED_NEW_KEY) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
    return facts;
}

void* TProtectedSecurity::Attributes() { return &parts_->Attributes; }

TObjectFacts FactsOfDescriptor(void* descriptor, bool isContainer, bool isLink)
{
    TObjectFacts facts;
    facts.IsContainer = isContainer;
    facts.IsLink = isLink;
    PSID owner = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    if (GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)) facts.Owner = TrusteeOf(owner);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (GetSecurityDescriptorControl(descriptor, &control, &revision)) facts.DaclProtected = (control & SE_DACL_PROTECTED) != 0;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl) return facts;
    facts.HasDacl = true;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        // An entry that cannot be read, or of a kind this does not read,
        // counts as a grant to another.
        TAceFacts aceFacts{true, TTrustee::Other};
        const auto* header = GetAce(dacl, i, &ace) ? static_cast<const ACE_HEADER*>(ace) : nullptr;
        if (header) aceFacts.InheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        if (header && header->AceType == ACCESS_DENIED_ACE_TYPE) aceFacts.Allows = false;
        if (header && header->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            aceFacts.Trustee = TrusteeOf(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart);
            aceFacts.Rights = static_cast<ACCESS_ALLOWED_ACE*>(ace)->Mask;
        }
        facts.Aces.push_back(aceFacts);
    }
    return facts;
}

std::optional<TObjectFacts> FactsOfFolder(void* folder)
{
    const std::optional<std::uint32_t> attributes = AttributesOf(folder);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!attributes || GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                       nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return std::nullopt;
    const TLocalMemory held(descriptor);
    return FactsOfDescriptor(descriptor, (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                             (*attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
}

TFileHandle HoldFolder(const std::wstring& path, std::uint32_t access, bool& isLink)
{
    TFileHandle folder(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const std::uint32_t attributes = folder ? AttributesOf(folder.Get()).value_or(0) : 0;
    isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (isLink || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return folder;
}

TFileHandle TakeProtectedFolder(const std::wstring& path)
{
    TProtectedSecurity security(FILE_ALL_ACCESS);
    if (!security.IsValid()) return {};
    const TBackupPrivileges privileges;
    std::optional<std::optional<TObjectFacts>> madeHere;  // asked for once, when needed
    const auto factsMadeHere = [&] {
        if (!madeHere) madeHere = FactsOfAFolderMadeHere(path + L".sonde", security);
        return *madeHere;
    };
    for (int attempt = 0; attempt < kTakeAttempts; ++attempt) {
        // Fails when something is there already: it is judged below.
        if (CreateDirectoryW(path.c_str(), static_cast<SECURITY_ATTRIBUTES*>(security.Attributes())))
            ApplyToNewFolder(path, security);
        TFileHandle folder = HoldIfTrusted(path, factsMadeHere);
        if (folder) return folder;
        if (!SetAside(path)) return {};
    }
    return {};
}

TProtectedSubfolder TakeProtectedSubfolder(const std::wstring& base, const std::wstring& name)
{
    if (base.empty()) return {};
    std::wstring own = base;
    while (!own.empty() && own.back() == L'\\') own.pop_back();
    own += L"\\Purvane";
    // Purvane first: once it is ours, nobody else can make anything in it.
    TProtectedSubfolder taken;
    taken.Own = TakeProtectedFolder(own);
    if (!taken.Own) return {};
    taken.Folder = TakeProtectedFolder(own + L"\\" + name);
    if (!taken.Folder) return {};
    taken.Path = own + L"\\" + name + L"\\";
    return taken;
}
