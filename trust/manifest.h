// The program's signed manifest, PURVANE.SIG beside Purvane.exe: the SHA-256
// of each of the files the program runs or believes, signed by the
// maintainer's key. Text, Windows-1252 being ASCII here, lines ending with
// LF alone:
//
//   Purvane manifeste 1
//   sha256 <64 lower-case hex digits> QZ_SSCAN.DLL
//   sha256 <64 lower-case hex digits> SIG_MSN.DAT
//   ...
//   signature <lower-case hex of the RSA signature, as long as the modulus>
//
// The signature (RSASSA-PKCS1-v1_5, SHA-256) covers every byte before the
// "signature" line. The reading is strict: a CR, a blank line, a name that
// is not one of the program's five (spelled exactly as they are listed
// below), a name given twice, a digest in upper case, anything after the
// signature line, a file above MANIFEST_MAX_BYTES or with more than
// MANIFEST_MAX_LINES lines: the whole manifest is refused. The signature is
// checked first, so the entries are only read from signed bytes.
//
//   const TManifestVerdict verdict = VerifyManifest(bytes, verifier);
//   const std::vector<TFileCheck> admitted = AdmitProgramFiles(verdict, digestsOfTheHeldFiles);
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/sha256.h"
#include "trust/rsa.h"

extern const char* const MANIFEST_FILE_NAME;  // "PURVANE.SIG"
constexpr std::size_t MANIFEST_MAX_BYTES = 64 * 1024;
constexpr std::size_t MANIFEST_MAX_LINES = 16;

// The files a manifest may name, and the only ones the program asks about:
// the engine library, then the main and supplementary signature files.
extern const std::array<const char*, 5> PROGRAM_FILE_NAMES;
extern const char* const ENGINE_FILE_NAME;  // "QZ_SSCAN.DLL"

// Checks a signature over message: the portable RSA below natively and in
// the maintainer's tool, CNG in the program.
class TSignatureVerifier {
public:
    virtual ~TSignatureVerifier() = default;
    virtual bool Verify(std::span<const std::uint8_t> message, std::span<const std::uint8_t> signature) const = 0;
};

class TRsaSignatureVerifier : public TSignatureVerifier {
public:
    explicit TRsaSignatureVerifier(TRsaPublicKey key) : key_(std::move(key)) {}
    bool Verify(std::span<const std::uint8_t> message, std::span<const std::uint8_t> signature) const override
    {
        return VerifyPkcs1Sha256(key_, message, signature);
    }

private:
    TRsaPublicKey key_;
};

enum class TManifestRefusal {
    None,          // accepted: signed by the key, well formed
    Missing,       // no manifest (or it could not be read)
    TooLarge,      // above MANIFEST_MAX_BYTES
    Malformed,     // not in the format above
    BadSignature,  // the signature does not verify with the program's key
};

struct TManifestEntry {
    std::string Name;
    TSha256Digest Digest{};
};

struct TManifestVerdict {
    TManifestRefusal Refusal = TManifestRefusal::Missing;
    std::vector<TManifestEntry> Entries;  // only when accepted
    bool Accepted() const { return Refusal == TManifestRefusal::None; }
};

// The manifest's bytes (nothing: there is none) read and verified.
TManifestVerdict VerifyManifest(const std::optional<std::vector<std::uint8_t>>& bytes,
                                const TSignatureVerifier& verifier);

// The signed part of a manifest for entries (the title and one line each),
// and the whole file once signed.
std::string ManifestBody(const std::vector<TManifestEntry>& entries);
std::string SignedManifestText(const std::string& body, std::span<const std::uint8_t> signature);

enum class TFileStatus {
    Verified,         // named with the digest of the file held
    NotInManifest,    // present, but the manifest does not name it
    DigestDiffers,    // present, named with another digest
    Missing,          // not there (whether named or not)
    ManifestRefused,  // present, but no manifest was accepted
};

// One of the program's files as found: its digest, computed through the
// handle that the program keeps open, or nothing when it is not there.
struct TProgramFile {
    std::string Name;
    std::optional<TSha256Digest> Digest;
};

struct TFileCheck {
    std::string Name;
    TFileStatus Status = TFileStatus::Missing;
};

// The status of each file, in the order given.
std::vector<TFileCheck> AdmitProgramFiles(const TManifestVerdict& manifest, const std::vector<TProgramFile>& files);

const char* FileStatusText(TFileStatus status);  // for tools and tests: "verified", ...
