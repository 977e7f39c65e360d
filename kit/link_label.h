// A link label: blue text, underlined with the hand cursor while the mouse
// is over it, plain again when the mouse leaves. A click that starts and
// ends on it (the button pressed on the label, released on it) reaches the
// parent as WM_COMMAND with the label's id and STN_CLICKED; a button
// released on it after a press elsewhere is no click. The label is a window
// of its own class that holds its text as its window text.
#pragma once

#include "kit/controls.h"
#include "kit/window.h"

class TLinkLabel : public TWindow {
public:
    void Create(HWND parent, const char* text, int x, int y, int id);
    bool Hovering() const { return hovering_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnPaint();
    LRESULT OnMouseMove();
    LRESULT OnMouseLeave();
    LRESULT OnLButtonDown();
    LRESULT OnLButtonUp(LPARAM lParam);
    void SetHovering(bool hovering);

    bool hovering_ = false;
    bool pressed_ = false;  // the button went down on the label, and the label holds the mouse
};
