#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>

#include "display/AVIAnimate.h"
#include "support/AviBuilder.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using Clock = std::chrono::steady_clock;
using test::AviCodec;
using test::AviExpectedPixel;
using test::AviParams;
using test::BuildAvi;
using test::MakeAviParams;

// Records the frames handed over; frames are told apart by their top-left pixel.
class RecordingTarget : public TPaintTarget {
public:
    void PaintFrame(const QImage& frame, const QRect& rect) override
    {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        int index = -1;
        for (int f = 0; f < 8 && index < 0; ++f)
            if (frame.pixel(0, 0) == AviExpectedPixel(AviCodec::Rgb24, f, 0, 0))
                index = f;
        order.push_back(index);
        times.push_back(Clock::now());
        rects.push_back(rect);
    }
    bool CanvasValid() const override { return valid; }

    std::vector<int> order;
    std::vector<Clock::time_point> times;
    std::vector<QRect> rects;
    bool valid = true;
};

// Processes events until done or the time is up; false on time-out.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class AVIAnimateTest : public ::testing::Test {
protected:
    QString Clip(int frames, std::uint32_t rate = 100, std::optional<std::uint32_t> length = {})
    {
        AviParams params = MakeAviParams(AviCodec::Rgb24, 6, 4, frames);
        params.rate = rate;
        params.length = length;
        return test::WriteFile(dir_.path(), QString("clip%1.avi").arg(++files_), BuildAvi(params));
    }
    // Starts painting, counting the end and loop events.
    std::shared_ptr<TAVIPainter> Play(TAVIImage& image, TDrawOptions options,
        const QRect& rect = QRect(0, 0, 6, 4))
    {
        ended_ = loops_ = 0;
        image.OnEndPaint = [this](TAnimPainter&) { ++ended_; };
        image.OnLoop = [this](TAnimPainter&) { ++loops_; };
        return image.Paint(&target_, rect, options);
    }
    bool WaitEnd()
    {
        return WaitUntil([&] { return ended_ > 0; });
    }
    QTemporaryDir dir_;
    int files_ = 0;
    RecordingTarget target_;
    int ended_ = 0;
    int loops_ = 0;
};

