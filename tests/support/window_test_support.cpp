#include "tests/support/window_test_support.h"

#include <gtest/gtest.h>

#include "kit/controls.h"
#include "kit/top_window.h"

namespace {

// Longer than any showing takes, a loaded machine included.
constexpr UINT kModalLimitMs = 30000;

void SendMouse(DWORD flags, LONG x = 0, LONG y = 0)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dx = x;
    input.mi.dy = y;
    SendInput(1, &input, sizeof input);
}

// A shown window whose owner is disabled is in a modal showing.
BOOL CALLBACK CloseModalWindow(HWND window, LPARAM)
{
    const HWND owner = GetWindow(window, GW_OWNER);
    if (!IsWindowVisible(window) || !owner || IsWindowEnabled(owner)) return TRUE;
    ADD_FAILURE() << "\"" << WindowText(window) << "\" was still open after " << kModalLimitMs / 1000
                  << " s: the click or key it was given was not acted on; the watchdog closed it";
    PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

void CALLBACK CloseModalWindows(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), &CloseModalWindow, 0);
}

} // namespace

void PostClick(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void PostMouseClick(HWND control)
{
    RECT r;
    GetClientRect(control, &r);
    const LPARAM centre = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    PostMessageA(control, WM_LBUTTONUP, 0, centre);
}

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

void MoveMouseTo(HWND window, POINT client)
{
    const HWND top = GetAncestor(window, GA_ROOT);
    ShowWindow(top, SW_SHOW);
    SetForegroundWindow(top);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    POINT at = client;
    ClientToScreen(window, &at);
    if (at.x < 0 || at.x >= width || at.y < 0 || at.y >= height) {
        RECT frame;
        GetWindowRect(top, &frame);
        SetWindowPos(top, nullptr, frame.left + width / 2 - at.x, frame.top + height / 2 - at.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        at = client;
        ClientToScreen(window, &at);
    }
    UpdateWindow(top);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, MulDiv(at.x, 65535, width - 1), MulDiv(at.y, 65535, height - 1));
}

void MoveMouseOver(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    MoveMouseTo(window, {r.right / 2, r.bottom / 2});
}

void PressMouse() { SendMouse(MOUSEEVENTF_LEFTDOWN); }

void ReleaseMouse() { SendMouse(MOUSEEVENTF_LEFTUP); }

void ClickWithTheMouse(HWND window)
{
    MoveMouseOver(window);
    PressMouse();
    ReleaseMouse();
}

void ClickWithTheMouse(HWND window, POINT client)
{
    MoveMouseTo(window, client);
    PressMouse();
    ReleaseMouse();
}

bool RunMessagesUntil(TTopWindow& window, const std::function<bool()>& done, DWORD limitMs)
{
    const ULONGLONG end = GetTickCount64() + limitMs;
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        if (const std::optional<int> quit = RunMessages(window, TMessageWait::UntilEmpty, done)) {
            PostQuitMessage(*quit);
            return done();
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::ostream& operator<<(std::ostream& out, const TPlace& p)
{
    return out << "{" << p.X << ", " << p.Y << ", " << p.Width << ", " << p.Height << "}";
}

TPlace PlaceIn(HWND control, HWND window)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

TScreenPicture::TScreenPicture(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const TWindowDC screen(window);
    const TMemoryDC memory(CreateCompatibleDC(screen.Get()));
    const TBitmap bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        const TSelection selected(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, width_, height_, screen.Get(), 0, 0, SRCCOPY);
    }
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < width_ * height_; ++i) {
        const std::uint32_t p = pixels[i];  // 0x00RRGGBB
        pixels_.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    }
}

COLORREF TScreenPicture::At(int x, int y) const
{
    if (x < 0 || x >= width_ || y < 0 || y >= height_) return CLR_INVALID;
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
}

std::vector<COLORREF> TScreenPicture::Part(const RECT& r) const
{
    std::vector<COLORREF> part;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) part.push_back(At(x, y));
    return part;
}

int TScreenPicture::CountOtherThan(const RECT& r, COLORREF colour) const
{
    int count = 0;
    for (const COLORREF pixel : Part(r)) count += pixel != colour;
    return count;
}

TModalWatchdog::TModalWatchdog() : timer_(SetTimer(nullptr, 0, kModalLimitMs, &CloseModalWindows)) {}

TModalWatchdog::~TModalWatchdog() { KillTimer(nullptr, timer_); }
