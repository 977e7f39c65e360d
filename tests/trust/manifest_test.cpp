// The manifest: what it admits and every way it is refused, as the program
// meets them: one table from the folder's state to each file's status.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "tests/trust/test_keys.h"
#include "trust/manifest.h"

namespace {

using TFiles = std::map<std::string, std::string>;  // name -> content; absent: not there

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TSha256Digest DigestOf(const std::string& content) { return Sha256Digest(Bytes(content)); }

std::string Signed(const std::string& body, int key = 0)
{
    return SignedManifestText(body, SignPkcs1Sha256(TestKey(key), Bytes(body)));
}

std::string BodyFor(const TFiles& files)
{
    std::vector<TManifestEntry> entries;
    for (const auto& [name, content] : files) entries.push_back({name, DigestOf(content)});
    return ManifestBody(entries);
}

const TFiles kShipped = {{"QZ_SSCAN.DLL", "MZ engine"},    {"SIG_MSN.DAT", "patterns"},
                         {"SIG_MSN2.DAT", "more patterns"}, {"mdpe_msn.dat", "fingerprints"},
                         {"mdpe_msn2.dat", "more fingerprints"}};

std::vector<TProgramFile> Found(const TFiles& files)
{
    std::vector<TProgramFile> found;
    for (const char* name : PROGRAM_FILE_NAMES) {
        const auto it = files.find(name);
        found.push_back({name, it == files.end() ? std::nullopt : std::optional(DigestOf(it->second))});
    }
    return found;
}

struct TCase {
    const char* what;
    std::function<std::optional<std::string>()> manifest;  // nothing: no PURVANE.SIG
    TFiles files;                                          // the folder as the program finds it
    TManifestRefusal refusal;
    std::vector<TFileStatus> expected;                     // in PROGRAM_FILE_NAMES order
};

constexpr TFileStatus V = TFileStatus::Verified, N = TFileStatus::NotInManifest, D = TFileStatus::DigestDiffers,
                      M = TFileStatus::Missing, R = TFileStatus::ManifestRefused;
const std::vector<TFileStatus> kAllRefused = {R, R, R, R, R};

TFiles With(TFiles files, const std::string& name, std::optional<std::string> content)
{
    if (content) files[name] = *content;
    else files.erase(name);
    return files;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string EntryLine(const std::string& name, const std::string& content)
{
    return "sha256 " + Sha256DigestText(DigestOf(content)) + " " + name + "\n";
}

const std::string kBody = BodyFor(kShipped);
const std::string kGood = Signed(kBody);

const TCase kCases[] = {
    {"the shipped folder", [] { return kGood; }, kShipped, TManifestRefusal::None, {V, V, V, V, V}},
    {"no manifest", [] { return std::nullopt; }, kShipped, TManifestRefusal::Missing, kAllRefused},
    {"no manifest, no supplements", [] { return std::nullopt; },
     With(With(kShipped, "SIG_MSN2.DAT", {}), "mdpe_msn2.dat", {}), TManifestRefusal::Missing, {R, R, M, R, M}},
    {"empty manifest", [] { return std::string(); }, kShipped, TManifestRefusal::Malformed, kAllRefused},
    {"truncated: the signature line cut", [] { return kGood.substr(0, kGood.size() - 20); }, kShipped,
     TManifestRefusal::Malformed, kAllRefused},
    {"truncated: no final LF", [] { return kGood.substr(0, kGood.size() - 1); }, kShipped,
     TManifestRefusal::Malformed, kAllRefused},
    {"truncated: the signature line gone", [] { return kBody; }, kShipped, TManifestRefusal::Malformed, kAllRefused},
    {"signed with another key", [] { return Signed(kBody, 1); }, kShipped, TManifestRefusal::BadSignature,
     kAllRefused},
    {"one digest changed after signing",
     [] { return Replaced(kGood, EntryLine("SIG_MSN.DAT", "patterns"), EntryLine("SIG_MSN.DAT", "planted")); },
     kShipped, TManifestRefusal::BadSignature, kAllRefused},
    {"a supplement changed after signing", [] { return kGood; }, With(kShipped, "mdpe_msn2.dat", "planted digests"),
     TManifestRefusal::None, {V, V, V, V, D}},
    {"the engine replaced", [] { return kGood; }, With(kShipped, "QZ_SSCAN.DLL", "MZ planted"),
     TManifestRefusal::None, {D, V, V, V, V}},
    {"a supplement planted after signing", [] { return Signed(BodyFor(With(kShipped, "SIG_MSN2.DAT", {}))); },
     kShipped, TManifestRefusal::None, {V, V, N, V, V}},
    {"a file named but absent", [] { return kGood; }, With(kShipped, "SIG_MSN.DAT", {}), TManifestRefusal::None,
     {V, M, V, V, V}},
    {"a name repeated (signed)",
     [] { return Signed(kBody + EntryLine("SIG_MSN.DAT", "patterns")); }, kShipped, TManifestRefusal::Malformed,
     kAllRefused},
    {"a name repeated in another case (signed)",
     [] { return Signed(Replaced(kBody, " mdpe_msn2.dat", " MDPE_MSN.DAT")); }, kShipped,
     TManifestRefusal::Malformed, kAllRefused},
    {"a name with a path (signed)",
     [] { return Signed(Replaced(kBody, " SIG_MSN2.DAT", " ..\\SIG_MSN2.DAT")); }, kShipped,
     TManifestRefusal::Malformed, kAllRefused},
    {"a name with a drive (signed)", [] { return Signed(Replaced(kBody, " SIG_MSN2.DAT", " C:SIG_MSN2.DAT")); },
     kShipped, TManifestRefusal::Malformed, kAllRefused},
    {"a name not of the program (signed)", [] { return Signed(kBody + EntryLine("Purvane.exe", "x")); }, kShipped,
     TManifestRefusal::Malformed, kAllRefused},
    {"a blank line (signed)", [] { return Signed(kBody + "\n"); }, kShipped, TManifestRefusal::Malformed,
     kAllRefused},
    {"CRLF line ends (signed)",
     [] {
         std::string crlf;
         for (char c : kBody) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
         return Signed(crlf);
     },
     kShipped, TManifestRefusal::Malformed, kAllRefused},
    {"a digest in upper case (signed)",
     [] {
         std::string body = kBody;
         const std::size_t at = body.find("sha256 ") + 7;
         for (std::size_t i = at; i < at + 64; ++i) body[i] = static_cast<char>(std::toupper(body[i]));
         return Signed(body);
     },
     kShipped, TManifestRefusal::Malformed, kAllRefused},
    {"another title (signed)", [] { return Signed(Replaced(kBody, "manifeste 1", "manifeste 2")); }, kShipped,
     TManifestRefusal::Malformed, kAllRefused},
    {"garbage after the signature", [] { return kGood + "x\n"; }, kShipped, TManifestRefusal::Malformed, kAllRefused},
    {"a blank line after the signature", [] { return kGood + "\n"; }, kShipped, TManifestRefusal::Malformed,
     kAllRefused},
    {"a line added before the signature", [] { return Replaced(kGood, "signature ", "\nsignature "); }, kShipped,
     TManifestRefusal::BadSignature, kAllRefused},
    {"the signature in upper case", [] {
         std::string text = kGood;
         for (std::size_t i = text.find("signature ") + 10; i < text.size(); ++i) text[i] = static_cast<char>(std::toupper(text[i]));
         return text;
     }, kShipped, TManifestRefusal::Malformed, kAllRefused},
    {"the signature one byte short", [] { return Replaced(kGood, "signature 00", "signature ").substr(0, kGood.size() - 3) + "\n"; },
     kShipped, TManifestRefusal::BadSignature, kAllRefused},
    {"oversize", [] { return kBody + std::string(MANIFEST_MAX_BYTES, '#') + "\n" + kGood.substr(kBody.size()); },
     kShipped, TManifestRefusal::TooLarge, kAllRefused},
    {"too many lines", [] { return std::string(MANIFEST_MAX_LINES, '\n') + kGood; }, kShipped,
     TManifestRefusal::Malformed, kAllRefused},
    {"a NUL byte", [] { return Replaced(kGood, "Purvane", std::string("Purv\0ne", 7)); }, kShipped,
     TManifestRefusal::Malformed, kAllRefused},
};

TEST(Manifest, FolderStatesGiveEachFileItsStatus)
{
    const TRsaSignatureVerifier verifier(TestKey(0).Public);
    for (const TCase& c : kCases) {
        SCOPED_TRACE(c.what);
        const std::optional<std::string> text = c.manifest();
        const TManifestVerdict verdict =
            VerifyManifest(text ? std::optional(Bytes(*text)) : std::nullopt, verifier);
        EXPECT_EQ(static_cast<int>(verdict.Refusal), static_cast<int>(c.refusal));
        if (!verdict.Accepted()) {
            EXPECT_TRUE(verdict.Entries.empty());
        }
        const std::vector<TFileCheck> admitted = AdmitProgramFiles(verdict, Found(c.files));
        ASSERT_EQ(admitted.size(), c.expected.size());
        for (std::size_t i = 0; i < admitted.size(); ++i) {
            EXPECT_EQ(admitted[i].Name, PROGRAM_FILE_NAMES[i]);
            EXPECT_EQ(FileStatusText(admitted[i].Status), std::string(FileStatusText(c.expected[i]))) << admitted[i].Name;
        }
    }
}

TEST(Manifest, AcceptedEntriesAreTheSignedOnes)
{
    const TManifestVerdict verdict = VerifyManifest(Bytes(kGood), TRsaSignatureVerifier(TestKey(0).Public));
    ASSERT_TRUE(verdict.Accepted());
    ASSERT_EQ(verdict.Entries.size(), kShipped.size());
    for (const TManifestEntry& entry : verdict.Entries) {
        ASSERT_TRUE(kShipped.count(entry.Name)) << entry.Name;
        EXPECT_TRUE(SameDigest(entry.Digest, DigestOf(kShipped.at(entry.Name))));
    }
    // The largest manifest still read: exactly at the size limit.
    EXPECT_LT(kGood.size(), MANIFEST_MAX_BYTES);
}

} // namespace
