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

// Built bitmaps, and headers whose unlisted values leave the record's fields alone.
TEST(BmpHeader, UniversalRecordFromTheHeader)
{
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const auto built = [](test::BmpParams p) { return test::BuildBmp(p); };
    const struct {
        const char* name;
        QByteArray bytes;
        QSize size;
        int rawHeight;
        int subType;
        int depth;
        const char* typeText;
    } cases[] = {
        {"top-down 24-bit", built({640, 480, 24, 0, true}), {640, 480}, -480, 1, 11, "RGB "},
        {"8-bit RLE", built({64, 32, 8, 1}), {64, 32}, 32, 2, 8, "256 colors (RLE)"},
        {"4-bit RLE", built({64, 32, 4, 2}), {64, 32}, 32, 2, 4, "16 colors (RLE)"},
        {"4-bit", built({10, 3, 4}), {10, 3}, 3, 1, 4, "16 colors "},
        {"1-bit", built({10, 3, 1}), {10, 3}, 3, 1, 1, "Monochrom "},
        {"16-bit bit fields", built({8, 8, 16, 3}), {8, 8}, 8, 0, 10, "HiColor "},
        {"32-bit", built({8, 8, 32}), {8, 8}, 8, 1, 12, "32-Bit colors "},
        {"bit count 12", HeaderBytes(12, 0, 7), {5, 7}, 7, 1, 0, nullptr},
        {"jpeg compression", HeaderBytes(24, 4, 7), {5, 7}, 7, 0, 11, nullptr},
        {"most negative height", HeaderBytes(8, 0, kMin), {5, kMax}, kMin, 1, 8, nullptr},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = test::WriteFile(dir.path(), "b.bmp", c.bytes);
        TUniInfoRec info;
        ASSERT_TRUE(BmpUniInfo(path, info));
        EXPECT_EQ(QSize(info.Width, info.Height), c.size);
        EXPECT_EQ(info.SubType, c.subType);
        EXPECT_EQ(info.ColorDepth, c.depth);
        if (c.typeText) {
            EXPECT_EQ(TypeText(ifBMP, info.ColorDepth, info.SubType), QLatin1String(c.typeText));
        }
        BITMAPINFOHEADER header;  // the raw header keeps a top-down height negative
        ASSERT_TRUE(ReadBmpHeader(path, header));
        EXPECT_EQ(header.biHeight, c.rawHeight);
    }
}

// A failed read marks the record and leaves the rest alone; the TIFF, PNG and WebP readers share
// the code.
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
