#pragma once

// The pixel work of the TIFF reader: undoing the horizontal predictor, turning TIFF sample rows
// into Windows DIB rows, and the layout of an uncompressed bottom-up DIB file held in memory.
// Plain functions on caller-owned buffers; the callers guarantee the sizes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <QByteArray>

namespace pixmarl {

// Each sample := previous result of the same channel + sample, modulo 256.
void UndoHorizontalDifferencing(std::uint8_t* row, std::size_t pixels, int samplesPerPixel);

// Every byte := 255 - byte (white-is-zero samples shown with black as zero).
void InvertBytes(std::uint8_t* row, std::size_t bytes);

// R, G, B samples to the B, G, R order of a DIB.
void RgbToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels);

// C, M, Y, K samples to B, G, R by subtraction: B := 255 - (Y + K), G := 255 - (M + K),
// R := 255 - (C + K), each 0 when the sum reaches 255.
void CmykToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels);

// One DIB colour table entry, as the file stores it: blue, green, red, 0.
struct TDibColor {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
};

// The shape of a DIB file: 14-byte file header, 40-byte information header, colour table,
// rows padded to 4 bytes and stored bottom-up.
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

// Allocates the whole file at its final size and writes the headers and the colour table
// (colors.size() must be the layout's ColorCount); the pixel rows are left for the caller, which
// fills each through DibRow. Empty when the file would be larger than maxBytes.
QByteArray NewDibFile(const TDibLayout& layout, const std::vector<TDibColor>& colors,
                      qint64 maxBytes);

// The pixel bytes of row y counted from the top of the image, with the row's padding cleared.
std::uint8_t* DibRow(QByteArray& file, const TDibLayout& layout, std::int32_t y);

}  // namespace pixmarl
