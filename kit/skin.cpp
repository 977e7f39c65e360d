#include "kit/skin.h"

#include "common/module_export.h"
#include "common/system_library.h"

namespace {

using TSetWindowTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);

// SetWindowTheme from the system's UxTheme.dll, which is no KnownDLL and
// so is not imported: loaded from the system folder once, and kept for the
// program's life. Null where the library or the function is missing.
TSetWindowTheme SetWindowThemeFunction()
{
    static const TModuleHandle uxtheme = LoadSystemLibrary(L"uxtheme.dll");
    static const auto setWindowTheme = ModuleExport<TSetWindowTheme>(uxtheme.Get(), "SetWindowTheme");
    return setWindowTheme;
}

BOOL CALLBACK DrawChildWithoutVisualStyles(HWND child, LPARAM)
{
    DrawWithoutVisualStyles(child);
    return TRUE;
}

} // namespace

bool SkinWanted(DWORD windowsMajorVersion) { return windowsMajorVersion < 6; }

void DrawWithoutVisualStyles(HWND control)
{
    if (const TSetWindowTheme setWindowTheme = SetWindowThemeFunction()) setWindowTheme(control, L"", L"");
}

void ApplySkin(HWND window) { EnumChildWindows(window, &DrawChildWithoutVisualStyles, 0); }
