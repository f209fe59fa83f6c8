#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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

// An animation with a recording target and a log of its events and frames, in the order they
// reached the GUI thread: "start", "paint", "loop", "end" and "frame <colour index>".
struct Playing {
    explicit Playing(std::unique_ptr<TGIFImage> animation) : image(std::move(animation))
    {
        const auto logged = [this](const char* name) {
            return [this, name](TAnimPainter& p) {
                EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
                log.push_back(name);
                EXPECT_EQ(p.CurrentFrame() == -1,
                          name == std::string("end") || name == std::string("start"));
                if (onEvent)
                    onEvent(name, p);
            };
        };
        image->OnStartPaint = logged("start");
        image->OnPaint = logged("paint");
        image->OnLoop = logged("loop");
        image->OnEndPaint = logged("end");
        target.onPaint = [this] {
            const auto colors = GifParams::DefaultColors();
            const QRgb c = target.paints.back().topLeft;
            log.push_back("frame " + std::to_string(std::find(colors.begin(), colors.end(), c) -
                                                    colors.begin()));
        };
    }
    std::shared_ptr<TGIFPainter> Paint(TDrawOptions options)
    {
        return image->Paint(&target, kRect, options);
    }
    int Count(const std::string& entry) const
    {
        return int(std::count(log.begin(), log.end(), entry));
    }
    std::vector<std::string> Frames() const
    {
        std::vector<std::string> frames;
        std::copy_if(log.begin(), log.end(), std::back_inserter(frames),
                     [](const std::string& e) { return e.starts_with("frame"); });
        return frames;
    }
    bool WaitEnd(int timeoutMs = 5000)
    {
        return RunEventsUntil([&] { return Count("end") == 1; }, timeoutMs);
    }

    std::unique_ptr<TGIFImage> image;
    test::TRecordingTarget target;
    std::vector<std::string> log;
    std::function<void(const std::string&, TAnimPainter&)> onEvent;
};

TEST(GIFPainter, EventsAndFramesArriveInOrderWithTheFrameDelays)
{
    Playing p(Animation({10, 2, 0}, 0));  // a loop count of 0 does not make it repeat
    ASSERT_NE(p.Paint(doAsync | doAnimate), nullptr);
    ASSERT_TRUE(p.WaitEnd());
    EXPECT_EQ(p.log, (std::vector<std::string>{"start", "paint", "frame 0", "paint", "frame 1",
                                               "paint", "frame 2", "end"}));
    EXPECT_EQ(p.target.paints[0].rect, kRect);
    // 10 hundredths are 10 units of 12 ms; a delay of 2 counts as the minimum of 4 units.
    EXPECT_GE(p.target.GapMs(1), 118);
    EXPECT_LE(p.target.GapMs(1), 300);
    EXPECT_GE(p.target.GapMs(2), 46);
    EXPECT_LE(p.target.GapMs(2), 230);
    EXPECT_TRUE(RunEventsUntil([&] { return p.image->Painters().empty(); }));
}

