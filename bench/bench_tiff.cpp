// Decoding 4000 x 3000 TIFF files into images (TiffToImage, as the viewer and the thumbnails do;
// also TiffToBmp) against libtiff's TIFFReadRGBAImage, in the same run: RGB with LZW and the horizontal predictor, and 8-bit grey (uncompressed and LZW). The
// files are written by libtiff from a photograph of the shared corpora (a smooth synthetic
// picture with noise when the corpora are missing), in strips of 16 rows as common writers do.
//
// Usage: bench_tiff [runs, default 5]

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <tiffio.h>

#include "BenchSupport.h"
#include "formats/TIFiles.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

QImage SourcePicture()
{
    const QString photo = qEnvironmentVariable("PIXMARL_SHARED", PIXMARL_SHARED_DIR) +
                          "/corpora/photos/Fossa_by_Jasper_Roks.jpg";
    QImage image(photo);
    if (!image.isNull())
        return image.scaled(kWidth, kHeight).convertToFormat(QImage::Format_RGB888);
    image = QImage(kWidth, kHeight, QImage::Format_RGB888);
    std::mt19937 random(7);
    for (int y = 0; y < kHeight; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < kWidth * 3; ++x)
            row[x] =
                uchar((x / 3 * 255 / kWidth + y * 255 / kHeight + x % 3 * 40) / 2 + random() % 8);
    }
    return image;
}

bool WriteWithLibTiff(const QString& path, const QImage& image, bool grey, bool lzw)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    const QImage pixels = grey ? image.convertToFormat(QImage::Format_Grayscale8) : image;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(pixels.width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(pixels.height()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, grey ? 1 : 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, lzw ? COMPRESSION_LZW : COMPRESSION_NONE);
    if (lzw)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
    bool ok = true;
    for (int y = 0; y < pixels.height() && ok; ++y)
        ok = TIFFWriteScanline(tif, const_cast<uchar*>(pixels.constScanLine(y)), std::uint32_t(y),
                               0) == 1;
    TIFFClose(tif);
    return ok;
}

bool DecodeWithLibTiff(const QString& path, std::vector<std::uint32_t>& raster)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tif)
        return false;
    const bool ok = TIFFReadRGBAImage(tif, kWidth, kHeight, raster.data(), 0) == 1;
    TIFFClose(tif);
    return ok;
}

void Compare(const char* what, const QString& path, int runs)
{
    std::vector<std::uint32_t> raster(std::size_t(kWidth) * kHeight);
    if (TiffToImage(path).isNull() || !DecodeWithLibTiff(path, raster)) {
        std::fprintf(stderr, "%s: decode failed\n", what);
        std::exit(1);
    }
    const double ours = MedianTime(runs, [&] { TiffToImage(path); });
    const double bmp = MedianTime(runs, [&] { TiffToBmp(path); });
    const double theirs = MedianTime(runs, [&] { DecodeWithLibTiff(path, raster); });
    PrintFigure(std::string(what) + "-file-mb", double(QFile(path).size()) / 1e6);
    PrintFigure(std::string(what) + "-tiff-ms", ours * 1000);
    PrintFigure(std::string(what) + "-bmp-ms", bmp * 1000);
    PrintFigure(std::string(what) + "-libtiff-ms", theirs * 1000);
    PrintRatio(what, "libtiff", ours, theirs);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    TIFFSetWarningHandler(nullptr);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    QTemporaryDir dir;
    const QImage picture = SourcePicture();
    const QString rgb = dir.filePath("rgb-lzw-predictor.tif");
    const QString grey = dir.filePath("grey.tif");
    const QString greyLzw = dir.filePath("grey-lzw-predictor.tif");
    if (!WriteWithLibTiff(rgb, picture, false, true) ||
        !WriteWithLibTiff(grey, picture, true, false) ||
        !WriteWithLibTiff(greyLzw, picture, true, true)) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 1;
    }
    Compare("tiff", rgb, runs);
    Compare("tiff-grey", grey, runs);
    Compare("tiff-grey-lzw", greyLzw, runs);
    return 0;
}
