#include "kit/hints.h"

#include <commctrl.h>

#include "kit/window.h"

THints::THints(HWND owner)
    : owner_(owner),
      tooltip_(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, Instance(),
                               nullptr))
{
    if (!tooltip_) throw TWindowError("CreateWindowEx failed for the hints");
}

void THints::Add(HWND control, const char* text)
{
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(tooltip_.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}
