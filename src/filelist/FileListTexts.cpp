#include "FileListTexts.h"

#include <array>

#include <QDateTime>
#include <QLocale>

#include "filelist/FileLists.h"

namespace pixmarl {

namespace {

// The locale's long time format without its time-zone field: the lists show no zone.
QString LongTimeFormatWithoutZone()
{
    const QString format = QLocale().timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        result += c;
    }
    return result.trimmed();
}

}  // namespace

QString ReportColumnHeader(int column)
{
    static constexpr std::array<const char*, rcColumnCount> kHeaders = {
        "Name", "Type", "Image Size", "File Size", "Time", "Attr.",
    };
    if (column < 0 || column >= rcColumnCount)
        return {};
    return QLatin1String(kHeaders[size_t(column)]);
}

QString FormatFileTime(qint64 secondsSinceEpoch)
{
    const QDateTime time = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
    const QLocale locale;
    const QString date = locale.toString(time.date(), QLocale::ShortFormat);
    if (time.time() == QTime(0, 0))
        return date;
    static const QString timeFormat = LongTimeFormatWithoutZone();
    return date + u' ' + locale.toString(time.time(), timeFormat);
}

QString ReportCellText(TFileListItem& item, int column)
{
    switch (column) {
    case rcName:
        return item.Caption;
    case rcType:
        return TypeText(item.Format, item.ColorDepth, item.SubType);
    case rcImageSize:
        if (!item.InfoRead)
            return {};
        return QString::number(item.ImageWidth) + QLatin1String(" x ") +
               QString::number(item.ImageHeight);
    case rcFileSize:
        return QString::number(item.Size);
    case rcTime:
        if (item.TimeText.isEmpty())
            item.TimeText = FormatFileTime(item.Time);
        return item.TimeText;
    case rcAttr:
        return item.AttributesText();
    default:
        return {};
    }
}

}  // namespace pixmarl
