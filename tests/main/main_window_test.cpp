#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "kit/skin.h"
#include "main/application.h"
#include "signatures/signature_writer.h"
#include "tests/main/empty_scan_system.h"
#include "tests/main/recording_journal.h"
#include "tests/main/recording_services.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"
#include "tests/support/window_test_support.h"

namespace {

// The signature files of a program folder: a count of records per file, -1
// for a missing file; a bad record can be put after the good ones.
struct TFiles {
    int patterns = 150, patterns2 = -1, fingerprints = 1, fingerprints2 = -1;
    enum { None, IncoherentPattern, MalformedPattern, MalformedFingerprint } bad = None;
};

void WriteFiles(const TTempDir& dir, const TFiles& f)
{
    auto patterns = [&](const char* name, int count, bool bad) {
        if (count < 0) return;
        std::vector<std::uint8_t> file = EncodePatternHeader();
        for (int i = 0; i < count; ++i)
            AppendRecord(file, EncodePatternRecord("Sig" + std::to_string(i), "4D5A9000030000000400"));
        if (bad && f.bad == TFiles::IncoherentPattern) AppendRecord(file, EncodePatternRecord("X", "4D5A900003000000"));
        if (bad && f.bad == TFiles::MalformedPattern) AppendRecord(file, EncodePatternRecord("Bad", "4G5A900003000000"));
        dir.Write(name, file);
    };
    auto fingerprints = [&](const char* name, int count, bool bad) {
        if (count < 0) return;
        std::vector<std::uint8_t> file = EncodePEMD5Header();
        if (bad && f.bad == TFiles::MalformedFingerprint) {
            std::vector<std::uint8_t> record = EncodePEMD5Record(512, "0123456789ABCDEF0123456789ABCDEF", "Fp");
            record[4] = 0xFF;  // the digest's length byte, far above its capacity
            AppendRecord(file, record);
        }
        for (int i = 0; i < count; ++i) AppendRecord(file, EncodePEMD5Record(512, "0123456789ABCDEF0123456789ABCDEF", "Fp"));
        dir.Write(name, file);
    };
    patterns("SIG_MSN.DAT", f.patterns, true);
    patterns("SIG_MSN2.DAT", f.patterns2, false);
    fingerprints("mdpe_msn.dat", f.fingerprints, true);
    fingerprints("mdpe_msn2.dat", f.fingerprints2, false);
}

// A system with nothing on it that lets a test act while a run goes on,
// once the run has taken the messages that waited at its start.
class TWatchedSystem : public TEmptySystem {
public:
    std::vector<TProcessInfo> TakeProcessSnapshot() override
    {
        if (duringTheRun) duringTheRun();
        return {};
    }
    std::function<void()> duringTheRun;
};

// The program's windows over a folder of signature files, with recorded
// message boxes and pages, assembled as the program assembles them. A modal
// window that what the test posted does not close fails the test and is
// closed.
class TRig {
public:
    explicit TRig(const TFiles& files = {}, bool usableEngine = true, const std::string& executablePath = "")
        : engine_(usableEngine ? TScanEngine::Locate(ProgramFolder()) : TScanEngine())
    {
        WriteFiles(dir_, files);
        record.ExecutablePath = executablePath.empty() ? dir_.Path("Purvane.exe") : executablePath;
        services_ = record.Services();
        application_ = std::make_unique<TApplication>(services_, engine_, system, journal);
        main = &application_->MainDlg();
    }
    ~TRig() { DiscardPendingMessages(); }

    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& box : record.Boxes) texts.push_back(box.Text);
        return texts;
    }
    TVirusFoundDlg& VirusFound() { return application_->VirusFoundDlg(); }
    TListeVirusDlg& Liste() { return application_->ListeVirusDlg(); }
    TMiseAJourDlg& MiseAJour() { return application_->MiseAJourDlg(); }

    TRecordingServices record;
    TRecordingJournal journal;
    TWatchedSystem system;

private:
    TModalWatchdog watchdog_;
    TTempDir dir_;
    TPlatformServices services_;
    TScanEngine engine_;
    std::unique_ptr<TApplication> application_;

