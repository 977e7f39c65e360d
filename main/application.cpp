#include "main/application.h"

#include <memory>

#include "main/main.h"
#include "main/scan_system.h"

const char* const APPLICATION_TITLE = "Purvane";

int RunApplication(const TPlatformServices& services, const TScanEngine& engine)
{
    // The tables are allocated at full capacity once and live until the end.
    auto patterns = std::make_unique<TPatternSignatureTable>();
    auto fingerprints = std::make_unique<TPEMD5SignatureTable>();
    TVirusFoundDlg virusFoundDlg;
    TListeVirusDlg listeVirusDlg;
    TMiseAJourDlg miseAJourDlg(services.OpenWebPage);
    TWin32ScanSystem scanSystem;
    TMainDlg mainDlg({services, engine, *patterns, *fingerprints, virusFoundDlg, listeVirusDlg, miseAJourDlg, scanSystem});

    mainDlg.Create();
    virusFoundDlg.Create(mainDlg.Handle());
    listeVirusDlg.Create(mainDlg.Handle());
    miseAJourDlg.Create(mainDlg.Handle());
    ShowWindow(mainDlg.Handle(), SW_SHOW);
    if (mainDlg.QuitRequested()) PostQuitMessage(0);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (mainDlg.Handle() && mainDlg.HandleDialogKeys(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
