#include "Logos.h"

#include <QPainter>

#include "shell/Artwork.h"

namespace pixmarl {

TLogo::TLogo(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kWidth, kHeight);
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &TLogo::Tick);
}

void TLogo::Start()
{
    if (!timer_.isActive())
        timer_.start();
}

void TLogo::Stop()
{
    timer_.stop();
    update();
}

void TLogo::Tick()
{
    offset_ = (offset_ + 1) % kPeriod;
    update();
}

void TLogo::paintEvent(QPaintEvent*)
{
    const qreal dpr = devicePixelRatioF();
    if (strip_.isNull() || strip_.devicePixelRatio() != dpr)
        strip_ = LogoStrip(dpr);
    QPainter painter(this);
    const QRectF source(offset_ * dpr, 0, kWidth * dpr, kHeight * dpr);
    painter.drawImage(QRectF(0, 0, kWidth, kHeight), strip_, source);
}

}  // namespace pixmarl
