#include "DJPEG.h"

#include <algorithm>
#include <atomic>
#include <optional>

#include <QFileInfo>
#include <QPainter>

#include "filelist/ThumbCache.h"
#include "formats/Exif.h"
#include "formats/ImageLoads.h"
#include "formats/Images.h"
#include "formats/RdJPGH.h"

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

TThumbResult FailedResult(const TThumbRequest& request)
{
    TThumbResult result;
    result.itemId = request.itemId;
    return result;
}

// The thumbnail of an upright picture of an image whose own size is stored, shown when upright.
TThumbResult FromPicture(const TThumbRequest& request, const QImage& picture, QSize stored,
                         QSize shown, TImageFormat format, int box, const TThumbOptions& options)
{
    TThumbResult result = FailedResult(request);
    if (stored.isEmpty())
        return result;
    result.imageSize = stored;
    const TThumbFit fit = FitIntoBox(shown.width(), shown.height(), box, options.dontSizeSmall);
    if (fit.width <= 0 || fit.height <= 0)
        return result;
    result.thumbSize = QSize(fit.width, fit.height);
    result.thumbnail = format == ifICO
                           ? IconThumbnail(picture, result.thumbSize, options.buttonFace)
                           : Stretch(picture, result.thumbSize);
    result.failed = result.thumbnail.isNull();
    return result;
}

// The image's own size and how it must turn, from its header alone, as its decode would tell.
bool ReadShape(const TCachedFile& file, QSize& stored, int& orientation)
{
    orientation = 1;
    if (file.format == ifJPEG) {
        TInfoRec info;
        if (!ReadJPEGHeader(file.path, kReadJpegFrame | kReadJpegExif, info))
            return false;
        stored = QSize(int(info.Width), int(info.Height));
        orientation = ExifOrientation(info.Exif);
    } else {
        TUniInfoRec info;
        if (!GetUniInfo(file.path, file.format, info))
            return false;
        stored = QSize(info.Width, info.Height);
    }
    return !stored.isEmpty();
}

// A cached picture serves when it is the whole image or at least as large as the thumbnail, and
// has the image's proportions within a pixel: not a crop, nor turned on its side.
bool Serves(QSize entry, QSize shown, QSize thumb)
{
    const qint64 skew =
        qAbs(qint64(entry.width()) * shown.height() - qint64(entry.height()) * shown.width());
    if (skew > std::max(shown.width(), shown.height()))
        return false;
    return entry == shown ||
           std::max(entry.width(), entry.height()) >= std::max(thumb.width(), thumb.height());
}

std::optional<TThumbResult> FromCache(const TThumbCache& cache, const TCachedFile& file,
                                      const TThumbRequest& request, int box,
                                      const TThumbOptions& options)
{
    // The header is read only once an entry is there, so a folder seen for the first time pays
    // no read besides its decodes.
    std::optional<bool> shapeRead;
    QSize stored;
    QSize shown;
    QImage picture = cache.Find(file, SizeClassFor(box), [&](QSize size) {
        if (!shapeRead) {
            int orientation = 1;
            shapeRead = ReadShape(file, stored, orientation);
            shown = OrientedSize(stored, orientation);
        }
        if (!*shapeRead)
            return false;
        const TThumbFit fit = FitIntoBox(shown.width(), shown.height(), box, options.dontSizeSmall);
        return Serves(size, shown, QSize(fit.width, fit.height));
    });
    if (picture.isNull())
        return std::nullopt;
    if (options.gray && file.format == ifJPEG)
        picture = picture.convertToFormat(QImage::Format_Grayscale8);
    return FromPicture(request, picture, stored, shown, file.format, box, options);
}

// Quick and grey JPEG decodes fall short of the pictures other programs expect from the cache.
bool Fills(const TCachedFile& file, const TThumbOptions& options)
{
    return file.format != ifJPEG || (!options.quick && !options.gray);
}

// What a size class keeps of a decode: the picture fitted into the class edge, never enlarged;
// null when the decode is smaller than that.
QImage ClassPicture(const TImageResult& source, int edge)
{
    const QSize shown = source.ShownSize();
    const TThumbFit fit = FitIntoBox(shown.width(), shown.height(), edge, true);
    const QSize size(fit.width, fit.height);
    if (size.isEmpty() || source.Image.width() < size.width() ||
        source.Image.height() < size.height())
        return {};
    if (source.Image.size() == size)
        return source.Image;
    return source.Image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void Remember(TThumbCache& cache, const TCachedFile& file, int sizeClass,
              const TImageResult& source, const QImage& kept, const TThumbResult& result)
{
    if (!source.Ok()) {
        // A file that cannot be opened now may be readable later: only one read and refused is
        // recorded.
        if (QFileInfo(file.path).isReadable())
            cache.StoreFailure(file);
        return;
    }
    if (!kept.isNull() && !result.failed)
        cache.Store(file, sizeClass, kept);
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

TThumbResult MakeThumbnail(const TThumbRequest& request, int box, const TThumbOptions& options,
                           TThumbCache* cache)
{
    std::optional<TCachedFile> file;
    if (cache != nullptr && (file = cache->Key(request.fileName))) {
        if (std::optional<TThumbResult> cached = FromCache(*cache, *file, request, box, options))
            return *std::move(cached);
        if (cache->Failed(*file))
            return FailedResult(request);
    }
    const int sizeClass = file && Fills(*file, options) ? SizeClassFor(box) : -1;
    // A decode that fills the cache too covers the size class: one decode serves both.
    TImageRequest load;
    load.FileName = request.fileName;
    const int decodeBox = sizeClass >= 0 ? kThumbSizeClasses[sizeClass].edge : box;
    load.Box = QSize(decodeBox, decodeBox);
    load.Quick = options.quick;
    load.FastDct = true;
    load.Grayscale = options.gray;
    const TImageResult source = LoadImageFile(load);
    // A damaged file's partial picture is shown, but not offered to other programs. The
    // thumbnail is made from the picture the cache keeps, as on later visits.
    const QImage kept = sizeClass >= 0 && source.Ok() && !source.Damaged
                            ? ClassPicture(source, kThumbSizeClasses[sizeClass].edge)
                            : QImage();
    const TThumbResult result =
        source.Ok() ? FromPicture(request, kept.isNull() ? source.Image : kept, source.ImageSize,
                                  source.ShownSize(), source.Format, box, options)
                    : FailedResult(request);
    if (file)
        Remember(*cache, *file, sizeClass, source, kept, result);
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
    std::shared_ptr<TThumbCache> cache;  // when the options share thumbnails
    std::shared_ptr<const void> mark;    // a TRunningMark
};

TDJPEGThread::TDJPEGThread(TThumbDone done)
    : cache_(std::make_shared<TThumbCache>()), worker_(&TDJPEGThread::Make, std::move(done))
{}

TDJPEGThread::~TDJPEGThread() = default;

TThumbResult TDJPEGThread::Make(const TJob& job)
{
    return MakeThumbnail(job.request, job.box, job.options, job.cache.get());
}

void TDJPEGThread::Request(TThumbRequest request, int box, const TThumbOptions& options,
                           quint64 generation)
{
    worker_.Request(TJob{std::move(request), box, options, options.share ? cache_ : nullptr,
                         std::make_shared<TRunningMark>()},
                    generation);
}

bool TDJPEGThread::Running()
{
    return runningJobs > 0;
}

}  // namespace pixmarl
