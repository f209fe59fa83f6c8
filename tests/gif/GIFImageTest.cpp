#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QBuffer>

#include "gif/GIFImage.h"
#include "support/GifBuilder.h"

namespace pixmarl {
namespace {

using test::BuildGif;
using test::GifControl;
using test::GifFrameParams;
using test::GifParams;
using test::PackGifCodes;

// The error text of running f, or "" when it throws nothing.
std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EGIFError& e) {
        return e.what();
    }
    return "";
}

// The error text of loading data, or "" when it loads (and holds a frame).
std::string LoadError(const QByteArray& data)
{
    TGIFImage image;
    const std::string error = ErrorOf([&] { image.LoadFromData(data); });
    EXPECT_EQ(image.Empty(), !error.empty());
    return error;
}

GifParams WithParams(const std::function<void(GifParams&)>& change)
{
    GifParams params;
    change(params);
    return params;
}

GifParams WithFrame(const std::function<void(GifFrameParams&)>& change)
{
    return WithParams([&](GifParams& params) { change(params.frames[0]); });
}

// A file whose first frame is led by the given raw bytes.
QByteArray Prefixed(const QByteArray& prefix)
{
    return BuildGif(WithFrame([&](auto& f) { f.prefix = prefix; }));
}

// A file whose first frame (2-bit data, clear code 4) holds the given 3-bit codes.
QByteArray Codes(const std::vector<int>& codes)
{
    std::vector<std::pair<int, int>> packed;
    for (int code : codes)
        packed.push_back({ code, 3 });
    return BuildGif(WithFrame([&](auto& f) { f.codeData = PackGifCodes(packed); }));
}

const QByteArray kLoop("\x21\xFF\x0BNETSCAPE2.0", 14);

