// The detection prompt: shows the detected file and malware and asks whether
// to delete the file (modal result 1) or to leave it (2, also for every
// other way of closing). The focus starts on "&Supprimer" and stays on the
// button that last had it; Enter presses it; Escape does nothing.
#pragma once

#include <string>

#include "kit/controls.h"
#include "kit/panel.h"
#include "kit/top_window.h"

constexpr int MODAL_RESULT_DELETE = 1;
constexpr int MODAL_RESULT_IGNORE = MODAL_RESULT_CANCEL;  // closing the prompt ignores the file

class TVirusFoundDlg : public TTopWindow {
public:
    TVirusFoundDlg();
    void Create(HWND owner);

    // Set by the caller before each showing.
    std::string DetectedFile;
    std::string DetectedVirus;

    HWND buttonSupprimer = nullptr;
    HWND buttonIgnorer = nullptr;
    HWND Fichier = nullptr;
    HWND NomVirus = nullptr;

protected:
    void OnCommand(int id, int code, HWND control) override;
    void OnActivated() override { FormActivate(); }

private:
    void FormActivate();
    void buttonSupprimerClick();
    void buttonIgnorerClick();

    TPanel panel_;
};
