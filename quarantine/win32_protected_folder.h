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

private:
    struct TParts;
    std::unique_ptr<TParts> parts_;
};

// The facts of a security descriptor (with its owner and DACL), for an
// object that is a container or not, a link or not.
TObjectFacts FactsOfDescriptor(void* descriptor, bool isContainer, bool isLink);
