#include "YGrids.h"

#include <algorithm>

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

namespace pixmarl {

namespace {

constexpr int kAutoScrollMs = 60;

}  // namespace

TCustomYGrid::TCustomYGrid(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    autoScroll_.setInterval(kAutoScrollMs);
    connect(&autoScroll_, &QTimer::timeout, this, &TCustomYGrid::AutoScroll);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!syncingScrollBar_)
            Change([value](TGridCells& cells) { cells.SetTopRow(value); });
    });
}

TCustomYGrid::TState TCustomYGrid::State() const
{
    return {cells_.TopRow(), cells_.VisibleCells(), cells_.SelectionSerial()};
}

void TCustomYGrid::Follow(const TState& before)
{
    UpdateScrollBars();
    viewport()->update();
    if (before.topRow != cells_.TopRow() || before.visibleCells != cells_.VisibleCells())
        emit OnTopLeftChanged();
    if (before.selection != cells_.SelectionSerial())
        emit OnSelectionChange();
}

void TCustomYGrid::UpdateScrollBars()
{
    syncingScrollBar_ = true;
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, cells_.MaxTopRow());
    v->setPageStep(std::max(cells_.VisibleRows(), 1));
    v->setSingleStep(1);
    v->setValue(cells_.TopRow());
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(cells_.ColWidth() - viewport()->width(), 0));
    h->setPageStep(viewport()->width());
    h->setSingleStep(cells_.ColWidth() / 8);
    syncingScrollBar_ = false;
}

void TCustomYGrid::Reset(int count)
{
    Change([count](TGridCells& cells) { cells.Reset(count); });
}

void TCustomYGrid::SetCount(int count, bool atTop)
{
    Change([count, atTop](TGridCells& cells) { cells.SetCount(count, atTop); });
}

void TCustomYGrid::SetIndex(int index)
{
    Change([index](TGridCells& cells) { cells.SetIndex(index); });
}

void TCustomYGrid::SetIndexAndRepaint(int index)
{
    SetIndex(index);
    viewport()->update();
}

void TCustomYGrid::InvalidateIndex(int index)
{
    if (index < 0 || index >= cells_.Count())
        return;
    const QPoint cell = cells_.IndexToCell(index);
    viewport()->update(
        cells_.CellRect(cell.x(), cell.y()).translated(-horizontalScrollBar()->value(), 0));
}

void TCustomYGrid::SetSelected(int index, bool value)
{
    Change([index, value](TGridCells& cells) { cells.SetSelected(index, value); });
}

std::vector<bool> TCustomYGrid::SelectionBits() const
{
    std::vector<bool> bits(size_t(cells_.Count()));
    for (int i = 0; i < cells_.Count(); ++i)
        bits[size_t(i)] = cells_.IsSelected(i);
    return bits;
}

void TCustomYGrid::SetSelectionBits(const std::vector<bool>& bits)
{
    Change([&bits](TGridCells& cells) {
        cells.ClearSelection();
        for (int i = 0; i < cells.Count() && size_t(i) < bits.size(); ++i) {
            if (bits[size_t(i)])
                cells.SetSelected(i, true);
        }
    });
}

void TCustomYGrid::SelectAll()
{
    Change([](TGridCells& cells) { cells.SelectAll(); });
}

void TCustomYGrid::InvertSelection()
{
    Change([](TGridCells& cells) { cells.InvertSelection(); });
}

void TCustomYGrid::ClearSelection()
{
    Change([](TGridCells& cells) { cells.ClearSelection(); });
}

QString TCustomYGrid::HintText(int) const
{
    return {};
}

void TCustomYGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QPalette& pal = palette();
    painter.fillRect(viewport()->rect(), pal.base());
    if (cells_.Count() == 0)
        return;
    const int rows = (viewport()->height() + cells_.RowHeight() - 1) / cells_.RowHeight();
    const int lastRow = std::min(cells_.TopRow() + rows, cells_.RowCount()) - 1;
    for (int row = cells_.TopRow(); row <= lastRow; ++row) {
        for (int col = 0; col < cells_.ColCount(); ++col)
            PaintCell(painter, col, row);
    }
}

