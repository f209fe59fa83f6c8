// Decoded files are checked against the builder's pattern and, for the kinds the builder writes
// and the corpus files, against libtiff. CMYK is the exception: libtiff multiplies the inks, the
// program subtracts them, so for CMYK libtiff only decodes the samples and the subtraction rule is
// applied to them here.

#include <gtest/gtest.h>

#include <vector>

#include <QBuffer>
#include <QDirIterator>
#include <QImage>
#include <QTemporaryDir>

#include <tiffio.h>

#include "formats/Images.h"
#include "formats/LZW.h"
#include "formats/TIFiles.h"
#include "support/JpegBuilder.h"
#include "support/LibTiffFiles.h"
#include "support/TestFiles.h"
#include "support/TiffBuilder.h"

namespace pixmarl {
namespace {

using test::TiffKind;
using test::TiffParams;

std::string Describe(const TiffParams& s)
{
    static const char* kNames[] = {"grey", "palette", "bilevel", "rgb", "cmyk"};
    return std::string(kNames[int(s.kind)]) + (s.bigEndian ? " MM" : " II") + (s.lzw ? " lzw" : "") +
           " predictor " + std::to_string(s.predictor) + " rows/strip " +
           std::to_string(s.rowsPerStrip) + " photometric " + std::to_string(s.photometric) + " " +
           std::to_string(s.width) + "x" + std::to_string(s.height);
}

int Light(int ink, int black)
{
    return ink + black >= 255 ? 0 : 255 - ink - black;
}

QRgb ExpectedColor(const TiffParams& params, int x, int y)
{
    const auto s = [&](int c) { return test::TiffPatternSample(x, y, c, params.kind); };
    switch (params.kind) {
    case TiffKind::Grey: {
        const int v = params.photometric == 0 ? 255 - s(0) : s(0);
        return qRgb(v, v, v);
    }
    case TiffKind::Palette:
        return qRgb(test::TiffPaletteLevel(s(0), 0), test::TiffPaletteLevel(s(0), 1),
                    test::TiffPaletteLevel(s(0), 2));
    case TiffKind::Bilevel:
        return (s(0) != 0) == (params.photometric == 0) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    case TiffKind::Rgb:
        return qRgb(s(0), s(1), s(2));
    case TiffKind::Cmyk:
        return qRgb(Light(s(0), s(3)), Light(s(1), s(3)), Light(s(2), s(3)));
    }
    return 0;
}

QImage DecodeBytes(const QByteArray& tiff, bool preview = false)
{
    QBuffer buffer;
    buffer.setData(tiff);
    buffer.open(QIODevice::ReadOnly);
    return TiffDeviceToImage(buffer, preview);
}

// Checks the image's format and every pixel against the builder's pattern.
void ExpectImage(const QImage& image, const TiffParams& params)
{
    const std::string what = Describe(params);
    ASSERT_EQ(image.size(), QSize(params.width, params.height)) << what;
    EXPECT_EQ(image.format(), params.kind == TiffKind::Bilevel ? QImage::Format_Mono
                              : params.kind == TiffKind::Rgb || params.kind == TiffKind::Cmyk
                                  ? QImage::Format_RGB888
                                  : QImage::Format_Indexed8)
        << what;
    int wrong = 0;
    for (int y = 0; y < params.height; ++y)
        for (int x = 0; x < params.width; ++x)
            if (image.pixel(x, y) != ExpectedColor(params, x, y) && wrong++ < 3)
                ADD_FAILURE() << what << " pixel " << x << "," << y;
}

TiffParams Params(TiffKind kind, void (*change)(TiffParams&) = nullptr)
{
    TiffParams s;
    s.kind = kind;
    if (change)
        change(s);
    return s;
}

// Every kind in every coding, strip layout and byte order, and white-is-zero for grey and bilevel.
std::vector<TiffParams> MatrixParams()
{
    std::vector<TiffParams> paramSets;
    const TiffKind kinds[] = {TiffKind::Grey, TiffKind::Palette, TiffKind::Bilevel, TiffKind::Rgb,
                              TiffKind::Cmyk};
    const struct { bool lzw; int predictor; } codings[] = {{false, 1}, {true, 1}, {true, 2}};
    for (TiffKind kind : kinds)
        for (const auto& coding : codings)
            for (int rowsPerStrip : {0, 5})
                for (int photometric : {-1, 0})
                    for (bool bigEndian : {false, true}) {
                        if ((kind == TiffKind::Bilevel && coding.predictor == 2) ||
                            (photometric == 0 && kind != TiffKind::Grey && kind != TiffKind::Bilevel))
                            continue;
                        TiffParams s = Params(kind);
                        s.width = 61;
                        s.height = 47;
                        s.lzw = coding.lzw;
                        s.predictor = coding.predictor;
                        s.rowsPerStrip = rowsPerStrip;
                        s.photometric = photometric;
                        s.bigEndian = bigEndian;
                        paramSets.push_back(s);
                    }
    return paramSets;
}

// libtiff's decode, top row first; null when libtiff cannot decode the file. With bySubtraction,
// libtiff only decodes the CMYK samples and they are turned into colours by subtraction here.
QImage LibTiffImage(const QString& path, bool bySubtraction = false)
{
    if (!bySubtraction)
        return test::LibTiffReference(path).convertToFormat(QImage::Format_RGB32);
    const test::TiffPtr tif = test::OpenWithLibTiff(path);
    std::uint32_t width = 0, height = 0;
    if (!tif || !TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
        return {};
    QImage image(int(width), int(height), QImage::Format_RGB32);
    std::vector<std::uint8_t> row(std::size_t(TIFFScanlineSize(tif.get())));
    for (std::uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tif.get(), row.data(), y, 0) < 0)
            return {};
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = &row[x * 4];
            image.setPixel(int(x), int(y),
                           qRgb(Light(p[0], p[3]), Light(p[1], p[3]), Light(p[2], p[3])));
        }
    }
    return image;
}

