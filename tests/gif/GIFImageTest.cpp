#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "gif/GIFImage.h"
#include "support/GifBuilder.h"

namespace pixmarl {
namespace {

using test::BuildGif;
using test::GifControl;
using test::GifFrameSpec;
using test::GifSpec;
using test::PackGifCodes;

// The error text of loading data, or "" when it loads.
std::string LoadError(const QByteArray& data)
{
    TGIFImage image;
    try {
        image.LoadFromData(data);
    } catch (const EGIFError& e) {
        EXPECT_TRUE(image.Empty());
        return e.what();
    }
    return "";
}

GifSpec WithFrame(std::function<void(GifFrameSpec&)> change)
{
    GifSpec spec;
    change(spec.frames[0]);
    return spec;
}

QByteArray LoopBlock(const QByteArray& data)
{
    return QByteArray("\x21\xFF\x0BNETSCAPE2.0", 14) + data;
}

struct ErrorCase {
    const char* name;
    QByteArray data;
    const char* error;
};

constexpr int clear = 4;  // the clear code of 2-bit data

TEST(GIFReader, DamagedFilesGiveTheirError)
{
    const ErrorCase cases[] = {
        { "signature", BuildGif([] {
             GifSpec s;
             s.signature = "GIX";
             return s;
         }()),
            "Invalid GIF signature" },
        { "unknown label",
            BuildGif(WithFrame([](auto& f) { f.prefix = QByteArray("\x21\x55\x00", 3); })),
            "Unknown extension type" },
        { "byte after extension",
            BuildGif(WithFrame([](auto& f) { f.prefix = QByteArray("\x21\xFE\x01X\x00\x99", 6); })),
            "Invalid extension introducer" },
        { "short application block", BuildGif(WithFrame([](auto& f) {
             f.prefix = QByteArray("\x21\xFF\x09NETSCAPE2\x00", 13);
         })),
            "Unsupported Application Extension block size" },
        { "loop block size 4", BuildGif(WithFrame([](auto& f) {
             f.prefix = LoopBlock(QByteArray("\x04\x01\x00\x00\x00\x00", 6));
         })),
            "Invalid GIF data" },
        { "loop sub-identifier 2", BuildGif(WithFrame([](auto& f) {
             f.prefix = LoopBlock(QByteArray("\x03\x02\x00\x00\x00", 5));
         })),
            "Invalid GIF data" },
        { "loop without terminator", BuildGif(WithFrame([](auto& f) {
             f.prefix = LoopBlock(QByteArray("\x03\x01\x00\x00\x07", 5));
         })),
            "Invalid GIF data" },
        { "code size 12", BuildGif(WithFrame([](auto& f) { f.minCodeSize = 12; })),
            "Invalid GIF data" },
        { "code size 9", BuildGif(WithFrame([](auto& f) { f.minCodeSize = 9; })),
            "Invalid GIF data" },
        { "truncated header", BuildGif(GifSpec()).left(9), "Premature end of data" },
        { "truncated colour table", BuildGif(GifSpec()).left(15), "Premature end of data" },
        { "truncated descriptor", BuildGif(GifSpec()).left(30), "Premature end of data" },
        { "truncated image data",
            [] {
                QByteArray d = BuildGif(GifSpec());
                return d.left(d.size() - 4);
            }(),
            "Premature end of data" },
        { "extension at the end", BuildGif([] {
             GifSpec s;
             s.trailer = false;
             s.beforeTrailer = "\x21\xFE\x02";
             return s;
         }()),
            "Premature end of data" },
        { "end code too early", BuildGif(WithFrame([](auto& f) {
             f.codeData = PackGifCodes({ { clear, 3 }, { 1, 3 }, { clear + 1, 3 } });
         })),
            "Premature end of data" },
        { "codes run out", BuildGif(WithFrame([](auto& f) {
             f.codeData = PackGifCodes({ { clear, 3 }, { 1, 3 }, { 2, 3 } });
         })),
            "Decoder bit buffer under-run" },
        { "no code data", BuildGif(WithFrame([](auto& f) { f.codeData = QByteArray(); })),
            "Decoder bit buffer under-run" },
        { "code beyond the table", BuildGif(WithFrame([](auto& f) {
             f.codeData = PackGifCodes({ { clear, 3 }, { 1, 3 }, { 7, 3 } });
         })),
            "Circular decoder table entry" },
        { "table code first", BuildGif(WithFrame([](auto& f) {
             f.codeData = PackGifCodes({ { clear, 3 }, { 6, 3 } });
         })),
            "Circular decoder table entry" },
        { "absurd frame size", BuildGif(WithFrame([](auto& f) {
             f.width = 65535;
             f.height = 65535;
             f.codeData = PackGifCodes({ { clear, 3 }, { 1, 3 } });
         })),
            "Failed to allocate memory for GIF DIB" },
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(LoadError(c.data), c.error) << c.name;
}

TEST(GIFReader, OddButReadableFilesLoad)
{
    struct Case {
        const char* name;
        GifSpec spec;
    };
    Case cases[] = {
        { "lower-case signature",
            [] {
                GifSpec s;
                s.signature = "gif";
                return s;
            }() },
        { "version 90a",
            [] {
                GifSpec s;
                s.version = "90a";
                return s;
            }() },
        { "no trailer",
            [] {
                GifSpec s;
                s.trailer = false;
                return s;
            }() },
        { "zero bytes between frames",
            [] {
                GifSpec s;
                s.frames.push_back(GifFrameSpec());
                s.frames[1].prefix = QByteArray(3, '\0');
                return s;
            }() },
        { "application block of 10", WithFrame([](auto& f) {
             f.prefix = QByteArray("\x21\xFF\x0AXXXXXXXXAB\x01Z\x00", 16);
         }) },
        { "application block of 12",
            WithFrame([](auto& f) { f.prefix = QByteArray("\x21\xFF\x0CXXXXXXXXABCD\x00", 16); }) },
        { "frame outside the screen", WithFrame([](auto& f) {
             f.left = 3;
             f.top = 2;
         }) },
    };
    for (const Case& c : cases) {
        TGIFImage image;
        EXPECT_NO_THROW(image.LoadFromData(BuildGif(c.spec))) << c.name;
        EXPECT_FALSE(image.Empty()) << c.name;
    }
}

TEST(GIFReader, WarningsAdjustOrEndReading)
{
    GifSpec spec;
    spec.width = 5;
    spec.height = 3;
    spec.frames = { GifFrameSpec(), GifFrameSpec() };
    spec.frames[0].width = 0;
    spec.frames[0].pixels = std::vector<std::uint8_t>(15, 2);
    spec.frames[1].prefix = "\x77";  // a block type that does not exist
    TGIFImage image;
    QStringList warnings;
    image.OnWarning = [&](TGIFSeverity severity, const QString& text) {
        EXPECT_EQ(severity, gsWarning);
        warnings << text;
    };
    image.LoadFromData(BuildGif(spec));
    EXPECT_EQ(
        warnings, QStringList({ "Image exceeds Logical Screen size", "Unknown GIF block type" }));
    ASSERT_EQ(image.Count(), 1);
    EXPECT_EQ(image.Image(0).Width(), 5);
    EXPECT_EQ(image.Image(0).Height(), 3);
    EXPECT_EQ(image.Image(0).Data(), std::vector<std::uint8_t>(15, 2));
}

TEST(GIFReader, ExtensionsAreKeptWithTheirFrame)
{
    GifSpec spec;
    spec.frames = { GifFrameSpec(), GifFrameSpec(), GifFrameSpec() };
    spec.frames[0].loops = 3;
    spec.frames[0].unknownApplication = QByteArray("XMP DataXMP") + QByteArray(300, 'x');
    spec.frames[0].control = GifControl { 2, true, 3, 25 };
    spec.frames[1].animExtsLoop = true;
    spec.frames[1].loops = 0;
    spec.frames[1].comment = QByteArray(600, 'c');
    spec.frames[2].hasImage = false;  // a comment after the last image
    spec.frames[2].comment = "end";
    TGIFImage image;
    image.LoadFromData(BuildGif(spec));
    ASSERT_EQ(image.Count(), 3);

    const TGIFSubImage& first = image.Image(0);
    ASSERT_EQ(first.Extensions().size(), 3u);
    ASSERT_NE(first.LoopExtension(), nullptr);
    EXPECT_EQ(first.LoopExtension()->Loops, 3);
    auto* unknown = dynamic_cast<const TGIFUnknownAppExtension*>(first.Extensions()[1].get());
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->Identifier, "XMP Data");
    EXPECT_EQ(unknown->Authentication, "XMP");
    EXPECT_EQ(unknown->Data, QByteArray(300, 'x'));
    const TGIFGraphicControlExtension* gce = first.GraphicControlExtension();
    ASSERT_NE(gce, nullptr);
    EXPECT_EQ(gce->Disposal(), 2);
    EXPECT_TRUE(gce->Transparent());
    EXPECT_EQ(gce->TransparentColorIndex, 3);
    EXPECT_EQ(gce->Delay, 25);

    ASSERT_NE(image.Image(1).LoopExtension(), nullptr);
    EXPECT_EQ(
        image.Image(1).LoopExtension()->Identifier + image.Image(1).LoopExtension()->Authentication,
        "ANIMEXTS1.0");
    auto* comment = dynamic_cast<const TGIFCommentExtension*>(image.Image(1).Extensions()[1].get());
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(comment->Text, QByteArray(600, 'c'));
    EXPECT_FALSE(image.Image(2).HasImage());
    EXPECT_EQ(image.Version(), gv89a);
}

TEST(GIFReader, FramesDecodeToTheirPixels)
{
    for (int height : { 1, 2, 3, 5, 8, 9, 17 }) {
        for (bool interlaced : { false, true }) {
            GifSpec spec;
            spec.width = 7;
            spec.height = height;
            GifFrameSpec& f = spec.frames[0];
            f.width = 7;
            f.height = height;
            f.interlaced = interlaced;
            f.localColors = { qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9), qRgb(10, 11, 12),
                qRgb(13, 14, 15) };
            TGIFImage image;
            image.LoadFromData(BuildGif(spec));
            const TGIFSubImage& frame = image.Image(0);
            EXPECT_EQ(frame.Interlaced(), interlaced);
            EXPECT_EQ(frame.Data(), test::GifFramePixels(f, 5)) << height << interlaced;
            const QImage bitmap = image.Bitmap();
            ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
            EXPECT_EQ(bitmap.size(), QSize(7, height));
            EXPECT_EQ(bitmap.pixel(6, height - 1),
                f.localColors[test::GifPatternIndex(6, height - 1, 5)]);
        }
    }
}

TEST(GIFReader, BitmapNeedsAColourTable)
{
    GifSpec spec;
    spec.globalColors.clear();
    TGIFImage image;
    image.LoadFromData(BuildGif(spec));
    try {
        image.Bitmap();
        FAIL() << "a bitmap without colours";
    } catch (const EGIFError& e) {
        EXPECT_STREQ(e.what(), "No global or local color table defined");
    }
}

TEST(GIFReader, IndicesBeyondTheTableShowBlack)
{
    GifSpec spec = WithFrame([](auto& f) {
        f.pixels = std::vector<std::uint8_t>(16, 6);
        f.minCodeSize = 3;
    });
    TGIFImage image;
    image.LoadFromData(BuildGif(spec));
    EXPECT_EQ(image.Bitmap().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(TGIFComposer(image).Compose(0, false).pixel(3, 3), qRgb(0, 0, 0));
}

TEST(QuickGIF, ReadsOnlyTheFirstFrame)
{
    struct Case {
        int frames;
        bool trailingZeros;
        bool moreFollow;
    };
    for (const Case c :
        { Case { 1, false, false }, Case { 3, false, true }, Case { 2, true, true } }) {
        GifSpec spec;
        spec.frames.assign(std::size_t(c.frames), GifFrameSpec());
        if (c.trailingZeros)
            spec.frames.back().prefix = QByteArray(2, '\0');
        TQuickGIF quick;
        quick.LoadFromData(BuildGif(spec));
        EXPECT_EQ(quick.Count(), 1);
        EXPECT_EQ(quick.MoreFollow(), c.moreFollow) << c.frames;
    }
}

// Frames of 2x2 on a 4x2 screen, colours: 0 black, 1 red, 2 green, 3 blue.
struct ComposeCase {
    const char* name;
    int disposal;
    bool transparent;
    // The screen after the second frame, row by row, as colour letters: k r g b, '.' background.
    const char* expected;
};

QImage ComposeTwo(int disposal, bool transparentFrame, bool keepTransparent)
{
    GifSpec spec;
    spec.width = 4;
    spec.height = 2;
    spec.background = 3;
    GifFrameSpec first;
    first.width = 3;
    first.height = 2;
    first.pixels = { 1, 1, 1, 1, 1, 1 };
    first.control = GifControl { disposal, false, 0, 0 };
    GifFrameSpec second;
    second.left = 2;
    second.width = 2;
    second.height = 2;
    second.pixels = { 2, 0, 0, 2 };
    second.control = GifControl { 0, transparentFrame, 0, 0 };
    spec.frames = { first, second };
    TGIFImage image;
    image.LoadFromData(BuildGif(spec));
    return TGIFComposer(image).Compose(1, keepTransparent);
}

std::string Letters(const QImage& image)
{
    std::string s;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            s += qAlpha(c) == 0        ? '.'
                : c == qRgb(255, 0, 0) ? 'r'
                : c == qRgb(0, 255, 0) ? 'g'
                : c == qRgb(0, 0, 255) ? 'b'
                                       : 'k';
        }
        s += y + 1 < image.height() ? "/" : "";
    }
    return s;
}

