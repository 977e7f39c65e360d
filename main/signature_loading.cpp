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

std::vector<TStartupMessage> LoadSignatureDatabases(const std::string& programDir, TPatternSignatureTable& patterns,
                                                    TPEMD5SignatureTable& fingerprints,
                                                    const TEngineHandOver& handToEngine)
{
    std::vector<TStartupMessage> errors;
    if (patterns.LoadPatternSignatures(programDir + "SIG_MSN.DAT")) {
        patterns.AppendPatternSignatures(programDir + "SIG_MSN2.DAT");  // a missing supplement is no error
        if (patterns.PatternSignatureCount() <= MAX_NB_SIG)
            handToEngine(patterns.PatternSignatures(), patterns.PatternSignatureCount());
    } else {
        errors.push_back(kPatternFileMissing);
    }
    if (patterns.PatternSignatureCount() < kMinPatternSignatures) errors.push_back(kTooFewPatterns);
    if (patterns.PatternSignatureCount() > MAX_NB_SIG) errors.push_back(kTooManyPatterns);
    if (!patterns.ValidatePatternSignatures()) errors.push_back(kInconsistentPatterns);

    if (fingerprints.LoadPEMD5Signatures(programDir + "mdpe_msn.dat"))
        fingerprints.AppendPEMD5Signatures(programDir + "mdpe_msn2.dat");
    else
        errors.push_back(kFingerprintFileMissing);
    if (fingerprints.PEMD5SignatureCount() > MAX_NB_SIG_PEMD) errors.push_back(kTooManyFingerprints);
    return errors;
}
