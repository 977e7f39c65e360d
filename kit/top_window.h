// A top-level window of the program: the main window or a dialog. It sizes
// its frame around a client area, centres itself on the screen, gives back
// the keyboard focus to the control that last had it when it becomes active
// again, answers its static children and flat buttons, and can be shown
// modally. Keys: Enter presses the focused button (or the window's default
// action), Escape runs the window's escape action, Tab and mnemonics move
// and press as in a dialog.
#pragma once

#include <functional>
#include <optional>

#include "kit/control_look.h"
#include "kit/window.h"

struct TTopWindowShape {
    const char* Caption;
    DWORD Style;  // WS_CAPTION and the title-bar buttons wanted
    int ClientWidth, ClientHeight;
};

// The modal result of a window closed rather than answered: the one a
// cancel button gives.
constexpr int MODAL_RESULT_CANCEL = 2;

class TTopWindow : public TWindow {
public:
    explicit TTopWindow(COLORREF face);

    // Shows the window modally over owner (disabled meanwhile) and returns
    // its modal result once EndModal ran. However the showing ends, the
    // owner is enabled again and the window hidden.
    int ShowModal(HWND owner);

    // Enter, Escape, Tab and mnemonics for this window, from a message loop.
    // True when the message was used.
    bool HandleDialogKeys(MSG& message);

    // The control that gets the focus now or when the window is next active.
    void FocusControl(HWND control);

protected:
    void CreateTop(const TTopWindowShape& shape, HWND owner);
    void EndModal(int result);
    TControlLook& Look() { return look_; }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    virtual void OnCommand(int id, int code, HWND control);
    // The window is closing (close box, system menu, Alt+F4); the default
    // ends a modal showing with CloseResult (ShowModal hides the window).
    virtual void OnClose();
    // The window became active.
    virtual void OnActivated() {}
    // Enter: the focused push button is pressed.
    virtual void OnEnterKey();
    // Presses the focused push button of this window; false when none has the focus.
    bool ClickFocusedButton();
    virtual void OnEscapeKey() {}
    // The modal result of a showing ended by closing the window.
    virtual int CloseResult() const { return MODAL_RESULT_CANCEL; }

private:
    class TModalShowing;

    LRESULT OnActivate(WPARAM wParam);
    LRESULT OnDrawItem(LPARAM lParam);

    TControlLook look_;
    HWND lastFocus_ = nullptr;
    bool modal_ = false;
    int modalResult_ = 0;
};

// True when window is a push button (a flat one included).
bool IsPushButton(HWND window);

enum class TMessageWait { Wait, UntilEmpty };

// The program's one message loop: takes the thread's messages (waiting for
// each one, or until the queue is empty), gives keys to window's dialog
// keys first and dispatches the others. Before each message it rethrows an
// exception that a handler let out, and stops once done() is true; without
// waiting it also stops at an empty queue. It returns the exit code when it
// took the quit request (WM_QUIT), which is then the caller's to keep.
std::optional<int> RunMessages(TTopWindow& window, TMessageWait wait, const std::function<bool()>& done);
