// The modes without a window: their exit codes, their view, and the
// start-up that ends them, over real signature folders and a system with
// nothing on it.
#include <gtest/gtest.h>

#include "main/windowless.h"
#include "signatures/signature_writer.h"
#include "tests/main/empty_scan_system.h"
#include "tests/main/recording_journal.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

TEST(Windowless, ExitCodes)
{
    const struct {
        TProgramMode mode;
        int detections, filesLeft;
        bool patternCheckOn;
        int code;
    } cases[] = {
        {TProgramMode::Auto, 0, 0, true, EXIT_NOTHING_DETECTED},
        {TProgramMode::Analyse, 0, 0, true, EXIT_NOTHING_DETECTED},
        {TProgramMode::Auto, 3, 0, true, EXIT_DETECTIONS_HANDLED},
        {TProgramMode::Auto, 3, 1, true, EXIT_NOT_ALL_REMOVED},
        {TProgramMode::Analyse, 3, 2, true, EXIT_DETECTIONS_HANDLED},
        // Without the engine: never 0; detections keep their codes.
        {TProgramMode::Auto, 0, 0, false, EXIT_NOT_ALL_EXAMINED},
        {TProgramMode::Analyse, 0, 0, false, EXIT_NOT_ALL_EXAMINED},
        {TProgramMode::Auto, 2, 0, false, EXIT_DETECTIONS_HANDLED},
        {TProgramMode::Auto, 2, 1, false, EXIT_NOT_ALL_REMOVED},
        {TProgramMode::Analyse, 2, 2, false, EXIT_DETECTIONS_HANDLED},
    };
    for (const auto& c : cases) {
        TRunCounts counts;
        counts.Detections = c.detections;
        counts.FilesLeft = c.filesLeft;
        EXPECT_EQ(WindowlessExitCode(c.mode, counts, c.patternCheckOn), c.code)
            << c.detections << " " << c.filesLeft << " " << c.patternCheckOn;
    }
}

TEST(Windowless, TheViewAnswersEveryPromptAndNeverStops)
{
    for (const TPromptAnswer answer : {TPromptAnswer::Delete, TPromptAnswer::Ignore}) {
        TWindowlessView view(answer);
        EXPECT_EQ(view.ShowDetectionPrompt("C:\\a.exe", "W"), answer);
        EXPECT_FALSE(view.ScanStopRequested());
        EXPECT_FALSE(view.CloseRequested());
    }
}

const char* const kPatternFileMissing = "error Erreur fichier | Impossible de charger le fichier de signatures";
const char* const kTooFew = "error Erreur signatures | Probl\xE8me chargement fichier signature (NB_SIG)";
const char* const kFingerprintFileMissing = "error Erreur | Impossible de charger le fichier mdpe_msn.dat";

struct TOutcome {
    int code;
    std::vector<std::string> events;
};

TOutcome RunIn(const std::string& programDir, const TScanEngine& engine, TProgramMode mode = TProgramMode::Auto)
{
    TEmptySystem system;
    TRecordingJournal journal;
    const int code = RunWithoutWindow(mode, programDir, engine, system, journal);
    return {code, journal.events};
}

TEST(Windowless, ARunOverTheShippedSet)
{
    const TScanEngine engine = LoadScanEngine();
    for (const TProgramMode mode : {TProgramMode::Auto, TProgramMode::Analyse}) {
        const TOutcome outcome = RunIn(ProgramFolder(), engine, mode);
        EXPECT_EQ(outcome.code, EXIT_NOTHING_DETECTED);
        ASSERT_EQ(outcome.events.size(), 3u);
        EXPECT_EQ(outcome.events[0].rfind("signatures ", 0), 0u) << outcome.events[0];
        EXPECT_EQ(outcome.events[1], "run started");
        EXPECT_EQ(outcome.events[2], "run ended");
    }
}

// Without the engine the run goes on, on fingerprints alone; the report says why.
// The run goes on without the pattern check, and a clean run does not end
// with 0: it did not examine everything.
TEST(Windowless, AMissingEngineIsAWarning)
{
    const TScanEngine none;
    const TOutcome outcome = RunIn(ProgramFolder(), none);
    EXPECT_EQ(outcome.code, EXIT_NOT_ALL_EXAMINED);
    ASSERT_FALSE(outcome.events.empty());
    EXPECT_EQ(outcome.events[0], std::string("warning ") + SCAN_ENGINE_MISSING_CAPTION + " | " + SCAN_ENGINE_MISSING_TEXT);
    EXPECT_EQ(outcome.events.back(), "run ended");
}

TEST(Windowless, AStartupErrorEndsItWithoutARun)
{
    const TScanEngine engine = LoadScanEngine();
    TTempDir empty;
    const std::string emptyDir = empty.Path("");
    EXPECT_EQ(RunIn(emptyDir, engine).code, EXIT_RUN_IMPOSSIBLE);
    EXPECT_EQ(RunIn(emptyDir, engine).events, (std::vector<std::string>{kPatternFileMissing, kTooFew,
                                                                         kFingerprintFileMissing, "signatures 0 0",
                                                                         "startup failed"}));

    // A format error, raised by the loading, ends it as well.
    TTempDir broken;
    std::vector<std::uint8_t> patterns = EncodePatternHeader();
    AppendRecord(patterns, EncodePatternRecord("Bad", "4G5A900003000000"));
    broken.Write("SIG_MSN.DAT", patterns);
    const TOutcome outcome = RunIn(broken.Path(""), engine, TProgramMode::Analyse);
    EXPECT_EQ(outcome.code, EXIT_RUN_IMPOSSIBLE);
    ASSERT_EQ(outcome.events.size(), 3u);
    EXPECT_EQ(outcome.events[0].rfind(std::string("error ") + SIGNATURE_FORMAT_ERROR_CAPTION + " | ", 0), 0u)
        << outcome.events[0];
    EXPECT_EQ(outcome.events[1], "signatures 1 0");  // the count the file declares
    EXPECT_EQ(outcome.events[2], "startup failed");
}

} // namespace