// Number of differing pixels (and a message for the first).
int CompareWithLibTiff(const QString& path, const QImage& ours)
{
    TTifInfo info;
    const QImage theirs = LibTiffImage(path, ReadTiffInfo(path, info) && info.ImageType == itCMYK);
    if (theirs.size() != ours.size()) {
        ADD_FAILURE() << qPrintable(path) << ": libtiff size differs";
        return -1;
    }
    const QImage mine = ours.convertToFormat(QImage::Format_RGB32);
    int wrong = 0;
    for (int y = 0; y < mine.height(); ++y)
        for (int x = 0; x < mine.width(); ++x)
            if (mine.pixel(x, y) != theirs.pixel(x, y) && wrong++ == 0)
                ADD_FAILURE() << qPrintable(path) << ": pixel " << x << "," << y << " is "
                              << std::hex << mine.pixel(x, y) << ", libtiff " << theirs.pixel(x, y);
    return wrong;
}

TEST(TiffDecode, EverySupportedKindGivesThePatternAndLibTiffsPixels)
{
    QTemporaryDir dir;
    QByteArray littleEndian;  // the file before a big-endian one differs only in byte order
    for (const TiffParams& params : MatrixParams()) {
        const std::string what = Describe(params);
        const QByteArray file = test::BuildTiff(params);
        const QString path = test::WriteFile(dir.path(), "m.tif", file);
        const QImage image = TiffToImage(path);
        ExpectImage(image, params);
        EXPECT_EQ(CompareWithLibTiff(path, image), 0) << what;
        EXPECT_EQ(DecodeBytes(file), image) << what;
        // The BMP file: bottom-up rows of 1, 8 or 24 bits behind a table of 2, 256 or no colours.
        const QByteArray bmp = TiffToBmp(path);
        const int bits = image.format() == QImage::Format_RGB888 ? 24 : image.depth();
        EXPECT_EQ(test::GetLe(bmp, 10, 4), 54u + 4u * image.colorCount()) << what;
        EXPECT_EQ(test::GetLe(bmp, 22, 4), std::uint32_t(params.height)) << what;
        EXPECT_EQ(test::GetLe(bmp, 28, 2), std::uint32_t(bits)) << what;
        EXPECT_EQ(QImage::fromData(bmp, "BMP").convertToFormat(QImage::Format_RGB32),
                  image.convertToFormat(QImage::Format_RGB32))
            << what;
        EXPECT_EQ(params.bigEndian ? littleEndian : bmp, bmp) << what;
        littleEndian = bmp;
        EXPECT_EQ(TiffToBmpPreview(path), bmp) << what;
    }
    std::vector<TiffParams> more;
    for (bool lzw : {true, false}) {  // 100 rows in strips of 8: the last strip gives 4 rows
        TiffParams s = Params(TiffKind::Grey);
        s.height = 100;
        s.rowsPerStrip = 8;
        s.lzw = s.byteCounts = lzw;  // the raw file also lacks byte counts
        more.push_back(s);
    }
    // compressed strip longer than the raw image
    more.push_back(
        Params(TiffKind::Rgb, [](TiffParams& s) { s.width = 3, s.height = 2, s.lzw = true; }));
    for (const TiffParams& params : more)
        ExpectImage(DecodeBytes(test::BuildTiff(params)), params);
    EXPECT_TRUE(TiffToBmp(dir.filePath("missing.tif")).isEmpty());
}

