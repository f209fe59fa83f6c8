#pragma once

// The texts of the report view's six columns, computed on request from an item's fields, so that
// the view holds no logic of its own. GUI thread (TimeText is cached in the item).

#include <QString>

namespace pixmarl {

struct TFileListItem;

enum TReportColumn : int {
    rcName,
    rcType,
    rcImageSize,
    rcFileSize,
    rcTime,
    rcAttr,
    rcColumnCount,
};

// The column headers, the same in every interface language.
QString ReportColumnHeader(int column);

// The text of an item's cell; empty for an unknown column.
QString ReportCellText(TFileListItem& item, int column);

// A file time as the Time column shows it: the locale's short date and long time (without a time
// zone), only the date when the time is exactly midnight.
QString FormatFileTime(qint64 secondsSinceEpoch);

}  // namespace pixmarl