TEST(GIFComposer, DisposalMethodsAndTransparency)
{
    const ComposeCase cases[] = {
        { "keep", 1, false, "rrgk/rrkg" },
        { "none", 0, true, "rrg./rrrg" },
        { "background", 2, true, "..g./...g" },
        { "previous", 3, true, "..g./...g" },
        { "background opaque", 2, false, "..gk/..kg" },
    };
    for (const ComposeCase& c : cases)
        EXPECT_EQ(Letters(ComposeTwo(c.disposal, c.transparent, true)), c.expected) << c.name;
    // Without the transparent option the background colour (blue, index 3) fills the gaps.
    EXPECT_EQ(Letters(ComposeTwo(2, true, false)), "bbgb/bbbg");
}

TEST(GIFComposer, RestorePreviousBringsBackTheEarlierFrame)
{
    GifSpec spec;
    spec.width = 2;
    spec.height = 1;
    GifFrameSpec base;
    base.width = 2;
    base.height = 1;
    base.pixels = { 1, 1 };
    GifFrameSpec overlay = base;
    overlay.pixels = { 2, 2 };
    overlay.control = GifControl { 3, false, 0, 0 };
    GifFrameSpec corner = base;
    corner.width = 1;
    corner.pixels = { 3 };
    spec.frames = { base, overlay, corner };
    TGIFImage image;
    image.LoadFromData(BuildGif(spec));
    TGIFComposer composer(image);
    EXPECT_EQ(Letters(composer.Compose(1, true)), "gg");
    EXPECT_EQ(Letters(composer.Compose(2, true)), "br");
    // Going back replays from the start.
    EXPECT_EQ(Letters(composer.Compose(0, true)), "rr");
    EXPECT_EQ(Letters(composer.Compose(2, true)), "br");
}