// The reader's classification, the record and type text it gives, and whether the own decoder
// takes the file.
TEST(TiffInfo, VariantsAreClassified)
{
    using K = TiffKind;
    using S = TiffParams&;
    const struct {
        const char* name;
        TiffParams params;
        TTifImageType type;
        bool unsupported;
        int bitsPerPixel;
        const char* typeText = nullptr;  // null: not checked
    } cases[] = {
        {"grey", Params(K::Grey), itGrayscale, false, 8, "Gray "},
        {"palette", Params(K::Palette), itPalette, false, 8, "256 colors "},
        {"bilevel", Params(K::Bilevel), itBilevel, false, 1, "Monochrom "},
        {"white is zero", Params(K::Bilevel, [](S s) { s.photometric = 0; }), itBilevel, false, 1,
         "Monochrom "},
        {"rgb", Params(K::Rgb), itRGB, false, 24, "RGB "},
        {"lzw with a name", Params(K::Rgb, [](S s) { s.lzw = true, s.documentName = "doc"; }),
         itRGB, false, 24, "RGB (LZW)"},
        {"cmyk", Params(K::Cmyk), itCMYK, false, 32, "CMYK "},
        {"16-bit grey", Params(K::Grey, [](S s) { s.bitsPerSample = 16; }), itGrayscale, true, 16},
        {"16-bit rgb", Params(K::Rgb, [](S s) { s.bitsPerSample = 16; }), itRGB, true, 48},
        {"4-bit palette", Params(K::Palette, [](S s) { s.bitsPerSample = 4; }), itPalette, true, 4},
        {"planar rgb", Params(K::Rgb, [](S s) { s.planar = true; }), itRGB, true, 24},
        {"rgba", Params(K::Rgb, [](S s) { s.alpha = true; }), itRGB, true, 32},
        {"grey with alpha", Params(K::Grey, [](S s) { s.alpha = true; }), itGrayscale, true, 16},
        {"jpeg compressed", Params(K::Rgb, [](S s) { s.compression = 7; }), itRGB, true, 24},
        {"predictor 3", Params(K::Rgb, [](S s) { s.lzw = true, s.predictor = 3; }), itRGB, true,
         24},
        {"differenced bilevel", Params(K::Bilevel, [](S s) { s.lzw = true, s.predictor = 2; }),
         itBilevel, true, 1},
        {"separated with 3 inks", Params(K::Rgb, [](S s) { s.photometric = 5; }), itUnknown, true,
         24},
        {"bits in reverse order", Params(K::Bilevel, [](S s) { s.shortTags.emplace_back(266, 2); }),
         itBilevel, true, 1},
        {"signed samples", Params(K::Grey, [](S s) { s.shortTags.emplace_back(339, 2); }),
         itGrayscale, true, 8},
        {"tiled", Params(K::Grey, [](S s) { s.shortTags.emplace_back(322, 16); }), itGrayscale,
         true, 8},
        {"YCbCr", Params(K::Rgb, [](S s) { s.photometric = 6; }), itUnknown, true, 24},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = test::WriteFile(dir.path(), "v.tif", test::BuildTiff(c.params));
        TTifInfo info;
        ASSERT_TRUE(ReadTiffInfo(path, info));
        EXPECT_EQ(info.ImageType, c.type);
        EXPECT_EQ(info.Unsupported, c.unsupported);
        EXPECT_EQ(info.BitsPerPixel, c.bitsPerPixel);
        EXPECT_EQ(QSize(info.ImageWidth, info.ImageHeight), QSize(c.params.width, c.params.height));
        EXPECT_EQ(TiffToImage(path).isNull(), c.unsupported);
        if (!c.typeText)
            continue;
        TUniInfoRec uni;
        ASSERT_TRUE(GetUniInfo(path, ifTIFF, uni));
        EXPECT_TRUE(uni.Valid);
        EXPECT_EQ(QSize(uni.Width, uni.Height), QSize(c.params.width, c.params.height));
        EXPECT_EQ(TypeText(ifTIFF, uni.ColorDepth, uni.SubType), c.typeText);
        EXPECT_EQ(uni.Comment, QString::fromLatin1(c.params.documentName));
        EXPECT_EQ(DetectFormat(path, uni), ifTIFF);
    }
}

