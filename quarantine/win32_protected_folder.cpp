#include "quarantine/win32_protected_folder.h"

#include <windows.h>

#include <aclapi.h>

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

// The folder at path, held, when it is exactly as the program makes it.
TFileHandle HoldIfOurs(const std::wstring& path)
{
    bool isLink = false;
    TFileHandle folder = HoldFolder(path, kTakeAccess, isLink);
    if (!folder) return {};
    const std::optional<TObjectFacts> facts = FactsOfFolder(folder.Get());
    if (!facts || !IsAsTheProgramMakesIt(*facts)) return {};
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
        TAceFacts aceFacts;  // an entry that cannot be read counts as another's
        if (GetAce(dacl, i, &ace) && static_cast<const ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            aceFacts.Allows = true;
            aceFacts.Trustee = TrusteeOf(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart);
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
    for (int attempt = 0; attempt < kTakeAttempts; ++attempt) {
        // Fails when something is there already: it is judged below.
        CreateDirectoryW(path.c_str(), static_cast<SECURITY_ATTRIBUTES*>(security.Attributes()));
        TFileHandle folder = HoldIfOurs(path);
        if (folder) return folder;
        if (!SetAside(path)) return {};
    }
    return {};
}
