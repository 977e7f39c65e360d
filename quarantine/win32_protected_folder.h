// The program's protected folders and its secret's registry key on Windows:
// made with the Administrators as owner and a protected DACL that grants
// the Administrators and SYSTEM alone, and trusted only when they are
// exactly so (protected_folder.h). A folder (or a file, or a link) at the
// name that is not is renamed aside, NAME.AAAAMMJJ-HHMMSS.ecarte, through a
// handle opened without following a link, and a new folder made in its
// place: a new object, to which nobody holds a handle from before.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/owned_handle.h"
#include "quarantine/protected_folder.h"

// The folder at path with access (the rights of a CreateFile call), opened
// without following a link at its end and held without delete sharing: it
// can be neither renamed nor replaced while the handle lives. Empty unless a
// folder is there; isLink then tells whether a link is.
TFileHandle HoldFolder(const std::wstring& path, std::uint32_t access, bool& isLink);

// The protected folder at path (its parent must exist), held as HoldFolder
// holds it, exactly as the program makes it: the one there when it is so,
// else a new one, whatever was there set aside first. Empty when it cannot
// be had; nothing is adopted then.
TFileHandle TakeProtectedFolder(const std::wstring& path);

// BASE\Purvane and BASE\Purvane\NAME, taken as protected folders in that
// order and held while this lives: the program's tree under ProgramData (its
// quarantine, its reports). Empty unless both are had.
struct TProtectedSubfolder {
    TFileHandle Own;     // BASE\Purvane
    TFileHandle Folder;  // BASE\Purvane\NAME
    std::wstring Path;   // BASE\Purvane\NAME\, with its trailing "\"
    explicit operator bool() const { return static_cast<bool>(Folder); }
};
TProtectedSubfolder TakeProtectedSubfolder(const std::wstring& base, const std::wstring& name);

// The facts the trust rule reads, of the folder open as folder (with
// READ_CONTROL); nothing when the system does not give them.
std::optional<TObjectFacts> FactsOfFolder(void* folder);

// The security a protected object is made with: the Administrators as owner,
// and a protected DACL granting rights to the Administrators and SYSTEM
// alone, inherited by what is made inside.
class TProtectedSecurity {
public:
    explicit TProtectedSecurity(std::uint32_t rights);
    ~TProtectedSecurity();
    TProtectedSecurity(const TProtectedSecurity&) = delete;
    TProtectedSecurity& operator=(const TProtectedSecurity&) = delete;

    bool IsValid() const;
    void* Attributes();  // a SECURITY_ATTRIBUTES for the calls that make objects
    // Sets the owner and the DACL again through handle, a folder (or a
    // registry key) the program has just made, opened with WRITE_OWNER and
    // WRITE_DAC: a system that does not take them at the making (Wine) takes
    // them so.
    bool ApplyTo(void* handle, bool isKey);

private:
    struct TParts;
    std::unique_ptr<TParts> parts_;
};

// The facts the system gives of a registry key the program makes with
// security: one made at path (volatile), read, and deleted; nothing when it
// cannot be made.
std::optional<TObjectFacts> FactsOfAKeyMadeHere(const std::wstring& path, TProtectedSecurity& security);

// The facts of a security descriptor (with its owner and DACL), for an
// object that is a container or not, a link or not.
TObjectFacts FactsOfDescriptor(void* descriptor, bool isContainer, bool isLink);
