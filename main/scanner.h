// The one place that assembles the program's scanning: the signature sets
// over the engine, and the scan run over the system, a view and a journal.
// The window is one view, the modes without a window another; tests bring
// their own.
//
//   TScanner scanner(engine, system, view, journal);
//   scanner.LoadSignatures(programDir, showMessage);
//   scanner.Run().Run();   // each "&Analyser !"
#pragma once

#include <optional>
#include <string>

#include "main/scan_run.h"
#include "main/signature_set.h"

// The caption a signature file's format error is shown with.
extern const char* const SIGNATURE_FORMAT_ERROR_CAPTION;

class TScanner {
public:
    // All four must outlive the scanner. admit: which signature files the
    // program's folder check admitted (empty: all).
    TScanner(const TScanEngine& engine, TScanSystem& system, TScanView& view, TRunJournal& journal,
             TFileAdmission admit = {})
        : signatures_(engine), system_(system), view_(view), journal_(journal), admit_(std::move(admit))
    {
    }

    // The start-up's checks, each message to the journal and then to show as
    // its step runs: the engine's absence (a warning: the runs go on without
    // the pattern check), then the loading of the signature files from
    // programDir (each error ends the program). A format error in a file goes
    // to the journal as an error with SIGNATURE_FORMAT_ERROR_CAPTION, then
    // passes through. The journal gets the loaded counts in either case.
    void LoadSignatures(const std::string& programDir, const TStartupMessageSink& show);

    TSignatureSet& Signatures() { return signatures_; }
    const TSignatureSet& Signatures() const { return signatures_; }
    // The scan run, made at the first call once the signatures are loaded,
    // then kept: FileCounter goes on from run to run.
    TScanRun& Run();

private:
    void JournalLoadedCounts();

    TSignatureSet signatures_;
    TScanSystem& system_;
    TScanView& view_;
    TRunJournal& journal_;
    TFileAdmission admit_;
    std::optional<TScanRun> run_;
};
