#include "dialogs/mvc_VirusFoundDlg.h"

namespace {

enum { ID_SUPPRIMER = 101, ID_IGNORER };

const TFontDescription kArial = {"Arial", 8};
const TFontDescription kArialBold = {"Arial", 8, true};

} // namespace

TVirusFoundDlg::TVirusFoundDlg()
    : TTopWindow(LIGHT_GREY), panel_(LIGHT_GREY, TPanelFrame::Rounded)
{
}

void TVirusFoundDlg::Create(HWND owner)
{
    CreateTop({"Fichier contamin\xE9 d\xE9tect\xE9", WS_CAPTION | WS_SYSMENU, 465, 196}, owner);
    panel_.Create(Handle(), {7, 6, 450, 147});
    const HWND page = panel_.Handle();
    AddLabel(page, "Une variante de virus MSN a \xE9t\xE9 d\xE9tect\xE9"
                   "e sur votre PC : ", 16, 16, ProgramFont(kArial));
    AddLabel(page, "Fichier : ", 40, 48, ProgramFont(kArial));
    Fichier = AddLabel(page, "", 88, 48, ProgramFont(kArialBold));
    AddLabel(page, "Virus :", 46, 64, ProgramFont(kArial));
    NomVirus = AddLabel(page, "", 88, 64, ProgramFont(kArialBold));
    AddLabel(page, "Que souhaitez vous faire ?", 16, 104, ProgramFont(kArial));
    buttonSupprimer =
        AddButton(Handle(), "&Supprimer", ID_SUPPRIMER, {116, 162, 97, 25}, ProgramFont(kArial), BS_OWNERDRAW);
    buttonIgnorer = AddButton(Handle(), "&Ignorer", ID_IGNORER, {252, 162, 97, 25}, ProgramFont(kArial), BS_OWNERDRAW);
    Look().ShowHandOver(buttonSupprimer);
    Look().ShowHandOver(buttonIgnorer);
}

void TVirusFoundDlg::FormActivate()
{
    SetWindowTextA(Fichier, DetectedFile.c_str());
    FitLabelToText(Fichier);
    SetWindowTextA(NomVirus, DetectedVirus.c_str());
    FitLabelToText(NomVirus);
}

void TVirusFoundDlg::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED) return;
    if (id == ID_SUPPRIMER) buttonSupprimerClick();
    if (id == ID_IGNORER) buttonIgnorerClick();
}

void TVirusFoundDlg::buttonSupprimerClick()
{
    EndModal(MODAL_RESULT_DELETE);
}

void TVirusFoundDlg::buttonIgnorerClick()
{
    EndModal(MODAL_RESULT_IGNORE);
}
