#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include <QTemporaryDir>

#include "display/AVIAnimate.h"
#include "support/AviBuilder.h"
#include "support/EventWait.h"
#include "support/RecordingTarget.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using Clock = std::chrono::steady_clock;
using test::AviCodec;
using test::AviExpectedPixel;
using test::AviParams;
using test::BuildAvi;
using test::MakeAviParams;

// The frames a target was given, told apart by their top-left pixels (-1: none of the clip's).
std::vector<int> Frames(const test::TRecordingTarget& target)
{
    std::vector<int> frames;
    for (const auto& paint : target.paints) {
        int f = 7;
        while (f >= 0 && paint.topLeft != AviExpectedPixel(AviCodec::Rgb24, f, 0, 0))
            --f;
        frames.push_back(f);
    }
    return frames;
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
        return image.Paint(target_.get(), rect, options);
    }
    bool WaitEnd()
    {
        return test::RunEventsUntil([&] { return ended_ > 0; });
    }
    QTemporaryDir dir_;
    int files_ = 0;
    std::unique_ptr<test::TRecordingTarget> target_ = std::make_unique<test::TRecordingTarget>();
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
        {15, 1, 66},  {30000, 1001, 34}, {1000, 1, 1},   {1, 2, 100},
        {25, 0, 100}, {0, 1, 100},       {2000, 1, 100},
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
        {dir_.filePath("missing.avi"), "Can not open AVI file."},
        {test::WriteFile(dir_.path(), "noise.avi", QByteArray(500, 'n')), "Can not open AVI file."},
        {test::WriteFile(dir_.path(), "sound.avi", BuildAvi(sound)), "Can not opn AVI stream."},
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
    } cases[] = {
        {"13 plays once", 13, 3, {0, 1, 2}, true},
        {"5 plays once without looping", 5, 3, {0, 1, 2}, true},
        {"1 shows the first frame", 1, 3, {0}, true},
        {"12 plays once in the caller", 12, 3, {0, 1, 2}, false},
        {"one frame is drawn once in the caller", 13, 1, {0}, false},
        {"loop for ever needs a thread", 28, 2, {0, 1}, false},
        {"a frame that cannot be decoded ends it", 29, 2, {0, 1}, true, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TAVIImage image(Clip(c.frames, 100, c.length));
        target_->paints.clear();
        const auto painter = Play(image, c.options, QRect(1, 2, 30, 20));
        EXPECT_EQ(painter != nullptr, c.returnsPainter);
        // The painter leaves the list once its end event has returned.
        ASSERT_TRUE(test::RunEventsUntil([&] { return ended_ > 0 && image.Painters().empty(); }));
        EXPECT_EQ(ended_, 1);
        EXPECT_EQ(Frames(*target_), c.order);
        EXPECT_EQ(loops_, 0);
        for (const auto& paint : target_->paints)
            EXPECT_EQ(paint.rect, QRect(1, 2, 30, 20));
    }
    TAVIImage image(Clip(3));
    EXPECT_EQ(image.Paint(target_.get(), QRect(0, 0, 0, 10), 13), nullptr) << "an empty rectangle";
}

// Stopping ends the endless painter with its end event; freeing the image ends it with nothing
// more drawn or reported.
TEST_F(AVIAnimateTest, StopOrFreeingTheImageEndsAnEndlessPainter)
{
    for (bool freeImage : {false, true}) {
        SCOPED_TRACE(freeImage ? "freed" : "stopped");
        target_->paints.clear();
        auto image = std::make_unique<TAVIImage>(Clip(2));
        std::weak_ptr<TAVIPainter> painter = Play(*image, 29);
        ASSERT_TRUE(test::RunEventsUntil([&] { return target_->paints.size() >= 5; }));
        if (freeImage) {
            const std::size_t painted = target_->paints.size();
            image.reset();
            test::RunEventsFor(50);
            EXPECT_TRUE(painter.expired());
            EXPECT_EQ(target_->paints.size(), painted);
            EXPECT_EQ(ended_, 0);
            continue;
        }
        painter.lock()->Stop();
        ASSERT_TRUE(WaitEnd());
        std::vector<int> frames = Frames(*target_);
        frames.resize(5);
        EXPECT_EQ(frames, (std::vector<int>{0, 1, 0, 1, 0}));
        EXPECT_GE(loops_, 2);
        EXPECT_EQ(painter.lock()->CurrentFrame(), -1);
    }
}

TEST_F(AVIAnimateTest, FramesAreSpacedByTheFrameDelayIntoAMovableRectangle)
{
    TAVIImage image(Clip(3, 2));  // 500 ms a frame: room for a slow start on a busy machine
    const auto start = Clock::now();
    const auto painter = Play(image, 13);
    ASSERT_TRUE(test::RunEventsUntil([&] { return target_->paints.size() >= 1; }));
    painter->Suspend();
    painter->SetTargetRect(QRect(5, 5, 12, 8));
    painter->Resume();
    ASSERT_TRUE(WaitEnd());
    ASSERT_EQ(target_->paints.size(), 3u);
    EXPECT_EQ(target_->paints.back().rect, QRect(5, 5, 12, 8));
    EXPECT_LT(target_->paints[0].at - start, std::chrono::milliseconds(400))
        << "the first frame comes at once";
    for (std::size_t i = 1; i < 3; ++i)
        EXPECT_GE(target_->GapMs(i), 495);
}

}  // namespace
}  // namespace pixmarl
