/* A harmless sample with one top-level window. Built twice: the closing
   one ends when it receives WM_CLOSE; the stubborn one (STUBBORN defined)
   ignores WM_CLOSE and sets the event named by its second argument each
   time one arrives.
   Arguments: [ready-event [close-seen-event]]. */
#include "sample_common.h"

#ifdef STUBBORN
__attribute__((used)) static const char MARKER[] = "PURVANE-TEST-PROCESS-STUBBORN: harmless test sample";
#else
__attribute__((used)) static const char MARKER[] = "PURVANE-TEST-PROCESS-WINDOW: harmless test sample";
#endif

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
#ifdef STUBBORN
        {
            HANDLE seen = EventArgument(2);
            if (seen) SetEvent(seen);
        }
        return 0;
#else
        DestroyWindow(window);
        return 0;
#endif
    case WM_DESTROY:
        PostQuitMessage(EXIT_CLOSED);
        return 0;
    case WM_TIMER:
        ExitProcess(EXIT_EXPIRED);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous; (void)commandLine; (void)show;
    WNDCLASSA windowClass = {0};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "PurvaneProcessSample";
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowA(windowClass.lpszClassName, MARKER, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                NULL, NULL, instance, NULL);
    if (!window) return 1;
    SetTimer(window, 1, SAMPLE_LIFETIME_MS, NULL);
    SignalReady(1);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
