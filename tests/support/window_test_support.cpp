#include "tests/support/window_test_support.h"

void PostClick(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void PostKey(HWND window, WPARAM key) { PostMessageA(window, WM_KEYDOWN, key, 0); }

bool Shown(HWND window) { return GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE; }

void DiscardPendingMessages()
{
    MSG message;
    // Posted messages only: a window that waits to be painted stays in the
    // queue until it is.
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
    }
}

TPlatformServices TRecordingServices::Services()
{
    return {[this](HWND, const char* text, const char* caption, UINT flags) {
                Boxes.push_back({text, caption, flags});
                return IDOK;
            },
            [this](HWND, const char* url) { Pages.push_back(url); }, [this] { return Date; },
            [this] { return MajorVersion; }, [this] { return ExecutablePath; }};
}
