#include "main/signature_set.h"

void TSignatureSet::Load(const std::string& programDir, const TStartupMessageSink& report,
                         const TFileAdmission& admit)
{
    LoadSignatureDatabases(
        programDir, *patterns_, *fingerprints_,
        [this](const TPatternSignature* table, std::int32_t count) { engine_.InitScan(table, count); }, report,
        admit);
}

const TSignatureCheck& TSignatureSet::Check()
{
    if (!check_) {
        lookup_.emplace(*fingerprints_);
        check_.emplace(engine_, *lookup_);
    }
    return *check_;
}