public:
    TMainDlg* main = nullptr;
};

const std::string kNoPatterns = "Impossible de charger le fichier de signatures";
const std::string kTooFew = "Probl\xE8me chargement fichier signature (NB_SIG)";
const std::string kTooMany = "Trop de signatures (MAX_NB_SIG)";
const std::string kIncoherent = "Signatures incoh\xE9rentes (taille/nom)";
const std::string kNoFingerprints = "Impossible de charger le fichier mdpe_msn.dat";
const std::string kBadPair = "'$4G' n'est pas une valeur enti\xE8re correcte";
const std::string kOutOfRange = "Erreur de v\xE9rification d'\xE9tendue";

TEST(StartUp, MessagesInTheOrderOfTheSteps)
{
    struct TCase {
        const char* what;
        TFiles files;
        std::vector<std::string> texts;
        bool quit;
    };
    const TCase cases[] = {
        {"a sound folder", {}, {}, false},
        {"nothing at all", {-1, -1, -1, -1}, {kNoPatterns, kTooFew, kNoFingerprints}, true},
        {"99 patterns", {99}, {kTooFew}, true},
        {"exactly 100", {100}, {}, false},
        {"exactly 4500", {4000, 500}, {}, false},
        {"4501", {4000, 501}, {kTooMany}, true},
        {"an incoherent record", {150, -1, 1, -1, TFiles::IncoherentPattern}, {kIncoherent}, true},
        {"99 patterns and no fingerprint file", {99, -1, -1}, {kTooFew, kNoFingerprints}, true},
    };
    for (const TCase& c : cases) {
        TRig rig(c.files);
        EXPECT_EQ(rig.BoxTexts(), c.texts) << c.what;
        for (const auto& box : rig.record.Boxes) EXPECT_EQ(box.Flags, UINT(MB_OK | MB_ICONERROR)) << c.what;
        EXPECT_EQ(rig.main->QuitRequested(), c.quit) << c.what;
    }
}

TEST(StartUp, CaptionsOfTheMessages)
{
    TRig rig({-1, -1, -1, -1});
    ASSERT_EQ(rig.record.Boxes.size(), 3u);
    EXPECT_EQ(rig.record.Boxes[0].Caption, "Erreur fichier");
    EXPECT_EQ(rig.record.Boxes[1].Caption, "Erreur signatures");
    EXPECT_EQ(rig.record.Boxes[2].Caption, "Erreur");
}

// A format error cuts the creation short with its own box, titled with the
// application's name; what the earlier steps reported stands.
TEST(StartUp, FormatErrors)
{
    struct TCase {
        const char* what;
        TFiles files;
        std::vector<std::string> before;
        std::string error;
        bool quit;
    };
    const TCase cases[] = {
        {"in the first pattern file", {150, -1, 1, -1, TFiles::MalformedPattern}, {}, kBadPair, false},
        {"in the fingerprint file after 99 patterns", {99, -1, 1, -1, TFiles::MalformedFingerprint}, {kTooFew},
         kOutOfRange, true},
    };
    for (const TCase& c : cases) {
        TRig rig(c.files);
        const auto& boxes = rig.record.Boxes;
        ASSERT_EQ(boxes.size(), c.before.size() + 1) << c.what;
        for (std::size_t i = 0; i < c.before.size(); ++i) EXPECT_EQ(boxes[i].Text, c.before[i]) << c.what;
        EXPECT_EQ(boxes.back().Caption, "Purvane") << c.what;
        EXPECT_EQ(boxes.back().Flags, UINT(MB_OK | MB_ICONERROR)) << c.what;
        EXPECT_EQ(boxes.back().Text, c.error) << c.what;
        EXPECT_EQ(rig.main->QuitRequested(), c.quit) << c.what;
        // The window still works.
        EXPECT_TRUE(Shown(rig.main->buttonGo)) << c.what;
        EXPECT_EQ(rig.main->Grid.Cell(1, 0), "Objet") << c.what;
    }
}

