#include "kit/top_window.h"

#include "kit/flat_button.h"

namespace {

const TWindowClass kTopWindowClass = {"PurvaneTopWindow", nullptr};

} // namespace

bool IsPushButton(HWND window)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpiA(className, "Button") != 0) return false;
    const LONG_PTR type = GetWindowLongPtrA(window, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

TTopWindow::TTopWindow(COLORREF face) : look_(face) {}

void TTopWindow::CreateTop(const TTopWindowShape& shape, HWND owner)
{
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | shape.Style;
    const DWORD exStyle = WS_EX_CONTROLPARENT | (owner ? WS_EX_DLGMODALFRAME : 0);
    RECT frame = {0, 0, shape.ClientWidth, shape.ClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    CreateAs(kTopWindowClass, exStyle, shape.Caption, style, {x, y, width, height}, owner);
}

void TTopWindow::FocusControl(HWND control)
{
    lastFocus_ = control;
    if (GetActiveWindow() == Handle()) SetFocus(control);
}

int TTopWindow::ShowModal(HWND owner)
{
    modal_ = true;
    modalResult_ = 0;
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    MSG message;
    while (modal_) {
        if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
            // The application is ending: the quit request stays for the outer loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            modal_ = false;
            modalResult_ = CloseResult();
            break;
        }
        if (HandleDialogKeys(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // The owner is enabled again before the window goes, so it takes the activation back.
    if (owner) EnableWindow(owner, TRUE);
    ShowWindow(Handle(), SW_HIDE);
    return modalResult_;
}

void TTopWindow::EndModal(int result)
{
    modalResult_ = result;
    modal_ = false;
}

bool TTopWindow::HandleDialogKeys(MSG& message)
{
    if (message.hwnd != Handle() && !IsChild(Handle(), message.hwnd)) return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        OnEnterKey();
        return true;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
        OnEscapeKey();
        return true;
    }
    return IsDialogMessageA(Handle(), &message);
}

bool TTopWindow::ClickFocusedButton()
{
    const HWND focus = GetFocus();
    if (!focus || !IsChild(Handle(), focus) || !IsPushButton(focus)) return false;
    SendMessageA(focus, BM_CLICK, 0, 0);
    return true;
}

void TTopWindow::OnEnterKey() { ClickFocusedButton(); }

void TTopWindow::OnCommand(int, int, HWND) {}

void TTopWindow::OnClose()
{
    if (modal_)
        EndModal(CloseResult());
    else
        ShowWindow(Handle(), SW_HIDE);
}

LRESULT TTopWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE: return OnActivate(wParam);
    case WM_CLOSE: OnClose(); return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, look_.BackgroundBrush());
        return 1;
    }
    case WM_CTLCOLORSTATIC:
        return look_.OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORBTN: return reinterpret_cast<LRESULT>(look_.BackgroundBrush());
    case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
    case WM_DRAWITEM: return OnDrawItem(lParam);
    default: return TWindow::HandleMessage(message, wParam, lParam);
    }
}

LRESULT TTopWindow::OnActivate(WPARAM wParam)
{
    if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(Handle(), focus)) lastFocus_ = focus;
        return 0;
    }
    if (!lastFocus_ || !IsWindowVisible(lastFocus_)) lastFocus_ = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    if (lastFocus_) SetFocus(lastFocus_);
    OnActivated();
    return 0;
}

LRESULT TTopWindow::OnSetCursor(WPARAM wParam, LPARAM lParam)
{
    if (look_.OnSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
    return TWindow::HandleMessage(WM_SETCURSOR, wParam, lParam);
}

LRESULT TTopWindow::OnDrawItem(LPARAM lParam)
{
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item->CtlType != ODT_BUTTON) return FALSE;
    DrawFlatButton(*item);
    return TRUE;
}
