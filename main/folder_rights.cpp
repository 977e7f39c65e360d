#include "main/folder_rights.h"

#include <algorithm>

const char* const SHIPPED_FILE_NAMES[7] = {"Purvane.exe",  "QZ_SSCAN.DLL",  "SIG_MSN.DAT", "SIG_MSN2.DAT",
                                           "mdpe_msn.dat", "mdpe_msn2.dat", "PURVANE.SIG"};

namespace {

// What each kind of right lets an account do to what the program runs.
constexpr std::uint32_t kChangeRights = ACCESS_WRITE_DAC | ACCESS_WRITE_OWNER;
constexpr std::uint32_t kFolderRights =
    ACCESS_WRITE_DATA | ACCESS_APPEND_DATA | ACCESS_DELETE_CHILD | ACCESS_DELETE | kChangeRights;
constexpr std::uint32_t kFileRights = ACCESS_WRITE_DATA | ACCESS_APPEND_DATA | ACCESS_DELETE | kChangeRights;
// The parent's FILE_DELETE_CHILD deletes (or renames) the folder's entries
// whatever their own DACL says; its DACL or owner grant that right.
constexpr std::uint32_t kParentRights = ACCESS_DELETE_CHILD | kChangeRights;

// The owner's implicit rights, where no OWNER RIGHTS entry replaces them;
// no deny entry takes them away.
constexpr std::uint32_t kOwnerImplicitRights = ACCESS_READ_CONTROL | ACCESS_WRITE_DAC;

bool IsTrusted(TSidKind kind)
{
    return kind == TSidKind::Administrators || kind == TSidKind::LocalSystem || kind == TSidKind::TrustedInstaller;
}

// mask with its generic rights as the file system maps them.
std::uint32_t FileRightsOf(std::uint32_t mask)
{
    if (mask & ACCESS_GENERIC_ALL) mask |= ACCESS_FILE_ALL;
    if (mask & ACCESS_GENERIC_WRITE) mask |= ACCESS_FILE_GENERIC_WRITE;
    return mask & ~(ACCESS_GENERIC_ALL | ACCESS_GENERIC_WRITE);
}

// An account an entry could favour, taken with as few group memberships as
// it may have, so that as few deny entries as possible apply to it: a
// member of Users is not assumed to be in Authenticated Users. The
// signed-in user is in all the groups of a signed-in user.
struct TAccount {
    TSidKind Kind;
    std::string Text;  // for Other
    bool Owner;
};

bool Names(const TAceDescription& ace, const TAccount& account)
{
    switch (ace.Sid) {
    case TSidKind::Everyone: return true;
    case TSidKind::OwnerRights: return account.Owner;
    case TSidKind::Creator: return false;
    case TSidKind::Users:
    case TSidKind::AuthenticatedUsers:
    case TSidKind::Interactive:
        if (account.Kind == TSidKind::CurrentUser) return true;
        break;
    default: break;
    }
    return ace.Sid == account.Kind && (ace.Sid != TSidKind::Other || ace.SidText == account.Text);
}

// The rights account holds on the object, the DACL read in order as
// Windows reads it: a right denied before it is allowed stays denied.
std::uint32_t GrantedTo(const TSecurityDescription& security, const TAccount& account)
{
    std::uint32_t granted = 0, denied = 0;
    bool ownerRightsListed = false;
    for (const TAceDescription& ace : security.Aces) {
        if (ace.InheritOnly) continue;
        ownerRightsListed = ownerRightsListed || ace.Sid == TSidKind::OwnerRights;
        if (!Names(ace, account)) continue;
        const std::uint32_t rights = FileRightsOf(ace.Mask);
        if (ace.Deny) denied |= rights & ~granted;
        else granted |= rights & ~denied;
    }
    if (account.Owner && !ownerRightsListed) granted |= kOwnerImplicitRights;
    return granted;
}

} // namespace

std::uint32_t GuardedRights(TGuardedRole role)
{
    switch (role) {
    case TGuardedRole::Folder: return kFolderRights;
    case TGuardedRole::File: return kFileRights;
    case TGuardedRole::Parent: return kParentRights;
    }
    return kFolderRights;
}

bool OthersMayWrite(const TSecurityDescription& security, std::uint32_t rights)
{
    if (security.NullDacl) return true;
    std::vector<TAccount> accounts;
    if (!IsTrusted(security.Owner)) accounts.push_back({security.Owner, security.OwnerText, true});
    for (const TAceDescription& ace : security.Aces)
        if (!ace.Deny && !ace.InheritOnly && !IsTrusted(ace.Sid) && ace.Sid != TSidKind::Creator &&
            ace.Sid != TSidKind::OwnerRights)
            accounts.push_back({ace.Sid, ace.SidText, false});
    return std::any_of(accounts.begin(), accounts.end(),
                       [&](const TAccount& account) { return (GrantedTo(security, account) & rights) != 0; });
}

TFolderExposure ExposureOf(const std::vector<TGuardedObject>& objects)
{
    bool unreadable = false;
    for (const TGuardedObject& object : objects) {
        if (!object.Security) unreadable = true;
        else if (OthersMayWrite(*object.Security, GuardedRights(object.Role))) return TFolderExposure::OpenToOthers;
    }
    return unreadable ? TFolderExposure::Unreadable : TFolderExposure::AdministratorsOnly;
}

std::string ParentFolderOf(const std::string& folder)
{
    if (folder.size() < 2 || folder.back() != '\\') return {};
    const std::size_t slash = folder.find_last_of('\\', folder.size() - 2);
    if (slash == std::string::npos) return {};
    const std::string parent = folder.substr(0, slash + 1);
    // "\\server\share\" is a share's root; "\\server\" is no folder.
    if (parent.compare(0, 2, "\\\\") == 0 && std::count(parent.begin(), parent.end(), '\\') < 4) return {};
    return parent;
}