TEST(StartUp, MissingEngineIsToldOnce)
{
    TRig rig({}, false);
    ASSERT_EQ(rig.record.Boxes.size(), 1u);
    EXPECT_EQ(rig.record.Boxes[0].Text, SCAN_ENGINE_MISSING_TEXT);
    EXPECT_FALSE(rig.main->QuitRequested());
}

// The journal gets each start-up message as its box shows it, then the
// counts loaded; a format error as an error of its own caption.
TEST(StartUp, TheJournalGetsTheMessagesAndTheCounts)
{
    const struct {
        const char* what;
        TFiles files;
        bool usableEngine;
        std::vector<std::string> events;
    } cases[] = {
        {"a sound folder", {}, true, {"signatures 150 1"}},
        {"no engine, 99 patterns", {99}, false,
         {std::string("warning ") + SCAN_ENGINE_MISSING_CAPTION + " | " + SCAN_ENGINE_MISSING_TEXT,
          "error Erreur signatures | " + kTooFew, "signatures 99 1"}},
        {"a format error after 99 patterns", {99, -1, 1, -1, TFiles::MalformedFingerprint}, true,
         {"error Erreur signatures | " + kTooFew, "error Purvane | " + kOutOfRange,
          "signatures 99 1"}},  // the count the file declares
    };
    for (const auto& c : cases) {
        TRig rig(c.files, c.usableEngine);
        EXPECT_EQ(rig.journal.events, c.events) << c.what;
    }
}

TEST(StartUp, ProgramDir)
{
    const std::pair<const char*, const char*> paths[] = {
        {"C:\\Program Files\\Purvane\\Purvane.exe", "C:\\Program Files\\Purvane\\"},
        {"Q:\\Purvane.exe", "Q:\\"},
        {"\\\\serveur\\outils\\Purvane.exe", "\\\\serveur\\outils\\"},
        {"", ""},             // no path: no folder, rather than the current drive's root
        {"Purvane.exe", ""},  // a bare name: no folder, rather than the current one
    };
    for (const auto& [path, dir] : paths) EXPECT_EQ(ProgramDirOf(path), dir) << path;

    // Started from a drive's root: the files are looked for there alone.
    TRig rig({}, true, "Q:\\Purvane.exe");
    EXPECT_EQ(rig.main->ProgramDir(), "Q:\\");
    EXPECT_EQ(rig.BoxTexts(), (std::vector<std::string>{kNoPatterns, kTooFew, kNoFingerprints}));
}

TEST(StartUp, SkinOnlyBeforeVista)
{
    for (DWORD major : {5u, 6u, 10u}) EXPECT_EQ(SkinWanted(major), major < 6) << major;
}

TEST(MainWindow, IdleAfterCreation)
{
    TRig rig;
    TMainDlg& w = *rig.main;
    EXPECT_EQ(WindowText(w.Handle()), "Purvane v4.6.1 du 01/05/2013");
    RECT client;
    GetClientRect(w.Handle(), &client);
    EXPECT_EQ(client.right, 606);
    EXPECT_EQ(client.bottom, 560);
    EXPECT_EQ(WindowText(w.buttonGo), "&Analyser !");
    EXPECT_EQ(WindowText(w.buttonArreter), "A&rr\xEAter");
    EXPECT_EQ(WindowText(w.Button2), "&Fermer");
    EXPECT_EQ(WindowText(w.URLLabel1.Handle()), "Web");
    EXPECT_EQ(WindowText(w.URLLabel2.Handle()), "Liste des variantes d\xE9tect\xE9" "es");
    EXPECT_TRUE(Shown(w.buttonGo));
    EXPECT_FALSE(Shown(w.buttonArreter));
    EXPECT_EQ(WindowText(w.VFichierCourant.Handle()), "");
    EXPECT_EQ(WindowText(w.SElementCourant.Handle()), "");
    for (HWND bar : {w.ProgressBar1, w.ProgressBar2}) EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(w.Grid.ColumnCount(), 4);
    EXPECT_EQ(w.Grid.RowCount(), 10);
    const char* const titles[] = {"", "Objet", "Type", "Action"};
    for (int column = 0; column < 4; ++column) EXPECT_EQ(w.Grid.Cell(column, 0), titles[column]);
    EXPECT_FALSE(w.SkinActive());

    ShowWindow(w.Handle(), SW_SHOW);
    SetForegroundWindow(w.Handle());
    EXPECT_EQ(GetFocus(), w.buttonGo);
}

