// TIFF files the own reader leaves alone go to libtiff: their headers, images and thumbnails must
// be libtiff's, and libtiff's complaints must end up in the result, never on standard error.
// (PixmarlInfoTest runs the corpus files through the same path.)

#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include "filelist/DJPEG.h"
#include "formats/Exif.h"
#include "formats/ImageLoads.h"
#include "formats/LibTiff.h"
#include "formats/TIFiles.h"
#include "support/LibTiffFiles.h"
#include "support/TestFiles.h"
#include "support/TiffBuilder.h"

namespace pixmarl {
namespace {

using test::LibTiffParams;

QImage Premultiplied(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

QImage Load(const QString& path, QSize box = {})
{
    TImageRequest request;
    request.FileName = path;
    request.Box = box;
    return LoadImageFile(request).Image;
}

TEST(LibTiffFallback, EveryKindGivesLibTiffsHeaderImageAndThumbnail)
{
    const struct {
        const char* name;
        LibTiffParams params;
        const char* typeText;
    } cases[] = {
        {"deflate", {.compression = COMPRESSION_ADOBE_DEFLATE}, "RGB (Deflate)"},
        {"jpeg ycbcr", {.compression = COMPRESSION_JPEG}, "RGB (JPEG)"},
        {"jpeg grey", {.samples = 1, .compression = COMPRESSION_JPEG}, "Gray (JPEG)"},
        {"packbits grey", {.samples = 1, .compression = COMPRESSION_PACKBITS}, "Gray (PackBits)"},
        {"fax g3",
         {.samples = 1, .bitsPerSample = 1, .compression = COMPRESSION_CCITTFAX3},
         "Monochrom (CCITT G3)"},
        {"fax g4",
         {.samples = 1, .bitsPerSample = 1, .compression = COMPRESSION_CCITTFAX4},
         "Monochrom (CCITT G4)"},
        {"tiled", {.compression = COMPRESSION_LZW, .tileSize = 32}, "RGB (LZW)"},
        {"16-bit grey", {.samples = 1, .bitsPerSample = 16}, "Gray "},
        {"16-bit deflate",
         {.bitsPerSample = 16, .compression = COMPRESSION_ADOBE_DEFLATE},
         "RGB (Deflate)"},
        {"planar", {.compression = COMPRESSION_LZW, .planar = true}, "RGB (LZW)"},
        {"alpha", {.alpha = true, .compression = COMPRESSION_PACKBITS}, "RGBA (PackBits)"},
        {"three pages", {.compression = COMPRESSION_ADOBE_DEFLATE, .pages = 3}, "RGB (Deflate)"},
        {"upside down",
         {.compression = COMPRESSION_ADOBE_DEFLATE, .orientation = 3},
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

        EXPECT_EQ(Premultiplied(Load(path, QSize(96, 96))), test::LibTiffReference(path));
        const TThumbResult thumb =
            MakeThumbnail(TThumbRequest{path, 1}, 96, TThumbOptions{.dontSizeSmall = true});
        EXPECT_EQ(thumb.imageSize, QSize(200, 120));
        EXPECT_EQ(thumb.thumbnail.size(), QSize(96, 57));
    }
}

// libtiff only flips; the loader turns by every orientation, once.
TEST(LibTiffFallback, EveryOrientationIsAppliedOnce)
{
    QTemporaryDir dir;
    LibTiffParams params{.compression = COMPRESSION_PACKBITS};
    const QString path = dir.filePath("turned.tif");
    ASSERT_TRUE(test::WriteLibTiff(path, params));
    const QImage rows = Premultiplied(Load(path));
    for (params.orientation = 2; params.orientation <= 8; ++params.orientation) {
        ASSERT_TRUE(test::WriteLibTiff(path, params));
        EXPECT_EQ(Premultiplied(Load(path)), OrientImage(rows, params.orientation));
    }
}

// libtiff's RGBA reader refuses them; the range of the samples becomes 0 to 255.
TEST(LibTiffFallback, FloatingPointSamplesAreStretchedToTheirRange)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("float.tif");
    for (const int bits : {32, 64}) {
        for (const int samples : {1, 3}) {
            const LibTiffParams p{.samples = samples,
                                  .bitsPerSample = bits,
                                  .floating = true,
                                  .compression = COMPRESSION_ADOBE_DEFLATE};
            ASSERT_TRUE(test::WriteLibTiff(path, p));
            const QImage image = Load(path);
            ASSERT_EQ(image.size(), QSize(200, 120));
            int right = 0;
            for (int y = 0; y < 120; ++y) {
                for (int x = 0; x < 200; ++x) {
                    // The levels are even, 0 to 254.
                    const auto level = [&](int c) {
                        return int(std::lround(((4 * x + 2 * y + 50 * c) & 255) * 255.0 / 254));
                    };
                    right += image.pixel(x, y) ==
                             qRgb(level(0), level(samples == 3), level(2 * (samples == 3)));
                }
            }
            EXPECT_EQ(right, 200 * 120) << bits << " bits, " << samples << " samples";
        }
    }
}

// Runs fn with standard error sent to a file and gives what was written there.
std::string CaptureStandardError(const QString& file, const std::function<void()>& fn)
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
    return test::ReadWholeFile(file).toStdString();
}

TEST(LibTiffFallback, FailuresGoToTheResultNeverToStandardError)
{
    QTemporaryDir dir;
    const QString jpegPath = dir.filePath("jpeg.tif");
    ASSERT_TRUE(test::WriteLibTiff(jpegPath, {.compression = COMPRESSION_JPEG}));
    const QByteArray jpeg = test::ReadWholeFile(jpegPath);
    QByteArray damaged = jpeg;
    for (int i = 400; i < 1400; ++i)  // the JPEG data of the first strips
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
        {"directory cut off", jpeg.left(2000), false},
        {"too large", huge, false},
    };
    // What reaches the process-wide handlers is printed, as libtiff does by default (set after
    // a first use, which makes them silent).
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
        EXPECT_EQ(CaptureStandardError(dir.filePath("stderr"),
                                       [&] {
                                           result = LibTiffBytesToImage(c.data);
                                           GetUniInfo(path, ifTIFF, info);
                                           Load(path);
                                       }),
                  "")
            << c.name;
        EXPECT_FALSE(result.Error.isEmpty()) << c.name;
        EXPECT_EQ(!result.Image.isNull(), c.image) << c.name << " " << result.Error.toStdString();
    }
    TIFFSetErrorHandler(oldError);
    TIFFSetWarningHandler(oldWarning);
}

}  // namespace
}  // namespace pixmarl
