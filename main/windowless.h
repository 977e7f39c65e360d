// The modes without a window, for machines nobody sits at: /auto deletes
// every detection, /analyse ignores every one. Nothing is shown and nothing
// waits for a click; the journal (the report) gets the start-up's messages
// and the run, and the exit code tells the outcome:
//
//   Purvane.exe /auto /rapport:\\serveur\rapports\PC-12.txt   -> 0, 1, 2, 3 or 6
#pragma once

#include <string>

#include "main/command_line.h"
#include "main/scanner.h"

// The program's exit codes with switches.
constexpr int EXIT_NOTHING_DETECTED = 0;
constexpr int EXIT_DETECTIONS_HANDLED = 1;  // all removed, or all reported with /analyse
constexpr int EXIT_NOT_ALL_REMOVED = 2;     // a detected file is still there after /auto
constexpr int EXIT_RUN_IMPOSSIBLE = 3;      // the start-up ended the program
constexpr int EXIT_UNKNOWN_SWITCH = 4;
constexpr int EXIT_RESTORED = 0;              // /restaurer: the file is back
constexpr int EXIT_RESTORE_REFUSED = 5;       // /restaurer: refused, the reason in the report
constexpr int EXIT_NOT_ALL_EXAMINED = 6;      // nothing detected, but the pattern check was off

// The window's narrow interface with no window behind it: each prompt gets
// the mode's answer, the rest goes nowhere, and nothing ever stops the run.
class TWindowlessView final : public TScanView {
public:
    explicit TWindowlessView(TPromptAnswer answer) : answer_(answer) {}

    void SetStatusText(TScanPhase, const std::string&) override {}
    void SetStatusColour(TScanPhase, TStatusColour) override {}
    void SetProgress(TScanPhase, int) override {}
    void SetMarquee(TScanPhase, bool) override {}
    void ShowProgress(TScanPhase, bool) override {}
    void WriteResultRow(std::int32_t, const std::string&, const std::string&, const std::string&) override {}
    void RepaintResults() override {}
    TPromptAnswer ShowDetectionPrompt(const std::string&, const std::string&) override { return answer_; }
    void ProcessPendingMessages() override {}
    bool ScanStopRequested() const override { return false; }
    bool CloseRequested() const override { return false; }
    void ShowRunSummary(const std::string&, const std::string&) override {}

private:
    TPromptAnswer answer_;
};

// The exit code of a whole run in mode (Auto or Analyse). A run without the
// pattern check (the engine missing or refused) that detected nothing did
// not examine everything: it never ends with EXIT_NOTHING_DETECTED.
int WindowlessExitCode(TProgramMode mode, const TRunCounts& counts, bool patternCheckOn = true);

// mode (Auto or Analyse) from the start-up's checks over programDir to the
// end of one whole run. A start-up error or a format error in a signature
// file ends it with EXIT_RUN_IMPOSSIBLE, after the journal's StartupFailed.
// admit: which signature files the program's folder check admitted (empty: all).
int RunWithoutWindow(TProgramMode mode, const std::string& programDir, const TScanEngine& engine,
                     TScanSystem& system, TRunJournal& journal, const TFileAdmission& admit = {});
