// The main window: what the tool is, "&Analyser !" and "A&rrêter", the
// progress of the memory and file scans with a status text each, and the
// results grid. FormCreate brings it to its idle state and loads the
// signature databases; closing it ends the application, with the update
// notice from 2 June 2013 on. A scan run drives it through TScanView.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/executable_path.h"
#include "dialogs/mvc_VirusFoundDlg.h"
#include "dialogs/unit_VirusListe.h"
#include "dialogs/vdc_MiseAjourDlg.h"
#include "kit/controls.h"
#include "kit/hints.h"
#include "kit/link_label.h"
#include "kit/panel.h"
#include "kit/status_label.h"
#include "kit/string_grid.h"
#include "kit/top_window.h"
#include "main/platform_services.h"
#include "main/scan_view.h"
#include "main/scanner.h"

// The main window's caption: the program and its version.
extern const char* const PROGRAM_CAPTION;

// Whether closing on date shows the update notice: from 2 June 2013 on.
bool UpdateNoticeDue(const TCalendarDate& date);

// What the main window works with; it owns none of it.
struct TMainDlgParts {
    const TPlatformServices& Services;
    TScanner& Scanner;  // the signatures it loads, the run it starts
    TVirusFoundDlg& VirusFoundDlg;
    TListeVirusDlg& ListeVirusDlg;
    TMiseAJourDlg& MiseAJourDlg;
    // Makes the three dialogs, once; called before any of them is used.
    std::function<void()> MakeDialogs;
};

class TMainDlg : public TTopWindow, public TScanView {
public:
    explicit TMainDlg(const TMainDlgParts& parts);
    // Creates the window and its controls, then runs FormCreate.
    void Create();

    bool ScanStopRequested() const override { return ScanStopRequested_; }
    bool CloseRequested() const override { return closeRequested_; }
    const std::string& ProgramDir() const { return ProgramDir_; }
    // A start-up error asked the application to end. The request is posted
    // when the message loop starts, so that every start-up message box stays
    // up until it is answered (a pending quit would close the next box).
    bool QuitRequested() const { return quitRequested_; }
    bool SkinActive() const { return skinActive_; }

    void ResetResultsGrid();
    // Has the three dialogs made once the window is up and idle.
    void MakeDialogsWhenIdle();

    // TScanView.
    void SetStatusText(TScanPhase phase, const std::string& text) override;
    void SetStatusColour(TScanPhase phase, TStatusColour colour) override;
    void SetProgress(TScanPhase phase, int position) override;
    void SetMarquee(TScanPhase phase, bool running) override;
    void ShowProgress(TScanPhase phase, bool visible) override;
    void WriteResultRow(std::int32_t row, const std::string& path, const std::string& malwareName,
                        const std::string& action) override;
    void RepaintResults() override;
    TPromptAnswer ShowDetectionPrompt(const std::string& file, const std::string& malwareName) override;
    void ProcessPendingMessages() override;
    void ShowRunSummary(const std::string& text, const std::string& caption) override;

    HWND buttonGo = nullptr;
    HWND buttonArreter = nullptr;
    HWND Button2 = nullptr;
    HWND Image3 = nullptr;
    HWND Image2 = nullptr;
    TStatusLabel VFichierCourant;
    TStatusLabel SElementCourant;
    HWND ProgressBar1 = nullptr;
    HWND ProgressBar2 = nullptr;
    TStringGrid Grid;
    TLinkLabel URLLabel1;
    TLinkLabel URLLabel2;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(int id, int code, HWND control) override;
    void OnClose() override;
    void OnEnterKey() override;

private:
    void CreateUpperPart();
    void CreateScanPage();
    void AddStatusLabel(TStatusLabel& label, HWND page, int x, int y);
    void CreateBottomBand();
    void FormCreate();
    void ShowStartupMessage(const TStartupMessage& message);
    void buttonGoClick();
    void buttonArreterClick();
    void Button2Click();
    void URLLabel2Click();
    void URLLabel1Click();
    void Image3Click();
    void FormClose();
    void ShowIdleButtons();
    void ShowRunningButtons();
    void StopProgressBars();
    TStatusLabel& StatusLabel(TScanPhase phase);
    HWND ProgressBar(TScanPhase phase) const;

    TMainDlgParts parts_;
    bool ScanStopRequested_ = false;
    bool scanRunning_ = false;
    bool closeRequested_ = false;
    std::string ProgramDir_;
    bool quitRequested_ = false;
    bool skinActive_ = false;

    TBitmap brand_;
    TPanel whiteArea_;
    TPanel scanPage_;
    TPanel band_;
    std::unique_ptr<THints> hints_;
};
