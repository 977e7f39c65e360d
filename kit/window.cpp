#include "kit/window.h"

#include <exception>
#include <utility>

TWindowError::TWindowError(const std::string& what) : std::runtime_error(what) {}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

namespace {

// The program's windows all live on its one thread.
std::exception_ptr pendingException;

void RegisterOnce(const TWindowClass& windowClass, WNDPROC proc)
{
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(Instance(), windowClass.Name, &existing)) return;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = windowClass.Style;
    wc.lpfnWndProc = proc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorA(nullptr, windowClass.Cursor);
    wc.hbrBackground = windowClass.Background;
    wc.lpszClassName = windowClass.Name;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw TWindowError(std::string("RegisterClassEx failed for ") + windowClass.Name);
}

} // namespace

void TWindow::CreateAs(const TWindowClass& windowClass, DWORD exStyle, const char* text, DWORD style,
                       const TBounds& b, HWND parent, int id)
{
    RegisterOnce(windowClass, &TWindow::WindowProc);
    const HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
    const HWND window = CreateWindowExA(exStyle, windowClass.Name, text, style, b.X, b.Y, b.Width, b.Height, parent,
                                        menu, Instance(), this);
    RethrowPendingException();
    if (!window) throw TWindowError(std::string("CreateWindowEx failed for ") + windowClass.Name);
}

LRESULT TWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(Handle(), message, wParam, lParam);
}

void RethrowPendingException()
{
    if (pendingException) std::rethrow_exception(std::exchange(pendingException, nullptr));
}

LRESULT CALLBACK TWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return Deliver(window, message, wParam, lParam);
    } catch (...) {
        if (!pendingException) pendingException = std::current_exception();
        if (message == WM_PAINT) ValidateRect(window, nullptr);  // else it would come back at once
        return message == WM_NCCREATE ? FALSE : 0;
    }
}

LRESULT TWindow::Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->handle_.Reset(window);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->handle_.Release();
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}
