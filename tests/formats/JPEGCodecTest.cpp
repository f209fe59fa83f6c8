#include <gtest/gtest.h>

#include <cstdlib>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "formats/JPEGCodec.h"
#include "formats/RdJPGH.h"
#include "support/JpegBuilder.h"
#include "support/JpegSegments.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using test::BuildJpeg;
using test::JpegParams;
using test::PatternPixel;

JpegParams Params(int width, int height, int components = 3, bool progressive = false)
{
    JpegParams params;
    params.width = width;
    params.height = height;
    params.components = components;
    params.progressive = progressive;
    params.quality = 95;
    return params;
}

TEST(JpegCodec, ScaledDecodeSizes)
{
    const struct { int width; int height; int denom; QSize expected; } cases[] = {
        { 640, 480, 1, { 640, 480 } }, { 641, 479, 2, { 321, 240 } }, { 100, 75, 4, { 25, 19 } },
        { 1600, 1200, 8, { 200, 150 } }, { 7, 5, 8, { 1, 1 } }, { 17, 9, 4, { 5, 3 } },
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        for (bool grey : { false, true }) {
            SCOPED_TRACE(testing::Message()
                << c.width << "x" << c.height << " /" << c.denom << " grey " << grey);
            const QByteArray data = BuildJpeg(Params(c.width, c.height));
            TJpegDecodeOptions options;
            options.ScaleDenom = c.denom;
            options.DctMethod = dmIfast;
            options.Grayscale = grey;
            const TJpegDecodeResult fromData = DecodeJpegData(data, options);
            const TJpegDecodeResult fromFile
                = DecodeJpegFile(test::WriteFile(dir.path(), "s.jpg", data), options);
            for (const TJpegDecodeResult* r : { &fromData, &fromFile }) {
                ASSERT_TRUE(r->Ok()) << r->Error.toStdString();
                EXPECT_EQ(r->Image.size(), c.expected);
                EXPECT_EQ(r->FullSize, QSize(c.width, c.height));
                EXPECT_EQ(
                    r->Image.format(), grey ? QImage::Format_Indexed8 : QImage::Format_RGB888);
                EXPECT_FALSE(r->Damaged);
            }
            EXPECT_EQ(JpegScaledSize(QSize(c.width, c.height), c.denom), c.expected);
            EXPECT_EQ(fromData.Image, fromFile.Image);
        }
    }
}

// Distance of a decoded pixel from the pattern the builder encoded.
int PatternError(const QImage& image, int x, int y, const std::function<QRgb(int, int)>& expected)
{
    const QRgb got = image.pixel(x, y);
    const QRgb want = expected(x, y);
    return std::max({ std::abs(qRed(got) - qRed(want)), std::abs(qGreen(got) - qGreen(want)),
        std::abs(qBlue(got) - qBlue(want)) });
}

