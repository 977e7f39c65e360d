#include "quarantine/win32_quarantine_store.h"

#include <windows.h>

#include <aclapi.h>
#include <shlobj.h>

#include <algorithm>

#include "common/code_page.h"
#include "common/file.h"
#include "common/file_identity.h"
#include "common/handle.h"

namespace {

// Rights that let an account change what a folder holds, or its security.
constexpr DWORD kWriteRights =
    FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
constexpr DWORD kTakeBackAccess = READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_LIST_DIRECTORY;

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

// The account the program runs as.
TSid RunningAccountSid()
{
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
    const TKernelHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return {};
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
    const auto* bytes = static_cast<const BYTE*>(sid);
    return TSid(bytes, bytes + GetLengthSid(sid));
}

// The security each level of the quarantine gets: the Administrators as
// owner, and a protected DACL granting the Administrators and SYSTEM alone,
// inherited by what is made inside.
class TFolderSecurity {
public:
    TFolderSecurity()
    {
        if (administrators_.empty() || system_.empty() || user_.empty()) return;
        acl_.resize(sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE));
        const auto acl = Acl();
        valid_ = InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
                 AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS,
                                       administrators_.data()) &&
                 AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS,
                                       system_.data()) &&
                 InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
                 SetSecurityDescriptorOwner(&descriptor_, administrators_.data(), FALSE) &&
                 SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
                 SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
        attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    }
    TFolderSecurity(const TFolderSecurity&) = delete;
    TFolderSecurity& operator=(const TFolderSecurity&) = delete;

    bool IsValid() const { return valid_; }
    SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

    // Sets the owner and the DACL through folder, opened with WRITE_OWNER and WRITE_DAC.
    bool Apply(HANDLE folder)
    {
        return SetSecurityInfo(folder, SE_FILE_OBJECT,
                               OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                   PROTECTED_DACL_SECURITY_INFORMATION,
                               administrators_.data(), nullptr, Acl(), nullptr) == ERROR_SUCCESS;
    }

    // True when an account other than the Administrators, SYSTEM and the
    // one the program runs as owns folder or may write into it. Rights
    // meant for what is made inside alone do not count.
    bool IsOpenToOthers(HANDLE folder) const
    {
        PSID owner = nullptr;
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
            return true;
        const TLocalMemory held(descriptor);
        if (!owner || !IsOurs(owner) || !dacl) return true;  // no DACL: everyone may do anything
        for (DWORD i = 0; i < dacl->AceCount; ++i) {
            void* ace = nullptr;
            if (!GetAce(dacl, i, &ace)) return true;
            const auto* header = static_cast<const ACE_HEADER*>(ace);
            if ((header->AceFlags & INHERIT_ONLY_ACE) || header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
            if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return true;  // a kind this check does not read
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            if ((allowed->Mask & kWriteRights) && !IsOurs(&allowed->SidStart)) return true;
        }
        return false;
    }

private:
    PACL Acl() { return reinterpret_cast<PACL>(acl_.data()); }
    bool IsOurs(PSID sid) const
    {
        return std::any_of(std::begin(ours_), std::end(ours_),
                           [&](const TSid* our) { return EqualSid(sid, const_cast<BYTE*>(our->data())); });
    }

    TSid administrators_ = WellKnownSid(WinBuiltinAdministratorsSid);
    TSid system_ = WellKnownSid(WinLocalSystemSid);
    TSid user_ = RunningAccountSid();
    const TSid* const ours_[3] = {&administrators_, &system_, &user_};
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool valid_ = false;
};

// Enables the backup and restore privileges, where the account holds them,
// while it lives: a folder opened with backup semantics then grants the
// rights to set its owner and DACL, and to delete what it holds, whatever
// its DACL says.
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

// The folder at path, made with security when missing, else given it again;
// wasOpenToOthers tells whether others owned it or could write into it
// before. Empty for a link, or anything but a folder.
TFileHandle TakeFolder(const std::wstring& path, TFolderSecurity& security, bool& wasOpenToOthers)
{
    // Fails when something is there already: that is taken back below.
    CreateDirectoryW(path.c_str(), security.Attributes());
    bool isLink = false;
    TFileHandle folder = HoldFolder(path, kTakeBackAccess, isLink);
    if (!folder) return {};
    wasOpenToOthers = security.IsOpenToOthers(folder.Get());
    if (!security.Apply(folder.Get())) return {};
    return folder;
}

// True when the file open as file has no name but this one.
bool HasOneName(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(file, &info) && info.nNumberOfLinks == 1;
}

