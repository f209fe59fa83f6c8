// Writes sample images of every format the test builders can produce into the folder given on the
// command line, so that a fresh build has something to browse.

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "support/BmpBuilder.h"
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
    JpegSpec landscape;
    landscape.width = 640;
    landscape.height = 480;
    JpegSpec portrait;
    portrait.width = 300;
    portrait.height = 400;
    portrait.comment = "Sample with a comment";
    JpegSpec small;
    small.width = 48;
    small.height = 32;
    return Write(folder, "landscape.jpg", BuildJpeg(landscape)) &&
           Write(folder, "portrait.jpg", BuildJpeg(portrait)) &&
           Write(folder, "small.JPEG", BuildJpeg(small));
}

bool WriteBmpSamples(const QString& folder)
{
    BmpSpec rgb;
    rgb.width = 200;
    rgb.height = 150;
    BmpSpec palette;
    palette.width = 120;
    palette.height = 90;
    palette.bitCount = 8;
    return Write(folder, "rgb24.bmp", BuildBmp(rgb)) && Write(folder, "palette8.bmp", BuildBmp(palette));
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
        TiffSpec spec;
        spec.width = 240;
        spec.height = 180;
        spec.kind = sample.kind;
        spec.lzw = sample.lzw;
        spec.predictor = sample.lzw && sample.kind != TiffKind::Bilevel ? 2 : 1;
        spec.bigEndian = sample.bigEndian;
        spec.rowsPerStrip = 32;
        spec.documentName = sample.name;
        if (!Write(folder, sample.name, BuildTiff(spec)))
            return false;
    }
    JpegSpec thumbnail;
    thumbnail.width = 80;
    thumbnail.height = 60;
    TiffSpec withThumbnail;
    withThumbnail.width = 320;
    withThumbnail.height = 240;
    withThumbnail.lzw = true;
    withThumbnail.photoshopThumbnail = BuildJpeg(thumbnail);
    TiffSpec planar;
    planar.planar = true;
    return Write(folder, "photoshop-thumbnail.tif", BuildTiff(withThumbnail)) &&
           Write(folder, "planar-unsupported.tif", BuildTiff(planar));
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
    const bool ok = WriteJpegSamples(folder) && WriteBmpSamples(folder);
    if (!WriteTiffSamples(folder))
        return 1;
    return ok ? 0 : 1;
}
