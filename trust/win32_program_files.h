// The program's files held open from the start to the end of the process:
// PURVANE.SIG and the five files it may name, each opened once, by full path
// in the program's folder, for reading with read sharing only (nobody can
// write, rename or delete them while they are held), without following a
// link at the end of the path; a link is refused. Each is hashed through its
// handle (the portable SHA-256), the manifest's signature checked with CNG,
// and each file gets its status (trust/manifest.h).
//
//   const TCngSignatureVerifier verifier(SIGNING_PUBLIC_KEY);
//   const TProgramFiles files = TProgramFiles::Open(programDir, verifier);
//   if (files.Status("QZ_SSCAN.DLL") == TFileStatus::Verified) ... load it while files lives
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "common/owned_handle.h"
#include "trust/manifest.h"
#include "trust/signing_key.h"

// BCryptVerifySignature with the public key, PKCS#1 v1.5 over SHA-256;
// bcrypt.dll comes from the system folder at run time. Refuses everything
// when CNG is not there or refuses the key.
class TCngSignatureVerifier final : public TSignatureVerifier {
public:
    explicit TCngSignatureVerifier(const TSigningPublicKey& key);
    ~TCngSignatureVerifier() override;
    TCngSignatureVerifier(const TCngSignatureVerifier&) = delete;
    TCngSignatureVerifier& operator=(const TCngSignatureVerifier&) = delete;

    bool Verify(std::span<const std::uint8_t> message, std::span<const std::uint8_t> signature) const override;

private:
    void* algorithm_ = nullptr;  // BCRYPT_ALG_HANDLE
    void* key_ = nullptr;        // BCRYPT_KEY_HANDLE
};

class TProgramFiles {
public:
    // folder: the program's folder, a full path ending with "\".
    static TProgramFiles Open(const std::string& folder, const TSignatureVerifier& verifier);

    TManifestRefusal ManifestRefusal() const { return refusal_; }
    // The status of one of PROGRAM_FILE_NAMES (Missing for any other name).
    TFileStatus Status(const std::string& name) const;
    // The handle held on name, or INVALID_HANDLE_VALUE.
    HANDLE Handle(const std::string& name) const;
    // The full path name was opened by.
    std::string Path(const std::string& name) const { return folder_ + name; }

private:
    struct THeld {
        std::string Name;
        TFileHandle File;
        TFileStatus Status = TFileStatus::Missing;
    };
    std::string folder_;
    TFileHandle manifest_;
    std::vector<THeld> files_;
    TManifestRefusal refusal_ = TManifestRefusal::Missing;
};