TEST(TiffInfo, FilesThatAreNotTiffAreRejected)
{
    QTemporaryDir dir;
    const QByteArray tiff = test::BuildTiff({});
    const struct { const char* name; QByteArray data; } cases[] = {
        {"text.tif", "This is a text file named .tif, not an image."},
        {"empty.tif", {}},
        {"wrong magic.tif", QByteArray("II\x2B\x00", 4) + tiff.mid(4)},
        {"mixed order.tif", "IM" + tiff.mid(2)},
        {"directory past end.tif", tiff.left(4) + QByteArray("\xF0\xFF\x00\x00", 4) + tiff.mid(8)},
        {"negative directory offset.tif",
         tiff.left(4) + QByteArray("\x00\x00\x00\x80", 4) + tiff.mid(8)},
        {"cut in the directory.tif", tiff.left(tiff.size() - 20)},
    };
    for (const auto& c : cases) {
        const QString path = test::WriteFile(dir.path(), c.name, c.data);
        TTifInfo tif;
        EXPECT_FALSE(ReadTiffInfo(path, tif)) << c.name;
        TUniInfoRec info;
        EXPECT_FALSE(TiffUniInfo(path, info)) << c.name;
        EXPECT_TRUE(TiffToBmp(path).isEmpty()) << c.name;
    }
}

TiffParams Striped(bool lzw)
{
    TiffParams s;
    s.kind = TiffKind::Grey;
    s.height = 30;
    s.rowsPerStrip = 7;
    s.lzw = lzw;
    return s;
}

void Set(QByteArray& file, int tag, std::uint32_t count, std::uint32_t value)
{
    ASSERT_TRUE(test::SetTiffEntry(file, tag, count, value)) << tag;
}

TEST(TiffDecode, DamagedFilesGiveNoImage)
{
    const TiffParams single = Params(TiffKind::Rgb, [](TiffParams& s) { s.lzw = true; });
    const TiffParams palette = Params(TiffKind::Palette);
    // A file changed after it was built, and whether it must still decode.
    const struct {
        const char* name;
        TiffParams params;
        std::function<void(QByteArray&)> damage;
        bool decodes;
    } cases[] = {
        {"strip offset past the end", single,
         [](QByteArray& f) { Set(f, 273, 1, std::uint32_t(f.size()) + 100); }, false},
        {"byte count past the end is cut to the file", single,
         [](QByteArray& f) { Set(f, 279, 1, 0x7FFFFFFF); }, true},
        {"uncompressed strip past the end", Params(TiffKind::Rgb),
         [](QByteArray& f) { Set(f, 273, 1, std::uint32_t(f.size()) - 10); }, false},
        {"truncated lzw strip", single,
         [](QByteArray& f) { Set(f, 279, 1, test::TiffEntryValue(f, 279) / 2); }, false},
        {"lzw strip decodes to more than the image", single,
         [](QByteArray& f) { Set(f, 257, 1, 9); }, false},
        {"rows per strip 0", Striped(false), [](QByteArray& f) { Set(f, 278, 1, 0); }, false},
        {"more strips than the file can hold", Striped(true),
         [](QByteArray& f) { Set(f, 273, 0x40000000, test::TiffEntryValue(f, 273)); }, false},
        {"byte counts array past the end", Striped(true),
         [](QByteArray& f) { Set(f, 279, 5, std::uint32_t(f.size()) - 8); }, false},
        {"strips cover fewer rows than the image", Striped(false),
         [](QByteArray& f) { Set(f, 257, 1, 80); }, false},
        {"colour map past the end", palette,
         [](QByteArray& f) { Set(f, 320, 768, std::uint32_t(f.size()) - 100); }, false},
        {"no colour map offset", palette, [](QByteArray& f) { Set(f, 320, 768, 0xFFFFFFF0u); },
         false},
        {"width 0", single, [](QByteArray& f) { Set(f, 256, 1, 0); }, false},
        {"height 0", single, [](QByteArray& f) { Set(f, 257, 1, 0); }, false},
        {"width beyond 32 bits signed", single, [](QByteArray& f) { Set(f, 256, 1, 0x80000000u); },
         false},
        {"bmp over 1 GiB", single, [](QByteArray& f) { Set(f, 256, 1, 20000), Set(f, 257, 1, 20000); },
         false},
        {"no strip offsets", single, [](QByteArray& f) { Set(f, 273, 0, 0); }, false},
    };
    for (const auto& c : cases) {
        QByteArray file = test::BuildTiff(c.params);
        c.damage(file);
        const QImage image = DecodeBytes(file);
        if (c.decodes)
            ExpectImage(image, c.params);
        else
            EXPECT_TRUE(image.isNull()) << c.name;
    }
}

