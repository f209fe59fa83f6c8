#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include "platform/Workers.h"

namespace pixmarl {
namespace {

// Requests not begun are dropped; results still on their way when the owner goes never arrive.
TEST(Workers, DroppedRequestsAndResultsOfAGoneOwnerNeverArrive)
{
    std::atomic<int> held{0};  // the request that waits until this changes
    std::atomic<int> started{0};
    int delivered = 0;
    const auto work = [&](const int& n) {
        ++started;
        while (held == n)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return n;
    };
    {
        TRequestWorker<int, int> worker(work, [&](const int&, quint64) { ++delivered; });
        for (int n = 0; n < 5; ++n)
            worker.Request(n, 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return started == 1; }, 5000));
        worker.DropPending();
        held = -1;
        ASSERT_TRUE(QTest::qWaitFor([&] { return delivered == 1; }, 5000));
        worker.Request(7, 0);
        while (started < 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }  // its result is on its way or about to be
    QTest::qWait(50);
    EXPECT_EQ(started, 2);
    EXPECT_EQ(delivered, 1);
}

// A job stuck on a hanging read holds up its owner's destruction only for the bounded wait.
TEST(Workers, DestructionWaitsForAStuckJobOnlyABoundedTime)
{
    auto release = std::make_shared<std::atomic<bool>>(false);
    QElapsedTimer timer;
    {
        TSerialWorker worker(wpLow);
        worker.Post([release] {
            while (!*release)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        QThread::msleep(20);
        timer.start();
    }
    EXPECT_GE(timer.elapsed(), TSerialWorker::kJoinTimeoutMs - 50);
    EXPECT_LT(timer.elapsed(), TSerialWorker::kJoinTimeoutMs + 1000);
    *release = true;  // the job ends alone, touching only what it holds
}

}  // namespace
}  // namespace pixmarl
