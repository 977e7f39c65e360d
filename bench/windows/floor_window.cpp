// The fair floor of the start-up benchmark: a window with Purvane's
// manifest (comctl32 v6), the same system libraries (comctl32, shell32,
// uxtheme) and one common control, a progress bar, then its message loop.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>

namespace {

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "FloorWindow";
    if (!RegisterClassExA(&wc)) return 1;
    const HWND window = CreateWindowExA(0, "FloorWindow", "Floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 620, 600, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    const HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 56, 200, 521, 17, window, nullptr,
                                     instance, nullptr);
    SetWindowTheme(bar, L"", L"");  // uxtheme, as the program's bars
    DragAcceptFiles(window, FALSE);  // shell32, as the program's web links
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
