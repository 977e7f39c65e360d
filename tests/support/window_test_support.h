// Helpers of the window tests. What a modal window is to do once its own
// message loop runs is posted to it beforehand, as a user's click or key
// would arrive; a watchdog ends a showing that nothing ends. Real mouse
// input goes through the system to what lies under the cursor, and what a
// window painted is read back from the screen.
#pragma once

#include <windows.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

class TTopWindow;

// A click on button, taken when the modal loop that shows it runs.
void PostClick(HWND button);
// The messages a mouse click at control's centre makes (the left button
// down, then up), posted to it for a loop that has yet to run.
void PostMouseClick(HWND control);
// A key pressed on window (VK_RETURN, VK_ESCAPE, VK_TAB).
void PostKey(HWND window, WPARAM key);
// The window's own visible style, whether or not its parent is shown.
bool Shown(HWND window);
// Throws away what waits in the thread's queue, the quit request included.
void DiscardPendingMessages();

// The mouse, through the system's input: it moves to the centre of window,
// or to a point of its client area (its top-level window shown in front, and
// moved onto the screen first when the point lies outside), and its left
// button goes down or up there.
void MoveMouseOver(HWND window);
void MoveMouseTo(HWND window, POINT client);
void PressMouse();
void ReleaseMouse();
// A whole click at window's centre, or at a point of its client area.
void ClickWithTheMouse(HWND window);
void ClickWithTheMouse(HWND window, POINT client);
// Runs window's messages (the program's own loop) until done() is true;
// false when it is not within limitMs.
bool RunMessagesUntil(TTopWindow& window, const std::function<bool()>& done, DWORD limitMs = 5000);

// Where control lies in window's client area.
struct TPlace {
    int X, Y, Width, Height;
    bool operator==(const TPlace&) const = default;
};
std::ostream& operator<<(std::ostream& out, const TPlace& place);
TPlace PlaceIn(HWND control, HWND window);

// What window shows of its client area, read from the screen.
class TScreenPicture {
public:
    explicit TScreenPicture(HWND window);
    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const;
    // The pixels of the rectangle, row by row.
    std::vector<COLORREF> Part(const RECT& r) const;
    // Pixels of the rectangle that are not colour.
    int CountOtherThan(const RECT& r, COLORREF colour) const;

private:
    int width_, height_;
    std::vector<COLORREF> pixels_;
};

// While it lives, a modal window of the program that stays open longer than
// a showing ever takes is failed and closed: the click or key the test gave
// it was not acted on, and its loop would otherwise wait for the test's
// time limit. The test goes on with the window's close result.
class TModalWatchdog {
public:
    TModalWatchdog();
    ~TModalWatchdog();
    TModalWatchdog(const TModalWatchdog&) = delete;
    TModalWatchdog& operator=(const TModalWatchdog&) = delete;

private:
    UINT_PTR timer_;
};
