#include "main/win32_folder_rights.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "common/code_page.h"
#include "common/handle.h"

namespace {

// The SID of NT SERVICE\TrustedInstaller, the owner of the system's files.
const char* const kTrustedInstallerSid = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// The program's token's user: LocalSystem's, or the signed-in user's.
std::vector<BYTE> TokenUserSid()
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
    return std::vector<BYTE>(bytes, bytes + GetLengthSid(sid));
}

std::string SidText(PSID sid)
{
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return "?";
    const TLocalMemory held(text);
    return text;
}

// The kind of sid, and its text for another account.
TSidKind KindOf(PSID sid, std::vector<BYTE>& user, std::string& text)
{
    const std::pair<WELL_KNOWN_SID_TYPE, TSidKind> known[] = {
        {WinBuiltinAdministratorsSid, TSidKind::Administrators},
        {WinLocalSystemSid, TSidKind::LocalSystem},
        {WinWorldSid, TSidKind::Everyone},
        {WinBuiltinUsersSid, TSidKind::Users},
        {WinAuthenticatedUserSid, TSidKind::AuthenticatedUsers},
        {WinInteractiveSid, TSidKind::Interactive},
        {WinCreatorOwnerSid, TSidKind::Creator},
        {WinCreatorGroupSid, TSidKind::Creator},
        {WinCreatorOwnerRightsSid, TSidKind::OwnerRights},
    };
    for (const auto& [type, kind] : known)
        if (IsWellKnownSid(sid, type)) return kind;
    text = SidText(sid);
    if (text == kTrustedInstallerSid) return TSidKind::TrustedInstaller;
    if (!user.empty() && EqualSid(sid, user.data())) return TSidKind::CurrentUser;
    return TSidKind::Other;
}

TAceDescription AceOf(const ACE_HEADER& header, std::vector<BYTE>& user)
{
    TAceDescription ace;
    ace.Inherited = (header.AceFlags & INHERITED_ACE) != 0;
    ace.InheritOnly = (header.AceFlags & INHERIT_ONLY_ACE) != 0;
    if (header.AceType == ACCESS_ALLOWED_ACE_TYPE || header.AceType == ACCESS_DENIED_ACE_TYPE) {
        // The two share one layout: the header, the mask, the SID.
        auto& allowed = const_cast<ACCESS_ALLOWED_ACE&>(reinterpret_cast<const ACCESS_ALLOWED_ACE&>(header));
        ace.Deny = header.AceType == ACCESS_DENIED_ACE_TYPE;
        ace.Mask = allowed.Mask;
        ace.Sid = KindOf(&allowed.SidStart, user, ace.SidText);
        return ace;
    }
    // Any other kind: its rights allowed to an account of its own, so that
    // no entry the description cannot tell closes the folder.
    ace.Mask = reinterpret_cast<const ACCESS_ALLOWED_ACE&>(header).Mask;
    ace.SidText = "?";
    return ace;
}

} // namespace

std::optional<TSecurityDescription> ReadSecurityDescription(const std::wstring& path, bool& missing)
{
    missing = false;
    const TFileHandle object(CreateFileW(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!object) {
        missing = GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return std::nullopt;
    const TLocalMemory held(descriptor);
    if (!owner) return std::nullopt;
    std::vector<BYTE> user = TokenUserSid();
    TSecurityDescription security;
    security.Owner = KindOf(owner, user, security.OwnerText);
    security.NullDacl = dacl == nullptr;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return std::nullopt;
        security.Aces.push_back(AceOf(*static_cast<const ACE_HEADER*>(ace), user));
    }
    return security;
}

std::vector<TGuardedObject> ProgramFolderObjects(const std::string& programDir)
{
    std::vector<TGuardedObject> objects;
    bool missing = false;
    const std::wstring folder = WideFromAnsi(programDir);
    objects.push_back({TGuardedRole::Folder, ReadSecurityDescription(folder, missing)});
    if (const std::string parent = ParentFolderOf(programDir); !parent.empty())
        objects.push_back({TGuardedRole::Parent, ReadSecurityDescription(WideFromAnsi(parent), missing)});
    for (const char* name : SHIPPED_FILE_NAMES) {
        std::optional<TSecurityDescription> security = ReadSecurityDescription(folder + WideFromAnsi(name), missing);
        if (!missing) objects.push_back({TGuardedRole::File, std::move(security)});
    }
    return objects;
}

bool RunsAsLocalSystem()
{
    std::vector<BYTE> user = TokenUserSid();
    return !user.empty() && IsWellKnownSid(user.data(), WinLocalSystemSid);
}
