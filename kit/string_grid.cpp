#include "kit/string_grid.h"

#include <algorithm>

namespace {

const TWindowClass kStringGridClass = {"PurvaneStringGrid", nullptr, IDC_ARROW, CS_HREDRAW | CS_VREDRAW};
constexpr COLORREF kTitleGrey = RGB(224, 224, 224);
constexpr COLORREF kLineGrey = RGB(192, 192, 192);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kTextMargin = 3;
const TFontDescription kCellFont = {"Tahoma", 8};
const TFontDescription kTitleFont = {"Tahoma", 8, true};

} // namespace

TStringGrid::TStringGrid(std::vector<int> columnWidths, int rowCount, int rowHeight)
    : columnWidths_(std::move(columnWidths)), rowCount_(rowCount), rowHeight_(rowHeight),
      cells_(columnWidths_.size() * static_cast<std::size_t>(rowCount))
{
}

void TStringGrid::Create(HWND parent, const TBounds& bounds, int id)
{
    CreateAs(kStringGridClass, WS_EX_CLIENTEDGE, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL,
             bounds, parent, id);
    UpdateScrollBars();
}

bool TStringGrid::Inside(int column, int row) const
{
    return column >= 0 && column < ColumnCount() && row >= 0 && row < rowCount_;
}

TStringGrid::TCell& TStringGrid::At(int column, int row)
{
    return cells_[static_cast<std::size_t>(row) * columnWidths_.size() + static_cast<std::size_t>(column)];
}

const TStringGrid::TCell& TStringGrid::At(int column, int row) const
{
    return cells_[static_cast<std::size_t>(row) * columnWidths_.size() + static_cast<std::size_t>(column)];
}

std::string TStringGrid::Cell(int column, int row) const { return Inside(column, row) ? At(column, row).Text : ""; }

