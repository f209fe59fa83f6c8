#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

#include <QImage>

#include "formats/ColorQuant.h"

namespace pixmarl {
namespace {

using Pixel = std::array<std::uint8_t, 3>;  // red, green, blue
using PixelAt = std::function<Pixel(int x, int y)>;

void Put32(std::vector<std::uint8_t>& dib, std::size_t at, std::int32_t v)
{
    for (int i = 0; i < 4; ++i)
        dib[at + std::size_t(i)] = std::uint8_t(std::uint32_t(v) >> (8 * i));
}

std::int32_t Get32(const std::vector<std::uint8_t>& dib, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(dib[at + std::size_t(i)]) << (8 * i);
    return std::int32_t(v);
}

// A packed DIB whose stored row r shows image row r when top-down, row height-1-r otherwise.
std::vector<std::uint8_t> PackedDib(
    int width, int height, bool topDown, const PixelAt& pixel, int bitCount = 24)
{
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    std::vector<std::uint8_t> dib(40 + stride * std::size_t(height), 0);
    Put32(dib, 0, 40);
    Put32(dib, 4, width);
    Put32(dib, 8, topDown ? -height : height);
    dib[12] = 1;
    dib[14] = std::uint8_t(bitCount);
    for (int r = 0; r < height; ++r) {
        const int y = topDown ? r : height - 1 - r;
        for (int x = 0; x < width; ++x) {
            const Pixel p = pixel(x, y);
            std::uint8_t* out = dib.data() + 40 + std::size_t(r) * stride + std::size_t(x) * 3;
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
        }
    }
    return dib;
}

struct Reduced {
    int width = 0;
    int height = 0;  // as stored, negative for top-down
    std::vector<Pixel> palette;
    std::vector<std::vector<std::uint8_t>> rows;  // in stored order
};

Reduced Unpack(const std::vector<std::uint8_t>& dib)
{
    Reduced r;
    EXPECT_EQ(Get32(dib, 0), 40);
    r.width = Get32(dib, 4);
    r.height = Get32(dib, 8);
    EXPECT_EQ(dib[12] | (dib[13] << 8), 1);
    EXPECT_EQ(dib[14] | (dib[15] << 8), 8);
    EXPECT_EQ(Get32(dib, 16), 0);
    EXPECT_EQ(Get32(dib, 32), 256);
    const std::size_t stride = (std::size_t(r.width) + 3) & ~std::size_t(3);
    const std::size_t rows = std::size_t(std::abs(r.height));
    EXPECT_EQ(std::size_t(Get32(dib, 20)), stride * rows);
    EXPECT_EQ(dib.size(), 40 + 1024 + stride * rows);
    for (int i = 0; i < 256; ++i)
        r.palette.push_back({ dib[40 + 4 * i + 2], dib[40 + 4 * i + 1], dib[40 + 4 * i] });
    for (std::size_t y = 0; y < rows; ++y) {
        const std::uint8_t* row = dib.data() + 40 + 1024 + y * stride;
        r.rows.emplace_back(row, row + r.width);
    }
    return r;
}

Reduced QuantizeImage(int width, int height, bool topDown, const PixelAt& pixel)
{
    const std::vector<std::uint8_t> dib = PackedDib(width, height, topDown, pixel);
    const auto out = Quantize(dib.data(), dib.size());
    EXPECT_TRUE(out.has_value());
    return out ? Unpack(*out) : Reduced();
}

int UsedEntries(const Reduced& r)
{
    std::set<int> used;
    for (const auto& row : r.rows)
        used.insert(row.begin(), row.end());
    return int(used.size());
}

Pixel Gradient(int x, int y)
{
    return { std::uint8_t(x * 255 / 99), std::uint8_t(y * 255 / 79), std::uint8_t((x * y) % 256) };
}

TEST(ColorQuant, FewCellsGetAnEntryEach)
{
    // Eight colours, each alone in its cell: every one keeps its cell's colour.
    const std::vector<Pixel> colors = { { 0, 0, 0 }, { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 },
        { 100, 100, 0 }, { 8, 200, 160 }, { 255, 255, 255 }, { 64, 64, 64 } };
    const PixelAt pixel = [&](int x, int y) { return colors[std::size_t((x + y * 3) % 8)]; };
    const Reduced r = QuantizeImage(16, 9, false, pixel);
    EXPECT_EQ(r.height, 9) << "bottom-up input gives bottom-up output";
    EXPECT_EQ(UsedEntries(r), 8);
    for (std::size_t i = 8; i < 256; ++i)
        EXPECT_EQ(r.palette[i], (Pixel{0, 0, 0})) << "entries beyond the boxes are zero";
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 16; ++x) {
            const Pixel in = pixel(x, y);
            const Pixel cell
                = { std::uint8_t(in[0] & ~7), std::uint8_t(in[1] & ~7), std::uint8_t(in[2] & ~7) };
            EXPECT_EQ(r.palette[r.rows[std::size_t(8 - y)][std::size_t(x)]], cell) << x << "," << y;
        }
}

TEST(ColorQuant, CutsFallWhereTheScoreIsHighest)
{
    // Red cells 0, 0, 10, 20 (mean 7.5): the search runs over cells 4..20 and scores cell 4 with
    // 2/2 * 7.5^2 = 56.25 and cell 10 with 3/1 * (7.5 - 2.5)^2 = 75, so the first cut leaves {20}
    // alone as box 1; box 0 is split next and gives {10} as box 2. A cut at the median would
    // have numbered them the other way round.
    const std::vector<Pixel> reds = { { 0, 0, 0 }, { 0, 0, 0 }, { 80, 0, 0 }, { 160, 0, 0 } };
    const Reduced r = QuantizeImage(4, 1, true, [&](int x, int) { return reds[std::size_t(x)]; });
    EXPECT_EQ(r.palette[0], (Pixel { 0, 0, 0 }));
    EXPECT_EQ(r.palette[1], (Pixel { 160, 0, 0 }));
    EXPECT_EQ(r.palette[2], (Pixel { 80, 0, 0 }));
    EXPECT_EQ(r.rows[0], (std::vector<std::uint8_t> { 0, 0, 2, 1 }));
}

TEST(ColorQuant, ManyColoursFillAllBoxesAndStayClose)
{
    const Reduced r = QuantizeImage(100, 80, true, Gradient);
    EXPECT_EQ(r.height, -80) << "top-down input gives top-down output";
    EXPECT_EQ(UsedEntries(r), 256);
    long long error = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) {
            const Pixel in = Gradient(x, y);
            const Pixel out = r.palette[r.rows[std::size_t(y)][std::size_t(x)]];
            for (int c = 0; c < 3; ++c)
                error += std::abs(int(in[std::size_t(c)]) - int(out[std::size_t(c)]));
        }
    EXPECT_LT(double(error) / (100 * 80 * 3), 12.0) << "mean error per channel";
}

