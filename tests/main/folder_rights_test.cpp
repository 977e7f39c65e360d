// Who besides the administrators may change the program's folder: a table
// of security descriptors, as the Windows adapter describes them, and the
// decision over the folder, its parent and its files.
#include <gtest/gtest.h>

#include "main/folder_rights.h"

namespace {

using K = TSidKind;

constexpr std::uint32_t kFullControl = ACCESS_FILE_ALL;
constexpr std::uint32_t kReadExecute = ACCESS_FILE_GENERIC_READ | ACCESS_FILE_GENERIC_EXECUTE;
constexpr std::uint32_t kModify = kReadExecute | ACCESS_FILE_GENERIC_WRITE | ACCESS_DELETE;

TAceDescription Allow(K sid, std::uint32_t mask, const char* text = "")
{
    TAceDescription ace;
    ace.Sid = sid;
    ace.Mask = mask;
    ace.SidText = text;
    return ace;
}

TAceDescription Deny(K sid, std::uint32_t mask, const char* text = "")
{
    TAceDescription ace = Allow(sid, mask, text);
    ace.Deny = true;
    return ace;
}

TAceDescription Inherited(TAceDescription ace)
{
    ace.Inherited = true;
    return ace;
}

TAceDescription InheritOnly(TAceDescription ace)
{
    ace.InheritOnly = true;
    return ace;
}

// The entries a folder under C:\Program Files gets: the administrators and
// SYSTEM in full, Users reading, what a creator will own.
std::vector<TAceDescription> AdminOnly()
{
    return {Inherited(Allow(K::Administrators, kFullControl)), Inherited(Allow(K::LocalSystem, kFullControl)),
            Inherited(Allow(K::Users, kReadExecute)), InheritOnly(Inherited(Allow(K::Creator, ACCESS_GENERIC_ALL)))};
}

std::vector<TAceDescription> AdminOnlyAnd(std::vector<TAceDescription> more)
{
    std::vector<TAceDescription> aces = AdminOnly();
    aces.insert(aces.end(), more.begin(), more.end());
    return aces;
}

TSecurityDescription Described(std::vector<TAceDescription> aces, K owner = K::Administrators, const char* ownerText = "")
{
    TSecurityDescription security;
    security.Owner = owner;
    security.OwnerText = ownerText;
    security.Aces = std::move(aces);
    return security;
}

TEST(FolderRights, TableOfSecurityDescriptors)
{
    TSecurityDescription nullDacl = Described({});
    nullDacl.NullDacl = true;
    const struct {
        const char* what;
        TGuardedRole role;
        TSecurityDescription security;
        bool othersMayWrite;
    } cases[] = {
        {"admin-only", TGuardedRole::Folder, Described(AdminOnly()), false},
        {"admin-only, owned by TrustedInstaller", TGuardedRole::Folder,
         Described({Allow(K::TrustedInstaller, kFullControl), Allow(K::LocalSystem, kModify)}, K::TrustedInstaller),
         false},
        {"Users may write", TGuardedRole::Folder, Described(AdminOnlyAnd({Allow(K::Users, kModify)})), true},
        {"Users hold generic write", TGuardedRole::Folder,
         Described(AdminOnlyAnd({Allow(K::Users, ACCESS_GENERIC_WRITE)})), true},
        {"Users hold generic all", TGuardedRole::File, Described(AdminOnlyAnd({Allow(K::Users, ACCESS_GENERIC_ALL)})),
         true},
        {"Authenticated Users may add files", TGuardedRole::Folder,
         Described(AdminOnlyAnd({Allow(K::AuthenticatedUsers, ACCESS_WRITE_DATA)})), true},
        {"INTERACTIVE may make folders", TGuardedRole::Folder,
         Described(AdminOnlyAnd({Allow(K::Interactive, ACCESS_APPEND_DATA)})), true},
        {"the user's own SID may create files", TGuardedRole::Folder,
         Described(AdminOnlyAnd({Allow(K::CurrentUser, ACCESS_WRITE_DATA)})), true},
        {"another account may change the DACL", TGuardedRole::Folder,
         Described(AdminOnlyAnd({Allow(K::Other, ACCESS_WRITE_DAC, "S-1-5-21-1-2-3-1004")})), true},
        {"another account may take ownership", TGuardedRole::File,
         Described(AdminOnlyAnd({Allow(K::Other, ACCESS_WRITE_OWNER, "S-1-5-21-1-2-3-1004")})), true},
        {"Everyone read-only", TGuardedRole::Folder, Described(AdminOnlyAnd({Allow(K::Everyone, kReadExecute)})), false},
        {"Users may delete a file", TGuardedRole::File, Described(AdminOnlyAnd({Allow(K::Users, ACCESS_DELETE)})), true},
        {"Users may append to a file", TGuardedRole::File,
         Described(AdminOnlyAnd({Allow(K::Users, ACCESS_APPEND_DATA)})), true},
        {"an inherited ACE granting Users write", TGuardedRole::Folder,
         Described(AdminOnlyAnd({Inherited(Allow(K::Users, ACCESS_FILE_GENERIC_WRITE))})), true},
        {"an inherit-only ACE granting Users write: not for the object itself", TGuardedRole::Folder,
         Described(AdminOnlyAnd({InheritOnly(Allow(K::Users, kModify))})), false},
        {"a deny ACE before the allow", TGuardedRole::Folder,
         Described({Deny(K::Users, kModify), Allow(K::Users, kModify), Allow(K::Administrators, kFullControl)}), false},
        {"a deny ACE after the allow comes too late", TGuardedRole::Folder,
         Described({Allow(K::Users, kModify), Deny(K::Users, kModify), Allow(K::Administrators, kFullControl)}), true},
        {"Everyone denied: Users too", TGuardedRole::Folder,
         Described({Deny(K::Everyone, ACCESS_GENERIC_ALL), Allow(K::Users, kModify)}), false},
        {"a deny of adding files leaves making folders", TGuardedRole::Folder,
         Described({Deny(K::Everyone, ACCESS_WRITE_DATA), Inherited(Allow(K::Users, ACCESS_FILE_GENERIC_WRITE))}), true},
        {"the user denied: other members of Users are not", TGuardedRole::Folder,
         Described({Deny(K::CurrentUser, kModify), Allow(K::Users, kModify)}), true},
        {"Users denied: the user is one of them", TGuardedRole::Folder,
         Described({Deny(K::Users, kModify), Allow(K::CurrentUser, kModify)}), false},
        {"another account denied: not the one allowed", TGuardedRole::Folder,
         Described({Deny(K::Other, kModify, "S-1-5-21-9-9-9-1001"), Allow(K::Other, kModify, "S-1-5-21-9-9-9-1002")}),
         true},
        {"the account allowed is the one denied", TGuardedRole::Folder,
         Described({Deny(K::Other, kModify, "S-1-5-21-9-9-9-1001"), Allow(K::Other, kModify, "S-1-5-21-9-9-9-1001")}),
         false},
        {"NULL DACL", TGuardedRole::File, nullDacl, true},
        {"an empty DACL: no one but the owner, an administrator", TGuardedRole::Folder, Described({}), false},
        {"CREATOR OWNER applies only to children", TGuardedRole::Folder,
         Described(AdminOnlyAnd({InheritOnly(Allow(K::Creator, ACCESS_GENERIC_ALL))})), false},
        {"CREATOR OWNER on the object itself matches no one", TGuardedRole::Folder,
         Described(AdminOnlyAnd({Allow(K::Creator, kFullControl)})), false},
        {"owned by the user: the owner may change the DACL", TGuardedRole::Folder,
         Described(AdminOnly(), K::CurrentUser), true},
        {"owned by the user: a deny ACE does not take the owner's rights away", TGuardedRole::File,
         Described({Deny(K::Everyone, ACCESS_GENERIC_ALL), Allow(K::Administrators, kFullControl)}, K::CurrentUser), true},
        {"owned by the user, OWNER RIGHTS reading alone", TGuardedRole::Folder,
         Described(AdminOnlyAnd({Allow(K::OwnerRights, kReadExecute)}), K::CurrentUser), false},
        {"owned by another account, OWNER RIGHTS writing", TGuardedRole::File,
         Described(AdminOnlyAnd({Allow(K::OwnerRights, kModify)}), K::Other, "S-1-5-21-9-9-9-1001"), true},
        {"OWNER RIGHTS writing for an administrator owner", TGuardedRole::Folder,
         Described(AdminOnlyAnd({Allow(K::OwnerRights, kModify)})), false},
        {"the parent folder's FILE_DELETE_CHILD", TGuardedRole::Parent,
         Described(AdminOnlyAnd({Allow(K::Users, ACCESS_DELETE_CHILD)})), true},
        {"the parent lets Users add files and folders, not delete the folder's", TGuardedRole::Parent,
         Described(AdminOnlyAnd({Allow(K::Users, ACCESS_FILE_GENERIC_WRITE)})), false},
        {"the parent's DACL may be changed: FILE_DELETE_CHILD may be granted", TGuardedRole::Parent,
         Described(AdminOnlyAnd({Allow(K::AuthenticatedUsers, ACCESS_WRITE_DAC)})), true},
        {"the folder's FILE_DELETE_CHILD deletes its files", TGuardedRole::Folder,
         Described(AdminOnlyAnd({Allow(K::Users, ACCESS_DELETE_CHILD)})), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OthersMayWrite(c.security, GuardedRights(c.role)), c.othersMayWrite) << c.what;
}

TEST(FolderRights, TheFolderItsParentAndItsFilesTogether)
{
    const TSecurityDescription closed = Described(AdminOnly());
    const TSecurityDescription open = Described(AdminOnlyAnd({Allow(K::Users, ACCESS_WRITE_DATA)}));
    const std::optional<TSecurityDescription> unreadable;
    const struct {
        const char* what;
        std::vector<TGuardedObject> objects;
        TFolderExposure exposure;
    } cases[] = {
        {"all closed", {{TGuardedRole::Folder, closed}, {TGuardedRole::Parent, closed}, {TGuardedRole::File, closed}},
         TFolderExposure::AdministratorsOnly},
        {"one file open", {{TGuardedRole::Folder, closed}, {TGuardedRole::File, closed}, {TGuardedRole::File, open}},
         TFolderExposure::OpenToOthers},
        {"a file unreadable", {{TGuardedRole::Folder, closed}, {TGuardedRole::File, unreadable}},
         TFolderExposure::Unreadable},
        {"unreadable, and open elsewhere", {{TGuardedRole::File, unreadable}, {TGuardedRole::Parent, closed},
                                            {TGuardedRole::Folder, open}},
         TFolderExposure::OpenToOthers},
        {"the parent may add files: it may not delete the folder's",
         {{TGuardedRole::Folder, closed}, {TGuardedRole::Parent, open}}, TFolderExposure::AdministratorsOnly},
    };
    for (const auto& c : cases) EXPECT_EQ(ExposureOf(c.objects), c.exposure) << c.what;
}

TEST(FolderRights, ParentFolder)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Outils\\Purvane\\", "C:\\Outils\\"},
        {"C:\\Outils\\", "C:\\"},
        {"C:\\", ""},
        {"\\\\serveur\\outils\\Purvane\\", "\\\\serveur\\outils\\"},
        {"\\\\serveur\\outils\\", ""},
        {"", ""},
        {"C:\\Outils", ""},  // not a folder with its separator
    };
    for (const auto& [folder, parent] : cases) EXPECT_EQ(ParentFolderOf(folder), parent) << folder;
}

} // namespace
