#include "main/main.h"

#include <commctrl.h>

#include "common/errors.h"
#include "kit/skin.h"
#include "resources/pictures/pictures.h"

namespace {

enum {
    ID_BUTTON_GO = 101,
    ID_BUTTON_ARRETER,
    ID_BUTTON2,
    ID_IMAGE3,
    ID_URLLABEL1,
    ID_URLLABEL2,
    ID_GRID,
};

constexpr UINT_PTR kMakeDialogsTimer = 1;
constexpr int kClientWidth = 606, kClientHeight = 560;
constexpr int kStatusRightMargin = 8;
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr UINT kErrorBox = MB_OK | MB_ICONERROR;
const TFontDescription kSansSerif = {"MS Sans Serif", 8};
const TFontDescription kTahoma = {"Tahoma", 8};
const TFontDescription kTahomaBold = {"Tahoma", 8, true};

// Sets flag for the life of the guard, and clears it however the scope ends.
class TScopedFlag {
public:
    explicit TScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~TScopedFlag() { flag_ = false; }
    TScopedFlag(const TScopedFlag&) = delete;
    TScopedFlag& operator=(const TScopedFlag&) = delete;

private:
    bool& flag_;
};

COLORREF ColourOf(TStatusColour colour)
{
    switch (colour) {
    case TStatusColour::Clean: return RGB(0, 0, 255);
    case TStatusColour::Infected: return RGB(255, 0, 0);
    default: return RGB(0, 0, 0);
    }
}

} // namespace

const char* const PROGRAM_CAPTION = "Purvane v4.6.1 du 01/05/2013";

bool UpdateNoticeDue(const TCalendarDate& d)
{
    const int day = d.Year * 10000 + d.Month * 100 + d.Day;
    return day > 20130601;
}

TMainDlg::TMainDlg(const TMainDlgParts& parts)
    : TTopWindow(GetSysColor(COLOR_BTNFACE)), Grid({19, 257, 116, 104}, 10, 21), parts_(parts),
      brand_(static_cast<HBITMAP>(LoadImageA(Instance(), MAKEINTRESOURCEA(PICTURE_BRAND), IMAGE_BITMAP, 0, 0, 0))),
      whiteArea_(kWhite, TPanelFrame::Thin), scanPage_(kWhite, TPanelFrame::None), band_(LIGHT_GREY, TPanelFrame::None)
{
}

