#include "kit/drawing.h"

#include <cstring>
#include <map>
#include <vector>

TPaintDC::TPaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}

TPaintDC::~TPaintDC() { EndPaint(window_, &paint_); }

TWindowDC::TWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}

TWindowDC::~TWindowDC()
{
    if (dc_) ReleaseDC(window_, dc_);
}

TSelection::TSelection(HDC dc, HGDIOBJ object) : dc_(dc), replaced_(SelectObject(dc, object)) {}

TSelection::~TSelection()
{
    if (replaced_ && replaced_ != HGDI_ERROR) SelectObject(dc_, replaced_);
}

namespace {

TFont MakeFont(const TFontDescription& font)
{
    const TWindowDC screen(nullptr);
    const int height = -MulDiv(font.Points, GetDeviceCaps(screen.Get(), LOGPIXELSY), 72);
    return TFont(CreateFontA(height, 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL, FALSE, font.Underline, FALSE,
                             ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, font.Face));
}

bool SameFont(const TFontDescription& a, const TFontDescription& b)
{
    return std::strcmp(a.Face, b.Face) == 0 && a.Points == b.Points && a.Bold == b.Bold && a.Underline == b.Underline;
}

struct TMadeFont {
    TFontDescription Description;
    TFont Font;
};

} // namespace

// The program's windows all live on its one thread, which alone asks.
HFONT ProgramFont(const TFontDescription& font)
{
    static std::vector<TMadeFont> made;
    for (const TMadeFont& m : made)
        if (SameFont(m.Description, font)) return m.Font.Get();
    made.push_back({font, MakeFont(font)});
    return made.back().Font.Get();
}

HBRUSH SolidBrush(COLORREF colour)
{
    static std::map<COLORREF, TBrush> made;
    TBrush& brush = made[colour];
    if (!brush) brush.Reset(CreateSolidBrush(colour));
    return brush.Get();
}