// Deletes every file in folder (a link itself, not what it points to; the
// name alone of a file that has others); false when one stays.
bool RemovePlantedFiles(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    const TFindHandle find(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!find) return false;  // "." is always there
    bool allRemoved = true;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const TFileHandle file(CreateFileW((folder + found.cFileName).c_str(), DELETE | FILE_WRITE_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        // A read-only file cannot be marked for deletion. The attributes of a
        // file with other names are that file's too: they stay as they are.
        allRemoved = file && (!HasOneName(file.Get()) || SetAttributesOf(file.Get(), 0)) &&
                     MarkForDeletion(file.Get()) && allRemoved;
    } while (FindNextFileW(find.Get(), &found));
    return allRemoved;
}

std::uint64_t Combined(DWORD high, DWORD low) { return std::uint64_t{high} << 32 | low; }

} // namespace

// The machine's common application data folder, as the system records it
// (not the environment, which the user sets); the shell's call that fills a
// buffer, so that no COM library is loaded at the program's start.
std::wstring ProgramDataFolder()
{
    wchar_t path[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) return L"";
    return path;
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

struct TWin32QuarantineStore::THeldFolders {
    TFileHandle Own;      // BASE\Purvane
    TFileHandle Entries;  // BASE\Purvane\Quarantaine
};

TWin32QuarantineStore::TWin32QuarantineStore(std::wstring base) : base_(std::move(base))
{
    while (!base_.empty() && base_.back() == L'\\') base_.pop_back();
}

TWin32QuarantineStore::~TWin32QuarantineStore() = default;

std::wstring TWin32QuarantineStore::FolderPath() const { return base_ + L"\\Purvane\\Quarantaine\\"; }

std::wstring TWin32QuarantineStore::EntryPath(const std::string& id) const
{
    return FolderPath() + WideFromAnsi(EntryFileName(id));
}

const TWin32QuarantineStore::THeldFolders* TWin32QuarantineStore::Folders()
{
    if (held_ || base_.empty()) return held_.get();
    TFolderSecurity security;
    if (!security.IsValid()) return nullptr;
    const TBackupPrivileges privileges;
    // Purvane first: once it is ours, nobody else can make anything in it.
    bool ownWasOpen = false, entriesWereOpen = false;
    TFileHandle own = TakeFolder(base_ + L"\\Purvane", security, ownWasOpen);
    if (!own) return nullptr;
    const std::wstring entriesPath = FolderPath();
    TFileHandle entries = TakeFolder(entriesPath.substr(0, entriesPath.size() - 1), security, entriesWereOpen);
    if (!entries || (entriesWereOpen && !RemovePlantedFiles(entriesPath))) return nullptr;
    held_ = std::make_unique<THeldFolders>(THeldFolders{std::move(own), std::move(entries)});
    return held_.get();
}

std::vector<TStoredEntry> TWin32QuarantineStore::List()
{
    std::vector<TStoredEntry> entries;
    if (!Folders()) return entries;
    WIN32_FIND_DATAW found;
    const TFindHandle find(FindFirstFileW((FolderPath() + L"*").c_str(), &found));
    if (!find) return entries;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        const std::optional<std::string> name = ExactAnsiSpelling(found.cFileName);
        std::optional<std::string> id = name ? IdOfEntryFileName(*name) : std::nullopt;
        if (!id) continue;
        entries.push_back({std::move(*id), Combined(found.nFileSizeHigh, found.nFileSizeLow),
                           Combined(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime)});
    } while (FindNextFileW(find.Get(), &found));
    return entries;
}

TQuarantineStore::TCreateResult TWin32QuarantineStore::Create(const std::string& id, std::span<const std::uint8_t> head,
                                                              std::span<const std::uint8_t> content)
{
    if (!Folders()) return TCreateResult::Failed;
    const TFileHandle file(CreateFileW(EntryPath(id).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError() == ERROR_FILE_EXISTS ? TCreateResult::IdTaken : TCreateResult::Failed;
    if (WriteAll(file.Get(), head.data(), head.size()) && WriteAll(file.Get(), content.data(), content.size()))
        return TCreateResult::Written;
    MarkForDeletion(file.Get());  // a part of an entry is no entry
    return TCreateResult::Failed;
}

std::optional<std::vector<std::uint8_t>> TWin32QuarantineStore::Read(const std::string& id, std::uint64_t maxCount,
                                                                     std::uint64_t& fileSize)
{
    if (!Folders()) return std::nullopt;
    const TFileHandle file(CreateFileW(EntryPath(id).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || IsLinkHandle(file.Get()) || !GetFileSizeEx(file.Get(), &size)) return std::nullopt;
    fileSize = static_cast<std::uint64_t>(size.QuadPart);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(fileSize, maxCount)));
    if (!ReadExactly(file.Get(), bytes.data(), bytes.size())) return std::nullopt;
    return bytes;
}

bool TWin32QuarantineStore::Remove(const std::string& id) { return Folders() && DeleteFileW(EntryPath(id).c_str()); }
