// What the main window asks of the system beyond its own windows: message
// boxes, web pages, today's date, the system's version and the executable's
// path. Tests put their own functions in place of these.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "resources/web_pages.h"

struct TCalendarDate {
    int Year, Month, Day;
};

using TMessageBoxFunction = std::function<int(HWND owner, const char* text, const char* caption, UINT flags)>;

struct TPlatformServices {
    TMessageBoxFunction ShowMessageBox;
    TWebOpener OpenWebPage;
    std::function<TCalendarDate()> Today;
    std::function<DWORD()> WindowsMajorVersion;
    std::function<std::string()> ExecutablePath;
};

// The real ones: MessageBoxA, the shell, GetLocalTime, GetVersionExA and
// ExecutablePath (the path spelled exactly, or by its short form).
TPlatformServices SystemServices();
