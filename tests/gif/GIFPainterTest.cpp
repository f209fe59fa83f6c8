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
using test::GifParams;

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
    GifParams params;
    params.width = 2;
    params.height = 2;
    params.frames.assign(delays.size(), test::GifFrameParams());
    for (std::size_t i = 0; i < delays.size(); ++i) {
        params.frames[i].width = 2;
        params.frames[i].height = 2;
        params.frames[i].pixels.assign(4, std::uint8_t(i));
        if (delays[i] >= 0)
            params.frames[i].control = GifControl { 1, false, 0, delays[i] };
    }
    params.frames[0].loops = loops;
    auto image = std::make_unique<TGIFImage>();
    image->LoadFromData(test::BuildGif(params));
    return image;
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

// An animation with a recording target and counts of its events.
struct Playing {
    explicit Playing(std::unique_ptr<TGIFImage> animation)
        : image(std::move(animation))
    {
        image->OnStartPaint = [this](TAnimPainter&) { ++start; };
        image->OnPaint = [this](TAnimPainter&) { ++paint; };
        image->OnLoop = [this](TAnimPainter&) { ++loop; };
        image->OnEndPaint = [this](TAnimPainter& p) {
            EXPECT_EQ(p.CurrentFrame(), -1);
            ++end;
        };
    }
    std::shared_ptr<TGIFPainter> Paint(TDrawOptions options)
    {
        return image->Paint(&target, kRect, options);
    }
    bool WaitEnd(int timeoutMs = 5000)
    {
        return WaitUntil([&] { return end == 1; }, timeoutMs);
    }

    std::unique_ptr<TGIFImage> image;
    RecordingTarget target;
    int start = 0, paint = 0, loop = 0, end = 0;
};

