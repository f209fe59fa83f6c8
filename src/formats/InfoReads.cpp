#include "InfoReads.h"

#include <QFileInfo>
#include <QMimeDatabase>

#include "formats/AVIFile.h"
#include "formats/RdGIFH.h"
#include "formats/RdJPGH.h"
#include "formats/ReadBmpH.h"
#include "formats/TIFiles.h"
#include "platform/FileAttributes.h"
#include "platform/Paths.h"
#include "platform/ReadOnlyFile.h"

namespace pixmarl {

namespace {

std::optional<qint64> Seconds(const QDateTime& time)
{
    if (!time.isValid())
        return std::nullopt;
    return time.toSecsSinceEpoch();
}

QByteArray ReadHead(const QString& fileName)
{
    const TReadOnlyFile file(fileName);
    QByteArray head(kCheckTypeHeadSize, '\0');
    const qint64 read = file.IsOpen() ? file.ReadAt(0, head.data(), head.size()) : -1;
    head.truncate(read > 0 ? read : 0);
    return head;
}

void ReadTypeAndIcon(const QFileInfo& info, bool found, TFileInfoData& data)
{
    const QMimeDatabase mimes;
    // The description belongs to the name's type, as the system registers it per extension.
    const QList<QMimeType> byName = mimes.mimeTypesForFileName(info.fileName());
    if (!byName.isEmpty())
        data.TypeDescription = byName.first().comment();
    const QMimeType type = found ? mimes.mimeTypeForFile(info)
                                 : mimes.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    data.IconName = type.iconName();
    data.GenericIconName = type.genericIconName();
}

}  // namespace

THeaderReport ReadHeaderReport(const QString& fileName, TImageFormat format, qint64 fileSize)
{
    THeaderReport report;
    report.HasPage = true;
    switch (format) {
    case ifJPEG: {
        TInfoRec info;
        report.Ok = ReadJPEGHeader(fileName, kReadJpegAll, info);
        report.Rows = JpegReportRows(info, fileSize);
        report.HasComment = true;
        report.Comment = info.Comment;
        break;
    }
    case ifGIF: {
        GifHeader header;
        report.Ok = ReadGIFHeader(fileName, header);
        report.Rows = GifReportRows(header);
        break;
    }
    case ifBMP: {
        BITMAPINFOHEADER header;
        report.Ok = ReadBmpHeader(fileName, header);
        if (report.Ok)
            report.Rows = BmpReportRows(header);
        break;
    }
    case ifAVI: {
        TAviFileInfo file;
        TAviStreamInfo stream;
        report.Ok = ReadAviInfo(fileName, file, stream);
        report.Rows = AviReportRows(file, stream);
        break;
    }
    case ifTIFF: {
        TTifInfo info;
        report.Ok = ReadTiffInfo(fileName, info);
        report.Rows = TiffReportRows(info);
        break;
    }
    default:
        report.HasPage = false;
        break;
    }
    return report;
}

TFileInfoData ReadFileInfoData(const QString& fileName)
{
    TFileInfoData data;
    data.FileName = fileName;
    data.Format = FileNameToFormat(fileName);
    const QFileInfo info(fileName);
    const int attributes = ReadFileAttributes(fileName);
    data.Found = attributes >= 0 && info.exists();
    ReadTypeAndIcon(info, data.Found, data);
    if (data.Found) {
        data.Attributes = attributes;
        data.Size = info.size();
        data.Created = Seconds(info.birthTime());
        data.Written = Seconds(info.lastModified());
        data.Accessed = Seconds(info.lastRead());
    }
    data.Header = ReadHeaderReport(fileName, data.Format, data.Size);
    return data;
}

TCheckTypeReport CheckFileType(const QString& fileName)
{
    TCheckTypeFacts facts;
    facts.Name = ExtractFileName(fileName);
    const QFileInfo info(fileName);
    facts.Exists = info.isFile();
    facts.Size = facts.Exists ? info.size() : 0;
    if (facts.Size > 0) {
        facts.Detected = DetectFormat(fileName, facts.Info);
        if (facts.Detected == ifUnknown)
            facts.Head = ReadHead(fileName);
    }
    return CheckTypeReport(facts);
}

TFileWriters TFileWriters::System()
{
    return {WriteFileAttributes, WriteJPEGComment};
}

TApplyOutcome ApplyFileChanges(const TFileChanges& changes, const TFileWriters& writers)
{
    TApplyOutcome outcome;
    QStringList failures;
    const QString name = ExtractFileName(changes.FileName);
    const auto writeAttributes = [&] {
        outcome.AttributesWritten = writers.WriteAttributes(changes.FileName, *changes.Attributes);
        if (!outcome.AttributesWritten)
            failures << QStringLiteral("The attributes of %1 could not be changed.").arg(name);
    };
    const bool readOnlyLast = changes.Attributes && (*changes.Attributes & faReadOnly) != 0;
    if (changes.Attributes && !readOnlyLast)
        writeAttributes();
    if (changes.Comment) {
        if (changes.Comment->size() > kMaxJpegComment) {
            failures << QStringLiteral("The comment is too long: a JPEG comment holds at most "
                                       "%1 bytes, this one has %2.")
                            .arg(kMaxJpegComment)
                            .arg(changes.Comment->size());
        } else {
            outcome.CommentWritten = writers.WriteComment(changes.FileName, *changes.Comment);
            if (!outcome.CommentWritten)
                failures << QStringLiteral("The comment could not be written to %1. The file may "
                                           "be read-only, damaged or no longer there.")
                                .arg(name);
        }
    }
    if (readOnlyLast && (!changes.Comment || outcome.CommentWritten))
        writeAttributes();
    outcome.Message = failures.join(u'\n');
    return outcome;
}

}  // namespace pixmarl
