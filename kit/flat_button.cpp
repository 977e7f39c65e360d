#include "kit/flat_button.h"

#include "kit/controls.h"

namespace {

constexpr COLORREF kFace = RGB(250, 250, 250);
constexpr COLORREF kPressedFace = RGB(214, 214, 214);
constexpr COLORREF kBorder = RGB(128, 128, 128);

} // namespace

void DrawFlatButton(const DRAWITEMSTRUCT& item)
{
    const bool pressed = item.itemState & ODS_SELECTED;
    RECT r = item.rcItem;
    FillRect(item.hDC, &r, SolidBrush(pressed ? kPressedFace : kFace));
    FrameRect(item.hDC, &r, SolidBrush(kBorder));
    const std::string text = WindowText(item.hwndItem);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(item.hDC, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (item.itemState & ODS_FOCUS) {
        InflateRect(&r, -3, -3);
        DrawFocusRect(item.hDC, &r);
    }
}
