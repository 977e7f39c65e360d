// What a parent window decides for its static children, buttons and
// pictures: their background (the parent's own face), their text colour and
// which of them show the hand cursor. Top windows and panels answer their
// children's WM_CTLCOLORSTATIC, WM_CTLCOLORBTN and WM_SETCURSOR through it.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <set>

class TControlLook {
public:
    explicit TControlLook(COLORREF background);

    HBRUSH BackgroundBrush() const { return brush_; }

    void SetTextColour(HWND child, COLORREF colour);
    COLORREF TextColour(HWND child) const;
    void ShowHandOver(HWND child);

    // The parent's answer to message when it is a child's question: its
    // colours on the parent's face (WM_CTLCOLORSTATIC, which also sets the
    // text colour and mode of the child's DC; WM_CTLCOLORBTN), or the hand
    // cursor over a hand child (WM_SETCURSOR). Empty for every other message,
    // and for the cursor over any other child: the window's default applies.
    std::optional<LRESULT> AnswerChild(UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    LRESULT OnCtlColorStatic(HDC dc, HWND child) const;
    bool OnSetCursor(HWND child) const;

    COLORREF background_;
    HBRUSH brush_;  // the program's shared brush of that colour
    std::map<HWND, COLORREF> textColours_;
    std::set<HWND> handChildren_;
};
