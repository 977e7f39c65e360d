// A link label: blue text, underlined with the hand cursor while the mouse
// is over it, plain again when the mouse leaves. A click reaches the parent
// as WM_COMMAND with the label's id and STN_CLICKED. The label is a window of
// its own class that holds its text as its window text.
#pragma once

#include "kit/controls.h"
#include "kit/window.h"

class TLinkLabel : public TWindow {
public:
    TLinkLabel();
    void Create(HWND parent, const char* text, int x, int y, int id);
    bool Hovering() const { return hovering_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnPaint();
    LRESULT OnMouseMove();
    LRESULT OnMouseLeave();
    LRESULT OnLButtonUp();
    void SetHovering(bool hovering);

    TFont plain_;
    TFont underlined_;
    bool hovering_ = false;
};
