#include "Btns.h"

#include <algorithm>

#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace pixmarl {

namespace {

constexpr int kPadX = 6;
constexpr int kPadY = 4;

// Where a glyph and a caption of the given sizes go in a client rectangle.
struct TPlacement {
    QRect glyph;
    QRect text;
};

TPlacement Place(const QRect& client, QSize glyph, QSize text, TBtn::TButtonLayout layout,
                 int margin, int spacing)
{
    if (glyph.isEmpty() || text.isEmpty())
        spacing = 0;
    const bool horizontal = layout == TBtn::blGlyphLeft || layout == TBtn::blGlyphRight;
    const int along = horizontal ? glyph.width() + spacing + text.width()
                                 : glyph.height() + spacing + text.height();
    const int room = horizontal ? client.width() : client.height();
    const int start = margin < 0 ? (room - along) / 2 : margin;
    // Offsets along the layout axis from the layout's own side.
    const int glyphFrom = start;
    const int textFrom = start + (horizontal ? glyph.width() : glyph.height()) + spacing;
    const auto cross = [&](QSize s) {
        return horizontal ? client.top() + (client.height() - s.height()) / 2
                          : client.left() + (client.width() - s.width()) / 2;
    };
    const auto at = [&](QSize s, int from) {
        switch (layout) {
        case TBtn::blGlyphLeft:
            return QRect(QPoint(client.left() + from, cross(s)), s);
        case TBtn::blGlyphRight:
            return QRect(QPoint(client.right() + 1 - from - s.width(), cross(s)), s);
        case TBtn::blGlyphTop:
            return QRect(QPoint(cross(s), client.top() + from), s);
        case TBtn::blGlyphBottom:
            break;
        }
        return QRect(QPoint(cross(s), client.bottom() + 1 - from - s.height()), s);
    };
    return {at(glyph, glyphFrom), at(text, textFrom)};
}

}  // namespace

TBtn::TBtn(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, false);
    connect(this, &QAbstractButton::toggled, this, [this](bool down) {
        if (down)
            ReleaseGroup();
    });
}

TBtn::~TBtn()
{
    if (linked_ && linked_->linked_ == this)
        linked_->linked_ = nullptr;
}

void TBtn::SetDown(bool value)
{
    if (groupIndex_ != 0)
        setChecked(value);
}

void TBtn::SetFlat(bool value)
{
    flat_ = value;
    update();
}

void TBtn::SetGroupIndex(int value)
{
    groupIndex_ = value;
    setCheckable(value != 0);
}

void TBtn::SetLayout(TButtonLayout value)
{
    layout_ = value;
    updateGeometry();
    update();
}

void TBtn::SetMargin(int value)
{
    margin_ = value;
    update();
}

void TBtn::SetSpacing(int value)
{
    spacing_ = value;
    updateGeometry();
    update();
}

void TBtn::SetGlyph(const QIcon& glyph)
{
    glyph_ = glyph;
    update();
}

void TBtn::SetColdGlyph(const QIcon& glyph)
{
    coldGlyph_ = glyph;
    update();
}

void TBtn::SetLinkedBtn(TBtn* partner)
{
    if (linked_ == partner)
        return;
    TBtn* old = linked_;
    linked_ = partner;
    if (old && old->linked_ == this)
        old->linked_ = nullptr;
    if (partner)
        partner->SetLinkedBtn(this);
}

const QIcon& TBtn::CurrentGlyph() const
{
    return flat_ && !hot_ && !coldGlyph_.isNull() ? coldGlyph_ : glyph_;
}

QSize TBtn::sizeHint() const
{
    const QSize glyph = glyph_.isNull() ? QSize() : iconSize();
    const QSize text = CaptionSize();
    const bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
    const int spacing = glyph.isEmpty() || text.isEmpty() ? 0 : spacing_;
    const QSize content = horizontal ? QSize(glyph.width() + spacing + text.width(),
                                             std::max(glyph.height(), text.height()))
                                     : QSize(std::max(glyph.width(), text.width()),
                                             glyph.height() + spacing + text.height());
    return content + QSize(2 * kPadX, 2 * kPadY);
}

