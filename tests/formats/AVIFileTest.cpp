#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include <QTemporaryDir>

#include "formats/AVIFile.h"
#include "formats/Avis.h"
#include "support/AviBuilder.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using test::AviCodec;
using test::AviExpectedPixel;
using test::AviFourCC;
using test::AviParams;
using test::BuildAvi;
using test::MakeAviParams;

// Overwrites the 32-bit value at delta bytes after the nth occurrence of tag.
void Patch32(QByteArray& data, const char* tag, int delta, std::uint32_t value, int nth = 0)
{
    qsizetype at = -1;
    for (int i = 0; i <= nth; ++i)
        at = data.indexOf(tag, at + 1);
    ASSERT_GE(at, 0) << tag;
    test::PutLe(data, at + delta, value);
}

class AviFileTest : public ::testing::Test {
protected:
    QString Write(const QByteArray& data, const QString& name = "clip.avi")
    {
        return test::WriteFile(dir_.path(), name, data);
    }
    QTemporaryDir dir_;
};

AviParams With(AviParams params, const std::function<void(AviParams&)>& change)
{
    change(params);
    return params;
}

// Runs of empty chunks before the headers are walked over without looping; damage behind whole
// headers (out of bounds) only loses the index.
void JunkFirst(QByteArray& d)
{
    QByteArray chunks;
    for (int i = 0; i < 500; ++i)
        chunks += QByteArray("JUNK\0\0\0\0", 8);
    d.insert(12, chunks);
    Patch32(d, "RIFF", 4, std::uint32_t(d.size() - 8));
}

TEST_F(AviFileTest, InformationComesFromTheHeadersAndTheIndex)
{
    const AviParams rgb = MakeAviParams(AviCodec::Rgb24, 320, 240, 2);
    const AviParams mjpeg = MakeAviParams(AviCodec::Mjpeg, 32, 16, 3);
    AviParams delta = mjpeg;
    delta.keyFrames = {true, false, true};
    const struct {
        const char* name;
        AviParams params;
        std::uint32_t caps;
        std::uint32_t fileLength;
        std::function<void(QByteArray&)> change = [](QByteArray&) {};
    } cases[] = {
        {"empty junk chunks first", rgb, 0x31, 2, JunkFirst},
        {"index beyond riff", rgb, 0x21, 2, [](QByteArray& d) { Patch32(d, "idx1", 4, 0x100000); }},
        {"movi beyond riff", rgb, 0x21, 2, [](QByteArray& d) { Patch32(d, "movi", -4, 0x100000); }},
        {"uncompressed, all key", rgb, 0x31, 2},
        {"without index", With(rgb, [](AviParams& s) { s.index = false; }), 0x21, 2},
        {"mjpeg all key", mjpeg, 0x11, 3},
        {"one delta frame", delta, 0x01, 3},
        {"sound interleaved", With(mjpeg, [](AviParams& s) { s.sound = true; }), 0x11, 3},
        {"no frame rectangle", With(mjpeg, [](AviParams& s) { s.frameRect = false; }), 0x11, 3},
        {"opendml total", With(mjpeg, [](AviParams& s) { s.odmlFrames = 9000; }), 0x11, 9000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray data = BuildAvi(c.params);
        c.change(data);
        const QString path = Write(data);
        TAviFileInfo file;
        TAviStreamInfo stream;
        ASSERT_TRUE(ReadAviInfo(path, file, stream));
        EXPECT_EQ(file.dwFlags, 0x110u);
        EXPECT_EQ(file.dwCaps, c.caps);
        EXPECT_EQ(file.dwWidth, std::uint32_t(c.params.width));
        EXPECT_EQ(file.dwHeight, std::uint32_t(c.params.height));
        EXPECT_EQ(file.dwLength, c.fileLength);
        EXPECT_EQ(file.szFileType, "AVI");
        EXPECT_EQ(stream.fccType, AviFourCC("vids"));
        EXPECT_EQ(stream.dwRate, 15u);
        EXPECT_EQ(stream.dwScale, 1u);
        EXPECT_EQ(stream.dwLength, std::uint32_t(c.params.frames.size()));
        EXPECT_EQ(QSize(stream.rcFrame.right, stream.rcFrame.bottom),
                  QSize(c.params.width, c.params.height));
        // The universal reader gives the frame size and a blank type.
        TUniInfoRec info;
        ASSERT_TRUE(GetUniInfo(path, ifAVI, info));
        EXPECT_EQ(QSize(info.Width, info.Height), QSize(c.params.width, c.params.height));
        EXPECT_EQ(TypeText(ifAVI, info.ColorDepth, info.SubType), " ");
    }
}

using DamageCase = std::pair<const char*, std::function<void(QByteArray&)>>;

// Each damage of a valid two-stream file must give the reader's failure, never a crash or a hang.
TEST_F(AviFileTest, DamagedHeadersAreRefused)
{
    AviParams params = MakeAviParams(AviCodec::Rgb24, 8, 6, 2);
    params.sound = true;
    const DamageCase cases[] = {
        { "empty file", [](QByteArray& d) { d.clear(); } },
        { "not riff", [](QByteArray& d) { d[3] = 'X'; } },
        { "wave form", [](QByteArray& d) { d.replace(8, 4, "WAVE"); } },
        { "truncated", [](QByteArray& d) { d.chop(d.size() / 2); } },
        { "riff size beyond file", [](QByteArray& d) { Patch32(d, "RIFF", 4, 0x7FFFFFF0); } },
        { "empty header list", [](QByteArray& d) { Patch32(d, "hdrl", -4, 4); } },
        { "header list beyond riff", [](QByteArray& d) { Patch32(d, "hdrl", -4, 0x10000); } },
        { "stream header beyond its list", [](QByteArray& d) { Patch32(d, "strh", 4, 500); } },
        { "main header too short", [](QByteArray& d) { Patch32(d, "avih", 4, 20); } },
        { "absurd stream count", [](QByteArray& d) { Patch32(d, "avih", 8 + 24, 100000); } },
        { "absurd frame width", [](QByteArray& d) { Patch32(d, "strf", 8 + 4, 1u << 20); } },
        { "zero frame height", [](QByteArray& d) { Patch32(d, "strf", 8 + 8, 0); } },
        { "negative frame width", [](QByteArray& d) { Patch32(d, "strf", 8 + 4, 0xFFFFFFF0); } },
        { "absurd main header height",
            [](QByteArray& d) { Patch32(d, "avih", 8 + 36, 1u << 30); } },
        { "list too short for its type", [](QByteArray& d) { Patch32(d, "strl", -4, 2); } },
        { "video without format", [](QByteArray& d) { d.replace(d.indexOf("strf"), 4, "strx"); } },
        { "no video stream", [](QByteArray& d) { d.replace(d.indexOf("vids"), 4, "txts"); } },
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.first);
        QByteArray data = BuildAvi(params);
        c.second(data);
        const QString path = Write(data);
        TAviFileInfo file;
        TAviStreamInfo stream;
        EXPECT_FALSE(ReadAviInfo(path, file, stream));
        TUniInfoRec info;
        EXPECT_FALSE(AviUniInfo(path, info));
        EXPECT_FALSE(info.Valid);
        EXPECT_EQ(info.SubType, 255);
        QImage bitmap(1, 1, QImage::Format_RGB888);
        bitmap.fill(Qt::red);
        EXPECT_FALSE(AviFirstFrame(path, bitmap));
        EXPECT_EQ(bitmap.pixel(0, 0), qRgb(255, 0, 0)) << "the bitmap is left alone";
    }
}

