#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>

#include <gif_lib.h>

#include "gif/GIFImage.h"
#include "support/GifBuilder.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using test::GifControl;
using test::GifFrameParams;
using test::GifParams;

// giflib, the reference decoder: a frame as it sees it.
struct ReferenceFrame {
    QRect bounds;
    std::vector<QRgb> colors;          // the frame's local map, else the global one
    std::vector<std::uint8_t> pixels;  // display order
};

struct MemorySource {
    const QByteArray* data;
    qsizetype pos = 0;
};

int ReadMemory(GifFileType* gif, GifByteType* buffer, int size)
{
    auto* source = static_cast<MemorySource*>(gif->UserData);
    const qsizetype n = std::min<qsizetype>(size, source->data->size() - source->pos);
    std::memcpy(buffer, source->data->constData() + source->pos, std::size_t(n));
    source->pos += n;
    return int(n);
}

// Every image of the file as giflib decodes it, or nothing when giflib refuses it.
std::optional<std::vector<ReferenceFrame>> GiflibDecode(const QByteArray& data)
{
    MemorySource source{&data};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, ReadMemory, &error);
    if (gif == nullptr)
        return std::nullopt;
    std::optional<std::vector<ReferenceFrame>> frames;
    if (DGifSlurp(gif) == GIF_OK) {
        frames.emplace();
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            const GifImageDesc& d = image.ImageDesc;
            ReferenceFrame frame{QRect(d.Left, d.Top, d.Width, d.Height), {}, {}};
            const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
            for (int c = 0; map != nullptr && c < map->ColorCount; ++c)
                frame.colors.push_back(
                    qRgb(map->Colors[c].Red, map->Colors[c].Green, map->Colors[c].Blue));
            frame.pixels.assign(image.RasterBits,
                                image.RasterBits + std::size_t(d.Width) * std::size_t(d.Height));
            frames->push_back(std::move(frame));
        }
    }
    DGifCloseFile(gif, &error);
    return frames;
}

// Our frames that hold images against giflib's, pixel for pixel and colour for colour.
void ExpectSameAsGiflib(const QByteArray& data, const QString& name)
{
    const auto reference = GiflibDecode(data);
    ASSERT_TRUE(reference.has_value()) << qPrintable(name) << ": giflib refuses it";
    TGIFImage ours;
    ASSERT_NO_THROW(ours.LoadFromData(data)) << qPrintable(name);
    std::vector<const TGIFSubImage*> frames;
    for (const auto& frame : ours.Images())
        if (frame->HasImage())
            frames.push_back(frame.get());
    ASSERT_EQ(frames.size(), reference->size()) << qPrintable(name);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const ReferenceFrame& theirs = (*reference)[i];
        EXPECT_EQ(frames[i]->BoundsRect(), theirs.bounds) << qPrintable(name);
        EXPECT_TRUE(frames[i]->Data() == theirs.pixels) << qPrintable(name) << " frame " << i;
        const TGIFColorMap* map = frames[i]->ActiveColorMap();
        ASSERT_NE(map, nullptr);
        EXPECT_EQ(std::vector<QRgb>(map->Colors().begin(), map->Colors().end()), theirs.colors)
            << qPrintable(name);
    }
}

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
            image.scanLine(y)[x] = std::uint8_t((random() % 8 == 0) ? random() % unsigned(colors)
                                                                    : (x / 5 + y) % colors);
    return image;
}

void ExpectSamePixels(const QImage& written, const QImage& read, const char* name)
{
    EXPECT_EQ(read.convertToFormat(QImage::Format_RGB32),
              written.convertToFormat(QImage::Format_RGB32))
        << name;
}

TEST(GIFWriter, WrittenImagesReadBackUnchangedAndAlikeInGiflib)
{
    const struct {
        const char* name;
        int width;
        int height;
        int colors;
        bool interlaced;
    } cases[] = {
        {"two colours", 13, 7, 2, false},         {"three colours", 9, 9, 3, true},
        {"sixteen interlaced", 31, 17, 16, true}, {"77 colours", 97, 61, 77, false},
        {"full palette", 300, 200, 256, false},   {"full palette interlaced", 257, 123, 256, true},
        {"single pixel", 1, 1, 2, true},          {"one row", 1000, 1, 200, false},
    };
    for (const auto& c : cases) {
        const QImage source = PaletteImage(c.width, c.height, c.colors, unsigned(c.width));
        TGIFImage gif;
        gif.Add(source).SetInterlaced(c.interlaced);
        const QByteArray data = gif.SaveToData();
        TGIFImage read;
        read.LoadFromData(data);
        ASSERT_EQ(read.Count(), 1) << c.name;
        EXPECT_EQ(read.Image(0).Interlaced(), c.interlaced) << c.name;
        ExpectSamePixels(source, read.Bitmap(), c.name);
        ExpectSameAsGiflib(data, c.name);
    }
}

