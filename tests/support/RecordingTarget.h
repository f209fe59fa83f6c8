#pragma once

// A paint target that records what painters hand it: each frame's top-left pixel, rectangle and
// time, and the last frame itself. Checks that every frame arrives on the GUI thread.

#include <chrono>
#include <functional>
#include <vector>

#include <QImage>
#include <QRect>

#include "gif/AnimPainters.h"

namespace pixmarl::test {

class TRecordingTarget : public TPaintTarget {
public:
    using Clock = std::chrono::steady_clock;
    struct TPaint {
        QRgb topLeft;
        QRect rect;
        Clock::time_point at;
    };

    void PaintFrame(const QImage& frame, const QRect& rect) override;
    bool CanvasValid() const override { return valid; }

    // Milliseconds between paint i - 1 and paint i.
    int GapMs(std::size_t i) const;

    std::vector<TPaint> paints;
    QImage last;
    bool valid = true;
    std::function<void()> onPaint;  // after each recorded frame
};

}  // namespace pixmarl::test
