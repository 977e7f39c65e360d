#include "kit/control_look.h"

#include "kit/drawing.h"

TControlLook::TControlLook(COLORREF background) : background_(background), brush_(SolidBrush(background)) {}

void TControlLook::SetTextColour(HWND child, COLORREF colour) { textColours_[child] = colour; }

COLORREF TControlLook::TextColour(HWND child) const
{
    const auto found = textColours_.find(child);
    return found == textColours_.end() ? RGB(0, 0, 0) : found->second;
}

void TControlLook::ShowHandOver(HWND child) { handChildren_.insert(child); }

std::optional<LRESULT> TControlLook::AnswerChild(UINT message, WPARAM wParam, LPARAM lParam) const
{
    switch (message) {
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORBTN: return reinterpret_cast<LRESULT>(brush_);
    case WM_SETCURSOR:
        if (OnSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
        return std::nullopt;
    default: return std::nullopt;
    }
}

LRESULT TControlLook::OnCtlColorStatic(HDC dc, HWND child) const
{
    SetTextColor(dc, TextColour(child));
    SetBkColor(dc, background_);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(brush_);
}

bool TControlLook::OnSetCursor(HWND child) const
{
    if (!handChildren_.count(child)) return false;
    SetCursor(LoadCursorA(nullptr, IDC_HAND));
    return true;
}
