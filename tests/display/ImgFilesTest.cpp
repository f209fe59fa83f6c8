#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "display/DisplayFiles.h"
#include "display/ImgFileLoads.h"
#include "display/ImgFiles.h"
#include "gif/AnimPainters.h"
#include "support/AviBuilder.h"
#include "support/EventWait.h"
#include "support/JpegSegments.h"

namespace pixmarl {
namespace {

using test::RunEventsUntil;

TEST(ImgFileGeometry, FittingAndPlacement)
{
    const struct {
        QSize size, box, fitted;
    } fits[] = {
        {{100, 50}, {400, 400}, {400, 200}},  {{50, 100}, {400, 400}, {200, 400}},
        {{300, 300}, {200, 200}, {200, 200}}, {{64, 48}, {96, 96}, {96, 71}},
        {{10000, 1}, {128, 128}, {128, 1}},   {{1, 10000}, {128, 128}, {1, 128}},
        {{100, 50}, {0, 0}, {0, 0}},          {{0, 50}, {128, 128}, {0, 0}},
        {{100, -5}, {128, 128}, {0, 0}},
    };
    for (const auto& c : fits)
        EXPECT_EQ(FitSize(c.size, c.box), c.fitted) << c.size.width() << "x" << c.size.height();

    const struct {
        QSize image;
        bool stretch, center;
        QRect dest;
    } places[] = {
        {{100, 50}, true, true, {0, 100, 400, 200}},
        {{100, 50}, false, true, {150, 175, 100, 50}},
        {{100, 50}, false, false, {0, 0, 100, 50}},
        {{801, 600}, false, true, {-200, -100, 801, 600}},
        {{0, 0}, true, true, {}},
    };
    for (const auto& c : places)
        EXPECT_EQ(ImageDestRect(c.image, {400, 400}, c.stretch, c.center), c.dest);
}

TEST(ImgFilePreview, ReducedDecodeOwnSizeAndIcons)
{
    QTemporaryDir dir;
    const TPreview photo =
        MakePreview(test::PatternJpeg(dir.path(), "big.jpg", {1600, 1200}), {128, 128});
    EXPECT_EQ(photo.ScaleDenom, 8);
    EXPECT_EQ(photo.Preview.size(), QSize(128, 96));
    EXPECT_EQ(photo.ImageSize, QSize(1600, 1200));

    QImage icon(48, 48, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    ASSERT_TRUE(icon.save(dir.filePath("app.ico"), "ICO"));
    const TPreview iconPreview = MakePreview(dir.filePath("app.ico"), {128, 128});
    EXPECT_EQ(iconPreview.Preview.size(), QSize(32, 32));
    EXPECT_EQ(iconPreview.ImageSize, QSize(32, 32));

    EXPECT_TRUE(
        MakePreview(test::WriteFile(dir.path(), "a.txt", "text"), {128, 128}).Preview.isNull());
}

class ImgFileTest : public ::testing::Test {
protected:
    ImgFileTest()
    {
        control_.resize(400, 400);
        control_.SetColor(Qt::black);
        control_.SetCenter(true);
        control_.SetStretch(true);
        QObject::connect(&control_, &TImageFile::OnGetImageSize, [this] { ++sizes_; });
        control_.show();
    }
    // Sets the name and waits for the load's end.
    void Load(const QString& fileName)
    {
        const int before = sizes_;
        control_.SetFileName(fileName);
        ASSERT_TRUE(RunEventsUntil([&] { return sizes_ > before; }));
    }
    QRgb Pixel(int x, int y) { return control_.grab().toImage().pixel(x, y) & 0xFFFFFF; }
    bool WaitState(int state)
    {
        control_.update();
        return RunEventsUntil([&] { return control_.PainterState() == state; });
    }

    QTemporaryDir dir_;
    TImageFile control_;
    int sizes_ = 0;
};

TEST_F(ImgFileTest, StripesSurroundAFittedOrCentredImage)
{
    Load(test::SolidBmp(dir_.path(), "red.bmp", {100, 50}, Qt::red));
    EXPECT_EQ(Pixel(200, 50), 0x000000u);
    EXPECT_EQ(Pixel(200, 150), 0xFF0000u);
    EXPECT_EQ(Pixel(200, 350), 0x000000u);
    control_.SetStretch(false);
    for (const QPoint stripe :
         {QPoint(10, 200), QPoint(390, 200), QPoint(200, 10), QPoint(200, 390)})
        EXPECT_EQ(Pixel(stripe.x(), stripe.y()), 0x000000u);
    EXPECT_EQ(Pixel(200, 200), 0xFF0000u);
}

TEST_F(ImgFileTest, OnlyTheExactNameSkipsTheLoad)
{
    const QString lower = test::SolidBmp(dir_.path(), "pic.bmp", {8, 8}, Qt::red);
    const QString upper = test::SolidBmp(dir_.path(), "PIC.bmp", {8, 8}, Qt::blue);
    Load(lower);
    control_.SetFileName(lower);
    EXPECT_FALSE(control_.Loading());
    Load(upper);
    EXPECT_EQ(Pixel(200, 200), 0x0000FFu);
}

// A failed load leaves nothing of the file before it: no size, no animation, the background.
TEST_F(ImgFileTest, AFailedLoadShowsTheBackgroundWithNoSize)
{
    Load(test::SolidBmp(dir_.path(), "red.bmp", {100, 50}, Qt::red));
    Load(test::FramesGif(dir_.path(), "gif.jpg", 1));
    EXPECT_TRUE(control_.Empty());
    EXPECT_EQ(control_.ImageWidth(), 0);
    EXPECT_EQ(control_.ImageHeight(), 0);
    EXPECT_EQ(Pixel(200, 200), 0x000000u);
}

TEST_F(ImgFileTest, AnimationsPlayOnceAndEndOnTheirFirstFrame)
{
    Load(test::FramesGif(dir_.path(), "still.gif", 1));
    EXPECT_FALSE(control_.Animated());
    EXPECT_EQ(control_.PainterState(), 0);

    test::AviParams clip = test::MakeAviParams(test::AviCodec::Rgb24, 8, 6, 3);
    clip.rate = 100;
    // The AVI's 8 x 6 pixels are 50 x 50 squares: (225, 225) is the middle of pixel (4, 3).
    const struct {
        QString file;
        QRgb firstFrame;
    } animations[] = {
        {test::FramesGif(dir_.path(), "two.gif", 2), 0xFF0000u},
        {test::WriteFile(dir_.path(), "clip.avi", test::BuildAvi(clip)),
         test::AviExpectedPixel(test::AviCodec::Rgb24, 0, 4, 3) & 0xFFFFFFu},
    };
    for (const auto& a : animations) {
        Load(a.file);
        EXPECT_TRUE(control_.Animated());
        EXPECT_GE(control_.PainterState(), 1);
        ASSERT_TRUE(WaitState(3));
        EXPECT_EQ(control_.Painter(), nullptr);
        EXPECT_EQ(Pixel(225, 225), a.firstFrame);
    }
}

// The next file drops the last one's animation: a still bitmap is drawn, and a damaged GIF after
// a playing one leaves no painter behind to be moved on the next resize.
TEST_F(ImgFileTest, TheNextFileDropsTheRunningAnimation)
{
    const QString playing = test::FramesGif(dir_.path(), "slow.gif", 3, 500);
    Load(playing);
    ASSERT_TRUE(WaitState(2));
    Load(test::SolidBmp(dir_.path(), "blue.bmp", {40, 40}, Qt::blue));
    EXPECT_FALSE(control_.Animated());
    EXPECT_EQ(control_.PainterState(), 0);
    EXPECT_EQ(Pixel(200, 200), 0x0000FFu);

    Load(playing);
    ASSERT_TRUE(WaitState(2));
    const QByteArray whole = test::ReadWholeFile(playing);
    Load(test::FramesGif(dir_.path(), "cut.gif", 3, 500, int(whole.size()) - 20));
    EXPECT_FALSE(control_.Animated());
    EXPECT_EQ(control_.Painter(), nullptr);
    control_.resize(300, 200);
    EXPECT_EQ(Pixel(150, 100), 0xFF0000u);
}

TEST_F(ImgFileTest, PhotosAreShownUpright)
{
    test::JpegParams params;
    params.width = 64;
    params.height = 48;
    params.markers = {{0xE1, test::ExifOrientationPayload(6)}};
    Load(test::WriteFile(dir_.path(), "turned.jpg", test::BuildJpeg(params)));
    EXPECT_EQ(QSize(control_.ImageWidth(), control_.ImageHeight()), QSize(48, 64));
    EXPECT_EQ(control_.Bitmap().size(), QSize(48, 64));
}

// Fitted, a large JPEG is decoded at the scale that covers the control; shown 1:1 in full.
TEST_F(ImgFileTest, AJpegIsDecodedInFullOnlyWhenShown1To1)
{
    control_.resize(400, 300);
    Load(test::PatternJpeg(dir_.path(), "large.jpg", {1600, 1200}));
    EXPECT_EQ(control_.Bitmap().size(), QSize(400, 300));
    control_.SetStretch(false);
    EXPECT_TRUE(RunEventsUntil([&] { return control_.Bitmap().width() == 1600; }));
}

}  // namespace
}  // namespace pixmarl
