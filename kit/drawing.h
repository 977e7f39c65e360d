// What the kit draws with: owners for a paint's device context, a window's
// device context and an object selected into a context, and the program's
// shared fonts and brushes, one of each kind for the whole program.
//
//   const TPaintDC dc(Handle());                    // BeginPaint ... EndPaint
//   const TSelection font(dc.Get(), ProgramFont({"Tahoma", 8}));
//   FillRect(dc.Get(), &r, SolidBrush(RGB(240, 240, 240)));
#pragma once

#include <windows.h>

#include "common/handle.h"

using TFont = TGdiObject<HFONT>;
using TBrush = TGdiObject<HBRUSH>;
using TBitmap = TGdiObject<HBITMAP>;

// BeginPaint on construction, EndPaint on destruction.
class TPaintDC {
public:
    explicit TPaintDC(HWND window);
    ~TPaintDC();
    TPaintDC(const TPaintDC&) = delete;
    TPaintDC& operator=(const TPaintDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_ = {};
    HDC dc_;
};

// GetDC on construction (null: the screen's), ReleaseDC on destruction.
class TWindowDC {
public:
    explicit TWindowDC(HWND window);
    ~TWindowDC();
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Selects object into dc; the object it replaced is selected again on
// destruction.
class TSelection {
public:
    TSelection(HDC dc, HGDIOBJ object);
    ~TSelection();
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ replaced_;
};

struct TFontDescription {
    const char* Face;
    int Points;
    bool Bold = false;
    bool Underline = false;
};

// The program's font of that description, at the screen's resolution: made
// at the first call, the same handle at every later one, kept until the
// program ends. Null when the system cannot make it (the system font shows).
HFONT ProgramFont(const TFontDescription& font);
// The program's solid brush of colour, made at the first call and kept
// until the program ends.
HBRUSH SolidBrush(COLORREF colour);
