// TIFF files the own reader leaves alone go to libtiff: their headers, images and thumbnails must
// be libtiff's, the own reader's files must stay the own reader's, and libtiff's complaints must
// end up in the result, never on standard error.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include <QDirIterator>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include "filelist/DJPEG.h"
#include "formats/Exif.h"
#include "formats/ImageLoads.h"
#include "formats/Images.h"
#include "formats/LibTiff.h"
#include "formats/TIFiles.h"
#include "support/LibTiffFiles.h"
#include "support/TestFiles.h"
#include "support/TiffBuilder.h"

namespace pixmarl {
namespace {

using test::LibTiffParams;

LibTiffParams Kind(int compression, void (*change)(LibTiffParams&) = nullptr)
{
    LibTiffParams p;
    p.width = 200;
    p.height = 120;
    p.compression = compression;
    if (change != nullptr)
        change(p);
    return p;
}

void Grey(LibTiffParams& p)
{
    p.samples = 1;
}

void Fax(LibTiffParams& p)
{
    p.samples = 1;
    p.bitsPerSample = 1;
    p.rowsPerStrip = 120;
}

QImage Premultiplied(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

// The mean difference per channel of two images of one size.
double MeanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int i = 0; i < x.width() * 3; ++i)
            sum += std::abs(int(x.constScanLine(row)[i]) - int(y.constScanLine(row)[i]));
    }
    return sum / (double(x.width()) * x.height() * 3);
}

QImage Load(const QString& path, QSize box = {})
{
    TImageRequest request;
    request.FileName = path;
    request.Box = box;
    return LoadImageFile(request).Image;
}

TThumbResult Thumbnail(const QString& path)
{
    TThumbOptions options;
    options.dontSizeSmall = true;
    return MakeThumbnail(TThumbRequest{path, 1, {}}, 96, options);
}

TEST(LibTiffFallback, EveryKindGivesLibTiffsHeaderImageAndThumbnail)
{
    const struct {
        const char* name;
        LibTiffParams params;
        const char* typeText;
    } cases[] = {
        {"deflate", Kind(COMPRESSION_ADOBE_DEFLATE), "RGB (Deflate)"},
        {"jpeg ycbcr", Kind(COMPRESSION_JPEG), "RGB (JPEG)"},
        {"jpeg grey", Kind(COMPRESSION_JPEG, Grey), "Gray (JPEG)"},
        {"packbits grey", Kind(COMPRESSION_PACKBITS, Grey), "Gray (PackBits)"},
        {"fax g3", Kind(COMPRESSION_CCITTFAX3, Fax), "Monochrom (CCITT G3)"},
        {"fax g4", Kind(COMPRESSION_CCITTFAX4, Fax), "Monochrom (CCITT G4)"},
        {"tiled lzw", Kind(COMPRESSION_LZW, [](LibTiffParams& p) { p.tileSize = 32; }),
         "RGB (LZW)"},
        {"16-bit grey",
         Kind(COMPRESSION_NONE, [](LibTiffParams& p) { Grey(p), p.bitsPerSample = 16; }), "Gray "},
        {"16-bit deflate",
         Kind(COMPRESSION_ADOBE_DEFLATE, [](LibTiffParams& p) { p.bitsPerSample = 16; }),
         "RGB (Deflate)"},
        {"planar lzw", Kind(COMPRESSION_LZW, [](LibTiffParams& p) { p.planar = true; }),
         "RGB (LZW)"},
        {"alpha packbits", Kind(COMPRESSION_PACKBITS, [](LibTiffParams& p) { p.alpha = true; }),
         "RGBA (PackBits)"},
        {"three pages", Kind(COMPRESSION_ADOBE_DEFLATE, [](LibTiffParams& p) { p.pages = 3; }),
         "RGB (Deflate)"},
        {"upside down",
         Kind(COMPRESSION_ADOBE_DEFLATE, [](LibTiffParams& p) { p.orientation = 3; }),
         "RGB (Deflate)"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name) + ".tif");
        ASSERT_TRUE(test::WriteLibTiff(path, c.params));
        TTifInfo own;
        EXPECT_TRUE(!ReadTiffInfo(path, own) || own.Unsupported) << "not a case for libtiff";

        TUniInfoRec info;
        ASSERT_TRUE(GetUniInfo(path, ifTIFF, info));
        EXPECT_EQ(QSize(info.Width, info.Height), QSize(200, 120));
        EXPECT_EQ(TypeText(ifTIFF, info.ColorDepth, info.SubType), c.typeText);

        const QImage reference = test::LibTiffReference(path);
        ASSERT_EQ(reference.size(), QSize(200, 120));
        EXPECT_EQ(Premultiplied(Load(path, QSize(96, 96))), reference);

        const TThumbResult thumb = Thumbnail(path);
        ASSERT_FALSE(thumb.failed);
        EXPECT_EQ(thumb.imageSize, QSize(200, 120));
        ASSERT_EQ(thumb.thumbnail.size(), QSize(96, 57));
        EXPECT_LT(MeanDifference(thumb.thumbnail,
                                 reference.scaled(thumb.thumbnail.size(), Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation)),
                  3.0);
    }
}