TEST(JpegCodec, ColoursMatchWhatWasEncoded)
{
    constexpr int w = 64;
    constexpr int h = 48;
    auto rgb = [](int x, int y) {
        return qRgb(PatternPixel(x, y, 0, w, h), PatternPixel(x, y, 1, w, h), PatternPixel(x, y, 2, w, h));
    };
    auto grey = [](int x, int y) {
        const int v = PatternPixel(x, y, 0, w, h);
        return qRgb(v, v, v);
    };
    // Stored CMYK behind an Adobe marker is inverted: the stored value is the amount of light.
    auto cmyk = [](int x, int y) {
        const int k = PatternPixel(x, y, 3, w, h);
        auto channel = [&](int c) { return (PatternPixel(x, y, c, w, h) * k + 127) / 255; };
        return qRgb(channel(0), channel(1), channel(2));
    };
    const struct {
        const char* name;
        int components;
        bool progressive;
        std::function<QRgb(int, int)> expected;
        bool ycck = false;
    } cases[] = {
        {"ycbcr", 3, false, rgb}, {"progressive", 3, true, rgb},  {"grey", 1, false, grey},
        {"cmyk", 4, false, cmyk}, {"ycck", 4, false, cmyk, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        JpegParams params = Params(w, h, c.components, c.progressive);
        params.ycck = c.ycck;
        const TJpegDecodeResult r = DecodeJpegData(BuildJpeg(params));
        ASSERT_TRUE(r.Ok()) << r.Error.toStdString();
        EXPECT_EQ(r.Components, c.components);
        // Smooth areas away from the checker edges: JPEG's loss stays small there.
        for (const auto& [x, y] : { std::pair { 1, 1 }, { 2, 45 }, { 61, 2 }, { 61, 45 }, { 33, 22 } })
            EXPECT_LE(PatternError(r.Image, x, y, c.expected), 24) << x << "," << y;
        // Decoded straight into the format windows draw: the same pixels.
        TJpegDecodeOptions drawable;
        drawable.Rgb32 = true;
        const QImage rgb32 = DecodeJpegData(BuildJpeg(params), drawable).Image;
        EXPECT_EQ(rgb32.format(), c.components == 4 ? QImage::Format_RGB888 : QImage::Format_RGB32);
        EXPECT_EQ(rgb32.convertToFormat(QImage::Format_RGB888), r.Image);
    }
}

TEST(JpegCodec, GreyOutputIsAPaletteOfAtMost236Levels)
{
    for (int components : { 1, 3, 4 }) {
        SCOPED_TRACE(components);
        TJpegDecodeOptions options;
        options.Grayscale = true;
        const TJpegDecodeResult r = DecodeJpegData(BuildJpeg(Params(256, 8, components)), options);
        ASSERT_TRUE(r.Ok()) << r.Error.toStdString();
        EXPECT_LE(r.Image.colorCount(), kJpegGreyLevels);
        EXPECT_GT(r.Image.colorCount(), 100);
        for (QRgb entry : r.Image.colorTable())
            EXPECT_TRUE(qRed(entry) == qGreen(entry) && qGreen(entry) == qBlue(entry));
        // The horizontal ramp stays a ramp.
        EXPECT_LT(qGray(r.Image.pixel(10, 4)), qGray(r.Image.pixel(128, 4)));
        EXPECT_LT(qGray(r.Image.pixel(128, 4)), qGray(r.Image.pixel(245, 4)));
    }
}

TEST(JpegCodec, DamagedFilesFailOrGiveWhatWasDecodable)
{
    const QByteArray baseline = BuildJpeg(Params(256, 256));
    const QByteArray progressive = BuildJpeg(Params(256, 256, 3, true));
    const int headerEnd = int(baseline.indexOf("\xFF\xDA"));
    const struct { const char* name; QByteArray bytes; bool image; } cases[] = {
        { "empty", "", false },
        { "not a jpeg", "GIF89a and then some", false },
        { "cut inside the tables", baseline.left(headerEnd / 2), false },
        { "cut after the scan header", baseline.left(headerEnd + 14), true },
        { "baseline cut in half", baseline.left(baseline.size() / 2), true },
        { "progressive cut in half", progressive.left(progressive.size() / 2), true },
        { "scan cut short by an end marker", baseline.left(baseline.size() / 3) + "\xFF\xD9",
            true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TJpegDecodeResult r = DecodeJpegData(c.bytes);
        EXPECT_EQ(r.Ok(), c.image) << r.Error.toStdString();
        if (c.image) {
            EXPECT_TRUE(r.Damaged);
            EXPECT_EQ(r.Image.size(), QSize(256, 256));
        } else {
            EXPECT_FALSE(r.Error.isEmpty());
        }
    }
}

TEST(JpegCodec, RefusesFramesTheInputCannotHold)
{
    // A 60000 x 60000 frame in a few hundred bytes: refused at once, nothing allocated.
    QByteArray huge = BuildJpeg(Params(16, 16));
    const int sof = int(huge.indexOf("\xFF\xC0"));
    huge.replace(sof + 5, 4, QByteArray("\xEA\x60\xEA\x60", 4));
    const struct { const char* name; QByteArray bytes; qint64 maxBytes; } cases[] = {
        { "frame far beyond the data", huge, kMaxJpegDecodeBytes },
        { "decoded size over the limit", BuildJpeg(Params(640, 480)), 640 * 480 * 3 - 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TJpegDecodeOptions options;
        options.MaxBytes = c.maxBytes;
        QElapsedTimer timer;
        timer.start();
        const TJpegDecodeResult r = DecodeJpegData(c.bytes, options);
        EXPECT_FALSE(r.Ok());
        EXPECT_FALSE(r.Error.isEmpty());
        EXPECT_FALSE(r.FullSize.isEmpty());
        EXPECT_LT(timer.elapsed(), 1000);
    }
}

TEST(JpegCodec, UnsupportedScaleFailsAndFrameReadsWithoutDecoding)
{
    for (int denom : { 0, 3, 16 }) {
        TJpegDecodeOptions options;
        options.ScaleDenom = denom;
        EXPECT_FALSE(DecodeJpegData(BuildJpeg(Params(16, 16)), options).Ok()) << denom;
    }
    const TJpegDecodeResult frame = ReadJpegFrame(BuildJpeg(Params(300, 200, 4)));
    EXPECT_EQ(frame.FullSize, QSize(300, 200));
    EXPECT_EQ(frame.Components, 4);
    EXPECT_TRUE(frame.Image.isNull());
    EXPECT_FALSE(ReadJpegFrame("nonsense").FullSize.isValid());
}

QImage PatternImage(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(
                x, y, qRgb(PatternPixel(x, y, 0, w, h), PatternPixel(x, y, 1, w, h), 90));
    return image;
}

TEST(JpegCodec, EncodeOptionsShowInTheFileAndQualityIsClamped)
{
    const QImage image = PatternImage(120, 80);
    const struct { const char* name; TJpegEncodeOptions options; const char* process; int components; }
        cases[] = {
        { "baseline colour", { 80, false, false }, "Baseline", 3 },
        { "progressive", { 80, true, false }, "Progressive", 3 },
        { "greyscale", { 80, false, true }, "Baseline", 1 },
        { "progressive greyscale", { 50, true, true }, "Progressive", 1 },
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = test::WriteFile(dir.path(), "old.jpg", "precious");  // replaced
        ASSERT_TRUE(SaveJpegFile(image, path, c.options));
        TInfoRec info;
        ASSERT_TRUE(ReadJPEGHeader(path, 3, info));
        EXPECT_EQ(info.Process, QLatin1String(c.process));
        EXPECT_EQ(info.Components, c.components);
        const TJpegDecodeResult r = DecodeJpegFile(path);
        ASSERT_TRUE(r.Ok());
        EXPECT_EQ(r.Image.size(), image.size());
        const auto source = [&](int x, int y) {
            const QRgb p = image.pixel(x, y);
            return c.components == 1 ? qRgb(qGray(p), qGray(p), qGray(p)) : p;
        };
        EXPECT_LE(PatternError(r.Image, 60, 40, source), 12);
    }
    // Quality is clamped to 10..100 and changes the size.
    const auto encode = [&](int quality) { return EncodeJpegData(image, { quality, false, false }); };
    EXPECT_EQ(encode(5), encode(10));
    EXPECT_EQ(encode(150), encode(100));
    EXPECT_LT(encode(10).size(), encode(100).size());
}

TEST(JpegCodec, FailedSaveLeavesNothingBehind)
{
    QTemporaryDir dir;
    const QString existing = test::WriteFile(dir.path(), "old.jpg", "precious");
    QString error;
    EXPECT_FALSE(SaveJpegFile(QImage(), existing, {}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(SaveJpegFile(QImage(70000, 2, QImage::Format_RGB888), existing, {}));
    EXPECT_EQ(test::ReadWholeFile(existing), "precious");
    EXPECT_FALSE(SaveJpegFile(PatternImage(8, 8), dir.filePath("missing/new.jpg"), {}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "old.jpg" });
}

// Decodes path with djpeg at 1/denom and with our codec; both must give the same pixels.
void ExpectSameAsReference(const QString& djpeg, const QString& path, int denom, TDctMethod dct,
    const char* dctName)
{
    SCOPED_TRACE(path.toStdString() + " 1/" + std::to_string(denom));
    QProcess process;
    process.start(djpeg, { "-scale", QStringLiteral("1/%1").arg(denom), "-dct", dctName, "-ppm", path });
    ASSERT_TRUE(process.waitForFinished());
    QImage reference;
    ASSERT_TRUE(reference.loadFromData(process.readAllStandardOutput(), "PPM"));
    TJpegDecodeOptions options;
    options.ScaleDenom = denom;
    options.DctMethod = dct;
    const TJpegDecodeResult r = DecodeJpegFile(path, options);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.Image.convertToFormat(QImage::Format_RGB32),
        reference.convertToFormat(QImage::Format_RGB32));
}

// The same library through its own command-line decoder must give the same pixels; at 1/8 a
// progressive file is read only up to its complete DC coefficients, which must not change them.
TEST(JpegCodec, PixelsEqualTheReferenceDecoder)
{
    const QString djpeg = QStandardPaths::findExecutable("djpeg");
    if (djpeg.isEmpty())
        GTEST_SKIP() << "djpeg is not installed";
    QTemporaryDir dir;
    const QString paths[] = { test::WriteFile(dir.path(), "ref.jpg", BuildJpeg(Params(203, 101))),
        test::WriteFile(dir.path(), "progressive.jpg", BuildJpeg(Params(203, 101, 3, true))) };
    const struct {
        int denom;
        TDctMethod dct;
        const char* dctName;
    } cases[] = { { 1, dmIslow, "int" }, { 2, dmIfast, "fast" }, { 8, dmIfast, "fast" },
        { 4, dmFloat, "float" } };
    for (const QString& path : paths)
        for (const auto& c : cases)
            ExpectSameAsReference(djpeg, path, c.denom, c.dct, c.dctName);

    const QString corpora = test::CorporaDir();
    for (const char* photo : { "/photos/sunset_by_Aitzol_Berasategi.jpg",
             "/photos/Dragonfly_by_Bolly.jpg" })
        if (!corpora.isEmpty())
            ExpectSameAsReference(djpeg, corpora + photo, 8, dmIfast, "fast");
}

}  // namespace
}  // namespace pixmarl
