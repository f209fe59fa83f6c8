#include <gtest/gtest.h>

#include "filelist/GridCells.h"

namespace pixmarl {
namespace {

std::vector<int> Selected(const TGridCells& cells)
{
    std::vector<int> selected;
    for (int i = 0; i < cells.Count(); ++i) {
        if (cells.IsSelected(i))
            selected.push_back(i);
    }
    return selected;
}

// A grid of count items in a client area of cols small cells by rows.
TGridCells Grid(int count, int cols, int rows = 3)
{
    TGridCells cells;
    cells.SetClientSize(cols * 128 + 20, rows * 128 + 5);
    cells.Reset(count);
    return cells;
}

QPoint CellPoint(const TGridCells& cells, int index, QPoint offset = {64, 64})
{
    const QPoint cell = cells.IndexToCell(index);
    return cells.CellRect(cell.x(), cell.y()).topLeft() + offset;
}

TEST(GridCells, LayoutFollowsWidthAndCount)
{
    TGridCells cells;
    cells.SetClientSize(500, 300);
    cells.Reset(7);
    EXPECT_EQ(cells.ColCount(), 3);
    EXPECT_EQ(cells.RowCount(), 3);
    EXPECT_EQ(cells.VisibleCells(), 6);
    EXPECT_EQ(cells.IndexAt({200, 300}), -1);  // the two cells after the last item
    cells.SetClientSize(60, 60);
    EXPECT_EQ(cells.ColCount(), 1);
    EXPECT_EQ(cells.VisibleCells(), 0);

    const int edges[][2] = {{64, 96}, {96, 128}, {156, 188}, {288, 320}, {400, 432}};
    for (int s = tsMini; s <= tsMaxi; ++s) {
        cells.SetSize(TThumbSize(s));
        EXPECT_EQ(cells.ThumbWidth(), edges[s - 1][0]);
        EXPECT_EQ(cells.ColWidth(), edges[s - 1][1]);
        EXPECT_EQ(cells.ClickMargin(), 10);
    }
    EXPECT_FALSE(cells.SetSize(tsMaxi));
    EXPECT_FALSE(cells.SetSize(tsUser));
    EXPECT_TRUE(cells.SetSize(tsMini));
    cells.SetNameStripHeight(30);
    EXPECT_EQ(cells.RowHeight(), 96 + 30);
}

TEST(GridCells, ResizeKeepsTheFirstVisibleItem)
{
    TGridCells cells = Grid(100, 4);
    cells.SetTopRow(5);
    EXPECT_EQ(cells.FirstVisibleIndex(), 20);
    cells.SetClientSize(3 * 128, 3 * 128);
    EXPECT_EQ(cells.TopRow(), 6);  // item 20 is in row 6 of three columns
    cells.SetClientSize(10 * 128, 3 * 128);
    EXPECT_EQ(cells.TopRow(), 1);  // 18 (first of row 6) now sits in row 1
    EXPECT_TRUE(cells.SetTopRow(99));
    EXPECT_FALSE(cells.SetTopRow(99));
    EXPECT_EQ(cells.MaxTopRow(), 10 - 3);
}

TEST(GridCells, PressesInTheClickMarginOrPastTheItemsDoNothing)
{
    TGridCells cells = Grid(7, 3);
    const std::uint64_t before = cells.SelectionSerial();
    for (QPoint offset : {QPoint(5, 64), QPoint(64, 5), QPoint(123, 64), QPoint(64, 122)})
        EXPECT_FALSE(cells.PressLeft(CellPoint(cells, 4, offset), {}).handled);
    EXPECT_FALSE(cells.PressRight(CellPoint(cells, 8)).handled);
    EXPECT_EQ(cells.SelectionSerial(), before);
    EXPECT_TRUE(cells.PressLeft(CellPoint(cells, 4, {10, 10}), {}).handled);
    EXPECT_EQ(cells.Index(), 4);
}

TEST(GridCells, MouseSelectionRules)
{
    TGridCells cells = Grid(12, 4);
    EXPECT_TRUE(Selected(cells).empty());  // a reset selects nothing
    for (int i : {1, 5, 9})
        cells.PressLeft(CellPoint(cells, i), Qt::ControlModifier);
    EXPECT_EQ(Selected(cells), (std::vector<int>{1, 5, 9}));
    EXPECT_EQ(cells.Index(), 0);  // Ctrl-clicks do not move the current item
    cells.InvertSelection();
    EXPECT_EQ(Selected(cells), (std::vector<int>{0, 2, 3, 4, 6, 7, 8, 10, 11}));

    // A plain press on the selection keeps it for a drag; the release selects that one.
    const auto press = cells.PressLeft(CellPoint(cells, 7), {});
    EXPECT_TRUE(press.dragStart);
    EXPECT_EQ(Selected(cells).size(), 9u);
    cells.ReleaseWithoutDrag(7);
    EXPECT_EQ(Selected(cells), std::vector<int>{7});

    // Shift makes the pressed item the far end of a range from the current one.
    cells.PressLeft(CellPoint(cells, 2), Qt::ShiftModifier);
    EXPECT_EQ(Selected(cells), (std::vector<int>{2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(cells.Index(), 7);
    // Right on the selection keeps it; elsewhere it selects that item alone.
    cells.PressRight(CellPoint(cells, 4));
    EXPECT_EQ(cells.Index(), 4);
    EXPECT_EQ(Selected(cells).size(), 6u);
    cells.PressRight(CellPoint(cells, 10));
    EXPECT_EQ(Selected(cells), std::vector<int>{10});
    // Dragging from a fresh press selects a range to the item under the pointer.
    cells.PressLeft(CellPoint(cells, 1), {});
    cells.DragSelectTo(CellPoint(cells, 6));
    EXPECT_EQ(Selected(cells), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(GridCells, Keys)
{
    const auto C = Qt::ControlModifier;
    const auto S = Qt::ShiftModifier;
    // 10 items in 4 columns, 2 rows visible: rows 0..2, the last holding 8 and 9.
    const struct {
        int from;
        int key;
        Qt::KeyboardModifiers mods;
        int to;
    } cases[] = {
        {5, Qt::Key_End, C, 9},      {1, Qt::Key_End, {}, 3},      {9, Qt::Key_Right, {}, 9},
        {8, Qt::Key_End, {}, 9},     {4, Qt::Key_Left, {}, 3},     {3, Qt::Key_Right, {}, 4},
        {0, Qt::Key_Left, {}, 0},    {6, Qt::Key_Down, {}, 9},     {9, Qt::Key_Down, {}, 9},
        {5, Qt::Key_Up, {}, 1},      {1, Qt::Key_Up, {}, 1},       {6, Qt::Key_Home, {}, 4},
        {6, Qt::Key_Home, C, 0},     {2, Qt::Key_PageDown, {}, 9}, {7, Qt::Key_PageUp, {}, 3},
        {1, Qt::Key_PageDown, C, 5}, {9, Qt::Key_Up, C, 9},
    };
    for (const auto& c : cases) {
        TGridCells cells = Grid(10, 4, 2);
        cells.SetIndex(c.from);
        EXPECT_TRUE(cells.HandleKey(c.key, c.mods));
        EXPECT_EQ(cells.Index(), c.to) << c.from << " key " << std::hex << c.key;
        EXPECT_EQ(Selected(cells), std::vector<int>{c.to});
    }
    TGridCells cells = Grid(10, 4, 2);
    cells.SetIndex(1);
    cells.HandleKey(Qt::Key_Down, S);
    cells.HandleKey(Qt::Key_Right, S);
    EXPECT_EQ(Selected(cells), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(cells.HandleKey(Qt::Key_Down, C));  // scrolls, the current item stays
    EXPECT_EQ(cells.TopRow(), 1);
    EXPECT_EQ(cells.Index(), 6);
    EXPECT_FALSE(cells.HandleKey(Qt::Key_A, {}));
}

TEST(GridCells, FewerItemsForgetTheSelectionBeyondThem)
{
    TGridCells cells = Grid(10, 4);
    cells.SelectAll();
    cells.SetCount(4, false);
    cells.SetCount(10, false);  // files added by a later refresh
    EXPECT_EQ(Selected(cells), (std::vector<int>{0, 1, 2, 3}));

    cells.SetIndex(1);
    cells.HandleKey(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    cells.SetCount(3, false);
    EXPECT_EQ(cells.Index(), 2);
    cells.SetCount(10, false);
    EXPECT_EQ(Selected(cells), (std::vector<int>{1, 2}));
    cells.SetCount(0, false);
    EXPECT_EQ(cells.SelectedCount(), 0);
}

}  // namespace
}  // namespace pixmarl
