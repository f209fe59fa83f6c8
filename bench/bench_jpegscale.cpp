// The thumbnail decode: a 12-megapixel JPEG decoded at 1/8 with the fast integer DCT, N times in
// this process, against the library's own command-line decoder doing the same (djpeg -scale 1/8
// -dct fast) N times, minus N runs of djpeg on a tiny file so that process start-up is not
// counted. Both figures are per decode.
//
// Usage: bench_jpegscale [file, default: a 12-megapixel photograph of the shared corpora, else a
// generated 4000 x 3000 image]

#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <jpeglib.h>

#include "BenchSupport.h"
#include "formats/JPEGCodec.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

constexpr int kDecodes = 15;

// Smooth gradients with fine noise on top, so the entropy data is about as dense as a photo's.
QImage GeneratedPhoto(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    std::uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 27);
            line[3 * x] = uchar((x * 255 / width + noise) & 0xFF);
            line[3 * x + 1] = uchar((y * 255 / height + noise) & 0xFF);
            line[3 * x + 2] = uchar(((x ^ y) & 0x3F) + noise * 4);
        }
    }
    return image;
}

QString TestFile(const QString& scratch, int argc, char* argv[])
{
    if (argc > 1)
        return QString::fromLocal8Bit(argv[1]);
    const QString photo =
        QStringLiteral(PIXMARL_SHARED_DIR "/corpora/photos/sunset_by_Aitzol_Berasategi.jpg");
    if (QFile::exists(photo))
        return photo;
    const QString path = scratch + "/generated-12mp.jpg";
    if (!SaveJpegFile(GeneratedPhoto(4000, 3000), path, {90, false, false}))
        std::exit(1);
    return path;
}

double DjpegRuns(const QString& djpeg, const QString& file)
{
    return TimeOnce([&] {
        for (int i = 0; i < kDecodes; ++i) {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            process.start(djpeg, {"-scale", "1/8", "-dct", "fast", file});
            if (!process.waitForFinished(-1) || process.exitCode() != 0) {
                std::fprintf(stderr, "djpeg failed on %s\n", qPrintable(file));
                std::exit(1);
            }
        }
    });
}

// The same decode with bare libjpeg calls and its default error handler, as djpeg makes them.
void BareDecode(const QString& file)
{
    std::FILE* in = std::fopen(QFile::encodeName(file).constData(), "rb");
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    cinfo.dct_method = JDCT_IFAST;
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    std::vector<JSAMPLE> row(size_t(cinfo.output_width) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString djpeg = QStandardPaths::findExecutable("djpeg");
    if (djpeg.isEmpty()) {
        std::fprintf(stderr, "djpeg is not installed\n");
        return 1;
    }
    QTemporaryDir scratch;
    const QString file = TestFile(scratch.path(), argc, argv);
    const QString tiny = scratch.path() + "/tiny.jpg";
    SaveJpegFile(GeneratedPhoto(8, 8), tiny, {});

    TJpegDecodeOptions options;
    options.ScaleDenom = 8;
    options.DctMethod = dmIfast;
    TJpegDecodeResult result = DecodeJpegFile(file, options);  // warm the page cache
    if (!result.Ok()) {
        std::fprintf(stderr, "cannot decode %s: %s\n", qPrintable(file), qPrintable(result.Error));
        return 1;
    }
    PrintFigure("megapixels", double(result.FullSize.width()) * result.FullSize.height() / 1e6);
    DjpegRuns(djpeg, file);

    std::vector<double> ours;
    std::vector<double> theirs;
    std::vector<double> bare;
    for (int round = 0; round < 5; ++round) {
        bare.push_back(TimeOnce([&] {
                           for (int i = 0; i < kDecodes; ++i)
                               BareDecode(file);
                       }) /
                       kDecodes);
        ours.push_back(TimeOnce([&] {
                           for (int i = 0; i < kDecodes; ++i)
                               result = DecodeJpegFile(file, options);
                       }) /
                       kDecodes);
        const double full = DjpegRuns(djpeg, file);
        const double empty = DjpegRuns(djpeg, tiny);
        theirs.push_back((full - empty) / kDecodes);
    }
    const double ourDecode = Median(ours);
    const double djpegDecode = Median(theirs);
    PrintFigure("decode-1-8-fast-ms", ourDecode * 1000);
    PrintFigure("djpeg-1-8-fast-ms", djpegDecode * 1000);
    PrintFigure("bare-libjpeg-1-8-fast-ms", Median(bare) * 1000);
    PrintRatio("jpeg18", "djpeg", ourDecode, djpegDecode);
    PrintRatio("jpeg18", "bare-libjpeg", ourDecode, Median(bare));
    return 0;
}