void TMainDlg::Create()
{
    CreateTop({PROGRAM_CAPTION, WS_CAPTION | WS_SYSMENU, kClientWidth, kClientHeight}, nullptr);
    const HICON icon = static_cast<HICON>(
        LoadImageA(Instance(), MAKEINTRESOURCEA(PICTURE_PROGRAM_ICON), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    hints_ = std::make_unique<THints>(Handle());
    CreateUpperPart();
    whiteArea_.Create(Handle(), {-2, 83, 609, 478});
    CreateScanPage();
    CreateBottomBand();
    FormCreate();
}

void TMainDlg::CreateUpperPart()
{
    AddIconPicture(Handle(), PICTURE_PROGRAM_ICON, {11, 16, 48, 48});
    AddWrappedLabel(Handle(),
                    "Purvane est un outil de d\xE9sinfection sp\xE9" "cifique qui d\xE9tecte et supprime les "
                    "diff\xE9rents virus qui se propagent actuellement via MSN / Live Messenger.",
                    {74, 18, 400, 36}, ProgramFont(kTahoma));
    AddLabel(Handle(), "Cliquez sur le bouton Analyser pour d\xE9marrer l'analyse.", 74, 54, ProgramFont(kTahoma));
    URLLabel2.Create(Handle(), "Liste des variantes d\xE9tect\xE9" "es", 461, 4, ID_URLLABEL2);
    hints_->Add(URLLabel2.Handle(), "Afficher la liste des variantes de virus MSN d\xE9tect\xE9s");
    buttonGo =
        AddButton(Handle(), "&Analyser !", ID_BUTTON_GO, {480, 32, 97, 33}, ProgramFont(kSansSerif), BS_DEFPUSHBUTTON);
    buttonArreter = AddButton(Handle(), "A&rr\xEAter", ID_BUTTON_ARRETER, {484, 35, 89, 25}, ProgramFont(kSansSerif));
    SetWindowPos(buttonArreter, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Look().ShowHandOver(buttonGo);
    Look().ShowHandOver(buttonArreter);
}

void TMainDlg::CreateScanPage()
{
    scanPage_.Create(whiteArea_.Handle(), {2, 4, 602, 429});
    const HWND page = scanPage_.Handle();
    AddLabel(page, "Analyse m\xE9moire (process actifs + modules charg\xE9s en m\xE9moire)", 20, 16,
             ProgramFont(kTahomaBold));
    AddBevel(page, 400, 23, 189);
    AddStatusLabel(VFichierCourant, page, 48, 53);
    ProgressBar1 = AddMarqueeBar(page, {56, 88, 521, 17}, kNavy);
    AddLabel(page, "Analyse des fichiers", 19, 136, ProgramFont(kTahomaBold));
    AddBevel(page, 139, 143, 450);
    AddStatusLabel(SElementCourant, page, 48, 171);
    ProgressBar2 = AddMarqueeBar(page, {56, 200, 521, 17}, kNavy);
    AddLabel(page, "Elements infect\xE9s d\xE9tect\xE9s", 21, 256, ProgramFont(kTahomaBold));
    AddBevel(page, 179, 263, 410);
    Grid.Create(page, {49, 288, 517, 121}, ID_GRID);
}

void TMainDlg::CreateBottomBand()
{
    band_.Create(whiteArea_.Handle(), {1, 478 - 1 - 50, 607, 50});
    SetWindowPos(band_.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    const HWND band = band_.Handle();
    Image3 = AddBitmapPicture(band, brand_.Get(), {5, 8, 210, 40}, ID_IMAGE3, true);
    band_.Look().ShowHandOver(Image3);
    hints_->Add(Image3, "Plus d'informations sur Garvex");
    Button2 = AddButton(band, "&Fermer", ID_BUTTON2, {264, 14, 75, 25}, ProgramFont(kSansSerif));
    Image2 = AddIconPicture(band, PICTURE_GLOBE, {548, 23, 16, 16}, 0, true);
    hints_->Add(Image2, "Informations et mises \xE0 jour");
    URLLabel1.Create(band, "Web", 568, 24, ID_URLLABEL1);
    hints_->Add(URLLabel1.Handle(), "Informations et mises \xE0 jour");
}

void TMainDlg::FormCreate()
{
    skinActive_ = SkinWanted(parts_.Services.WindowsMajorVersion());
    if (skinActive_) ApplySkin(Handle());
    ResetResultsGrid();
    ShowIdleButtons();
    UpdateWindow(buttonGo);
    StopProgressBars();
    SetStatusText(TScanPhase::Memory, "");
    SetStatusText(TScanPhase::Files, "");
    ProgramDir_ = ProgramDirOf(parts_.Services.ExecutablePath());
    try {
        parts_.Scanner.LoadSignatures(ProgramDir_, [this](const TStartupMessage& message) { ShowStartupMessage(message); });
    } catch (const TSignatureFormatError& error) {
        // The rest of the creation is skipped; the window still opens and works.
        parts_.Services.ShowMessageBox(Handle(), error.what(), SIGNATURE_FORMAT_ERROR_CAPTION, kErrorBox);
    }
}

void TMainDlg::ShowStartupMessage(const TStartupMessage& message)
{
    if (message.Warning) {
        parts_.Services.ShowMessageBox(Handle(), message.Text, message.Caption, MB_OK | MB_ICONWARNING);
        return;
    }
    parts_.Services.ShowMessageBox(Handle(), message.Text, message.Caption, kErrorBox);
    quitRequested_ = true;
}

void TMainDlg::ResetResultsGrid()
{
    Grid.ClearCells();
    const char* const titles[] = {"Objet", "Type", "Action"};
    for (int column = 1; column <= 3; ++column) {
        Grid.SetCell(column, 0, titles[column - 1]);
        Grid.SetCentered(column, 0, true);
    }
}

// A timer's message comes only once the queue is empty and the thread
// waits: the window is up and idle by then.
void TMainDlg::MakeDialogsWhenIdle() { SetTimer(Handle(), kMakeDialogsTimer, USER_TIMER_MINIMUM, nullptr); }

LRESULT TMainDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);  // the main window's end is the application's
        return 0;
    }
    if (message == WM_TIMER && wParam == kMakeDialogsTimer) {
        KillTimer(Handle(), kMakeDialogsTimer);
        parts_.MakeDialogs();
        return 0;
    }
    return TTopWindow::HandleMessage(message, wParam, lParam);
}

void TMainDlg::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED) return;  // STN_CLICKED has the same value
    switch (id) {
    case ID_BUTTON_GO: buttonGoClick(); break;
    case ID_BUTTON_ARRETER: buttonArreterClick(); break;
    case ID_BUTTON2: Button2Click(); break;
    case ID_URLLABEL2: URLLabel2Click(); break;
    case ID_URLLABEL1: URLLabel1Click(); break;
    case ID_IMAGE3: Image3Click(); break;
    default: break;
    }
}

