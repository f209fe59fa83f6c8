// How long the GUI thread's event loop stalls while workers hand it their results, measured by a
// 1 ms probe timer on that thread (target: one frame at 60 Hz, 16 ms). One function per figure:
// - idle: the probe alone, the machine's own noise to read the others against;
// - thumbnails: 1,000 thumbnails of corpus photos at box 96, one decode at a time, as the grid
//   asks for a window that holds them all;
// - the animation: a 1600 x 1200, 100-frame GIF plays through its painter into a paint target
//   that draws each frame into a screen-sized image, as a window would; also the longest draw
//   and how far the frames drift from their delays.
//
// Usage: bench_gui_stall [number of thumbnails, default 1000]   (release build, offscreen)

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "filelist/FileLists.h"
#include "filelist/ThumbCtrls.h"
#include "filelist/ThumbDrivers.h"
#include "formats/Images.h"
#include "gif/GIFImage.h"
#include "support/EventWait.h"
#include "support/GapProbe.h"
#include "support/GifBuilder.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;
using Clock = std::chrono::steady_clock;

// Draws every frame into its own screen image and notes when, and for how long.
class TScreenTarget : public TPaintTarget {
public:
    explicit TScreenTarget(QSize size) : screen_(size, QImage::Format_RGB32) {}
    void PaintFrame(const QImage& frame, const QRect& rect) override
    {
        const auto start = Clock::now();
        QPainter painter(&screen_);
        painter.drawImage(rect, frame);
        times.push_back(Clock::now());
        longestDraw = std::max(longestDraw, times.back() - start);
    }
    std::vector<Clock::time_point> times;
    Clock::duration longestDraw{};

private:
    QImage screen_;
};

// The probe alone, for as long as the animation plays: what the machine's own noise gives.
void IdleFigures()
{
    test::TGapProbe probe;
    probe.Start();
    test::RunEventsFor(5000);
    probe.Stop();
    PrintFigure("longest-gap-ms-idle", probe.LongestGapMs(), 1);
    PrintFigure("gaps-over-16ms-idle", probe.GapsOverMs(16), 0);
}

void ThumbnailFigures(int count)
{
    QTemporaryDir dir;
    if (!FillPhotoFolder(QStringLiteral(PIXMARL_SHARED_DIR), dir.path(), count))
        return;
    TJPEGFileList list;
    TThumbCtrl ctrl;
    TThumbDriver driver(list, ctrl);
    list.SetDirectory(dir.path());
    ctrl.SetMaxThumbs(list.Count());
    bool idle = false;
    QObject::connect(&driver, &TThumbDriver::OnIdle, [&] { idle = true; });
    test::TGapProbe probe;
    probe.Start();
    ctrl.Reset(list.Count());
    test::RunEventsUntil([&] { return idle; }, 600000);
    probe.Stop();
    PrintFigure("longest-gap-ms-thumbnails", probe.LongestGapMs(), 1);
    PrintFigure("gaps-over-16ms-thumbnails", probe.GapsOverMs(16), 0);
}

void AnimationFigures()
{
    constexpr int kFrames = 100;
    constexpr int kDelay = 4;  // hundredths: 4 units of 12 ms
    const QSize size(1600, 1200);
    auto image = test::BuildAnimation(size.width(), size.height(), kFrames, kDelay);
    TScreenTarget target(size);
    test::TGapProbe probe;
    probe.Start();
    auto painter = image->Paint(&target, QRect(QPoint(0, 0), size), doAsync | doAnimate);
    test::RunEventsUntil([&] { return image->Painters().empty(); }, 60000);
    probe.Stop();
    PrintFigure("longest-gap-ms-animation", probe.LongestGapMs(), 1);
    PrintFigure("gaps-over-16ms-animation", probe.GapsOverMs(16), 0);
    PrintFigure("frames-shown-animation", double(target.times.size()), 0);
    PrintFigure("longest-draw-ms-animation",
                std::chrono::duration<double, std::milli>(target.longestDraw).count(), 1);
    std::vector<double> errors;
    for (std::size_t i = 1; i < target.times.size(); ++i) {
        const double gap =
            std::chrono::duration<double, std::milli>(target.times[i] - target.times[i - 1])
                .count();
        errors.push_back(std::abs(gap - kDelay * kDelayUnitMs));
    }
    PrintFigure("frame-time-error-ms-median-animation", Median(errors), 2);
    PrintFigure("frame-time-error-ms-max-animation",
                errors.empty() ? 0 : *std::max_element(errors.begin(), errors.end()), 2);
}

}  // namespace

int main(int argc, char* argv[])
{
    DefaultToOffscreen();
    QGuiApplication app(argc, argv);
    SetImageAllocationLimit();
    IdleFigures();
    ThumbnailFigures(argc > 1 ? std::atoi(argv[1]) : 1000);
    AnimationFigures();
    return 0;
}
