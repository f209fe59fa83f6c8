#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "filelist/FileLists.h"
#include "filelist/JPEGInfos.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

class RecordingBar : public TProgressBar {
public:
    void SetPosition(int percent) override { log << QString::number(percent); }
    void Show() override { log << "show"; }
    void Hide() override { log << "hide"; }
    QStringList log;
};

class InfoScanTest : public testing::Test {
protected:
    void SetUp() override
    {
        scanner_.SetProgressBar(&bar_);
        QObject::connect(&scanner_, &TInfoScanner::OnInfoStored,
                         [this](int index) { stored_.push_back(index); });
        list_.SetAutoScan(true);
    }
    void MakeFiles(int count)
    {
        for (int i = 0; i < count; ++i)
            test::WriteFile(dir_.path(), QStringLiteral("f%1.jpg").arg(i), "not a jpeg");
    }
    void Open()
    {
        list_.SetForceReread(true);
        list_.SetDirectory(dir_.path());
    }
    void WaitIdle()
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !scanner_.Running(); }, 10000));
    }
    // Runs fn as a queued call, as a click or a key press arrives.
    template <class F>
    void Later(F fn)
    {
        QMetaObject::invokeMethod(&scanner_, std::move(fn), Qt::QueuedConnection);
    }

    QTemporaryDir dir_;
    TJPEGFileList list_;
    TInfoScanner scanner_{list_};
    RecordingBar bar_;
    std::vector<int> stored_;
};

TEST_F(InfoScanTest, ThreeFilesShowProgressThenHideTheBar)
{
    MakeFiles(3);
    scanner_.SetReportStyle(true);
    Open();
    WaitIdle();
    EXPECT_EQ(bar_.log, (QStringList{"0", "show", "0", "33", "67", "hide"}));
    EXPECT_EQ(stored_, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(scanner_.ScanDone());
    for (int i = 0; i < list_.Count(); ++i)  // headers that cannot be read count as read, size 0
        EXPECT_TRUE(list_.Item(i).InfoRead && list_.Item(i).ImageWidth == 0) << i;
    list_.SetSortType(stSize);  // idle: a re-sort starts nothing
    EXPECT_FALSE(scanner_.Running());
}

TEST_F(InfoScanTest, LeavingReportStyleStopsAndReturningRestartsAtTheFirstItem)
{
    MakeFiles(5);
    const auto connection = QObject::connect(&scanner_, &TInfoScanner::OnInfoStored, [this] {
        if (stored_.size() == 2)
            Later([this] { scanner_.SetReportStyle(false); });
    });
    scanner_.SetReportStyle(true);
    Open();
    WaitIdle();
    EXPECT_EQ(stored_, (std::vector<int>{0, 1}));
    EXPECT_FALSE(scanner_.ScanDone());
    EXPECT_FALSE(list_.Item(2).InfoRead);

    stored_.clear();
    QObject::disconnect(connection);
    scanner_.SetReportStyle(true);
    WaitIdle();
    EXPECT_EQ(stored_, (std::vector<int>{0, 2, 3, 4}));  // item 0 again, then the unread ones
}

TEST_F(InfoScanTest, EmptyFolderOrListStyleReadsNothing)
{
    scanner_.SetReportStyle(true);
    Open();
    EXPECT_FALSE(scanner_.Running());
    EXPECT_TRUE(bar_.log.isEmpty());
    MakeFiles(2);
    scanner_.SetReportStyle(false);
    Open();
    EXPECT_FALSE(scanner_.Running());
    EXPECT_FALSE(list_.Item(0).InfoRead);
}

TEST_F(InfoScanTest, RefreshReadsOnlyWhatANewScanNeeds)
{
    MakeFiles(2);
    scanner_.SetReportStyle(true);
    Open();
    WaitIdle();
    stored_.clear();
    test::WriteFile(dir_.path(), "f9.jpg", "x");
    list_.Refresh();  // the scan has to run again: the refresh reset it
    WaitIdle();
    EXPECT_EQ(stored_, (std::vector<int>{0, 2}));
    EXPECT_TRUE(list_.Item(2).InfoRead);
}

TEST_F(InfoScanTest, ResortDuringAScanStoresEveryHeaderInItsOwnItem)
{
    for (int i = 0; i < 20; ++i)
        test::WriteFileOfSize(dir_.path(), QStringLiteral("f%1.jpg").arg(i, 2, 10, QChar('0')),
                              100 - i);
    QObject::connect(&scanner_, &TInfoScanner::OnInfoStored, [this] {
        // A click on a column header arrives while the worker reads the next file.
        if (stored_.size() == 3)
            Later([this] { list_.SetSortType(stSize); });
    });
    scanner_.SetReportStyle(true);
    Open();
    WaitIdle();
    for (int i = 0; i < list_.Count(); ++i)
        EXPECT_TRUE(list_.Item(i).InfoRead) << i;
}

// A re-sort restarts the scan, and an F5 that empties the list arrives right behind it: the old
// scanner processed the F5 inside the restart's wait and then read the first item of the empty
// list.
TEST_F(InfoScanTest, RefreshBehindARestartEmptiesTheListSafely)
{
    MakeFiles(20);
    QObject::connect(&scanner_, &TInfoScanner::OnInfoStored, [this] {
        if (stored_.size() != 1)
            return;
        Later([this] { list_.SetSortType(stSize); });
        Later([this] {
            for (const QString& name : QDir(dir_.path()).entryList(QDir::Files))
                QFile::remove(dir_.filePath(name));
            list_.Refresh();
        });
    });
    scanner_.SetReportStyle(true);
    Open();
    ASSERT_TRUE(QTest::qWaitFor([this] { return list_.Count() == 0; }, 10000));
    EXPECT_FALSE(scanner_.Running());
    QTest::qWait(50);
    EXPECT_EQ(bar_.log.last(), "hide");
}

}  // namespace
}  // namespace pixmarl
