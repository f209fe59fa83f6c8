#include <gtest/gtest.h>

#include <optional>
#include <random>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gif_lib.h>

#include "conversion/Converter.h"
#include "formats/ColorQuant.h"
#include "formats/RdJPGH.h"
#include "platform/Paths.h"
#include "support/JpegBuilder.h"
#include "support/ScratchMounts.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

QByteArray Jpeg(int width, int height, bool progressive = false)
{
    test::JpegParams params;
    params.width = width;
    params.height = height;
    params.progressive = progressive;
    return test::BuildJpeg(params);
}

TEST(Converter, MakeTargetNameAppliesBaseAndExtensionPatterns)
{
    const QString longTail(300, u'x');
    const struct {
        QString mask, file, target;
    } cases[] = {
        {"*.JPG", "photo.bmp", "photo.JPG"},
        {"th_*.JPG", "photo.bmp", "th_photo.JPG"},
        {"*.*", "photo.bmp", "photo..bmp"},  // ".*" gives "." and the extension with its dot
        {"*_small.GIF", "a.b.jpg", "a.b_small.GIF"},
        {"copy.BMP", "photo.bmp", "copy.BMP"},
        {"*", "photo.bmp", "photo"},
        {"*.JPG", "README", "README.JPG"},
        {"*" + longTail + ".GIF", "a.jpg", "a" + longTail.left(255) + ".GIF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeTargetName(c.mask, c.file), c.target) << qPrintable(c.mask);
}

TEST(Converter, TargetsFailingTheNameCheckAreRefused)
{
    const QStringList sources{"/p/a.bmp", "/p/b.gif"};
    QStringList targets{"unchanged"};
    for (const QString mask : {"a?*.JPG", "*:x.JPG", "*_*.JPG", "sub/*.JPG", "", ".."}) {
        EXPECT_FALSE(MakeTargets(mask, "/out", sources, targets)) << qPrintable(mask);
        EXPECT_EQ(targets, QStringList{"unchanged"});
    }
    ASSERT_TRUE(MakeTargets("*.JPG", "/out/", sources, targets));
    EXPECT_EQ(targets, (QStringList{"/out/a.JPG", "/out/b.JPG"}));
}

// giflib's view of a one-frame GIF file: the colours of its pixels.
std::optional<QImage> GiflibRgb(const QString& path)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(QFile::encodeName(path).constData(), &error);
    if (gif == nullptr)
        return std::nullopt;
    std::optional<QImage> rgb;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1) {
        const SavedImage& frame = gif->SavedImages[0];
        const ColorMapObject* map =
            frame.ImageDesc.ColorMap != nullptr ? frame.ImageDesc.ColorMap : gif->SColorMap;
        rgb.emplace(frame.ImageDesc.Width, frame.ImageDesc.Height, QImage::Format_RGB32);
        for (int y = 0; y < rgb->height(); ++y)
            for (int x = 0; x < rgb->width(); ++x) {
                const GifColorType c = map->Colors[frame.RasterBits[y * rgb->width() + x]];
                rgb->setPixel(x, y, qRgb(c.Red, c.Green, c.Blue));
            }
    }
    DGifCloseFile(gif, &error);
    return rgb;
}

QImage Rgb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

// A photo through the converter: JPEG to GIF (reduced to 256 colours, as giflib reads it) to BMP
// and GIF again (the GIF's colours exactly: a palette bitmap is not reduced again).
TEST(Converter, PhotoRoundTripJpegGifBmp)
{
    const QString photo = test::CorporaDir() + "/photos/Picture_1A_by_freespace.jpg";
    if (test::CorporaDir().isEmpty())
        GTEST_SKIP() << "no corpora";
    QTemporaryDir dir;
    TCImage image;
    ASSERT_EQ(image.LoadFromFile(photo), kConvertOk);
    QImage expected = image.Bitmap();
    ASSERT_EQ(expected.size(), QSize(1365, 1074));
    ASSERT_TRUE(ReduceToPalette(expected));
    TConvertOptions interlaced;
    interlaced.Interlaced = true;
    const QString gif = dir.filePath("photo.GIF");
    ASSERT_EQ(image.SaveToFile(gif, ifGIF, interlaced), kConvertOk);
    const std::optional<QImage> giflib = GiflibRgb(gif);
    ASSERT_TRUE(giflib.has_value());
    EXPECT_EQ(*giflib, Rgb(expected));

    TCImage fromGif;
    ASSERT_EQ(fromGif.LoadFromFile(gif), kConvertOk);
    const QString bmp = dir.filePath("photo.BMP");
    ASSERT_EQ(fromGif.SaveToFile(bmp, ifBMP, {}), kConvertOk);
    EXPECT_EQ(Rgb(QImage(bmp, "BMP")), *giflib);
    ASSERT_EQ(fromGif.SaveToFile(dir.filePath("again.GIF"), ifGIF, {}), kConvertOk);
    EXPECT_EQ(GiflibRgb(dir.filePath("again.GIF")), giflib);
}

