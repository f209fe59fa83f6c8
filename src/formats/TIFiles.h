#pragma once

// The TIFF reader: the header and first image file directory of a TIFF file (for the file list
// and the properties dialog), and the decoding of its first image into a complete Windows BMP
// file held in memory (for viewing, thumbnails, previews and conversion).
//
// Decoded are 8-bit palette and grey images, bilevel images, 8-bit RGB and CMYK, each
// uncompressed or LZW-compressed (with or without the horizontal predictor), in strips, chunky.
// Everything else is marked Unsupported: its information is read, its pixels are not.
//
// Nothing in a file is trusted: every offset and count is checked against the file's size before
// it is used, and a damaged file gives false or an empty result, never a read outside the file
// or a BMP over kMaxTiffBmpBytes. Plain functions: any thread; each call opens the file itself.

#include <cstdint>

#include <QByteArray>
#include <QString>

class QIODevice;

namespace pixmarl {

struct TUniInfoRec;

enum TTifImageType : std::uint8_t { itUnknown, itPalette, itGrayscale, itBilevel, itRGB, itCMYK };

struct TTifInfo {
    std::uint16_t BitsPerSample = 1;
    std::uint16_t Compression = 1;
    std::int32_t ImageHeight = 0;
    std::int32_t ImageWidth = 0;
    std::uint16_t SamplesPerPixel = 1;
    std::uint8_t Photometric = 1;  // values above 255 are kept as 255
    std::uint8_t PlanarConfig = 0;
    TTifImageType ImageType = itUnknown;
    bool Intel = false;  // "II", little-endian
    std::int32_t BitsPerPixel = 0;
    bool ExtraSamples = false;
    bool Unsupported = false;
    bool HasICCProfile = false;
    std::uint16_t Predictor = 1;
    QString DocumentName;
    std::int32_t PhotoshopOffset = 0;  // of the Photoshop resource block; 0 = none
    std::int32_t PhotoshopSize = 0;
};

// The largest BMP file the decoder makes; larger images are refused before anything is
// allocated.
inline constexpr qint64 kMaxTiffBmpBytes = qint64(1) << 30;

// Reads the header and the first directory; false when the file is not a TIFF file or a read
// fails.
bool ReadTiffInfo(const QString& fileName, TTifInfo& info);
bool ReadTiffInfo(QIODevice& device, TTifInfo& info);

// The universal header reader of TIFF files.
bool TiffUniInfo(const QString& fileName, TUniInfoRec& info);

// The first image as a BMP file; empty when the file cannot be decoded.
QByteArray TiffToBmp(const QString& fileName);
// The same, but an embedded Photoshop thumbnail of a little-endian file is taken instead of the
// full image when there is one that decodes.
QByteArray TiffToBmpPreview(const QString& fileName);
// Either of them from an open, seekable device (a file or bytes in memory).
QByteArray TiffDeviceToBmp(QIODevice& device, bool preview);

}  // namespace pixmarl
