#include "AVIFile.h"

#include <cstdint>
#include <vector>

#include <QtEndian>

namespace pixmarl {

namespace {

constexpr std::uint32_t kMinInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;

struct TDibLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::vector<QRgb> colors;
    const std::uint8_t* pixels = nullptr;
    std::uint64_t rowBytes = 0;
};

bool BitCountSupported(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Checks the header, the colour table and the rows against the data; false when any part is
// missing or absurd.
bool ReadLayout(const QByteArray& dib, TDibLayout& layout)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(dib.constData());
    const std::uint64_t size = std::uint64_t(dib.size());
    if (size < kMinInfoHeaderSize)
        return false;
    const std::uint32_t headerSize = qFromLittleEndian<std::uint32_t>(p);
    const std::int64_t width = std::int32_t(qFromLittleEndian<std::uint32_t>(p + 4));
    const std::int64_t height = std::int32_t(qFromLittleEndian<std::uint32_t>(p + 8));
    layout.bitCount = qFromLittleEndian<std::uint16_t>(p + 14);
    const std::uint32_t clrUsed = qFromLittleEndian<std::uint32_t>(p + 32);
    const std::int64_t absHeight = height < 0 ? -height : height;
    if (headerSize < kMinInfoHeaderSize || headerSize > size ||
        qFromLittleEndian<std::uint32_t>(p + 16) != kBiRgb || !BitCountSupported(layout.bitCount) ||
        width <= 0 || width > kAviMaxFrameSide || absHeight == 0 || absHeight > kAviMaxFrameSide)
        return false;
    const std::uint64_t tableEntries =
        clrUsed != 0 ? clrUsed : (layout.bitCount <= 8 ? 1u << layout.bitCount : 0u);
    const std::uint64_t tableEnd = headerSize + tableEntries * 4;
    layout.rowBytes = (std::uint64_t(width) * layout.bitCount + 31) / 32 * 4;
    if (tableEnd > size || layout.rowBytes * std::uint64_t(absHeight) > size - tableEnd)
        return false;
    const std::uint64_t usedColors = std::min<std::uint64_t>(tableEntries, 256);
    for (std::uint64_t i = 0; i < usedColors; ++i) {
        const std::uint8_t* c = p + headerSize + i * 4;
        layout.colors.push_back(qRgb(c[2], c[1], c[0]));
    }
    layout.width = int(width);
    layout.height = int(absHeight);
    layout.topDown = height < 0;
    layout.pixels = p + tableEnd;
    return true;
}

QRgb PixelAt(const TDibLayout& layout, const std::uint8_t* row, int x)
{
    switch (layout.bitCount) {
    case 24:
        return qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    case 32:
        return qRgb(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
    case 16: {
        const std::uint16_t v = qFromLittleEndian<std::uint16_t>(row + x * 2);
        const auto five = [](int c) { return (c << 3) | (c >> 2); };
        return qRgb(five((v >> 10) & 31), five((v >> 5) & 31), five(v & 31));
    }
    default: {
        const int bits = layout.bitCount;
        const int bit = x * bits;
        const int shift = 8 - bits - bit % 8;
        const std::size_t index = (row[bit / 8] >> shift) & ((1 << bits) - 1);
        // An index past the table shows black, as the table would have been zero-filled.
        return index < layout.colors.size() ? layout.colors[index] : qRgb(0, 0, 0);
    }
    }
}

}  // namespace

bool ReadAviInfo(const QString& fileName, TAviFileInfo& fileInfo, TAviStreamInfo& streamInfo)
{
    TAviHeaders headers;
    if (ReadAviHeaders(fileName, headers) != TAviParseResult::apOk)
        return false;
    fileInfo = headers.file;
    streamInfo = headers.video;
    return true;
}

bool AviFirstFrame(const QString& fileName, QImage& bitmap)
{
    TAviHeaders headers;
    if (ReadAviHeaders(fileName, headers) != TAviParseResult::apOk)
        return false;
    const auto decoder = TAviFrameDecoder::Open(fileName);
    if (!decoder)
        return false;
    QImage frame = DibToBitmap(decoder->Frame(0));
    if (frame.isNull())
        return false;
    bitmap = std::move(frame);
    return true;
}

QImage DibToBitmap(const QByteArray& packedDib)
{
    TDibLayout layout;
    if (!ReadLayout(packedDib, layout))
        return {};
    QImage image(layout.width, layout.height, QImage::Format_RGB888);
    if (image.isNull())
        return {};
    for (int y = 0; y < layout.height; ++y) {
        const int sourceRow = layout.topDown ? y : layout.height - 1 - y;
        const std::uint8_t* row = layout.pixels + layout.rowBytes * std::uint64_t(sourceRow);
        std::uint8_t* dest = image.scanLine(y);
        for (int x = 0; x < layout.width; ++x) {
            const QRgb c = PixelAt(layout, row, x);
            dest[x * 3] = std::uint8_t(qRed(c));
            dest[x * 3 + 1] = std::uint8_t(qGreen(c));
            dest[x * 3 + 2] = std::uint8_t(qBlue(c));
        }
    }
    return image;
}

}  // namespace pixmarl