TEST(GIFPainter, PassesFollowTheLoopOptions)
{
    const struct {
        const char* name;
        std::optional<int> loops;
        TDrawOptions options;
        std::vector<std::string> frames;
        int loopEvents;
        bool canvasValid = true;
    } cases[] = {
        {"loop count 2",
         2,
         doAsync | doAnimate | doLoop,
         {"frame 0", "frame 1", "frame 0", "frame 1"},
         1},
        {"loop option without a loop extension",
         {},
         doAsync | doAnimate | doLoop,
         {"frame 0", "frame 1"},
         0},
        {"first frame only", 2, doAsync | doLoop, {"frame 0"}, 0},
        {"in the caller", 2, doAnimate | doLoop, {"frame 0", "frame 1", "frame 0", "frame 1"}, 1},
        {"gone canvas ends quietly", 2, doAsync | doAnimate | doValidateCanvas, {}, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Playing p(Animation({1, 1}, c.loops));
        p.target.valid = c.canvasValid;
        EXPECT_EQ(p.Paint(c.options) == nullptr, (c.options & doAsync) == 0);
        ASSERT_TRUE(p.WaitEnd());
        EXPECT_EQ(p.Frames(), c.frames);
        EXPECT_EQ(p.Count("loop"), c.loopEvents);
    }
}

TEST(GIFPainter, EndlessPassesRunUntilStopped)
{
    for (std::optional<int> loops : {std::optional<int>(0), std::optional<int>()}) {
        Playing p(Animation({1, 1, -1}, loops));
        auto painter = p.Paint(doAsync | doAnimate | doLoop | (loops ? 0 : doLoopForever));
        ASSERT_TRUE(RunEventsUntil([&] { return p.target.paints.size() >= 7; }));
        painter->Stop();
        ASSERT_TRUE(p.WaitEnd());
        std::vector<std::string> frames = p.Frames();
        frames.resize(7);
        EXPECT_EQ(frames, (std::vector<std::string>{"frame 0", "frame 1", "frame 2", "frame 0",
                                                    "frame 1", "frame 2", "frame 0"}));
        EXPECT_GE(p.Count("loop"), 2);
    }
}

TEST(GIFPainter, PauseHoldsStillAndAMovedRectangleServesTheNextFrame)
{
    Playing p(Animation({1, 1, 1}));
    const QRect moved(1, 2, 3, 4);
    p.target.onPaint = [&] {
        if (p.target.paints.size() == 1) {
            p.image->PaintPause();
            p.image->LockPainters();
            for (const auto& painter : p.image->Painters())
                painter->SetTargetRect(moved);
            p.image->UnlockPainters();
        }
    };
    p.Paint(doAsync | doAnimate);
    ASSERT_FALSE(RunEventsUntil([&] { return p.target.paints.size() > 1; }, 300));
    p.image->PaintResume();
    ASSERT_TRUE(p.WaitEnd());
    ASSERT_EQ(p.target.paints.size(), 3u);
    EXPECT_EQ(p.target.paints[0].rect, kRect);
    EXPECT_EQ(p.target.paints[1].rect, moved);
}

TEST(GIFPainter, TransparentOptionKeepsTransparentPixels)
{
    GifParams params;
    params.width = 2;
    params.height = 1;
    params.frames[0].width = 2;
    params.frames[0].height = 1;
    params.frames[0].pixels = {1, 0};
    params.frames[0].control = GifControl{0, true, 0, 0};
    for (bool transparent : {false, true}) {
        auto image = std::make_unique<TGIFImage>();
        image->LoadFromData(test::BuildGif(params));
        Playing p(std::move(image));
        p.Paint(doAsync | doAnimate | (transparent ? doTransparent : 0));
        ASSERT_TRUE(p.WaitEnd());
        ASSERT_EQ(p.target.paints.size(), 1u);
        EXPECT_EQ(qAlpha(p.target.last.pixel(1, 0)), transparent ? 0 : 255);
        EXPECT_EQ(p.target.last.pixel(0, 0), qRgb(255, 0, 0));
    }
}

// A stop from an event handler keeps back the frame that event announced and every later one;
// the end event still comes.
TEST(GIFPainter, StopFromAnEventHandlerEndsThePainting)
{
    for (const char* at : {"paint", "loop"}) {
        SCOPED_TRACE(at);
        Playing p(Animation({1, 1, 1}, 3));
        p.onEvent = [&](const std::string& name, TAnimPainter& painter) {
            if (name == at && (name == "loop" || p.Count("paint") == 2))
                painter.Stop();
        };
        p.Paint(doAsync | doAnimate | doLoop);
        ASSERT_TRUE(p.WaitEnd());
        test::RunEventsFor(100);
        const std::vector<std::string> frames =
            at == std::string("paint") ? std::vector<std::string>{"frame 0"}
                                       : std::vector<std::string>{"frame 0", "frame 1", "frame 2"};
        EXPECT_EQ(p.Frames(), frames);
        EXPECT_EQ(p.log.back(), "end");
        EXPECT_EQ(p.Count("end"), 1);
    }
}

// Freeing the image or its target stops the painting at once: a long delay is cut short, what
// was on its way is dropped, no event reaches the freed owner, and nothing is touched after it
// is gone (the sanitizers check that).
TEST(GIFPainter, FreeingTheImageOrTheTargetWhilePlayingStopsAtOnce)
{
    const struct {
        const char* name;
        int frames;
        int delay;
        bool freeTarget;
    } cases[] = {
        {"image during a long delay", 2, 5000, false},  // a 60 s wait after the first frame
        {"image with frames on their way", 50, 1, false},
        {"target during a long delay", 2, 5000, true},
        {"target with frames on their way", 50, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto image = test::BuildAnimation(2, 2, c.frames, c.delay);
        auto target = std::make_unique<test::TRecordingTarget>();
        int events = 0;
        image->OnPaint = image->OnEndPaint = [&](TAnimPainter&) { ++events; };
        std::weak_ptr<TGIFPainter> painter = image->Paint(target.get(), kRect, doAsync | doAnimate);
        ASSERT_TRUE(RunEventsUntil([&] { return target->paints.size() == 1; }));
        test::RunEventsFor(50);
        const auto start = Clock::now();
        const int eventsBefore = events;
        if (c.freeTarget) {
            target.reset();
            ASSERT_TRUE(RunEventsUntil([&] { return image->Painters().empty(); }, 1000));
            image.reset();
        } else {
            image.reset();
            EXPECT_EQ(events, eventsBefore) << "no event reaches the owner of a freed image";
            target->paints.clear();
            test::RunEventsFor(100);
            EXPECT_TRUE(target->paints.empty());
        }
        EXPECT_TRUE(painter.expired());
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
    }
}

TEST(GIFPainter, FreeingTheImageFromInsideAFrameEndsThePainting)
{
    for (TDrawOptions options : {TDrawOptions(doAsync | doAnimate), TDrawOptions(doAnimate)}) {
        SCOPED_TRACE(options);
        auto image = Animation({1, 1, 1});
        test::TRecordingTarget target;
        int ends = 0;
        image->OnEndPaint = [&](TAnimPainter&) { ++ends; };
        image->OnPaint = [&](TAnimPainter& p) {
            if (p.CurrentFrame() == 1)
                image.reset();
        };
        std::weak_ptr<TGIFPainter> painter = image->Paint(&target, kRect, options);
        ASSERT_TRUE(RunEventsUntil([&] { return painter.expired(); }));
        test::RunEventsFor(50);
        EXPECT_EQ(image, nullptr);
        EXPECT_EQ(target.paints.size(), 1u) << "the frame whose event freed the image is not drawn";
        EXPECT_EQ(ends, 0);
    }
}

// Frames are composed on the painter's thread and the GUI thread only draws: its event loop does
// not stall once per frame (composing one 800 x 600 frame there takes tens of milliseconds under
// the sanitizers). A stray stall or two is the machine's, not ours.
TEST(GIFPainter, ALargeAnimationDoesNotStallTheGuiThread)
{
    auto image = test::BuildAnimation(800, 600, 100, 2);
    test::TRecordingTarget target;
    test::TGapProbe probe;
    probe.Start();
    auto painter = image->Paint(&target, QRect(0, 0, 800, 600), doAsync | doAnimate);
    ASSERT_TRUE(RunEventsUntil([&] { return target.paints.size() >= 20; }));
    probe.Stop();
    EXPECT_LE(probe.GapsOverMs(15), 2);
    EXPECT_LT(probe.LongestGapMs(), 200);
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
