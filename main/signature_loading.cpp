#include "main/signature_loading.h"

namespace {

constexpr std::int32_t kMinPatternSignatures = 100;

const TStartupMessage kPatternFileMissing = {"Impossible de charger le fichier de signatures", "Erreur fichier"};
const TStartupMessage kTooFewPatterns = {"Probl\xE8me chargement fichier signature (NB_SIG)", "Erreur signatures"};
const TStartupMessage kTooManyPatterns = {"Trop de signatures (MAX_NB_SIG)", "Erreur signatures"};
const TStartupMessage kInconsistentPatterns = {"Signatures incoh\xE9rentes (taille/nom)", "Erreur signatures"};
const TStartupMessage kFingerprintFileMissing = {"Impossible de charger le fichier mdpe_msn.dat", "Erreur"};
const TStartupMessage kTooManyFingerprints = {"Trop de signatures de type PEMD", "Erreur signatures"};

const TStartupMessage kPatternSupplementRefused = {
    "Le fichier SIG_MSN2.DAT n'est pas celui qui a \xE9t\xE9 livr\xE9 avec le programme : il est ignor\xE9.",
    "Fichier de signatures", true};
const TStartupMessage kFingerprintSupplementRefused = {
    "Le fichier mdpe_msn2.dat n'est pas celui qui a \xE9t\xE9 livr\xE9 avec le programme : il est ignor\xE9.",
    "Fichier de signatures", true};

TFileAdmit Admission(const TFileAdmission& admit, const char* name)
{
    return admit ? admit(name) : TFileAdmit::Admitted;
}

// A supplement is read when admitted, and said to be left out when refused.
bool SupplementAdmitted(const TFileAdmission& admit, const char* name, const TStartupMessage& refused,
                        const TStartupMessageSink& report)
{
    const TFileAdmit admission = Admission(admit, name);
    if (admission == TFileAdmit::Refused) report(refused);
    return admission == TFileAdmit::Admitted;
}

} // namespace

void LoadSignatureDatabases(const std::string& programDir, TPatternSignatureTable& patterns,
                            TPEMD5SignatureTable& fingerprints, const TEngineHandOver& handToEngine,
                            const TStartupMessageSink& report, const TFileAdmission& admit)
{
    // An empty folder (the program's own had no exact spelling) would name
    // files in the current folder: the files are missing instead. The
    // admitted files are held open by the caller without write or delete
    // sharing, so the paths below still name the files that were verified.
    const bool folderKnown = !programDir.empty();
    if (folderKnown && Admission(admit, "SIG_MSN.DAT") == TFileAdmit::Admitted &&
        patterns.LoadPatternSignatures(programDir + "SIG_MSN.DAT")) {
        if (SupplementAdmitted(admit, "SIG_MSN2.DAT", kPatternSupplementRefused, report))
            patterns.AppendPatternSignatures(programDir + "SIG_MSN2.DAT");  // a missing supplement is no error
        if (patterns.PatternSignatureCount() <= MAX_NB_SIG)
            handToEngine(patterns.PatternSignatures(), patterns.PatternSignatureCount());
    } else {
        report(kPatternFileMissing);
    }
    if (patterns.PatternSignatureCount() < kMinPatternSignatures) report(kTooFewPatterns);
    if (patterns.PatternSignatureCount() > MAX_NB_SIG) report(kTooManyPatterns);
    if (!patterns.ValidatePatternSignatures()) report(kInconsistentPatterns);

    if (folderKnown && Admission(admit, "mdpe_msn.dat") == TFileAdmit::Admitted &&
        fingerprints.LoadPEMD5Signatures(programDir + "mdpe_msn.dat")) {
        if (SupplementAdmitted(admit, "mdpe_msn2.dat", kFingerprintSupplementRefused, report))
            fingerprints.AppendPEMD5Signatures(programDir + "mdpe_msn2.dat");
    } else
        report(kFingerprintFileMissing);
    if (fingerprints.PEMD5SignatureCount() > MAX_NB_SIG_PEMD) report(kTooManyFingerprints);
}
