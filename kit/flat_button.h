// Flat buttons: owner-drawn push buttons (BS_OWNERDRAW) that keep their text
// as window text. Their parent draws them on WM_DRAWITEM with DrawFlatButton:
// a light face (RGB 250, 250, 250), a one-pixel grey border (128), a darker
// face while pressed (214), a focus frame inside the border.
#pragma once

#include <windows.h>

void DrawFlatButton(const DRAWITEMSTRUCT& item);
