#include <gtest/gtest.h>

#include <limits>

#include <QSize>
#include <QTemporaryDir>

#include "formats/RdGIFH.h"
#include "formats/ReadBmpH.h"
#include "support/BmpBuilder.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

TEST(BmpHeader, UniversalRecordFromBuiltBitmaps)
{
    const struct {
        const char* name;
        test::BmpParams params;
        int subType;
        int depth;
        const char* typeText;
    } cases[] = {
        { "top-down 24-bit", { 640, 480, 24, 0, true }, 1, 11, "RGB " },
        { "8-bit RLE", { 64, 32, 8, 1 }, 2, 8, "256 colors (RLE)" },
        { "4-bit RLE", { 64, 32, 4, 2 }, 2, 4, "16 colors (RLE)" },
        { "4-bit", { 10, 3, 4 }, 1, 4, "16 colors " },
        { "1-bit", { 10, 3, 1 }, 1, 1, "Monochrom " },
        { "16-bit bit fields", { 8, 8, 16, 3 }, 0, 10, "HiColor " },
        { "32-bit", { 8, 8, 32 }, 1, 12, "32-Bit colors " },
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = test::WriteFile(dir.path(), "b.bmp", test::BuildBmp(c.params));
        TUniInfoRec info;
        ASSERT_TRUE(BmpUniInfo(path, info));
        EXPECT_EQ(QSize(info.Width, info.Height), QSize(c.params.width, c.params.height));
        EXPECT_EQ(info.SubType, c.subType);
        EXPECT_EQ(info.ColorDepth, c.depth);
        EXPECT_EQ(TypeText(ifBMP, info.ColorDepth, info.SubType), QLatin1String(c.typeText));
        BITMAPINFOHEADER header;  // the raw header keeps a top-down height negative
        ASSERT_TRUE(ReadBmpHeader(path, header));
        EXPECT_EQ(header.biHeight, c.params.topDown ? -c.params.height : c.params.height);
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biXPelsPerMeter, 2835);
    }
}

// The two headers of a 5-pixel-wide bitmap, without pixels.
QByteArray HeaderBytes(std::uint16_t bitCount, std::uint32_t compression, std::int32_t height)
{
    QByteArray bytes = "BM" + QByteArray(52, '\0');
    test::PutLe(bytes, 14, 40);
    test::PutLe(bytes, 18, 5);
    test::PutLe(bytes, 22, std::uint32_t(height));
    test::PutLe(bytes, 26, 1, 2);
    test::PutLe(bytes, 28, bitCount, 2);
    test::PutLe(bytes, 30, compression);
    return bytes;
}

TEST(BmpHeader, UnlistedValuesLeaveFieldsAlone)
{
    const struct {
        const char* name;
        QByteArray bytes;
        int height;
        int subType;
        int depth;
    } cases[] = {
        { "bit count 12", HeaderBytes(12, 0, 7), 7, 1, 0 },
        { "jpeg compression", HeaderBytes(24, 4, 7), 7, 0, 11 },
        { "most negative height", HeaderBytes(8, 0, std::numeric_limits<std::int32_t>::min()),
            std::numeric_limits<std::int32_t>::max(), 1, 8 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BITMAPINFOHEADER header;
        ASSERT_TRUE(ParseBmpHeader(c.bytes, header));
        TUniInfoRec info;
        BmpHeaderToUniInfo(header, info);
        EXPECT_EQ(info.Height, c.height);
        EXPECT_EQ(info.SubType, c.subType);
        EXPECT_EQ(info.ColorDepth, c.depth);
    }
}

TEST(BmpGifHeader, RejectsShortUnsignedOrMissingFiles)
{
    const QByteArray good = HeaderBytes(8, 0, 4);
    const struct { const char* name; QByteArray bytes; bool ok; } cases[] = {
        { "13 bytes", good.left(13), false },
        { "53 bytes", good.left(53), false },
        { "54 bytes", good, true },
        { "wrong signature", "MB" + good.mid(2), false },
        { "empty", "", false },
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        TUniInfoRec info;
        info.Width = 99;
        EXPECT_EQ(BmpUniInfo(test::WriteFile(dir.path(), "s.bmp", c.bytes), info), c.ok) << c.name;
        EXPECT_EQ(info.Valid, c.ok) << c.name;
        if (!c.ok) {
            EXPECT_EQ(info.SubType, 255) << c.name;
            EXPECT_EQ(info.Width, 99) << c.name;
        }
    }
    BITMAPINFOHEADER header;
    EXPECT_FALSE(ReadBmpHeader("/nonexistent/x.bmp", header));
    GifHeader gif;
    EXPECT_FALSE(ReadGIFHeader("/nonexistent/x.gif", gif));
    TUniInfoRec info;
    EXPECT_FALSE(GIFUniInfo("/nonexistent/x.gif", info));
    EXPECT_EQ(info.SubType, 255);
}

QByteArray GifBytes(
    const char* signatureAndVersion, int width, int height, int packed, int aspect = 0)
{
    QByteArray bytes(signatureAndVersion);
    bytes.append(char(width & 0xFF)).append(char(width >> 8));
    bytes.append(char(height & 0xFF)).append(char(height >> 8));
    bytes.append(char(packed)).append(char(0)).append(char(aspect));
    return bytes;
}

TEST(GifHeader, VersionsAndScreenDescriptor)
{
    const struct {
        const char* name;
        QByteArray bytes;
        bool ok;
        int bits;
        int subType;
        const char* typeText;
    } cases[] = {
        { "89a with full table", GifBytes("GIF89a", 320, 200, 0xF7, 49), true, 8, 2,
            "256 colors (89a)" },
        { "87a with two colours", GifBytes("GIF87a", 3, 2, 0x80), true, 1, 1, "Monochrom (87a)" },
        { "capital 87A", GifBytes("GIF87A", 3, 2, 0x83), true, 4, 1, "16 colors (87a)" },
        { "signature not examined", GifBytes("XYZ89a", 3, 2, 0x02), true, 3, 2, "8 colors (89a)" },
        { "90a rejected", GifBytes("GIF90a", 3, 2, 0), false, 0, 255, "" },
        { "capital first letters rejected", GifBytes("GIF8A9", 3, 2, 0), false, 0, 255, "" },
        { "12 bytes", GifBytes("GIF89a", 3, 2, 0).left(12), false, 0, 255, "" },
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = test::WriteFile(dir.path(), "g.gif", c.bytes);
        GifHeader header;
        ASSERT_EQ(ReadGIFHeader(path, header), c.ok);
        EXPECT_EQ(header.Version, c.bytes.mid(3, 3));
        TUniInfoRec info;
        ASSERT_EQ(GIFUniInfo(path, info), c.ok);
        EXPECT_EQ(info.SubType, c.subType);
        if (!c.ok)
            continue;
        EXPECT_EQ(header.BitsPerPixel, c.bits);
        EXPECT_EQ(header.Width, (c.bytes[6] & 0xFF) | ((c.bytes[7] & 0xFF) << 8));
        EXPECT_EQ(header.AspectRatio, std::uint8_t(c.bytes[12]));
        EXPECT_EQ(info.Height, header.Height);
        EXPECT_EQ(TypeText(ifGIF, info.ColorDepth, info.SubType), QLatin1String(c.typeText));
    }
}

}  // namespace
}  // namespace pixmarl
