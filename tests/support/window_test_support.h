// Helpers of the window tests: what a modal window is to do once its own
// message loop runs is posted to it beforehand, as a user's click or key
// would arrive; message boxes and web pages are recorded instead of shown.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "main/platform_services.h"

// A click on button, taken when the modal loop that shows it runs.
void PostClick(HWND button);
// A key pressed on window (VK_RETURN, VK_ESCAPE, VK_TAB).
void PostKey(HWND window, WPARAM key);
// The window's own visible style, whether or not its parent is shown.
bool Shown(HWND window);
// Throws away what waits in the thread's queue, the quit request included.
void DiscardPendingMessages();

struct TShownBox {
    std::string Text, Caption;
    UINT Flags;
};

// Services that record message boxes and pages instead of showing them.
struct TRecordingServices {
    std::vector<TShownBox> Boxes;
    std::vector<std::string> Pages;
    TCalendarDate Date = {2013, 5, 1};
    DWORD MajorVersion = 10;
    std::string ExecutablePath;

    TPlatformServices Services();
};
