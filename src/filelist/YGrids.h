#pragma once

// A grid control whose cells are the items of a flat list laid out row by row, with a selection
// addressed by item index that may be any set of items. It paints only the visible cells (a
// subclass draws each cell's content in DrawCell), scrolls by rows, and forwards keys and mouse
// presses to TGridCells, which holds all of its arithmetic. TImgGrid (IGrids.h) is the
// thumbnail grid built on it.
//
// Used by the main window through:
//   Reset(n) after a folder change, SetCount(n, false) after a refresh, SetIndexAndRepaint(i)
//   after a re-sort, InvalidateIndex(i) when a thumbnail arrived; Index()/SetIndex(i),
//   IsSelected(i)/SetSelected(i, v), SelectionBits()/SetSelectionBits(bits) for the
//   selection's round trip through the file list; SelectAll, InvertSelection, ClearSelection;
//   TopRow(), LeftCol(), ColCount(), VisibleCells() for the thumbnail control's window.
// Signals: OnTopLeftChanged (the top row changed, or a resize changed how many cells are shown:
// the thumbnail control's window must follow), OnSelectionChange, OnMouseDown (a press on an
// item outside its click margin, after the selection was updated), OnDblClick, OnPressOnSelection
// (a plain left press on a selected item, which keeps the selection for a drag: a drag source
// arms here), OnBeginDrag (the pointer left the drag distance after such a press).
//
// GUI thread only.

#include <vector>

#include <QAbstractScrollArea>
#include <QTimer>

#include "filelist/GridCells.h"

namespace pixmarl {

class TCustomYGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TCustomYGrid(QWidget* parent = nullptr);

    int Count() const { return cells_.Count(); }
    void Reset(int count);
    void SetCount(int count, bool atTop);

    int Index() const { return cells_.Index(); }
    void SetIndex(int index);
    void SetIndexAndRepaint(int index);
    void InvalidateIndex(int index);

    bool IsSelected(int index) const { return cells_.IsSelected(index); }
    void SetSelected(int index, bool value);
    // The selection as one flag per item, and back (shorter vectors leave the rest clear).
    std::vector<bool> SelectionBits() const;
    void SetSelectionBits(const std::vector<bool>& bits);
    void SelectAll();
    void InvertSelection();
    void ClearSelection();

    int TopRow() const { return cells_.TopRow(); }
    int LeftCol() const { return 0; }
    int ColCount() const { return cells_.ColCount(); }
    int VisibleCells() const { return cells_.VisibleCells(); }
    int CellToIndex(int col, int row) const { return cells_.CellToIndex(col, row); }
    QPoint IndexToCell(int index) const { return cells_.IndexToCell(index); }
    const TGridCells& Cells() const { return cells_; }

signals:
    void OnTopLeftChanged();
    void OnSelectionChange();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnDblClick();
    void OnPressOnSelection(QPoint pos);
    void OnBeginDrag();

protected:
    // Draws the content of a cell over its background; index < Count().
    virtual void DrawCell(QPainter& painter, int index, const QRect& rect, bool selected) = 0;
    // The hint of an item; empty for none.
    virtual QString HintText(int index) const;
    // Runs a change of the cells and tells what follows from it: scroll bars, signals, repaint.
    template <typename Fn>
    void Change(Fn&& fn);
    TGridCells& MutableCells() { return cells_; }

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct TState {
        int topRow;
        int visibleCells;
        std::uint64_t selection;
    };
    TState State() const;
    void Follow(const TState& before);
    void UpdateScrollBars();
    void PaintCell(QPainter& painter, int col, int row);
    QPoint ToCells(QPoint viewportPos) const;
    void AutoScroll();
    void EndMouse();

    TGridCells cells_;
    QTimer autoScroll_;
    QPoint pressPos_;
    int dragCandidate_ = -1;  // pressed on the selection, kept for a drag
    bool selecting_ = false;
    bool dragBegun_ = false;
    bool syncingScrollBar_ = false;
    int wheelRemainder_ = 0;
};

template <typename Fn>
void TCustomYGrid::Change(Fn&& fn)
{
    const TState before = State();
    fn(cells_);
    Follow(before);
}

}  // namespace pixmarl
