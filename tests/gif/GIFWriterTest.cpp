#include <gtest/gtest.h>

#include <random>

#include <QDir>
#include <QTemporaryDir>

#include "gif/GIFImage.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

QImage PaletteImage(int width, int height, int colors, unsigned seed)
{
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < colors; ++i)
        table << qRgb(i * 7 % 256, 255 - i, i * 3 % 256);
    image.setColorTable(table);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            // Runs with noise, so that both long strings and a full table occur.
            image.scanLine(y)[x] = std::uint8_t(
                (random() % 8 == 0) ? random() % unsigned(colors) : (x / 5 + y) % colors);
    return image;
}

void ExpectSamePixels(const QImage& written, const QImage& read, const char* name)
{
    ASSERT_EQ(read.size(), written.size()) << name;
    for (int y = 0; y < written.height(); ++y)
        for (int x = 0; x < written.width(); ++x)
            ASSERT_EQ(read.pixel(x, y), written.pixel(x, y)) << name << " at " << x << "," << y;
}

TEST(GIFWriter, WrittenImagesReadBackUnchanged)
{
    struct Case {
        const char* name;
        int width;
        int height;
        int colors;
        bool interlaced;
    };
    const Case cases[] = {
        { "two colours", 13, 7, 2, false },
        { "three colours", 9, 9, 3, true },
        { "sixteen interlaced", 31, 17, 16, true },
        { "full palette", 300, 200, 256, false },
        { "full palette interlaced", 257, 123, 256, true },
        { "single pixel", 1, 1, 2, true },
        { "one row", 1000, 1, 200, false },
    };
    for (const Case& c : cases) {
        const QImage source = PaletteImage(c.width, c.height, c.colors, unsigned(c.width));
        TGIFImage gif;
        gif.Add(source).SetInterlaced(c.interlaced);
        TGIFImage read;
        read.LoadFromData(gif.SaveToData());
        ASSERT_EQ(read.Count(), 1) << c.name;
        EXPECT_EQ(read.Image(0).Interlaced(), c.interlaced) << c.name;
        EXPECT_EQ(read.Width(), c.width);
        ExpectSamePixels(source, read.Bitmap(), c.name);
    }
}

TEST(GIFWriter, MonochromeBitmapsAreAccepted)
{
    QImage mono(10, 3, QImage::Format_Mono);
    mono.setColorTable({ qRgb(0, 0, 0), qRgb(255, 255, 255) });
    mono.fill(0);
    mono.setPixel(4, 1, 1);
    TGIFImage gif;
    gif.Add(mono);
    TGIFImage read;
    read.LoadFromData(gif.SaveToData());
    EXPECT_EQ(read.Bitmap().pixel(4, 1), qRgb(255, 255, 255));
    EXPECT_EQ(read.Bitmap().pixel(5, 1), qRgb(0, 0, 0));
}

TEST(GIFWriter, VersionIsTheHighestAFrameNeeds)
{
    TGIFImage gif;
    try {
        gif.SaveToData();
        FAIL() << "an image without frames was written";
    } catch (const EGIFError& e) {
        EXPECT_STREQ(e.what(), "Unsupported GIF version");
    }
    gif.Add(PaletteImage(4, 4, 4, 1));
    EXPECT_TRUE(gif.SaveToData().startsWith("GIF87a"));
    TGIFSubImage& second = gif.Add(PaletteImage(2, 2, 4, 2));
    auto control = std::make_unique<TGIFGraphicControlExtension>();
    control->Delay = 7;
    second.AddExtension(std::move(control));
    EXPECT_TRUE(gif.SaveToData().startsWith("GIF89a"));
}

TEST(GIFWriter, LoadedAnimationsSurviveARoundTrip)
{
    TGIFImage gif;
    gif.Add(PaletteImage(20, 10, 4, 3));
    QImage other = PaletteImage(8, 6, 5, 4);
    TGIFSubImage& second = gif.Add(other);
    auto loop = std::make_unique<TGIFAppExtNSLoop>();
    loop->Loops = 7;
    gif.Image(0).AddExtension(std::move(loop));
    auto comment = std::make_unique<TGIFCommentExtension>();
    comment->Text = QByteArray(700, 'z');
    second.AddExtension(std::move(comment));

    TGIFImage once;
    once.LoadFromData(gif.SaveToData());
    ASSERT_EQ(once.Count(), 2);
    ASSERT_NE(once.Image(0).LoopExtension(), nullptr);
    EXPECT_EQ(once.Image(0).LoopExtension()->Loops, 7);
    EXPECT_GT(once.Image(1).ColorMap().Count(), 0)
        << "a frame with its own colours needs a local map";
    ExpectSamePixels(other, once.Image(1).Bitmap(), "second frame");
    // Writing what was read gives the same file again.
    EXPECT_EQ(once.SaveToData(), gif.SaveToData());
}

TEST(GIFWriter, DeepBitmapsAreRefused)
{
    TGIFImage gif;
    QImage deep(4, 4, QImage::Format_RGB32);
    deep.fill(Qt::red);
    EXPECT_THROW(gif.Add(deep), EGIFError);
    EXPECT_THROW(gif.Add(QImage()), EGIFError);
    EXPECT_TRUE(gif.Empty());
}

TEST(GIFWriter, FileIsReplacedWholeAndNothingElseIsLeft)
{
    QTemporaryDir dir;
    const QString path = test::WriteFile(dir.path(), "out.gif", "old contents");
    TGIFImage gif;
    gif.Add(PaletteImage(16, 16, 16, 5)).SetInterlaced(true);
    gif.SaveToFile(path);
    EXPECT_EQ(test::ReadWholeFile(path), gif.SaveToData());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "out.gif" });

    TGIFImage empty;
    EXPECT_THROW(empty.SaveToFile(path), EGIFError);
    EXPECT_EQ(test::ReadWholeFile(path), gif.SaveToData()) << "a failed write damaged the file";
    EXPECT_THROW(gif.SaveToFile(dir.path() + "/missing/out.gif"), EGIFError);
}

}  // namespace
}  // namespace pixmarl