// libtiff's RGBA reader refuses them; the range of the samples becomes 0 to 255.
// libtiff only flips; the loader turns by every orientation, once.
TEST(LibTiffFallback, EveryOrientationIsAppliedOnce)
{
    QTemporaryDir dir;
    const QString stored = dir.filePath("stored.tif");
    ASSERT_TRUE(test::WriteLibTiff(stored, Kind(COMPRESSION_PACKBITS)));
    const QImage rows = Premultiplied(Load(stored));
    for (int orientation = 2; orientation <= 8; ++orientation) {
        LibTiffParams params = Kind(COMPRESSION_PACKBITS);
        params.orientation = orientation;
        const QString path = dir.filePath("turned.tif");
        ASSERT_TRUE(test::WriteLibTiff(path, params));
        EXPECT_EQ(Premultiplied(Load(path)), OrientImage(rows, orientation)) << orientation;
    }
}

TEST(LibTiffFallback, FloatingPointSamplesAreStretchedToTheirRange)
{
    QTemporaryDir dir;
    for (const int bits : {32, 64}) {
        for (const int samples : {1, 3}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, samples " + std::to_string(samples));
            const LibTiffParams params =
                Kind(COMPRESSION_ADOBE_DEFLATE, [](LibTiffParams& p) { p.floating = true; });
            LibTiffParams p = params;
            p.bitsPerSample = bits;
            p.samples = samples;
            const QString path = dir.filePath("float.tif");
            ASSERT_TRUE(test::WriteLibTiff(path, p));
            const QImage image = Load(path);
            ASSERT_EQ(image.size(), QSize(200, 120));
            int wrong = 0;
            for (int y = 0; y < 120; ++y) {
                for (int x = 0; x < 200; ++x) {
                    // The samples are even, 0 to 254.
                    const auto level = [&](int c) {
                        return int(std::lround(((4 * x + 2 * y + 50 * c) & 255) * 255.0 / 254.0));
                    };
                    const QRgb expected = samples == 1 ? qRgb(level(0), level(0), level(0))
                                                       : qRgb(level(0), level(1), level(2));
                    wrong += image.pixel(x, y) == expected ? 0 : 1;
                }
            }
            EXPECT_EQ(wrong, 0);
            EXPECT_FALSE(Thumbnail(path).failed);
        }
    }
}

TEST(LibTiffFallback, FilesTheOwnReaderDecodesKeepItsOutput)
{
    using test::TiffKind;
    QTemporaryDir dir;
    for (TiffKind kind : {TiffKind::Bilevel, TiffKind::Palette, TiffKind::Rgb, TiffKind::Cmyk}) {
        test::TiffParams params;
        params.kind = kind;
        params.lzw = true;
        const QString path = test::WriteFile(dir.path(), "own.tif", test::BuildTiff(params));
        const QImage own = TiffToImage(path);
        ASSERT_FALSE(own.isNull()) << int(kind);
        const QImage any = Load(path);
        EXPECT_EQ(any.format(), own.format()) << int(kind);
        EXPECT_EQ(any, own) << int(kind);
        TUniInfoRec byOwn, byAny;
        ASSERT_TRUE(TiffUniInfo(path, byOwn));
        ASSERT_TRUE(AnyTiffUniInfo(path, byAny));
        EXPECT_EQ(std::tie(byAny.Width, byAny.Height, byAny.SubType, byAny.ColorDepth),
                  std::tie(byOwn.Width, byOwn.Height, byOwn.SubType, byOwn.ColorDepth));
    }
}

