#include "IGrids.h"

#include <QEvent>
#include <QPainter>

namespace pixmarl {

namespace {

// A 1-pixel frame: topLeft on the top and left edges, bottomRight on the others.
void DrawBevel(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    painter.fillRect(r.left(), r.top(), r.width() - 1, 1, topLeft);
    painter.fillRect(r.left(), r.top() + 1, 1, r.height() - 2, topLeft);
    painter.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
    painter.fillRect(r.left(), r.bottom(), r.width() - 1, 1, bottomRight);
}

}  // namespace

TImgGrid::TImgGrid(QWidget* parent) : TCustomYGrid(parent)
{}

void TImgGrid::SetSize(TThumbSize size)
{
    Change([size](TGridCells& cells) { cells.SetSize(size); });
}

void TImgGrid::SetShowFileNames(bool value)
{
    showFileNames_ = value;
    MeasureNameStrip();
}

void TImgGrid::MeasureNameStrip()
{
    const int strip = showFileNames_ ? 2 * fontMetrics().height() : 0;
    Change([strip](TGridCells& cells) { cells.SetNameStripHeight(strip); });
}

void TImgGrid::changeEvent(QEvent* event)
{
    TCustomYGrid::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        MeasureNameStrip();
}

void TImgGrid::DrawCell(QPainter& painter, int index, const QRect& rect, bool)
{
    const QPalette& pal = palette();
    const QRect panel = rect.adjusted(10, 10, -10, -10);
    painter.fillRect(panel, pal.button());
    DrawBevel(painter, panel, pal.color(QPalette::Light), pal.color(QPalette::Dark));
    DrawBevel(painter, panel.adjusted(3, 3, -3, -3), pal.color(QPalette::Dark),
              pal.color(QPalette::Light));
    const QRect r = panel.adjusted(4, 4, -4, -4);  // 14 pixels inside the cell

    const TCellBitmap cell = OnNeedBmp ? OnNeedBmp(index) : TCellBitmap{};
    if (cell.bitmap && !cell.bitmap->isNull()) {
        DrawThumbnail(painter, *cell.bitmap, r);
    } else if (cell.error) {
        DrawNotAvailable(painter, r);
    }
    if (showFileNames_ && OnNeedFileName)
        DrawName(painter, index, r);
}

// Unscaled and centred in the thumbnail area; a bitmap larger than the area (made for another
// size) shows only its middle, never over the neighbouring cells.
void TImgGrid::DrawThumbnail(QPainter& painter, const QImage& bitmap, const QRect& r)
{
    const int thumb = Cells().ThumbWidth();
    const QSize size = bitmap.deviceIndependentSize().toSize();
    QRect target(r.left() + 2 + (thumb - size.width()) / 2,
                 r.top() + 2 + (thumb - size.height()) / 2, size.width(), size.height());
    const QRect area(r.left() + 2, r.top() + 2, thumb, thumb);
    if (area.contains(target)) {
        painter.drawImage(target.topLeft(), bitmap);
        return;
    }
    const QRect shown = target.intersected(area);
    const qreal dpr = bitmap.devicePixelRatio();
    const QRectF source(QPointF(shown.topLeft() - target.topLeft()) * dpr,
                        QSizeF(shown.size()) * dpr);
    painter.drawImage(QRectF(shown), bitmap, source);
}

void TImgGrid::DrawNotAvailable(QPainter& painter, const QRect& r)
{
    const int h = painter.fontMetrics().height();
    painter.setPen(palette().color(QPalette::ButtonText));
    const auto line = [&](const QString& text, int top) {
        painter.drawText(QRect(r.left(), top, r.width(), h), Qt::AlignHCenter | Qt::AlignTop, text);
    };
    line(QStringLiteral("not"), r.top() + (r.height() - 3 * h) / 2);
    line(QStringLiteral("available"), r.top() + (r.height() - h) / 2);
}

void TImgGrid::DrawName(QPainter& painter, int index, const QRect& r)
{
    const int strip = Cells().NameStripHeight();
    const int bottom = r.top() + r.height();
    const QRect clip(r.left(), bottom - strip, r.width(), strip);
    const QString name = OnNeedFileName(index);
    const int width = painter.fontMetrics().horizontalAdvance(name);
    painter.save();
    painter.setClipRect(clip);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(QRect(r.left() + (r.width() - width) / 2, bottom - (2 * strip) / 3, width,
                           painter.fontMetrics().height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, name);
    painter.restore();
}

QString TImgGrid::HintText(int index) const
{
    if (!OnNeedFileName)
        return {};
    QString text = OnNeedFileName(index);
    if (OnNeedFileInfo)
        text += u'\n' + OnNeedFileInfo(index);
    return text;
}

}  // namespace pixmarl
