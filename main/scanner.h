// The one place that assembles the program's scanning: the signature sets
// over the engine, and the scan run over the system, a view and a journal.
// The window is one view; tests and other front ends bring their own.
//
//   TScanner scanner(engine, system, view, journal);
//   scanner.Signatures().Load(programDir, showMessage);
//   scanner.Run().Run();   // each "&Analyser !"
#pragma once

#include <optional>

#include "main/scan_run.h"
#include "main/signature_set.h"

class TScanner {
public:
    // All four must outlive the scanner.
    TScanner(const TScanEngine& engine, TScanSystem& system, TScanView& view, TRunJournal& journal)
        : signatures_(engine), system_(system), view_(view), journal_(journal)
    {
    }

    TSignatureSet& Signatures() { return signatures_; }
    const TSignatureSet& Signatures() const { return signatures_; }
    // The scan run, made at the first call once the signatures are loaded,
    // then kept: FileCounter goes on from run to run.
    TScanRun& Run();

private:
    TSignatureSet signatures_;
    TScanSystem& system_;
    TScanView& view_;
    TRunJournal& journal_;
    std::optional<TScanRun> run_;
};
