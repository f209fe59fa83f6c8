#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "filelist/FileLists.h"
#include "filelist/JPEGInfos.h"
#include "platform/Sync.h"
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
        scanner_.OnInfoStored = [this](int index) { stored_.push_back(index); };
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
        WaitProcessingEvents([this] { return !scanner_.Running(); });
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
}

TEST_F(InfoScanTest, UnreadableHeaderIsMarkedReadWithZeroSize)
{
    MakeFiles(2);
    scanner_.SetReportStyle(true);
    Open();
    WaitIdle();
    for (int i = 0; i < list_.Count(); ++i) {
        EXPECT_TRUE(list_.Item(i).InfoRead);
        EXPECT_EQ(list_.Item(i).ImageWidth, 0);
    }
}

TEST_F(InfoScanTest, LeavingReportStyleStopsAndReturningRestartsAtTheFirstItem)
{
    MakeFiles(5);
    scanner_.OnInfoStored = [this](int index) {
        stored_.push_back(index);
        if (stored_.size() == 2)
            QMetaObject::invokeMethod(qApp, [this] { scanner_.SetReportStyle(false); },
                                      Qt::QueuedConnection);
    };
    scanner_.SetReportStyle(true);
    Open();
    WaitIdle();
    EXPECT_EQ(stored_, (std::vector<int>{0, 1}));
    EXPECT_FALSE(scanner_.ScanDone());
    EXPECT_FALSE(list_.Item(2).InfoRead);

    stored_.clear();
    scanner_.OnInfoStored = [this](int index) { stored_.push_back(index); };
    scanner_.SetReportStyle(true);
    WaitIdle();
    EXPECT_EQ(stored_, (std::vector<int>{0, 2, 3, 4}));  // item 0 again, then the unread ones
}

TEST_F(InfoScanTest, EmptyFolderStartsNoWorker)
{
    scanner_.SetReportStyle(true);
    Open();
    EXPECT_FALSE(scanner_.Running());
    EXPECT_TRUE(bar_.log.isEmpty());
}

TEST_F(InfoScanTest, ListStyleReadsNothing)
{
    MakeFiles(2);
    Open();
    WaitIdle();
    EXPECT_TRUE(stored_.empty());
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
    scanner_.OnInfoStored = [this](int index) {
        stored_.push_back(index);
        // A click on a column header arrives while the worker waits for its next file.
        if (stored_.size() == 3)
            QMetaObject::invokeMethod(qApp, [this] { list_.SetSortType(stSize); }, Qt::QueuedConnection);
    };
    scanner_.SetReportStyle(true);
    Open();
    WaitIdle();
    for (int i = 0; i < list_.Count(); ++i)
        EXPECT_TRUE(list_.Item(i).InfoRead) << i;
}

}  // namespace
}  // namespace pixmarl
