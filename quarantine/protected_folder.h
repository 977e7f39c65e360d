// The rule for the program's protected objects (the folders Purvane,
// Quarantaine and Rapports under ProgramData, the secret's registry key):
// one is trusted only when it is exactly as the program makes it. The
// account the program runs as is not trusted: a worm running as the same
// user, before the program's first run too, has its SID, and users may
// create folders under ProgramData.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

enum class TTrustee { Administrators, System, Other };

// One access control entry, as far as the rule reads it.
struct TAceFacts {
    bool Allows = false;  // an "allowed" entry; false for a denial or any other kind
    TTrustee Trustee = TTrustee::Other;
    std::uint32_t Rights = 0;  // its access mask
    bool InheritOnly = false;  // meant for what is made inside alone
    bool operator==(const TAceFacts&) const = default;
};

// What the system says of an object and its security descriptor.
struct TObjectFacts {
    bool IsContainer = false;    // a folder (a key, for the registry)
    bool IsLink = false;         // a reparse point: a link, a junction, a mount point
    TTrustee Owner = TTrustee::Other;
    bool HasDacl = false;        // no DACL grants everyone everything
    bool DaclProtected = false;  // inherits nothing from its parent
    std::vector<TAceFacts> Aces;
    bool operator==(const TObjectFacts&) const = default;
};

// True when the object is a container, no link, owned by the Administrators
// or SYSTEM, with a protected DACL whose every entry grants the
// Administrators or SYSTEM; an object that is not is never adopted.
bool IsAsTheProgramMakesIt(const TObjectFacts& facts);

// True when an object found in place may be used: it is exactly as the
// program makes it. madeHere, when known, holds the facts the system gives
// of an object the program has just made with its security: where they are
// not the program's, the system does not keep that security (a volume
// without security, Wine, which keeps neither an owner but the Unix file's
// nor a DACL's protection, and a registry key's security only until it
// stops): nothing can be protected there, and an object is used when its
// facts are exactly those, or when no entry but the Administrators' and
// SYSTEM's grants anything on the object itself.
bool IsTrusted(const TObjectFacts& facts, const std::optional<TObjectFacts>& madeHere);
