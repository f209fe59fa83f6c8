#include <gtest/gtest.h>

#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "navigation/DirMons.h"
#include "platform/FolderWatch.h"
#include "support/ScratchMounts.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

// Counts the callbacks of a monitor on a temporary folder; the monitor is stopped and its
// watcher has ended when the fixture goes.
class DirMonitorTest : public testing::Test {
protected:
    void SetUp() override
    {
        monitor_.SetDirectory(dir_.path());
        monitor_.OnFilesChange = [this](TDirMonitor& sender) {
            EXPECT_EQ(&sender, &monitor_);
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            ++calls_;
        };
    }
    void TearDown() override
    {
        monitor_.SetActive(false);
        EXPECT_TRUE(QTest::qWaitFor([] { return TFileMon::RunningCount() == 0; }, 5000));
    }

    QTemporaryDir dir_;
    TDirMonitor monitor_;
    int calls_ = 0;
};

// A hundred files copied in a burst give one call; pauses longer than the burst step give one
// call per burst.
TEST_F(DirMonitorTest, EachBurstGivesOneCall)
{
    monitor_.SetActive(true);
    ASSERT_TRUE(monitor_.Active());
    for (int i = 0; i < 100; ++i)
        test::WriteFileOfSize(dir_.path(), QStringLiteral("img%1.jpg").arg(i), 2000);
    QTest::qWait(400);
    EXPECT_EQ(calls_, 1);
    for (int burst = 0; burst < 2; ++burst) {
        for (int i = 0; i < 10; ++i)
            test::WriteFile(dir_.path(), QStringLiteral("b%1_%2.jpg").arg(burst).arg(i));
        QTest::qWait(300);
    }
    EXPECT_EQ(calls_, 3);
}

TEST_F(DirMonitorTest, OptionsDecideWhichChangesCount)
{
    const QString file = test::WriteFile(dir_.path(), "a.jpg", "x");
    const struct {
        const char* what;
        TMonitorOptions options;
        std::function<void()> change;
        int calls;
    } cases[] = {
        {"new file, names watched", dmChFileName, [&] { test::WriteFile(dir_.path(), "n.jpg"); },
         1},
        {"new folder, only file names", dmChFileName, [&] { test::MakeFolder(dir_.path(), "f1"); },
         0},
        {"new folder, folder names", dmChDirName, [&] { test::MakeFolder(dir_.path(), "f2"); }, 1},
        {"write, only names", dmChFileName, [&] { test::WriteFile(dir_.path(), "a.jpg", "yy"); },
         0},
        {"write, last write", dmChLastWrite, [&] { test::WriteFile(dir_.path(), "a.jpg", "zz"); },
         1},
        {"permissions, attributes", dmChAttr,
         [&] { QFile::setPermissions(file, QFile::ReadOwner); }, 1},
        {"anything, empty options", 0, [&] { test::WriteFile(dir_.path(), "e.jpg"); }, 0},
    };
    for (const auto& c : cases) {
        calls_ = 0;
        monitor_.SetActive(false);
        monitor_.SetOptions(c.options);
        monitor_.SetActive(true);
        c.change();
        QTest::qWait(250);
        EXPECT_EQ(calls_, c.calls) << c.what;
    }
}

// A missing folder is quiet; setting the same directory again does not restart the watch; a
// new directory silences the old folder.
TEST_F(DirMonitorTest, MissingSameAndChangedDirectory)
{
    monitor_.SetDirectory(dir_.path() + "/missing");
    monitor_.SetActive(true);
    QTest::qWait(150);
    EXPECT_EQ(calls_, 0);
    monitor_.SetDirectory(dir_.path());
    const int running = TFileMon::RunningCount();
    monitor_.SetDirectory(dir_.path());
    EXPECT_EQ(TFileMon::RunningCount(), running);
    QTemporaryDir other;
    monitor_.SetDirectory(other.path());
    EXPECT_TRUE(monitor_.Active());
    test::WriteFile(dir_.path(), "old.jpg");
    QTest::qWait(250);
    EXPECT_EQ(calls_, 0);
    test::WriteFile(other.path(), "new.jpg");
    QTest::qWait(250);
    EXPECT_EQ(calls_, 1);
}

