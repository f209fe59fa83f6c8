#include <gtest/gtest.h>

#include <chrono>

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include "gif/GIFImage.h"
#include "platform/Sync.h"
#include "support/GifBuilder.h"

namespace pixmarl {
namespace {

using Clock = std::chrono::steady_clock;
using test::GifControl;
using test::GifFrameSpec;
using test::GifSpec;

// Records what a painter hands over; each frame of the test animations is one solid colour.
class RecordingTarget : public TPaintTarget {
public:
    struct Paint {
        int colorIndex;
        Clock::time_point at;
        QRect rect;
        QImage image;
    };

    void PaintFrame(const QImage& frame, const QRect& rect) override
    {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        const QRgb c = frame.pixel(0, 0);
        const int index = c == qRgb(0, 0, 0) ? 0
            : c == qRgb(255, 0, 0)           ? 1
            : c == qRgb(0, 255, 0)           ? 2
                                             : 3;
        paints.push_back({ index, Clock::now(), rect, frame });
        if (onPaint)
            onPaint();
    }
    bool CanvasValid() const override { return valid; }

    std::vector<int> Order() const
    {
        std::vector<int> order;
        for (const Paint& p : paints)
            order.push_back(p.colorIndex);
        return order;
    }
    int GapMs(std::size_t i) const
    {
        return int(
            std::chrono::duration_cast<std::chrono::milliseconds>(paints[i].at - paints[i - 1].at)
                .count());
    }

