#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>

#include "filelist/FileListTexts.h"
#include "filelist/FileLists.h"

namespace pixmarl {
namespace {

TEST(FileListTexts, ReportCellsOfAnItem)
{
    TFileListItem item;
    item.Caption = "photo.jpg";
    item.Format = ifJPEG;
    item.Size = 2'000'000;
    item.Attributes = {'A', 'R', 0, 0};
    EXPECT_EQ(ReportCellText(item, rcName), "photo.jpg");
    EXPECT_EQ(ReportCellText(item, rcFileSize), "2000000");
    EXPECT_EQ(ReportCellText(item, rcAttr), "AR");
    EXPECT_EQ(ReportCellText(item, rcType), " ");  // header not read yet: the names for zero
    EXPECT_EQ(ReportCellText(item, rcImageSize), "");
    EXPECT_EQ(ReportCellText(item, 6), "");

    item.InfoRead = true;
    EXPECT_EQ(ReportCellText(item, rcImageSize), "0 x 0");
    item.ImageWidth = 1600;
    item.ImageHeight = 1200;
    item.ColorDepth = 11;
    item.SubType = 3;
    EXPECT_EQ(ReportCellText(item, rcImageSize), "1600 x 1200");
    EXPECT_EQ(ReportCellText(item, rcType), "RGB (Progressive)");
}

TEST(FileListTexts, MidnightShowsTheDateOnly)
{
    const QDateTime midnight(QDate(2024, 3, 9), QTime(0, 0));
    const QString date = QLocale().toString(midnight.date(), QLocale::ShortFormat);
    EXPECT_EQ(FormatFileTime(midnight.toSecsSinceEpoch()), date);

    const QDateTime afternoon(QDate(2024, 3, 9), QTime(14, 5, 7));
    const QString text = FormatFileTime(afternoon.toSecsSinceEpoch());
    EXPECT_TRUE(text.startsWith(date + ' ')) << text.toStdString();
    EXPECT_TRUE(text.contains("05")) << text.toStdString();
    EXPECT_TRUE(text.contains("07")) << text.toStdString();
}

}  // namespace
}  // namespace pixmarl
