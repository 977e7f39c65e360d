#include "kit/status_label.h"

#include <algorithm>
#include <cstring>

#include "kit/controls.h"

namespace {

const TWindowClass kStatusLabelClass = {"PurvaneStatusLabel"};

} // namespace

void TStatusLabel::Create(HWND parent, int x, int y, int width, HFONT font)
{
    font_ = font;
    CreateAs(kStatusLabelClass, 0, "", WS_CHILD | WS_VISIBLE, {x, y, width, TextSize("", font).cy}, parent);
}

void TStatusLabel::SetText(const std::string& text)
{
    text_ = text;
    const TWindowDC dc(Handle());
    if (dc) Paint(dc.Get());
}

LRESULT TStatusLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        const TPaintDC dc(Handle());
        Paint(dc.Get());
        return 0;
    }
    case WM_ERASEBKGND: return 1;  // the paint fills the whole label
    case WM_SETTEXT:
        SetText(lParam ? reinterpret_cast<const char*>(lParam) : "");
        return TRUE;
    case WM_GETTEXT: return OnGetText(wParam, lParam);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(text_.size());
    case WM_SETFONT: font_ = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    default: return TWindow::HandleMessage(message, wParam, lParam);
    }
}

void TStatusLabel::Paint(HDC dc)
{
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(dc, &r, ParentFace(Handle(), dc));
    const TSelection font(dc, font_);
    DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &r,
              DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

LRESULT TStatusLabel::OnGetText(WPARAM size, LPARAM buffer) const
{
    if (size == 0 || !buffer) return 0;
    const std::size_t copied = std::min<std::size_t>(text_.size(), size - 1);
    auto* out = reinterpret_cast<char*>(buffer);
    std::memcpy(out, text_.data(), copied);
    out[copied] = '\0';
    return static_cast<LRESULT>(copied);
}
