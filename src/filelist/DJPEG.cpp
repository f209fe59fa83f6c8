#include "DJPEG.h"

#include <algorithm>

#include <QPainter>

#include "formats/ImageLoads.h"
#include "formats/Images.h"
#include "platform/Sync.h"

namespace pixmarl {

namespace {

std::atomic<int> runningWorkers{0};

QImage Stretch(const QImage& image, QSize size)
{
    if (image.size() == size)
        return image.convertToFormat(QImage::Format_RGB888);
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB888);
}

// An icon is never scaled: button face of the fitted size with the icon in its top-left corner.
QImage IconThumbnail(const QImage& icon, QSize size, QColor buttonFace)
{
    QImage thumb(size, QImage::Format_RGB888);
    thumb.fill(buttonFace);
    QPainter painter(&thumb);
    painter.drawImage(0, 0, icon);
    return thumb;
}

}  // namespace

TThumbFit FitIntoBox(int width, int height, int box, bool dontSizeSmall)
{
    if (width <= 0 || height <= 0 || box <= 0)
        return TThumbFit{0, 0, 1.0f};
    if (dontSizeSmall && width <= box && height <= box)
        return TThumbFit{width, height, 1.0f};
    const float rx = float(width) / float(box);
    const float ry = float(height) / float(box);
    // A side that truncates to nothing (a 1 x 4000 strip) still gets a pixel.
    const auto side = [](long double length) { return std::max(1, int(length)); };
    if (rx > ry)
        return TThumbFit{box, side(static_cast<long double>(height) / rx), rx};
    return TThumbFit{side(static_cast<long double>(width) / ry), box, ry};
}

TThumbResult MakeThumbnail(const TThumbRequest& request, int box, const TThumbOptions& options)
{
    TThumbResult result;
    result.itemId = request.itemId;
    TImageRequest load;
    load.FileName = request.fileName;
    load.Box = QSize(box, box);
    load.Quick = options.quick;
    load.FastDct = true;
    load.Grayscale = options.gray;
    const TImageResult source = LoadImageFile(load);
    if (!source.Ok() || source.ImageSize.isEmpty())
        return result;
    result.imageSize = source.ImageSize;
    const QSize shown = source.ShownSize();
    const TThumbFit fit = FitIntoBox(shown.width(), shown.height(), box, options.dontSizeSmall);
    if (fit.width <= 0 || fit.height <= 0)
        return result;
    result.thumbSize = QSize(fit.width, fit.height);
    result.thumbnail = source.Format == ifICO
                           ? IconThumbnail(source.Image, result.thumbSize, options.buttonFace)
                           : Stretch(source.Image, result.thumbSize);
    result.failed = result.thumbnail.isNull();
    return result;
}

TDJPEGThread::TDJPEGThread(int box, const TThumbOptions& options, TGetFile getFile, TThumbDone done,
                           TFinished finished)
    : box_(box),
      options_(options),
      getFile_(std::move(getFile)),
      done_(std::move(done)),
      finished_(std::move(finished))
{
    ++runningWorkers;
    counted_ = true;
    start();
}

TDJPEGThread::~TDJPEGThread()
{
    stop_ = true;
    wait();
    EndRunning();
}

void TDJPEGThread::EndRunning()
{
    if (counted_.exchange(false))
        --runningWorkers;
}

bool TDJPEGThread::Running()
{
    return runningWorkers > 0;
}

void TDJPEGThread::Stop()
{
    stop_ = true;
    // Asked from inside one of its own callbacks, the worker cannot end before that returns.
    if (inHandOver_)
        return;
    WaitProcessingEvents([this] { return isFinished(); });
    wait();
}

void TDJPEGThread::HandOver(const std::function<void()>& fn)
{
    RunOnGuiThread([&] {
        inHandOver_ = true;
        fn();
        inHandOver_ = false;
    });
}

void TDJPEGThread::run()
{
    TThumbRequest request;
    HandOver([&] { request = getFile_(); });
    while (!request.fileName.isEmpty() && !stop_) {
        const TThumbResult result = MakeThumbnail(request, box_, options_);
        if (stop_)
            break;
        HandOver([&] { request = stop_ ? TThumbRequest{} : done_(result); });
    }
    if (!stop_ && finished_)
        HandOver([this] {
            if (!stop_)
                finished_();
        });
    EndRunning();
}

}  // namespace pixmarl