TEST(MainWindow, TwelveRowsShowNine)
{
    TRig rig;
    TScanView& view = *rig.main;
    for (int row = 1; row <= 12; ++row)
        view.WriteResultRow(row, "C:\\f" + std::to_string(row) + ".exe", "W32/Test", "ignor\xE9");
    view.RepaintResults();
    const TStringGrid& grid = rig.main->Grid;
    EXPECT_EQ(grid.RowCount(), 10);
    for (int row = 1; row <= 9; ++row) EXPECT_EQ(grid.Cell(1, row), "C:\\f" + std::to_string(row) + ".exe");
    EXPECT_EQ(grid.Cell(3, 9), "ignor\xE9");
    EXPECT_EQ(grid.Cell(1, 10), "");
    // Outside readers get the cells as the window's text, row by row.
    const std::string text = WindowText(grid.Handle());
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "\tObjet\tType\tAction");
    EXPECT_NE(text.find("\r\n\tC:\\f9.exe\tW32/Test\tignor\xE9\r\n"), std::string::npos);
    EXPECT_EQ(text.find("f10"), std::string::npos);
}

TEST(MainWindow, AnalyserClearsTheGridAndComesBackIdle)
{
    TRig rig;
    TMainDlg& w = *rig.main;
    w.WriteResultRow(1, "C:\\old.exe", "W32/Test", "supprim\xE9");
    SendMessageA(w.buttonGo, BM_CLICK, 0, 0);
    EXPECT_EQ(w.Grid.Cell(1, 1), "");
    EXPECT_EQ(w.Grid.Cell(1, 0), "Objet");
    EXPECT_TRUE(Shown(w.buttonGo));
    EXPECT_FALSE(Shown(w.buttonArreter));
    EXPECT_FALSE(w.ScanStopRequested());
    // A run over a system with nothing on it ends clean, with both bars hidden.
    EXPECT_EQ(WindowText(w.VFichierCourant.Handle()), MEMORY_CLEAN_TEXT);
    EXPECT_EQ(WindowText(w.SElementCourant.Handle()), FILES_CLEAN_TEXT);
    EXPECT_EQ(rig.BoxTexts(), std::vector<std::string>{RUN_CLEAN_BOX_TEXT});
    EXPECT_EQ(rig.journal.runs, 1);
    EXPECT_FALSE(Shown(w.ProgressBar1));
    EXPECT_FALSE(Shown(w.ProgressBar2));
}

// The journal's line, the report's name, ends the summary box.
TEST(MainWindow, TheSummaryNamesTheReport)
{
    TRig rig;
    rig.journal.note = "\r\n\r\nRapport : C:\\Purvane-20130501-120000.txt";
    SendMessageA(rig.main->buttonGo, BM_CLICK, 0, 0);
    EXPECT_EQ(rig.BoxTexts(), std::vector<std::string>{RUN_CLEAN_BOX_TEXT + rig.journal.note});
}

// Closing the window during a run stops the run; the window closes when the
// run has ended, without its summary.
TEST(MainWindow, ClosingDuringARunEndsItThenTheWindow)
{
    TRig rig;
    TMainDlg& w = *rig.main;
    PostMessageA(w.Handle(), WM_CLOSE, 0, 0);
    SendMessageA(w.buttonGo, BM_CLICK, 0, 0);
    EXPECT_TRUE(w.CloseRequested());
    EXPECT_FALSE(IsWindow(w.Handle()));
    EXPECT_TRUE(rig.BoxTexts().empty());
}

