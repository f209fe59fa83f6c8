#include "support/GapProbe.h"

#include <algorithm>

namespace pixmarl::test {

TGapProbe::TGapProbe()
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, &TGapProbe::Tick);
}

void TGapProbe::Start()
{
    longestNs_ = 0;
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
    lastNs_ = now;
}

}  // namespace pixmarl::test
