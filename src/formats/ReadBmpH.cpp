#include "formats/ReadBmpH.h"

#include <cstdlib>
#include <limits>

#include <QByteArray>

#include "formats/HeaderSource.h"

namespace pixmarl {

namespace {

constexpr std::uint16_t kBitmapSignature = 0x4D42;  // "BM"

std::uint16_t Le16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

BITMAPINFOHEADER DecodeInfoHeader(const std::uint8_t* p)
{
    BITMAPINFOHEADER h;
    h.biSize = Le32(p);
    h.biWidth = std::int32_t(Le32(p + 4));
    h.biHeight = std::int32_t(Le32(p + 8));
    h.biPlanes = Le16(p + 12);
    h.biBitCount = Le16(p + 14);
    h.biCompression = Le32(p + 16);
    h.biSizeImage = Le32(p + 20);
    h.biXPelsPerMeter = std::int32_t(Le32(p + 24));
    h.biYPelsPerMeter = std::int32_t(Le32(p + 28));
    h.biClrUsed = Le32(p + 32);
    h.biClrImportant = Le32(p + 36);
    return h;
}

std::int8_t BmpColorDepth(int bitCount)
{
    if (bitCount >= 1 && bitCount <= 8)
        return std::int8_t(bitCount);
    switch (bitCount) {
    case 15:
    case 16:
        return 10;
    case 24:
        return 11;
    case 32:
        return 12;
    default:
        return 0;
    }
}

}  // namespace

bool ParseBmpHeader(QByteArrayView start, BITMAPINFOHEADER& info)
{
    if (start.size() < kBmpHeadersSize)
        return false;
    const auto* p = reinterpret_cast<const std::uint8_t*>(start.data());
    if (Le16(p) != kBitmapSignature)
        return false;
    info = DecodeInfoHeader(p + 14);
    return true;
}

bool ReadBmpHeader(const QString& fileName, BITMAPINFOHEADER& info)
{
    QByteArray start;
    return ReadFileStart(fileName, kBmpHeadersSize, start) && ParseBmpHeader(start, info);
}

void BmpHeaderToUniInfo(const BITMAPINFOHEADER& header, TUniInfoRec& info)
{
    info.Valid = true;
    info.Width = header.biWidth;
    // The most negative height has no positive counterpart in 32 bits.
    info.Height = header.biHeight == std::numeric_limits<std::int32_t>::min()
                      ? std::numeric_limits<std::int32_t>::max()
                      : std::abs(header.biHeight);
    if (header.biCompression == 0)
        info.SubType = 1;
    else if (header.biCompression == 1 || header.biCompression == 2)
        info.SubType = 2;
    const std::int8_t depth = BmpColorDepth(header.biBitCount);
    if (depth != 0)
        info.ColorDepth = depth;
}

bool BmpUniInfo(const QString& fileName, TUniInfoRec& info)
{
    return ReadUniInfo(fileName, info, ReadBmpHeader, BmpHeaderToUniInfo);
}

}  // namespace pixmarl