QSize TBtn::CaptionSize() const
{
    return text().isEmpty() ? QSize() : fontMetrics().size(Qt::TextShowMnemonic, text());
}

void TBtn::PaintPanel(QStylePainter& painter)
{
    QStyleOptionToolButton option;
    option.initFrom(this);
    option.state &= ~QStyle::State_MouseOver;
    option.state |= QStyle::State_Raised;
    if (hot_)
        option.state |= QStyle::State_MouseOver;
    if (isDown())
        option.state |= QStyle::State_Sunken;
    else if (isChecked())
        option.state |= QStyle::State_On;
    if (flat_)
        option.state |= QStyle::State_AutoRaise;
    option.subControls = QStyle::SC_ToolButton;
    option.toolButtonStyle = Qt::ToolButtonIconOnly;
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
}

void TBtn::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    PaintPanel(painter);
    const QIcon& glyph = CurrentGlyph();
    const QSize glyphSize = glyph.isNull() ? QSize() : iconSize();
    const TPlacement place = Place(rect(), glyphSize, CaptionSize(), layout_, margin_, spacing_);
    if (!glyph.isNull()) {
        glyph.paint(&painter, place.glyph, Qt::AlignCenter,
                    isEnabled() ? QIcon::Normal : QIcon::Disabled,
                    isChecked() ? QIcon::On : QIcon::Off);
    }
    if (!text().isEmpty()) {
        painter.drawItemText(place.text, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                             isEnabled(), text(), QPalette::ButtonText);
    }
}

bool TBtn::PointerInside() const
{
    return rect().contains(mapFromGlobal(QCursor::pos()));
}

void TBtn::SetHot(bool value)
{
    if (hot_ == value)
        return;
    hot_ = value;
    update();
}

void TBtn::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    if (!flat_ || !isEnabled() || hot_)
        return;
    SetHot(true);
    if (linked_ && !linked_->hot_ && linked_->flat_ && linked_->isEnabled())
        linked_->SetHot(true);
}

void TBtn::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    Cool();
}

void TBtn::Cool()
{
    if (!flat_ || !isEnabled() || !hot_ || isDown())
        return;
    if (linked_ && linked_->hot_ && linked_->PointerInside())
        return;
    SetHot(false);
    if (linked_ && linked_->hot_ && !linked_->PointerInside())
        linked_->SetHot(false);
}

void TBtn::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        hot_ = false;
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
}

void TBtn::nextCheckState()
{
    if (groupIndex_ == 0 || (isChecked() && !allowAllUp_))
        return;
    setChecked(!isChecked());
}

void TBtn::ReleaseGroup()
{
    if (groupIndex_ == 0 || !parentWidget())
        return;
    const auto siblings = parentWidget()->findChildren<TBtn*>(Qt::FindDirectChildrenOnly);
    for (TBtn* other : siblings) {
        if (other != this && other->groupIndex_ == groupIndex_)
            other->setChecked(false);
    }
}

TDropDnBtn::TDropDnBtn(QWidget* parent) : TBtn(parent)
{}

QSize TDropDnBtn::sizeHint() const
{
    return Glyph().isNull() && text().isEmpty() ? QSize(12, iconSize().height() + 2 * kPadY)
                                                : TBtn::sizeHint();
}

void TDropDnBtn::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !menu_) {
        TBtn::mousePressEvent(event);
        return;
    }
    emit BeforeClick();
    menuOpen_ = true;
    setDown(true);
    connect(
        menu_, &QMenu::aboutToHide, this,
        [this] {
            menuOpen_ = false;
            setDown(false);
            Cool();
        },
        Qt::SingleShotConnection);
    menu_->popup(mapToGlobal(rect().bottomLeft()));
}

void TDropDnBtn::paintEvent(QPaintEvent* event)
{
    if (!Glyph().isNull() || !text().isEmpty()) {
        TBtn::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    PaintPanel(painter);
    QStyleOption arrow;
    arrow.initFrom(this);
    const int edge = std::min({width(), height(), 8});
    arrow.rect = QRect(0, 0, edge, edge);
    arrow.rect.moveCenter(rect().center());
    painter.drawPrimitive(QStyle::PE_IndicatorArrowDown, arrow);
}

}  // namespace pixmarl
