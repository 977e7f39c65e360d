// The kit's controls on a window of their own, shown on the virtual display:
// what they paint is read back from the screen, and the mouse is the
// system's.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "kit/controls.h"
#include "kit/link_label.h"
#include "kit/panel.h"
#include "kit/string_grid.h"
#include "kit/top_window.h"
#include "tests/support/window_test_support.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
using TCommand = std::pair<int, int>;  // id, notification code

// A top window that records the commands its children send.
class THost : public TTopWindow {
public:
    explicit THost(HWND owner = nullptr) : TTopWindow(kWhite)
    {
        CreateTop({"Kit", WS_CAPTION | WS_SYSMENU, 320, 240}, owner);
    }
    void Show()
    {
        ShowWindow(Handle(), SW_SHOW);
        SetForegroundWindow(Handle());
        UpdateWindow(Handle());
    }

    std::vector<TCommand> commands;

protected:
    void OnCommand(int id, int code, HWND) override { commands.push_back({id, code}); }
};

// Lets the messages that wait through, the mouse's included, for a moment.
void Settle(THost& host)
{
    RunMessagesUntil(host, [] { return false; }, 300);
}

// --- The grid ---------------------------------------------------------------

constexpr int kRowHeight = 21;
const std::vector<int> kColumnWidths = {40, 80, 60};
constexpr int kRows = 8;

class GridTest : public ::testing::Test {
protected:
    GridTest() : grid_(kColumnWidths, kRows, kRowHeight)
    {
        grid_.Create(host_.Handle(), {10, 10, 200, 110}, 5);
        button_ = AddButton(host_.Handle(), "OK", 6, {220, 10, 60, 25}, nullptr);
        host_.Show();
        SetFocus(button_);
    }
    ~GridTest() override { DiscardPendingMessages(); }

    // The cell's rectangle in the grid's client area, line 0 being the title
    // row and line 1 the first row below it.
    static RECT CellRect(int column, int line)
    {
        int x = 0;
        for (int c = 0; c < column; ++c) x += kColumnWidths[static_cast<std::size_t>(c)] + 1;
        const int y = line * (kRowHeight + 1);
        return {x, y, x + kColumnWidths[static_cast<std::size_t>(column)], y + kRowHeight};
    }
    // The whole of a line, its cells and their lines.
    static RECT LineRect(int line)
    {
        const RECT last = CellRect(static_cast<int>(kColumnWidths.size()) - 1, line);
        return {0, last.top, last.right + 1, last.bottom + 1};
    }
    TScreenPicture Picture()
    {
        UpdateWindow(grid_.Handle());
        return TScreenPicture(grid_.Handle());
    }
    void Scroll(UINT message, WORD request)
    {
        SendMessageA(grid_.Handle(), message, MAKEWPARAM(request, 0), 0);
    }

    THost host_;
    TStringGrid grid_;
    HWND button_ = nullptr;
};

TEST_F(GridTest, WritesOutsideTheGridChangeNothing)
{
    grid_.SetCell(0, 0, "title");
    grid_.SetCell(2, 7, "last");
    std::string rows = "title\t\t\r\n";
    for (int row = 1; row < 7; ++row) rows += "\t\t\r\n";
    rows += "\t\tlast\r\n";
    ASSERT_EQ(WindowText(grid_.Handle()), rows);
    const std::pair<int, int> outside[] = {{-1, 0}, {3, 0}, {0, -1}, {0, 8}, {3, 8}, {-1, -1}, {1000, 1000}};
    for (const auto& [column, row] : outside) {
        grid_.SetCell(column, row, "x");
        grid_.SetCentered(column, row, true);
        EXPECT_EQ(grid_.Cell(column, row), "") << column << ", " << row;
    }
    EXPECT_EQ(WindowText(grid_.Handle()), rows);
    EXPECT_EQ(grid_.Text(), rows);
    grid_.ClearCells();
    EXPECT_EQ(grid_.Cell(0, 0), "");
    EXPECT_EQ(grid_.Cell(2, 7), "");
}

