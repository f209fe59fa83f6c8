#pragma once

// The pixel work of the TIFF reader: undoing the horizontal predictor, turning TIFF sample rows
// into image rows, and writing an image as an uncompressed Windows BMP file held in memory.
// Plain functions on caller-owned buffers; the callers guarantee the sizes.

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QImage>

namespace pixmarl {

// Each sample := previous result of the same channel + sample, modulo 256.
void UndoHorizontalDifferencing(std::uint8_t* row, std::size_t pixels, int samplesPerPixel);

// Every byte := 255 - byte (white-is-zero samples shown with black as zero).
void InvertBytes(std::uint8_t* row, std::size_t bytes);

// C, M, Y, K samples to R, G, B by subtraction: R := 255 - (C + K), G := 255 - (M + K),
// B := 255 - (Y + K), each 0 when the sum reaches 255.
void CmykToRgb(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels);

// The shape of a BMP file: 14-byte file header, 40-byte information header, colour table, rows
// padded to 4 bytes and stored bottom-up.
struct TDibLayout {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    int BitCount = 24;   // 1, 8 or 24
    int ColorCount = 0;  // entries of the colour table

    qint64 RowSize() const;
    qint64 PixelOffset() const;
    qint64 FileSize() const;
    // The bytes a row of pixels fills, without the padding.
    qint64 RowPixelBytes() const;
};

// The image as a BMP file: a 1-bit (Format_Mono) or 8-bit (Format_Indexed8) image with its
// colour table, anything else with 24 bits per pixel. Empty for a null image and when the file
// would be larger than maxBytes.
QByteArray ImageToBmp(const QImage& image, qint64 maxBytes);

}  // namespace pixmarl
