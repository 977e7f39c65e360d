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
        EXPECT_EQ(dlg.ShowModal(owner_.Handle()), c.result) << c.what;
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
    EXPECT_EQ(dlg.ShowModal(owner_.Handle()), MODAL_RESULT_DELETE);
}

TEST_F(DialogsTest, DetectionPromptEnterPressesTheFocusedButton)
{
    TVirusFoundDlg dlg;
    dlg.Create(owner_.Handle());
    // First showing: the focus is on "&Supprimer".
    PostKey(dlg.Handle(), VK_RETURN);
    EXPECT_EQ(dlg.ShowModal(owner_.Handle()), MODAL_RESULT_DELETE);
    // Tab moves the focus to "&Ignorer", which keeps it for the next showing.
    PostKey(dlg.Handle(), VK_TAB);
    PostKey(dlg.Handle(), VK_RETURN);
    EXPECT_EQ(dlg.ShowModal(owner_.Handle()), MODAL_RESULT_IGNORE);
    PostKey(dlg.Handle(), VK_RETURN);
    EXPECT_EQ(dlg.ShowModal(owner_.Handle()), MODAL_RESULT_IGNORE);
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
        dlg.ShowModal(owner_.Handle());
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
    ASSERT_EQ(SendMessageA(dlg.ListBox1, LB_GETCOUNT, 0, 0), 28);
    auto line = [&](int index) {
        char text[128] = {};
        SendMessageA(dlg.ListBox1, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    EXPECT_EQ(line(0), "Famille IRCBot (>400 variantes)");
    EXPECT_EQ(line(4), "");
    EXPECT_EQ(line(8), "Win32/IRCBot.ADS ");
    EXPECT_EQ(line(27), "IRCBot alais virus MSN Myalbum2007.zip ");

    for (std::int32_t count : {0, 150, 4501, -3}) {
        dlg.SignatureCount = count;
        PostClick(dlg.Button1);
        dlg.ShowModal(owner_.Handle());
        EXPECT_EQ(WindowText(dlg.LNbSig), std::to_string(count) + " signatures de virus MSN et leurs variantes en base.");
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
        if (c.clickLink) PostMessageA(dlg.URLLabel2.Handle(), WM_LBUTTONUP, 0, 0);
        if (c.clickOk)
            PostClick(dlg.Button2);
        else
            PostMessageA(dlg.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        dlg.ShowModal(owner_.Handle());
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
    PostMessageA(dlg.URLLabel2.Handle(), WM_LBUTTONUP, 0, 0);
    PostClick(dlg.Button2);
    dlg.ShowModal(owner_.Handle());
    PostClick(dlg.Button2);
    dlg.ShowModal(owner_.Handle());
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
