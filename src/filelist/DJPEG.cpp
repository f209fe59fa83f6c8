#include "DJPEG.h"

#include <algorithm>
#include <atomic>

#include <QPainter>

#include "formats/ImageLoads.h"
#include "formats/Images.h"

namespace pixmarl {

namespace {

std::atomic<int> runningJobs{0};

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
    const QSize fit = FitSize(QSize(width, height), QSize(box, box));
    return TThumbFit{fit.width(), fit.height(), FitRatio(QSize(width, height), QSize(box, box))};
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

namespace {

// Every job holds the mark while it waits or runs: Running() counts the marks alive.
class TRunningMark {
public:
    TRunningMark() { ++runningJobs; }
    ~TRunningMark() { --runningJobs; }
    TRunningMark(const TRunningMark&) = delete;
    TRunningMark& operator=(const TRunningMark&) = delete;
};

}  // namespace

struct TDJPEGThread::TJob {
    TThumbRequest request;
    int box = 0;
    TThumbOptions options;
    std::shared_ptr<const void> mark;  // a TRunningMark
};

TDJPEGThread::TDJPEGThread(TThumbDone done) : worker_(&TDJPEGThread::Make, std::move(done))
{}

TDJPEGThread::~TDJPEGThread() = default;

TThumbResult TDJPEGThread::Make(const TJob& job)
{
    return MakeThumbnail(job.request, job.box, job.options);
}

void TDJPEGThread::Request(TThumbRequest request, int box, const TThumbOptions& options,
                           quint64 generation)
{
    worker_.Request(TJob{std::move(request), box, options, std::make_shared<TRunningMark>()},
                    generation);
}

bool TDJPEGThread::Running()
{
    return runningJobs > 0;
}

}  // namespace pixmarl
