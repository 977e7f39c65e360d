// A one-line label whose text changes for every object a run meets. Setting
// its text paints it at once, and only its own rectangle: its parent's face
// (as the parent answers WM_CTLCOLORSTATIC, text colour included), then the
// text, cut with an ellipsis when too long. Nothing behind it is erased or
// repainted, and no paint message is waited for. The label holds its text
// itself and answers WM_GETTEXT and WM_SETTEXT, so outside readers and
// SetWindowText see it as any window's text.
#pragma once

#include <string>

#include "kit/window.h"

class TStatusLabel : public TWindow {
public:
    void Create(HWND parent, int x, int y, int width, HFONT font);
    void SetText(const std::string& text);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    LRESULT OnGetText(WPARAM size, LPARAM buffer) const;

    std::string text_;
    HFONT font_ = nullptr;
};
