#include "SlideCtrls.h"

#include <algorithm>

#include <QCursor>
#include <QPainter>
#include <QPainterPath>

#include "display/ImgWin.h"
#include "shell/Btns.h"

namespace pixmarl {

namespace {

constexpr QSize kPanelSize(137, 41);
constexpr int kButtonSide = 25;
constexpr int kButtonTop = 8;
constexpr int kButtonLefts[] = {8, 40, 72, 104};
constexpr int kSymbolSide = 16;
constexpr int kHaltGroup = 7;
const char* const kHints[] = {"Halt", "Previous Image", "Next Image", "Close"};
const char* const kNames[] = {"HaltBtn", "PrevBtn", "NextBtn", "CloseBtn"};

// The stop, left, right and close symbols, drawn for the panel's text colour at 1x and 2x.
QIcon SymbolIcon(TSlideCtrl::TButton button, const QColor& color)
{
    QIcon icon;
    for (const int scale : {1, 2}) {
        QPixmap pixmap(kSymbolSide * scale, kSymbolSide * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        QPainterPath path;
        switch (button) {
        case TSlideCtrl::sbHalt:
            painter.drawRect(QRectF(4, 4, 8, 8));
            break;
        case TSlideCtrl::sbPrevious:
            path.addPolygon(QPolygonF({QPointF(11, 3), QPointF(11, 13), QPointF(4, 8)}));
            painter.drawPath(path);
            break;
        case TSlideCtrl::sbNext:
            path.addPolygon(QPolygonF({QPointF(5, 3), QPointF(5, 13), QPointF(12, 8)}));
            painter.drawPath(path);
            break;
        default:
            painter.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
            painter.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

TSlideCtrl::TSlideCtrl(TViewForm* viewer) : QWidget(viewer), viewer_(viewer)
{
    setObjectName(QStringLiteral("SlideCtrl"));
    setFixedSize(kPanelSize);
    setAttribute(Qt::WA_Hover);
    const QColor text = palette().color(QPalette::ToolTipText);
    for (int i = 0; i < 4; ++i) {
        const auto button = TButton(i);
        auto* btn = new TBtn(this);
        btn->setObjectName(QLatin1String(kNames[i]));
        btn->setGeometry(kButtonLefts[i], kButtonTop, kButtonSide, kButtonSide);
        btn->SetGlyph(SymbolIcon(button, text));
        btn->setToolTip(QLatin1String(kHints[i]));
        if (button == sbHalt) {
            btn->SetGroupIndex(kHaltGroup);
            btn->SetAllowAllUp(true);
        }
        connect(btn, &TBtn::clicked, this, [this, button] { Clicked(button); });
        buttons_[i] = btn;
    }
    hide();
}

void TSlideCtrl::ShowAtMouse(const QPoint& pos)
{
    if (lastBtn_ == sbNone)
        lastBtn_ = sbNext;
    const QPoint topLeft(pos.x() - 10 - kButtonLefts[lastBtn_], pos.y() - 20);
    const QRect room = parentWidget()->rect();
    move(std::clamp(topLeft.x(), 0, std::max(0, room.width() - width())),
         std::clamp(topLeft.y(), 0, std::max(0, room.height() - height())));
    buttons_[sbHalt]->SetDown(viewer_->Slideshow().Paused());
    raise();
    show();
}

void TSlideCtrl::HidePanel()
{
    hide();
    viewer_->Slideshow().Release();
}

void TSlideCtrl::Clicked(TButton button)
{
    lastBtn_ = button == sbClose ? sbNone : button;
    // The step runs before the held timer is let go, so a step that fell due meanwhile is not
    // added to it.
    switch (button) {
    case sbHalt:
        viewer_->Slideshow().TogglePause();
        buttons_[sbHalt]->SetDown(viewer_->Slideshow().Paused());
        break;
    case sbPrevious:
        viewer_->Slideshow().PrevSlide();
        break;
    case sbNext:
        viewer_->Slideshow().NextSlide();
        break;
    default:
        viewer_->CloseSlideshow();
    }
    HidePanel();
}

void TSlideCtrl::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (isVisible() && !rect().contains(mapFromGlobal(QCursor::pos())))
        HidePanel();
}

void TSlideCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::ToolTipBase));
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace pixmarl
