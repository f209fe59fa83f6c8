#pragma once

// Builds Windows bitmap files in memory, for tests and samples.
//
// Layout written: the 14-byte file header ("BM", file size, two reserved words, pixel offset),
// a 40-byte BITMAPINFOHEADER (width, height, negative when top-down, 1 plane, bit count,
// compression, image size, 2835 pixels per metre both ways, 0 colours used and important), for
// bit fields (compression 3) the three 32-bit masks, for 8 bits or fewer a colour table of
// 2^bitCount RGBQUAD entries (a grey ramp), then the pixels: rows padded to 4 bytes, bottom-up
// unless top-down; with RLE8/RLE4 each row is encoded as runs of one pixel followed by an
// end-of-line, the last row by end-of-bitmap. Palette images hold index (x + 2y) mod 2^bitCount,
// RGB ones PatternPixel.

#include <QByteArray>

namespace pixmarl::test {

struct BmpParams {
    int width = 8;
    int height = 8;
    int bitCount = 24;    // 1, 4, 8, 16, 24 or 32
    int compression = 0;  // 0 BI_RGB, 1 BI_RLE8, 2 BI_RLE4, 3 BI_BITFIELDS
    bool topDown = false;
    int bandRows = 0;  // > 0: uncompressed rows repeat rows 0 .. bandRows - 1 (a quick large
                       // image)
};

QByteArray BuildBmp(const BmpParams& params);

}  // namespace pixmarl::test
