#include "kit/panel.h"

namespace {

const TWindowClass kPanelClass = {"PurvanePanel"};
constexpr COLORREF kFrameGrey = RGB(160, 160, 160);
constexpr int kCornerRadius = 10;

} // namespace

TPanel::TPanel(COLORREF face, TPanelFrame frame) : look_(face), frame_(frame) {}

void TPanel::Create(HWND parent, const TBounds& bounds)
{
    CreateAs(kPanelClass, WS_EX_CONTROLPARENT, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, bounds, parent);
}

LRESULT TPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: return OnPaint();
    case WM_ERASEBKGND: return 1;  // WM_PAINT fills the whole face
    case WM_CTLCOLORSTATIC:
        return look_.OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORBTN: return reinterpret_cast<LRESULT>(look_.BackgroundBrush());
    case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM: return ToParent(message, wParam, lParam);
    default: return TWindow::HandleMessage(message, wParam, lParam);
    }
}

LRESULT TPanel::OnPaint()
{
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(Handle(), &ps);
    RECT r;
    GetClientRect(Handle(), &r);
    if (frame_ == TPanelFrame::Rounded) {
        // The corners outside the curve show the parent's face.
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        TGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kFrameGrey));
        const HGDIOBJ oldPen = SelectObject(dc, pen.Get());
        const HGDIOBJ oldBrush = SelectObject(dc, look_.BackgroundBrush());
        RoundRect(dc, r.left, r.top, r.right, r.bottom, kCornerRadius, kCornerRadius);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
    } else {
        FillRect(dc, &r, look_.BackgroundBrush());
        if (frame_ == TPanelFrame::Thin) {
            TBrush frame(CreateSolidBrush(kFrameGrey));
            FrameRect(dc, &r, frame.Get());
        } else if (frame_ == TPanelFrame::TopLine) {
            RECT line = {r.left, r.top, r.right, r.top + 1};
            TBrush lineBrush(CreateSolidBrush(kFrameGrey));
            FillRect(dc, &line, lineBrush.Get());
        }
    }
    EndPaint(Handle(), &ps);
    return 0;
}

LRESULT TPanel::OnSetCursor(WPARAM wParam, LPARAM lParam)
{
    if (look_.OnSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
    return TWindow::HandleMessage(WM_SETCURSOR, wParam, lParam);
}

LRESULT TPanel::ToParent(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(GetParent(Handle()), message, wParam, lParam);
}
