#include "main/signature_loading.h"

namespace {

constexpr std::int32_t kMinPatternSignatures = 100;

const TStartupMessage kPatternFileMissing = {"Impossible de charger le fichier de signatures", "Erreur fichier"};
const TStartupMessage kTooFewPatterns = {"Probl\xE8me chargement fichier signature (NB_SIG)", "Erreur signatures"};
const TStartupMessage kTooManyPatterns = {"Trop de signatures (MAX_NB_SIG)", "Erreur signatures"};
const TStartupMessage kInconsistentPatterns = {"Signatures incoh\xE9rentes (taille/nom)", "Erreur signatures"};
const TStartupMessage kFingerprintFileMissing = {"Impossible de charger le fichier mdpe_msn.dat", "Erreur"};
const TStartupMessage kTooManyFingerprints = {"Trop de signatures de type PEMD", "Erreur signatures"};

} // namespace

void LoadSignatureDatabases(const std::string& programDir, TPatternSignatureTable& patterns,
                            TPEMD5SignatureTable& fingerprints, const TEngineHandOver& handToEngine,
                            const TStartupMessageSink& report)
{
    // An empty folder (the program's own had no exact spelling) would name
    // files in the current folder: the files are missing instead.
    const bool folderKnown = !programDir.empty();
    if (folderKnown && patterns.LoadPatternSignatures(programDir + "SIG_MSN.DAT")) {
        patterns.AppendPatternSignatures(programDir + "SIG_MSN2.DAT");  // a missing supplement is no error
        if (patterns.PatternSignatureCount() <= MAX_NB_SIG)
            handToEngine(patterns.PatternSignatures(), patterns.PatternSignatureCount());
    } else {
        report(kPatternFileMissing);
    }
    if (patterns.PatternSignatureCount() < kMinPatternSignatures) report(kTooFewPatterns);
    if (patterns.PatternSignatureCount() > MAX_NB_SIG) report(kTooManyPatterns);
    if (!patterns.ValidatePatternSignatures()) report(kInconsistentPatterns);

    if (folderKnown && fingerprints.LoadPEMD5Signatures(programDir + "mdpe_msn.dat"))
        fingerprints.AppendPEMD5Signatures(programDir + "mdpe_msn2.dat");
    else
        report(kFingerprintFileMissing);
    if (fingerprints.PEMD5SignatureCount() > MAX_NB_SIG_PEMD) report(kTooManyFingerprints);
}