TEST(TiffDecode, EveryCutOfAFileIsSafe)
{
    TiffParams params = Striped(true);
    params.kind = TiffKind::Palette;
    params.predictor = 2;
    const QByteArray file = test::BuildTiff(params);
    const QImage whole = DecodeBytes(file);
    ASSERT_FALSE(whole.isNull());
    // Only the next-directory offset at the very end is not needed.
    for (qsizetype size = 0; size < file.size(); ++size) {
        const QImage image = DecodeBytes(file.left(size));
        EXPECT_TRUE(size >= file.size() - 4 ? image == whole : image.isNull()) << size;
    }
}

TEST(TiffPreview, EmbeddedThumbnailOnlyForLittleEndianFilesWithAValidBlock)
{
    test::JpegParams jpeg;
    jpeg.width = 40;
    jpeg.height = 24;
    TiffParams params;
    params.photoshopThumbnail = test::BuildJpeg(jpeg);
    const QSize full(params.width, params.height);
    const QSize thumbnail(40, 24);
    const auto block = [](const QByteArray& f) { return test::TiffEntryValue(f, 34377); };
    const struct {
        const char* name;
        bool bigEndian;
        std::function<void(QByteArray&)> damage;
        QSize previewSize;  // 0 x 0: no stream
    } cases[] = {
        {"little-endian", false, [](QByteArray&) {}, thumbnail},
        {"big-endian", true, [](QByteArray&) {}, full},
        {"damaged signature", false, [&](QByteArray& f) { f[block(f)] = 'X'; }, full},
        {"thumbnail is not a jpeg", false, [&](QByteArray& f) { f[block(f) + 72] = '\0'; }, full},
        {"block past the end", false, [&](QByteArray& f) { Set(f, 34377, 0x10000, block(f)); },
         QSize(0, 0)},
    };
    for (const auto& c : cases) {
        params.bigEndian = c.bigEndian;
        QByteArray file = test::BuildTiff(params);
        c.damage(file);
        EXPECT_EQ(DecodeBytes(file, true).size(), c.previewSize) << c.name;
        if (!c.previewSize.isEmpty())
            ExpectImage(DecodeBytes(file, false), params);
    }
}

// True when the first strip of the file is LZW of the old bit order, which is not decoded.
bool HasOldStyleLzw(const QString& path)
{
    const test::TiffPtr tif = test::OpenWithLibTiff(path);
    std::vector<std::uint8_t> raw(4);
    return tif && TIFFReadRawStrip(tif.get(), 0, raw.data(), 4) == 4 &&
           IsOldStyleLzw(raw.data(), raw.size());
}

TEST(TiffDifferential, CorpusFilesOfSupportedKindsMatchLibTiff)
{
    const QString folder = test::CorporaDir() + "/libtiff-test-images";
    if (test::CorporaDir().isEmpty() || !QFileInfo(folder).isDir())
        GTEST_SKIP() << "no corpora";
    int compared = 0;
    QDirIterator it(folder, {"*.tif", "*.tiff"}, QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        TTifInfo info;
        if (!ReadTiffInfo(path, info) || info.Unsupported)
            continue;
        const QImage ours = TiffToImage(path);
        if (ours.isNull()) {
            EXPECT_TRUE(LibTiffImage(path).isNull() || HasOldStyleLzw(path)) << qPrintable(path);
            continue;
        }
        EXPECT_EQ(CompareWithLibTiff(path, ours), 0) << qPrintable(path);
        ++compared;
    }
    EXPECT_GE(compared, 4);
}

}  // namespace
}  // namespace pixmarl
