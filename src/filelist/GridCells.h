#pragma once

// The thumbnail grid's arithmetic, without a screen: the five thumbnail sizes, how many columns
// and rows the items take in a client area, which cells are visible, which item a point hits,
// and the selection (the current item, the anchor, and a single, range or explicit set), moved by
// keys and mouse presses as the grid widget reports them. The widget only paints and forwards.
//
// A flat list laid out row by row: cell (col, row) shows item row x ColCount + col. The current
// item and the anchor are item indices, so a resize keeps them on the same items. Scrolling is by
// whole rows (TopRow); the grid never scrolls by columns, since the columns follow the width.
//
// Plain value type; any thread, though the grid uses it on the GUI thread only.

#include <cstdint>
#include <vector>

#include <QPoint>
#include <QRect>
#include <Qt>

namespace pixmarl {

enum TThumbSize : std::uint8_t { tsUser, tsMini, tsSmall, tsMedium, tsLarge, tsMaxi };

// The thumbnail edge of a size (64, 96, 156, 288, 400 pixels; 0 for tsUser) and its cell edge,
// 32 pixels more.
int ThumbEdge(TThumbSize size);
int CellEdge(TThumbSize size);

class TGridCells {
public:
    // How the selected items are given: none (after a reset; the current item is not selected),
    // the current item alone, every item between the anchor and the current one, or a set.
    enum TSelectMode : std::uint8_t { smNone, smSingle, smRange, smExplicit };

    struct TPress {
        bool handled = false;    // false: outside the items or in the click margin
        bool dragStart = false;  // pressed on the selection: it is kept for a drag
        bool selecting = false;  // a left press that selects while the pointer is dragged
    };

    TGridCells();

    // Geometry.
    TThumbSize Size() const { return size_; }
    // Ignored (false) for tsUser or the current size. Keeps the first visible item at the top.
    bool SetSize(TThumbSize size);
    // The height of the name strip under each cell; 0 when no names are shown.
    void SetNameStripHeight(int height);
    // The client area changed: keeps the first visible item in the top row.
    void SetClientSize(int width, int height);
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    int ThumbWidth() const { return ThumbEdge(size_); }
    int ColWidth() const { return CellEdge(size_); }
    int RowHeight() const { return CellEdge(size_) + nameStrip_; }
    int NameStripHeight() const { return nameStrip_; }
    int ColCount() const { return colCount_; }
    int RowCount() const;
    // Pixels inside each cell edge where presses are ignored: 10 for every size.
    int ClickMargin() const { return (CellEdge(size_) - ThumbEdge(size_) - 12) / 2; }
    // Whole rows and columns the client area shows, and their product.
    int VisibleRows() const { return clientHeight_ / RowHeight(); }
    int VisibleCols() const { return clientWidth_ / ColWidth(); }
    int VisibleCells() const { return VisibleCols() * VisibleRows(); }

    // Scrolling by rows.
    int TopRow() const { return topRow_; }
    int MaxTopRow() const;
    // Clamped to 0..MaxTopRow; true when the top row changed.
    bool SetTopRow(int row);
    int FirstVisibleIndex() const { return topRow_ * colCount_; }

    int CellToIndex(int col, int row) const { return row * colCount_ + col; }
    QPoint IndexToCell(int index) const { return {index % colCount_, index / colCount_}; }
    // The rectangle of a cell in client coordinates (the top row at y = 0).
    QRect CellRect(int col, int row) const;
    // The item under a client point, or -1 outside the items; inMargin when the point lies in
    // the click margin of its cell.
    int IndexAt(QPoint point, bool* inMargin = nullptr) const;

    // Items.
    int Count() const { return count_; }
    // A new folder: current item 0, scrolled to the top, nothing selected.
    void Reset(int count);
    // atTop: current item and scroll position back to the top; else the current item and the
    // anchor stay, moved back onto the last item when they lie beyond it. Selected items beyond
    // the new count are forgotten, so items added later never show up selected.
    void SetCount(int count, bool atTop);

    // Selection.
    int Index() const { return current_; }
    int Anchor() const { return anchor_; }
    TSelectMode Mode() const { return mode_; }
    // An index outside the items is ignored (false). Makes it current, the anchor and the single
    // selection, and scrolls it into view.
    bool SetIndex(int index);
    // What is drawn selected and what the owner acts on: one rule for both.
    bool IsSelected(int index) const;
    int SelectedCount() const;
    void SetSelected(int index, bool value);
    void SelectAll();
    void InvertSelection();
    // Nothing selected; the current item stays.
    void ClearSelection();
    // Grows with every change of the selection, so a caller can tell whether one happened.
    std::uint64_t SelectionSerial() const { return serial_; }

    // Mouse. A press names the client point; modifiers decide the selection rule.
    TPress PressLeft(QPoint point, Qt::KeyboardModifiers modifiers);
    TPress PressRight(QPoint point);
    // While selecting with the left button down: the item under the point (clamped to the
    // items) becomes current, the anchor stays.
    void DragSelectTo(QPoint point);
    // The release of a press kept for a drag that did not become one: that item alone is
    // selected then.
    void ReleaseWithoutDrag(int index);

    // Keys: Left, Right, Up, Down, Page Up/Down, Home, End with Ctrl and Shift. False when the
    // key is not one of them. A move onto a cell past the last item is refused.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);

private:
    void Relayout(int firstVisible);
    void ScrollIntoView(int index);
    void MoveTo(int index, bool extend);  // extend: the anchor stays
    void Materialize();                   // the selection as an explicit set
    void Changed() { ++serial_; }
    int LastIndex() const { return count_ - 1; }
    int PageRows() const;
    int VerticalTarget(int row, int col) const;

    TThumbSize size_ = tsSmall;
    int nameStrip_ = 0;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    int colCount_ = 1;
    int topRow_ = 0;
    int count_ = 0;
    int current_ = 0;
    int anchor_ = 0;
    TSelectMode mode_ = smNone;
    std::vector<bool> bits_;  // the explicit set, one bit per item
    std::uint64_t serial_ = 0;
};

}  // namespace pixmarl
