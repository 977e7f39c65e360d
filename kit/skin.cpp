#include "kit/skin.h"

#include <uxtheme.h>

namespace {

BOOL CALLBACK DrawWithoutVisualStyles(HWND child, LPARAM)
{
    SetWindowTheme(child, L"", L"");
    return TRUE;
}

} // namespace

bool SkinWanted(DWORD windowsMajorVersion) { return windowsMajorVersion < 6; }

void ApplySkin(HWND window) { EnumChildWindows(window, &DrawWithoutVisualStyles, 0); }
