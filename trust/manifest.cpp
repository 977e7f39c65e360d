#include "trust/manifest.h"

#include <algorithm>

const char* const MANIFEST_FILE_NAME = "PURVANE.SIG";
const char* const ENGINE_FILE_NAME = "QZ_SSCAN.DLL";
const std::array<const char*, 5> PROGRAM_FILE_NAMES = {"QZ_SSCAN.DLL", "SIG_MSN.DAT", "SIG_MSN2.DAT", "mdpe_msn.dat",
                                                       "mdpe_msn2.dat"};

namespace {

constexpr std::string_view kTitle = "Purvane manifeste 1";
constexpr std::string_view kDigestPrefix = "sha256 ";
constexpr std::string_view kSignaturePrefix = "signature ";

bool IsLowerHex(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

int HexValue(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

bool IsProgramFileName(std::string_view name)
{
    return std::any_of(PROGRAM_FILE_NAMES.begin(), PROGRAM_FILE_NAMES.end(),
                       [&](const char* known) { return name == known; });
}

// The entries of the signed part, or nothing when it is not exactly the
// title and well-formed entry lines, each ending with LF.
std::optional<std::vector<TManifestEntry>> ParseBody(std::string_view body)
{
    std::vector<TManifestEntry> entries;
    bool first = true;
    while (!body.empty()) {
        const std::size_t end = body.find('\n');
        if (end == std::string_view::npos) return std::nullopt;  // the last line has no LF
        const std::string_view line = body.substr(0, end);
        body.remove_prefix(end + 1);
        if (first) {
            if (line != kTitle) return std::nullopt;
            first = false;
            continue;
        }
        // "sha256 " 64 digits " " name
        if (line.size() <= kDigestPrefix.size() + 65 || line.substr(0, kDigestPrefix.size()) != kDigestPrefix)
            return std::nullopt;
        const std::string_view digestText = line.substr(kDigestPrefix.size(), 64);
        if (!IsLowerHex(digestText) || line[kDigestPrefix.size() + 64] != ' ') return std::nullopt;
        const std::string_view name = line.substr(kDigestPrefix.size() + 65);
        // The known names hold no separator, no ':' and no "..": a path never passes.
        if (!IsProgramFileName(name)) return std::nullopt;
        if (std::any_of(entries.begin(), entries.end(), [&](const TManifestEntry& e) { return e.Name == name; }))
            return std::nullopt;
        TManifestEntry entry;
        entry.Name = std::string(name);
        if (!ParseSha256DigestText(digestText, entry.Digest)) return std::nullopt;
        entries.push_back(std::move(entry));
    }
    if (first) return std::nullopt;  // no title
    return entries;
}

} // namespace

TManifestVerdict VerifyManifest(const std::optional<std::vector<std::uint8_t>>& bytes,
                                const TSignatureVerifier& verifier)
{
    TManifestVerdict verdict;
    if (!bytes) return verdict;  // Missing
    if (bytes->size() > MANIFEST_MAX_BYTES) {
        verdict.Refusal = TManifestRefusal::TooLarge;
        return verdict;
    }
    verdict.Refusal = TManifestRefusal::Malformed;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    if (text.empty() || text.back() != '\n') return verdict;
    if (text.find('\r') != std::string_view::npos || text.find('\0') != std::string_view::npos) return verdict;
    if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) > MANIFEST_MAX_LINES) return verdict;
    // The last line is the signature; everything before it is signed.
    const std::size_t lastStart = text.find_last_of('\n', text.size() - 2);
    const std::size_t signatureStart = lastStart == std::string_view::npos ? 0 : lastStart + 1;
    const std::string_view signatureLine = text.substr(signatureStart, text.size() - 1 - signatureStart);
    if (signatureLine.substr(0, kSignaturePrefix.size()) != kSignaturePrefix) return verdict;
    const std::string_view signatureHex = signatureLine.substr(kSignaturePrefix.size());
    if (signatureHex.empty() || signatureHex.size() % 2 || !IsLowerHex(signatureHex)) return verdict;
    std::vector<std::uint8_t> signature(signatureHex.size() / 2);
    for (std::size_t i = 0; i < signature.size(); ++i)
        signature[i] = static_cast<std::uint8_t>(HexValue(signatureHex[2 * i]) * 16 + HexValue(signatureHex[2 * i + 1]));
    const std::span<const std::uint8_t> signedPart(bytes->data(), signatureStart);
    if (!verifier.Verify(signedPart, signature)) {
        verdict.Refusal = TManifestRefusal::BadSignature;
        return verdict;
    }
    std::optional<std::vector<TManifestEntry>> entries = ParseBody(text.substr(0, signatureStart));
    if (!entries) return verdict;  // Malformed, though signed
    verdict.Refusal = TManifestRefusal::None;
    verdict.Entries = std::move(*entries);
    return verdict;
}

std::string ManifestBody(const std::vector<TManifestEntry>& entries)
{
    std::string body = std::string(kTitle) + "\n";
    for (const TManifestEntry& entry : entries)
        body += std::string(kDigestPrefix) + Sha256DigestText(entry.Digest) + " " + entry.Name + "\n";
    return body;
}

std::string SignedManifestText(const std::string& body, std::span<const std::uint8_t> signature)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text = body + std::string(kSignaturePrefix);
    for (const std::uint8_t byte : signature) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text + "\n";
}

std::vector<TFileCheck> AdmitProgramFiles(const TManifestVerdict& manifest, const std::vector<TProgramFile>& files)
{
    std::vector<TFileCheck> admissions;
    for (const TProgramFile& file : files) {
        TFileCheck admission{file.Name, TFileStatus::Missing};
        if (!file.Digest) {
            // absent: Missing, whatever the manifest says
        } else if (!manifest.Accepted()) {
            admission.Status = TFileStatus::ManifestRefused;
        } else {
            const auto entry = std::find_if(manifest.Entries.begin(), manifest.Entries.end(),
                                            [&](const TManifestEntry& e) { return e.Name == file.Name; });
            if (entry == manifest.Entries.end()) admission.Status = TFileStatus::NotInManifest;
            else if (!SameDigest(entry->Digest, *file.Digest)) admission.Status = TFileStatus::DigestDiffers;
            else admission.Status = TFileStatus::Verified;
        }
        admissions.push_back(std::move(admission));
    }
    return admissions;
}

const char* FileStatusText(TFileStatus status)
{
    switch (status) {
    case TFileStatus::Verified: return "verified";
    case TFileStatus::NotInManifest: return "not-in-manifest";
    case TFileStatus::DigestDiffers: return "digest-differs";
    case TFileStatus::Missing: return "missing";
    case TFileStatus::ManifestRefused: return "manifest-refused";
    }
    return "?";
}