TEST(GIFComposer, FramesOutsideTheScreenAreClipped)
{
    struct Case {
        const char* name;
        int left;
        int top;
        const char* expected;
    };
    const Case cases[] = {
        { "overlapping the corner", 3, 1, "..../...r" },
        { "wholly outside", 10, 0, "..../...." },
        { "at the far edge", 65534, 65534, "..../...." },
    };
    for (const Case& c : cases) {
        GifSpec spec;
        spec.width = 4;
        spec.height = 2;
        spec.frames[0].left = c.left;
        spec.frames[0].top = c.top;
        spec.frames[0].width = 2;
        spec.frames[0].height = 2;
        spec.frames[0].pixels.assign(4, 1);
        TGIFImage image;
        image.LoadFromData(BuildGif(spec));
        EXPECT_EQ(Letters(TGIFComposer(image).Compose(0, true)), c.expected) << c.name;
    }
}

TEST(GIFComposer, HugeScreensAreRefused)
{
    GifSpec spec;
    spec.width = 65535;
    spec.height = 65535;
    TGIFImage image;
    image.LoadFromData(BuildGif(spec));
    try {
        TGIFComposer composer(image);
        FAIL() << "a 16 GB screen was composed";
    } catch (const EGIFError& e) {
        EXPECT_STREQ(e.what(), "Failed to allocate memory for GIF DIB");
    }
}

}  // namespace
}  // namespace pixmarl
