#include "main/scanner.h"

#include "common/errors.h"

const char* const SIGNATURE_FORMAT_ERROR_CAPTION = "Purvane";

void TScanner::LoadSignatures(const std::string& programDir, const TStartupMessageSink& show)
{
    const TStartupMessageSink tell = [&](const TStartupMessage& message) {
        journal_.StartupMessage(message);
        show(message);
    };
    if (!signatures_.Engine().Usable()) tell({SCAN_ENGINE_MISSING_TEXT, SCAN_ENGINE_MISSING_CAPTION, true});
    try {
        signatures_.Load(programDir, tell, admit_);
    } catch (const TSignatureFormatError& error) {
        journal_.StartupMessage({error.what(), SIGNATURE_FORMAT_ERROR_CAPTION});
        JournalLoadedCounts();
        throw;
    }
    JournalLoadedCounts();
}

void TScanner::JournalLoadedCounts()
{
    journal_.SignaturesLoaded(signatures_.Patterns().PatternSignatureCount(),
                              signatures_.Fingerprints().PEMD5SignatureCount());
}

TScanRun& TScanner::Run()
{
    if (!run_) run_.emplace(view_, system_, signatures_.Check(), journal_);
    return *run_;
}