// "A&rrêter", pressed while a run lets messages through, sets the stop flag
// and brings "&Analyser !" back at once, while the run still unwinds; a
// click on it then starts no second run.
TEST(MainWindow, ArreterDuringARun)
{
    TRig rig;
    TMainDlg& w = *rig.main;
    bool sawTheRun = false;
    rig.system.duringTheRun = [&] {
        sawTheRun = true;
        EXPECT_TRUE(w.ScanStopRequested());
        EXPECT_TRUE(Shown(w.buttonGo));
        EXPECT_FALSE(Shown(w.buttonArreter));
        SendMessageA(w.buttonGo, BM_CLICK, 0, 0);
        EXPECT_EQ(rig.journal.runs, 1);
    };
    PostClick(w.buttonArreter);
    SendMessageA(w.buttonGo, BM_CLICK, 0, 0);
    EXPECT_TRUE(sawTheRun);
    EXPECT_EQ(rig.journal.runs, 1);
    EXPECT_TRUE(Shown(w.buttonGo));
    EXPECT_FALSE(Shown(w.buttonArreter));
    EXPECT_EQ(WindowText(w.SElementCourant.Handle()), RUN_STOPPED_TEXT);
    EXPECT_EQ(rig.BoxTexts(), std::vector<std::string>{RUN_STOPPED_TEXT});
}

TEST(MainWindow, StatusTextsAndColours)
{
    TRig rig;
    TMainDlg& w = *rig.main;
    struct TCase {
        TScanPhase phase;
        HWND label;
        TStatusColour colour;
        COLORREF rgb;
    };
    const TCase cases[] = {
        {TScanPhase::Memory, w.VFichierCourant.Handle(), TStatusColour::Running, RGB(0, 0, 0)},
        {TScanPhase::Memory, w.VFichierCourant.Handle(), TStatusColour::Clean, RGB(0, 0, 255)},
        {TScanPhase::Files, w.SElementCourant.Handle(), TStatusColour::Infected, RGB(255, 0, 0)},
    };
    const HDC dc = CreateCompatibleDC(nullptr);
    for (const TCase& c : cases) {
        w.SetStatusText(c.phase, "Analyse termin\xE9" "e");
        w.SetStatusColour(c.phase, c.colour);
        EXPECT_EQ(WindowText(c.label), "Analyse termin\xE9" "e");
        // The colour the label is painted with, as its parent answers it.
        SendMessageA(GetParent(c.label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(c.label));
        EXPECT_EQ(GetTextColor(dc), c.rgb);
    }
    DeleteDC(dc);
    for (bool running : {true, false}) {
        w.SetMarquee(TScanPhase::Memory, running);
        EXPECT_EQ((GetWindowLongPtrA(w.ProgressBar1, GWL_STYLE) & PBS_MARQUEE) != 0, running);
    }
}

// Set while its marquee runs, the bar stays shown; once the marquee has
// stopped, it shows the positions it is given.
TEST(MainWindow, ProgressDuringAndAfterTheMarquee)
{
    TRig rig;
    TMainDlg& w = *rig.main;
    ShowWindow(w.Handle(), SW_SHOW);
    w.SetMarquee(TScanPhase::Files, true);
    w.SetProgress(TScanPhase::Files, 70);
    EXPECT_TRUE(IsWindowVisible(w.ProgressBar2));
    w.SetMarquee(TScanPhase::Files, false);
    w.SetProgress(TScanPhase::Files, 40);
    EXPECT_EQ(SendMessageA(w.ProgressBar2, PBM_GETPOS, 0, 0), 40);
    EXPECT_TRUE(IsWindowVisible(w.ProgressBar2));
}

// Pixels of a label that differ from the page's white.
int InkedPixels(HWND label)
{
    RECT r;
    GetClientRect(label, &r);
    const HDC dc = GetDC(label);
    int inked = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) inked += GetPixel(dc, x, y) != RGB(255, 255, 255);
    ReleaseDC(label, dc);
    return inked;
}

