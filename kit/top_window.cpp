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

// For the time of a showing: the owner disabled, the window shown; then,
// however the showing ends, the owner enabled again before the window goes,
// so that it takes the activation back, and the window hidden.
class TTopWindow::TModalShowing {
public:
    TModalShowing(TTopWindow& window, HWND owner) : window_(window), owner_(owner)
    {
        window_.modal_ = true;
        window_.modalResult_ = 0;
        if (owner_) EnableWindow(owner_, FALSE);
        ShowWindow(window_.Handle(), SW_SHOW);
        SetForegroundWindow(window_.Handle());
    }
    ~TModalShowing()
    {
        window_.modal_ = false;
        if (owner_) EnableWindow(owner_, TRUE);
        ShowWindow(window_.Handle(), SW_HIDE);
    }
    TModalShowing(const TModalShowing&) = delete;
    TModalShowing& operator=(const TModalShowing&) = delete;

private:
    TTopWindow& window_;
    HWND owner_;
};

int TTopWindow::ShowModal(HWND owner)
{
    const TModalShowing showing(*this, owner);
    if (const std::optional<int> quit = RunMessages(*this, TMessageWait::Wait, [this] { return !modal_; })) {
        // The application is ending: the quit request stays for the outer loop.
        PostQuitMessage(*quit);
        modalResult_ = CloseResult();
    }
    return modalResult_;
}

void TTopWindow::EndModal(int result)
{
    modalResult_ = result;
    modal_ = false;
}

bool TTopWindow::HandleDialogKeys(MSG& message)
{
    if (!Handle() || (message.hwnd != Handle() && !IsChild(Handle(), message.hwnd))) return false;
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
    if (const auto answer = look_.AnswerChild(message, wParam, lParam)) return *answer;
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

LRESULT TTopWindow::OnDrawItem(LPARAM lParam)
{
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item->CtlType != ODT_BUTTON) return FALSE;
    DrawFlatButton(*item);
    return TRUE;
}

std::optional<int> RunMessages(TTopWindow& window, TMessageWait wait, const std::function<bool()>& done)
{
    MSG message = {};
    for (;;) {
        RethrowPendingException();
        if (done()) return std::nullopt;
        if (wait == TMessageWait::Wait) {
            if (GetMessageA(&message, nullptr, 0, 0) <= 0) return static_cast<int>(message.wParam);
        } else {
            if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return std::nullopt;
            if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
        }
        if (!window.HandleDialogKeys(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
