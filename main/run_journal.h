// What a scan run tells beyond the window: the start-up's messages and the
// signatures it loaded, each detection as a record, and the run's counts at
// its end. The report of a run is one journal; tests record them.
#pragma once

#include <cstdint>
#include <string>

#include "main/object_check.h"
#include "main/scan_system.h"
#include "main/scan_view.h"
#include "main/signature_loading.h"

// Why an object could not be checked.
enum class TUncheckedReason {
    Changed,      // it changed while it was checked, or was no longer the file opened for it
    Unspellable,  // its name has no exact spelling in the code page, and no short name
};
constexpr int UNCHECKED_REASON_COUNT = 2;

// One detection, as the results grid shows it and more.
struct TDetectionRecord {
    std::int32_t Number = 0;        // the n-th detection of the run, its row
    TScanPhase Phase = TScanPhase::Memory;
    std::uint32_t ProcessId = 0;    // the process ended before a deletion; 0 for a file met on the drive
    std::string Path;
    std::string MalwareName;
    TDetectionKind Kind = TDetectionKind::Pattern;
    TPromptAnswer Answer = TPromptAnswer::Ignore;
    std::string Action;             // the grid's Action text
    TRemoval Removal;               // what the deletion did, when the answer was Delete
};

// A run's counts, at its end.
struct TRunCounts {
    int ProcessesExamined = 0;  // executables checked in memory
    int ModulesExamined = 0;    // modules checked, each path once
    int FilesMet = 0;           // files the walk met in this run
    int FilesChecked = 0;       // of those, the ones admitted to a check
    int Unchecked[UNCHECKED_REASON_COUNT] = {};
    int Detections = 0;
    // Files named by a detection and still there: ignored, or no deletion
    // of them succeeded (a path detected twice counts once).
    int FilesLeft = 0;
    bool Stopped = false;       // "A&rrêter", or the window closing
};

class TRunJournal {
public:
    virtual ~TRunJournal() = default;
    // A start-up message, as it was shown (or would have been); its texts
    // need not outlive the call.
    virtual void StartupMessage(const TStartupMessage& message) = 0;
    // What the start-up loaded: the pattern and the fingerprint signatures.
    virtual void SignaturesLoaded(std::int32_t patterns, std::int32_t fingerprints) = 0;
    // The start-up ended the program before any run.
    virtual void StartupFailed() = 0;
    virtual void RunStarted() = 0;
    virtual void Detection(const TDetectionRecord& record) = 0;
    // The run's end, before its summary; what the summary box adds about
    // the journal (the report's name), or nothing.
    virtual std::string RunEnded(const TRunCounts& counts) = 0;
};

// A journal that keeps nothing.
class TNoJournal final : public TRunJournal {
public:
    void StartupMessage(const TStartupMessage&) override {}
    void SignaturesLoaded(std::int32_t, std::int32_t) override {}
    void StartupFailed() override {}
    void RunStarted() override {}
    void Detection(const TDetectionRecord&) override {}
    std::string RunEnded(const TRunCounts&) override { return {}; }
};