TEST(GIFPainter, ProgramOptionsPlayOncePerFrameDelays)
{
    Playing p(Animation({ 10, 2, 0 }, 0));  // a loop count of 0 does not make it repeat
    ASSERT_NE(p.Paint(doAsync | doAnimate), nullptr);
    ASSERT_TRUE(p.WaitEnd());
    EXPECT_EQ(p.target.Order(), (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ(p.target.paints[0].rect, kRect);
    // 10 hundredths are 10 units of 12 ms; a delay of 2 counts as the minimum of 4 units.
    EXPECT_GE(p.target.GapMs(1), 118);
    EXPECT_LE(p.target.GapMs(1), 300);
    EXPECT_GE(p.target.GapMs(2), 46);
    EXPECT_LE(p.target.GapMs(2), 230);
    EXPECT_EQ(p.start, 1);
    EXPECT_EQ(p.paint, 3);
    EXPECT_EQ(p.loop, 0);
    EXPECT_TRUE(WaitUntil([&] { return p.image->Painters().empty(); }));
}

TEST(GIFPainter, PassesFollowTheLoopOptions)
{
    const struct {
        const char* name;
        std::optional<int> loops;
        TDrawOptions options;
        std::vector<int> order;
        int loopEvents;
        bool canvasValid = true;
    } cases[] = {
        { "loop count 2", 2, doAsync | doAnimate | doLoop, { 0, 1, 0, 1 }, 1 },
        { "loop option without a loop extension", {}, doAsync | doAnimate | doLoop, { 0, 1 }, 0 },
        { "first frame only", 2, doAsync | doLoop, { 0 }, 0 },
        { "in the caller", 2, doAnimate | doLoop, { 0, 1, 0, 1 }, 1 },
        { "gone canvas ends quietly", 2, doAsync | doAnimate | doValidateCanvas, {}, 0, false },
    };
    for (const auto& c : cases) {
        Playing p(Animation({ 1, 1 }, c.loops));
        p.target.valid = c.canvasValid;
        EXPECT_EQ(p.Paint(c.options) == nullptr, (c.options & doAsync) == 0) << c.name;
        ASSERT_TRUE(p.WaitEnd()) << c.name;
        EXPECT_EQ(p.target.Order(), c.order) << c.name;
        EXPECT_EQ(p.loop, c.loopEvents) << c.name;
    }
}

TEST(GIFPainter, EndlessPassesRunUntilStopped)
{
    for (std::optional<int> loops : { std::optional<int>(0), std::optional<int>() }) {
        Playing p(Animation({ 1, 1, -1 }, loops));
        auto painter = p.Paint(doAsync | doAnimate | doLoop | (loops ? 0 : doLoopForever));
        ASSERT_TRUE(WaitUntil([&] { return p.target.paints.size() >= 7; }));
        painter->Stop();
        ASSERT_TRUE(p.WaitEnd());
        std::vector<int> order = p.target.Order();
        order.resize(7);
        EXPECT_EQ(order, (std::vector<int> { 0, 1, 2, 0, 1, 2, 0 }));
        EXPECT_GE(p.loop, 2);
    }
}

TEST(GIFPainter, PauseHoldsStillAndAMovedRectangleServesTheNextFrame)
{
    Playing p(Animation({ 1, 1, 1 }));
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
    ASSERT_FALSE(WaitUntil([&] { return p.target.paints.size() > 1; }, 300));
    p.image->PaintResume();
    ASSERT_TRUE(p.WaitEnd());
    EXPECT_EQ(p.target.Order(), (std::vector<int> { 0, 1, 2 }));
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
    params.frames[0].pixels = { 1, 0 };
    params.frames[0].control = GifControl { 0, true, 0, 0 };
    for (bool transparent : { false, true }) {
        auto image = std::make_unique<TGIFImage>();
        image->LoadFromData(test::BuildGif(params));
        Playing p(std::move(image));
        p.Paint(doAsync | doAnimate | (transparent ? doTransparent : 0));
        ASSERT_TRUE(p.WaitEnd());
        ASSERT_EQ(p.target.paints.size(), 1u);
        EXPECT_EQ(qAlpha(p.target.paints[0].image.pixel(1, 0)), transparent ? 0 : 255);
        EXPECT_EQ(p.target.paints[0].image.pixel(0, 0), qRgb(255, 0, 0));
    }
}

TEST(GIFPainter, StopOrFreeingTheImageCutsALongDelayShort)
{
    for (bool freeImage : { false, true }) {
        Playing p(Animation({ 5000, 1 }));  // a 60 s wait after the first frame
        std::shared_ptr<TGIFPainter> running = p.Paint(doAsync | doAnimate);
        std::weak_ptr<TGIFPainter> painter = running;
        ASSERT_TRUE(WaitUntil([&] { return p.target.paints.size() == 1; }));
        QThread::msleep(50);
        const auto start = Clock::now();
        if (freeImage) {
            running.reset();
            p.image.reset();
            EXPECT_TRUE(painter.expired());
            EXPECT_EQ(p.end, 0) << "no event reaches the owner of a freed image";
        } else {
            running->Stop();
            ASSERT_TRUE(p.WaitEnd(1000));
        }
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << freeImage;
        EXPECT_EQ(p.target.paints.size(), 1u);
    }
}

TEST(GIFPainter, FreeingTheImageFromItsOwnHandOverDoesNotDeadlock)
{
    for (TDrawOptions options : { TDrawOptions(doAsync | doAnimate), TDrawOptions(doAnimate) }) {
        auto image = Animation({ 1, 1, 1 });
        RecordingTarget target;
        target.onPaint = [&] {
            if (target.paints.size() == 2)
                image.reset();
        };
        std::weak_ptr<TGIFPainter> painter = image->Paint(&target, kRect, options);
        ASSERT_TRUE(WaitUntil([&] { return painter.expired(); })) << options;
        EXPECT_EQ(image, nullptr);
        EXPECT_EQ(target.paints.size(), 2u) << options;
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
    const struct {
        int delay;  // -1: no control extension
        TDrawOptions options;
        int units;
    } cases[] = {
        { -1, doAsync, 10 },
        { 0, doAsync, 10 },
        { 3, doAsync, 4 },
        { 4, doAsync, 4 },
        { 5000, doAsync, 5000 },
        { 5000, doAnimate, 1000 },
        { 1000, 0, 1000 },
    };
    for (const auto& c : cases) {
        auto image = Animation({ c.delay });
        EXPECT_EQ(TGIFPainter::FrameDelayUnits(image->Image(0), c.options), c.units) << c.delay;
    }
}

}  // namespace
}  // namespace pixmarl
