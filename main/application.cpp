#include "main/application.h"

const char* const APPLICATION_TITLE = "Purvane";

TApplication::TApplication(const TPlatformServices& services, const TScanEngine& engine, TScanSystem& system,
                           TRunJournal& journal, TFileAdmission admit)
    : miseAJourDlg_(services.OpenWebPage),
      mainDlg_({services, scanner_, virusFoundDlg_, listeVirusDlg_, miseAJourDlg_, [this] { MadeDialogs(); }}),
      scanner_(engine, system, mainDlg_, journal, std::move(admit))
{
    mainDlg_.Create();
}

void TApplication::MadeDialogs()
{
    if (dialogsMade_) return;
    dialogsMade_ = true;
    virusFoundDlg_.Create(mainDlg_.Handle());
    listeVirusDlg_.Create(mainDlg_.Handle());
    miseAJourDlg_.Create(mainDlg_.Handle());
}

int TApplication::Run()
{
    ShowWindow(mainDlg_.Handle(), SW_SHOW);
    mainDlg_.MakeDialogsWhenIdle();
    if (mainDlg_.QuitRequested()) PostQuitMessage(0);
    return RunMessages(mainDlg_, TMessageWait::Wait, [] { return false; }).value_or(0);
}
