// The PNG and WebP header readers against Qt's readers: every file Qt reads gives the same size
// and alpha here, and every damaged start that Qt refuses is refused here too.

#include <gtest/gtest.h>

#include <functional>

#include <QImageReader>
#include <QTemporaryDir>

#include "formats/HeaderSource.h"
#include "formats/ImageLoads.h"
#include "formats/Images.h"
#include "formats/RdPNGH.h"
#include "formats/RdWebPH.h"
#include "support/PngBuilder.h"
#include "support/TestFiles.h"
#include "support/WebPBuilder.h"

namespace pixmarl {
namespace {

QImage ReadWithQt(const QString& path, const char* format, QSize* size = nullptr)
{
    QImageReader reader(path, format);
    reader.setDecideFormatFromContent(false);
    if (size != nullptr)
        *size = reader.size();
    return reader.read();
}

// The record of a file, checked against what Qt reads from it.
void ExpectAgreesWithQt(const QString& path, TImageFormat format, const QString& typeText)
{
    TUniInfoRec info;
    ASSERT_TRUE(GetUniInfo(path, format, info));
    EXPECT_EQ(TypeText(format, info.ColorDepth, info.SubType), typeText);
    QSize qtSize;
    const QImage image = ReadWithQt(path, format == ifPNG ? "png" : "webp", &qtSize);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(QSize(info.Width, info.Height), qtSize);
    EXPECT_EQ(QSize(info.Width, info.Height), image.size());
    // Qt composes animation frames on a transparent canvas, whatever the file says.
    const bool alpha = info.ColorDepth == cdRGBA || info.ColorDepth == cdGrayAlpha;
    EXPECT_TRUE(typeText.contains(QLatin1String("animated")) || alpha == image.hasAlphaChannel());
    TUniInfoRec detected;
    EXPECT_EQ(DetectFormat(path, detected), format);
    // The file goes by its name: the thumbnail's loader is asked for the format it holds.
    TImageRequest request;
    request.FileName = path;
    request.Format = format;
    EXPECT_EQ(LoadImageFile(request).Image.size(), image.size());
}

TEST(PngHeader, EveryColourTypeDepthAndInterlaceAgreesWithQt)
{
    const struct {
        int colorType, depth;
        bool interlaced;
        const char* typeText;
    } cases[] = {
        {0, 1, false, "Monochrom (PNG)"},
        {0, 2, false, "Gray (PNG)"},
        {0, 8, true, "Gray (PNG, interlaced)"},
        {0, 16, false, "Gray (PNG)"},
        {2, 8, false, "RGB (PNG)"},
        {2, 16, true, "RGB (PNG, interlaced)"},
        {3, 1, false, "Monochrom (PNG)"},
        {3, 2, true, "4 colors (PNG, interlaced)"},
        {3, 4, false, "16 colors (PNG)"},
        {3, 8, false, "256 colors (PNG)"},
        {4, 8, false, "Gray+Alpha (PNG)"},
        {4, 16, true, "Gray+Alpha (PNG, interlaced)"},
        {6, 8, true, "RGBA (PNG, interlaced)"},
        {6, 16, false, "RGBA (PNG)"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        for (const QSize size : {QSize(37, 5), QSize(1, 1)}) {
            SCOPED_TRACE(std::string(c.typeText) + " " + std::to_string(size.width()));
            test::PngParams params{size.width(), size.height(), c.colorType, c.depth, c.interlaced};
            // Named as something else: the content probe must still find it.
            const QString path = test::WriteFile(dir.path(), "x.jpg", test::BuildPng(params));
            ExpectAgreesWithQt(path, ifPNG, c.typeText);
        }
    }
}

TEST(PngHeader, DamagedStartsAreRefusedAsQtRefusesThem)
{
    const QByteArray good = test::BuildPng({});
    // Rewrites the IHDR data at offset 16 + at and fixes the CRC, so that only the field is wrong.
    const auto field = [&](int at, char value) {
        QByteArray png = good;
        png[16 + at] = value;
        return png.left(8) + test::PngChunk("IHDR", png.mid(16, 13)) + png.mid(33);
    };
    QByteArray badCrc = good;
    badCrc[30] = char(badCrc[30] ^ 1);
    QByteArray notFirst = good;
    notFirst.insert(8, test::PngChunk("tEXt", "Comment\0x"));
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"signature", "\x89PNG\r\n\x1A\r" + good.mid(8)},
        {"crc", badCrc},
        {"ihdr not first", notFirst},
        {"zero width", field(3, 0)},
        {"width above 2^31", field(0, char(0x80))},
        {"depth 3", field(8, 3)},
        {"rgb of 4 bits", field(8, 4)},
        {"colour type 5", field(9, 5)},
        {"compression 1", field(10, 1)},
        {"interlace 2", field(12, 2)},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = test::WriteFile(dir.path(), "bad.png", c.data);
        TUniInfoRec info;
        info.Width = 7;
        EXPECT_FALSE(PNGUniInfo(path, info)) << c.name;
        EXPECT_EQ(info.SubType, 255) << c.name;
        EXPECT_EQ(info.Width, 7) << c.name;
        EXPECT_TRUE(ReadWithQt(path, "png").isNull()) << c.name;
    }
    for (int length = 0; length < kPngHeaderSize; ++length) {
        TPngHeader header;
        EXPECT_FALSE(ParsePNGHeader(good.left(length), header)) << length;
    }
}

QImage Pattern(QImage::Format format)
{
    QImage image(45, 23, format);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 5, y * 11, 128, x < 20 ? 255 : 100));
    }
    return image;
}