// The title row is grey and its text bold; it stays in place while the rows
// below scroll.
TEST_F(GridTest, TheTitleRowIsGreyBoldAndStays)
{
    for (int row = 0; row < kRows; ++row) grid_.SetCell(1, row, "Objet");
    const TScreenPicture before = Picture();
    const RECT title = CellRect(1, 0), body = CellRect(1, 1);
    EXPECT_EQ(before.At(title.left + 1, title.top + 1), RGB(224, 224, 224));
    EXPECT_EQ(before.At(body.left + 1, body.top + 1), kWhite);
    EXPECT_EQ(before.At(title.right, title.top + 1), RGB(192, 192, 192)) << "the line after a cell";
    const int titleInk = before.CountOtherThan(title, RGB(224, 224, 224));
    const int bodyInk = before.CountOtherThan(body, kWhite);
    EXPECT_GT(bodyInk, 0);
    EXPECT_GT(titleInk, bodyInk) << "the same text, bold in the title row";

    Scroll(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(Picture().Part(LineRect(0)), before.Part(LineRect(0)));
}

// A click selects a row with no highlight; while the grid has the focus a
// dotted frame marks the selected row, and only it.
TEST_F(GridTest, SelectionShowsOnlyAsAFocusMark)
{
    const RECT row2 = LineRect(2);
    const RECT inside = {row2.left + 1, row2.top + 1, row2.right - 3, row2.bottom - 3};
    const TScreenPicture unfocused = Picture();
    for (int line = 1; line <= 3; ++line)
        EXPECT_EQ(unfocused.CountOtherThan(CellRect(0, line), kWhite), 0) << "no mark without the focus";

    ClickWithTheMouse(grid_.Handle(), {5, row2.top + 5});
    ASSERT_TRUE(RunMessagesUntil(host_, [&] { return GetFocus() == grid_.Handle(); })) << "a click gives the focus";
    const TScreenPicture focused = Picture();
    const RECT topEdge = {row2.left, row2.top, row2.right - 2, row2.top + 1};
    EXPECT_GT(focused.CountOtherThan(topEdge, kWhite), (topEdge.right - topEdge.left) / 4) << "the dotted frame";
    EXPECT_EQ(focused.Part(inside), unfocused.Part(inside)) << "no highlight inside the selected row";
    for (int line : {1, 3}) EXPECT_EQ(focused.CountOtherThan(CellRect(0, line), kWhite), 0) << line;

    SetFocus(button_);
    EXPECT_EQ(Picture().Part(LineRect(2)), unfocused.Part(LineRect(2))) << "the mark goes with the focus";
}

TEST_F(GridTest, ScrollBarsMoveTheRowsAndTheColumns)
{
    for (int row = 1; row < kRows; ++row) grid_.SetCell(1, row, std::string(static_cast<std::size_t>(row), 'W'));
    const TScreenPicture top = Picture();
    EXPECT_EQ(GetScrollPos(grid_.Handle(), SB_VERT), 1);

    Scroll(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(GetScrollPos(grid_.Handle(), SB_VERT), 2);
    const TScreenPicture down = Picture();
    EXPECT_EQ(down.Part(LineRect(1)), top.Part(LineRect(2))) << "row 2 comes first";
    EXPECT_EQ(down.Part(LineRect(2)), top.Part(LineRect(3)));

    RECT client;
    GetClientRect(grid_.Handle(), &client);
    const int page = (client.bottom - (kRowHeight + 1)) / (kRowHeight + 1);
    Scroll(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(GetScrollPos(grid_.Handle(), SB_VERT), kRows - page);
    Scroll(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(GetScrollPos(grid_.Handle(), SB_VERT), kRows - page) << "no further than the last row";
    Scroll(WM_VSCROLL, SB_TOP);
    EXPECT_EQ(GetScrollPos(grid_.Handle(), SB_VERT), 1) << "the title row is never scrolled away";
    EXPECT_EQ(Picture().Part(client), top.Part(client));

    Scroll(WM_HSCROLL, SB_LINEDOWN);
    EXPECT_EQ(GetScrollPos(grid_.Handle(), SB_HORZ), 1);
    const TScreenPicture right = Picture();
    const RECT shifted = {0, 0, client.right - 1, client.bottom};
    const RECT unshifted = {1, 0, client.right, client.bottom};
    EXPECT_EQ(right.Part(shifted), top.Part(unshifted)) << "every column one pixel to the left";
    const int contentWidth = 40 + 80 + 60 + 3;
    Scroll(WM_HSCROLL, SB_BOTTOM);
    EXPECT_EQ(GetScrollPos(grid_.Handle(), SB_HORZ), contentWidth - client.right);
}

// --- The link label ---------------------------------------------------------

constexpr int kLinkId = 7;

TEST(LinkLabel, OpensOnAClickThatStartsAndEndsOnIt)
{
    struct TCase {
        const char* what;
        bool pressOnIt, releaseOnIt;
        std::vector<TCommand> commands;
    };
    const TCase cases[] = {
        {"a click on it", true, true, {{kLinkId, STN_CLICKED}}},
        {"pressed beside it, released on it", false, true, {}},
        {"pressed on it, released beside it", true, false, {}},
    };
    for (const TCase& c : cases) {
        THost host;
        TLinkLabel link;
        link.Create(host.Handle(), "Web", 40, 100, kLinkId);
        host.Show();
        auto mouseTo = [&](bool onIt) {
            if (onIt)
                MoveMouseOver(link.Handle());
            else
                MoveMouseTo(host.Handle(), {200, 40});
        };
        mouseTo(c.pressOnIt);
        PressMouse();
        Settle(host);
        mouseTo(c.releaseOnIt);
        ReleaseMouse();
        Settle(host);
        EXPECT_EQ(host.commands, c.commands) << c.what;
        EXPECT_NE(GetCapture(), link.Handle()) << c.what << ": the mouse is let go";
    }
}

TEST(LinkLabel, UnderlinedWhileTheMouseIsOverIt)
{
    THost host;
    TLinkLabel link;
    link.Create(host.Handle(), "Web", 40, 100, kLinkId);
    host.Show();
    MoveMouseTo(host.Handle(), {200, 40});
    Settle(host);
    const TScreenPicture plain(link.Handle());
    MoveMouseOver(link.Handle());
    ASSERT_TRUE(RunMessagesUntil(host, [&] { return link.Hovering(); }));
    UpdateWindow(link.Handle());
    const TScreenPicture underlined(link.Handle());
    const RECT bottom = {0, underlined.Height() - 3, underlined.Width(), underlined.Height()};
    EXPECT_GT(underlined.CountOtherThan(bottom, kWhite), plain.CountOtherThan(bottom, kWhite));
    MoveMouseTo(host.Handle(), {200, 40});
    EXPECT_TRUE(RunMessagesUntil(host, [&] { return !link.Hovering(); })) << "plain again when the mouse leaves";
}

// --- Shared fonts and brushes -------------------------------------------------

TEST(Drawing, OneFontPerDescriptionAndOneBrushPerColour)
{
    const HFONT tahoma = ProgramFont({"Tahoma", 8});
    ASSERT_NE(tahoma, nullptr);
    EXPECT_EQ(ProgramFont({"Tahoma", 8}), tahoma);
    EXPECT_NE(ProgramFont({"Tahoma", 8, true}), tahoma);
    EXPECT_NE(ProgramFont({"Tahoma", 8, false, true}), tahoma);
    THost host;
    TLinkLabel first, second;
    first.Create(host.Handle(), "a", 0, 0, 1);
    second.Create(host.Handle(), "b", 0, 20, 2);
    for (const TLinkLabel* link : {&first, &second})
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(link->Handle(), WM_GETFONT, 0, 0)), tahoma);
    EXPECT_EQ(SolidBrush(RGB(1, 2, 3)), SolidBrush(RGB(1, 2, 3)));
    EXPECT_NE(SolidBrush(RGB(1, 2, 3)), SolidBrush(RGB(3, 2, 1)));
}

// --- The flat button ----------------------------------------------------------

constexpr int kButtonId = 9;
constexpr COLORREF kFace = RGB(250, 250, 250), kPressedFace = RGB(214, 214, 214), kBorder = RGB(128, 128, 128);

// On its window or in a panel (which passes the drawing and the click up),
// the button draws its border and face, darker while pressed, a dotted frame
// with the focus, and its click reaches the window.
TEST(FlatButton, DrawsItsStatesAndReportsItsClick)
{
    for (const bool inPanel : {false, true}) {
        THost host;
        TPanel panel(RGB(240, 240, 240), TPanelFrame::None);
        panel.Create(host.Handle(), {10, 140, 200, 80});
        const HWND parent = inPanel ? panel.Handle() : host.Handle();
        const HWND other = AddButton(host.Handle(), "other", 8, {220, 60, 60, 25}, nullptr);
        const HWND button = AddButton(parent, "&OK", kButtonId, {100, inPanel ? 20 : 60, 75, 25},
                                      ProgramFont({"Tahoma", 8}), BS_OWNERDRAW);
        host.Show();
        SetFocus(other);
        auto picture = [&] {
            UpdateWindow(host.Handle());
            UpdateWindow(button);
            return TScreenPicture(button);
        };
        const char* const where = inPanel ? "in a panel" : "on its window";
        const TScreenPicture idle = picture();
        const int w = idle.Width(), h = idle.Height();
        EXPECT_EQ(idle.At(0, 0), kBorder) << where;
        EXPECT_EQ(idle.At(w - 1, h - 1), kBorder) << where;
        EXPECT_EQ(idle.At(1, 1), kFace) << where;
        const RECT focusLine = {3, 3, w - 3, 4};
        EXPECT_EQ(idle.CountOtherThan(focusLine, kFace), 0) << where;
        EXPECT_GT(idle.CountOtherThan({3, 4, w - 3, h - 4}, kFace), 0) << where << ": its text";

        SendMessageA(button, BM_SETSTATE, TRUE, 0);
        EXPECT_EQ(picture().At(1, 1), kPressedFace) << where;
        SendMessageA(button, BM_SETSTATE, FALSE, 0);

        SetFocus(button);
        EXPECT_GT(picture().CountOtherThan(focusLine, kFace), 0) << where << ": the focus frame";

        ClickWithTheMouse(button);
        EXPECT_TRUE(RunMessagesUntil(host, [&] { return !host.commands.empty(); })) << where;
        EXPECT_EQ(host.commands, (std::vector<TCommand>{{kButtonId, BN_CLICKED}})) << where;
        DiscardPendingMessages();
    }
}

// --- The exception barrier ------------------------------------------------------

// A window whose handler throws on WM_APP.
class TThrowingWindow : public TWindow {
public:
    void Create(HWND parent) { CreateAs({"KitTestThrowing"}, 0, "", WS_CHILD | WS_VISIBLE, {0, 0, 10, 10}, parent); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_APP) throw std::runtime_error("thrown by a handler");
        return TWindow::HandleMessage(message, wParam, lParam);
    }
};

std::string WhatTheLoopThrows(THost& host)
{
    try {
        RunMessages(host, TMessageWait::UntilEmpty, [] { return false; });
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "nothing";
}

// What a handler throws never goes through the system's code that called
// it: the call returns, and the message loop throws it next.
TEST(ExceptionBarrier, TheLoopRethrowsWhatAHandlerLetOut)
{
    THost host;
    TThrowingWindow window;
    window.Create(host.Handle());
    LRESULT result = -1;
    EXPECT_NO_THROW(result = SendMessageA(window.Handle(), WM_APP, 0, 0));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(WhatTheLoopThrows(host), "thrown by a handler");
    EXPECT_EQ(WhatTheLoopThrows(host), "nothing") << "thrown once";

    PostMessageA(window.Handle(), WM_APP, 0, 0);
    EXPECT_EQ(WhatTheLoopThrows(host), "thrown by a handler");
}

// A modal showing that ends with an exception still enables its owner again
// and hides its window.
TEST(ExceptionBarrier, AModalShowingEndsCleanlyOnAnException)
{
    THost owner;
    owner.Show();
    THost dialog(owner.Handle());
    TThrowingWindow window;
    window.Create(dialog.Handle());
    PostMessageA(window.Handle(), WM_APP, 0, 0);
    EXPECT_THROW(dialog.ShowModal(owner.Handle()), std::runtime_error);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(Shown(dialog.Handle()));
}

} // namespace
