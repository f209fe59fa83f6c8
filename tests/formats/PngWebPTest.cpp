// The PNG and WebP header readers against Qt's readers, on the fuzz seeds (colour types, 16 bits,
// interlacing, lossy, lossless, alpha, animation): the same size and alpha, and damaged starts
// refused as Qt refuses them.

#include <gtest/gtest.h>

#include <QImageReader>
#include <QTemporaryDir>

#include "formats/HeaderSource.h"
#include "formats/ImageLoads.h"
#include "formats/Images.h"
#include "formats/RdPNGH.h"
#include "formats/RdWebPH.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

const char* QtName(TImageFormat format)
{
    return format == ifPNG ? "png" : "webp";
}

QImage ReadWithQt(const QString& path, TImageFormat format, QSize* size = nullptr)
{
    QImageReader reader(path, QtName(format));
    reader.setDecideFormatFromContent(false);
    if (size != nullptr)
        *size = reader.size();
    return reader.read();
}

// The record of a file agrees with Qt's reading of it, the probe finds it under any name, and
// the loader reads it.
void ExpectAgreesWithQt(const QString& path, TImageFormat format, const QString& typeText)
{
    TUniInfoRec info;
    ASSERT_TRUE(GetUniInfo(path, format, info));
    EXPECT_EQ(TypeText(format, info.ColorDepth, info.SubType), typeText);
    QSize qtSize;
    const QImage image = ReadWithQt(path, format, &qtSize);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(QSize(info.Width, info.Height), qtSize);
    EXPECT_EQ(QSize(info.Width, info.Height), image.size());
    // Qt composes animation frames on a transparent canvas, whatever the file says.
    const bool alpha = info.ColorDepth == cdRGBA || info.ColorDepth == cdGrayAlpha;
    EXPECT_TRUE(typeText.contains(QLatin1String("animated")) || alpha == image.hasAlphaChannel());
    TUniInfoRec detected;
    EXPECT_EQ(DetectFormat(path, detected), format);
    TImageRequest request;
    request.FileName = path;
    request.Format = format;
    EXPECT_EQ(LoadImageFile(request).Image.size(), image.size());
}

TEST(PngWebPHeaders, SeedsAgreeWithQt)
{
    const QString seeds = QStringLiteral(PIXMARL_FUZZ_CORPUS);
    const struct {
        const char* seed;
        TImageFormat format;
        const char* typeText;
    } cases[] = {
        {"png/gray1.png", ifPNG, "Monochrom (PNG)"},
        {"png/gray16.png", ifPNG, "Gray (PNG)"},
        {"png/palette8.png", ifPNG, "256 colors (PNG)"},
        {"png/rgba8.png", ifPNG, "RGBA (PNG)"},
        {"png/graya8.png", ifPNG, "Gray+Alpha (PNG)"},
        {"png/palette4.png", ifPNG, "16 colors (PNG)"},
        {"png/rgb8.png", ifPNG, "RGB (PNG)"},
        {"png/rgba16.png", ifPNG, "RGBA (PNG)"},
        {"png/interlaced.png", ifPNG, "RGB (PNG, interlaced)"},
        {"webp/simple-lossy.webp", ifWebP, "RGB (WebP)"},
        {"webp/simple-lossless.webp", ifWebP, "RGB (WebP, lossless)"},
        {"webp/lossy.webp", ifWebP, "RGB (WebP)"},
        {"webp/alpha-lossy.webp", ifWebP, "RGBA (WebP)"},
        {"webp/alpha-lossless.webp", ifWebP, "RGBA (WebP, lossless)"},
        {"webp/animated.webp", ifWebP, "RGBA (WebP, animated)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seed);
        ExpectAgreesWithQt(seeds + u'/' + QLatin1String(c.seed), c.format, c.typeText);
    }
}

QByteArray Changed(QByteArray data, int at, char value)
{
    data[at] = value;
    return data;
}

// The IHDR field at (from the chunk's data) changed, with the CRC made right again.
QByteArray PngField(const QByteArray& png, int at, char value)
{
    QByteArray changed = Changed(png, 16 + at, value);
    const quint32 crc = PngChunkCrc(QByteArrayView(changed).sliced(12, 17));
    for (int i = 0; i < 4; ++i)
        changed[29 + i] = char(crc >> (24 - 8 * i));
    return changed;
}

TEST(PngWebPHeaders, DamagedStartsAreRefusedAsQtRefusesThem)
{
    const QString seeds = QStringLiteral(PIXMARL_FUZZ_CORPUS);
    const QByteArray png = test::ReadWholeFile(seeds + "/png/rgb8.png");
    const QByteArray lossless = test::ReadWholeFile(seeds + "/webp/simple-lossless.webp");
    const QByteArray lossyAlpha = test::ReadWholeFile(seeds + "/webp/alpha-lossy.webp");
    ASSERT_TRUE(lossless.mid(12, 4) == "VP8L" && lossyAlpha.mid(12, 4) == "VP8X");
    const struct {
        const char* name;
        TImageFormat format;
        QByteArray data;
    } cases[] = {
        {"png signature", ifPNG, Changed(png, 7, '\r')},
        {"png crc", ifPNG, Changed(png, 30, char(png[30] ^ 1))},
        {"ihdr not first", ifPNG, Changed(png, 12, 'i')},
        {"zero width", ifPNG, PngField(png, 3, 0)},
        {"width above 2^31", ifPNG, PngField(png, 0, char(0x80))},
        {"rgb of 4 bits", ifPNG, PngField(png, 8, 4)},
        {"colour type 5", ifPNG, PngField(png, 9, 5)},
        {"compression 1", ifPNG, PngField(png, 10, 1)},
        {"interlace 2", ifPNG, PngField(png, 12, 2)},
        {"riff tag", ifWebP, Changed(lossless, 0, 'X')},
        {"webp tag", ifWebP, Changed(lossless, 11, 'Q')},
        {"lossless signature", ifWebP, Changed(lossless, 20, 0x2E)},
        {"lossless version 1", ifWebP, Changed(lossless, 24, char(lossless[24] | 0x20))},
        {"canvas wider than the image", ifWebP, Changed(lossyAlpha, 24, char(lossyAlpha[24] + 1))},
        {"no image chunk", ifWebP, Changed(lossyAlpha, int(lossyAlpha.indexOf("VP8 ")) + 3, 'Q')},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = test::WriteFile(dir.path(), "bad", c.data);
        TUniInfoRec info;
        EXPECT_FALSE(GetUniInfo(path, c.format, info)) << c.name;
        EXPECT_TRUE(ReadWithQt(path, c.format).isNull()) << c.name;
    }
    // Cut files are read as far as the header goes, never beyond.
    for (qsizetype length = 0; length < lossyAlpha.size(); ++length) {
        TPngHeader pngHeader;
        EXPECT_EQ(ParsePNGHeader(png.left(length), pngHeader), length >= kPngHeaderSize);
        const QByteArray cut = lossyAlpha.left(length);
        THeaderSource source(cut);
        TWebPHeader header;
        EXPECT_TRUE(!ReadWebPHeader(source, header) || length >= 12 + 18 + 8 + 10);
    }
}

}  // namespace
}  // namespace pixmarl
