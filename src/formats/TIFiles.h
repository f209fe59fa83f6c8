#pragma once

// The TIFF reader: the header and first image file directory of a TIFF file (for the file list
// and the properties dialog), and the decoding of its first image straight into an image (for
// viewing, thumbnails, previews and conversion), or into a complete Windows BMP file held in
// memory.
//
// Decoded are 8-bit palette and grey images, bilevel images, 8-bit RGB and CMYK, each
// uncompressed or LZW-compressed (with or without the horizontal predictor), in strips, chunky.
// Everything else is marked Unsupported: its information is read, its pixels are not.
//
// Nothing in a file is trusted: every offset and count is checked against the file's size before
// it is used, and a damaged file gives false or an empty result, never a read outside the file
// or an image whose BMP file would exceed kMaxTiffBmpBytes. Only regular files are opened. Plain
// functions: any thread; each call opens the file itself.

#include <cstdint>

#include <QByteArray>
#include <QImage>
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
    std::uint8_t Orientation = 1;  // how the stored rows stand upright, as in Exif (1..8)
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
// Fills the universal record from a directory that was read.
void TifInfoToUniInfo(const TTifInfo& tif, TUniInfoRec& info);

// The first image: 8-bit palette and grey images as Format_Indexed8 with a 256-entry colour
// table, bilevel images as Format_Mono (black, white), RGB and CMYK as Format_RGB888. A null
// image when the file cannot be decoded.
QImage TiffToImage(const QString& fileName);
// The same, but an embedded Photoshop thumbnail of a little-endian file (as Format_RGB888) is
// taken instead of the full image when there is one that decodes.
QImage TiffToImagePreview(const QString& fileName);
// Either of them from an open, seekable device (a file or bytes in memory).
QImage TiffDeviceToImage(QIODevice& device, bool preview);

// The same images as BMP files (8, 1 or 24 bits per pixel, bottom-up); empty when the file
// cannot be decoded.
QByteArray TiffToBmp(const QString& fileName);
QByteArray TiffToBmpPreview(const QString& fileName);
QByteArray TiffDeviceToBmp(QIODevice& device, bool preview);

}  // namespace pixmarl
