#include "formats/ImageLoads.h"

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

#include <QFile>
#include <QImageReader>

#include "formats/AVIFile.h"
#include "formats/JPEGCodec.h"
#include "formats/LibTiff.h"
#include "formats/RdJPGH.h"
#include "formats/TIFiles.h"
#include "gif/GIFImage.h"
#include "platform/ReadOnlyFile.h"

namespace pixmarl {

namespace {

void LoadJpeg(const TImageRequest& request, TImageResult& result)
{
    TInfoRec info;
    const std::uint8_t flags = kReadJpegFrame | (request.Upright ? kReadJpegExif : 0);
    if (!ReadJPEGHeader(request.FileName, flags, info) || info.Width == 0 || info.Height == 0) {
        result.Error = info.ErrorMsg;
        return;
    }
    result.Orientation = ExifOrientation(info.Exif);
    TJpegDecodeOptions options;
    if (!request.Box.isEmpty()) {
        const QSize shown = OrientedSize(QSize(info.Width, info.Height), result.Orientation);
        options.ScaleDenom = JPEGScaleDenom(FitRatio(shown, request.Box), request.Quick);
    }
    options.DctMethod = request.FastDct ? dmIfast : dmIslow;
    options.Grayscale = request.Grayscale;
    options.Rgb32 = request.Rgb32;
    TJpegDecodeResult decoded = DecodeJpegFile(request.FileName, options);
    result.Image = std::move(decoded.Image);
    result.ImageSize = decoded.FullSize;
    result.ScaleDenom = options.ScaleDenom;
    result.Damaged = decoded.Damaged;
    result.Error = decoded.Error;
}

void LoadGif(const TImageRequest& request, TImageResult& result)
{
    try {
        TQuickGIF gif;
        gif.LoadFromFile(request.FileName);
        result.Image = gif.Bitmap();
        result.ImageSize = QSize(gif.Width(), gif.Height());
        result.MoreFollow = gif.MoreFollow();
    } catch (const std::exception& error) {
        result.Error = QString::fromUtf8(error.what());
    }
}

void LoadWithQt(const TImageRequest& request, TImageResult& result)
{
    QFile file;
    if (!OpenReadOnly(file, request.FileName)) {
        result.Error = file.errorString();
        return;
    }
    QImageReader reader(&file, FormatInfo(result.Format).ShortName);
    reader.setDecideFormatFromContent(false);
    result.Image = reader.read();
    result.ImageSize = result.Image.size();
    if (result.Image.isNull())
        result.Error = reader.errorString();
}

void LoadAvi(const TImageRequest& request, TImageResult& result)
{
    if (AviFirstFrame(request.FileName, result.Image))
        result.ImageSize = result.Image.size();
}

// The own reader keeps every file it decodes; libtiff takes the others.
void LoadTiff(const TImageRequest& request, TImageResult& result)
{
    TTifInfo info;
    if (request.Upright && ReadTiffInfo(request.FileName, info))
        result.Orientation = info.Orientation;
    result.Image = request.Box.isEmpty() ? TiffToImage(request.FileName)
                                         : TiffToImagePreview(request.FileName);
    if (result.Image.isNull()) {
        TLibTiffImage decoded = LibTiffToImage(request.FileName);
        result.Image = std::move(decoded.Image);
        result.Orientation = decoded.Orientation;
        result.Damaged = !result.Image.isNull() && !decoded.Error.isEmpty();
        result.Error = decoded.Error;
    }
    result.ImageSize = result.Image.size();
}

QImage DrawableImage(QImage image)
{
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() == format)
        return image;
    return image.convertToFormat(format);
}

// PNG, and WebP through Qt's image-format plugin (an animation gives its first frame).
constexpr std::array<std::pair<TImageFormat, TImageLoader>, 8> kLoaders = {{
    {ifJPEG, LoadJpeg},
    {ifGIF, LoadGif},
    {ifBMP, LoadWithQt},
    {ifICO, LoadWithQt},
    {ifAVI, LoadAvi},
    {ifTIFF, LoadTiff},
    {ifPNG, LoadWithQt},
    {ifWebP, LoadWithQt},
}};

}  // namespace

TImageLoader ImageLoaderFor(TImageFormat format)
{
    for (const auto& [known, loader] : kLoaders)
        if (known == format)
            return loader;
    return nullptr;
}

TImageResult LoadImageFile(const TImageRequest& request)
{
    TImageResult result;
    result.Format =
        request.Format != ifUnknown ? request.Format : FileNameToFormat(request.FileName);
    const TImageLoader loader = ImageLoaderFor(result.Format);
    if (!loader)
        return result;
    try {
        loader(request, result);
    } catch (const std::exception& error) {  // out of memory in a library, for one
        result.Image = QImage();
        result.Error = QString::fromLocal8Bit(error.what());
    }
    if (result.Image.isNull()) {
        result.Orientation = 1;
        if (result.Error.isEmpty())
            result.Error = QStringLiteral("The file cannot be read.");
        return result;
    }
    if (!request.Upright)
        result.Orientation = 1;
    result.Image = OrientImage(result.Image, result.Orientation);
    if (request.Rgb32)
        result.Image = DrawableImage(std::move(result.Image));
    return result;
}

int JPEGScaleDenom(float ratio, bool quick)
{
    if (quick)
        return ratio <= 1 ? 1 : ratio <= 2 ? 2 : ratio <= 4 ? 4 : 8;
    return ratio < 2 ? 1 : ratio < 4 ? 2 : ratio < 8 ? 4 : 8;
}

QSize FitSize(QSize size, QSize box)
{
    if (size.width() <= 0 || size.height() <= 0 || box.width() <= 0 || box.height() <= 0)
        return QSize(0, 0);
    const float rx = float(size.width()) / float(box.width());
    const float ry = float(size.height()) / float(box.height());
    // A side that truncates to nothing (a 10000 x 1 strip) still gets a pixel.
    const auto side = [](long double length) { return std::max(1, int(length)); };
    if (rx > ry)
        return QSize(box.width(), side(static_cast<long double>(size.height()) / rx));
    return QSize(side(static_cast<long double>(size.width()) / ry), box.height());
}

float FitRatio(QSize size, QSize box)
{
    if (size.isEmpty() || box.isEmpty())
        return 0;
    return std::max(float(size.width()) / float(box.width()),
                    float(size.height()) / float(box.height()));
}

}  // namespace pixmarl
