#include "formats/ImageLoads.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "filelist/DJPEG.h"
#include "formats/RdJPGH.h"
#include "support/JpegBuilder.h"
#include "support/JpegSegments.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using namespace test;

enum TCorner { TopLeft, TopRight, BottomRight, BottomLeft };

QPoint CornerOf(const QImage& image, TCorner corner)
{
    const int right = image.width() - 1;
    const int bottom = image.height() - 1;
    switch (corner) {
    case TopLeft:
        return {0, 0};
    case TopRight:
        return {right, 0};
    case BottomRight:
        return {right, bottom};
    default:
        return {0, bottom};
    }
}

QString WriteOrientedJpeg(const QString& folder, int orientation, bool littleEndian,
                          QSize size = {32, 16})
{
    JpegParams params;
    params.width = size.width();
    params.height = size.height();
    params.quality = 95;
    params.markers = {{0xE1, ExifOrientationPayload(orientation, littleEndian)}};
    return WriteFile(folder, QStringLiteral("o%1.jpg").arg(orientation), BuildJpeg(params));
}

// The test pattern's red grows to the right and its green downwards, so the stored top-left
// corner is dark and the stored top-right corner red: where they land tells how it was turned.
TEST(ImageLoads, PhotosStandUprightByTheirExifOrientation)
{
    const struct {
        int orientation;
        bool littleEndian;
        TCorner storedOrigin;
        TCorner storedTopRight;
    } cases[] = {
        {1, false, TopLeft, TopRight},     {2, true, TopRight, TopLeft},
        {3, false, BottomRight, BottomLeft}, {4, true, BottomLeft, BottomRight},
        {5, false, TopLeft, BottomLeft},   {6, true, TopRight, BottomRight},
        {7, false, BottomRight, TopRight}, {8, false, BottomLeft, TopLeft},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        TImageRequest request;
        request.FileName = WriteOrientedJpeg(dir.path(), c.orientation, c.littleEndian);
        const TImageResult result = LoadImageFile(request);
        ASSERT_TRUE(result.Ok());
        EXPECT_EQ(result.Orientation, c.orientation);
        EXPECT_EQ(result.ImageSize, QSize(32, 16));
        EXPECT_EQ(result.Image.size(), c.orientation >= 5 ? QSize(16, 32) : QSize(32, 16));
        const QColor origin = result.Image.pixelColor(CornerOf(result.Image, c.storedOrigin));
        const QColor red = result.Image.pixelColor(CornerOf(result.Image, c.storedTopRight));
        EXPECT_LT(origin.red() + origin.green(), 96);
        EXPECT_GT(red.red(), 200);
        EXPECT_LT(red.green(), 48);

        request.Upright = false;
        EXPECT_EQ(LoadImageFile(request).Image.size(), QSize(32, 16));
    }
}

TEST(ImageLoads, DamagedOrMissingExifLeavesThePhotoAsStored)
{
    for (const QByteArray& payload :
         {QByteArray("Exif\0\0MM\0*", 10), ExifOrientationPayload(9), QByteArray("http://ns")}) {
        EXPECT_EQ(ExifOrientation(payload), 1);
    }
}

TEST(ImageLoads, ABoxPicksTheReducedJpegScaleAndKeepsTheOwnSize)
{
    QTemporaryDir dir;
    JpegParams params;
    params.width = 1600;
    params.height = 1200;
    TImageRequest request;
    request.FileName = WriteFile(dir.path(), QStringLiteral("big.jpg"), BuildJpeg(params));
    request.Box = QSize(128, 128);
    const TImageResult preview = LoadImageFile(request);
    EXPECT_EQ(preview.ScaleDenom, 8);
    EXPECT_EQ(preview.Image.size(), QSize(200, 150));
    EXPECT_EQ(preview.ImageSize, QSize(1600, 1200));

    request.Box = QSize(1280, 800);  // shown fitted at 1067 x 800: 1/1 is the last that covers it
    EXPECT_EQ(LoadImageFile(request).ScaleDenom, 1);
    request.Box = QSize(700, 500);
    EXPECT_EQ(LoadImageFile(request).ScaleDenom, 2);
}

TEST(ImageLoads, TheExtensionDecidesTheLoader)
{
    QTemporaryDir dir;
    TImageRequest request;
    request.FileName = WriteFile(dir.path(), QStringLiteral("gif.jpg"), "GIF89a\x10\0\x10\0\0\0\0");
    const TImageResult result = LoadImageFile(request);
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.Format, ifJPEG);
    EXPECT_EQ(result.Error, QStringLiteral("Not a JPEG file"));
    request.FileName = WriteFile(dir.path(), QStringLiteral("notes.txt"), "text");
    EXPECT_EQ(LoadImageFile(request).Format, ifUnknown);
}

TEST(ImageLoads, AnUprightPhotoGivesAnUprightThumbnail)
{
    QTemporaryDir dir;
    TThumbRequest request;
    request.fileName = WriteOrientedJpeg(dir.path(), 6, false, {64, 48});
    const TThumbResult thumb = MakeThumbnail(request, 32, TThumbOptions{});
    EXPECT_FALSE(thumb.failed);
    EXPECT_EQ(thumb.thumbSize, QSize(24, 32));
    EXPECT_EQ(thumb.imageSize, QSize(64, 48));  // the Image Size column keeps the stored size
}

}  // namespace
}  // namespace pixmarl
