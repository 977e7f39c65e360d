// The fair floor of the start-up benchmark: a window with Purvane's
// manifest (comctl32 v6), the same system libraries (comctl32, shell32,
// uxtheme) and one common control, a progress bar, then its message loop.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>

#include "bench/windows/plain_window.h"

namespace {

void AddBar(HWND window)
{
    const HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 56, 200, 521, 17, window, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
    SetWindowTheme(bar, L"", L"");  // uxtheme, as the program's bars
    DragAcceptFiles(window, FALSE);  // shell32, as the program's quarantine folder
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    return RunPlainWindow(instance, "FloorWindow", AddBar);
}