// Runs fn with standard error sent to a file and gives what was written there.
QByteArray CaptureStandardError(const QString& file, const std::function<void()>& fn)
{
    std::fflush(stderr);
    const int saved = dup(2);
    const int capture =
        open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(capture, 2);
    fn();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(capture);
    return test::ReadWholeFile(file);
}

TEST(LibTiffFallback, FailuresGoToTheResultNeverToStandardError)
{
    QTemporaryDir dir;
    const QString jpegPath = dir.filePath("jpeg.tif");
    ASSERT_TRUE(test::WriteLibTiff(jpegPath, Kind(COMPRESSION_JPEG)));
    QByteArray damaged = test::ReadWholeFile(jpegPath);
    // The JPEG data of the first strips, after the header.
    for (int i = 400; i < 1400; ++i)
        damaged[i] = char(i * 7);
    test::TiffParams alpha;
    alpha.alpha = true;
    QByteArray huge = test::BuildTiff(alpha);
    ASSERT_TRUE(test::SetTiffEntry(huge, 256, 1, 70000) && test::SetTiffEntry(huge, 257, 1, 70000));
    const struct {
        const char* name;
        QByteArray data;
        bool image;
    } cases[] = {
        {"not a tiff", "II*\0 this is not a TIFF file at all", false},
        {"damaged jpeg data", damaged, true},
        {"directory cut off", test::ReadWholeFile(jpegPath).left(2000), false},
        {"too large", huge, false},
    };
    // Whatever reaches the process-wide handlers is printed, as libtiff does by default (set
    // after a first use, which makes them silent).
    LibTiffBytesToImage(QByteArray());
    const auto print = [](const char*, const char* fmt, va_list ap) {
        std::vfprintf(stderr, fmt, ap);
    };
    const TIFFErrorHandler oldError = TIFFSetErrorHandler(print);
    const TIFFErrorHandler oldWarning = TIFFSetWarningHandler(print);
    for (const auto& c : cases) {
        TLibTiffImage result;
        const QString path = test::WriteFile(dir.path(), "bad.tif", c.data);
        TUniInfoRec info;
        const QByteArray written = CaptureStandardError(dir.filePath("stderr"), [&] {
            result = LibTiffBytesToImage(c.data);
            GetUniInfo(path, ifTIFF, info);
            Load(path);
        });
        EXPECT_EQ(written.toStdString(), "") << c.name;
        EXPECT_FALSE(result.Error.isEmpty()) << c.name;
        EXPECT_EQ(!result.Image.isNull(), c.image) << c.name << " " << result.Error.toStdString();
    }
    TIFFSetErrorHandler(oldError);
    TIFFSetWarningHandler(oldWarning);
}

TEST(LibTiffCorpus, EveryFileLibTiffDecodesGetsItsHeaderAndAThumbnail)
{
    const QString folder = test::CorporaDir() + "/libtiff-test-images";
    if (test::CorporaDir().isEmpty() || !QFileInfo(folder).isDir())
        GTEST_SKIP() << "no corpora";
    int decoded = 0;
    QDirIterator it(folder, {"*.tif", "*.tiff"}, QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        SCOPED_TRACE(path.toStdString());
        if (!test::LibTiffDecodes(path))
            continue;
        ++decoded;
        TUniInfoRec info;
        ASSERT_TRUE(GetUniInfo(path, ifTIFF, info));
        const TThumbResult thumb = Thumbnail(path);
        EXPECT_FALSE(thumb.failed);
        EXPECT_EQ(thumb.imageSize, QSize(info.Width, info.Height));
        const TThumbFit fit = FitIntoBox(info.Width, info.Height, 96, true);
        EXPECT_EQ(thumb.thumbSize, QSize(fit.width, fit.height));
    }
    EXPECT_GE(decoded, 20);
}

}  // namespace
}  // namespace pixmarl
