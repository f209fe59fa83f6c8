#pragma once

// Converting one image file into another format through a plain bitmap: TCImage reads any file
// the image loader knows into a bitmap and writes it as JPEG, GIF or Windows bitmap. Also the
// rules that name the targets of a conversion: the name mask, the proposed format and the check
// that refuses names no file may carry.
//
// Plain functions and a value class: any thread. Nothing throws; a failed load or save answers
// kConvertFailed with the reason in Error(). Every output is written to a temporary file beside
// the target and renamed into place, so a failed save never leaves a partial file or damages the
// file it would have replaced.

#include <cstdint>

#include <QImage>
#include <QString>
#include <QStringList>

#include "formats/Images.h"

namespace pixmarl {

// The formats a conversion can write.
inline constexpr TImageFormats kConvertTargets{ifJPEG, ifGIF, ifBMP};

// Filled by the format dialog; each format reads only its own fields.
struct TConvertOptions {
    std::int16_t Quality = 80;  // JPEG, 10..100
    bool Grayscale = false;     // JPEG
    bool Interlaced = false;    // GIF
    bool Progressive = false;   // JPEG
};

inline constexpr int kConvertOk = 0;
inline constexpr int kConvertFailed = 20;

// Icons become bitmaps of this edge, the icon at the top-left corner.
inline constexpr int kIconEdge = 32;

class TCImage {
public:
    // Reads the file with the loader of its extension's format, photos turned upright. Areas an
    // image leaves transparent become white: the bitmap has no alpha channel.
    int LoadFromFile(const QString& path);
    // Writes the bitmap in format; formats other than JPEG, GIF and BMP write nothing and
    // succeed. A GIF is made from a palette bitmap: a deeper bitmap is reduced to 256 colours
    // first (the bitmap keeps the reduced form).
    int SaveToFile(const QString& path, TImageFormat format, const TConvertOptions& options);

    const QImage& Bitmap() const { return bitmap_; }
    const QString& Error() const { return error_; }

private:
    int Fail(const QString& error);
    int SaveGif(const QString& path, bool interlaced);
    int SaveBmp(const QString& path);

    QImage bitmap_;
    QString error_;
};

// The target name for fileName under mask. Both split into a base and an extension at the last
// "." after the last "/"; each part of the mask is applied to the same part of the file name:
// up to the first "*" as written, then the file's part, then at most 255 characters of the mask
// after that "*"; a part without "*" stands as written. "*.JPG" turns photo.bmp into photo.JPG.
QString MakeTargetName(const QString& mask, const QString& fileName);

// What converting one file proposes: GIF for a JPEG file (by extension), else JPEG.
TImageFormat ProposedFormat(const QString& fileName);

// A name no target may carry: empty, "." or "..", or one with a character the file-name check
// refuses.
bool IsInvalidTargetName(const QString& name);

// The targets folder/MakeTargetName(mask, name of source) of each source; false (targets
// unchanged) when any of them is an invalid name.
bool MakeTargets(const QString& mask, const QString& folder, const QStringList& sources,
                 QStringList& targets);

// path with its extension replaced by ext (with its dot).
QString ChangeFileExt(const QString& path, const QString& ext);

// What decoding a file will take in memory, from its header: the decoded image and the peak
// while decoding (a progressive JPEG keeps every coefficient until the end). 0 when unknown.
struct TDecodeCost {
    qint64 ImageBytes = 0;
    qint64 PeakBytes = 0;
};
TDecodeCost EstimateDecodeCost(const QString& fileName);

// Whether the next file may be decoded while the current image is saved (current: the image,
// and what its save holds at most): the two together must stay within two images' worth of
// memory, of the larger image. Never for a file whose cost is unknown.
bool MayDecodeAhead(const TDecodeCost& current, const TDecodeCost& next);

}  // namespace pixmarl