TEST(GIFWriter, MonochromeBitmapsAreAcceptedAndDeepOnesRefused)
{
    QImage mono(10, 3, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(0);
    mono.setPixel(4, 1, 1);
    TGIFImage gif;
    QImage deep(4, 4, QImage::Format_RGB32);
    deep.fill(Qt::red);
    EXPECT_THROW(gif.Add(deep), EGIFError);
    EXPECT_THROW(gif.Add(QImage()), EGIFError);
    EXPECT_TRUE(gif.Empty());
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

    const QByteArray data = gif.SaveToData();
    ExpectSameAsGiflib(data, "animation");
    TGIFImage once;
    once.LoadFromData(data);
    ASSERT_EQ(once.Count(), 2);
    ASSERT_NE(once.Image(0).LoopExtension(), nullptr);
    EXPECT_EQ(once.Image(0).LoopExtension()->Loops, 7);
    EXPECT_GT(once.Image(1).ColorMap().Count(), 0)
        << "a frame with its own colours needs a local map";
    ExpectSamePixels(other, once.Image(1).Bitmap(), "second frame");
    // Writing what was read gives the same file again.
    EXPECT_EQ(once.SaveToData(), data);
}

TEST(GIFWriter, FileIsReplacedWholeAndNothingElseIsLeft)
{
    QTemporaryDir dir;
    const QString path = test::WriteFile(dir.path(), "out.gif", "old contents");
    TGIFImage gif;
    gif.Add(PaletteImage(16, 16, 16, 5)).SetInterlaced(true);
    gif.SaveToFile(path);
    EXPECT_EQ(test::ReadWholeFile(path), gif.SaveToData());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.gif"});

    TGIFImage empty;
    EXPECT_THROW(empty.SaveToFile(path), EGIFError);
    EXPECT_EQ(test::ReadWholeFile(path), gif.SaveToData()) << "a failed write damaged the file";
    EXPECT_THROW(gif.SaveToFile(dir.path() + "/missing/out.gif"), EGIFError);
}

TEST(GiflibDifferential, BuilderFilesDecodeAlike)
{
    GifParams v87;
    v87.width = v87.frames[0].width = 33;
    v87.height = v87.frames[0].height = 21;
    v87.version = "87a";
    v87.frames[0].interlaced = true;

    GifParams animation;
    animation.width = 16;
    animation.height = 12;
    animation.frames.assign(4, GifFrameParams());
    for (int i = 0; i < 4; ++i) {
        GifFrameParams& f = animation.frames[std::size_t(i)];
        f.left = i * 3;
        f.top = i;
        f.width = 16 - i * 3;
        f.height = 12 - i;
        f.interlaced = i % 2 == 1;
        f.control = GifControl{i, i % 2 == 0, 1, 10 * i};
    }
    animation.frames[2].localColors.assign(200, qRgb(9, 8, 7));
    animation.frames[2].localColors[5] = qRgb(1, 2, 250);
    animation.frames[0].loops = 0;
    animation.frames[1].comment = "a comment";
    animation.frames[2].unknownApplication = QByteArray("ABCDEFGH123") + QByteArray(400, 'q');
    ExpectSameAsGiflib(test::BuildGif(v87), "87a interlaced");
    ExpectSameAsGiflib(test::BuildGif(animation), "animation");
}

TEST(GiflibDifferential, CorpusFilesDecodeAlikeAndMalformedOnesFailCleanly)
{
    const QString corpora = test::CorporaDir();
    if (corpora.isEmpty() || !QDir(corpora + "/giflib-pics").exists())
        GTEST_SKIP() << "no giflib pictures";
    int compared = 0;
    QDirIterator it(corpora + "/giflib-pics", {"*.gif"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray data = test::ReadWholeFile(path);
        TGIFImage ours;
        bool warned = false;
        ours.OnWarning = [&](TGIFSeverity, const QString&) { warned = true; };
        bool read = true;
        try {
            ours.LoadFromData(data);
            TGIFComposer composer(ours);
            for (int i = 0; i < ours.Count() && ours.Image(i).HasImage(); ++i)
                composer.Compose(i, true);
        } catch (const EGIFError&) {
            read = false;
        }
        if (path.contains("/malformed/")) {
            // A frame of height 0 is read at the screen's size, with a warning; anything else
            // giflib refuses must fail.
            if (read && !GiflibDecode(data).has_value()) {
                EXPECT_TRUE(warned) << qPrintable(path) << ": read what giflib refuses";
            }
            continue;
        }
        ExpectSameAsGiflib(data, path);
        ++compared;
    }
    EXPECT_GT(compared, 20);
}

}  // namespace
}  // namespace pixmarl
