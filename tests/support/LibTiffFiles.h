#pragma once

// TIFF files written by libtiff, in the kinds the own reader leaves to libtiff (other
// compressions, tiles, 16 bits, planar storage, alpha, several pages), and libtiff's own RGBA
// decode as the reference for them. For tests and benchmarks.
//
// Samples: 8-bit channel c of pixel (x, y) is (4x + 2y + 50c) mod 256 (16-bit samples hold that
// times 257, floating-point ones that / 100 - 1), bilevel pixels form 4-pixel squares, alpha is 255
// in the left half and 100 in the right. Pages after the first are half as wide and high.

#include <memory>

#include <QImage>
#include <QString>

#include <tiffio.h>

namespace pixmarl::test {

struct LibTiffParams {
    int width = 61;
    int height = 37;
    int samples = 3;        // colour samples: 1 grey or bilevel, 3 RGB (YCbCr in JPEG files)
    bool alpha = false;     // one more sample, unassociated alpha
    int bitsPerSample = 8;  // 1, 8 or 16; 32 or 64 with floating
    bool floating = false;  // IEEE samples: the 8-bit level / 100 - 1, with the floating predictor
    int compression = COMPRESSION_NONE;
    bool planar = false;
    int tileSize = 0;  // 0: strips of rowsPerStrip rows
    int rowsPerStrip = 16;
    int pages = 1;
    bool samePageSize = false;
    int orientation = 1;  // the tag's value
    QImage source;        // Format_RGB888, repeated over the image; null: the pattern
};

bool WriteLibTiff(const QString& path, const LibTiffParams& params);

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Opens a file for reading, with libtiff's messages silenced.
TiffPtr OpenWithLibTiff(const QString& path);

// libtiff's RGBA decode of the first page, top row first, as Format_RGBA8888_Premultiplied
// (libtiff premultiplies alpha); null when libtiff cannot decode the file.
QImage LibTiffReference(const QString& path);

// Whether libtiff decodes the first page: its RGBA reader does, or every strip or tile decodes
// (for kinds the RGBA reader refuses, such as floating-point samples).
bool LibTiffDecodes(const QString& path);

}  // namespace pixmarl::test
