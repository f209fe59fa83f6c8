#include "conversion/Converter.h"

#include <algorithm>
#include <exception>

#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include "fileops/FileNames.h"
#include "formats/ColorQuant.h"
#include "formats/Exif.h"
#include "formats/ImageLoads.h"
#include "formats/JPEGCodec.h"
#include "formats/RdJPGH.h"
#include "gif/GIFImage.h"
#include "platform/Paths.h"
#include "platform/ReadOnlyFile.h"

namespace pixmarl {

namespace {

QRgb OnWhite(QRgb color)
{
    const int a = qAlpha(color);
    const auto blend = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
    return qRgb(blend(qRed(color)), blend(qGreen(color)), blend(qBlue(color)));
}

// The image as a plain bitmap: transparent areas become white. A palette image keeps its
// palette, with its entries put on white.
QImage Opaque(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image;
    if (image.format() == QImage::Format_Indexed8) {
        QImage opaque = image;
        QList<QRgb> colors = opaque.colorTable();
        for (QRgb& color : colors)
            color = OnWhite(color);
        opaque.setColorTable(colors);
        return opaque;
    }
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, image);
    return opaque;
}

// An icon as the icon edge's bitmap with the icon at its top-left corner; a larger icon is
// scaled down to fit.
QImage IconBitmap(const QImage& icon)
{
    QImage bitmap(kIconEdge, kIconEdge, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    QPainter painter(&bitmap);
    if (icon.width() > kIconEdge || icon.height() > kIconEdge)
        painter.drawImage(
            0, 0, icon.scaled(kIconEdge, kIconEdge, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        painter.drawImage(0, 0, icon);
    return bitmap;
}

// An 8-bit grey image as the palette image the GIF writer takes, with the same pixel bytes.
QImage GreyPalette(const QImage& grey)
{
    QImage indexed(grey.size(), QImage::Format_Indexed8);
    if (indexed.isNull())
        return indexed;
    QList<QRgb> colors(256);
    for (int i = 0; i < 256; ++i)
        colors[i] = qRgb(i, i, i);
    indexed.setColorTable(colors);
    for (int y = 0; y < grey.height(); ++y)
        std::copy_n(grey.constScanLine(y), grey.width(), indexed.scanLine(y));
    return indexed;
}

// Part of a name: the base and the extension (from the last "." after the last "/").
struct TNameParts {
    QString Base;
    QString Ext;
};

TNameParts SplitName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || dot < name.lastIndexOf(u'/'))
        return {name, {}};
    return {name.left(dot), name.mid(dot)};
}

QString ApplyPattern(const QString& pattern, const QString& text)
{
    constexpr int kMaxPatternTail = 255;
    const qsizetype star = pattern.indexOf(u'*');
    if (star < 0)
        return pattern;
    return pattern.left(star) + text + pattern.mid(star + 1, kMaxPatternTail);
}

bool IsProgressiveFrame(std::uint8_t sofMarker)
{
    return sofMarker == 0xC2 || sofMarker == 0xC6 || sofMarker == 0xCA || sofMarker == 0xCE;
}

TDecodeCost JpegDecodeCost(const QString& fileName)
{
    TInfoRec info;
    if (!ReadJPEGHeader(fileName, kReadJpegFrame | kReadJpegExif, info) || info.Width == 0 ||
        info.Height == 0)
        return {};
    const qint64 pixels = qint64(info.Width) * info.Height;
    const qint64 image = pixels * 3;  // decoded as 24-bit RGB
    qint64 peak = image;
    // libjpeg keeps the coefficients of every component (16 bits each, at most one per pixel)
    // until the last scan.
    if (IsProgressiveFrame(info.SOFMarker))
        peak += pixels * info.Components * 2;
    // Turning a photo upright makes a second image.
    if (ExifOrientation(info.Exif) != 1)
        peak += image;
    return {image, peak};
}

QSize HeaderSize(const QString& fileName, TImageFormat format)
{
    TUniInfoRec info;
    if (GetUniInfo(fileName, format, info))
        return QSize(info.Width, std::abs(info.Height));
    QFile file;
    if (!OpenReadOnly(file, fileName))
        return {};
    QImageReader reader(&file);
    return reader.size();
}

}  // namespace

int TCImage::Fail(const QString& error)
{
    error_ = error;
    return kConvertFailed;
}

int TCImage::LoadFromFile(const QString& path)
{
    bitmap_ = QImage();
    error_.clear();
    TImageRequest request;
    request.FileName = path;
    TImageResult result = LoadImageFile(request);
    if (!result.Ok())
        return Fail(result.Error);
    bitmap_ = result.Format == ifICO ? IconBitmap(result.Image) : Opaque(result.Image);
    if (bitmap_.isNull())
        return Fail(QStringLiteral("Not enough memory for the bitmap."));
    return kConvertOk;
}

int TCImage::SaveToFile(const QString& path, TImageFormat format, const TConvertOptions& options)
{
    error_.clear();
    if (bitmap_.isNull())
        return Fail(QStringLiteral("There is no image to save."));
    switch (format) {
    case ifJPEG: {
        const TJpegEncodeOptions jpeg{options.Quality, options.Progressive, options.Grayscale};
        QString error;
        return SaveJpegFile(bitmap_, path, jpeg, &error) ? kConvertOk : Fail(error);
    }
    case ifGIF:
        return SaveGif(path, options.Interlaced);
    case ifBMP:
        return SaveBmp(path);
    default:
        return kConvertOk;
    }
}

int TCImage::SaveGif(const QString& path, bool interlaced)
{
    if (bitmap_.depth() > 8)
        ReduceToPalette(bitmap_);
    else if (bitmap_.format() == QImage::Format_Grayscale8)
        bitmap_ = GreyPalette(bitmap_);
    try {
        TGIFImage gif;
        gif.Add(bitmap_).SetInterlaced(interlaced);
        gif.SaveToFile(path);
    } catch (const std::exception& error) {
        return Fail(QString::fromUtf8(error.what()));
    }
    return kConvertOk;
}

int TCImage::SaveBmp(const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Fail(file.errorString());
    QImageWriter writer(&file, "bmp");
    if (!writer.write(bitmap_))
        return Fail(writer.errorString());
    if (!file.commit())
        return Fail(file.errorString());
    return kConvertOk;
}

QString MakeTargetName(const QString& mask, const QString& fileName)
{
    const TNameParts pattern = SplitName(mask);
    const TNameParts name = SplitName(fileName);
    return ApplyPattern(pattern.Base, name.Base) + ApplyPattern(pattern.Ext, name.Ext);
}

TImageFormat ProposedFormat(const QString& fileName)
{
    return FileNameToFormat(fileName) == ifJPEG ? ifGIF : ifJPEG;
}

bool IsInvalidTargetName(const QString& name)
{
    return name.isEmpty() || name == u"." || name == u".." || IsInvalidFileName(name);
}

bool MakeTargets(const QString& mask, const QString& folder, const QStringList& sources,
                 QStringList& targets)
{
    QStringList made;
    for (const QString& source : sources) {
        const QString name = MakeTargetName(mask, ExtractFileName(source));
        if (IsInvalidTargetName(name))
            return false;
        made << JoinPath(folder, name);
    }
    targets = made;
    return true;
}

QString ChangeFileExt(const QString& path, const QString& ext)
{
    const TNameParts parts = SplitName(path);
    return parts.Base + ext;
}

TDecodeCost EstimateDecodeCost(const QString& fileName)
{
    const TImageFormat format = FileNameToFormat(fileName);
    if (format == ifJPEG)
        return JpegDecodeCost(fileName);
    const QSize size = HeaderSize(fileName, format);
    if (size.isEmpty())
        return {};
    // 32 bits a pixel at most; the TIFF reader makes a bitmap file in memory first.
    const qint64 image = qint64(size.width()) * size.height() * 4;
    return {image, format == ifTIFF ? 2 * image : image};
}

bool MayDecodeAhead(const TDecodeCost& current, const TDecodeCost& next)
{
    return next.PeakBytes > 0 &&
           current.PeakBytes + next.PeakBytes <= 2 * std::max(current.ImageBytes, next.ImageBytes);
}

}  // namespace pixmarl
