// The application start-up: the four windows in their order, then the
// message loop until the main window closes or a start-up error asked the
// application to end.
#pragma once

#include <memory>

#include "engine/qz_dll_sscan_header.h"
#include "main/main.h"
#include "main/platform_services.h"
#include "main/win32_scan_system.h"

// The application's title: the caption of the box that shows an error no
// handler caught.
extern const char* const APPLICATION_TITLE;

// The program's windows and what they work with, made in the start-up's
// order: the main window (its creation loads the signature files), then the
// detection prompt, the families list and the update notice.
class TApplication {
public:
    TApplication(const TPlatformServices& services, const TScanEngine& engine);

    // Shows the main window and runs the message loop; the exit code.
    int Run();

    TMainDlg& MainDlg() { return mainDlg_; }
    TListeVirusDlg& ListeVirusDlg() { return listeVirusDlg_; }
    TMiseAJourDlg& MiseAJourDlg() { return miseAJourDlg_; }
    const TPatternSignatureTable& Patterns() const { return *patterns_; }

private:
    // The tables are allocated at full capacity once and live until the end.
    std::unique_ptr<TPatternSignatureTable> patterns_ = std::make_unique<TPatternSignatureTable>();
    std::unique_ptr<TPEMD5SignatureTable> fingerprints_ = std::make_unique<TPEMD5SignatureTable>();
    TVirusFoundDlg virusFoundDlg_;
    TListeVirusDlg listeVirusDlg_;
    TMiseAJourDlg miseAJourDlg_;
    TWin32ScanSystem scanSystem_;
    TMainDlg mainDlg_;
};