TEST(AVIFrameDelay, FollowsRateAndScale)
{
    const struct {
        std::uint32_t rate;
        std::uint32_t scale;
        int delay;
    } cases[] = {
        { 15, 1, 66 },
        { 30000, 1001, 34 },
        { 1000, 1, 1 },
        { 1, 2, 100 },
        { 25, 0, 100 },
        { 0, 1, 100 },
        { 2000, 1, 100 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(TAVIImage::FrameDelayFor(c.rate, c.scale), c.delay) << c.rate << "/" << c.scale;
}

TEST_F(AVIAnimateTest, OpeningErrorsCarryTheirMessages)
{
    AviParams sound;
    sound.video = false;
    sound.sound = true;
    const struct {
        QString path;
        const char* message;
    } cases[] = {
        { dir_.filePath("missing.avi"), "Can not open AVI file." },
        { test::WriteFile(dir_.path(), "noise.avi", QByteArray(500, 'n')),
            "Can not open AVI file." },
        { test::WriteFile(dir_.path(), "sound.avi", BuildAvi(sound)), "Can not opn AVI stream." },
    };
    for (const auto& c : cases) {
        try {
            TAVIImage image(c.path);
            ADD_FAILURE() << "opened " << c.path.toStdString();
        } catch (const EAVIError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST_F(AVIAnimateTest, ImageGivesSizeLengthAndCachedFrames)
{
    TAVIImage image(Clip(3, 15));
    EXPECT_EQ(image.Width(), 6);
    EXPECT_EQ(image.Height(), 4);
    EXPECT_EQ(image.FrameCount(), 3);
    EXPECT_EQ(image.FrameDelay(), 66);  // 15 frames a second
    EXPECT_EQ(image.CachedFrame(), 0);
    const QImage second = image.GetFrame(2);
    EXPECT_EQ(image.CachedFrame(), 2);
    EXPECT_EQ(second.pixel(5, 3), AviExpectedPixel(AviCodec::Rgb24, 2, 5, 3));
    EXPECT_EQ(image.GetFrame(0).pixel(1, 1), AviExpectedPixel(AviCodec::Rgb24, 0, 1, 1));
    EXPECT_TRUE(image.GetFrame(3).isNull());
    EXPECT_EQ(image.CachedFrame(), -1);
}

TEST_F(AVIAnimateTest, PainterPassesFollowTheOptions)
{
    const struct {
        const char* name;
        TDrawOptions options;
        int frames;
        std::vector<int> order;
        bool returnsPainter;
        std::optional<std::uint32_t> length = {};
        bool canvasValid = true;
    } cases[] = {
        { "13 plays once", 13, 3, { 0, 1, 2 }, true },
        { "5 plays once without looping", 5, 3, { 0, 1, 2 }, true },
        { "1 shows the first frame", 1, 3, { 0 }, true },
        { "12 plays once in the caller", 12, 3, { 0, 1, 2 }, false },
        { "0 shows the first frame in the caller", 0, 3, { 0 }, false },
        { "one frame is drawn once in the caller", 13, 1, { 0 }, false },
        { "loop for ever needs a thread", 28, 2, { 0, 1 }, false },
        { "a frame that cannot be decoded ends it", 29, 2, { 0, 1 }, true, 5 },
        { "gone canvas", 13 | doValidateCanvas, 3, {}, true, {}, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TAVIImage image(Clip(c.frames, 100, c.length));
        target_ = RecordingTarget();
        target_.valid = c.canvasValid;
        const auto painter = Play(image, c.options, QRect(1, 2, 30, 20));
        EXPECT_EQ(painter != nullptr, c.returnsPainter);
        // The painter leaves the list once its end event has returned.
        ASSERT_TRUE(WaitUntil([&] { return ended_ > 0 && image.Painters().empty(); }));
        EXPECT_EQ(ended_, 1);
        EXPECT_EQ(target_.order, c.order);
        EXPECT_EQ(loops_, 0);
        for (const QRect& rect : target_.rects)
            EXPECT_EQ(rect, QRect(1, 2, 30, 20));
    }
    TAVIImage image(Clip(3));
    EXPECT_EQ(image.Paint(&target_, QRect(0, 0, 0, 10), 13), nullptr) << "an empty rectangle";
}

TEST_F(AVIAnimateTest, StopOrFreeingTheImageEndsAnEndlessPainter)
{
    for (bool freeImage : { false, true }) {
        SCOPED_TRACE(freeImage ? "freed" : "stopped");
        target_.order.clear();
        auto image = std::make_unique<TAVIImage>(Clip(2));
        const auto painter = Play(*image, 29);
        ASSERT_TRUE(painter);
        ASSERT_TRUE(WaitUntil([&] { return target_.order.size() >= 5; }));
        if (freeImage) {
            image.reset();
            EXPECT_TRUE(painter->Finished());
            const std::size_t painted = target_.order.size();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            QCoreApplication::processEvents();
            EXPECT_EQ(target_.order.size(), painted);
            continue;
        }
        painter->Stop();
        ASSERT_TRUE(WaitEnd());
        const std::vector<int> start(target_.order.begin(), target_.order.begin() + 5);
        EXPECT_EQ(start, (std::vector<int> { 0, 1, 0, 1, 0 }));
        EXPECT_GE(loops_, 2);
        EXPECT_EQ(painter->CurrentFrame(), -1);
    }
}

TEST_F(AVIAnimateTest, FramesAreSpacedByTheFrameDelayIntoAMovableRectangle)
{
    TAVIImage image(Clip(3, 5));
    const auto start = Clock::now();
    const auto painter = Play(image, 13);
    ASSERT_TRUE(WaitUntil([&] { return target_.order.size() >= 1; }));
    painter->Suspend();
    painter->SetTargetRect(QRect(5, 5, 12, 8));
    painter->Resume();
    ASSERT_TRUE(WaitEnd());
    EXPECT_EQ(target_.rects.back(), QRect(5, 5, 12, 8));
    ASSERT_EQ(target_.times.size(), 3u);
    using std::chrono::milliseconds;
    EXPECT_LT(target_.times[0] - start, milliseconds(150)) << "the first frame comes at once";
    for (std::size_t i = 1; i < 3; ++i)
        EXPECT_GE(target_.times[i] - target_.times[i - 1], milliseconds(195));
}

}  // namespace
}  // namespace pixmarl
