// The folder's rights on Windows: real descriptors, set on a folder of the
// test's own with SetNamedSecurityInfo, read back as the decision sees them.
// A Wine that keeps no DACL (it makes one from the Unix file mode: SYSTEM
// and the user in full, Everyone reading) skips the tests that set one; a
// folder of the user's own is open to others there as on Windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <filesystem>

#include "common/code_page.h"
#include "common/handle.h"
#include "main/win32_folder_rights.h"
#include "tests/support/temp_dir.h"

namespace {

// The text of the program's token's user SID.
std::string OwnUserSid()
{
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
    const TKernelHandle token(opened);
    BYTE buffer[256];
    DWORD size = sizeof buffer;
    if (!GetTokenInformation(token.Get(), TokenUser, buffer, size, &size)) return {};
    char* text = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) return {};
    const TLocalMemory held(text);
    return text;
}

// Sets the owner (when sddl names one, "O:BA") and the DACL of sddl (a
// protected one, "D:P(...)") on path.
bool SetDacl(const std::string& path, const std::string& sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    const TLocalMemory held(descriptor);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) ||
        !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted))
        return false;
    const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | (owner ? OWNER_SECURITY_INFORMATION : 0) |
                                      (sddl.find("D:P") != std::string::npos ? PROTECTED_DACL_SECURITY_INFORMATION : 0);
    return SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT, what, owner, nullptr,
                                 present ? dacl : nullptr, nullptr) == ERROR_SUCCESS;
}

std::optional<TSecurityDescription> Read(const std::string& path)
{
    bool missing = true;
    std::optional<TSecurityDescription> security = ReadSecurityDescription(WideFromAnsi(path), missing);
    EXPECT_FALSE(missing) << path;
    return security;
}

const std::string kAdminOnly = "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";

// Whether the system keeps the owner and the DACL set on a file.
bool DescriptorsKept()
{
    TTempDir dir;
    const std::string file = dir.Write("probe.txt", std::string("x"));
    if (!SetDacl(file, "O:BAD:P(A;;FA;;;BA)")) return false;
    const std::optional<TSecurityDescription> security = Read(file);
    const bool kept = security && security->Owner == TSidKind::Administrators && security->Aces.size() == 1 &&
                      security->Aces[0].Sid == TSidKind::Administrators;
    SetDacl(file, "D:(A;;FA;;;WD)");
    return kept;
}

class Win32FolderRightsSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!DescriptorsKept()) GTEST_SKIP() << "this system keeps no owner nor DACL set on a file (Wine)";
    }
};

// A folder the test makes, as the user, and its files: the user owns them,
// so another account than the administrators may change them.
TEST(Win32FolderRights, AFolderOfTheUsersOwnIsOpenToOthers)
{
    TTempDir dir;
    const std::string folder = dir.Path("outils\\Purvane\\");
    std::filesystem::create_directories(folder);
    for (const char* name : {"Purvane.exe", "QZ_SSCAN.DLL", "SIG_MSN.DAT"})
        dir.Write(std::string("outils\\Purvane\\") + name, std::string("x"));
    const std::optional<TSecurityDescription> security = Read(folder);
    ASSERT_TRUE(security);
    const bool namesUser = security->Owner == TSidKind::CurrentUser ||
                           std::any_of(security->Aces.begin(), security->Aces.end(),
                                       [](const TAceDescription& ace) { return ace.Sid == TSidKind::CurrentUser; });
    EXPECT_TRUE(namesUser);
    EXPECT_TRUE(OthersMayWrite(*security, GuardedRights(TGuardedRole::Folder)));

    const std::vector<TGuardedObject> objects = ProgramFolderObjects(folder);
    std::vector<TGuardedRole> roles;
    for (const TGuardedObject& object : objects) {
        roles.push_back(object.Role);
        EXPECT_TRUE(object.Security);
    }
    // The four files that are not there are skipped.
    EXPECT_EQ(roles, (std::vector<TGuardedRole>{TGuardedRole::Folder, TGuardedRole::Parent, TGuardedRole::File,
                                                 TGuardedRole::File, TGuardedRole::File}));
    EXPECT_EQ(ExposureOf(objects), TFolderExposure::OpenToOthers);
}

TEST(Win32FolderRights, MissingObjects)
{
    TTempDir dir;
    bool missing = false;
    EXPECT_FALSE(ReadSecurityDescription(WideFromAnsi(dir.Path("absent.dat")), missing));
    EXPECT_TRUE(missing);
    EXPECT_FALSE(ReadSecurityDescription(WideFromAnsi(dir.Path("absent\\x.dat")), missing));
    EXPECT_TRUE(missing);
}

