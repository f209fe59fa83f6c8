#include "ImgFiles.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include "display/AVIAnimate.h"
#include "gif/GIFImage.h"

namespace pixmarl {

namespace {

// A GIF plays once through in a thread of its own; an AVI once too (its loop option with one
// pass).
constexpr TDrawOptions kGifOptions = doAsync | doAnimate;
constexpr TDrawOptions kAviOptions = doAsync | doAnimate | doLoop;
constexpr int kDecodeCheckMs = 150;
constexpr QSize kInitialSize(64, 64);

QSize DeviceSize(QSize size, qreal ratio)
{
    return (QSizeF(size) * ratio).toSize();
}

}  // namespace

// The painters' target: frames go to the control.
class TImageFile::TTarget : public TPaintTarget {
public:
    explicit TTarget(TImageFile* control) : TPaintTarget(control), control_(control) {}
    void PaintFrame(const QImage& frame, const QRect& targetRect) override
    {
        control_->ShowFrame(frame, targetRect);
    }

private:
    TImageFile* control_;
};

TImageFile::TImageFile(QWidget* parent)
    : QWidget(parent),
      color_(palette().color(QPalette::Window)),
      target_(new TTarget(this)),
      decodeCheck_(new QTimer(this)),
      loader_(std::make_unique<TRequestWorker<TShowRequest, TShownImage>>(
          LoadShownImage,
          [this](const TShownImage& shown, quint64 generation) { Loaded(shown, generation); })),
      scaler_(std::make_unique<TRequestWorker<TScaleJob, QImage>>(
          [](const TScaleJob& job) {
              QImage scaled =
                  job.Source.scaled(job.Size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
              return scaled;
          },
          [this](const QImage& image, quint64 generation) { Scaled(image, generation); }))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kInitialSize);
    decodeCheck_->setSingleShot(true);
    decodeCheck_->setInterval(kDecodeCheckMs);
    connect(decodeCheck_, &QTimer::timeout, this, &TImageFile::CheckDecodeScale);
}

TImageFile::~TImageFile()
{
    // The painters stop before the objects they play from and the target they draw into go.
    gif_.reset();
    avi_.reset();
}

void TImageFile::SetFileName(const QString& fileName)
{
    if (fileName == fileName_)
        return;
    if (!empty_) {
        stillImage_ = scaled_.isNull() ? bitmap_ : scaled_;
        stillRect_ = DestRect();
    }
    ResetImage();
    fileName_ = fileName;
    if (!fileName.isEmpty()) {
        StartLoad(false);
        return;
    }
    stillImage_ = QImage();
    ++loadGeneration_;
    loader_->DropPending();
    emit OnGetImageSize();
    update();
}

// Everything the last file left behind goes before the next load: its size, its animation and
// the painter that plays it (its end report is ignored from now on).
void TImageFile::ResetImage()
{
    gif_.reset();
    avi_.reset();
    painter_.reset();
    format_ = ifUnknown;
    imageWidth_ = imageHeight_ = 0;
    animated_ = false;
    painterState_ = 0;
    empty_ = true;
    scaleDenom_ = 1;
    bitmap_ = scaled_ = frame_ = QImage();
    scaleAsked_ = QSize();
    ++scaleGeneration_;
}

void TImageFile::StartLoad(bool refine)
{
    ++loadGeneration_;
    loading_ = !refine;
    refining_ = refine;
    loader_->DropPending();
    loader_->Request(TShowRequest{fileName_, LoadBox(), !refine}, loadGeneration_);
}

QSize TImageFile::LoadBox() const
{
    if (!stretch_)
        return QSize();
    const QSize room = fitRoom_.isEmpty() ? size() : fitRoom_.expandedTo(size());
    return DeviceSize(room, devicePixelRatioF()).expandedTo(QSize(1, 1));
}

void TImageFile::Loaded(const TShownImage& shown, quint64 generation)
{
    if (generation != loadGeneration_)
        return;
    if (refining_) {
        ApplyRefined(shown);
        return;
    }
    loading_ = false;
    stillImage_ = QImage();
    format_ = shown.Still.Format;
    bitmap_ = shown.Still.Image;
    scaleDenom_ = shown.Still.ScaleDenom;
    const QSize imageSize = shown.ImageSize();
    imageWidth_ = imageSize.width();
    imageHeight_ = imageSize.height();
    empty_ = bitmap_.isNull();
    gif_ = shown.Gif;
    avi_ = shown.Avi;
    animated_ = !empty_ && (gif_ || avi_);
    painterState_ = animated_ ? 1 : 0;
    if (animated_)
        HookEndPaint();
    if (autoSize_ && !empty_)
        resize(imageWidth_, imageHeight_);
    emit OnGetImageSize();
    update();
}

void TImageFile::ApplyRefined(const TShownImage& shown)
{
    refining_ = false;
    if (!shown.Still.Ok() || shown.ImageSize() != QSize(imageWidth_, imageHeight_))
        return;
    bitmap_ = shown.Still.Image;
    scaleDenom_ = shown.Still.ScaleDenom;
    scaled_ = QImage();
    scaleAsked_ = QSize();
    ++scaleGeneration_;
    update();
}

