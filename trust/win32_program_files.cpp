#include "trust/win32_program_files.h"

#include <bcrypt.h>

#include <algorithm>

#include "common/code_page.h"
#include "common/file_identity.h"
#include "common/module_export.h"
#include "common/system_library.h"

namespace {

using TOpenAlgorithm = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
using TCloseAlgorithm = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
using TImportKeyPair = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_KEY_HANDLE, LPCWSTR, BCRYPT_KEY_HANDLE*, PUCHAR,
                                         ULONG, ULONG);
using TDestroyKey = NTSTATUS(WINAPI*)(BCRYPT_KEY_HANDLE);
using TVerifySignature = NTSTATUS(WINAPI*)(BCRYPT_KEY_HANDLE, VOID*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG);

// Opened for reading, sharing reading alone, the link itself if the path
// ends with one.
TFileHandle OpenHeld(const std::string& path)
{
    return TFileHandle(CreateFileW(WideFromAnsi(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// A plain file: not a link, not a folder.
bool IsPlainFile(HANDLE file)
{
    const std::optional<std::uint32_t> attributes = AttributesOf(file);
    return attributes && !(*attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
}

// Reads file from its start through the handle, at most limit bytes and one
// more (to tell a larger file); nothing when a read fails.
template <typename TConsume>
bool ReadThrough(HANDLE file, std::uint64_t limit, TConsume consume)
{
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) return false;
    std::vector<std::uint8_t> buffer(64 * 1024);
    std::uint64_t total = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
        if (read == 0) return true;
        total += read;
        consume(std::span<const std::uint8_t>(buffer.data(), read));
        if (total > limit) return true;
    }
}

} // namespace

TCngSignatureVerifier::TCngSignatureVerifier(const TSigningPublicKey& key)
{
    const HMODULE bcrypt = BcryptLibrary();
    const auto open = ModuleExport<TOpenAlgorithm>(bcrypt, "BCryptOpenAlgorithmProvider");
    const auto import = ModuleExport<TImportKeyPair>(bcrypt, "BCryptImportKeyPair");
    if (!open || !import) return;
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(open(&algorithm, BCRYPT_RSA_ALGORITHM, nullptr, 0))) return;
    algorithm_ = algorithm;
    // BCRYPT_RSAKEY_BLOB, then the exponent and the modulus, big-endian.
    const std::uint8_t exponent[4] = {static_cast<std::uint8_t>(key.Exponent >> 24),
                                      static_cast<std::uint8_t>(key.Exponent >> 16),
                                      static_cast<std::uint8_t>(key.Exponent >> 8),
                                      static_cast<std::uint8_t>(key.Exponent)};
    const std::uint8_t* exponentStart = std::find_if(exponent, exponent + 3, [](std::uint8_t b) { return b != 0; });
    const ULONG exponentSize = static_cast<ULONG>(exponent + 4 - exponentStart);
    BCRYPT_RSAKEY_BLOB header{};
    header.Magic = BCRYPT_RSAPUBLIC_MAGIC;
    header.BitLength = RSA_MODULUS_BITS;
    header.cbPublicExp = exponentSize;
    header.cbModulus = static_cast<ULONG>(key.Modulus.size());
    std::vector<std::uint8_t> blob(reinterpret_cast<const std::uint8_t*>(&header),
                                   reinterpret_cast<const std::uint8_t*>(&header) + sizeof header);
    blob.insert(blob.end(), exponentStart, exponent + 4);
    blob.insert(blob.end(), key.Modulus.begin(), key.Modulus.end());
    BCRYPT_KEY_HANDLE imported = nullptr;
    if (BCRYPT_SUCCESS(import(algorithm, nullptr, BCRYPT_RSAPUBLIC_BLOB, &imported, blob.data(),
                              static_cast<ULONG>(blob.size()), 0)))
        key_ = imported;
}

TCngSignatureVerifier::~TCngSignatureVerifier()
{
    const HMODULE bcrypt = BcryptLibrary();
    if (key_)
        if (const auto destroy = ModuleExport<TDestroyKey>(bcrypt, "BCryptDestroyKey")) destroy(key_);
    if (algorithm_)
        if (const auto close = ModuleExport<TCloseAlgorithm>(bcrypt, "BCryptCloseAlgorithmProvider"))
            close(algorithm_, 0);
}

bool TCngSignatureVerifier::Verify(std::span<const std::uint8_t> message, std::span<const std::uint8_t> signature) const
{
    const auto verify = ModuleExport<TVerifySignature>(BcryptLibrary(), "BCryptVerifySignature");
    if (!key_ || !verify || signature.size() != RSA_MODULUS_BYTES) return false;
    TSha256Digest digest = Sha256Digest(message);
    std::vector<std::uint8_t> copy(signature.begin(), signature.end());
    BCRYPT_PKCS1_PADDING_INFO padding{BCRYPT_SHA256_ALGORITHM};
    return verify(key_, &padding, digest.data(), static_cast<ULONG>(digest.size()), copy.data(),
                  static_cast<ULONG>(copy.size()), BCRYPT_PAD_PKCS1) == 0;  // STATUS_SUCCESS alone
}

TProgramFiles TProgramFiles::Open(const std::string& folder, const TSignatureVerifier& verifier)
{
    TProgramFiles files;
    files.folder_ = folder;
    // The manifest: its bytes through the handle held.
    std::optional<std::vector<std::uint8_t>> manifestBytes;
    files.manifest_ = OpenHeld(folder + MANIFEST_FILE_NAME);
    if (files.manifest_ && IsPlainFile(files.manifest_.Get())) {
        std::vector<std::uint8_t> bytes;
        if (ReadThrough(files.manifest_.Get(), MANIFEST_MAX_BYTES,
                        [&](std::span<const std::uint8_t> part) { bytes.insert(bytes.end(), part.begin(), part.end()); }))
            manifestBytes = std::move(bytes);
    }
    const TManifestVerdict verdict = VerifyManifest(manifestBytes, verifier);
    files.refusal_ = verdict.Refusal;

    std::vector<TProgramFile> found;
    std::vector<bool> links;
    for (const char* name : PROGRAM_FILE_NAMES) {
        THeld held{name, OpenHeld(folder + name)};
        TProgramFile file{name, std::nullopt};
        const bool plain = held.File && IsPlainFile(held.File.Get());
        if (held.File && plain) {
            TSha256Context hash;
            if (ReadThrough(held.File.Get(), UINT64_MAX, [&](std::span<const std::uint8_t> part) { hash.Update(part); }))
                file.Digest = hash.Final();
        }
        links.push_back(held.File && !plain);
        found.push_back(std::move(file));
        files.files_.push_back(std::move(held));
    }
    const std::vector<TFileCheck> admitted = AdmitProgramFiles(verdict, found);
    for (std::size_t i = 0; i < admitted.size(); ++i)
        // A link or a folder at a file's name is never the file that was signed.
        files.files_[i].Status = links[i] ? TFileStatus::DigestDiffers : admitted[i].Status;
    return files;
}

TFileStatus TProgramFiles::Status(const std::string& name) const
{
    for (const THeld& held : files_)
        if (held.Name == name) return held.Status;
    return TFileStatus::Missing;
}

HANDLE TProgramFiles::Handle(const std::string& name) const
{
    for (const THeld& held : files_)
        if (held.Name == name) return held.File.Get();
    return INVALID_HANDLE_VALUE;
}
