#pragma once

// The texts of the file properties dialog: the rows of its header reports (JPEG, GIF, BMP, AVI,
// TIFF), the size, time and type texts of its General page, the lines of the format check and the
// conversion of a JPEG comment between its stored bytes and the memo's text. Plain functions of
// their arguments: any thread; the dialog only places what they return.

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "formats/Images.h"

namespace pixmarl {

struct BITMAPINFOHEADER;
struct GifHeader;
struct TAviFileInfo;
struct TAviStreamInfo;
struct TInfoRec;
struct TTifInfo;

struct TPropRow {
    QString Property;
    QString Value;
    bool operator==(const TPropRow&) const = default;
};
using TPropRows = std::vector<TPropRow>;

// "12,345  (12.1 KB)": the size with the locale's digit grouping, then the size in KB with one
// decimal.
QString FileSizeText(qint64 size, const QLocale& locale = QLocale());

// A file time in the list's format, "unknown" when the filesystem has none.
QString FileTimeText(std::optional<qint64> secondsSinceEpoch);

// The type text of a file: the description the system has for its name; without one, the
// format's long name when the extension belongs to a known format, else the extension itself.
QString FileTypeText(const QString& description, const QString& ext);

// "8.27% of the original size": the file size against the image's raw size, with the colour
// data (components and precision) or against one byte per pixel; "---" for an empty image.
QString JpegCompressionText(qint64 fileSize, const TInfoRec& info, bool withColor,
                            const QLocale& locale = QLocale());

TPropRows JpegReportRows(const TInfoRec& info, qint64 fileSize, const QLocale& locale = QLocale());
TPropRows GifReportRows(const GifHeader& header);
TPropRows BmpReportRows(const BITMAPINFOHEADER& header);
TPropRows AviReportRows(const TAviFileInfo& file, const TAviStreamInfo& stream);
// Eight rows and a blank one.
TPropRows TiffReportRows(const TTifInfo& info);

QString BmpColorsText(int bitCount);
QString TiffCompressionText(int compression, int predictor);

// What the format check found out about a file.
struct TCheckTypeFacts {
    QString Name;  // without its folder
    bool Exists = false;
    qint64 Size = 0;
    TImageFormat Detected = ifUnknown;  // by content
    TUniInfoRec Info;                   // what the detecting reader filled
    QByteArray Head;                    // the first bytes, at most kCheckTypeHeadSize
};

constexpr int kCheckTypeHeadSize = 200;

struct TCheckTypeReport {
    QStringList Lines;
    TPropRows Props;  // size and type of a recognised file; empty otherwise
};

TCheckTypeReport CheckTypeReport(const TCheckTypeFacts& facts);

// The name with its extension replaced by the format's default one (appended when it has none).
QString ProposedFileName(const QString& name, TImageFormat format);

// The memo's text of a stored comment: up to its first zero byte, UTF-8 or else Latin-1, one
// line feed per line break.
QString CommentMemoText(const QByteArray& stored);
// True when the stored comment is read as Latin-1 (it is not valid UTF-8).
bool CommentIsLatin1(const QByteArray& stored);
// The bytes to store for the memo's text: lines joined by CR LF, in Latin-1 when the comment was
// read that way and the text fits it, else UTF-8.
QByteArray CommentBytes(const QString& memoText, bool latin1);

}  // namespace pixmarl
