#include "GridCells.h"

#include <algorithm>
#include <array>

namespace pixmarl {

int ThumbEdge(TThumbSize size)
{
    static constexpr std::array<int, 6> kEdges = {0, 64, 96, 156, 288, 400};
    return size < kEdges.size() ? kEdges[size] : 0;
}

int CellEdge(TThumbSize size)
{
    return ThumbEdge(size) + 32;
}

TGridCells::TGridCells() = default;

bool TGridCells::SetSize(TThumbSize size)
{
    if (size == tsUser || size == size_ || size > tsMaxi)
        return false;
    const int first = FirstVisibleIndex();
    size_ = size;
    Relayout(first);
    return true;
}

void TGridCells::SetNameStripHeight(int height)
{
    nameStrip_ = std::max(height, 0);
    SetTopRow(topRow_);
}

void TGridCells::SetClientSize(int width, int height)
{
    const int first = FirstVisibleIndex();
    clientWidth_ = std::max(width, 0);
    clientHeight_ = std::max(height, 0);
    Relayout(first);
}

void TGridCells::Relayout(int firstVisible)
{
    colCount_ = std::max(clientWidth_ / ColWidth(), 1);
    topRow_ = std::clamp(firstVisible / colCount_, 0, MaxTopRow());
}

int TGridCells::RowCount() const
{
    return std::max((count_ + colCount_ - 1) / colCount_, 1);
}

int TGridCells::PageRows() const
{
    return std::max(VisibleRows(), 1);
}

int TGridCells::MaxTopRow() const
{
    return std::max(RowCount() - PageRows(), 0);
}

bool TGridCells::SetTopRow(int row)
{
    const int top = std::clamp(row, 0, MaxTopRow());
    if (top == topRow_)
        return false;
    topRow_ = top;
    return true;
}

QRect TGridCells::CellRect(int col, int row) const
{
    return {col * ColWidth(), (row - topRow_) * RowHeight(), ColWidth(), RowHeight()};
}

int TGridCells::IndexAt(QPoint point, bool* inMargin) const
{
    if (point.x() < 0 || point.y() < 0)
        return -1;
    const int col = point.x() / ColWidth();
    const int index = CellToIndex(col, topRow_ + point.y() / RowHeight());
    if (col >= colCount_ || index >= count_)
        return -1;
    if (inMargin) {
        const int x = point.x() % ColWidth();
        const int y = point.y() % RowHeight();
        const int m = ClickMargin();
        *inMargin = x < m || x >= ColWidth() - m || y < m || y >= RowHeight() - m;
    }
    return index;
}

void TGridCells::Reset(int count)
{
    count_ = std::max(count, 0);
    current_ = anchor_ = topRow_ = 0;
    mode_ = smNone;
    bits_.clear();
    Changed();
}

void TGridCells::SetCount(int count, bool atTop)
{
    count_ = std::max(count, 0);
    if (mode_ == smExplicit)
        bits_.resize(size_t(count_));
    if (atTop) {
        current_ = anchor_ = topRow_ = 0;
    } else {
        current_ = std::clamp(current_, 0, std::max(LastIndex(), 0));
        anchor_ = std::clamp(anchor_, 0, std::max(LastIndex(), 0));
        SetTopRow(topRow_);
    }
    Changed();
}

bool TGridCells::IsSelected(int index) const
{
    if (index < 0 || index >= count_)
        return false;
    switch (mode_) {
    case smNone:
        return false;
    case smSingle:
        return index == current_;
    case smRange:
        return index >= std::min(anchor_, current_) && index <= std::max(anchor_, current_);
    case smExplicit:
        return bits_[size_t(index)];
    }
    return false;
}

int TGridCells::SelectedCount() const
{
    if (mode_ == smExplicit)
        return int(std::count(bits_.begin(), bits_.end(), true));
    int n = 0;
    for (int i = 0; i < count_; ++i)
        n += IsSelected(i) ? 1 : 0;
    return n;
}

void TGridCells::Materialize()
{
    if (mode_ == smExplicit)
        return;
    std::vector<bool> bits(size_t(count_), false);
    for (int i = 0; i < count_; ++i)
        bits[size_t(i)] = IsSelected(i);
    bits_ = std::move(bits);
    mode_ = smExplicit;
}

void TGridCells::SetSelected(int index, bool value)
{
    if (index < 0 || index >= count_)
        return;
    Materialize();
    bits_[size_t(index)] = value;
    Changed();
}

void TGridCells::SelectAll()
{
    bits_.assign(size_t(count_), true);
    mode_ = smExplicit;
    Changed();
}

void TGridCells::InvertSelection()
{
    Materialize();
    bits_.flip();
    Changed();
}

void TGridCells::ClearSelection()
{
    mode_ = smNone;
    bits_.clear();
    anchor_ = current_;
    Changed();
}

bool TGridCells::SetIndex(int index)
{
    if (index < 0 || index >= count_)
        return false;
    MoveTo(index, false);
    return true;
}

void TGridCells::MoveTo(int index, bool extend)
{
    current_ = index;
    if (!extend)
        anchor_ = index;
    mode_ = extend ? smRange : smSingle;
    bits_.clear();
    ScrollIntoView(index);
    Changed();
}

void TGridCells::ScrollIntoView(int index)
{
    const int row = index / colCount_;
    if (row < topRow_)
        SetTopRow(row);
    else if (row >= topRow_ + PageRows())
        SetTopRow(row - PageRows() + 1);
}

TGridCells::TPress TGridCells::PressLeft(QPoint point, Qt::KeyboardModifiers modifiers)
{
    bool inMargin = false;
    const int index = IndexAt(point, &inMargin);
    if (index < 0 || inMargin)
        return {};
    if (modifiers & Qt::ControlModifier) {
        Materialize();
        bits_[size_t(index)] = !bits_[size_t(index)];
        Changed();
        return {.handled = true};
    }
    if (modifiers & Qt::ShiftModifier) {
        anchor_ = index;
        mode_ = smRange;
        bits_.clear();
        Changed();
        return {.handled = true, .selecting = true};
    }
    if (IsSelected(index))
        return {.handled = true, .dragStart = true};
    MoveTo(index, false);
    return {.handled = true, .selecting = true};
}

TGridCells::TPress TGridCells::PressRight(QPoint point)
{
    bool inMargin = false;
    const int index = IndexAt(point, &inMargin);
    if (index < 0 || inMargin)
        return {};
    if (!IsSelected(index)) {
        MoveTo(index, false);
    } else if (index != current_) {
        Materialize();
        current_ = anchor_ = index;
        Changed();
    }
    return {.handled = true};
}

void TGridCells::DragSelectTo(QPoint point)
{
    if (count_ == 0)
        return;
    const int shownRows = (clientHeight_ + RowHeight() - 1) / RowHeight();
    const int col = std::clamp(point.x() / ColWidth(), 0, colCount_ - 1);
    const int row = std::clamp(topRow_ + std::max(point.y(), 0) / RowHeight(), topRow_,
                               topRow_ + std::max(shownRows - 1, 0));
    const int index = std::min(CellToIndex(col, row), LastIndex());
    if (index == current_ && mode_ == smRange)
        return;
    current_ = index;
    mode_ = smRange;
    bits_.clear();
    Changed();
}

void TGridCells::ReleaseWithoutDrag(int index)
{
    SetIndex(index);
}

int TGridCells::VerticalTarget(int row, int col) const
{
    return std::min(CellToIndex(col, row), LastIndex());
}

bool TGridCells::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = modifiers & Qt::ControlModifier;
    const QPoint cell = IndexToCell(current_);
    const int col = cell.x();
    const int row = cell.y();
    const int lastRow = RowCount() - 1;
    int target = -1;
    switch (key) {
    case Qt::Key_Left:
        target = current_ - 1;
        break;
    case Qt::Key_Right:
        target = current_ + 1 < count_ ? current_ + 1 : -1;
        break;
    case Qt::Key_Up:
        if (ctrl) {
            SetTopRow(topRow_ - 1);
            return true;
        }
        target = row > 0 ? current_ - colCount_ : -1;
        break;
    case Qt::Key_Down:
        if (ctrl) {
            SetTopRow(topRow_ + 1);
            return true;
        }
        target = row < lastRow ? VerticalTarget(row + 1, col) : -1;
        break;
    case Qt::Key_PageUp:
        if (ctrl) {
            target = CellToIndex(col, topRow_);
        } else {
            SetTopRow(topRow_ - PageRows());
            target = CellToIndex(col, std::max(row - PageRows(), 0));
        }
        break;
    case Qt::Key_PageDown:
        if (ctrl) {
            target = VerticalTarget(std::min(topRow_ + PageRows() - 1, lastRow), col);
        } else {
            SetTopRow(topRow_ + PageRows());
            target = VerticalTarget(std::min(row + PageRows(), lastRow), col);
        }
        break;
    case Qt::Key_Home:
        target = ctrl ? 0 : CellToIndex(0, row);
        break;
    case Qt::Key_End:
        target = ctrl || row == lastRow ? LastIndex() : CellToIndex(colCount_ - 1, row);
        break;
    default:
        return false;
    }
    if (target >= 0 && target < count_)
        MoveTo(target, modifiers & Qt::ShiftModifier);
    return true;
}

}  // namespace pixmarl
