#pragma once

// TIFF files the own reader (TIFiles) does not decode, read with libtiff: other compressions
// (Deflate, JPEG, PackBits, CCITT fax, ...), tiles, 16 bits per sample, planar storage, alpha,
// and floating-point samples (which libtiff's RGBA reader refuses: they are read by row and
// stretched from their smallest to their largest value).
// The program asks libtiff only where the own reader marks a file unsupported or gives nothing,
// so every file the own reader supports keeps its exact output.
//
// libtiff's errors and warnings never reach standard error: each handle reports them into the
// result, and the few that belong to no handle are dropped. Files are opened as the other readers
// open them (regular files only, never blocking) and read through client procedures. An image
// whose decoded pixels would exceed kMaxImageBytes is refused before it is allocated. Plain
// functions: any thread; each call opens its own handle.

#include <cstdint>

#include <QByteArrayView>
#include <QImage>
#include <QString>
#include <QStringList>

namespace pixmarl {

struct TUniInfoRec;

// Sub-type codes of TIFF files beyond the own reader's 1 (uncompressed) and 2 (LZW, or any
// compression when the own reader tells).
enum TLibTiffSubType : std::uint8_t {
    lsDeflate = 3,
    lsJPEG,
    lsPackBits,
    lsCCITTRLE,
    lsCCITTG3,
    lsCCITTG4,
    lsOtherCompression,
};

// A decoded first page with its rows as stored: Format_RGBX8888, or
// Format_RGBA8888_Premultiplied when the file has alpha. Orientation tells how the rows stand
// upright (as in Exif, 1..8); turning them is the caller's. Error holds libtiff's first error (with
// a damaged strip the rest of the image may still be there); a null image always comes with an
// error.
struct TLibTiffImage {
    QImage Image;
    int Orientation = 1;
    QString Error;
    QStringList Warnings;  // the first few
};

// The universal record from libtiff's view of the first directory; false (Valid false, SubType
// 255, the other fields untouched) when libtiff cannot read the file.
bool LibTiffUniInfo(const QString& fileName, TUniInfoRec& info);

// The TIFF entry of the universal readers: the own reader's record for the files it supports,
// libtiff's for the others, and the own reader's again when libtiff cannot read a file that the
// own reader could read but not decode.
bool AnyTiffUniInfo(const QString& fileName, TUniInfoRec& info);

// The first page, decoded by libtiff.
TLibTiffImage LibTiffToImage(const QString& fileName);
// The same from a file's bytes in memory.
TLibTiffImage LibTiffBytesToImage(QByteArrayView data);

}  // namespace pixmarl