    std::vector<Paint> paints;
    bool valid = true;
    std::function<void()> onPaint;
};

// Frame i covers the 2x2 screen in colour i; delays in hundredths, -1 for no control extension.
std::unique_ptr<TGIFImage> Animation(const std::vector<int>& delays, std::optional<int> loops = {})
{
    GifSpec spec;
    spec.width = 2;
    spec.height = 2;
    spec.frames.clear();
    for (std::size_t i = 0; i < delays.size(); ++i) {
        GifFrameSpec f;
        f.width = 2;
        f.height = 2;
        f.pixels.assign(4, std::uint8_t(i));
        if (delays[i] >= 0)
            f.control = GifControl { 1, false, 0, delays[i] };
        spec.frames.push_back(f);
    }
    spec.frames[0].loops = loops;
    auto image = std::make_unique<TGIFImage>();
    image->LoadFromData(test::BuildGif(spec));
    return image;
}

struct EventCounts {
    int start = 0;
    int paint = 0;
    int loop = 0;
    int end = 0;
};

void Count(TGIFImage& image, EventCounts& counts)
{
    image.OnStartPaint = [&](TAnimPainter&) { ++counts.start; };
    image.OnPaint = [&](TAnimPainter&) { ++counts.paint; };
    image.OnLoop = [&](TAnimPainter&) { ++counts.loop; };
    image.OnEndPaint = [&](TAnimPainter& p) {
        EXPECT_EQ(p.CurrentFrame(), -1);
        ++counts.end;
    };
}

// Serves hand-overs until done or the time runs out; false on time-out.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool timedOut = false;
    WaitProcessingEvents([&] {
        timedOut = Clock::now() > deadline;
        return timedOut || done();
    });
    return !timedOut;
}

const QRect kRect(10, 20, 30, 40);

TEST(GIFPainter, ProgramOptionsPlayOncePerFrameDelays)
{
    auto image = Animation({ 10, 2, 0 }, 0);  // a loop count of 0 does not make it repeat
    EventCounts counts;
    Count(*image, counts);
    RecordingTarget target;
    auto painter = image->Paint(&target, kRect, doAsync | doAnimate);
    ASSERT_NE(painter, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return counts.end == 1; }));
    EXPECT_EQ(target.Order(), (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ(target.paints[0].rect, kRect);
    // 10 hundredths are 10 units of 12 ms; a delay of 2 counts as the minimum of 4 units.
    EXPECT_GE(target.GapMs(1), 118);
    EXPECT_LE(target.GapMs(1), 300);
    EXPECT_GE(target.GapMs(2), 46);
    EXPECT_LE(target.GapMs(2), 230);
    EXPECT_EQ(counts.start, 1);
    EXPECT_EQ(counts.paint, 3);
    EXPECT_EQ(counts.loop, 0);
    EXPECT_TRUE(WaitUntil([&] { return image->Painters().empty(); }));
}

TEST(GIFPainter, PassesFollowTheLoopOptions)
{
    struct Case {
        const char* name;
        std::optional<int> loops;
        TDrawOptions options;
        std::vector<int> order;
        int loopEvents;
    };
    const Case cases[] = {
        { "loop count 2", 2, doAsync | doAnimate | doLoop, { 0, 1, 0, 1 }, 1 },
        { "loop option without a loop extension", {}, doAsync | doAnimate | doLoop, { 0, 1 }, 0 },
        { "first frame only", 2, doAsync | doLoop, { 0 }, 0 },
        { "in the caller", 2, doAnimate | doLoop, { 0, 1, 0, 1 }, 1 },
    };
    for (const Case& c : cases) {
        auto image = Animation({ 1, 1 }, c.loops);
        EventCounts counts;
        Count(*image, counts);
        RecordingTarget target;
        auto painter = image->Paint(&target, kRect, c.options);
        EXPECT_EQ(painter == nullptr, (c.options & doAsync) == 0) << c.name;
        ASSERT_TRUE(WaitUntil([&] { return counts.end == 1; })) << c.name;
        EXPECT_EQ(target.Order(), c.order) << c.name;
        EXPECT_EQ(counts.loop, c.loopEvents) << c.name;
    }
}

TEST(GIFPainter, EndlessPassesRunUntilStopped)
{
    for (std::optional<int> loops : { std::optional<int>(0), std::optional<int>() }) {
        auto image = Animation({ 1, 1, -1 }, loops);
        EventCounts counts;
        Count(*image, counts);
        RecordingTarget target;
        const TDrawOptions options = doAsync | doAnimate | doLoop | (loops ? 0 : doLoopForever);
        auto painter = image->Paint(&target, kRect, options);
        ASSERT_TRUE(WaitUntil([&] { return target.paints.size() >= 7; }));
        painter->Stop();
        ASSERT_TRUE(WaitUntil([&] { return counts.end == 1; }));
        std::vector<int> order = target.Order();
        order.resize(7);
        EXPECT_EQ(order, (std::vector<int> { 0, 1, 2, 0, 1, 2, 0 }));
        EXPECT_GE(counts.loop, 2);
    }
}

TEST(GIFPainter, StopCutsALongDelayShort)
{
    auto image = Animation({ 5000, 1 });  // a 60 s wait after the first frame
    EventCounts counts;
    Count(*image, counts);
    RecordingTarget target;
    auto painter = image->Paint(&target, kRect, doAsync | doAnimate);
    ASSERT_TRUE(WaitUntil([&] { return target.paints.size() == 1; }));
    QThread::msleep(50);
    const auto stopped = Clock::now();
    painter->Stop();
    ASSERT_TRUE(WaitUntil([&] { return counts.end == 1; }, 1000));
    EXPECT_LT(Clock::now() - stopped, std::chrono::milliseconds(500));
    EXPECT_EQ(target.paints.size(), 1u);
}

TEST(GIFPainter, PausedPaintersHoldStill)
{
    auto image = Animation({ 1, 1, 1 });
    EventCounts counts;
    Count(*image, counts);
    RecordingTarget target;
    target.onPaint = [&] {
        if (target.paints.size() == 1)
            image->PaintPause();
    };
    image->Paint(&target, kRect, doAsync | doAnimate);
    ASSERT_FALSE(WaitUntil([&] { return target.paints.size() > 1; }, 300));
    image->PaintResume();
    ASSERT_TRUE(WaitUntil([&] { return counts.end == 1; }));
    EXPECT_EQ(target.Order(), (std::vector<int> { 0, 1, 2 }));
}

TEST(GIFPainter, MovedTargetRectangleIsUsedForTheNextFrame)
{
    auto image = Animation({ 1, 1 });
    EventCounts counts;
    Count(*image, counts);
    RecordingTarget target;
    const QRect moved(1, 2, 3, 4);
    auto painter = image->Paint(&target, kRect, doAsync | doAnimate);
    target.onPaint = [&] {
        image->LockPainters();
        for (const auto& p : image->Painters())
            p->SetTargetRect(moved);
        image->UnlockPainters();
    };
    ASSERT_TRUE(WaitUntil([&] { return counts.end == 1; }));
    ASSERT_EQ(target.paints.size(), 2u);
    EXPECT_EQ(target.paints[0].rect, kRect);
    EXPECT_EQ(target.paints[1].rect, moved);
}

TEST(GIFPainter, GoneCanvasEndsQuietly)
{
    auto image = Animation({ 1, 1 });
    EventCounts counts;
    Count(*image, counts);
    RecordingTarget target;
    target.valid = false;
    image->Paint(&target, kRect, doAsync | doAnimate | doValidateCanvas);
    ASSERT_TRUE(WaitUntil([&] { return counts.end == 1; }));
    EXPECT_TRUE(target.paints.empty());
}

TEST(GIFPainter, TransparentOptionKeepsTransparentPixels)
{
    for (bool transparent : { false, true }) {
        auto image = Animation({ 1 });
        GifSpec spec;
        spec.width = 2;
        spec.height = 1;
        spec.frames[0].width = 2;
        spec.frames[0].height = 1;
        spec.frames[0].pixels = { 1, 0 };
        spec.frames[0].control = GifControl { 0, true, 0, 0 };
        image->LoadFromData(test::BuildGif(spec));
        EventCounts counts;
        Count(*image, counts);
        RecordingTarget target;
        image->Paint(&target, kRect, doAsync | doAnimate | (transparent ? doTransparent : 0));
        ASSERT_TRUE(WaitUntil([&] { return counts.end == 1; }));
        ASSERT_EQ(target.paints.size(), 1u);
        EXPECT_EQ(qAlpha(target.paints[0].image.pixel(1, 0)), transparent ? 0 : 255);
        EXPECT_EQ(target.paints[0].image.pixel(0, 0), qRgb(255, 0, 0));
    }
}

TEST(GIFPainter, FreeingTheImageStopsItsPainters)
{
    auto image = Animation({ 5000, 1 });
    EventCounts counts;
    Count(*image, counts);
    RecordingTarget target;
    std::weak_ptr<TGIFPainter> painter = image->Paint(&target, kRect, doAsync | doAnimate);
    ASSERT_TRUE(WaitUntil([&] { return target.paints.size() == 1; }));
    const auto start = Clock::now();
    image.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_TRUE(painter.expired());
    EXPECT_EQ(counts.end, 0) << "no event reaches the owner of a freed image";
}

TEST(GIFPainter, FreeingTheImageFromItsOwnHandOverDoesNotDeadlock)
{
    struct Case {
        const char* name;
        TDrawOptions options;
    };
    for (const Case& c :
        { Case { "own thread", doAsync | doAnimate }, Case { "in the caller", doAnimate } }) {
        auto image = Animation({ 1, 1, 1 });
        RecordingTarget target;
        target.onPaint = [&] {
            if (target.paints.size() == 2)
                image.reset();
        };
        std::shared_ptr<TGIFPainter> running = image->Paint(&target, kRect, c.options);
        std::weak_ptr<TGIFPainter> painter = running;
        running.reset();
        ASSERT_TRUE(WaitUntil([&] { return painter.expired(); })) << c.name;
        EXPECT_EQ(image, nullptr);
        EXPECT_EQ(target.paints.size(), 2u) << c.name;
    }
}

TEST(GIFPainter, FreeingTheImageWhileACallerPainterWaitsEndsIt)
{
    auto image = Animation({ 50, 50 });  // 600 ms between the frames
    RecordingTarget target;
    QTimer::singleShot(100, [&] { image.reset(); });
    const auto start = Clock::now();
    EXPECT_EQ(image->Paint(&target, kRect, doAnimate), nullptr);
    EXPECT_EQ(image, nullptr);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(target.paints.size(), 1u);
}

TEST(GIFPainter, FrameDelaysInUnits)
{
    struct Case {
        int delay;  // -1: no control extension
        TDrawOptions options;
        int units;
    };
    const Case cases[] = {
        { -1, doAsync, 10 },
        { 0, doAsync, 10 },
        { 1, doAsync, 4 },
        { 3, doAsync, 4 },
        { 4, doAsync, 4 },
        { 10, doAsync, 10 },
        { 5000, doAsync, 5000 },
        { 5000, doAnimate, 1000 },
        { 1000, 0, 1000 },
    };
    for (const Case& c : cases) {
        auto image = Animation({ c.delay });
        EXPECT_EQ(TGIFPainter::FrameDelayUnits(image->Image(0), c.options), c.units) << c.delay;
    }
}

}  // namespace
}  // namespace pixmarl
