#include "dialogs/unit_VirusListe.h"

namespace {

enum { ID_BUTTON1 = 101, ID_LISTBOX1 };

const char* const kFamilies[] = {
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

constexpr int kClientWidth = 453, kClientHeight = 384, kBandHeight = 50;
const TFontDescription kSansSerif = {"MS Sans Serif", 8};

} // namespace

std::string SignatureCountText(std::int32_t count)
{
    return std::to_string(count) + " signatures de virus MSN et leurs variantes en base.";
}

TListeVirusDlg::TListeVirusDlg()
    : TTopWindow(LIGHT_GREY), whiteArea_(RGB(255, 255, 255), TPanelFrame::Thin),
      Panel1(LIGHT_GREY, TPanelFrame::None)
{
}

void TListeVirusDlg::Create(HWND owner)
{
    CreateTop({"Liste des virus MSN d\xE9tect\xE9s", WS_CAPTION, kClientWidth, kClientHeight}, owner);
    whiteArea_.Create(Handle(), {0, 0, kClientWidth, kClientHeight - kBandHeight});
    const HWND area = whiteArea_.Handle();
    AddLabel(area, "Purvane d\xE9tecte les diff\xE9rents virus qui se propogent par MSN / Live Messenger.", 16, 16,
             ProgramFont(kSansSerif));
    AddLabel(area, "Voici la liste des virus et de leurs variantes et alias qui sont detect\xE9s par cet outil :", 16,
             48, ProgramFont(kSansSerif));
    ListBox1 = AddListBox(area, {32, 72, 361, 225}, ProgramFont(kSansSerif), ID_LISTBOX1);
    for (const char* line : kFamilies) SendMessageA(ListBox1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    LNbSig = AddLabel(area, "", 48, 305, ProgramFont(kSansSerif));
    Panel1.Create(Handle(), {0, kClientHeight - kBandHeight, kClientWidth, kBandHeight});
    Button1 = AddButton(Panel1.Handle(), "OK", ID_BUTTON1, {183, 13, 75, 25}, ProgramFont(kSansSerif));
}

void TListeVirusDlg::FormActivate()
{
    SetWindowTextA(LNbSig, SignatureCountText(SignatureCount).c_str());
    FitLabelToText(LNbSig);
}

void TListeVirusDlg::OnCommand(int id, int code, HWND)
{
    if (id == ID_BUTTON1 && code == BN_CLICKED) Button1Click();
}

void TListeVirusDlg::Button1Click() { EndModal(IDOK); }
