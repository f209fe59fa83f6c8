#pragma once

// Reading AVI files for the rest of the program: the file and video stream information, the first
// frame as an image, and the conversion of the packed bitmaps the frame decoder hands out.
// Every function may run on any thread; failures are results, never exceptions.

#include <QByteArray>
#include <QImage>
#include <QString>

#include "platform/AviFile.h"

namespace pixmarl {

// True when the file is an AVI file with a video stream and both records were read. Headers only:
// no decoder is opened.
bool ReadAviInfo(const QString& fileName, TAviFileInfo& fileInfo, TAviStreamInfo& streamInfo);

// Puts frame 0 of the file's first video stream into bitmap (as a 24-bit image) and returns true;
// leaves bitmap unchanged and returns false when the file or its first frame cannot be read.
bool AviFirstFrame(const QString& fileName, QImage& bitmap);

// A packed device-independent bitmap (40-byte or longer information header, colour table, pixels)
// as a 24-bit image. Uncompressed 1, 4, 8, 16, 24 and 32 bits; the colour table has biClrUsed
// entries, or 2^bits when that is 0 and bits are 8 or fewer. A null image for anything else, and
// for a bitmap whose header, table or rows do not fit in the data.
QImage DibToBitmap(const QByteArray& packedDib);

}  // namespace pixmarl
