#pragma once

// The GIF header reader: the version and the logical screen descriptor from the first 13 bytes,
// and the GIF entry of the universal readers. The signature bytes are not compared with anything:
// any file whose bytes 3 to 5 read 87a or 89a (the last letter in either case) passes, which the
// content probe relies on. Any thread may call these functions; they never throw.

#include <cstdint>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "formats/Images.h"

namespace pixmarl {

struct GifHeader {
    std::int32_t Width = 0;  // logical screen width
    std::int32_t Height = 0;
    QByteArray Version;             // the three version characters as stored, e.g. "89a"
    std::int32_t BitsPerPixel = 0;  // size of the global colour table in bits, 1..8
    std::uint8_t AspectRatio = 0;   // as stored; 0 = none
};

constexpr int kGifHeaderSize = 13;

// Reads the header; true when the version is 87a or 89a and the screen descriptor was there.
// Version is filled as soon as the version bytes were read, also when the test fails.
bool ReadGIFHeader(const QString& fileName, GifHeader& info);
// The same over the first bytes of a file.
bool ParseGIFHeader(QByteArrayView start, GifHeader& info);

// The GIF entry of the universal readers.
bool GIFUniInfo(const QString& fileName, TUniInfoRec& info);
// Fills the universal record from a header that was read.
void GifHeaderToUniInfo(const GifHeader& header, TUniInfoRec& info);

}  // namespace pixmarl