TEST(GIFReader, FilesLoadOrGiveTheirError)
{
    const QByteArray good = BuildGif(GifParams());
    const struct {
        const char* name;
        QByteArray data;
        const char* error;
    } cases[] = {
        { "signature", BuildGif(WithParams([](auto& s) { s.signature = "GIX"; })),
            "Invalid GIF signature" },
        { "unknown label", Prefixed(QByteArray("\x21\x55\x00", 3)), "Unknown extension type" },
        { "byte after extension", Prefixed(QByteArray("\x21\xFE\x01X\x00\x99", 6)),
            "Invalid extension introducer" },
        { "short application block", Prefixed(QByteArray("\x21\xFF\x09NETSCAPE2\x00", 13)),
            "Unsupported Application Extension block size" },
        { "loop block size 4", Prefixed(kLoop + QByteArray("\x04\x01\x00\x00\x00\x00", 6)),
            "Invalid GIF data" },
        { "loop sub-identifier 2", Prefixed(kLoop + QByteArray("\x03\x02\x00\x00\x00", 5)),
            "Invalid GIF data" },
        { "loop without terminator", Prefixed(kLoop + QByteArray("\x03\x01\x00\x00\x07", 5)),
            "Invalid GIF data" },
        { "code size 12", BuildGif(WithFrame([](auto& f) { f.minCodeSize = 12; })),
            "Invalid GIF data" },
        { "code size 9", BuildGif(WithFrame([](auto& f) { f.minCodeSize = 9; })),
            "Invalid GIF data" },
        { "truncated header", good.left(9), "Premature end of data" },
        { "truncated colour table", good.left(15), "Premature end of data" },
        { "truncated descriptor", good.left(30), "Premature end of data" },
        { "truncated image data", good.left(good.size() - 4), "Premature end of data" },
        { "extension at the end", BuildGif(WithParams([](auto& s) {
             s.trailer = false;
             s.beforeTrailer = "\x21\xFE\x02";
         })),
            "Premature end of data" },
        { "end code too early", Codes({ 4, 1, 5 }), "Premature end of data" },
        { "codes run out", Codes({ 4, 1, 2 }), "Decoder bit buffer under-run" },
        { "no code data", BuildGif(WithFrame([](auto& f) { f.codeData = QByteArray(); })),
            "Decoder bit buffer under-run" },
        { "code beyond the table", Codes({ 4, 1, 7 }), "Circular decoder table entry" },
        { "table code first", Codes({ 4, 6 }), "Circular decoder table entry" },
        { "absurd frame size", BuildGif(WithFrame([](auto& f) {
             f.width = 65535;
             f.height = 65535;
             f.codeData = PackGifCodes({ { 4, 3 }, { 1, 3 } });
         })),
            "Failed to allocate memory for GIF DIB" },
        { "lower-case signature", BuildGif(WithParams([](auto& s) { s.signature = "gif"; })), "" },
        { "version 90a", BuildGif(WithParams([](auto& s) { s.version = "90a"; })), "" },
        { "no trailer", BuildGif(WithParams([](auto& s) { s.trailer = false; })), "" },
        { "zero bytes between frames", BuildGif(WithParams([](auto& s) {
             s.frames.push_back(GifFrameParams());
             s.frames[1].prefix = QByteArray(3, '\0');
         })),
            "" },
        { "application block of 10", Prefixed(QByteArray("\x21\xFF\x0AXXXXXXXXAB\x01Z\x00", 16)),
            "" },
        { "application block of 12", Prefixed(QByteArray("\x21\xFF\x0CXXXXXXXXABCD\x00", 16)), "" },
        { "frame outside the screen", BuildGif(WithFrame([](auto& f) {
             f.left = 3;
             f.top = 2;
         })),
            "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoadError(c.data), c.error);
    }
}

TEST(GIFReader, WarningsAdjustOrEndReading)
{
    GifParams params;
    params.width = 5;
    params.height = 3;
    params.frames = { GifFrameParams(), GifFrameParams() };
    params.frames[0].width = 0;
    params.frames[0].pixels = std::vector<std::uint8_t>(15, 2);
    params.frames[1].prefix = "\x77";  // a block type that does not exist
    TGIFImage image;
    QStringList warnings;
    image.OnWarning = [&](TGIFSeverity severity, const QString& text) {
        EXPECT_EQ(severity, gsWarning);
        warnings << text;
    };
    image.LoadFromData(BuildGif(params));
    EXPECT_EQ(
        warnings, QStringList({ "Image exceeds Logical Screen size", "Unknown GIF block type" }));
    ASSERT_EQ(image.Count(), 1);
    EXPECT_EQ(image.Image(0).Width(), 5);
    EXPECT_EQ(image.Image(0).Height(), 3);
    EXPECT_EQ(image.Image(0).Data(), std::vector<std::uint8_t>(15, 2));
}

TEST(GIFReader, ExtensionsAreKeptWithTheirFrame)
{
    GifParams params;
    params.frames = { GifFrameParams(), GifFrameParams(), GifFrameParams() };
    params.frames[0].loops = 3;
    params.frames[0].unknownApplication = QByteArray("XMP DataXMP") + QByteArray(300, 'x');
    params.frames[0].control = GifControl { 2, true, 3, 25 };
    params.frames[1].animExtsLoop = true;
    params.frames[1].loops = 0;
    params.frames[1].comment = QByteArray(600, 'c');
    params.frames[2].hasImage = false;  // a comment after the last image
    params.frames[2].comment = "end";
    TGIFImage image;
    image.LoadFromData(BuildGif(params));
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
            GifParams params;
            params.width = 7;
            params.height = height;
            GifFrameParams& f = params.frames[0];
            f.width = 7;
            f.height = height;
            f.interlaced = interlaced;
            f.localColors = { qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9), qRgb(10, 11, 12),
                qRgb(13, 14, 15) };
            TGIFImage image;
            image.LoadFromData(BuildGif(params));
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

TEST(GIFReader, BitmapNeedsAColourTableAndShowsIndicesBeyondItBlack)
{
    TGIFImage none;
    none.LoadFromData(BuildGif(WithParams([](auto& s) { s.globalColors.clear(); })));
    EXPECT_EQ(ErrorOf([&] { (void)none.Bitmap(); }), "No global or local color table defined");
    TGIFImage image;
    image.LoadFromData(BuildGif(WithFrame([](auto& f) {
        f.pixels = std::vector<std::uint8_t>(16, 6);
        f.minCodeSize = 3;
    })));
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
        GifParams params;
        params.frames.assign(std::size_t(c.frames), GifFrameParams());
        if (c.trailingZeros)
            params.frames.back().prefix = QByteArray(2, '\0');
        TQuickGIF quick;
        quick.LoadFromData(BuildGif(params));
        EXPECT_EQ(quick.Count(), 1);
        EXPECT_EQ(quick.MoreFollow(), c.moreFollow) << c.frames;
    }
    // What follows the first frame is not read: a large second frame stays where it is.
    GifParams params;
    params.width = params.height = 1000;
    params.frames.resize(2);
    params.frames[1].width = params.frames[1].height = 1000;
    const QByteArray data = BuildGif(params);
    QBuffer stream;
    stream.setData(data);
    stream.open(QIODevice::ReadOnly);
    TQuickGIF quick;
    quick.LoadFromStream(stream);
    EXPECT_TRUE(quick.MoreFollow());
    EXPECT_LT(stream.pos(), data.size() / 2);
}

