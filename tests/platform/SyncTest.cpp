#include <gtest/gtest.h>

#include <atomic>

#include <QCoreApplication>
#include <QThread>

#include "platform/Sync.h"

namespace pixmarl {
namespace {

TEST(Sync, WorkerHandOverRunsOnTheGuiThreadWhileTheGuiWaits)
{
    std::atomic<bool> done{false};
    QThread* ranOn = nullptr;
    int handOvers = 0;
    QThread* worker = QThread::create([&] {
        for (int i = 0; i < 3; ++i)
            RunOnGuiThread([&] {
                ranOn = QThread::currentThread();
                ++handOvers;
            });
        done = true;
    });
    worker->start();
    WaitProcessingEvents([&] { return done.load(); });
    worker->wait();
    delete worker;
    EXPECT_EQ(handOvers, 3);
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
}

TEST(Sync, HandOverOnTheGuiThreadRunsAtOnce)
{
    int calls = 0;
    RunOnGuiThread([&] { ++calls; });
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace pixmarl
