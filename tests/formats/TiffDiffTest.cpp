// The same files decoded by TiffToBmp and by libtiff must give the same pixels. CMYK is the
// exception: libtiff multiplies the inks, the program subtracts them, so for CMYK libtiff only
// decodes the samples and the subtraction rule is applied to them here.

#include <gtest/gtest.h>

#include <vector>

#include <QDirIterator>
#include <QImage>
#include <QTemporaryDir>

#include <tiffio.h>

#include "formats/LZW.h"
#include "formats/TIFiles.h"
#include "support/TestFiles.h"
#include "support/TiffBuilder.h"

namespace pixmarl {
namespace {

using test::TiffKind;
using test::TiffSpec;

struct TTiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TTiffPtr = std::unique_ptr<TIFF, TTiffCloser>;

TTiffPtr OpenWithLibTiff(const QString& path)
{
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    return TTiffPtr(TIFFOpen(QFile::encodeName(path).constData(), "r"));
}

int Light(int ink, int black)
{
    return ink + black >= 255 ? 0 : 255 - ink - black;
}

// libtiff's decode, top row first; null when libtiff cannot decode the file. With bySubtraction,
// libtiff only decodes the CMYK samples and they are turned into colours by subtraction here.
QImage LibTiffImage(const QString& path, bool bySubtraction = false)
{
    TTiffPtr tif = OpenWithLibTiff(path);
    std::uint32_t width = 0, height = 0;
    if (!tif || !TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
        return {};
    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (bySubtraction) {
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
    std::vector<std::uint32_t> raster(std::size_t(width) * height);
    if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 0))
        return {};
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t v = raster[std::size_t(y) * width + x];
            image.setPixel(int(x), int(y), qRgb(TIFFGetR(v), TIFFGetG(v), TIFFGetB(v)));
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

TEST(TiffDifferential, BuilderFilesMatchLibTiff)
{
    QTemporaryDir dir;
    const TiffKind kinds[] = {TiffKind::Grey, TiffKind::Palette, TiffKind::Bilevel, TiffKind::Rgb,
                              TiffKind::Cmyk};
    int n = 0;
    for (TiffKind kind : kinds)
        for (int coding = 0; coding < 3; ++coding)
            for (int photometric : {-1, 0})
                for (bool bigEndian : {false, true}) {
                    if ((kind == TiffKind::Bilevel && coding == 2) ||
                        (photometric == 0 && kind != TiffKind::Grey && kind != TiffKind::Bilevel))
                        continue;
                    TiffSpec spec;
                    spec.kind = kind;
                    spec.width = 61;
                    spec.height = 47;
                    spec.rowsPerStrip = coding == 1 ? 0 : 5;
                    spec.lzw = coding > 0;
                    spec.predictor = coding == 2 ? 2 : 1;
                    spec.photometric = photometric;
                    spec.bigEndian = bigEndian;
                    const QString path = test::WriteFile(
                        dir.path(), QStringLiteral("f%1.tif").arg(n++), test::BuildTiff(spec));
                    const QImage ours = QImage::fromData(TiffToBmp(path), "BMP");
                    ASSERT_FALSE(ours.isNull()) << qPrintable(path);
                    EXPECT_EQ(CompareWithLibTiff(path, ours), 0) << qPrintable(path);
                }
}

// True when the first strip of the file is LZW of the old bit order, which is not decoded.
bool HasOldStyleLzw(const QString& path)
{
    TTiffPtr tif = OpenWithLibTiff(path);
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
        const QImage ours = QImage::fromData(TiffToBmp(path), "BMP");
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
