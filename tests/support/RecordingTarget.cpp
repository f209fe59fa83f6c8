#include "support/RecordingTarget.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

namespace pixmarl::test {

void TRecordingTarget::PaintFrame(const QImage& frame, const QRect& rect)
{
    EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
    paints.push_back({frame.pixel(0, 0), rect, Clock::now()});
    last = frame;
    if (onPaint)
        onPaint();
}

int TRecordingTarget::GapMs(std::size_t i) const
{
    return int(
        std::chrono::duration_cast<std::chrono::milliseconds>(paints[i].at - paints[i - 1].at)
            .count());
}

}  // namespace pixmarl::test
