#include "main/windowless.h"

#include "common/errors.h"

int WindowlessExitCode(TProgramMode mode, const TRunCounts& counts, bool patternCheckOn)
{
    if (counts.Detections == 0) return patternCheckOn ? EXIT_NOTHING_DETECTED : EXIT_NOT_ALL_EXAMINED;
    if (mode == TProgramMode::Analyse || counts.FilesLeft == 0) return EXIT_DETECTIONS_HANDLED;
    return EXIT_NOT_ALL_REMOVED;
}

int RunWithoutWindow(TProgramMode mode, const std::string& programDir, const TScanEngine& engine,
                     TScanSystem& system, TRunJournal& journal, const TFileAdmission& admit)
{
    TWindowlessView view(mode == TProgramMode::Auto ? TPromptAnswer::Delete : TPromptAnswer::Ignore);
    TScanner scanner(engine, system, view, journal, admit);
    bool failed = false;
    try {
        scanner.LoadSignatures(programDir, [&](const TStartupMessage& message) { failed = failed || !message.Warning; });
    } catch (const TSignatureFormatError&) {
        failed = true;
    }
    if (failed) {
        journal.StartupFailed();
        return EXIT_RUN_IMPOSSIBLE;
    }
    TScanRun& run = scanner.Run();
    run.Run();
    return WindowlessExitCode(mode, run.Counts(), engine.Usable());
}
