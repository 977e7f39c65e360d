// The hints of a window: one tooltip window that shows a text while the
// mouse rests on a control.
#pragma once

#include "common/handle.h"

class THints {
public:
    // Throws TWindowError when the tooltip window cannot be made.
    explicit THints(HWND owner);
    void Add(HWND control, const char* text);

private:
    HWND owner_;
    TWindowHandle tooltip_;
};