// A status text is on the screen as soon as it is set: the label paints its
// own rectangle at once, and leaves nothing to paint later, to itself or to
// what lies behind it.
TEST(MainWindow, StatusTextIsPaintedAtOnceAndAlone)
{
    TRig rig;
    TMainDlg& w = *rig.main;
    ShowWindow(w.Handle(), SW_SHOW);
    UpdateWindow(w.Handle());
    const HWND label = w.SElementCourant.Handle();
    ASSERT_EQ(InkedPixels(label), 0);
    w.SetStatusText(TScanPhase::Files, "Analyse du fichier (1) : C:\\WINDOWS\\notepad.exe");
    EXPECT_GT(InkedPixels(label), 0);
    EXPECT_FALSE(GetUpdateRect(label, nullptr, FALSE));
    EXPECT_FALSE(GetUpdateRect(GetParent(label), nullptr, FALSE));
    w.SetStatusText(TScanPhase::Files, "");
    EXPECT_EQ(InkedPixels(label), 0);
}

// Outside readers ask the label for its text with a buffer of their own
// size: the text comes cut to fit, and never past the buffer.
TEST(MainWindow, StatusTextToBuffersOfEverySize)
{
    TRig rig;
    TMainDlg& w = *rig.main;
    const std::string text = "Analyse termin\xE9" "e";
    w.SetStatusText(TScanPhase::Memory, text);
    const HWND label = w.VFichierCourant.Handle();
    EXPECT_EQ(SendMessageA(label, WM_GETTEXTLENGTH, 0, 0), static_cast<LRESULT>(text.size()));
    struct TCase {
        WPARAM size;
        std::string got;
    };
    const TCase cases[] = {{0, ""}, {1, ""}, {4, "Ana"}, {text.size(), text.substr(0, text.size() - 1)},
                           {text.size() + 1, text}, {64, text}};
    for (const TCase& c : cases) {
        std::vector<char> buffer(c.size + 1, '#');  // one guard byte past the size given
        const LRESULT copied = SendMessageA(label, WM_GETTEXT, c.size, reinterpret_cast<LPARAM>(buffer.data()));
        EXPECT_EQ(copied, static_cast<LRESULT>(c.got.size())) << c.size;
        if (c.size > 0) {
            EXPECT_EQ(std::string(buffer.data()), c.got) << c.size;
        }
        EXPECT_EQ(buffer[c.size], '#') << c.size;
    }
    SetWindowTextA(label, "Analyse interrompue");
    EXPECT_EQ(WindowText(label), "Analyse interrompue");
}

TEST(MainWindow, DetectionPromptThroughTheView)
{
    TRig rig;
    PostClick(rig.VirusFound().buttonSupprimer);
    EXPECT_EQ(rig.main->ShowDetectionPrompt("C:\\a.exe", "W32/Test"), TPromptAnswer::Delete);
    EXPECT_EQ(rig.VirusFound().DetectedFile, "C:\\a.exe");
    EXPECT_EQ(WindowText(rig.VirusFound().NomVirus), "W32/Test");
}

// Real clicks, through the panels that hold the link and the picture.
TEST(MainWindow, LinksOpenTheirPages)
{
    TRig rig;
    TMainDlg& w = *rig.main;
    const std::vector<std::string>& pages = rig.record.Pages;
    ClickWithTheMouse(w.URLLabel1.Handle());
    EXPECT_TRUE(RunMessagesUntil(w, [&] { return pages.size() == 1; })) << "Web";
    ClickWithTheMouse(w.Image3);
    EXPECT_TRUE(RunMessagesUntil(w, [&] { return pages.size() == 2; })) << "Image3";
    EXPECT_EQ(pages, (std::vector<std::string>{PRODUCT_WEB_PAGE, MAKER_HOME_PAGE}));
}

struct THintSearch {
    HWND window;
    std::string text;
};

BOOL CALLBACK FindHintOver(HWND tooltip, LPARAM searchParam)
{
    char className[32] = {};
    GetClassNameA(tooltip, className, sizeof className);
    if (lstrcmpiA(className, TOOLTIPS_CLASSA) != 0 || !IsWindowVisible(tooltip)) return TRUE;
    auto& search = *reinterpret_cast<THintSearch*>(searchParam);
    char text[80] = {};
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.lpszText = text;
    if (SendMessageA(tooltip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) &&
        tool.uId == reinterpret_cast<UINT_PTR>(search.window))
        search.text = text;
    return TRUE;
}

