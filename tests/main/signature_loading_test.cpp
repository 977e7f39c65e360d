#include <gtest/gtest.h>

#include "common/errors.h"
#include "main/signature_loading.h"
#include "signatures/signature_writer.h"
#include "tests/support/temp_dir.h"

namespace {

// A program folder with the signature files asked for: a count of records
// per file, or -1 for a missing file.
struct TFolder {
    int patterns = 150, patterns2 = 0, fingerprints = 1, fingerprints2 = 0;
};

void WritePatterns(const TTempDir& dir, const char* name, int count, int first)
{
    if (count < 0) return;
    std::vector<std::uint8_t> file = EncodePatternHeader();
    for (int i = first; i < first + count; ++i)
        AppendRecord(file, EncodePatternRecord("Sig" + std::to_string(i), "4D5A9000030000000400"));
    dir.Write(name, file);
}

void WriteFingerprints(const TTempDir& dir, const char* name, int count)
{
    if (count < 0) return;
    std::vector<std::uint8_t> file = EncodePEMD5Header();
    for (int i = 0; i < count; ++i) AppendRecord(file, EncodePEMD5Record(512, "0123456789ABCDEF0123456789ABCDEF", "Fp"));
    dir.Write(name, file);
}

struct TOutcome {
    std::vector<std::string> texts;
    std::int32_t handedOver = -1;  // the count given to the engine, -1 when never called
};

TOutcome Load(const TFolder& f)
{
    TTempDir dir;
    WritePatterns(dir, "SIG_MSN.DAT", f.patterns, 1);
    WritePatterns(dir, "SIG_MSN2.DAT", f.patterns2, 100000);
    WriteFingerprints(dir, "mdpe_msn.dat", f.fingerprints);
    WriteFingerprints(dir, "mdpe_msn2.dat", f.fingerprints2);
    TPatternSignatureTable patterns;
    TPEMD5SignatureTable fingerprints;
    TOutcome outcome;
    const auto errors = LoadSignatureDatabases(dir.Path(""), patterns, fingerprints,
                                               [&](const TPatternSignature*, std::int32_t n) { outcome.handedOver = n; });
    for (const auto& e : errors) outcome.texts.push_back(e.Text);
    return outcome;
}

const std::string kNoPatterns = "Impossible de charger le fichier de signatures";
const std::string kTooFew = "Probl\xE8me chargement fichier signature (NB_SIG)";
const std::string kTooMany = "Trop de signatures (MAX_NB_SIG)";
const std::string kNoFingerprints = "Impossible de charger le fichier mdpe_msn.dat";
const std::string kTooManyFingerprints = "Trop de signatures de type PEMD";

TEST(SignatureLoading, CountsAndMissingFiles)
{
    struct TCase {
        const char* what;
        TFolder folder;
        std::vector<std::string> texts;
        std::int32_t handedOver;
    };
    const TCase cases[] = {
        {"exactly 100", {100, -1, 1, -1}, {}, 100},
        {"99", {99, -1, 1, -1}, {kTooFew}, 99},
        {"supplement counts", {60, 40, 1, 0}, {}, 100},
        {"exactly 4500", {4000, 500, 1, 0}, {}, 4500},
        {"4501: no hand-over", {4000, 501, 1, 0}, {kTooMany}, -1},
        {"nothing at all", {-1, -1, -1, -1}, {kNoPatterns, kTooFew, kNoFingerprints}, -1},
        {"first fingerprint file missing, second there", {150, 0, -1, 5}, {kNoFingerprints}, 150},
        {"no fingerprints needed", {150, 0, 0, -1}, {}, 150},
        {"one fingerprint too many", {150, 0, MAX_NB_SIG_PEMD, 1}, {kTooManyFingerprints}, 150},
    };
    for (const TCase& c : cases) {
        const TOutcome outcome = Load(c.folder);
        EXPECT_EQ(outcome.texts, c.texts) << c.what;
        EXPECT_EQ(outcome.handedOver, c.handedOver) << c.what;
    }
}

TEST(SignatureLoading, FormatErrorStopsTheLoading)
{
    TTempDir dir;
    std::vector<std::uint8_t> file = EncodePatternHeader();
    AppendRecord(file, EncodePatternRecord("Bad", "4G5A900003000000"));
    dir.Write("SIG_MSN.DAT", file);
    WriteFingerprints(dir, "mdpe_msn.dat", 3);
    TPatternSignatureTable patterns;
    TPEMD5SignatureTable fingerprints;
    bool handedOver = false;
    EXPECT_THROW(LoadSignatureDatabases(dir.Path(""), patterns, fingerprints,
                                        [&](const TPatternSignature*, std::int32_t) { handedOver = true; }),
                 TSignatureFormatError);
    EXPECT_FALSE(handedOver);
    EXPECT_EQ(fingerprints.PEMD5SignatureCount(), 0);  // the fingerprint files were never read
}

} // namespace
