#pragma once

// TIFF files written by libtiff in the kinds the own reader leaves to libtiff (other compressions,
// tiles, 16 bits, floating point, planar storage, alpha, several pages), and libtiff's own RGBA
// decode as the reference. For tests and benchmarks.
//
// Levels: channel c of pixel (x, y) is (4x + 2y + 50c) mod 256, or the source image's colour
// (grey: its luminance); bilevel pixels are black below level 128; alpha is 255 in the left half
// and 100 in the right. 16-bit samples hold the level times 257, floating-point ones level / 100
// - 1. Pages after the first are half as wide and high unless samePageSize is set.

#include <memory>

#include <QImage>
#include <QString>

#include <tiffio.h>

namespace pixmarl::test {

struct LibTiffParams {
    int width = 200;
    int height = 120;
    int samples = 3;        // colour samples: 1 grey or bilevel, 3 RGB (YCbCr in JPEG files)
    bool alpha = false;     // one more sample, unassociated alpha
    int bitsPerSample = 8;  // 1, 8, 16; 32 or 64 with floating
    bool floating = false;  // with the floating-point predictor
    int compression = COMPRESSION_NONE;
    bool planar = false;
    int tileSize = 0;  // 0: strips of 16 rows
    int pages = 1;
    bool samePageSize = false;
    int orientation = 1;
    QImage source{};  // Format_RGB888, repeated over the image; null: the pattern
};

bool WriteLibTiff(const QString& path, const LibTiffParams& params);

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Opens a file for reading, with libtiff's messages silenced.
TiffPtr OpenWithLibTiff(const QString& path);

// libtiff's RGBA decode of the first page, turned upright by libtiff, as
// Format_RGBA8888_Premultiplied; null when its RGBA reader cannot decode the file.
QImage LibTiffReference(const QString& path);

// Whether libtiff decodes the first page: its RGBA reader does, or every strip or tile decodes
// (kinds the RGBA reader refuses, such as floating-point samples).
bool LibTiffDecodes(const QString& path);

}  // namespace pixmarl::test
