#include "kit/control_look.h"

TControlLook::TControlLook(COLORREF background) : background_(background), brush_(CreateSolidBrush(background)) {}

void TControlLook::SetTextColour(HWND child, COLORREF colour) { textColours_[child] = colour; }

COLORREF TControlLook::TextColour(HWND child) const
{
    const auto found = textColours_.find(child);
    return found == textColours_.end() ? RGB(0, 0, 0) : found->second;
}

void TControlLook::ShowHandOver(HWND child) { handChildren_.insert(child); }

LRESULT TControlLook::OnCtlColorStatic(HDC dc, HWND child) const
{
    SetTextColor(dc, TextColour(child));
    SetBkColor(dc, background_);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(brush_.Get());
}

bool TControlLook::OnSetCursor(HWND child) const
{
    if (!handChildren_.count(child)) return false;
    SetCursor(LoadCursorA(nullptr, IDC_HAND));
    return true;
}
