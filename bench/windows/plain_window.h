// The start-up benchmark's references open one top-level window and run
// its message loop; this is that window, with the children a reference adds.
#pragma once

#include <windows.h>

inline LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

// Opens a window of class className, gives it its children, and runs the
// message loop until the window is closed; the exit code.
inline int RunPlainWindow(HINSTANCE instance, const char* className, void (*addChildren)(HWND window) = nullptr)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    if (!RegisterClassExA(&wc)) return 1;
    const HWND window = CreateWindowExA(0, className, className, WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 620, 600, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    if (addChildren) addChildren(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