TEST_F(AviFileTest, SoundOnlyFileHasNoHeaderInformation)
{
    AviParams params;
    params.video = false;
    params.sound = true;
    TAviHeaders headers;
    EXPECT_EQ(ParseAviHeaders(BuildAvi(params), headers), TAviParseResult::apNoVideo);
    TUniInfoRec info;
    EXPECT_FALSE(AviUniInfo(Write(BuildAvi(params)), info));
    EXPECT_EQ(info.SubType, 255);
}

int Distance(QRgb a, QRgb b)
{
    return std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
        std::abs(qBlue(a) - qBlue(b)) });
}

struct FrameCase { const char* name; AviCodec codec; int width; int height; int tolerance; };

void ExpectFrame(const QImage& image, const FrameCase& c, int frame)
{
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(c.width, c.height));
    // Palette video keeps its full table, also when the file's header counts 0 colours.
    if (c.codec == AviCodec::Pal8)
        EXPECT_EQ(image.colorCount(), 256);
    else
        EXPECT_EQ(image.format(), QImage::Format_RGB888);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            ASSERT_LE(
                Distance(image.pixel(x, y), AviExpectedPixel(c.codec, frame, x, y)), c.tolerance)
                << "frame " << frame << " at " << x << "," << y;
}

TEST_F(AviFileTest, FirstFrameAndDecoderFramesForEveryBuilderCodec)
{
    const FrameCase cases[] = {
        { "rgb24 padded rows", AviCodec::Rgb24, 7, 5, 0 },
        { "palette with biClrUsed 0", AviCodec::Pal8, 13, 9, 0 },
        { "mjpeg", AviCodec::Mjpeg, 32, 16, 12 },
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Write(BuildAvi(MakeAviParams(c.codec, c.width, c.height, 3)));
        QImage bitmap;
        ASSERT_TRUE(AviFirstFrame(path, bitmap));
        ExpectFrame(bitmap, c, 0);
        auto decoder = TAviFrameDecoder::Open(path);
        ASSERT_TRUE(decoder);
        for (int frame : { 2, 0, 1, 1 }) // later frames, then rewinds
            ExpectFrame(decoder->Frame(frame), c, frame);
        EXPECT_TRUE(decoder->Frame(3).isNull());
        EXPECT_TRUE(decoder->Frame(-1).isNull());
    }
}

TEST_F(AviFileTest, MissingFilesFoldersAndNonAviAreRefused)
{
    TAviFileInfo file;
    TAviStreamInfo stream;
    EXPECT_FALSE(ReadAviInfo(dir_.filePath("missing.avi"), file, stream));
    EXPECT_FALSE(ReadAviInfo(dir_.path(), file, stream));
    EXPECT_FALSE(TAviFrameDecoder::Open(dir_.filePath("missing.avi")));
    EXPECT_FALSE(TAviFrameDecoder::Open(Write(QByteArray(300, 'x'), "noise.avi")));
    // A file name with a colon is a file, not a protocol.
    EXPECT_TRUE(TAviFrameDecoder::Open(
        Write(BuildAvi(MakeAviParams(AviCodec::Rgb24, 4, 4, 1)), "a:b.avi")));
}

}  // namespace
}  // namespace pixmarl