void TMainDlg::OnEnterKey()
{
    if (!ClickFocusedButton() && IsWindowVisible(buttonGo)) SendMessageA(buttonGo, BM_CLICK, 0, 0);
}

// The run lets the window take messages, and "A&rrêter" shows this button
// again at once: a click while the stopped run still unwinds is refused.
void TMainDlg::buttonGoClick()
{
    if (scanRunning_) return;
    {
        const TScopedFlag running(scanRunning_);
        ScanStopRequested_ = false;
        ResetResultsGrid();
        ShowRunningButtons();
        parts_.Scanner.Run().Run();
    }
    ShowIdleButtons();
    if (closeRequested_) FormClose();
}

void TMainDlg::buttonArreterClick()
{
    ScanStopRequested_ = true;
    ShowIdleButtons();
    StopProgressBars();
    ProcessPendingMessages();
}

void TMainDlg::Button2Click() { SendMessageA(Handle(), WM_CLOSE, 0, 0); }

void TMainDlg::URLLabel2Click()
{
    parts_.MakeDialogs();
    parts_.ListeVirusDlg.SignatureCount = parts_.Scanner.Signatures().Patterns().PatternSignatureCount();
    parts_.ListeVirusDlg.ShowModal(Handle());
}

void TMainDlg::URLLabel1Click() { parts_.Services.OpenWebPage(Handle(), PRODUCT_WEB_PAGE); }

void TMainDlg::Image3Click() { parts_.Services.OpenWebPage(Handle(), MAKER_HOME_PAGE); }

// Closing during a run stops it at its next test; the window closes once
// the run has ended.
void TMainDlg::OnClose()
{
    if (!scanRunning_) return FormClose();
    closeRequested_ = true;
    ScanStopRequested_ = true;
}

void TMainDlg::FormClose()
{
    if (UpdateNoticeDue(parts_.Services.Today())) {
        parts_.MakeDialogs();
        parts_.MiseAJourDlg.ShowModal(Handle());
    }
    DestroyWindow(Handle());
}

void TMainDlg::ShowIdleButtons()
{
    ShowWindow(buttonArreter, SW_HIDE);
    ShowWindow(buttonGo, SW_SHOW);
    FocusControl(buttonGo);
}

void TMainDlg::ShowRunningButtons()
{
    ShowWindow(buttonGo, SW_HIDE);
    ShowWindow(buttonArreter, SW_SHOW);
    FocusControl(buttonArreter);
}

