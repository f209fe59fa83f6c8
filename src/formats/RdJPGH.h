#pragma once

// The JPEG header reader: the frame header (size, precision, components, coding process) and the
// comment segment of a JPEG file, read without decoding the image, plus the JPEG entry of the
// universal readers and the comment writer. Any thread may call these functions; none of them
// throws. The reader touches only the segments before the first scan.

#include <cstdint>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "formats/Images.h"

namespace pixmarl {

class THeaderSource;

// What ReadJPEGHeader reads (its Flags): the comment, the frame header, or both; with
// kReadJpegExif also the first Exif APP1 segment (for the photo's orientation).
enum : std::uint8_t {
    kReadJpegComment = 1,
    kReadJpegFrame = 2,
    kReadJpegAll = 3,
    kReadJpegExif = 4,
};

struct TInfoRec {
    QByteArray Comment;  // the comment segment's bytes as stored
    QString Process;     // coding process named by the frame header marker
    std::uint16_t Height = 0;
    std::uint16_t Width = 0;
    std::int32_t DataPrecision = 0;
    std::int32_t Components = 0;
    QString ErrorMsg;  // the first error; empty after an operating system read error
    std::uint8_t SOFMarker = 0;
    bool OK = false;
    std::uint8_t ReadFlags = 0;
    qint64 CommentPos = -1;  // offset of the comment's length field; -1 when none was read
    QByteArray Exif;         // payload of the first APP1 segment starting "Exif\0\0" (flag 4)
};

// The coding process name of a frame header marker ("Unknown" for any other code).
QString JpegProcessName(std::uint8_t marker);

// Reads the parts of a JPEG file that flags select. Returns info.OK; a file that cannot be opened
// gives false with every field empty.
bool ReadJPEGHeader(const QString& fileName, std::uint8_t flags, TInfoRec& info);
// The same over an open source (a file or bytes in memory).
bool ReadJPEGHeader(THeaderSource& source, std::uint8_t flags, TInfoRec& info);

// The JPEG entry of the universal readers: size, sub-type (frame marker - 0xBF), colour depth
// from the component count, and the comment.
bool JPEGUniInfo(const QString& fileName, TUniInfoRec& info);

// The text of a stored comment: UTF-8 when the bytes are valid UTF-8, else Latin-1.
QString JpegCommentText(const QByteArray& comment);

// The longest comment a segment can hold.
constexpr int kMaxJpegComment = 65533;

// Replaces the file's first comment by text (byte for byte), or inserts one after the segment
// that follows the start of image when there is none; an empty text leaves a comment-less file
// untouched. The file is rewritten through a temporary file in its folder and a rename
// (ReplaceFileContents: through symbolic links, keeping mode, owner, group, extended attributes
// and ACLs; other hard links keep the old contents as a snapshot), keeps its attributes and gets
// the current modification time. Returns false, leaving the
// file as it was, when it cannot be read, is not writable, does not parse, or text is longer than
// kMaxJpegComment.
bool WriteJPEGComment(const QString& fileName, const QByteArray& text);

// The bytes WriteJPEGComment would write for a file holding data; empty when it would refuse.
// unchanged is set when the file would be left as it is.
QByteArray JpegWithComment(QByteArrayView data, const QByteArray& text, bool& unchanged);

}  // namespace pixmarl
