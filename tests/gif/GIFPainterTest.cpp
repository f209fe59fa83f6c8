#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <iterator>
#include <optional>
#include <string>

#include <QCoreApplication>
#include <QThread>

#include "gif/GIFImage.h"
#include "support/EventWait.h"
#include "support/GapProbe.h"
#include "support/GifBuilder.h"
#include "support/RecordingTarget.h"

namespace pixmarl {
namespace {

using Clock = std::chrono::steady_clock;
using test::GifControl;
using test::GifParams;
using test::RunEventsUntil;

// Frame i covers the 2x2 screen in default colour i; delays in hundredths, -1 for no control
// extension.
std::unique_ptr<TGIFImage> Animation(const std::vector<int>& delays, std::optional<int> loops = {})
{
    GifParams params;
    params.width = 2;
    params.height = 2;
    params.frames.assign(delays.size(), test::GifFrameParams());
    for (std::size_t i = 0; i < delays.size(); ++i) {
        params.frames[i].width = 2;
        params.frames[i].height = 2;
        params.frames[i].pixels.assign(4, std::uint8_t(i));
        if (delays[i] >= 0)
            params.frames[i].control = GifControl{1, false, 0, delays[i]};
    }
    params.frames[0].loops = loops;
    auto image = std::make_unique<TGIFImage>();
    image->LoadFromData(test::BuildGif(params));
    return image;
}

const QRect kRect(10, 20, 30, 40);

// An animation with a recording target and a log, in the order things reached the GUI thread:
// 's' start, 'p' paint, 'l' loop, 'e' end, and a frame as its colour index ('0' black, ...).
struct Playing {
    explicit Playing(std::unique_ptr<TGIFImage> animation) : image(std::move(animation))
    {
        const auto logged = [this](char entry) {
            return [this, entry](TAnimPainter& p) {
                EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
                EXPECT_EQ(p.CurrentFrame() == -1, entry == 's' || entry == 'e');
                log += entry;
                if (onEvent)
                    onEvent(entry, p);
            };
        };
        image->OnStartPaint = logged('s');
        image->OnPaint = logged('p');
        image->OnLoop = logged('l');
        image->OnEndPaint = logged('e');
        target->onPaint = [this] {
            const auto colors = GifParams::DefaultColors();
            log +=
                char('0' + (std::find(colors.begin(), colors.end(), target->paints.back().topLeft) -
                            colors.begin()));
        };
    }
    std::shared_ptr<TGIFPainter> Paint(TDrawOptions options)
    {
        return image->Paint(target.get(), kRect, options);
    }
    std::string Frames() const
    {
        std::string frames;
        std::copy_if(log.begin(), log.end(), std::back_inserter(frames), ::isdigit);
        return frames;
    }
    bool WaitEnd()
    {
        return RunEventsUntil([&] { return log.ends_with('e'); });
    }