// Switched off while the burst is being collected, or while its report waits in the queue for a
// busy GUI thread: no call comes afterwards.
TEST_F(DirMonitorTest, StoppedDuringABurstOrWithItsReportQueuedReportsNothing)
{
    for (const bool guiBusy : {false, true}) {
        monitor_.SetActive(true);
        test::WriteFile(dir_.path(), guiBusy ? "b.jpg" : "a.jpg");
        if (guiBusy)
            QThread::msleep(250);
        else
            QTest::qWait(30);
        monitor_.SetActive(false);
        QTest::qWait(250);
        EXPECT_EQ(calls_, 0) << guiBusy;
        EXPECT_EQ(TFileMon::RunningCount(), 0) << guiBusy;
    }
}

// The watched folder removed, moved away or unmounted is a change; a folder back at its path is
// another, and is watched again. Meanwhile the watcher does not spin.
TEST_F(DirMonitorTest, FolderGoneIsAChangeAndAFolderBackAtItsPathIsWatchedAgain)
{
    for (const QString how : {"removed", "moved away", "unmounted"}) {
        const QString sub = test::MakeFolder(dir_.path(), how);
        std::optional<test::TMount> mount;
        if (how == "unmounted" && test::SkippedRow(mount.emplace(QStringList{"-t", "tmpfs", "tmpfs"}, sub)))
            continue;
        calls_ = 0;
        monitor_.SetDirectory(sub);
        monitor_.SetActive(true);
        mount.reset();
        ASSERT_TRUE(how != "removed" || QDir(sub).removeRecursively());
        ASSERT_TRUE(how != "moved away" || QDir().rename(sub, sub + " before"));
        const clock_t cpuBefore = clock();
        QTest::qWait(400);
        // At least one call, and no spinning (that would burn most of those 400 ms).
        EXPECT_TRUE(calls_ >= 1 && double(clock() - cpuBefore) / CLOCKS_PER_SEC < 0.2);
        QDir().mkpath(sub);
        QTest::qWait(500);
        // The folder back at the path; after an unmount the one below is there within the burst.
        EXPECT_GE(calls_, how == "unmounted" ? 1 : 2) << qPrintable(how);
        const int before = calls_;
        test::WriteFile(sub, "new.jpg");
        QTest::qWait(300);
        EXPECT_EQ(calls_, before + 1) << "and watched again";
        monitor_.SetActive(false);
    }
}

// Changes that overflow the kernel's queue are reported, and a sub-folder made while events were
// lost is watched afterwards: the tree is walked again.
TEST(FolderWatch, OverflowWalksTheSubTreeAgain)
{
    QTemporaryDir dir;
    TFolderWatch watch(dir.path(), fwFileName | fwLastWrite, true);
    watch.Begin();
    const int limit = test::ReadWholeFile("/proc/sys/fs/inotify/max_queued_events").trimmed().toInt();
    QFile a(dir.filePath("a")), b(dir.filePath("b"));
    ASSERT_TRUE(a.open(QIODevice::WriteOnly) && b.open(QIODevice::WriteOnly));
    for (int i = 0; i <= limit; ++i)  // alternating, so the kernel merges none of them
        (i % 2 ? a : b).write("x", 1), (i % 2 ? a : b).flush();
    const QString late = test::MakeFolder(dir.path(), "late");
    EXPECT_EQ(watch.Wait(0), wrChange);
    while (watch.Wait(0) == wrChange)
        continue;  // the rest of the queue
    test::WriteFile(late, "x.jpg");
    EXPECT_EQ(watch.Wait(1000), wrChange);
}

// Without the sub-tree watch sub-folders are not seen; with it, even new ones are, but never a
// folder that a link inside points to.
TEST_F(DirMonitorTest, SubTreeWatchSeesChangesInNewSubFolders)
{
    const QString old = test::MakeFolder(dir_.path(), "old");
    QTemporaryDir outside;
    ASSERT_TRUE(QFile::link(outside.path(), dir_.filePath("link")));
    ASSERT_TRUE(QFile::link(".", dir_.filePath("self")));
    monitor_.SetActive(true);
    test::WriteFile(old, "x.jpg");
    QTest::qWait(250);
    EXPECT_EQ(calls_, 0);
    monitor_.SetActive(false);
    monitor_.SetWatchSubTree(true);
    monitor_.SetActive(true);
    const QString sub = test::MakeFolder(dir_.path(), "new");
    QTest::qWait(250);
    test::WriteFile(test::MakeFolder(sub, "deeper"), "x.jpg");
    QTest::qWait(250);
    calls_ = 0;
    test::WriteFile(sub + "/deeper", "y.jpg");
    QTest::qWait(250);
    EXPECT_EQ(calls_, 1);
    test::WriteFile(outside.path(), "not.jpg");
    QTest::qWait(250);
    EXPECT_EQ(calls_, 1);
}

}  // namespace
}  // namespace pixmarl
