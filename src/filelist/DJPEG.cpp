#include "DJPEG.h"

#include <algorithm>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include "formats/AVIFile.h"
#include "formats/Images.h"
#include "formats/JPEGCodec.h"
#include "formats/LibTiff.h"
#include "formats/RdJPGH.h"
#include "gif/GIFImage.h"
#include "platform/ReadOnlyFile.h"
#include "platform/Sync.h"

namespace pixmarl {

namespace {

std::atomic<int> runningWorkers{0};

// A source image decoded for a thumbnail, and how it goes into the box.
struct TSource {
    QImage image;
    QSize imageSize;
    int scaleDenom = 1;      // the JPEG decode was reduced by this
    bool iconStyle = false;  // drawn unscaled on button face
};

QImage Stretch(const QImage& image, QSize size)
{
    if (image.size() == size)
        return image.convertToFormat(QImage::Format_RGB888);
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB888);
}

bool LoadJpeg(const TThumbRequest& request, int box, const TThumbOptions& options, TSource& source)
{
    QSize size = request.imageSize;
    if (size.width() + size.height() <= 0) {
        TInfoRec info;
        if (!ReadJPEGHeader(request.fileName, 2, info) || info.Width <= 0 || info.Height <= 0)
            return false;
        size = QSize(info.Width, info.Height);
    }
    source.imageSize = size;
    const TThumbFit fit = FitIntoBox(size.width(), size.height(), box, options.dontSizeSmall);
    TJpegDecodeOptions decode;
    decode.ScaleDenom = JPEGScaleDenom(fit.ratio, options.quick);
    decode.DctMethod = dmIfast;
    decode.Grayscale = options.gray;
    const TJpegDecodeResult result = DecodeJpegFile(request.fileName, decode);
    if (!result.Ok())
        return false;
    source.image = result.Image;
    source.imageSize = result.FullSize;
    return true;
}

bool LoadGif(const QString& fileName, TSource& source)
{
    try {
        TQuickGIF gif;
        gif.LoadFromFile(fileName);
        source.image = gif.Bitmap();
        source.imageSize = QSize(gif.Width(), gif.Height());
    } catch (const std::exception&) {
        return false;
    }
    return !source.image.isNull();
}

bool LoadWithQt(const QString& fileName, const char* format, TSource& source)
{
    QFile file;
    if (!OpenReadOnly(file, fileName))
        return false;
    QImageReader reader(&file, format);
    reader.setDecideFormatFromContent(false);
    source.image = reader.read();
    source.imageSize = source.image.size();
    return !source.image.isNull();
}

bool LoadAvi(const QString& fileName, TSource& source)
{
    if (!AviFirstFrame(fileName, source.image))
        return false;
    source.imageSize = source.image.size();
    return !source.image.isNull();
}

bool LoadTiff(const QString& fileName, TSource& source)
{
    source.image = AnyTiffToImage(fileName, true);
    source.imageSize = source.image.size();
    return !source.image.isNull();
}

bool LoadSource(const TThumbRequest& request, int box, const TThumbOptions& options,
                TSource& source)
{
    switch (FileNameToFormat(request.fileName)) {
    case ifJPEG:
        return LoadJpeg(request, box, options, source);
    case ifGIF:
        return LoadGif(request.fileName, source);
    case ifBMP:
        return LoadWithQt(request.fileName, "BMP", source);
    case ifICO:
        source.iconStyle = true;
        return LoadWithQt(request.fileName, "ICO", source);
    case ifAVI:
        return LoadAvi(request.fileName, source);
    case ifTIFF:
        return LoadTiff(request.fileName, source);
    case ifPNG:
        return LoadWithQt(request.fileName, "PNG", source);
    case ifWebP:
        return LoadWithQt(request.fileName, "WEBP", source);
    default:
        return false;
    }
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

int JPEGScaleDenom(float ratio, bool quick)
{
    if (quick)
        return ratio <= 1 ? 1 : ratio <= 2 ? 2 : ratio <= 4 ? 4 : 8;
    return ratio < 2 ? 1 : ratio < 4 ? 2 : ratio < 8 ? 4 : 8;
}

TThumbResult MakeThumbnail(const TThumbRequest& request, int box, const TThumbOptions& options)
{
    TThumbResult result;
    result.itemId = request.itemId;
    TSource source;
    if (!LoadSource(request, box, options, source) || source.imageSize.isEmpty())
        return result;
    result.imageSize = source.imageSize;
    const TThumbFit fit =
        FitIntoBox(source.imageSize.width(), source.imageSize.height(), box, options.dontSizeSmall);
    if (fit.width <= 0 || fit.height <= 0)
        return result;
    result.thumbSize = QSize(fit.width, fit.height);
    result.thumbnail = source.iconStyle
                           ? IconThumbnail(source.image, result.thumbSize, options.buttonFace)
                           : Stretch(source.image, result.thumbSize);
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
