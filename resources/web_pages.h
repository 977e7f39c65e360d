// The two web pages the windows open, and how they are opened. Windows take
// the opener as a function, so tests count the pages without a browser.
//
// The program runs as an administrator, and the user's own registry
// (HKCU\Software\Classes, which the worm can write) chooses what "open" on
// an address runs. So a page is never opened by this process: it is handed
// to the signed-in user's shell, its desktop process, which opens it as that
// user. Where there is no such shell (none runs, the hand-over fails, or the
// program runs as SYSTEM), a box shows the address for the user to copy.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

extern const char* const PRODUCT_WEB_PAGE;
extern const char* const MAKER_HOME_PAGE;

// The box that gives the user an address to open: its caption, and its
// text for url.
extern const char* const WEB_ADDRESS_CAPTION;
std::string WebAddressText(const char* url);
constexpr UINT WEB_ADDRESS_BOX = MB_OK | MB_ICONINFORMATION;

// Opens url for the window; what happens next is not looked at.
using TWebOpener = std::function<void(HWND window, const char* url)>;

// What opening a page asks of the system.
class TPageOpening {
public:
    virtual ~TPageOpening() = default;
    // Whether the process runs as the LocalSystem account, which has no
    // user's shell to hand a page to.
    virtual bool RunsAsLocalSystem() = 0;
    // Hands url to the signed-in user's shell, which opens it as that user;
    // false when there is no such shell or it did not take the address.
    virtual bool OpenThroughDesktop(const char* url) = 0;
    // A message box owned by window.
    virtual void ShowBox(HWND window, const std::string& text, const char* caption, UINT flags) = 0;
};

// The user's shell opens url; where it cannot (or the process runs as
// SYSTEM, when it is not even asked), the address is shown in a box owned by
// window. Never the shell's "open" from this process.
void OpenPage(TPageOpening& system, HWND window, const char* url);

// OpenPage over the system's own: the shell's desktop process, reached
// through COM, and MessageBoxA.
void OpenWithShell(HWND window, const char* url);
