#include "main/windowless.h"

#include "common/errors.h"

int WindowlessExitCode(TProgramMode mode, const TRunCounts& counts)
{
    if (counts.Detections == 0) return EXIT_NOTHING_DETECTED;
    if (mode == TProgramMode::Analyse || counts.FilesLeft == 0) return EXIT_DETECTIONS_HANDLED;
    return EXIT_NOT_ALL_REMOVED;
}

int RunWithoutWindow(TProgramMode mode, const std::string& programDir, const TScanEngine& engine,
                     TScanSystem& system, TRunJournal& journal)
{
    TWindowlessView view(mode == TProgramMode::Auto ? TPromptAnswer::Delete : TPromptAnswer::Ignore);
    TScanner scanner(engine, system, view, journal);
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
    return WindowlessExitCode(mode, run.Counts());
}
