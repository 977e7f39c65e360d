#include "kit/window.h"

TWindowError::TWindowError(const std::string& what) : std::runtime_error(what) {}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

namespace {

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
    if (!window) throw TWindowError(std::string("CreateWindowEx failed for ") + windowClass.Name);
}

LRESULT TWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(Handle(), message, wParam, lParam);
}

LRESULT CALLBACK TWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
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
