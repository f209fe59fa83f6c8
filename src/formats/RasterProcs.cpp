#include "RasterProcs.h"

#include <cstring>

namespace pixmarl {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr std::int32_t kPixelsPerMetre = 143;

void Put16(std::uint8_t*& p, std::uint16_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p += 2;
}

void Put32(std::uint8_t*& p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
    p += 4;
}

std::uint8_t InkToLight(int ink, int black)
{
    const int sum = ink + black;
    return sum >= 255 ? 0 : std::uint8_t(255 - sum);
}

// The running sums are plain locals, so they stay in registers and no sample waits for the
// store of the one before (an array of sums would be kept in memory).
template <int N>
void UndoDifferencing(std::uint8_t* row, std::size_t pixels)
{
    static_assert(N == 1 || N == 3 || N == 4);
    if (pixels == 0)
        return;
    std::uint8_t s0 = row[0], s1 = 0, s2 = 0, s3 = 0;
    if constexpr (N >= 3) {
        s1 = row[1];
        s2 = row[2];
    }
    if constexpr (N == 4)
        s3 = row[3];
    for (std::uint8_t* p = row + N; p < row + pixels * N; p += N) {
        p[0] = s0 = std::uint8_t(s0 + p[0]);
        if constexpr (N >= 3) {
            p[1] = s1 = std::uint8_t(s1 + p[1]);
            p[2] = s2 = std::uint8_t(s2 + p[2]);
        }
        if constexpr (N == 4)
            p[3] = s3 = std::uint8_t(s3 + p[3]);
    }
}

}  // namespace

void UndoHorizontalDifferencing(std::uint8_t* row, std::size_t pixels, int samplesPerPixel)
{
    switch (samplesPerPixel) {
    case 1:
        UndoDifferencing<1>(row, pixels);
        break;
    case 3:
        UndoDifferencing<3>(row, pixels);
        break;
    case 4:
        UndoDifferencing<4>(row, pixels);
        break;
    default: {
        const std::size_t stride = std::size_t(samplesPerPixel);
        for (std::size_t i = stride; i < pixels * stride; ++i)
            row[i] = std::uint8_t(row[i] + row[i - stride]);
    }
    }
}

void InvertBytes(std::uint8_t* row, std::size_t bytes)
{
    for (std::size_t i = 0; i < bytes; ++i)
        row[i] = std::uint8_t(~row[i]);
}

void CmykToRgb(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels)
{
    for (std::size_t i = 0; i < pixels; ++i, src += 4, dst += 3) {
        dst[0] = InkToLight(src[0], src[3]);
        dst[1] = InkToLight(src[1], src[3]);
        dst[2] = InkToLight(src[2], src[3]);
    }
}

qint64 TDibLayout::RowPixelBytes() const
{
    return (qint64(BitCount) * Width + 7) / 8;
}

qint64 TDibLayout::RowSize() const
{
    return (qint64(BitCount) * Width + 31) / 32 * 4;
}

qint64 TDibLayout::PixelOffset() const
{
    return kFileHeaderSize + kInfoHeaderSize + qint64(ColorCount) * 4;
}

qint64 TDibLayout::FileSize() const
{
    return PixelOffset() + qint64(Height) * RowSize();
}

namespace {

// Allocates the whole file at its final size and writes the headers and the colour table; the
// pixel rows are left for the caller, which fills each through DibRow.
QByteArray NewDibFile(const TDibLayout& layout, const QList<QRgb>& colors)
{
    QByteArray file(qsizetype(layout.FileSize()), Qt::Uninitialized);
    auto* p = reinterpret_cast<std::uint8_t*>(file.data());
    *p++ = 'B';
    *p++ = 'M';
    Put32(p, std::uint32_t(layout.FileSize()));
    Put32(p, 0);
    Put32(p, std::uint32_t(layout.PixelOffset()));
    Put32(p, kInfoHeaderSize);
    Put32(p, std::uint32_t(layout.Width));
    Put32(p, std::uint32_t(layout.Height));
    Put16(p, 1);
    Put16(p, std::uint16_t(layout.BitCount));
    Put32(p, 0);  // no compression
    Put32(p, 0);  // image size: may be 0 without compression
    Put32(p, kPixelsPerMetre);
    Put32(p, kPixelsPerMetre);
    Put32(p, std::uint32_t(layout.ColorCount));
    Put32(p, std::uint32_t(layout.ColorCount));
    for (const QRgb c : colors) {
        *p++ = std::uint8_t(qBlue(c));
        *p++ = std::uint8_t(qGreen(c));
        *p++ = std::uint8_t(qRed(c));
        *p++ = 0;
    }
    return file;
}

// The pixel bytes of row y counted from the top of the image, with the row's padding cleared.
std::uint8_t* DibRow(QByteArray& file, const TDibLayout& layout, std::int32_t y)
{
    const qint64 rowSize = layout.RowSize();
    auto* row = reinterpret_cast<std::uint8_t*>(file.data()) + layout.PixelOffset() +
                qint64(layout.Height - 1 - y) * rowSize;
    const qint64 used = layout.RowPixelBytes();
    std::memset(row + used, 0, std::size_t(rowSize - used));
    return row;
}

void RgbToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels)
{
    for (std::size_t i = 0; i < pixels; ++i, src += 3, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
    }
}

}  // namespace

QByteArray ImageToBmp(const QImage& image, qint64 maxBytes)
{
    const bool indexed =
        image.format() == QImage::Format_Mono || image.format() == QImage::Format_Indexed8;
    const QImage pixels = indexed ? image : image.convertToFormat(QImage::Format_RGB888);
    TDibLayout layout;
    layout.Width = pixels.width();
    layout.Height = pixels.height();
    layout.BitCount = indexed ? pixels.depth() : 24;
    layout.ColorCount = indexed ? pixels.colorCount() : 0;
    if (pixels.isNull() || layout.FileSize() > maxBytes)
        return {};
    QByteArray file = NewDibFile(layout, pixels.colorTable());
    for (std::int32_t y = 0; y < layout.Height; ++y) {
        std::uint8_t* row = DibRow(file, layout, y);
        if (indexed)
            std::memcpy(row, pixels.constScanLine(y), std::size_t(layout.RowPixelBytes()));
        else
            RgbToBgr(pixels.constScanLine(y), row, std::size_t(layout.Width));
    }
    return file;
}

}  // namespace pixmarl
