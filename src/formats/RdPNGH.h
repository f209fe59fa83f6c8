#pragma once

// The PNG header reader: the signature and the IHDR chunk that must follow it, and the PNG entry
// of the universal readers. A file passes when it starts with PNG's signature and a 13-byte IHDR
// chunk whose CRC matches and whose fields are a combination PNG allows (a decoder refuses any
// other), so the content probe accepts exactly the files that can be decoded as far as their
// first chunk tells. Any thread may call these functions; they never throw.

#include <cstdint>

#include <QByteArrayView>
#include <QString>

#include "formats/Images.h"

namespace pixmarl {

enum TPngColorType : std::uint8_t {
    pcGray = 0,
    pcRGB = 2,
    pcPalette = 3,
    pcGrayAlpha = 4,
    pcRGBA = 6,
};

struct TPngHeader {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint8_t BitDepth = 0;  // bits per sample (per palette index for palette images)
    TPngColorType ColorType = pcGray;
    bool Interlaced = false;  // Adam7
};

// Sub-type codes of PNG files in the universal record.
enum TPngSubType : std::uint8_t { psPlain = 1, psInterlaced = 2 };

// Signature, chunk length and type, the 13 IHDR bytes and the CRC.
constexpr int kPngHeaderSize = 8 + 8 + 13 + 4;

// Reads the header; true when the file starts as described above.
bool ReadPNGHeader(const QString& fileName, TPngHeader& header);
// The same over the first bytes of a file.
bool ParsePNGHeader(QByteArrayView start, TPngHeader& header);

// The CRC PNG stores after a chunk's type and data (ISO 3309, reflected polynomial 0xEDB88320).
std::uint32_t PngChunkCrc(QByteArrayView typeAndData);

// The PNG entry of the universal readers.
bool PNGUniInfo(const QString& fileName, TUniInfoRec& info);
// Fills the universal record from a header that was read.
void PngHeaderToUniInfo(const TPngHeader& header, TUniInfoRec& info);

}  // namespace pixmarl
