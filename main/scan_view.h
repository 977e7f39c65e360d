// What a scan run sees of the main window: the status texts and their
// colours, the progress bars, the rows of the results grid, the detection
// prompt, the stop flag and the end-of-run message box. The run drives the
// window only through this, so it can be tested with a fake in its place.
#pragma once

#include <cstdint>
#include <string>

// The two halves of a run, each with its status text and progress bar:
// memory (VFichierCourant, ProgressBar1) and files (SElementCourant,
// ProgressBar2).
enum class TScanPhase { Memory, Files };

// Black while a run goes on, blue for a clean result, red with detections.
enum class TStatusColour { Running, Clean, Infected };

// The user's answer to the detection prompt; closing it counts as Ignore.
enum class TPromptAnswer { Delete, Ignore };

class TScanView {
public:
    virtual ~TScanView() = default;

    virtual void SetStatusText(TScanPhase phase, const std::string& text) = 0;
    // The colour of the phase's status text, the one shown and those to come.
    virtual void SetStatusColour(TScanPhase phase, TStatusColour colour) = 0;
    virtual void SetProgress(TScanPhase phase, int position) = 0;
    virtual void SetMarquee(TScanPhase phase, bool running) = 0;
    virtual void ShowProgress(TScanPhase phase, bool visible) = 0;

    // Row r of the results grid (1 to 9 show; later rows are not kept).
    virtual void WriteResultRow(std::int32_t row, const std::string& path, const std::string& malwareName,
                                const std::string& action) = 0;
    virtual void RepaintResults() = 0;

    // Shows the detection prompt modally for file and malware.
    virtual TPromptAnswer ShowDetectionPrompt(const std::string& file, const std::string& malwareName) = 0;

    // Lets the window handle the messages that wait (the stop button's click).
    virtual void ProcessPendingMessages() = 0;
    virtual bool ScanStopRequested() const = 0;
    // True once the user asked to close the window during the run: the run
    // then stops as on "A&rrêter", and answers any further prompt "ignoré".
    virtual bool CloseRequested() const = 0;

    // The end-of-run summary box (OK button, information icon).
    virtual void ShowRunSummary(const std::string& text, const std::string& caption) = 0;
};
