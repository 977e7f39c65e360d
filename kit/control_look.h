// What a parent window decides for its static children and pictures: their
// background (the parent's own face), their text colour and which of them
// show the hand cursor. Parents answer WM_CTLCOLORSTATIC and WM_SETCURSOR
// through it.
#pragma once

#include <windows.h>

#include <map>
#include <set>

#include "kit/controls.h"

class TControlLook {
public:
    explicit TControlLook(COLORREF background);

    COLORREF Background() const { return background_; }
    HBRUSH BackgroundBrush() const { return brush_.Get(); }

    void SetTextColour(HWND child, COLORREF colour);
    COLORREF TextColour(HWND child) const;
    void ShowHandOver(HWND child);

    // WM_CTLCOLORSTATIC: the child's colours on the parent's face.
    LRESULT OnCtlColorStatic(HDC dc, HWND child) const;
    // WM_SETCURSOR: true when the cursor was set for a hand child.
    bool OnSetCursor(HWND child) const;

private:
    COLORREF background_;
    TBrush brush_;
    std::map<HWND, COLORREF> textColours_;
    std::set<HWND> handChildren_;
};
