#pragma once

// The JPEG codec every part of the program shares (thumbnails, viewing, previews, Photoshop
// thumbnails inside TIFF files, conversion), on top of libjpeg.
//
// Decoding gives a QImage: 24-bit RGB (Format_RGB888), or with Grayscale an 8-bit palette image
// (Format_Indexed8) of at most 236 grey levels made by libjpeg's one-pass quantiser with ordered
// dither. CMYK and YCCK files are converted to RGB; data behind an Adobe marker is taken as
// inverted, as Photoshop writes it. Output can be scaled by 1/2, 1/4 or 1/8 during the decode.
//
// Every libjpeg error becomes a failed result; nothing here throws or ends the process. Warnings
// on damaged data (a truncated file, corrupt entropy data) still give the image as far as it
// could be decoded, with Damaged set. Frames larger than the file could hold, or decoded images
// larger than MaxBytes, are refused before anything large is allocated. Plain functions: any
// thread may call them, each call owns its decoder.

#include <cstdint>

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

namespace pixmarl {

enum TDctMethod : std::uint8_t { dmIslow, dmIfast, dmFloat };

inline constexpr qint64 kMaxJpegDecodeBytes = qint64(1) << 30;
inline constexpr int kJpegGreyLevels = 236;

struct TJpegDecodeOptions {
    int ScaleDenom = 1;  // 1, 2, 4 or 8; anything else fails the decode
    TDctMethod DctMethod = dmIslow;
    bool Grayscale = false;
    // Colour output as Format_RGB32, ready to draw without a conversion (CMYK files still give
    // Format_RGB888). Ignored with Grayscale.
    bool Rgb32 = false;
    qint64 MaxBytes = kMaxJpegDecodeBytes;  // limit for the decoded pixels and libjpeg's memory
};

struct TJpegDecodeResult {
    QImage Image;          // null when the decode failed
    QSize FullSize;        // the frame's size, known once the header was read
    int Components = 0;    // of the frame
    bool Damaged = false;  // libjpeg warned; Image holds what could be decoded
    QString Error;         // why the decode failed

    bool Ok() const { return !Image.isNull(); }
};

TJpegDecodeResult DecodeJpegFile(const QString& fileName, const TJpegDecodeOptions& options = {});
TJpegDecodeResult DecodeJpegData(QByteArrayView data, const TJpegDecodeOptions& options = {});

// What the headers tell, read by libjpeg without decoding: FullSize, Components and Error of the
// result are set, Image stays null. Ok() is meaningless here: test FullSize.isValid().
TJpegDecodeResult ReadJpegFrame(QByteArrayView data);

// The size a decode at 1/scaleDenom gives for a frame of fullSize (each edge rounded up).
QSize JpegScaledSize(QSize fullSize, int scaleDenom);

struct TJpegEncodeOptions {
    int Quality = 80;  // clamped to 10..100
    bool Progressive = false;
    bool Grayscale = false;
};

// Compresses image; empty on failure (an empty image, or one too large for JPEG), with the reason
// in error when given.
QByteArray EncodeJpegData(const QImage& image, const TJpegEncodeOptions& options,
                          QString* error = nullptr);

// Compresses image into fileName through a temporary file in the same folder and a rename, so
// a failure never leaves a partial file or damages an existing one.
bool SaveJpegFile(const QImage& image, const QString& fileName, const TJpegEncodeOptions& options,
                  QString* error = nullptr);

}  // namespace pixmarl