// A frame at (left, 0) of the given pixels, and a screen of such frames with background 3.
GifFrameParams Frame(int left, int width, int height, std::vector<std::uint8_t> pixels,
    std::optional<GifControl> control = {})
{
    GifFrameParams f;
    f.left = left;
    f.width = width;
    f.height = height;
    f.pixels = std::move(pixels);
    f.control = control;
    return f;
}

std::unique_ptr<TGIFImage> Screen(int width, int height, std::vector<GifFrameParams> frames)
{
    GifParams params;
    params.width = width;
    params.height = height;
    params.background = 3;
    params.frames = std::move(frames);
    auto image = std::make_unique<TGIFImage>();
    image->LoadFromData(BuildGif(params));
    return image;
}

// The screen row by row as colour letters: k r g b (indices 0 to 3), '.' transparent.
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
    // A 3x2 red frame, then a 2x2 one at x 2 on a 4x2 screen.
    const struct {
        const char* name;
        int disposal;
        bool transparent;
        bool keepTransparent;
        const char* expected;  // the screen after the second frame
    } cases[] = {
        { "keep", 1, false, true, "rrgk/rrkg" },
        { "none", 0, true, true, "rrg./rrrg" },
        { "background", 2, true, true, "..g./...g" },
        { "previous", 3, true, true, "..g./...g" },
        { "background opaque", 2, false, true, "..gk/..kg" },
        // Without the transparent option the background colour fills the gaps.
        { "background filled", 2, true, false, "bbgb/bbbg" },
    };
    for (const auto& c : cases) {
        auto image = Screen(4, 2,
            { Frame(0, 3, 2, { 1, 1, 1, 1, 1, 1 }, GifControl { c.disposal, false, 0, 0 }),
                Frame(2, 2, 2, { 2, 0, 0, 2 }, GifControl { 0, c.transparent, 0, 0 }) });
        EXPECT_EQ(Letters(TGIFComposer(*image).Compose(1, c.keepTransparent)), c.expected)
            << c.name;
    }
}

TEST(GIFComposer, RestorePreviousBringsBackTheEarlierFrame)
{
    auto image = Screen(2, 1,
        { Frame(0, 2, 1, { 1, 1 }), Frame(0, 2, 1, { 2, 2 }, GifControl { 3, false, 0, 0 }),
            Frame(0, 1, 1, { 3 }) });
    TGIFComposer composer(*image);
    EXPECT_EQ(Letters(composer.Compose(1, true)), "gg");
    EXPECT_EQ(Letters(composer.Compose(2, true)), "br");
    // Going back replays from the start.
    EXPECT_EQ(Letters(composer.Compose(0, true)), "rr");
    EXPECT_EQ(Letters(composer.Compose(2, true)), "br");
}

TEST(GIFComposer, FramesOutsideTheScreenAreClipped)
{
    const struct {
        const char* name;
        int left;
        int top;
        const char* expected;
    } cases[] = {
        { "overlapping the corner", 3, 1, "..../...r" },
        { "wholly outside", 10, 0, "..../...." },
        { "at the far edge", 65534, 65534, "..../...." },
    };
    for (const auto& c : cases) {
        GifFrameParams frame = Frame(c.left, 2, 2, { 1, 1, 1, 1 });
        frame.top = c.top;
        auto image = Screen(4, 2, { frame });
        EXPECT_EQ(Letters(TGIFComposer(*image).Compose(0, true)), c.expected) << c.name;
    }
}

TEST(GIFComposer, HugeScreensAreRefused)
{
    TGIFImage image;
    image.LoadFromData(BuildGif(WithParams([](auto& s) { s.width = s.height = 65535; })));
    EXPECT_EQ(ErrorOf([&] { TGIFComposer composer(image); }),
        "Failed to allocate memory for GIF DIB");
}

}  // namespace
}  // namespace pixmarl
