#pragma once

// Builds PNG files in memory for tests: signature, IHDR, PLTE for palette images, one IDAT
// (zlib via qCompress, every row with filter 0, Adam7 passes when interlaced) and IEND, each
// chunk with its CRC. Samples follow PngPatternSample; palette entry i is
// PngPaletteColor(i).

#include <QByteArray>
#include <QRgb>

namespace pixmarl::test {

struct PngParams {
    int width = 13;
    int height = 11;
    int colorType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    int bitDepth = 8;
    bool interlaced = false;
};

// Sample c of pixel (x, y), within the bit depth (palette images: the index).
int PngPatternSample(const PngParams& params, int x, int y, int c);
QRgb PngPaletteColor(int index);

QByteArray BuildPng(const PngParams& params);

// One chunk: length, type, data, CRC.
QByteArray PngChunk(const char* type, const QByteArray& data);

}  // namespace pixmarl::test
