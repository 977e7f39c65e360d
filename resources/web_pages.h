// The two web pages the windows open, and how they are opened. Windows take
// the opener as a function, so tests count the pages without a browser.
#pragma once

#include <windows.h>

#include <functional>

extern const char* const PRODUCT_WEB_PAGE;
extern const char* const MAKER_HOME_PAGE;

// Opens url for the window; what happens next is not looked at.
using TWebOpener = std::function<void(HWND window, const char* url)>;

// The shell's "open" on url, shown normally.
void OpenWithShell(HWND window, const char* url);
