// Flat buttons: owner-drawn push buttons (BS_OWNERDRAW) that keep their text
// as window text. Their parent draws them on WM_DRAWITEM with DrawFlatButton:
// a light face, a one-pixel grey border, darker while pressed, a focus frame.
#pragma once

#include <windows.h>

void DrawFlatButton(const DRAWITEMSTRUCT& item);
