#include <gtest/gtest.h>

#include "formats/AVIFile.h"
#include "formats/Avis.h"

namespace pixmarl {
namespace {

TEST(AvisTest, FlagAndCapabilityTexts)
{
    const struct { std::uint32_t value; const char* flags; const char* caps; } cases[] = {
        { 0, "", "" },
        { 0x110, "has index, interleaved", "all key frames" },
        { 0x13, "has index", "read, write, all key frames" },
        { 0x20, "must use index", "not compressed" },
        { 0x31, "has index, must use index", "read, all key frames, not compressed" },
        { 0x30000, "captured file, copyrighted", "" },
        { 0x20110, "has index, interleaved, copyrighted", "all key frames" },
        { 0xFFFFFFFF, "has index, must use index, interleaved, captured file, copyrighted",
            "read, write, all key frames, not compressed" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(AviFlagsText(c.value), c.flags);
        EXPECT_EQ(AviCapsText(c.value), c.caps);
    }
}

TEST(AvisTest, RateAndDurationTexts)
{
    const struct {
        std::uint32_t rate;
        std::uint32_t scale;
        std::uint32_t length;
        const char* rateText;
        const char* durationText;
    } cases[] = {
        { 15, 1, 30, "15", "2 sec." }, { 30000, 1001, 300, "29.97", "10.01 sec." },
        { 1, 3, 1, "0.3333", "3 sec." }, { 25, 1, 0, "25", "0 sec." },
        { 4000000000u, 1, 1, "4E9", "2.5E-10 sec." }, { 0, 1, 30, "---", "---" },
        { 25, 0, 30, "---", "---" }, { 0, 0, 0, "---", "---" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rateText);
        TAviStreamInfo info;
        info.dwRate = c.rate;
        info.dwScale = c.scale;
        info.dwLength = c.length;
        EXPECT_EQ(AviRateText(info), c.rateText);
        EXPECT_EQ(AviDurationText(info), c.durationText);
    }
}

// A packed bitmap: 40-byte header, the given colour table, then the rows as given.
QByteArray PackedDib(int width, int height, int bits, std::uint32_t clrUsed,
    const std::vector<QRgb>& table, const QByteArray& rows, std::uint32_t compression = 0)
{
    QByteArray dib(40, '\0');
    auto put = [&dib](int at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            dib[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    put(0, 40, 4);
    put(4, std::uint32_t(width), 4);
    put(8, std::uint32_t(height), 4);
    put(12, 1, 2);
    put(14, std::uint32_t(bits), 2);
    put(16, compression, 4);
    put(32, clrUsed, 4);
    for (QRgb c : table)
        dib.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');
    return dib + rows;
}

std::vector<QRgb> Ramp(int n)
{
    std::vector<QRgb> table;
    for (int i = 0; i < n; ++i)
        table.push_back(qRgb(i, 255 - i, 7));
    return table;
}

TEST(AvisTest, PackedBitmapsOfEveryDepth)
{
    const QRgb a = qRgb(10, 20, 30);
    const QRgb b = qRgb(200, 100, 50);
    const struct { const char* name; QByteArray dib; QRgb topLeft; QRgb bottomRight; } cases[] = {
        // 2 x 2 bottom-up: the first row in the data is the bottom one.
        { "1 bit, two colours",
            PackedDib(2, 2, 1, 2, { a, b }, QByteArray("\x40\0\0\0\x80\0\0\0", 8)), b, b },
        { "4 bits, table of 16 by default",
            PackedDib(2, 2, 4, 0, Ramp(16), QByteArray("\x0F\0\0\0\x30\0\0\0", 8)), qRgb(3, 252, 7),
            qRgb(15, 240, 7) },
        { "8 bits, table of 256 by default",
            PackedDib(2, 2, 8, 0, Ramp(256), QByteArray("\0\xC8\0\0\xFA\x01\0\0", 8)),
            qRgb(250, 5, 7), qRgb(200, 55, 7) },
        { "8 bits, short table: pixels follow it",
            PackedDib(2, 1, 8, 3, { a, b, a }, QByteArray("\x01\x02\0\0", 4)), b, a },
        { "8 bits, index past the table",
            PackedDib(1, 1, 8, 2, { a, b }, QByteArray("\x05\0\0\0", 4)), qRgb(0, 0, 0),
            qRgb(0, 0, 0) },
        { "16 bits 5-5-5", PackedDib(1, 1, 16, 0, {}, QByteArray("\x1F\x7C\0\0", 4)),
            qRgb(255, 0, 255), qRgb(255, 0, 255) },
        { "24 bits padded rows",
            PackedDib(1, 2, 24, 0, {}, QByteArray("\x01\x02\x03\0\x04\x05\x06\0", 8)),
            qRgb(6, 5, 4), qRgb(3, 2, 1) },
        { "32 bits top-down",
            PackedDib(2, -1, 32, 0, {}, QByteArray("\x01\x02\x03\0\x04\x05\x06\0", 8)),
            qRgb(3, 2, 1), qRgb(6, 5, 4) },
        { "24 bits after an unused table",
            PackedDib(1, 1, 24, 1, { a }, QByteArray("\x01\x02\x03\0", 4)), qRgb(3, 2, 1),
            qRgb(3, 2, 1) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = DibToBitmap(c.dib);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.format(), QImage::Format_RGB888);
        EXPECT_EQ(image.pixel(0, 0), c.topLeft);
        EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), c.bottomRight);
    }
}

TEST(AvisTest, PackedBitmapsThatDoNotFitGiveNoImage)
{
    const QByteArray row4("\0\0\0\0", 4);
    const struct { const char* name; QByteArray dib; } cases[] = {
        { "nothing", QByteArray() },
        { "header cut short", PackedDib(1, 1, 24, 0, {}, row4).left(39) },
        { "rows cut short", PackedDib(1, 2, 24, 0, {}, row4) },
        { "default table missing", PackedDib(1, 1, 8, 0, Ramp(255), row4) },
        { "huge colour count", PackedDib(1, 1, 8, 0xFFFFFFFF, {}, row4) },
        { "compressed", PackedDib(1, 1, 24, 0, {}, row4, 1) },
        { "2 bits", PackedDib(1, 1, 2, 0, Ramp(4), row4) },
        { "zero width", PackedDib(0, 1, 24, 0, {}, row4) },
        { "zero height", PackedDib(1, 0, 24, 0, {}, row4) },
        { "absurd height", PackedDib(1, 1 << 30, 24, 0, {}, row4) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(DibToBitmap(c.dib).isNull());
    }
}

}  // namespace
}  // namespace pixmarl
