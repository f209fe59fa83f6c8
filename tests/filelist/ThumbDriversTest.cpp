#include <gtest/gtest.h>

#include <utility>

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "filelist/FileLists.h"
#include "filelist/ThumbCtrls.h"
#include "filelist/ThumbDrivers.h"

namespace pixmarl {
namespace {

constexpr int kWaitMs = 5000;

void WriteBmps(const QString& folder, int count, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(image.save(folder + QStringLiteral("/f%1.bmp").arg(i, 3, 10, QChar('0'))));
}

class ThumbDriverTest : public testing::Test {
protected:
    void SetUp() override
    {
        WriteBmps(dir_.path(), 12, {40, 30});
        list_.SetDirectory(dir_.path());
        QObject::connect(&driver_, &TThumbDriver::OnIdle, [this] { ++idles_; });
        QObject::connect(&driver_, &TThumbDriver::OnThumbnailStored,
                         [this](int index) { stored_.push_back(index); });
    }
    // Runs the event loop until every item has its thumbnail and the driver is idle.
    bool WaitAllMade(int ms = kWaitMs)
    {
        return QTest::qWaitFor(
            [this] {
                for (int i = 0; i < list_.Count(); ++i)
                    if (!list_.Item(i).Thumbnail)
                        return false;
                return !driver_.Busy();
            },
            ms);
    }
    template <class F>
    void Later(F fn)  // as a click or a key press arrives
    {
        QMetaObject::invokeMethod(&driver_, std::move(fn), Qt::QueuedConnection);
    }

    QTemporaryDir dir_;
    TJPEGFileList list_;
    TThumbCtrl ctrl_;
    TThumbDriver driver_{list_, ctrl_};
    int idles_ = 0;
    std::vector<int> stored_;
};

// A restart as a run ends, a stop and restart queued behind it: once a hang (the GUI waited for a
// worker that waited for the GUI) or a use after free, depending on the threads' timing.
TEST_F(ThumbDriverTest, RestartsQueuedAsARunEndsNeitherHangNorCrash)
{
    for (const int pauseMs : {0, 50}) {
        idles_ = 0;
        bool restartedLater = false;
        const auto connection = QObject::connect(&driver_, &TThumbDriver::OnIdle, [&] {
            if (idles_ != 1)
                return;
            Later([&] {
                QThread::msleep(pauseMs);
                driver_.StopThumbnails(true);
                ctrl_.Restart();
                restartedLater = true;
            });
            ctrl_.Restart();
        });
        ctrl_.Reset(list_.Count());
        EXPECT_TRUE(QTest::qWaitFor([&] { return restartedLater; }, kWaitMs)) << pauseMs;
        EXPECT_TRUE(WaitAllMade()) << pauseMs;
        QObject::disconnect(connection);
    }
}

// A size change (stop with dropping, forced restart) from inside a stored thumbnail's signal: once
// the new window's first index went to the stopped worker and nothing was made.
TEST_F(ThumbDriverTest, StopAndRestartFromInsideAStoredThumbnailMakesTheNewWindow)
{
    QObject::connect(&driver_, &TThumbDriver::OnThumbnailStored, [this] {
        if (stored_.size() == 1) {
            driver_.StopThumbnails(true);
            ctrl_.SetVisible(0, list_.Count(), true);
        }
    });
    ctrl_.Reset(list_.Count());
    EXPECT_TRUE(WaitAllMade());
}

// A start just after a run ran out of files was once kept for a moment that never came.
TEST_F(ThumbDriverTest, StartRightAfterARunEndedIsNotLost)
{
    ctrl_.Reset(list_.Count());
    ASSERT_TRUE(WaitAllMade());
    for (int round = 0; round < 10; ++round) {
        ctrl_.SetVisible(0, list_.Count(), true);
        ASSERT_TRUE(WaitAllMade(2000)) << round;
    }
}

// After a stop no further file is asked for and nothing is stored.
TEST_F(ThumbDriverTest, StopAsksForNoFurtherFileAndStoresNothing)
{
    ctrl_.Reset(list_.Count());
    const int index = ctrl_.CurrentIndex();
    driver_.StopThumbnails(false);
    QTest::qWait(200);
    EXPECT_EQ(ctrl_.CurrentIndex(), index);
    EXPECT_TRUE(stored_.empty());
    EXPECT_EQ(idles_, 0);
    EXPECT_FALSE(driver_.Busy());
}

// Nothing of the old folder lands in the new one, whose window is made from the top.
TEST_F(ThumbDriverTest, FolderChangeDuringARunMakesTheNewFoldersWindowInOrder)
{
    QTemporaryDir other;
    WriteBmps(other.path(), 20, {50, 40});
    ctrl_.SetMaxThumbs(8);
    bool changed = false;
    QObject::connect(&driver_, &TThumbDriver::OnThumbnailStored, [&] {
        if (!std::exchange(changed, true))
            Later([&] {
                driver_.StopThumbnails(false);
                stored_.clear();
                list_.SetDirectory(other.path());
                ctrl_.Reset(list_.Count());
            });
    });
    ctrl_.Reset(list_.Count());
    ASSERT_TRUE(QTest::qWaitFor([&] { return list_.Count() == 20 && idles_ > 0; }, kWaitMs));
    EXPECT_EQ(stored_, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    for (int i = 0; i < list_.Count(); ++i)
        EXPECT_EQ(list_.Item(i).ImageWidth, i < 8 ? 50 : 0) << i;
}

}  // namespace
}  // namespace pixmarl
