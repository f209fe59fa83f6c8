#include "support/GapProbe.h"

#include <algorithm>

#include <time.h>

namespace pixmarl::test {

namespace {

// Gaps shorter than this are the timer's own jitter and are not kept.
constexpr qint64 kLongGapNs = 2'000'000;

// The processor time the calling thread has used: unlike the clock, other load does not inflate it.
qint64 ThreadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

TGapProbe::TGapProbe()
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, &TGapProbe::Tick);
}

void TGapProbe::Start()
{
    longestNs_ = 0;
    longestBusyNs_ = 0;
    longGapsNs_.clear();
    clock_.start();
    lastNs_ = 0;
    lastCpuNs_ = ThreadCpuNs();
    timer_.start();
}

void TGapProbe::Stop()
{
    Tick();
    timer_.stop();
}

void TGapProbe::Tick()
{
    const qint64 now = clock_.nsecsElapsed();
    const qint64 cpu = ThreadCpuNs();
    longestNs_ = std::max(longestNs_, now - lastNs_);
    longestBusyNs_ = std::max(longestBusyNs_, cpu - lastCpuNs_);
    lastCpuNs_ = cpu;
    if (now - lastNs_ > kLongGapNs)
        longGapsNs_.push_back(now - lastNs_);
    lastNs_ = now;
}

int TGapProbe::GapsOverMs(double ms) const
{
    return int(std::count_if(longGapsNs_.begin(), longGapsNs_.end(),
                             [ms](qint64 ns) { return ns / 1e6 > ms; }));
}

}  // namespace pixmarl::test
