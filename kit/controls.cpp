#include "kit/controls.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "kit/skin.h"

namespace {

HWND AddChild(const char* className, const char* text, DWORD style, const TBounds& b, HWND parent, int id,
              DWORD exStyle = 0)
{
    const HWND child = CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, b.X, b.Y, b.Width,
                                       b.Height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(),
                                       nullptr);
    if (!child) throw TWindowError(std::string("CreateWindowEx failed for a ") + className);
    return child;
}

void SetFont(HWND window, HFONT font) { SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE); }

} // namespace

// A memory DC compatible with the screen measures as a window's would, and
// needs no window, so a label can be made at its final size.
SIZE TextSize(const std::string& text, HFONT font)
{
    SIZE size = {0, 0};
    const TMemoryDC dc(CreateCompatibleDC(nullptr));
    if (!dc) return size;
    const TSelection selected(dc.Get(), font);
    TEXTMETRICA metrics;
    GetTextMetricsA(dc.Get(), &metrics);
    GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    size.cy = metrics.tmHeight;
    return size;
}

std::string WindowText(HWND window)
{
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1);
    const int n = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), static_cast<std::size_t>(n > 0 ? n : 0));
}

HBRUSH ParentFace(HWND child, HDC dc)
{
    const auto face = reinterpret_cast<HBRUSH>(
        SendMessageA(GetParent(child), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child)));
    return face ? face : GetSysColorBrush(COLOR_BTNFACE);
}

void FitLabelToText(HWND label)
{
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
    const SIZE size = TextSize(WindowText(label), font);
    SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND AddLabel(HWND parent, const char* text, int x, int y, HFONT font)
{
    const SIZE size = TextSize(text, font);
    const HWND label = AddChild("STATIC", text, SS_LEFT | SS_NOPREFIX, {x, y, size.cx, size.cy}, parent, 0);
    SetFont(label, font);
    return label;
}

HWND AddWrappedLabel(HWND parent, const char* text, const TBounds& bounds, HFONT font)
{
    const HWND label = AddChild("STATIC", text, SS_LEFT | SS_NOPREFIX, bounds, parent, 0);
    SetFont(label, font);
    return label;
}

HWND AddButton(HWND parent, const char* text, int id, const TBounds& bounds, HFONT font, DWORD style)
{
    const HWND button = AddChild("BUTTON", text, WS_TABSTOP | style, bounds, parent, id);
    SetFont(button, font);
    return button;
}

HWND AddIconPicture(HWND parent, int resourceId, const TBounds& b, int id, bool notify)
{
    const HWND picture = AddChild("STATIC", "", SS_ICON | SS_REALSIZECONTROL | (notify ? SS_NOTIFY : 0), b, parent, id);
    // A shared icon from the resources: the system frees it with the module.
    const HANDLE icon = LoadImageA(Instance(), MAKEINTRESOURCEA(resourceId), IMAGE_ICON, b.Width, b.Height, LR_SHARED);
    SendMessageA(picture, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    SetWindowPos(picture, nullptr, b.X, b.Y, b.Width, b.Height, SWP_NOZORDER | SWP_NOACTIVATE);
    return picture;
}

HWND AddBitmapPicture(HWND parent, HBITMAP bitmap, const TBounds& b, int id, bool notify)
{
    const HWND picture = AddChild("STATIC", "", SS_BITMAP | (notify ? SS_NOTIFY : 0), b, parent, id);
    SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    return picture;
}

HWND AddBevel(HWND parent, int x, int y, int width)
{
    return AddChild("STATIC", "", SS_ETCHEDHORZ, {x, y, width, 2}, parent, 0);
}

HWND AddMarqueeBar(HWND parent, const TBounds& bounds, COLORREF colour)
{
    const HWND bar = AddChild(PROGRESS_CLASSA, "", 0, bounds, parent, 0);
    // Visual styles draw their own bar colour; without them the bar takes ours.
    DrawWithoutVisualStyles(bar);
    SendMessageA(bar, PBM_SETRANGE32, 0, 100);
    SendMessageA(bar, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(colour));
    return bar;
}

HWND AddListBox(HWND parent, const TBounds& bounds, HFONT font, int id)
{
    const HWND list = AddChild("LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, bounds,
                               parent, id, WS_EX_CLIENTEDGE);
    SetFont(list, font);
    return list;
}