void TCustomYGrid::PaintCell(QPainter& painter, int col, int row)
{
    const int index = cells_.CellToIndex(col, row);
    if (index >= cells_.Count())
        return;
    const QRect rect = cells_.CellRect(col, row).translated(-horizontalScrollBar()->value(), 0);
    const bool selected = cells_.IsSelected(index);
    if (selected)
        painter.fillRect(rect, palette().highlight());
    DrawCell(painter, index, rect, selected);
    if (index == cells_.Index() && hasFocus()) {
        // Drawn always, not only after keyboard use as some styles do: the current cell is what
        // the keys and the commands on "the current file" act on.
        const QPalette::ColorRole role = selected ? QPalette::HighlightedText : QPalette::Highlight;
        painter.setPen(QPen(palette().color(role), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect).adjusted(3, 3, -3, -3));
    }
}

void TCustomYGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    const QSize size = viewport()->size();
    Change([size](TGridCells& cells) { cells.SetClientSize(size.width(), size.height()); });
}

void TCustomYGrid::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TCustomYGrid::keyPressEvent(QKeyEvent* event)
{
    bool handled = false;
    Change([&](TGridCells& cells) { handled = cells.HandleKey(event->key(), event->modifiers()); });
    if (!handled)
        QAbstractScrollArea::keyPressEvent(event);
}

QPoint TCustomYGrid::ToCells(QPoint viewportPos) const
{
    return viewportPos + QPoint(horizontalScrollBar()->value(), 0);
}

void TCustomYGrid::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint point = ToCells(event->position().toPoint());
    TGridCells::TPress press;
    Change([&](TGridCells& cells) {
        if (event->button() == Qt::LeftButton)
            press = cells.PressLeft(point, event->modifiers());
        else if (event->button() == Qt::RightButton)
            press = cells.PressRight(point);
    });
    if (!press.handled)
        return;
    pressPos_ = event->position().toPoint();
    dragCandidate_ = press.dragStart ? cells_.IndexAt(point) : -1;
    dragBegun_ = false;
    selecting_ = press.selecting;
    if (selecting_)
        autoScroll_.start();
    if (dragCandidate_ >= 0)
        emit OnPressOnSelection(pressPos_);
    emit OnMouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TCustomYGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    bool inMargin = false;
    const int index = cells_.IndexAt(ToCells(event->position().toPoint()), &inMargin);
    if (event->button() == Qt::LeftButton && index >= 0 && !inMargin)
        emit OnDblClick();
    else
        mousePressEvent(event);
}

void TCustomYGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = event->position().toPoint();
    if (dragCandidate_ >= 0 && !dragBegun_ &&
        (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
        dragBegun_ = true;
        emit OnBeginDrag();
    } else if (selecting_) {
        Change([&](TGridCells& cells) { cells.DragSelectTo(ToCells(pos)); });
    }
}

void TCustomYGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && dragCandidate_ >= 0 && !dragBegun_) {
        const int index = dragCandidate_;
        Change([index](TGridCells& cells) { cells.ReleaseWithoutDrag(index); });
    }
    EndMouse();
}

void TCustomYGrid::EndMouse()
{
    autoScroll_.stop();
    selecting_ = false;
    dragCandidate_ = -1;
}

// While selecting with the mouse past the top or bottom edge, one row per tick.
void TCustomYGrid::AutoScroll()
{
    if (!(QApplication::mouseButtons() & Qt::LeftButton)) {
        EndMouse();
        return;
    }
    const QPoint pos = viewport()->mapFromGlobal(QCursor::pos());
    const int step = pos.y() < 0 ? -1 : pos.y() >= viewport()->height() ? 1 : 0;
    if (step == 0)
        return;
    Change([&](TGridCells& cells) {
        cells.SetTopRow(cells.TopRow() + step);
        cells.DragSelectTo(ToCells(pos));
    });
}

void TCustomYGrid::wheelEvent(QWheelEvent* event)
{
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / QWheelEvent::DefaultDeltasPerStep;
    wheelRemainder_ -= notches * QWheelEvent::DefaultDeltasPerStep;
    if (notches == 0)
        return;
    const int perNotch =
        std::clamp(QApplication::wheelScrollLines(), 1, std::max(cells_.VisibleRows() - 1, 1));
    Change([&](TGridCells& cells) { cells.SetTopRow(cells.TopRow() - notches * perNotch); });
    event->accept();
}

bool TCustomYGrid::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int index = cells_.IndexAt(ToCells(help->pos()));
        const QString text = index >= 0 ? HintText(index) : QString();
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            const QPoint cell = cells_.IndexToCell(index);
            const QRect area =
                cells_.CellRect(cell.x(), cell.y()).translated(-horizontalScrollBar()->value(), 0);
            QToolTip::showText(help->globalPos(), text, viewport(), area);
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TCustomYGrid::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TCustomYGrid::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

}  // namespace pixmarl
