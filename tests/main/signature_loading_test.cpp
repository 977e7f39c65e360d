#include <gtest/gtest.h>

#include <filesystem>

#include "main/signature_loading.h"
#include "signatures/signature_writer.h"
#include "tests/support/format_error.h"
#include "tests/support/temp_dir.h"

namespace {

// A file of the program folder: a count of good records, or -1 for a
// missing file; broken files end with a record whose format is wrong.
struct TFile {
    int records;
    bool broken = false;
};

// The program folder's four files.
struct TFolder {
    TFile patterns{150}, patterns2{0}, fingerprints{1}, fingerprints2{0};
};

void WritePatterns(const TTempDir& dir, const char* name, TFile f, int first)
{
    if (f.records < 0) return;
    std::vector<std::uint8_t> file = EncodePatternHeader();
    for (int i = first; i < first + f.records; ++i)
        AppendRecord(file, EncodePatternRecord("Sig" + std::to_string(i), "4D5A9000030000000400"));
    if (f.broken) AppendRecord(file, EncodePatternRecord("Bad", "4G5A900003000000"));
    dir.Write(name, file);
}

void WriteFingerprints(const TTempDir& dir, const char* name, TFile f)
{
    if (f.records < 0) return;
    std::vector<std::uint8_t> file = EncodePEMD5Header();
    for (int i = 0; i < f.records; ++i) AppendRecord(file, EncodePEMD5Record(512, "0123456789ABCDEF0123456789ABCDEF", "Fp"));
    if (f.broken) {
        std::vector<std::uint8_t> bad = EncodePEMD5Record(512, "0123456789ABCDEF0123456789ABCDEF", "Fp");
        bad[offsetof(TPEMD5Signature, Digest)] = 34;  // a length above the capacity
        AppendRecord(file, bad);
    }
    dir.Write(name, file);
}

struct TOutcome {
    std::vector<std::string> texts;  // reported messages, then the format error's text, if any
    std::int32_t handedOver = -1;    // the count given to the engine, -1 when never called
    std::int32_t fingerprintCount = 0;
};

// The folder's files written in a new folder, then loaded from it; or, with
// fromCurrent, loaded with an empty folder while that folder is the current
// one. admit tells which files the start-up may read (all, by default).
TOutcome Load(const TFolder& f, bool fromCurrent = false, const TFileAdmission& admit = {})
{
    TTempDir dir;
    WritePatterns(dir, "SIG_MSN.DAT", f.patterns, 1);
    WritePatterns(dir, "SIG_MSN2.DAT", f.patterns2, 100000);
    WriteFingerprints(dir, "mdpe_msn.dat", f.fingerprints);
    WriteFingerprints(dir, "mdpe_msn2.dat", f.fingerprints2);
    TPatternSignatureTable patterns;
    TPEMD5SignatureTable fingerprints;
    TOutcome outcome;
    const std::filesystem::path current = std::filesystem::current_path();
    if (fromCurrent) std::filesystem::current_path(dir.Path(""));
    const std::string error = FormatErrorOf([&] {
        LoadSignatureDatabases(
            fromCurrent ? std::string() : dir.Path(""), patterns, fingerprints,
            [&](const TPatternSignature*, std::int32_t n) { outcome.handedOver = n; },
            [&](const TStartupMessage& m) { outcome.texts.push_back(m.Text); }, admit);
    });
    std::filesystem::current_path(current);
    if (error != "no error") outcome.texts.push_back("raised: " + error);
    outcome.fingerprintCount = fingerprints.PEMD5SignatureCount();
    return outcome;
}

const std::string kNoPatterns = "Impossible de charger le fichier de signatures";
const std::string kTooFew = "Probl\xE8me chargement fichier signature (NB_SIG)";
const std::string kTooMany = "Trop de signatures (MAX_NB_SIG)";
const std::string kNoFingerprints = "Impossible de charger le fichier mdpe_msn.dat";
const std::string kTooManyFingerprints = "Trop de signatures de type PEMD";
const std::string kRaisedRange = std::string("raised: ") + RANGE_CHECK_ERROR_TEXT;
const std::string kRaisedInteger = "raised: " + std::string(INVALID_INTEGER_ERROR_TEXT).replace(
    std::string(INVALID_INTEGER_ERROR_TEXT).find("%s"), 2, "$4G");

TEST(SignatureLoading, CountsAndMissingFiles)
{
    struct TCase {
        const char* what;
        TFolder folder;
        std::vector<std::string> texts;
        std::int32_t handedOver;
        std::int32_t fingerprintCount;
    };
    const TCase cases[] = {
        {"exactly 100", {{100}, {-1}, {1}, {-1}}, {}, 100, 1},
        {"99", {{99}, {-1}, {1}, {-1}}, {kTooFew}, 99, 1},
        {"supplement counts", {{60}, {40}, {1}, {0}}, {}, 100, 1},
        {"exactly 4500", {{4000}, {500}, {1}, {0}}, {}, 4500, 1},
        {"4501: no hand-over", {{4000}, {501}, {1}, {0}}, {kTooMany}, -1, 1},
        {"nothing at all", {{-1}, {-1}, {-1}, {-1}}, {kNoPatterns, kTooFew, kNoFingerprints}, -1, 0},
        {"first fingerprint file missing: the second is not read", {{150}, {0}, {-1}, {5}}, {kNoFingerprints}, 150, 0},
        {"no fingerprints needed", {{150}, {0}, {0}, {-1}}, {}, 150, 0},
        {"fingerprint supplement counts", {{150}, {0}, {2}, {3}}, {}, 150, 5},
        {"exactly the fingerprint capacity", {{150}, {0}, {MAX_NB_SIG_PEMD - 1}, {1}}, {}, 150, MAX_NB_SIG_PEMD},
        {"one fingerprint too many", {{150}, {0}, {MAX_NB_SIG_PEMD}, {1}}, {kTooManyFingerprints}, 150,
         MAX_NB_SIG_PEMD + 1},
    };
    for (const TCase& c : cases) {
        const TOutcome outcome = Load(c.folder);
        EXPECT_EQ(outcome.texts, c.texts) << c.what;
        EXPECT_EQ(outcome.handedOver, c.handedOver) << c.what;
        EXPECT_EQ(outcome.fingerprintCount, c.fingerprintCount) << c.what;
    }
}

// The program's folder could not be spelled: its files are missing, and
// none is taken from the current folder instead.
TEST(SignatureLoading, AnEmptyFolderHoldsNoFilesEvenWhereTheCurrentFolderDoes)
{
    const TOutcome outcome = Load({}, true);
    EXPECT_EQ(outcome.texts, (std::vector<std::string>{kNoPatterns, kTooFew, kNoFingerprints}));
    EXPECT_EQ(outcome.handedOver, -1);
    EXPECT_EQ(outcome.fingerprintCount, 0);
    EXPECT_EQ(Load({}).texts, std::vector<std::string>{});  // the same files, loaded from their folder
}

// A format error ends the loading where it is raised; what the steps before
// it reported stands, and nothing after it runs.
TEST(SignatureLoading, FormatErrorsKeepEarlierMessages)
{
    struct TCase {
        const char* what;
        TFolder folder;
        std::vector<std::string> texts;
        std::int32_t handedOver;
        std::int32_t fingerprintCount;
    };
    const TCase cases[] = {
        {"in the first pattern file", {{0, true}, {0}, {3}, {0}}, {kRaisedInteger}, -1, 0},
        {"in the supplement: no hand-over", {{150}, {2, true}, {3}, {0}}, {kRaisedInteger}, -1, 0},
        {"in the first fingerprint file, after NB_SIG", {{99}, {-1}, {0, true}, {0}}, {kTooFew, kRaisedRange}, 99, 1},
        {"in the fingerprint supplement", {{150}, {0}, {4}, {2, true}}, {kRaisedRange}, 150, 7},
    };
    for (const TCase& c : cases) {
        const TOutcome outcome = Load(c.folder);
        EXPECT_EQ(outcome.texts, c.texts) << c.what;
        EXPECT_EQ(outcome.handedOver, c.handedOver) << c.what;
        EXPECT_EQ(outcome.fingerprintCount, c.fingerprintCount) << c.what;
    }
}

// Only admitted files are read: a main file refused is as if missing, a
// supplement refused is left out with a warning, an absent one is no error.
TEST(SignatureLoading, OnlyAdmittedFilesAreRead)
{
    const std::string kPatternsRefused =
        "Le fichier SIG_MSN2.DAT n'est pas celui qui a \xE9t\xE9 livr\xE9 avec le programme : il est ignor\xE9.";
    const std::string kFingerprintsRefused =
        "Le fichier mdpe_msn2.dat n'est pas celui qui a \xE9t\xE9 livr\xE9 avec le programme : il est ignor\xE9.";
    struct TCase {
        const char* what;
        std::vector<std::string> refused, absent;  // the others admitted
        std::vector<std::string> texts;
        std::int32_t handedOver;
        std::int32_t fingerprintCount;
    };
    const TCase cases[] = {
        {"all admitted", {}, {}, {}, 190, 5},
        {"pattern supplement refused", {"SIG_MSN2.DAT"}, {}, {kPatternsRefused}, 150, 5},
        {"fingerprint supplement refused", {"mdpe_msn2.dat"}, {}, {kFingerprintsRefused}, 190, 2},
        {"supplements absent", {}, {"SIG_MSN2.DAT", "mdpe_msn2.dat"}, {}, 150, 2},
        {"main pattern file refused", {"SIG_MSN.DAT"}, {}, {kNoPatterns, kTooFew}, -1, 5},
        {"main fingerprint file refused", {"mdpe_msn.dat"}, {}, {kNoFingerprints}, 190, 0},
        {"main files absent", {}, {"SIG_MSN.DAT", "mdpe_msn.dat"}, {kNoPatterns, kTooFew, kNoFingerprints}, -1, 0},
    };
    for (const TCase& c : cases) {
        std::vector<std::string> asked;
        const TOutcome outcome = Load({{150}, {40}, {2}, {3}}, false, [&](const char* name) {
            asked.push_back(name);
            for (const std::string& r : c.refused)
                if (r == name) return TFileAdmit::Refused;
            for (const std::string& a : c.absent)
                if (a == name) return TFileAdmit::Absent;
            return TFileAdmit::Admitted;
        });
        EXPECT_EQ(outcome.texts, c.texts) << c.what;
        EXPECT_EQ(outcome.handedOver, c.handedOver) << c.what;
        EXPECT_EQ(outcome.fingerprintCount, c.fingerprintCount) << c.what;
        EXPECT_FALSE(asked.empty()) << c.what;
    }
}

} // namespace
