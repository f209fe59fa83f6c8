#pragma once

// The Windows bitmap header reader: the 14-byte file header and the 40-byte information header
// as they lie at the start of the file (little-endian), and the BMP entry of the universal
// readers. Only the "BM" signature and the length are tested; the information header's own size
// field is not, so older and newer header variants are read as if they were the 40-byte one.
// Any thread may call these functions; they never throw.

#include <cstdint>

#include <QByteArrayView>
#include <QString>

#include "formats/Images.h"

namespace pixmarl {

struct BITMAPFILEHEADER {
    std::uint16_t bfType = 0;
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
};

struct BITMAPINFOHEADER {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;  // negative for rows stored top-down
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

constexpr int kBmpHeadersSize = 14 + 40;

// Reads the information header; true when the file holds both headers and starts with "BM".
bool ReadBmpHeader(const QString& fileName, BITMAPINFOHEADER& info);
// The same over the first bytes of a file.
bool ParseBmpHeader(QByteArrayView start, BITMAPINFOHEADER& info);

// The BMP entry of the universal readers.
bool BmpUniInfo(const QString& fileName, TUniInfoRec& info);
// Fills the universal record from a header that was read.
void BmpHeaderToUniInfo(const BITMAPINFOHEADER& header, TUniInfoRec& info);

}  // namespace pixmarl