void TImageFile::HookEndPaint()
{
    // Reports from the painters of an object this control has let go of are dropped.
    auto onEnd = [this, generation = loadGeneration_](TAnimPainter&) {
        if (generation == loadGeneration_)
            EndPaint();
    };
    if (gif_)
        gif_->OnEndPaint = onEnd;
    if (avi_)
        avi_->OnEndPaint = onEnd;
}

void TImageFile::StartPainter(const QRect& dest)
{
    // Set first: a one-frame video is drawn and ended inside Paint.
    painterState_ = 2;
    frameRect_ = dest;
    if (gif_)
        painter_ = gif_->Paint(target_, dest, kGifOptions);
    else if (avi_)
        painter_ = avi_->Paint(target_, dest, kAviOptions);
}

void TImageFile::EndPaint()
{
    painterState_ = 3;
    painter_.reset();
    frame_ = QImage();
    update();
}

void TImageFile::ShowFrame(const QImage& frame, const QRect& rect)
{
    if (painterState_ != 2)
        return;
    const QRect old = frameRect_;
    frame_ = frame;
    frameRect_ = rect;
    update(old.united(rect));
}

QRect TImageFile::DestRect() const
{
    if (fileName_.isEmpty() || empty_)
        return QRect();
    return ImageDestRect(QSize(imageWidth_, imageHeight_), size(), stretch_, center_);
}

void TImageFile::SetCenter(bool center)
{
    center_ = center;
    MoveAnimation();
    update();
}

void TImageFile::SetStretch(bool stretch)
{
    stretch_ = stretch;
    MoveAnimation();
    CheckDecodeScale();
    update();
}

void TImageFile::SetAutoSize(bool autoSize)
{
    autoSize_ = autoSize;
    if (autoSize_ && !empty_)
        resize(imageWidth_, imageHeight_);
}

void TImageFile::SetColor(const QColor& color)
{
    color_ = color;
    update();
}

// A running painter draws its next frames into the new destination.
void TImageFile::MoveAnimation()
{
    const auto painter = painter_.lock();
    if (painterState_ != 2 || !painter)
        return;
    const QRect dest = DestRect();
    if (gif_)
        gif_->LockPainters();
    else if (avi_)
        avi_->LockPainters();
    painter->SetTargetRect(dest);
    if (gif_)
        gif_->UnlockPainters();
    else if (avi_)
        avi_->UnlockPainters();
    frameRect_ = dest;
}

void TImageFile::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (stretch_)
        MoveAnimation();
    decodeCheck_->start();
}

// Whether the picture, decoded at a reduced scale, is now shown larger than it holds.
bool TImageFile::NeedsFinerDecode() const
{
    if (loading_ || refining_ || empty_ || scaleDenom_ <= 1)
        return false;
    const QSize shown = DeviceSize(stretch_ ? DestRect().size() : QSize(imageWidth_, imageHeight_),
                                   devicePixelRatioF());
    return bitmap_.width() < shown.width() || bitmap_.height() < shown.height();
}

void TImageFile::CheckDecodeScale()
{
    if (NeedsFinerDecode())
        StartLoad(true);
}

void TImageFile::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const bool showStill = loading_ && !stillImage_.isNull();
    const QRect dest = showStill ? stillRect_ : DestRect();
    if (dest.isEmpty() || (empty_ && !showStill)) {
        painter.fillRect(event->rect(), color_);
        return;
    }
    const QRegion around = QRegion(rect()).subtracted(dest);
    for (const QRect& stripe : around)
        painter.fillRect(stripe, color_);
    if (showStill) {
        painter.drawImage(dest, stillImage_);
        return;
    }
    if (animated_ && painterState_ == 1 && isVisible())
        StartPainter(dest);
    if (animated_ && painterState_ == 2 && !frame_.isNull()) {
        if (frame_.hasAlphaChannel())
            painter.fillRect(frameRect_, color_);
        painter.drawImage(frameRect_, frame_);
        return;
    }
    DrawPicture(painter, dest);
}

void TImageFile::DrawPicture(QPainter& painter, const QRect& dest)
{
    if (bitmap_.hasAlphaChannel())
        painter.fillRect(dest, color_);
    const QSize device = DeviceSize(dest.size(), devicePixelRatioF());
    if (bitmap_.size() == device) {
        painter.drawImage(dest, bitmap_);
        return;
    }
    if (scaled_.size() == device) {
        painter.drawImage(dest, scaled_);
        return;
    }
    // Quickly scaled for now; a smooth copy follows when the picture is fitted.
    painter.drawImage(dest, bitmap_);
    if (stretch_)
        RequestScaled(device);
}

void TImageFile::RequestScaled(QSize size)
{
    if (scaleAsked_ == size)
        return;
    scaleAsked_ = size;
    scaler_->DropPending();
    scaler_->Request(TScaleJob{bitmap_, size}, ++scaleGeneration_);
}

void TImageFile::Scaled(const QImage& image, quint64 generation)
{
    if (generation != scaleGeneration_)
        return;
    scaled_ = image;
    update(DestRect());
}

}  // namespace pixmarl
