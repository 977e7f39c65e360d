// The families list: the fixed list of the malware families and aliases
// the tool detects, and the number of pattern signatures loaded. "OK" (and
// Enter on it, or Escape) closes it; it has no title-bar buttons.
#pragma once

#include <cstdint>
#include <string>

#include "kit/controls.h"
#include "kit/panel.h"
#include "kit/top_window.h"

// The count label's text for count.
std::string SignatureCountText(std::int32_t count);

class TListeVirusDlg : public TTopWindow {
public:
    TListeVirusDlg();
    void Create(HWND owner);

    // Set by the caller before each showing.
    std::int32_t SignatureCount = 0;

    HWND ListBox1 = nullptr;
    HWND LNbSig = nullptr;
    HWND Button1 = nullptr;

protected:
    void OnCommand(int id, int code, HWND control) override;
    void OnActivated() override { FormActivate(); }
    void OnEscapeKey() override { Button1Click(); }

private:
    void FormActivate();
    void Button1Click();

    TPanel whiteArea_;
    TPanel Panel1;
};