// The hint shown over window, if a hint is shown: its text, else empty.
std::string ShownHintOver(HWND window)
{
    THintSearch search = {window, {}};
    EnumThreadWindows(GetCurrentThreadId(), &FindHintOver, reinterpret_cast<LPARAM>(&search));
    return search.text;
}

// The globe in the bottom band takes the mouse, so its hint shows.
TEST(MainWindow, TheGlobeShowsItsHint)
{
    TRig rig;
    MoveMouseOver(rig.main->Image2);
    EXPECT_TRUE(RunMessagesUntil(
        *rig.main, [&] { return ShownHintOver(rig.main->Image2) == "Informations et mises \xE0 jour"; }));
}

// Where each named control lies in the window's client area, through the
// panels that hold it; a label sized to its text is checked for its place,
// a status label for all but its height, the font's.
TEST(MainWindow, ControlsInTheirPlaces)
{
    TRig rig;
    TMainDlg& w = *rig.main;
    constexpr int kText = -1;
    const struct {
        const char* what;
        HWND control;
        TPlace place;
    } cases[] = {
        {"URLLabel2", w.URLLabel2.Handle(), {461, 4, kText, kText}},
        {"buttonGo", w.buttonGo, {480, 32, 97, 33}},
        {"buttonArreter", w.buttonArreter, {484, 35, 89, 25}},
        {"VFichierCourant", w.VFichierCourant.Handle(), {48, 140, 546, kText}},
        {"ProgressBar1", w.ProgressBar1, {56, 175, 521, 17}},
        {"SElementCourant", w.SElementCourant.Handle(), {48, 258, 546, kText}},
        {"ProgressBar2", w.ProgressBar2, {56, 287, 521, 17}},
        {"Grid", w.Grid.Handle(), {49, 375, 517, 121}},
        {"Image3", w.Image3, {4, 518, 210, 40}},
        {"Button2", w.Button2, {263, 524, 75, 25}},
        {"Image2", w.Image2, {547, 533, 16, 16}},
        {"URLLabel1", w.URLLabel1.Handle(), {567, 534, kText, kText}},
    };
    for (const auto& c : cases) {
        TPlace place = PlaceIn(c.control, w.Handle());
        if (c.place.Width == kText) place.Width = kText;
        if (c.place.Height == kText) place.Height = kText;
        EXPECT_EQ(place, c.place) << c.what;
    }
}

TEST(MainWindow, FamiliesListShowsTheLoadedCount)
{
    TRig rig({4000, 600});  // above 4500: refused, and still what the list tells
    // The link's click shows the list, whose loop then takes the click on "OK".
    PostMouseClick(rig.main->URLLabel2.Handle());
    PostClick(rig.Liste().Button1);
    EXPECT_TRUE(RunMessagesUntil(*rig.main, [&] { return rig.Liste().SignatureCount != 0; }));
    EXPECT_EQ(rig.Liste().SignatureCount, 4600);
    EXPECT_EQ(WindowText(rig.Liste().LNbSig), "4600 signatures de virus MSN et leurs variantes en base.");
}

TEST(MainWindow, UpdateNoticeOnClosingFromTheSecondOfJune2013)
{
    struct TCase {
        TCalendarDate date;
        bool notice;
    };
    const TCase cases[] = {{{2013, 6, 1}, false}, {{2013, 6, 2}, true}, {{2012, 12, 31}, false}, {{2024, 1, 1}, true}};
    for (const TCase& c : cases) {
        EXPECT_EQ(UpdateNoticeDue(c.date), c.notice);
        for (bool byButton : {false, true}) {
            TRig rig;
            rig.record.Date = c.date;
            // The notice's "&OK" opens the product's page: a page tells it was shown.
            PostClick(rig.MiseAJour().Button2);
            if (byButton)
                SendMessageA(rig.main->Button2, BM_CLICK, 0, 0);
            else
                SendMessageA(rig.main->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
            DiscardPendingMessages();
            EXPECT_EQ(rig.record.Pages.size(), c.notice ? 1u : 0u) << c.date.Day << "/" << c.date.Month;
            EXPECT_EQ(rig.main->Handle(), nullptr) << "the window closes in every case";
        }
    }
}

} // namespace
