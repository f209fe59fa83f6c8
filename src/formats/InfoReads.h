#pragma once

// The file work of the file properties dialog: reading one file's directory information and
// header report, checking its format by content, and writing its comment and attributes. Each is
// a plain function from a request to a result that touches the file system, so the dialog runs
// them on a worker thread; none throws, every failure is part of the result.

#include <functional>
#include <optional>

#include <QByteArray>
#include <QString>

#include "formats/Images.h"
#include "formats/InfoTexts.h"

namespace pixmarl {

// A format's header page: the rows of its report and, for JPEG, the stored comment.
struct THeaderReport {
    bool HasPage = false;  // JPEG, GIF, BMP, AVI and TIFF have one; icons and others do not
    bool Ok = false;       // the reader accepted the file (else the dialog shows the Error page)
    TPropRows Rows;
    bool HasComment = false;  // the page shows the comment memo (JPEG)
    QByteArray Comment;
};

THeaderReport ReadHeaderReport(const QString& fileName, TImageFormat format, qint64 fileSize);

// Everything the dialog shows of a file.
struct TFileInfoData {
    QString FileName;
    bool Found = false;  // false: the file is gone or its entry cannot be read
    qint64 Size = 0;
    int Attributes = 0;                                // TFileAttribute bits
    std::optional<qint64> Created, Written, Accessed;  // seconds since the epoch
    QString TypeDescription;  // the system's description of the name's type; empty when none
    QString IconName, GenericIconName;  // icon theme names of the file's type
    TImageFormat Format = ifUnknown;    // by extension
    THeaderReport Header;
};

TFileInfoData ReadFileInfoData(const QString& fileName);

// Runs the format check on the file.
TCheckTypeReport CheckFileType(const QString& fileName);

// What Apply writes: the attributes and the comment, each when set.
struct TFileChanges {
    QString FileName;
    std::optional<int> Attributes;
    std::optional<QByteArray> Comment;
};

// The writers ApplyFileChanges uses (replaceable in tests).
struct TFileWriters {
    std::function<bool(const QString&, int)> WriteAttributes;
    std::function<bool(const QString&, const QByteArray&)> WriteComment;
    static TFileWriters System();
};

struct TApplyOutcome {
    bool AttributesWritten = false;
    bool CommentWritten = false;
    QString Message;  // what failed, for the user; empty when everything asked was written
};

// Writes the changes. A read-only file is made writable before the comment is written and made
// read-only only after it, so both changes land; when the comment fails, read-only is not set.
TApplyOutcome ApplyFileChanges(const TFileChanges& changes,
                               const TFileWriters& writers = TFileWriters::System());

}  // namespace pixmarl
