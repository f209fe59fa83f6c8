#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include "filelist/DJPEG.h"
#include "filelist/FileLists.h"
#include "filelist/ThumbCtrls.h"
#include "filelist/ThumbDrivers.h"
#include "support/AviBuilder.h"
#include "support/BmpBuilder.h"
#include "support/GifBuilder.h"
#include "support/JpegBuilder.h"
#include "support/TestFiles.h"
#include "support/TiffBuilder.h"

namespace pixmarl {
namespace {

TEST(DJPEG, FitAndJpegScaleFollowTheBox)
{
    const struct {
        int w, h, box;
        bool dontSizeSmall;
        QSize thumb;
        int normal, quick;
    } cases[] = {
        {1600, 1200, 96, false, {96, 72}, 8, 8},
        {300, 200, 96, false, {96, 64}, 2, 4},
        {64, 48, 96, false, {96, 71}, 1, 1},
        {64, 48, 96, true, {64, 48}, 1, 1},
        {500, 500, 156, false, {156, 156}, 2, 4},
        {32, 32, 96, false, {95, 96}, 1, 1},
        {1, 4000, 64, false, {1, 64}, 8, 8},
        {0, 100, 64, false, {0, 0}, 1, 1},
        {-5, 100, 64, true, {0, 0}, 1, 1},
    };
    for (const auto& c : cases) {
        const TThumbFit fit = FitIntoBox(c.w, c.h, c.box, c.dontSizeSmall);
        EXPECT_EQ(QSize(fit.width, fit.height), c.thumb) << c.w << "x" << c.h;
        EXPECT_EQ(JPEGScaleDenom(fit.ratio, false), c.normal) << c.w << "x" << c.h;
        EXPECT_EQ(JPEGScaleDenom(fit.ratio, true), c.quick) << c.w << "x" << c.h;
    }
}

QString WriteIcon(const QString& folder, const QString& name, int size, QColor color)
{
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ICO");
    EXPECT_TRUE(writer.write(icon)) << writer.errorString().toStdString();
    return test::WriteFile(folder, name, data);
}

// A folder with one file of every format the worker knows, a broken JPEG and an unknown one.
class ThumbFolder : public testing::Test {
protected:
    void SetUp() override
    {
        test::JpegParams jpeg;
        jpeg.width = 1600;
        jpeg.height = 1200;
        test::WriteFile(Folder(), "a-photo.jpg", test::BuildJpeg(jpeg));
        test::BmpParams bmp;
        bmp.width = 300;
        bmp.height = 200;
        test::WriteFile(Folder(), "b-picture.bmp", test::BuildBmp(bmp));
        WriteIcon(Folder(), "c-icon.ico", 32, Qt::red);
        test::GifParams gif;
        gif.width = 120;
        gif.height = 80;
        gif.frames = {test::GifFrameParams{}, test::GifFrameParams{}};
        for (test::GifFrameParams& frame : gif.frames) {
            frame.width = 120;
            frame.height = 80;
        }
        test::WriteFile(Folder(), "d-anim.gif", test::BuildGif(gif));
        test::TiffParams tiff;
        tiff.width = 200;
        tiff.height = 100;
        tiff.lzw = true;
        test::WriteFile(Folder(), "e-scan.tif", test::BuildTiff(tiff));
        test::WriteFile(Folder(), "f-broken.jpg", test::BuildJpeg(jpeg).left(40));
        test::WriteFile(Folder(), "g-clip.avi",
                        test::BuildAvi(test::MakeAviParams(test::AviCodec::Rgb24, 160, 120, 2)));
        test::WriteFile(Folder(), "h-broken.avi", "RIFF");
        list_.SetImageFormats(kAllImageFormats);
        list_.SetDirectory(Folder());
    }
    QString Folder() const { return dir_.path(); }
    const TFileListItem& ItemNamed(const QString& name)
    {
        for (int i = 0; i < list_.Count(); ++i)
            if (list_.Item(i).Caption == name)
                return list_.Item(i);
        ADD_FAILURE() << name.toStdString();
        return list_.Item(0);
    }
    void RunAll(TThumbDriver& driver)
    {
        bool idle = false;
        QObject::connect(&driver, &TThumbDriver::OnIdle, [&] { idle = true; });
        ctrl_.Reset(list_.Count());
        ASSERT_TRUE(QTest::qWaitFor([&] { return idle; }, 10000));
    }

    QTemporaryDir dir_;
    TJPEGFileList list_;
    TThumbCtrl ctrl_;
};

TEST_F(ThumbFolder, EveryItemGetsItsThumbnailOrFails)
{
    TThumbDriver driver(list_, ctrl_);
    std::vector<int> order;
    QObject::connect(&driver, &TThumbDriver::OnThumbnailStored,
                     [&](int index) { order.push_back(index); });
    RunAll(driver);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));

