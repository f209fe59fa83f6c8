#include "SizeGrips.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSizeGrip>
#include <QWindow>

namespace pixmarl {

namespace {

// What a 14-point symbol font measures on a 96-dpi screen, the grip's classic edge.
constexpr int kDefaultSize = 19;

}  // namespace

TSizeGrip::TSizeGrip(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::SizeFDiagCursor);
    resize(kDefaultSize, kDefaultSize);
    hide();
    parent->installEventFilter(this);
}

void TSizeGrip::SetGripSize(int size)
{
    resize(size, size);
    PlaceInCorner();
}

void TSizeGrip::SetTransparent(bool value)
{
    transparent_ = value;
    update();
}

void TSizeGrip::SetDistance(int value)
{
    distance_ = value;
    PlaceInCorner();
}

void TSizeGrip::ShowGrip()
{
    PlaceInCorner();
    show();
    raise();
}

void TSizeGrip::PlaceInCorner()
{
    const QWidget* parent = parentWidget();
    move(parent->width() - width() - distance_, parent->height() - height() - distance_);
}

bool TSizeGrip::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        PlaceInCorner();
    return false;
}

void TSizeGrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!transparent_)
        painter.fillRect(rect(), palette().window());
    QStyleOptionSizeGrip option;
    option.initFrom(this);
    option.corner = Qt::BottomRightCorner;
    style()->drawControl(QStyle::CE_SizeGrip, &option, &painter, this);
}

void TSizeGrip::enterEvent(QEnterEvent*)
{
    mouseIn_ = true;
}

void TSizeGrip::leaveEvent(QEvent*)
{
    mouseIn_ = false;
    if (transparent_)
        hide();
}

void TSizeGrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (QWindow* window = this->window()->windowHandle())
        window->startSystemResize(Qt::RightEdge | Qt::BottomEdge);
    hide();
    QMetaObject::invokeMethod(this, &TSizeGrip::AfterSystemResize, Qt::QueuedConnection);
}

// The window manager has taken over the resize: the grip goes back to the (new) corner, and
// shows again unless it is transparent.
void TSizeGrip::AfterSystemResize()
{
    PlaceInCorner();
    if (!transparent_)
        show();
}

}  // namespace pixmarl
