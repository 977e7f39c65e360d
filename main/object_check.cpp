#include "main/object_check.h"

#include "common/errors.h"
#include "engine/pattern_check.h"

void TSignatureCheck::Check(const std::string& path, TDetectionHandler& handler, TCheckAdmission admitted) const
{
    if (admitted.Pattern) {
        const TVirusInfo pattern = ScanWithPatternEngine(engine_, path);
        if (pattern.Found) handler.OnDetection(path, pattern.VirusName, TDetectionKind::Pattern);
    }
    if (admitted.Fingerprint) {
        TMD5MalwareInfo fingerprint;
        try {
            if (ScanPEMD5(path, fingerprint, fingerprints_) && fingerprint.Found)
                handler.OnDetection(path, fingerprint.MalwareName, TDetectionKind::Fingerprint);
        } catch (const TNotPEFileError& e) {
            handler.OnCheckError(path, e.what());
        }
    }
}