void TMainDlg::StopProgressBars()
{
    for (TScanPhase phase : {TScanPhase::Memory, TScanPhase::Files}) {
        SetMarquee(phase, false);
        SetProgress(phase, 0);
    }
}

TStatusLabel& TMainDlg::StatusLabel(TScanPhase phase)
{
    return phase == TScanPhase::Memory ? VFichierCourant : SElementCourant;
}

HWND TMainDlg::ProgressBar(TScanPhase phase) const
{
    return phase == TScanPhase::Memory ? ProgressBar1 : ProgressBar2;
}

// A status label runs to the page's right edge: its text changes for every
// file met.
void TMainDlg::AddStatusLabel(TStatusLabel& label, HWND page, int x, int y)
{
    RECT bounds;
    GetClientRect(page, &bounds);
    label.Create(page, x, y, bounds.right - x - kStatusRightMargin, ProgramFont(kTahoma));
}

// The label paints itself at once, while the check runs.
void TMainDlg::SetStatusText(TScanPhase phase, const std::string& text) { StatusLabel(phase).SetText(text); }

void TMainDlg::SetStatusColour(TScanPhase phase, TStatusColour colour)
{
    const HWND label = StatusLabel(phase).Handle();
    scanPage_.Look().SetTextColour(label, ColourOf(colour));
    InvalidateRect(label, nullptr, TRUE);
}

// While its marquee runs, a bar shows the moving block, not its position,
// and the marquee's timer repaints it: the position is then set without the
// bar's own immediate repaint, which costs more than the rest of a file's
// work for the window.
void TMainDlg::SetProgress(TScanPhase phase, int position)
{
    const HWND bar = ProgressBar(phase);
    const bool marquee = (GetWindowLongPtrA(bar, GWL_STYLE) & PBS_MARQUEE) != 0;
    if (marquee) SendMessageA(bar, WM_SETREDRAW, FALSE, 0);
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    if (marquee) SendMessageA(bar, WM_SETREDRAW, TRUE, 0);
}

// The bar carries the marquee style only while its block moves, so that a
// still bar shows its position.
void TMainDlg::SetMarquee(TScanPhase phase, bool running)
{
    const HWND bar = ProgressBar(phase);
    const LONG_PTR style = GetWindowLongPtrA(bar, GWL_STYLE);
    if (running) SetWindowLongPtrA(bar, GWL_STYLE, style | PBS_MARQUEE);
    SendMessageA(bar, PBM_SETMARQUEE, running, 60);
    if (!running) SetWindowLongPtrA(bar, GWL_STYLE, style & ~LONG_PTR(PBS_MARQUEE));
}

void TMainDlg::ShowProgress(TScanPhase phase, bool visible)
{
    ShowWindow(ProgressBar(phase), visible ? SW_SHOW : SW_HIDE);
}

void TMainDlg::WriteResultRow(std::int32_t row, const std::string& path, const std::string& malwareName,
                              const std::string& action)
{
    Grid.SetCell(1, row, path);
    Grid.SetCell(2, row, malwareName);
    Grid.SetCell(3, row, action);
}

void TMainDlg::RepaintResults() { UpdateWindow(Grid.Handle()); }

TPromptAnswer TMainDlg::ShowDetectionPrompt(const std::string& file, const std::string& malwareName)
{
    parts_.MakeDialogs();
    parts_.VirusFoundDlg.DetectedVirus = malwareName;
    parts_.VirusFoundDlg.DetectedFile = file;
    return parts_.VirusFoundDlg.ShowModal(Handle()) == MODAL_RESULT_DELETE ? TPromptAnswer::Delete
                                                                          : TPromptAnswer::Ignore;
}

void TMainDlg::ProcessPendingMessages()
{
    const auto never = [] { return false; };
    if (const std::optional<int> quit = RunMessages(*this, TMessageWait::UntilEmpty, never))
        PostQuitMessage(*quit);  // for the outer loop
}

void TMainDlg::ShowRunSummary(const std::string& text, const std::string& caption)
{
    parts_.Services.ShowMessageBox(Handle(), text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
}
