#include <gtest/gtest.h>

#include <random>

#include <QDirIterator>

#include "GiflibDecode.h"
#include "gif/GIFImage.h"
#include "support/GifBuilder.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using test::GifControl;
using test::GifFrameSpec;
using test::GifSpec;

// Our frames that hold images against giflib's, pixel for pixel and colour for colour.
void ExpectSameAsGiflib(const QByteArray& data, const QString& name)
{
    const auto reference = test::GiflibDecode(data);
    ASSERT_TRUE(reference.has_value()) << qPrintable(name) << ": giflib refuses it";
    TGIFImage ours;
    ASSERT_NO_THROW(ours.LoadFromData(data)) << qPrintable(name);
    std::vector<const TGIFSubImage*> frames;
    for (const auto& frame : ours.Images())
        if (frame->HasImage())
            frames.push_back(frame.get());
    ASSERT_EQ(frames.size(), reference->size()) << qPrintable(name);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const TGIFSubImage& mine = *frames[i];
        const test::ReferenceFrame& theirs = (*reference)[i];
        EXPECT_EQ(mine.BoundsRect(), QRect(theirs.left, theirs.top, theirs.width, theirs.height))
            << qPrintable(name);
        EXPECT_TRUE(mine.Data() == theirs.pixels) << qPrintable(name) << " frame " << i;
        const TGIFColorMap* map = mine.ActiveColorMap();
        ASSERT_NE(map, nullptr);
        EXPECT_EQ(std::vector<QRgb>(map->Colors().begin(), map->Colors().end()), theirs.colors)
            << qPrintable(name);
    }
}

std::vector<GifSpec> BuilderFiles()
{
    std::vector<GifSpec> specs;
    GifSpec still;
    still.width = 33;
    still.height = 21;
    still.frames[0].width = 33;
    still.frames[0].height = 21;
    specs.push_back(still);

    GifSpec v87 = still;
    v87.version = "87a";
    v87.frames[0].interlaced = true;
    specs.push_back(v87);

    GifSpec animation;
    animation.width = 16;
    animation.height = 12;
    for (int i = 0; i < 4; ++i) {
        GifFrameSpec f;
        f.left = i * 3;
        f.top = i;
        f.width = 16 - i * 3;
        f.height = 12 - i;
        f.interlaced = i % 2 == 1;
        f.control = GifControl { i, i % 2 == 0, 1, 10 * i };
        if (i == 2) {
            f.localColors.assign(200, qRgb(9, 8, 7));
            f.localColors[5] = qRgb(1, 2, 250);
        }
        animation.frames.push_back(f);
    }
    animation.frames.erase(animation.frames.begin());  // the default frame
    animation.frames[0].loops = 0;
    animation.frames[1].comment = "a comment";
    animation.frames[2].unknownApplication = QByteArray("ABCDEFGH123") + QByteArray(400, 'q');
    specs.push_back(animation);
    return specs;
}

TEST(GiflibDifferential, BuilderFilesDecodeAlike)
{
    int n = 0;
    for (const GifSpec& spec : BuilderFiles())
        ExpectSameAsGiflib(test::BuildGif(spec), QString("builder file %1").arg(n++));
}

TEST(GiflibDifferential, WriterFilesDecodeAlike)
{
    std::mt19937 random(42);
    for (int colors : { 2, 5, 16, 77, 256 }) {
        for (bool interlaced : { false, true }) {
            QImage image(97, 61, QImage::Format_Indexed8);
            QList<QRgb> table;
            for (int i = 0; i < colors; ++i)
                table << qRgb(i, 255 - i, (i * 5) % 256);
            image.setColorTable(table);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    image.scanLine(y)[x] = std::uint8_t(
                        random() % 4 == 0 ? random() % unsigned(colors) : (x * y / 9) % colors);
            TGIFImage gif;
            gif.Add(image).SetInterlaced(interlaced);
            gif.Add(image.copy(10, 10, 30, 20));
            ExpectSameAsGiflib(gif.SaveToData(),
                QString("writer %1 colours%2").arg(colors).arg(interlaced ? " interlaced" : ""));
        }
    }
}

TEST(GiflibDifferential, CorpusFilesDecodeAlikeAndMalformedOnesFailCleanly)
{
    const QString corpora = test::CorporaDir();
    if (corpora.isEmpty() || !QDir(corpora + "/giflib-pics").exists())
        GTEST_SKIP() << "no giflib pictures";
    int compared = 0;
    QDirIterator it(
        corpora + "/giflib-pics", { "*.gif" }, QDir::Files, QDirIterator::Subdirectories);
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
            if (read && !test::GiflibDecode(data).has_value()) {
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