TEST_F(Win32FolderRightsSet, RealDescriptorsReadAsTheDecisionSeesThem)
{
    const std::string user = OwnUserSid();
    ASSERT_FALSE(user.empty());
    const struct {
        const char* what;
        std::string sddl;
        bool othersMayWrite;
    } cases[] = {
        {"admin-only", kAdminOnly, false},
        {"Users may write", kAdminOnly + "(A;OICI;0x1301bf;;;BU)", true},
        {"Authenticated Users may add files", kAdminOnly + "(A;;0x2;;;AU)", true},
        {"the user's own SID may create files", kAdminOnly + "(A;;0x2;;;" + user + ")", true},
        {"Everyone read-only", kAdminOnly + "(A;;0x1200a9;;;WD)", false},
        {"inherit-only for Users", kAdminOnly + "(A;OICIIO;GA;;;BU)", false},
        {"CREATOR OWNER", kAdminOnly + "(A;OICIIO;GA;;;CO)", false},
        {"Everyone denied before Users allowed", "O:BAD:P(D;;0x116;;;WD)(A;;FA;;;BA)(A;;0x1301bf;;;BU)", false},
        {"owned by the user", "O:" + user + kAdminOnly.substr(4), true},
        {"owned by SYSTEM", "O:SY" + kAdminOnly.substr(4), false},
        {"another account may change the DACL", kAdminOnly + "(A;;WD;;;S-1-5-21-1-2-3-1004)", true},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        const std::string folder = dir.Path("prog\\");
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        ASSERT_TRUE(SetDacl(folder, c.sddl)) << c.what;
        const std::optional<TSecurityDescription> security = Read(folder);
        ASSERT_TRUE(security) << c.what;
        EXPECT_FALSE(security->NullDacl) << c.what;
        EXPECT_EQ(OthersMayWrite(*security, GuardedRights(TGuardedRole::Folder)), c.othersMayWrite) << c.what;
        SetDacl(folder, "D:(A;OICI;FA;;;WD)");  // so that the folder can be removed
    }
}

TEST_F(Win32FolderRightsSet, EntriesAndTheirAccounts)
{
    TTempDir dir;
    const std::string folder = dir.Path("prog\\");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(SetDacl(folder, "O:BAD:P(D;;WD;;;S-1-5-21-1-2-3-1004)(A;OICI;FA;;;BA)(A;OICIIO;GA;;;CO)(A;;0x2;;;" +
                                    OwnUserSid() + ")(A;;FA;;;SY)"));
    const std::optional<TSecurityDescription> security = Read(folder);
    ASSERT_TRUE(security);
    EXPECT_EQ(security->Owner, TSidKind::Administrators);
    ASSERT_EQ(security->Aces.size(), 5u);
    const TAceDescription& deny = security->Aces[0];
    EXPECT_TRUE(deny.Deny);
    EXPECT_EQ(deny.Sid, TSidKind::Other);
    EXPECT_EQ(deny.SidText, "S-1-5-21-1-2-3-1004");
    EXPECT_EQ(deny.Mask, DWORD{WRITE_DAC});
    EXPECT_EQ(security->Aces[1].Sid, TSidKind::Administrators);
    EXPECT_EQ(security->Aces[1].Mask, DWORD{FILE_ALL_ACCESS});
    EXPECT_EQ(security->Aces[2].Sid, TSidKind::Creator);
    EXPECT_TRUE(security->Aces[2].InheritOnly);
    EXPECT_EQ(security->Aces[3].Sid, TSidKind::CurrentUser);
    EXPECT_FALSE(security->Aces[3].Deny);
    EXPECT_EQ(security->Aces[4].Sid, TSidKind::LocalSystem);
    SetDacl(folder, "D:(A;OICI;FA;;;WD)");
}

TEST_F(Win32FolderRightsSet, NullDacl)
{
    TTempDir dir;
    const std::string file = dir.Write("SIG_MSN.DAT", std::string("x"));
    ASSERT_TRUE(SetDacl(file, "O:BAD:NO_ACCESS_CONTROL"));
    const std::optional<TSecurityDescription> security = Read(file);
    ASSERT_TRUE(security);
    EXPECT_TRUE(security->NullDacl);
    EXPECT_TRUE(OthersMayWrite(*security, GuardedRights(TGuardedRole::File)));
}

// The folder, its parent and the shipped files that exist; one of them open
// to Users opens the whole folder.
TEST_F(Win32FolderRightsSet, TheProgramFolderItsParentAndItsFiles)
{
    TTempDir dir;
    const std::string parent = dir.Path("outils\\");
    const std::string folder = parent + "Purvane\\";
    ASSERT_TRUE(CreateDirectoryA(parent.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    for (const char* name : {"Purvane.exe", "QZ_SSCAN.DLL", "SIG_MSN.DAT"})
        dir.Write(std::string("outils\\Purvane\\") + name, std::string("x"));
    for (const std::string& path : {parent, folder, folder + "Purvane.exe", folder + "QZ_SSCAN.DLL", folder + "SIG_MSN.DAT"})
        ASSERT_TRUE(SetDacl(path, kAdminOnly)) << path;

    const std::vector<TGuardedObject> objects = ProgramFolderObjects(folder);
    std::vector<TGuardedRole> roles;
    for (const TGuardedObject& object : objects) roles.push_back(object.Role);
    EXPECT_EQ(roles, (std::vector<TGuardedRole>{TGuardedRole::Folder, TGuardedRole::Parent, TGuardedRole::File,
                                                 TGuardedRole::File, TGuardedRole::File}));
    EXPECT_EQ(ExposureOf(objects), TFolderExposure::AdministratorsOnly);

    ASSERT_TRUE(SetDacl(folder + "QZ_SSCAN.DLL", kAdminOnly + "(A;;0x1301bf;;;BU)"));
    EXPECT_EQ(ExposureOf(ProgramFolderObjects(folder)), TFolderExposure::OpenToOthers);
    ASSERT_TRUE(SetDacl(folder + "QZ_SSCAN.DLL", kAdminOnly));
    ASSERT_TRUE(SetDacl(parent, kAdminOnly + "(A;;DC;;;BU)"));  // FILE_DELETE_CHILD
    EXPECT_EQ(ExposureOf(ProgramFolderObjects(folder)), TFolderExposure::OpenToOthers);

    for (const std::string& path : {parent, folder, folder + "Purvane.exe", folder + "QZ_SSCAN.DLL", folder + "SIG_MSN.DAT"})
        SetDacl(path, "D:(A;OICI;FA;;;WD)");
}

} // namespace
