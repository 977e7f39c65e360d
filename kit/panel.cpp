#include "kit/panel.h"

#include "kit/drawing.h"

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
    if (const auto answer = look_.AnswerChild(message, wParam, lParam)) return *answer;
    switch (message) {
    case WM_PAINT: return OnPaint();
    case WM_ERASEBKGND: return 1;  // WM_PAINT fills the whole face
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM: return ToParent(message, wParam, lParam);
    default: return TWindow::HandleMessage(message, wParam, lParam);
    }
}

LRESULT TPanel::OnPaint()
{
    const TPaintDC dc(Handle());
    RECT r;
    GetClientRect(Handle(), &r);
    if (frame_ == TPanelFrame::Rounded) {
        // The corners outside the curve show the parent's face.
        FillRect(dc.Get(), &r, GetSysColorBrush(COLOR_BTNFACE));
        const TGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kFrameGrey));
        const TSelection framed(dc.Get(), pen.Get());
        const TSelection filled(dc.Get(), look_.BackgroundBrush());
        RoundRect(dc.Get(), r.left, r.top, r.right, r.bottom, kCornerRadius, kCornerRadius);
        return 0;
    }
    FillRect(dc.Get(), &r, look_.BackgroundBrush());
    if (frame_ == TPanelFrame::Thin) FrameRect(dc.Get(), &r, SolidBrush(kFrameGrey));
    if (frame_ == TPanelFrame::TopLine) {
        const RECT line = {r.left, r.top, r.right, r.top + 1};
        FillRect(dc.Get(), &line, SolidBrush(kFrameGrey));
    }
    return 0;
}

LRESULT TPanel::ToParent(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(GetParent(Handle()), message, wParam, lParam);
}
