// The standard child controls the windows are made of, each a real child
// window that carries its own text, and the fonts they use. Child windows
// belong to their parent, which destroys them with itself; the handles kept
// of them are references, not owners.
#pragma once

#include <windows.h>

#include "kit/drawing.h"
#include "kit/window.h"

// The light grey of bands and dialog faces (red, green, blue 240).
constexpr COLORREF LIGHT_GREY = RGB(240, 240, 240);

// A label sized to its text in font, on one line; a wrapped one breaks its
// text into lines within bounds. Both throw TWindowError when they cannot be
// made.
HWND AddLabel(HWND parent, const char* text, int x, int y, HFONT font);
HWND AddWrappedLabel(HWND parent, const char* text, const TBounds& bounds, HFONT font);
// Gives a label the width and height of its text in its own font.
void FitLabelToText(HWND label);
// The width of text in font and the font's line height.
SIZE TextSize(const std::string& text, HFONT font);

HWND AddButton(HWND parent, const char* text, int id, const TBounds& bounds, HFONT font, DWORD style = BS_PUSHBUTTON);
// A picture from the program's resources. With notify it reports clicks and
// takes the mouse, so that a hint shows over it; without, the mouse goes
// through it to its parent.
HWND AddIconPicture(HWND parent, int resourceId, const TBounds& bounds, int id = 0, bool notify = false);
HWND AddBitmapPicture(HWND parent, HBITMAP bitmap, const TBounds& bounds, int id, bool notify);
// A sunken horizontal line two pixels high.
HWND AddBevel(HWND parent, int x, int y, int width);
// A progress bar in range 0 to 100, in the given colour; its owner turns
// the marquee style on and off.
HWND AddMarqueeBar(HWND parent, const TBounds& bounds, COLORREF colour);
HWND AddListBox(HWND parent, const TBounds& bounds, HFONT font, int id);

// A child's text (Windows-1252), as the control holds it.
std::string WindowText(HWND window);
// The face a static child paints on, as its parent answers
// WM_CTLCOLORSTATIC (which also sets the text colour and mode of dc); the
// dialog face when the parent gives none.
HBRUSH ParentFace(HWND child, HDC dc);
