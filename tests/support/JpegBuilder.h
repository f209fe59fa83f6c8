#pragma once

// Builds JPEG files in memory with libjpeg, for tests and samples.
//
// Layout written: SOI, the JFIF APP0 segment (CMYK files too), an Adobe APP14 segment for
// 4-component files (libjpeg writes it for CMYK), then each extra marker in order, then the
// comment (COM) when one is given, then the tables, the frame header (SOF0, or SOF2 when
// progressive), the scans and EOI. Pixels follow PatternPixel, so a decoder's output can be
// checked against it (within JPEG's loss).

#include <utility>
#include <vector>

#include <QByteArray>
#include <QImage>

namespace pixmarl::test {

struct JpegParams {
    int width = 16;
    int height = 16;
    int components = 3;  // 1 grey, 3 colour (YCbCr), 4 CMYK
    int quality = 90;
    bool progressive = false;
    bool ycck = false;   // 4 components stored as YCCK, the way Adobe applications save CMYK
    QByteArray comment;  // written as one COM segment when not empty
    std::vector<std::pair<int, QByteArray>> markers;  // (marker code, payload), e.g. 0xE1 for Exif
};

// The test pattern: component c (0..3) of pixel (x, y) of a width x height image.
int PatternPixel(int x, int y, int c, int width, int height);

QByteArray BuildJpeg(const JpegParams& params);

// Encodes an RGB image as a baseline JPEG of the given quality.
QByteArray EncodeJpeg(const QImage& image, int quality = 90);

}  // namespace pixmarl::test
