#include "kit/link_label.h"

namespace {

const TWindowClass kLinkLabelClass = {"PurvaneLinkLabel", nullptr, IDC_HAND};
constexpr COLORREF kLinkBlue = RGB(0, 0, 255);
const TFontDescription kPlain = {"Tahoma", 8};
const TFontDescription kUnderlined = {"Tahoma", 8, false, true};

} // namespace

void TLinkLabel::Create(HWND parent, const char* text, int x, int y, int id)
{
    const SIZE size = TextSize(text, ProgramFont(kPlain));
    CreateAs(kLinkLabelClass, 0, text, WS_CHILD | WS_VISIBLE, {x, y, size.cx, size.cy}, parent, id);
}

LRESULT TLinkLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: return OnPaint();
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEMOVE: return OnMouseMove();
    case WM_MOUSELEAVE: return OnMouseLeave();
    case WM_LBUTTONDOWN: return OnLButtonDown();
    case WM_LBUTTONUP: return OnLButtonUp(lParam);
    case WM_CAPTURECHANGED: pressed_ = false; return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(ProgramFont(kPlain));
    default: return TWindow::HandleMessage(message, wParam, lParam);
    }
}

LRESULT TLinkLabel::OnPaint()
{
    const TPaintDC dc(Handle());
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(dc.Get(), &r, ParentFace(Handle(), dc.Get()));
    SetBkMode(dc.Get(), TRANSPARENT);
    SetTextColor(dc.Get(), kLinkBlue);
    const TSelection font(dc.Get(), ProgramFont(hovering_ ? kUnderlined : kPlain));
    const std::string text = WindowText(Handle());
    DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    return 0;
}

LRESULT TLinkLabel::OnMouseMove()
{
    if (!hovering_) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, Handle(), 0};
        TrackMouseEvent(&track);
        SetHovering(true);
    }
    return 0;
}

LRESULT TLinkLabel::OnMouseLeave()
{
    SetHovering(false);
    return 0;
}

// The label holds the mouse until the button comes up, wherever it does.
LRESULT TLinkLabel::OnLButtonDown()
{
    SetCapture(Handle());
    pressed_ = true;
    return 0;
}

LRESULT TLinkLabel::OnLButtonUp(LPARAM lParam)
{
    const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT r;
    GetClientRect(Handle(), &r);
    const bool clicked = pressed_ && PtInRect(&r, at);
    if (GetCapture() == Handle()) ReleaseCapture();
    pressed_ = false;
    if (clicked)
        SendMessageA(GetParent(Handle()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Handle()), STN_CLICKED),
                     reinterpret_cast<LPARAM>(Handle()));
    return 0;
}

void TLinkLabel::SetHovering(bool hovering)
{
    hovering_ = hovering;
    InvalidateRect(Handle(), nullptr, TRUE);
}