class WebPHeader : public testing::Test {
protected:
    void SetUp() override
    {
        if (test::WriteWebP(Pattern(QImage::Format_RGB32), 80).isEmpty())
            GTEST_SKIP() << "Qt's WebP plugin is missing";
    }
    QString Write(const QByteArray& data) { return test::WriteFile(dir_.path(), "x.tif", data); }
    QTemporaryDir dir_;
};

TEST_F(WebPHeader, StillAndAnimatedFilesAgreeWithQt)
{
    const QImage opaque = Pattern(QImage::Format_RGB32);
    const QImage alpha = Pattern(QImage::Format_ARGB32);
    const QByteArray lossless = test::WriteWebP(opaque, 100);
    const QByteArray losslessAlpha = test::WriteWebP(alpha, 100);
    const QByteArray lossyAlpha = test::WriteWebP(alpha, 70);
    const struct {
        const char* typeText;
        QByteArray data;
    } cases[] = {
        {"RGB (WebP)", test::WriteWebP(opaque, 70)},
        {"RGBA (WebP)", lossyAlpha},
        {"RGB (WebP, lossless)", lossless},
        {"RGBA (WebP, lossless)", losslessAlpha},
        {"RGB (WebP, animated)", test::BuildAnimatedWebP({lossless, lossless}, 45, 23, false)},
        {"RGBA (WebP, animated)",
         test::BuildAnimatedWebP({losslessAlpha, lossyAlpha}, 45, 23, true)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typeText);
        const QString path = Write(c.data);
        ExpectAgreesWithQt(path, ifWebP, c.typeText);
        QImageReader reader(path, "webp");
        EXPECT_EQ(reader.imageCount(), QByteArray(c.typeText).contains("animated") ? 2 : 1);
    }
}

TEST_F(WebPHeader, DamagedFilesAreRefusedAsQtRefusesThem)
{
    const QByteArray lossless = test::WriteWebP(Pattern(QImage::Format_RGB32), 100);
    const QByteArray lossyAlpha = test::WriteWebP(Pattern(QImage::Format_ARGB32), 70);
    ASSERT_TRUE(lossless.mid(12, 4) == "VP8L" && lossyAlpha.mid(12, 4) == "VP8X");
    const auto changed = [](QByteArray data, int at, char value) {
        data[at] = value;
        return data;
    };
    const int vp8l = 20;  // the payload of the first chunk
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"riff tag", changed(lossless, 0, 'X')},
        {"webp tag", changed(lossless, 11, 'Q')},
        {"lossless signature", changed(lossless, vp8l, 0x2E)},
        {"lossless version 1", changed(lossless, vp8l + 4, char(lossless[vp8l + 4] | 0x20))},
        {"canvas wider than the image", changed(lossyAlpha, 24, char(lossyAlpha[24] + 1))},
        {"no image chunk",
         test::RiffWebP(lossyAlpha.mid(12, 18) + test::RiffChunk("XMP ", "<x/>"))},
        {"lossy frame not a key frame",
         test::RiffWebP(test::RiffChunk("VP8 ", QByteArray("\x01\x00\x00\x9D\x01\x2A", 6) +
                                                    QByteArray(24, '\x10')))},
    };
    for (const auto& c : cases) {
        const QString path = Write(c.data);
        TUniInfoRec info;
        EXPECT_FALSE(WebPUniInfo(path, info)) << c.name;
        EXPECT_EQ(info.SubType, 255) << c.name;
        EXPECT_TRUE(ReadWithQt(path, "webp").isNull()) << c.name;
    }
    // A cut file is read as far as the header goes, never beyond.
    for (const QByteArray& file : {lossless, lossyAlpha}) {
        for (qsizetype length = 0; length < file.size(); ++length) {
            const QByteArray cut = file.left(length);
            THeaderSource source(cut);
            TWebPHeader header;
            EXPECT_TRUE(!ReadWebPHeader(source, header) || length >= 12 + 8 + 5);
        }
    }
}

}  // namespace
}  // namespace pixmarl
