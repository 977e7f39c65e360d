// Who besides the administrators may change the program's folder. Purvane
// runs elevated, or as SYSTEM from a scheduled task; the worm runs as the
// signed-in user. Where that user (or any account but the Administrators,
// SYSTEM and TrustedInstaller) may write, create or delete in the program's
// folder, a file it swaps there (the engine library, a signature file, the
// program itself) runs or is believed with the program's rights next time.
//
// The decision reads a small description of each security descriptor, made
// by the Windows adapter (win32_folder_rights), and evaluates its DACL as
// Windows does, for each account that an allow entry or the ownership could
// favour: entries in order, a right denied before it is allowed stays
// denied. For example, the DACL
//
//   deny  Everyone  FILE_ADD_FILE        (explicit)
//   allow Users     FILE_GENERIC_WRITE   (inherited)
//
// leaves Users FILE_APPEND_DATA (FILE_ADD_SUBDIRECTORY on a folder): they
// may make folders there, so others may write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The accounts an entry names, as far as the decision tells them apart.
enum class TSidKind {
    Administrators,      // BUILTIN\Administrators
    LocalSystem,         // SYSTEM
    TrustedInstaller,    // NT SERVICE\TrustedInstaller
    Everyone,
    Users,               // BUILTIN\Users
    AuthenticatedUsers,
    Interactive,
    CurrentUser,         // the account the program runs as: the signed-in user, whom the worm runs as
    Creator,             // CREATOR OWNER, CREATOR GROUP: stand-ins that only what inherits replaces
    OwnerRights,         // OWNER RIGHTS: the owner's rights, in place of the implicit ones
    Other,               // any other account or group, told apart by its SID's text
};

// The rights of the Windows file system an entry's mask holds.
constexpr std::uint32_t ACCESS_WRITE_DATA = 0x00000002;    // FILE_WRITE_DATA, FILE_ADD_FILE
constexpr std::uint32_t ACCESS_APPEND_DATA = 0x00000004;   // FILE_APPEND_DATA, FILE_ADD_SUBDIRECTORY
constexpr std::uint32_t ACCESS_DELETE_CHILD = 0x00000040;  // FILE_DELETE_CHILD
constexpr std::uint32_t ACCESS_DELETE = 0x00010000;
constexpr std::uint32_t ACCESS_READ_CONTROL = 0x00020000;
constexpr std::uint32_t ACCESS_WRITE_DAC = 0x00040000;
constexpr std::uint32_t ACCESS_WRITE_OWNER = 0x00080000;
constexpr std::uint32_t ACCESS_GENERIC_ALL = 0x10000000;
constexpr std::uint32_t ACCESS_GENERIC_WRITE = 0x40000000;
constexpr std::uint32_t ACCESS_FILE_ALL = 0x001F01FF;            // FILE_ALL_ACCESS
constexpr std::uint32_t ACCESS_FILE_GENERIC_WRITE = 0x00120116;  // FILE_GENERIC_WRITE
constexpr std::uint32_t ACCESS_FILE_GENERIC_READ = 0x00120089;   // FILE_GENERIC_READ
constexpr std::uint32_t ACCESS_FILE_GENERIC_EXECUTE = 0x001200A0;

struct TAceDescription {
    bool Deny = false;
    bool Inherited = false;    // came from the parent: it counts all the same
    bool InheritOnly = false;  // meant for what is made inside: it does not apply to the object
    std::uint32_t Mask = 0;
    TSidKind Sid = TSidKind::Other;
    std::string SidText;       // for Other: tells two accounts apart ("S-1-5-21-...")
};

struct TSecurityDescription {
    TSidKind Owner = TSidKind::Administrators;
    std::string OwnerText;  // for Other
    bool NullDacl = false;  // no DACL at all: everyone may do anything
    std::vector<TAceDescription> Aces;  // in the DACL's order
};

// What is looked at, and the rights that count there.
enum class TGuardedRole {
    Folder,  // the program's folder: adding, deleting or renaming an entry, its DACL or owner
    File,    // a shipped file: writing it, deleting or renaming it, its DACL or owner
    Parent,  // the folder's parent: deleting the folder's entries (FILE_DELETE_CHILD), or granting that
};

struct TGuardedObject {
    TGuardedRole Role = TGuardedRole::Folder;
    std::optional<TSecurityDescription> Security;  // none: it could not be read
};

// The rights of role that let an account other than the administrators
// change what the program runs.
std::uint32_t GuardedRights(TGuardedRole role);

// True when an account other than the Administrators, SYSTEM and
// TrustedInstaller holds one of rights on the object security describes.
bool OthersMayWrite(const TSecurityDescription& security, std::uint32_t rights);

enum class TFolderExposure {
    AdministratorsOnly,  // no one else may change the folder or its files
    OpenToOthers,        // another account may
    Unreadable,          // no one else may where it could be read, but a descriptor could not be read
};

TFolderExposure ExposureOf(const std::vector<TGuardedObject>& objects);

// The files that ship in the program's folder, besides the folder itself:
// the program, the engine library, the four signature files and the signed
// list of them.
extern const char* const SHIPPED_FILE_NAMES[7];

// The parent of folder (ending with "\"), with its "\"; empty for a drive's
// root or a share's.
std::string ParentFolderOf(const std::string& folder);
