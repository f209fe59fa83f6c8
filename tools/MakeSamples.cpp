// Writes sample images of every format the test builders can produce into the folder given on the
// command line, so that a fresh build has something to browse.

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "formats/ColorQuant.h"
#include "gif/GIFImage.h"
#include "support/AviBuilder.h"
#include "support/BmpBuilder.h"
#include "support/GifBuilder.h"
#include "support/JpegBuilder.h"
#include "support/TiffBuilder.h"

namespace {

using namespace pixmarl::test;

bool Write(const QString& folder, const QString& name, const QByteArray& data)
{
    QFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

bool WriteJpegSamples(const QString& folder)
{
    JpegParams landscape;
    landscape.width = 640;
    landscape.height = 480;
    JpegParams portrait;
    portrait.width = 300;
    portrait.height = 400;
    portrait.comment = "Sample with a comment";
    JpegParams small;
    small.width = 48;
    small.height = 32;
    return Write(folder, "landscape.jpg", BuildJpeg(landscape)) &&
           Write(folder, "portrait.jpg", BuildJpeg(portrait)) &&
           Write(folder, "small.JPEG", BuildJpeg(small));
}

// One file per kind of JPEG the header readers and the codec tell apart.
bool WriteJpegKindSamples(const QString& folder)
{
    JpegParams commented;
    commented.width = 320;
    commented.height = 240;
    commented.comment = "A comment written by the sample generator";
    JpegParams progressive = commented;
    progressive.comment.clear();
    progressive.progressive = true;
    JpegParams grey = progressive;
    grey.progressive = false;
    grey.components = 1;
    JpegParams cmyk = grey;
    cmyk.components = 4;
    return Write(folder, "commented.jpg", BuildJpeg(commented)) &&
           Write(folder, "progressive.jpg", BuildJpeg(progressive)) &&
           Write(folder, "greyscale.jpg", BuildJpeg(grey)) &&
           Write(folder, "cmyk.jpg", BuildJpeg(cmyk));
}

bool WriteBmpKindSamples(const QString& folder)
{
    BmpParams rle8;
    rle8.width = 160;
    rle8.height = 120;
    rle8.bitCount = 8;
    rle8.compression = 1;
    BmpParams rle4 = rle8;
    rle4.bitCount = 4;
    rle4.compression = 2;
    BmpParams topDown;
    topDown.width = 160;
    topDown.height = 120;
    topDown.topDown = true;
    return Write(folder, "rle8.bmp", BuildBmp(rle8)) && Write(folder, "rle4.bmp", BuildBmp(rle4)) &&
           Write(folder, "topdown.bmp", BuildBmp(topDown));
}

bool WriteBmpSamples(const QString& folder)
{
    BmpParams rgb;
    rgb.width = 200;
    rgb.height = 150;
    BmpParams palette;
    palette.width = 120;
    palette.height = 90;
    palette.bitCount = 8;
    return Write(folder, "rgb24.bmp", BuildBmp(rgb)) &&
           Write(folder, "palette8.bmp", BuildBmp(palette));
}

bool WriteTiffSamples(const QString& folder)
{
    const struct {
        const char* name;
        TiffKind kind;
        bool lzw;
        bool bigEndian;
    } samples[] = {
        {"rgb-lzw.tif", TiffKind::Rgb, true, false},
        {"rgb-motorola.tif", TiffKind::Rgb, false, true},
        {"grey.tif", TiffKind::Grey, false, false},
        {"palette-lzw.tiff", TiffKind::Palette, true, true},
        {"bilevel.tif", TiffKind::Bilevel, true, false},
        {"cmyk.tif", TiffKind::Cmyk, false, false},
    };
    for (const auto& sample : samples) {
        TiffParams params;
        params.width = 240;
        params.height = 180;
        params.kind = sample.kind;
        params.lzw = sample.lzw;
        params.predictor = sample.lzw && sample.kind != TiffKind::Bilevel ? 2 : 1;
        params.bigEndian = sample.bigEndian;
        params.rowsPerStrip = 32;
        params.documentName = sample.name;
        if (!Write(folder, sample.name, BuildTiff(params)))
            return false;
    }
    JpegParams thumbnail;
    thumbnail.width = 80;
    thumbnail.height = 60;
    TiffParams withThumbnail;
    withThumbnail.width = 320;
    withThumbnail.height = 240;
    withThumbnail.lzw = true;
    withThumbnail.photoshopThumbnail = BuildJpeg(thumbnail);
    TiffParams planar;
    planar.planar = true;
    return Write(folder, "photoshop-thumbnail.tif", BuildTiff(withThumbnail)) &&
           Write(folder, "planar-unsupported.tif", BuildTiff(planar));
}

// A square that bounces across the screen, drawn over a striped first frame and cleared to the
// background after each step; plays forever.
QByteArray BouncingSquare()
{
    constexpr int kWidth = 120;
    constexpr int kHeight = 90;
    constexpr int kSide = 20;
    GifParams params;
    params.width = kWidth;
    params.height = kHeight;
    GifFrameParams stripes;
    stripes.width = kWidth;
    stripes.height = kHeight;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            stripes.pixels.push_back(std::uint8_t(((x + y) / 10) % 2 == 0 ? 0 : 2));
    stripes.loops = 0;
    stripes.control = GifControl{1, false, 0, 20};
    stripes.comment = "Pixmarl sample animation";
    params.frames = {stripes};
    for (int step = 0; step < 8; ++step) {
        GifFrameParams square;
        square.left = step * (kWidth - kSide) / 7;
        square.top = (step % 4) * (kHeight - kSide) / 3;
        square.width = kSide;
        square.height = kSide;
        square.pixels.assign(kSide * kSide, std::uint8_t(1 + 2 * (step % 2)));
        square.control = GifControl{3, false, 0, 12};
        params.frames.push_back(square);
    }
    return BuildGif(params);
}

// A photo-like gradient reduced to 256 colours and written interlaced by the codec itself.
QByteArray InterlacedGradient()
{
    QImage image(240, 160, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / 239, y * 255 / 159, (x + y) * 255 / 398));
    pixmarl::ReduceToPalette(image);
    pixmarl::TGIFImage gif;
    gif.Add(image).SetInterlaced(true);
    return gif.SaveToData();
}

bool WriteGifSamples(const QString& folder)
{
    GifParams still;
    still.version = "87a";
    still.width = 64;
    still.height = 48;
    still.frames[0].width = 64;
    still.frames[0].height = 48;
    return Write(folder, "still.gif", BuildGif(still)) &&
           Write(folder, "animated.gif", BouncingSquare()) &&
           Write(folder, "interlaced.GIF", InterlacedGradient());
}

// A short clip per codec the builder writes, one with sound, and a sound-only file that is listed
// without header information.
bool WriteAviSamples(const QString& folder)
{
    using pixmarl::test::AviCodec;
    using pixmarl::test::BuildAvi;
    using pixmarl::test::MakeAviParams;
    pixmarl::test::AviParams mjpeg = MakeAviParams(AviCodec::Mjpeg, 160, 120, 12);
    mjpeg.rate = 6;
    mjpeg.sound = true;
    pixmarl::test::AviParams palette = MakeAviParams(AviCodec::Pal8, 64, 48, 8);
    palette.rate = 4;
    pixmarl::test::AviParams sound;
    sound.video = false;
    sound.sound = true;
    return Write(folder, "mjpeg-sound.avi", BuildAvi(mjpeg)) &&
           Write(folder, "rgb24.avi", BuildAvi(MakeAviParams(AviCodec::Rgb24, 80, 60, 10))) &&
           Write(folder, "palette8.AVI", BuildAvi(palette)) &&
           Write(folder, "sound-only.avi", BuildAvi(sound));
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pixmarl_samples <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const bool ok = WriteJpegSamples(folder) && WriteJpegKindSamples(folder) &&
                    WriteBmpSamples(folder) && WriteBmpKindSamples(folder) &&
                    WriteTiffSamples(folder) && WriteGifSamples(folder) && WriteAviSamples(folder);
    return ok ? 0 : 1;
}
