// The base of every window class of the program: one C++ object per window,
// bound to its window at WM_NCCREATE and unbound at WM_NCDESTROY, so that a
// message never reaches an object that is gone.
//
// A C++ exception never unwinds through the system's code that called a
// window: WindowProc catches what a handler lets out, keeps the first one,
// and answers the message as handled (a paint's region counts as painted,
// a creation fails). The message loop rethrows it once DispatchMessage has
// returned (RethrowPendingException), so that it goes on through the
// program's own code to the code that runs the loop; the program's entry
// shows it and ends.
//
//   class TPanel : public TWindow { LRESULT HandleMessage(...) override; };
//   panel.CreateAs(kPanelClass, ...);   // throws TWindowError on failure
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "common/handle.h"

// A window class or window that could not be made: the program cannot show
// its interface.
class TWindowError : public std::runtime_error {
public:
    explicit TWindowError(const std::string& what);
};

// What a window class is made of; registered once per process.
struct TWindowClass {
    const char* Name;
    HBRUSH Background = nullptr;  // null: the window paints its whole face
    LPCSTR Cursor = IDC_ARROW;
    UINT Style = 0;
};

// The place and size of a window, in its parent's client coordinates.
struct TBounds {
    int X, Y, Width, Height;
};

class TWindow {
public:
    TWindow() = default;
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;
    virtual ~TWindow() = default;

    HWND Handle() const { return handle_.Get(); }

protected:
    // Registers the class if needed and creates the window, bound to this
    // object from its first message. Throws TWindowError on failure.
    void CreateAs(const TWindowClass& windowClass, DWORD exStyle, const char* text, DWORD style,
                  const TBounds& bounds, HWND parent, int id = 0);

    // Every message of the window; the default is DefWindowProcA.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Destroys the window with the object. A child window goes with its
    // parent first; WM_NCDESTROY then empties the owner.
    TWindowHandle handle_;
};

// The application's instance (the executable's module).
HINSTANCE Instance();

// Throws the exception a window's handler let out, if one waits.
void RethrowPendingException();