    std::unique_ptr<TGIFImage> image;
    std::unique_ptr<test::TRecordingTarget> target = std::make_unique<test::TRecordingTarget>();
    std::string log;
    std::function<void(char, TAnimPainter&)> onEvent;
};

TEST(GIFPainter, EventsAndFramesArriveInOrderWithTheFrameDelays)
{
    Playing p(Animation({10, 2, 0}, 0));  // a loop count of 0 does not make it repeat
    ASSERT_NE(p.Paint(doAsync | doAnimate), nullptr);
    ASSERT_TRUE(p.WaitEnd());
    EXPECT_EQ(p.log, "sp0p1p2e");
    EXPECT_EQ(p.target->paints[0].rect, kRect);
    // 10 hundredths are 10 units of 12 ms; a delay of 2 counts as the minimum of 4 units.
    EXPECT_GE(p.target->GapMs(1), 118);
    EXPECT_LE(p.target->GapMs(1), 300);
    EXPECT_GE(p.target->GapMs(2), 46);
    EXPECT_LE(p.target->GapMs(2), 230);
    EXPECT_TRUE(RunEventsUntil([&] { return p.image->Painters().empty(); }));
}

TEST(GIFPainter, PassesAndStopsFollowTheOptionsAndEvents)
{
    const struct {
        const char* name;
        std::optional<int> loops;
        TDrawOptions options;
        const char* log;
        char stopAt = 0;  // a handler of this event stops the painter the second time
        bool canvasValid = true;
    } cases[] = {
        {"loop count 2", 2, doAsync | doAnimate | doLoop, "sp0p1lp0p1e"},
        {"loop option without a loop extension", {}, doAsync | doAnimate | doLoop, "sp0p1e"},
        {"first frame only", 2, doAsync | doLoop, "sp0e"},
        {"in the caller", 2, doAnimate | doLoop, "sp0p1lp0p1e"},
        {"gone canvas ends quietly", 2, doAsync | doAnimate | doValidateCanvas, "spe", 0, false},
        // A stop keeps back the frame its event announced and all that follow; the end comes.
        {"stop while painting", 3, doAsync | doAnimate | doLoop, "sp0pe", 'p'},
        {"stop at a new pass", 3, doAsync | doAnimate | doLoop, "sp0p1lp0p1le", 'l'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Playing p(Animation({1, 1}, c.loops));
        p.target->valid = c.canvasValid;
        int seen = 0;
        p.onEvent = [&](char entry, TAnimPainter& painter) {
            if (entry == c.stopAt && ++seen == 2)
                painter.Stop();
        };
        EXPECT_EQ(p.Paint(c.options) == nullptr, (c.options & doAsync) == 0);
        ASSERT_TRUE(p.WaitEnd());
        test::RunEventsFor(50);
        EXPECT_EQ(p.log, c.log);
    }
}

TEST(GIFPainter, EndlessPassesRunUntilStopped)
{
    for (std::optional<int> loops : {std::optional<int>(0), std::optional<int>()}) {
        Playing p(Animation({1, 1, -1}, loops));
        auto painter = p.Paint(doAsync | doAnimate | doLoop | (loops ? 0 : doLoopForever));
        ASSERT_TRUE(RunEventsUntil([&] { return p.target->paints.size() >= 7; }));
        painter->Stop();
        ASSERT_TRUE(p.WaitEnd());
        EXPECT_TRUE(p.Frames().starts_with("0120120"));
        EXPECT_GE(std::count(p.log.begin(), p.log.end(), 'l'), 2);
    }
}

TEST(GIFPainter, PauseHoldsStillAndAMovedRectangleServesTheNextFrame)
{
    Playing p(Animation({1, 1, 1}));
    const QRect moved(1, 2, 3, 4);
    p.target->onPaint = [&] {
        if (p.target->paints.size() == 1) {
            p.image->PaintPause();
            p.image->LockPainters();
            for (const auto& painter : p.image->Painters())
                painter->SetTargetRect(moved);
            p.image->UnlockPainters();
        }
    };
    p.Paint(doAsync | doAnimate);
    ASSERT_FALSE(RunEventsUntil([&] { return p.target->paints.size() > 1; }, 300));
    p.image->PaintResume();
    ASSERT_TRUE(p.WaitEnd());
    ASSERT_EQ(p.target->paints.size(), 3u);
    EXPECT_EQ(p.target->paints[0].rect, kRect);
    EXPECT_EQ(p.target->paints[1].rect, moved);
}

TEST(GIFPainter, TransparentOptionKeepsTransparentPixels)
{
    GifParams params;
    params.width = params.frames[0].width = 2;
    params.height = params.frames[0].height = 1;
    params.frames[0].pixels = {1, 0};
    params.frames[0].control = GifControl{0, true, 0, 0};
    for (bool transparent : {false, true}) {
        auto image = std::make_unique<TGIFImage>();
        image->LoadFromData(test::BuildGif(params));
        Playing p(std::move(image));
        p.Paint(doAsync | doAnimate | (transparent ? doTransparent : 0));
        ASSERT_TRUE(p.WaitEnd());
        EXPECT_EQ(qAlpha(p.target->last.pixel(1, 0)), transparent ? 0 : 255);
        EXPECT_EQ(p.target->last.pixel(0, 0), qRgb(255, 0, 0));
    }
}

// Freeing the image or its target stops the painting at once: a long delay is cut short, what
// was on its way is dropped, no event reaches the freed owner, and nothing is touched after it
// is gone (the sanitizers check that).
TEST(GIFPainter, FreeingTheImageOrTheTargetWhilePlayingStopsAtOnce)
{
    for (bool freeTarget : {false, true}) {
        for (const auto& [frames, delay] : {std::pair{2, 5000}, {50, 1}}) {  // 5000: 60 s
            SCOPED_TRACE(testing::Message() << freeTarget << " " << delay);
            Playing p(test::BuildAnimation(2, 2, frames, delay));
            std::weak_ptr<TGIFPainter> painter = p.Paint(doAsync | doAnimate);
            ASSERT_TRUE(RunEventsUntil([&] { return p.target->paints.size() == 1; }));
            test::RunEventsFor(50);
            const auto start = Clock::now();
            const std::string before = p.log;
            if (freeTarget) {
                p.target.reset();
                ASSERT_TRUE(RunEventsUntil([&] { return p.image->Painters().empty(); }, 1000));
            }
            p.image.reset();
            test::RunEventsFor(100);
            EXPECT_EQ(p.log, before) << "no frame or event after the free";
            EXPECT_TRUE(painter.expired());
            EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
        }
    }
}

TEST(GIFPainter, FreeingTheImageFromInsideAFrameEndsThePainting)
{
    for (TDrawOptions options : {TDrawOptions(doAsync | doAnimate), TDrawOptions(doAnimate)}) {
        SCOPED_TRACE(options);
        Playing p(Animation({1, 1, 1}));
        p.onEvent = [&](char entry, TAnimPainter& painter) {
            if (entry == 'p' && painter.CurrentFrame() == 1)
                p.image.reset();
        };
        std::weak_ptr<TGIFPainter> painter = p.Paint(options);
        ASSERT_TRUE(RunEventsUntil([&] { return painter.expired(); }));
        test::RunEventsFor(50);
        EXPECT_EQ(p.log, "sp0p") << "the frame whose event freed the image is not drawn";
    }
}

// Composing an 800 x 600 frame costs well over 10 ms; the GUI thread's own processor time (which
// other processes' load does not inflate) shows that the painter's thread does it. The bench
// measures the stalls themselves.
TEST(GIFPainter, ALargeAnimationDoesNotStallTheGuiThread)
{
    const auto guiThreadCpuMs = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
    };
    auto image = test::BuildAnimation(800, 600, 100, 2);
    test::TRecordingTarget target;
    test::TGapProbe probe;
    probe.Start();
    const double cpuBefore = guiThreadCpuMs();
    auto painter = image->Paint(&target, QRect(0, 0, 800, 600), doAsync | doAnimate);
    ASSERT_TRUE(RunEventsUntil([&] { return target.paints.size() >= 20; }));
    const double cpuPerFrame = (guiThreadCpuMs() - cpuBefore) / double(target.paints.size());
    probe.Stop();
    EXPECT_LT(cpuPerFrame, 5.0);
    EXPECT_LT(probe.LongestGapMs(), 1000);
}

TEST(GIFPainter, FrameDelaysInUnits)
{
    const struct {
        int delay;  // -1: no control extension
        TDrawOptions options;
        int units;
    } cases[] = {
        {-1, doAsync, 10},     {0, doAsync, 10},        {3, doAsync, 4}, {4, doAsync, 4},
        {5000, doAsync, 5000}, {5000, doAnimate, 1000}, {1000, 0, 1000},
    };
    for (const auto& c : cases) {
        auto image = Animation({c.delay});
        EXPECT_EQ(TGIFPainter::FrameDelayUnits(image->Image(0), c.options), c.units) << c.delay;
    }
}

}  // namespace
}  // namespace pixmarl
