// A string grid of fixed shape: its columns and rows never change in number,
// row 0 is a title row (grey, bold), lines run between all cells, a click
// selects a whole row without highlighting it, a dotted frame marks the
// selected row while the grid has the focus, and both scroll bars move the
// view (the title row stays in place). Writing to a cell outside the grid
// changes nothing. The window's text is the cells', row by row, so that
// screen readers and outside test drivers can read it.
#pragma once

#include <string>
#include <vector>

#include "kit/controls.h"
#include "kit/window.h"

class TStringGrid : public TWindow {
public:
    TStringGrid(std::vector<int> columnWidths, int rowCount, int rowHeight);
    void Create(HWND parent, const TBounds& bounds, int id);

    int ColumnCount() const { return static_cast<int>(columnWidths_.size()); }
    int RowCount() const { return rowCount_; }
    // The cell's text; empty outside the grid.
    std::string Cell(int column, int row) const;
    void SetCell(int column, int row, const std::string& text);
    void SetCentered(int column, int row, bool centered);
    void ClearCells();
    // Every row, title row first, as "cell<TAB>cell..." lines ending in CR LF.
    std::string Text() const;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct TCell {
        std::string Text;
        bool Centered = false;
    };

    LRESULT OnPaint();
    LRESULT OnSize();
    LRESULT OnVScroll(WPARAM wParam);
    LRESULT OnHScroll(WPARAM wParam);
    LRESULT OnLButtonDown(LPARAM lParam);
    LRESULT OnGetText(WPARAM size, LPARAM buffer) const;
    bool Inside(int column, int row) const;
    TCell& At(int column, int row);
    const TCell& At(int column, int row) const;
    int ContentWidth() const;
    int VisibleScrollingRows() const;
    void UpdateScrollBars();
    void PaintCell(HDC dc, int column, int row, const RECT& r) const;
    static int ScrollTarget(WPARAM wParam, int current, int page, int max);

    std::vector<int> columnWidths_;
    int rowCount_;
    int rowHeight_;
    std::vector<TCell> cells_;
    int topRow_ = 1;     // first row shown below the title row
    int leftPixel_ = 0;  // horizontal scroll position
    int selectedRow_ = 1;
};
