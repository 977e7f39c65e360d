// A top-level window of the program: the main window or a dialog. It sizes
// its frame around a client area, centres itself on the screen, gives back
// the keyboard focus to the control that last had it when it becomes active
// again, answers its static children and flat buttons, and can be shown
// modally. Keys: Enter presses the focused button (or the window's default
// action), Escape runs the window's escape action, Tab and mnemonics move
// and press as in a dialog.
#pragma once

#include "kit/control_look.h"
#include "kit/window.h"

struct TTopWindowShape {
    const char* Caption;
    DWORD Style;  // WS_CAPTION and the title-bar buttons wanted
    int ClientWidth, ClientHeight;
};

class TTopWindow : public TWindow {
public:
    explicit TTopWindow(COLORREF face);

    // Shows the window modally over owner (disabled meanwhile) and returns
    // its modal result once EndModal ran.
    int ShowModal(HWND owner);
    bool Modal() const { return modal_; }

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
    virtual int CloseResult() const { return 2; }

private:
    LRESULT OnActivate(WPARAM wParam);
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    LRESULT OnDrawItem(LPARAM lParam);

    TControlLook look_;
    HWND lastFocus_ = nullptr;
    bool modal_ = false;
    int modalResult_ = 0;
};

// True when window is a push button (a flat one included).
bool IsPushButton(HWND window);