void TStringGrid::SetCell(int column, int row, const std::string& text)
{
    if (!Inside(column, row)) return;
    At(column, row).Text = text;
    if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TStringGrid::SetCentered(int column, int row, bool centered)
{
    if (!Inside(column, row)) return;
    At(column, row).Centered = centered;
    if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TStringGrid::ClearCells()
{
    std::fill(cells_.begin(), cells_.end(), TCell{});
    if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

std::string TStringGrid::Text() const
{
    std::string text;
    for (int row = 0; row < rowCount_; ++row) {
        for (int column = 0; column < ColumnCount(); ++column) text += (column ? "\t" : "") + At(column, row).Text;
        text += "\r\n";
    }
    return text;
}

// Copies as much of the text as fits, with its terminating zero.
LRESULT TStringGrid::OnGetText(WPARAM size, LPARAM buffer) const
{
    if (size == 0 || buffer == 0) return 0;
    const std::string text = Text();
    const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
    char* out = reinterpret_cast<char*>(buffer);
    text.copy(out, count);
    out[count] = '\0';
    return static_cast<LRESULT>(count);
}

LRESULT TStringGrid::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: return OnPaint();
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: return OnSize();
    case WM_VSCROLL: return OnVScroll(wParam);
    case WM_HSCROLL: return OnHScroll(wParam);
    case WM_LBUTTONDOWN: return OnLButtonDown(lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(Handle(), nullptr, FALSE); return 0;
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(Text().size());
    case WM_GETTEXT: return OnGetText(wParam, lParam);
    default: return TWindow::HandleMessage(message, wParam, lParam);
    }
}

int TStringGrid::ContentWidth() const
{
    int width = 0;
    for (int w : columnWidths_) width += w + 1;
    return width;
}

int TStringGrid::VisibleScrollingRows() const
{
    RECT r;
    GetClientRect(Handle(), &r);
    return std::max(1, static_cast<int>((r.bottom - (rowHeight_ + 1)) / (rowHeight_ + 1)));
}

void TStringGrid::UpdateScrollBars()
{
    RECT r;
    GetClientRect(Handle(), &r);
    SCROLLINFO v = {sizeof v, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 1, rowCount_ - 1,
                    static_cast<UINT>(VisibleScrollingRows()), topRow_, 0};
    SetScrollInfo(Handle(), SB_VERT, &v, TRUE);
    SCROLLINFO h = {sizeof h, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, ContentWidth() - 1,
                    static_cast<UINT>(std::max<LONG>(1, r.right)), leftPixel_, 0};
    SetScrollInfo(Handle(), SB_HORZ, &h, TRUE);
}

LRESULT TStringGrid::OnSize()
{
    UpdateScrollBars();
    return 0;
}

int TStringGrid::ScrollTarget(WPARAM wParam, int current, int page, int max)
{
    switch (LOWORD(wParam)) {
    case SB_LINEUP: return current - 1;
    case SB_LINEDOWN: return current + 1;
    case SB_PAGEUP: return current - page;
    case SB_PAGEDOWN: return current + page;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return HIWORD(wParam);
    case SB_TOP: return 0;
    case SB_BOTTOM: return max;
    default: return current;
    }
}

LRESULT TStringGrid::OnVScroll(WPARAM wParam)
{
    const int page = VisibleScrollingRows();
    const int last = std::max(1, rowCount_ - page);
    topRow_ = std::clamp(ScrollTarget(wParam, topRow_, page, last), 1, last);
    UpdateScrollBars();
    InvalidateRect(Handle(), nullptr, FALSE);
    return 0;
}

LRESULT TStringGrid::OnHScroll(WPARAM wParam)
{
    RECT r;
    GetClientRect(Handle(), &r);
    const int last = std::max<int>(0, ContentWidth() - r.right);
    leftPixel_ = std::clamp(ScrollTarget(wParam, leftPixel_, r.right, last), 0, last);
    UpdateScrollBars();
    InvalidateRect(Handle(), nullptr, FALSE);
    return 0;
}

LRESULT TStringGrid::OnLButtonDown(LPARAM lParam)
{
    SetFocus(Handle());
    const int y = static_cast<short>(HIWORD(lParam));
    const int line = y / (rowHeight_ + 1);
    if (line >= 1) {
        const int row = topRow_ + line - 1;
        if (row < rowCount_) selectedRow_ = row;  // no highlight: the grid only lists results
        InvalidateRect(Handle(), nullptr, FALSE);
    }
    return 0;
}

void TStringGrid::PaintCell(HDC dc, int column, int row, const RECT& r) const
{
    const bool title = row == 0;
    FillRect(dc, &r, SolidBrush(title ? kTitleGrey : kWhite));
    const TCell& cell = At(column, row);
    if (cell.Text.empty()) return;
    const TSelection font(dc, ProgramFont(title ? kTitleFont : kCellFont));
    RECT text = {r.left + kTextMargin, r.top, r.right - kTextMargin, r.bottom};
    DrawTextA(dc, cell.Text.c_str(), static_cast<int>(cell.Text.size()), &text,
              (cell.Centered ? DT_CENTER : DT_LEFT) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// The title row, then the rows from topRow_ down, each followed by a line;
// with the focus, a dotted frame around the selected row.
LRESULT TStringGrid::OnPaint()
{
    const TPaintDC dc(Handle());
    RECT client;
    GetClientRect(Handle(), &client);
    FillRect(dc.Get(), &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc.Get(), TRANSPARENT);
    SetTextColor(dc.Get(), RGB(0, 0, 0));
    const HBRUSH line = SolidBrush(kLineGrey);
    const int right = ContentWidth() - leftPixel_;
    int y = 0;
    for (int row = 0; row < rowCount_ && y < client.bottom; row = (row == 0 ? topRow_ : row + 1)) {
        int x = -leftPixel_;
        for (int column = 0; column < ColumnCount(); ++column) {
            const RECT cell = {x, y, x + columnWidths_[column], y + rowHeight_};
            PaintCell(dc.Get(), column, row, cell);
            const RECT vertical = {cell.right, y, cell.right + 1, y + rowHeight_ + 1};
            FillRect(dc.Get(), &vertical, line);
            x = cell.right + 1;
        }
        const RECT horizontal = {-leftPixel_, y + rowHeight_, right, y + rowHeight_ + 1};
        FillRect(dc.Get(), &horizontal, line);
        if (row == selectedRow_ && GetFocus() == Handle()) {
            const RECT mark = {-leftPixel_, y, right - 1, y + rowHeight_};
            DrawFocusRect(dc.Get(), &mark);
        }
        y += rowHeight_ + 1;
    }
    return 0;
}
