// The reference for the start-up benchmark: a program that only opens a
// window and runs its message loop.
#include <windows.h>

namespace {

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BareProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "BareWindow";
    if (!RegisterClassExA(&wc)) return 1;
    const HWND window = CreateWindowExA(0, "BareWindow", "Bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 620, 600, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
