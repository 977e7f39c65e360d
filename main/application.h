// The application start-up: the four windows in their order, then the
// message loop until the main window closes or a start-up error asked the
// application to end.
#pragma once

#include "engine/qz_dll_sscan_header.h"
#include "main/main.h"
#include "main/platform_services.h"

// The application's title: the caption of the box that shows an error no
// handler caught.
extern const char* const APPLICATION_TITLE;

// The program's windows and what they work with, made in the start-up's
// order: the main window (its creation loads the signature files), then the
// detection prompt, the families list and the update notice. The dialogs are
// made once the main window shows and is idle, or before the first use of
// one of them if that comes sooner: nobody can tell the difference, and the
// window is up sooner. The engine, the system and the journal must outlive
// it.
class TApplication {
public:
    // admit: which signature files the program's folder check admitted (empty: all).
    TApplication(const TPlatformServices& services, const TScanEngine& engine, TScanSystem& system,
                 TRunJournal& journal, TFileAdmission admit = {});

    // Shows the main window and runs the message loop; the exit code.
    int Run();

    TMainDlg& MainDlg() { return mainDlg_; }
    // Each dialog, made with the others if it was not yet.
    TVirusFoundDlg& VirusFoundDlg() { return MadeDialogs(), virusFoundDlg_; }
    TListeVirusDlg& ListeVirusDlg() { return MadeDialogs(), listeVirusDlg_; }
    TMiseAJourDlg& MiseAJourDlg() { return MadeDialogs(), miseAJourDlg_; }
    TScanner& Scanner() { return scanner_; }

private:
    void MadeDialogs();

    bool dialogsMade_ = false;
    TVirusFoundDlg virusFoundDlg_;
    TListeVirusDlg listeVirusDlg_;
    TMiseAJourDlg miseAJourDlg_;
    TMainDlg mainDlg_;   // uses the scanner from its creation on, after the constructors
    TScanner scanner_;  // its view is the main window
};