// Icons become 32 x 32 bitmaps with the icon at the top-left, scaled down when larger; what an
// icon leaves transparent is white, as in any image with transparency.
TEST(Converter, IconsBecome32x32OnWhite)
{
    QTemporaryDir dir;
    for (const int edge : {16, 64}) {
        QImage icon(edge, edge, QImage::Format_ARGB32);
        icon.fill(Qt::transparent);
        QPainter(&icon).fillRect(0, 0, edge, edge / 2, QColor(0, 0, 255));
        const QString path = dir.filePath(QStringLiteral("i%1.ico").arg(edge));
        ASSERT_TRUE(icon.save(path, "ICO"));
        TCImage image;
        ASSERT_EQ(image.LoadFromFile(path), kConvertOk) << edge;
        const QImage& bitmap = image.Bitmap();
        EXPECT_EQ(bitmap.size(), QSize(32, 32));
        EXPECT_FALSE(bitmap.hasAlphaChannel());
        const int drawn = std::min(edge, 32);
        EXPECT_EQ(bitmap.pixel(1, 1), qRgb(0, 0, 255)) << edge;
        EXPECT_EQ(bitmap.pixel(1, drawn - 2), qRgb(255, 255, 255)) << edge;  // transparent
        EXPECT_EQ(bitmap.pixel(31, 31), qRgb(255, 255, 255)) << edge;
        EXPECT_EQ(bitmap.pixel(drawn - 1, 1), qRgb(0, 0, 255)) << edge;
    }
}

TEST(Converter, JpegOptionsReachTheFile)
{
    QTemporaryDir dir;
    TCImage image;
    ASSERT_EQ(image.LoadFromFile(test::WriteFile(dir.path(), "in.jpg", Jpeg(64, 48))), kConvertOk);
    const struct {
        TConvertOptions options;
        std::uint8_t sof;
        int components;
    } cases[] = {{{.Quality = 100}, 0xC0, 3},
                 {{.Progressive = true}, 0xC2, 3},
                 {{.Quality = 10, .Grayscale = true}, 0xC0, 1}};
    qint64 lastSize = 0;
    for (const auto& c : cases) {
        const QString out = dir.filePath("out.jpg");
        ASSERT_EQ(image.SaveToFile(out, ifJPEG, c.options), kConvertOk);
        TInfoRec info;
        ASSERT_TRUE(ReadJPEGHeader(out, kReadJpegFrame, info));
        EXPECT_EQ(QList<int>({info.SOFMarker, info.Components, info.Width, info.Height}),
                  QList<int>({c.sof, c.components, 64, 48}));
        if (lastSize > 0) {
            EXPECT_LT(QFileInfo(out).size(), lastSize);  // quality 100, 80, 10
        }
        lastSize = QFileInfo(out).size();
    }
}

QImage Noise(int edge)
{
    QImage noise(edge, edge, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < edge; ++y)
        for (int x = 0; x < edge; ++x)
            noise.setPixel(x, y, random() | 0xFF000000u);
    return noise;
}

// A save that fails (a folder refusing new files, a full disk) leaves the folder as it was: the
// file it would have replaced unchanged and no temporary file.
TEST(Converter, FailedSaveLeavesNoTemporaryAndTheOldFile)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("noise.bmp");
    ASSERT_TRUE(Noise(400).save(source, "BMP"));
    TCImage image;
    ASSERT_EQ(image.LoadFromFile(source), kConvertOk);
    const QString point = test::MakeFolder(dir.path(), "mnt");
    for (const bool readOnly : {true, false}) {
        const QString inside = test::MakeFolder(dir.path(), readOnly ? "ro" : "small");
        std::optional<test::TMount> mount;
        if (readOnly) {
            test::WriteFile(inside, "old.x", "old");
            mount.emplace(QStringList{"--bind", "-o", "ro", inside}, point);
        } else {
            mount.emplace(QStringList{"-t", "tmpfs", "-o", "size=64k", "tmpfs"}, point);
            if (mount->Why().isEmpty())
                test::WriteFile(point, "old.x", "old");
        }
        if (test::SkippedRow(*mount))
            continue;
        for (const TImageFormat format : {ifJPEG, ifGIF, ifBMP}) {
            TCImage copy = image;
            EXPECT_EQ(copy.SaveToFile(JoinPath(point, "old.x"), format, {}), kConvertFailed)
                << readOnly << format;
            EXPECT_EQ(QDir(point).entryList(QDir::Files | QDir::Hidden), QStringList{"old.x"});
            EXPECT_EQ(test::ReadWholeFile(JoinPath(point, "old.x")), QByteArray("old"));
        }
    }
}

TEST(Converter, DecodingAheadStaysWithinTwoImages)
{
    QTemporaryDir dir;
    const TDecodeCost plain =
        EstimateDecodeCost(test::WriteFile(dir.path(), "b.jpg", Jpeg(100, 50)));
    // A progressive file keeps every coefficient until its last scan.
    const TDecodeCost progressive =
        EstimateDecodeCost(test::WriteFile(dir.path(), "p.jpg", Jpeg(100, 50, true)));
    EXPECT_EQ(QList<qint64>({plain.ImageBytes, plain.PeakBytes, progressive.PeakBytes}),
              QList<qint64>({15000, 15000, 45000}));
    const struct {
        TDecodeCost current, next;
        bool ahead;
    } cases[] = {{{15000, 15000}, plain, true},
                 {{15000, 15000}, progressive, false},
                 {{45000, 45000}, progressive, true},
                 {{45000, 60000}, progressive, false},  // a GIF's palette image counts
                 {{10, 10}, {}, false}};                // unknown cost
    for (const auto& c : cases)
        EXPECT_EQ(MayDecodeAhead(c.current, c.next), c.ahead) << c.current.PeakBytes;
}

}  // namespace
}  // namespace pixmarl
