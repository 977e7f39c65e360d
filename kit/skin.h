// The window skin. Systems before Windows Vista (major version below 6) get
// it: there the program's controls are drawn by the kit's classic look
// instead of the system's visual styles, the same plain look on every
// system; later systems keep their visual styles.
#pragma once

#include <windows.h>

bool SkinWanted(DWORD windowsMajorVersion);

// Draws control in the classic look, without the system's visual styles;
// where the system has no UxTheme.dll (or no SetWindowTheme in it), the
// control keeps its default look.
void DrawWithoutVisualStyles(HWND control);

// Draws every control of window without visual styles.
void ApplySkin(HWND window);