    const struct {
        const char* name;
        QSize thumb;
        QSize image;
    } expected[] = {
        {"a-photo.jpg", {96, 72}, {1600, 1200}}, {"b-picture.bmp", {96, 64}, {300, 200}},
        {"c-icon.ico", {95, 96}, {32, 32}},     {"d-anim.gif", {96, 64}, {120, 80}},
        {"e-scan.tif", {96, 48}, {200, 100}},    {"g-clip.avi", {96, 72}, {160, 120}},
    };
    for (const auto& e : expected) {
        const TFileListItem& item = ItemNamed(e.name);
        ASSERT_TRUE(item.Thumbnail) << e.name;
        EXPECT_FALSE(item.ThumbFailed) << e.name;
        EXPECT_EQ(item.Thumbnail->size(), e.thumb) << e.name;
        EXPECT_EQ(QSize(item.ImageWidth, item.ImageHeight), e.image) << e.name;
    }
    for (const char* name : {"f-broken.jpg", "h-broken.avi"}) {
        EXPECT_TRUE(ItemNamed(name).ThumbFailed) << name;
        EXPECT_FALSE(ItemNamed(name).Thumbnail) << name;
    }
    // The icon is not scaled: button face around it, the icon itself in the top-left corner.
    const QImage& icon = *ItemNamed("c-icon.ico").Thumbnail;
    EXPECT_EQ(icon.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(icon.pixelColor(31, 31), QColor(Qt::red));
    EXPECT_EQ(icon.pixelColor(60, 60), TThumbOptions{}.buttonFace);
}

TEST_F(ThumbFolder, JpegOptionsKeepTheFittedSizeAndContentOfAnotherFormatFails)
{
    const QString png = test::WriteFile(Folder(), "x.png", test::BuildJpeg({}));
    EXPECT_TRUE(MakeThumbnail(TThumbRequest{png, 1}, 96, {}).failed);
    for (const bool gray : {false, true}) {
        TThumbOptions options;
        options.gray = gray;
        options.quick = !gray;
        const TThumbResult result =
            MakeThumbnail(TThumbRequest{dir_.filePath("a-photo.jpg"), 1}, 288, options);
        ASSERT_FALSE(result.failed);
        EXPECT_EQ(result.thumbSize, QSize(288, 216));
        EXPECT_EQ(result.thumbnail.size(), QSize(288, 216));
    }
}

TEST_F(ThumbFolder, ResortDuringARunStoresEveryThumbnailInItsOwnItem)
{
    TThumbDriver driver(list_, ctrl_);
    int stored = 0;
    QObject::connect(&driver, &TThumbDriver::OnThumbnailStored, [&] {
        if (++stored == 2)
            QMetaObject::invokeMethod(
                qApp, [&] { list_.SetSortType(stSize); }, Qt::QueuedConnection);
    });
    RunAll(driver);
    EXPECT_EQ(ItemNamed("a-photo.jpg").ImageWidth, 1600);
    EXPECT_EQ(ItemNamed("b-picture.bmp").ImageWidth, 300);
    EXPECT_EQ(ItemNamed("e-scan.tif").ImageWidth, 200);
    ASSERT_TRUE(ItemNamed("e-scan.tif").Thumbnail);
    EXPECT_EQ(ItemNamed("e-scan.tif").Thumbnail->size(), QSize(96, 48));
}

TEST(ThumbDriver, ScrollingThroughManyItemsKeepsOnlyTheWindow)
{
    QTemporaryDir dir;
    test::BmpParams bmp;
    bmp.width = 40;
    bmp.height = 30;
    const QByteArray data = test::BuildBmp(bmp);
    for (int i = 0; i < 1000; ++i)
        test::WriteFile(dir.path(), QStringLiteral("f%1.bmp").arg(i, 4, 10, QChar('0')), data);
    TJPEGFileList list;
    list.SetDirectory(dir.path());
    TThumbCtrl ctrl;
    TThumbDriver driver(list, ctrl);
    bool idle = false;
    QObject::connect(&driver, &TThumbDriver::OnIdle, [&] { idle = true; });
    ctrl.Reset(list.Count());
    for (int first = 0; first < 1000; first += 100) {
        idle = false;
        ctrl.SetVisible(first, 20, false);
        ASSERT_TRUE(QTest::qWaitFor([&] { return idle; }, 10000));
        int held = 0;
        for (int i = 0; i < list.Count(); ++i)
            held += list.Item(i).Thumbnail ? 1 : 0;
        EXPECT_LE(held, ctrl.MaxThumbs()) << first;
        for (int i = first; i < first + 20; ++i)
            EXPECT_TRUE(list.Item(i).Thumbnail) << i;
    }
}

}  // namespace
}  // namespace pixmarl
