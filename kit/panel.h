// A plain area that holds controls: the white framed areas, the page that
// shows no tabs, the light-grey bands and the curved-corner panel. It paints
// its face and frame, colours its static children, and passes its children's
// notifications (commands, drawing of flat buttons) up to its parent, so the
// window that owns the handlers gets them wherever the control sits.
#pragma once

#include "kit/control_look.h"
#include "kit/window.h"

enum class TPanelFrame { None, Thin, TopLine, Rounded };

class TPanel : public TWindow {
public:
    TPanel(COLORREF face, TPanelFrame frame);
    void Create(HWND parent, const TBounds& bounds);
    TControlLook& Look() { return look_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnPaint();
    LRESULT ToParent(UINT message, WPARAM wParam, LPARAM lParam);

    TControlLook look_;
    TPanelFrame frame_;
};
