#include "kit/flat_button.h"

#include "kit/controls.h"

void DrawFlatButton(const DRAWITEMSTRUCT& item)
{
    const bool pressed = item.itemState & ODS_SELECTED;
    RECT r = item.rcItem;
    TBrush face(CreateSolidBrush(pressed ? RGB(214, 214, 214) : RGB(250, 250, 250)));
    FillRect(item.hDC, &r, face.Get());
    TBrush border(CreateSolidBrush(RGB(128, 128, 128)));
    FrameRect(item.hDC, &r, border.Get());
    const std::string text = WindowText(item.hwndItem);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(item.hDC, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (item.itemState & ODS_FOCUS) {
        InflateRect(&r, -3, -3);
        DrawFocusRect(item.hDC, &r);
    }
}
