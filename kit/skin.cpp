#include "kit/skin.h"

#include <uxtheme.h>

bool SkinWanted(DWORD windowsMajorVersion) { return windowsMajorVersion < 6; }

void ApplySkin(HWND window)
{
    EnumChildWindows(
        window,
        [](HWND child, LPARAM) -> BOOL {
            SetWindowTheme(child, L"", L"");
            return TRUE;
        },
        0);
}
