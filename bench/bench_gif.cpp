// GIF decoding and colour reduction against peers, in the same run:
// - a 100-frame 800 x 600 animation and a 12-megapixel still, decoded from memory by our reader and
//   by giflib's DGifSlurp;
// - ReduceToPalette on a 12-megapixel photo against `convert -colors 256 +dither` on the same
//   image (the full command, and the command less a plain conversion, i.e. its quantization).
//
// Usage: bench_gif [photo]   (default: a photograph of the shared corpora, else a synthetic image)

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gif_lib.h>

#include "BenchSupport.h"
#include "formats/ColorQuant.h"
#include "gif/GIFImage.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

constexpr int kRuns = 5;
constexpr int kFrames = 100;
const QSize kFrameSize(800, 600);
const QSize kPhotoSize(4000, 3000);

QImage SyntheticPhoto(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    unsigned noise = 12345;
    for (int y = 0; y < size.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            noise = noise * 1103515245u + 12345u;
            const int n = int((noise >> 16) % 24);
            line[x] = qRgb((x * 255 / size.width() + n) % 256, (y * 255 / size.height() + n) % 256,
                           ((x + y) / 16 + n) % 256);
        }
    }
    return image;
}

QImage Photo(int argc, char** argv)
{
    QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (path.isEmpty()) {
        const QString shared =
            qEnvironmentVariable("PIXMARL_SHARED", PIXMARL_SOURCE_DIR "/../shared");
        path = shared + "/corpora/photos/Kleiber_by_Lukas_Baubkus.jpg";
    }
    QImage photo(path);
    if (photo.isNull()) {
        std::printf("photo: synthetic\n");
        return SyntheticPhoto(kPhotoSize);
    }
    std::printf("photo: %s\n", qPrintable(QFileInfo(path).fileName()));
    return photo.scaled(kPhotoSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

QByteArray AnimatedGif(const QImage& photo)
{
    QImage frames = photo.scaled(kFrameSize.width() + kFrames * 2, kFrameSize.height(),
                                 Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    ReduceToPalette(frames);
    TGIFImage gif;
    for (int i = 0; i < kFrames; ++i) {
        TGIFSubImage& frame =
            gif.Add(frames.copy(i * 2, 0, kFrameSize.width(), kFrameSize.height()));
        auto control = std::make_unique<TGIFGraphicControlExtension>();
        control->Delay = 4;
        frame.AddExtension(std::move(control));
    }
    return gif.SaveToData();
}

QByteArray StillGif(const QImage& photo)
{
    QImage still = photo;
    ReduceToPalette(still);
    TGIFImage gif;
    gif.Add(still);
    return gif.SaveToData();
}

struct Memory {
    const QByteArray* data;
    qsizetype pos;
};

int ReadMemory(GifFileType* gif, GifByteType* buffer, int size)
{
    auto* m = static_cast<Memory*>(gif->UserData);
    const qsizetype n = std::min<qsizetype>(size, m->data->size() - m->pos);
    std::memcpy(buffer, m->data->constData() + m->pos, std::size_t(n));
    m->pos += n;
    return int(n);
}

int GiflibSlurp(const QByteArray& data)
{
    Memory m{&data, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&m, ReadMemory, &error);
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
        std::fprintf(stderr, "giflib failed\n");
        std::exit(1);
    }
    const int frames = gif->ImageCount;
    DGifCloseFile(gif, &error);
    return frames;
}

int OurLoad(const QByteArray& data)
{
    TGIFImage gif;
    gif.LoadFromData(data);
    return gif.Count();
}

double CompareDecode(const char* name, const QByteArray& data)
{
    if (OurLoad(data) != GiflibSlurp(data)) {
        std::fprintf(stderr, "frame counts differ\n");
        std::exit(1);
    }
    const double ours = MedianTime(kRuns, [&] { OurLoad(data); });
    const double giflib = MedianTime(kRuns, [&] { GiflibSlurp(data); });
    PrintFigure(std::string("gif-") + name + "-ms", ours * 1000);
    PrintFigure(std::string("giflib-") + name + "-ms", giflib * 1000);
    PrintRatio(std::string("gif-") + name, "giflib", ours, giflib);
    return ours / giflib;
}

double RunConvert(const QStringList& args)
{
    return MedianTime(3, [&] {
        if (QProcess::execute("convert", args) != 0) {
            std::fprintf(stderr, "convert failed\n");
            std::exit(1);
        }
    });
}

void CompareQuantize(const QImage& photo)
{
    const QImage rgb = photo.convertToFormat(QImage::Format_RGB888);
    const double ours = MedianTime(kRuns, [&] {
        QImage copy = rgb;
        ReduceToPalette(copy);
    });
    QTemporaryDir dir;
    const QString in = dir.filePath("photo.ppm");
    rgb.save(in, "PPM");
    const QString out = dir.filePath("out.ppm");
    const double quantizing = RunConvert({in, "+dither", "-colors", "256", out});
    const double plain = RunConvert({in, out});
    PrintFigure("quantize-12mp-ms", ours * 1000);
    PrintFigure("convert-colors-256-ms", quantizing * 1000);
    PrintFigure("convert-plain-ms", plain * 1000);
    PrintRatio("quantize", "convert", ours, quantizing);
    PrintRatio("quantize", "convert-quantize-only", ours, quantizing - plain);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QImage photo = Photo(argc, argv);
    const QByteArray animated = AnimatedGif(photo);
    const QByteArray still = StillGif(photo);
    PrintFigure("animated-gif-kb", double(animated.size()) / 1024, 0);
    PrintFigure("still-gif-kb", double(still.size()) / 1024, 0);
    const double a = CompareDecode("animated", animated);
    const double s = CompareDecode("still", still);
    PrintRatio("gif", "giflib", a + s, 2.0);
    CompareQuantize(photo);
    return 0;
}
