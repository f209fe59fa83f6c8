#include "support/GapProbe.h"

#include <algorithm>

namespace pixmarl::test {

namespace {

// Gaps shorter than this are the timer's own jitter and are not kept.
constexpr qint64 kLongGapNs = 2'000'000;

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
    longGapsNs_.clear();
    clock_.start();
    lastNs_ = 0;
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
    longestNs_ = std::max(longestNs_, now - lastNs_);
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
