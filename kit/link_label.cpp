#include "kit/link_label.h"

namespace {

const TWindowClass kLinkLabelClass = {"PurvaneLinkLabel", nullptr, IDC_HAND};
constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

} // namespace

TLinkLabel::TLinkLabel()
    : plain_(MakeFont({"Tahoma", 8})), underlined_(MakeFont({"Tahoma", 8, false, true}))
{
}

void TLinkLabel::Create(HWND parent, const char* text, int x, int y, int id)
{
    const SIZE size = TextSize(text, plain_.Get());
    CreateAs(kLinkLabelClass, 0, text, WS_CHILD | WS_VISIBLE, {x, y, size.cx, size.cy}, parent, id);
    SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(plain_.Get()), FALSE);
}

LRESULT TLinkLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: return OnPaint();
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEMOVE: return OnMouseMove();
    case WM_MOUSELEAVE: return OnMouseLeave();
    case WM_LBUTTONUP: return OnLButtonUp();
    case WM_GETFONT: return reinterpret_cast<LRESULT>(plain_.Get());
    default: return TWindow::HandleMessage(message, wParam, lParam);
    }
}

LRESULT TLinkLabel::OnPaint()
{
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(Handle(), &ps);
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(dc, &r, ParentFace(Handle(), dc));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kLinkBlue);
    const HGDIOBJ old = SelectObject(dc, hovering_ ? underlined_.Get() : plain_.Get());
    const std::string text = WindowText(Handle());
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(Handle(), &ps);
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

LRESULT TLinkLabel::OnLButtonUp()
{
    SendMessageA(GetParent(Handle()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Handle()), STN_CLICKED),
                 reinterpret_cast<LPARAM>(Handle()));
    return 0;
}

void TLinkLabel::SetHovering(bool hovering)
{
    hovering_ = hovering;
    InvalidateRect(Handle(), nullptr, TRUE);
}