TEST(ColorQuant, UnsuitableInputGivesNothing)
{
    const PixelAt grey = [](int x, int) { return Pixel { std::uint8_t(x), std::uint8_t(x), std::uint8_t(x) }; };
    const auto patched = [&](const std::function<void(std::vector<std::uint8_t>&)>& change) {
        auto d = PackedDib(4, 4, false, grey);
        change(d);
        return d;
    };
    using Dib = std::vector<std::uint8_t>&;
    struct Case { const char* name; std::vector<std::uint8_t> dib; };
    const std::vector<Case> cases = {
        { "8 bits", PackedDib(4, 4, false, grey, 8) },
        { "32 bits", PackedDib(4, 4, false, grey, 32) },
        { "rows missing", patched([](Dib d) { d.resize(d.size() - 1); }) },
        { "no header", std::vector<std::uint8_t>(39, 0) },
        { "zero width", patched([](Dib d) { Put32(d, 4, 0); }) },
        { "huge height", patched([](Dib d) { Put32(d, 8, -0x7FFFFFFF); }) },
        { "compressed", patched([](Dib d) { d[16] = 1; }) },
    };
    for (const Case& c : cases)
        EXPECT_FALSE(Quantize(c.dib.data(), c.dib.size()).has_value()) << c.name;
}

TEST(ColorQuant, ReduceToPaletteTakesEveryTrueColourDepth)
{
    QImage source(100, 80, QImage::Format_RGB888);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) {
            const Pixel p = Gradient(x, y);
            source.setPixel(x, y, qRgb(p[0], p[1], p[2]));
        }
    const Reduced expected = QuantizeImage(100, 80, true, Gradient);
    for (QImage::Format format :
        { QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_ARGB32 }) {
        QImage bitmap = source.convertToFormat(format);
        ASSERT_TRUE(ReduceToPalette(bitmap)) << format;
        ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
        EXPECT_EQ(bitmap.colorCount(), 256);
        for (int y = 0; y < 80; y += 7)
            for (int x = 0; x < 100; x += 3)
                ASSERT_EQ(bitmap.pixelIndex(x, y), expected.rows[std::size_t(y)][std::size_t(x)])
                    << format;
    }
    // 16-bit input is reduced from its own (already coarser) colours.
    QImage high = source.convertToFormat(QImage::Format_RGB16);
    ASSERT_TRUE(ReduceToPalette(high));
    EXPECT_EQ(high.format(), QImage::Format_Indexed8);
    // Palette bitmaps are left alone.
    QImage indexed(4, 4, QImage::Format_Indexed8);
    indexed.setColorTable({ qRgb(1, 2, 3), qRgb(4, 5, 6) });
    indexed.fill(1);
    QImage copy = indexed;
    EXPECT_FALSE(ReduceToPalette(copy));
    EXPECT_EQ(copy, indexed);
}

}  // namespace
}  // namespace pixmarl
