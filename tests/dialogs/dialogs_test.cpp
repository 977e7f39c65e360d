#include <gtest/gtest.h>

#include <functional>

#include "dialogs/mvc_VirusFoundDlg.h"
#include "dialogs/unit_VirusListe.h"
#include "dialogs/vdc_MiseAjourDlg.h"
#include "tests/support/window_test_support.h"

namespace {

// An owner for the dialogs, as the main window is in the program.
class TOwner : public TTopWindow {
public:
    TOwner() : TTopWindow(LIGHT_GREY) { CreateTop({"Owner", WS_CAPTION | WS_SYSMENU, 300, 200}, nullptr); }
};

class DialogsTest : public ::testing::Test {
protected:
    void TearDown() override { DiscardPendingMessages(); }
    // Shows dlg modally over the owner; a showing that what the test posted
    // does not end fails the test and is closed.
    int Show(TTopWindow& dlg)
    {
        const TModalWatchdog watchdog;
        return dlg.ShowModal(owner_.Handle());
    }
    TOwner owner_;
};

TEST_F(DialogsTest, DetectionPromptModalResults)
{
    TVirusFoundDlg dlg;
    dlg.Create(owner_.Handle());
    struct TCase {
        const char* what;
        std::function<void()> answer;
        int result;
    };
    const TCase cases[] = {
        {"Supprimer", [&] { PostClick(dlg.buttonSupprimer); }, MODAL_RESULT_DELETE},
        {"Ignorer", [&] { PostClick(dlg.buttonIgnorer); }, MODAL_RESULT_IGNORE},
        {"close box", [&] { PostMessageA(dlg.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }, MODAL_RESULT_IGNORE},
        {"WM_CLOSE (Alt+F4)", [&] { PostMessageA(dlg.Handle(), WM_CLOSE, 0, 0); }, MODAL_RESULT_IGNORE},
    };
    for (const TCase& c : cases) {
        c.answer();
        EXPECT_EQ(Show(dlg), c.result) << c.what;
        EXPECT_FALSE(Shown(dlg.Handle())) << c.what;
        EXPECT_TRUE(IsWindowEnabled(owner_.Handle())) << c.what;
    }
}

// Escape must leave the prompt open: a click after it still counts.
TEST_F(DialogsTest, DetectionPromptEscapeLeavesItOpen)
{
    TVirusFoundDlg dlg;
    dlg.Create(owner_.Handle());
    PostKey(dlg.Handle(), VK_ESCAPE);
    PostClick(dlg.buttonSupprimer);
    EXPECT_EQ(Show(dlg), MODAL_RESULT_DELETE);
}

TEST_F(DialogsTest, DetectionPromptEnterPressesTheFocusedButton)
{
    TVirusFoundDlg dlg;
    dlg.Create(owner_.Handle());
    // First showing: the focus is on "&Supprimer".
    PostKey(dlg.Handle(), VK_RETURN);
    EXPECT_EQ(Show(dlg), MODAL_RESULT_DELETE);
    // Tab moves the focus to "&Ignorer", which keeps it for the next showing.
    PostKey(dlg.Handle(), VK_TAB);
    PostKey(dlg.Handle(), VK_RETURN);
    EXPECT_EQ(Show(dlg), MODAL_RESULT_IGNORE);
    PostKey(dlg.Handle(), VK_RETURN);
    EXPECT_EQ(Show(dlg), MODAL_RESULT_IGNORE);
}

TEST_F(DialogsTest, DetectionPromptShowsTheValuesOfEachShowing)
{
    TVirusFoundDlg dlg;
    dlg.Create(owner_.Handle());
    EXPECT_EQ(WindowText(dlg.Handle()), "Fichier contamin\xE9 d\xE9tect\xE9");
    const char* const detections[][2] = {{"C:\\Windows\\Temp\\photo.exe", "W32/IRCBot.BPQ.worm"},
                                         {"C:\\Users\\L\xE9o\\msn.com", "Sdbot"}};
    for (const auto& d : detections) {
        dlg.DetectedFile = d[0];
        dlg.DetectedVirus = d[1];
        PostClick(dlg.buttonIgnorer);
        Show(dlg);
        EXPECT_EQ(WindowText(dlg.Fichier), d[0]);
        EXPECT_EQ(WindowText(dlg.NomVirus), d[1]);
    }
    EXPECT_EQ(WindowText(dlg.buttonSupprimer), "&Supprimer");
    EXPECT_EQ(WindowText(dlg.buttonIgnorer), "&Ignorer");
}

TEST_F(DialogsTest, FamiliesListAndItsCount)
{
    TListeVirusDlg dlg;
    dlg.Create(owner_.Handle());
    EXPECT_EQ(WindowText(dlg.Handle()), "Liste des virus MSN d\xE9tect\xE9s");
    EXPECT_EQ(GetWindowLongPtrA(dlg.Handle(), GWL_STYLE) & WS_SYSMENU, 0) << "no title-bar buttons";
    // As the list has them, their spaces and misspellings included.
    const std::vector<std::string> families = {
        "Famille IRCBot (>400 variantes)",
        "Famille SdBot (>300 variantes)",
        "Famille Small (>800 variantes)",
        "Famille Downloader (>1000 variantes)",
        "",
        "Trojan.Win32.Restarter.f",
        "Trojan.IRCBot-1698",
        "W32/Smalltroj.CXEI",
        "Win32/IRCBot.ADS ",
        "W32/Smalltroj.CXEI",
        "TR/Agent.dwd.4",
        "BackDoor.Ircbot",
        "W32/Trojan2.TZD",
        "Trojan.Win32.Agent.dwd",
        "Worm:Win32/Pakabot.gen ",
        "W32/Downloader.IPQ",
        "W32/IRCBot.BPQ.worm",
        "Sus/Dropper-A",
        "Sdbot alias party_jpg.zip ",
        "Ircbot alias MSN.com",
        "Sdbot alias Dance_dec_jpg.zip ",
        "IRCBot alias virus MSN picts_????.zip",
        "Sdbot alias virus MSN N039_jpg.zip ",
        "Sdbot alias virus MSN Z058_jpg.zip ",
        "IRCbot alais virus MSN G038_jpg.zip/S_00305_jpg.zip ",
        "IRCBot alias virus MSN Photos-webcam2007.zip",
        "Vanbot alias virus MSN Webcam_00002.com/Livecam1.com)",
        "IRCBot alais virus MSN Myalbum2007.zip ",
    };
    std::vector<std::string> lines(static_cast<std::size_t>(SendMessageA(dlg.ListBox1, LB_GETCOUNT, 0, 0)));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        char text[128] = {};
        SendMessageA(dlg.ListBox1, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        lines[i] = text;
    }
    EXPECT_EQ(lines, families);

    for (std::int32_t count : {0, 150, 4501, -3}) {
        dlg.SignatureCount = count;
        PostClick(dlg.Button1);
        Show(dlg);
        EXPECT_EQ(WindowText(dlg.LNbSig), std::to_string(count) + " signatures de virus MSN et leurs variantes en base.");
    }
}

// Each dialog's client size, and each named control where the dialog puts
// it, in the dialog's client area (through the panels that hold it); a label
// sized to its text is checked for its place alone.
TEST_F(DialogsTest, ControlsInTheirPlaces)
{
    TVirusFoundDlg prompt;
    prompt.Create(owner_.Handle());
    TListeVirusDlg list;
    list.Create(owner_.Handle());
    TMiseAJourDlg notice([](HWND, const char*) {});
    notice.Create(owner_.Handle());
    const struct {
        const TTopWindow& dialog;
        int width, height;
    } sizes[] = {{prompt, 465, 196}, {list, 453, 384}, {notice, 418, 208}};
    for (const auto& size : sizes) {
        RECT client;
        GetClientRect(size.dialog.Handle(), &client);
        EXPECT_EQ(client.right, size.width) << WindowText(size.dialog.Handle());
        EXPECT_EQ(client.bottom, size.height) << WindowText(size.dialog.Handle());
    }
    constexpr int kText = -1;
    const struct {
        const char* what;
        const TTopWindow& dialog;
        HWND control;
        TPlace place;
    } cases[] = {
        {"buttonSupprimer", prompt, prompt.buttonSupprimer, {116, 162, 97, 25}},
        {"buttonIgnorer", prompt, prompt.buttonIgnorer, {252, 162, 97, 25}},
        {"Fichier", prompt, prompt.Fichier, {95, 54, kText, kText}},
        {"NomVirus", prompt, prompt.NomVirus, {95, 70, kText, kText}},
        {"ListBox1", list, list.ListBox1, {32, 72, 361, 225}},
        {"LNbSig", list, list.LNbSig, {48, 305, kText, kText}},
        {"Button1", list, list.Button1, {183, 347, 75, 25}},
        {"URLLabel2", notice, notice.URLLabel2.Handle(), {278, 128, kText, kText}},
        {"Button2", notice, notice.Button2, {172, 172, 75, 25}},
    };
    for (const auto& c : cases) {
        TPlace place = PlaceIn(c.control, c.dialog.Handle());
        if (c.place.Width == kText) place.Width = place.Height = kText;
        EXPECT_EQ(place, c.place) << c.what;
    }
}

TEST_F(DialogsTest, UpdateNoticeOpensThePageOnce)
{
    struct TCase {
        const char* what;
        bool clickLink, clickOk;
        std::size_t pages;
    };
    const TCase cases[] = {
        {"OK alone", false, true, 1},
        {"link, then OK", true, true, 1},
        {"close box alone", false, false, 0},
        {"link, then close box", true, false, 1},
    };
    for (const TCase& c : cases) {
        std::vector<std::string> pages;
        TMiseAJourDlg dlg([&](HWND, const char* url) { pages.push_back(url); });
        dlg.Create(owner_.Handle());
        EXPECT_FALSE(dlg.LinkOpened);
        if (c.clickLink) PostMouseClick(dlg.URLLabel2.Handle());
        if (c.clickOk)
            PostClick(dlg.Button2);
        else
            PostMessageA(dlg.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        Show(dlg);
        EXPECT_EQ(pages.size(), c.pages) << c.what;
        for (const auto& page : pages) EXPECT_EQ(page, PRODUCT_WEB_PAGE) << c.what;
        EXPECT_EQ(dlg.LinkOpened, c.clickLink) << c.what;
    }
}

TEST_F(DialogsTest, UpdateNoticeLinkStaysOpenedForLaterShowings)
{
    std::vector<std::string> pages;
    TMiseAJourDlg dlg([&](HWND, const char* url) { pages.push_back(url); });
    dlg.Create(owner_.Handle());
    PostMouseClick(dlg.URLLabel2.Handle());
    PostClick(dlg.Button2);
    Show(dlg);
    PostClick(dlg.Button2);
    Show(dlg);
    EXPECT_EQ(pages.size(), 1u);
}

TEST_F(DialogsTest, LinkLabelUnderlinesWhileTheMouseIsOver)
{
    TMiseAJourDlg dlg([](HWND, const char*) {});
    dlg.Create(owner_.Handle());
    const HWND link = dlg.URLLabel2.Handle();
    EXPECT_EQ(WindowText(link), "T\xE9l\xE9" "charger la mise \xE0 jour");
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(link, GCLP_HCURSOR)), LoadCursorA(nullptr, IDC_HAND));
    EXPECT_FALSE(dlg.URLLabel2.Hovering());
    SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(dlg.URLLabel2.Hovering());
    SendMessageA(link, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(dlg.URLLabel2.Hovering());
}

} // namespace
