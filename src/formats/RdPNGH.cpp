#include "formats/RdPNGH.h"

#include <algorithm>
#include <array>

#include <QByteArray>
#include <QtEndian>

#include "formats/HeaderSource.h"

namespace pixmarl {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kIhdrLength = 13;
constexpr int kIhdrType = 12;  // offset of the chunk type, where the CRC starts
constexpr int kIhdrData = 16;

std::uint32_t Be32(const std::uint8_t* p)
{
    return qFromBigEndian<quint32>(p);
}

// The bit depths PNG allows for each colour type.
bool IsAllowedDepth(int colorType, int depth)
{
    switch (colorType) {
    case pcGray:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case pcPalette:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case pcRGB:
    case pcGrayAlpha:
    case pcRGBA:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

bool IsDimension(std::uint32_t value)
{
    return value > 0 && value <= 0x7FFFFFFFu;
}

}  // namespace

std::uint32_t PngChunkCrc(QByteArrayView typeAndData)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : typeAndData) {
        crc ^= std::uint8_t(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

bool ParsePNGHeader(QByteArrayView start, TPngHeader& header)
{
    if (start.size() < kPngHeaderSize)
        return false;
    const auto* p = reinterpret_cast<const std::uint8_t*>(start.data());
    if (!std::equal(kSignature.begin(), kSignature.end(), p) || Be32(p + 8) != kIhdrLength ||
        QByteArrayView(start.data() + kIhdrType, 4) != "IHDR")
        return false;
    const std::uint8_t* data = p + kIhdrData;
    if (PngChunkCrc(start.sliced(kIhdrType, 4 + kIhdrLength)) != Be32(data + kIhdrLength))
        return false;
    const std::uint32_t width = Be32(data);
    const std::uint32_t height = Be32(data + 4);
    const int depth = data[8];
    const int colorType = data[9];
    // Compression and filter method 0 are the only ones defined; interlace 0 or 1.
    if (!IsDimension(width) || !IsDimension(height) || !IsAllowedDepth(colorType, depth) ||
        data[10] != 0 || data[11] != 0 || data[12] > 1)
        return false;
    header.Width = std::int32_t(width);
    header.Height = std::int32_t(height);
    header.BitDepth = std::uint8_t(depth);
    header.ColorType = TPngColorType(colorType);
    header.Interlaced = data[12] == 1;
    return true;
}

bool ReadPNGHeader(const QString& fileName, TPngHeader& header)
{
    QByteArray start;
    return ReadFileStart(fileName, kPngHeaderSize, start) && ParsePNGHeader(start, header);
}

void PngHeaderToUniInfo(const TPngHeader& header, TUniInfoRec& info)
{
    info.Valid = true;
    info.Width = header.Width;
    info.Height = header.Height;
    info.SubType = header.Interlaced ? psInterlaced : psPlain;
    switch (header.ColorType) {
    case pcGray:
        info.ColorDepth = header.BitDepth == 1 ? 1 : 9;
        break;
    case pcPalette:
        // 1, 2, 4 and 8 bits: Monochrom, 4, 16 and 256 colors
        info.ColorDepth = std::int8_t(header.BitDepth);
        break;
    case pcRGB:
        info.ColorDepth = 11;
        break;
    case pcGrayAlpha:
        info.ColorDepth = cdGrayAlpha;
        break;
    case pcRGBA:
        info.ColorDepth = cdRGBA;
        break;
    }
}

bool PNGUniInfo(const QString& fileName, TUniInfoRec& info)
{
    return ReadUniInfo(fileName, info, ReadPNGHeader, PngHeaderToUniInfo);
}

}  // namespace pixmarl
