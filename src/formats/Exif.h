#pragma once

// Photo orientation: cameras store the sensor's rows as they were read and note in the Exif data
// (or the TIFF Orientation tag) how the picture must be turned to stand upright. Thumbnails, the
// preview and the viewer show photos upright; the file list's Image Size keeps the stored size.
// Plain functions, any thread; malformed Exif data gives orientation 1.

#include <QByteArrayView>
#include <QImage>
#include <QSize>

namespace pixmarl {

// The orientation (1..8, 1 = as stored) noted in the payload of a JPEG APP1 segment that starts
// with "Exif\0\0"; 1 when there is none or it cannot be read.
int ExifOrientation(QByteArrayView app1Payload);

// Whether the orientation swaps width and height (5..8).
bool OrientationTransposes(int orientation);
// The size an image of size stored with the orientation has when it stands upright.
QSize OrientedSize(QSize stored, int orientation);
// The image turned upright; the image itself for orientation 1 or a value outside 1..8.
QImage OrientImage(const QImage& image, int orientation);

}  // namespace pixmarl
