// Thumbnails at box 96 of the files the own TIFF reader leaves to libtiff (one folder per kind:
// Deflate, JPEG, PackBits, CCITT G3 and G4, tiled, 16-bit, planar, three pages of one size) and of
// PNG and WebP files, made by MakeThumbnail one after the other, against vipsthumbnail with one
// thread on the same files in the same run. The pictures are the corpus photographs at 1024 pixels
// (PNG and WebP at 800), each folder holding hard links to one file per photograph.
//
// Usage: bench_formats [files per TIFF kind, default 40] [PNG and WebP files, default 200]

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <QCoreApplication>
#include <QDir>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "filelist/DJPEG.h"
#include "formats/Images.h"
#include "support/LibTiffFiles.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

constexpr int kBox = 96;
constexpr int kRounds = 5;

std::vector<QImage> Photos(int edge)
{
    const QDir dir(qEnvironmentVariable("PIXMARL_SHARED", PIXMARL_SHARED_DIR) + "/corpora/photos");
    std::vector<QImage> photos;
    for (const QString& name : dir.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name)) {
        const QImage photo(dir.filePath(name));
        if (!photo.isNull())
            photos.push_back(photo.scaled(edge, edge, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_RGB888));
    }
    return photos;
}

// count names in folder, hard links to the written files in turn.
QStringList LinkNames(const QString& folder, const QStringList& written, int count,
                      const QString& suffix)
{
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString name =
            QDir(folder).filePath(QStringLiteral("f%1").arg(i, 4, 10, QChar('0')) + suffix);
        std::error_code error;
        std::filesystem::create_hard_link(written.at(i % written.size()).toStdString(),
                                          name.toStdString(), error);
        if (error)
            QFile::copy(written.at(i % written.size()), name);
        files << name;
    }
    return files;
}

// Writes one file per photo with write(photo, path) and gives count names for them.
QStringList MakeFolder(const QString& folder, const std::vector<QImage>& photos, int count,
                       const QString& suffix,
                       const std::function<bool(const QImage&, const QString&)>& write)
{
    QDir().mkpath(folder + "/written");
    QStringList written;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const QString path = folder + QStringLiteral("/written/p%1").arg(i) + suffix;
        if (write(photos[i], path))
            written << path;
    }
    if (written.isEmpty()) {
        std::printf("could not write %s files\n", qPrintable(suffix));
        std::exit(1);
    }
    return LinkNames(folder, written, count, suffix);
}

struct TKind {
    const char* name;
    int compression;
    void (*change)(test::LibTiffParams&);
};

const TKind kTiffKinds[] = {
    {"deflate", COMPRESSION_ADOBE_DEFLATE, nullptr},
    {"jpeg", COMPRESSION_JPEG, nullptr},
    {"packbits", COMPRESSION_PACKBITS, nullptr},
    {"fax-g3", COMPRESSION_CCITTFAX3,
     [](test::LibTiffParams& p) { p.samples = 1, p.bitsPerSample = 1; }},
    {"fax-g4", COMPRESSION_CCITTFAX4,
     [](test::LibTiffParams& p) { p.samples = 1, p.bitsPerSample = 1; }},
    {"tiled", COMPRESSION_LZW, [](test::LibTiffParams& p) { p.tileSize = 256; }},
    {"16-bit", COMPRESSION_ADOBE_DEFLATE, [](test::LibTiffParams& p) { p.bitsPerSample = 16; }},
    {"planar", COMPRESSION_LZW, [](test::LibTiffParams& p) { p.planar = true; }},
    {"three-pages", COMPRESSION_ADOBE_DEFLATE,
     [](test::LibTiffParams& p) { p.pages = 3, p.samePageSize = true; }},
};

bool WriteTiff(const TKind& kind, const QImage& photo, const QString& path)
{
    test::LibTiffParams params;
    params.width = photo.width();
    params.height = photo.height();
    params.compression = kind.compression;
    params.source = photo;
    if (kind.change != nullptr)
        kind.change(params);
    return test::WriteLibTiff(path, params);
}

bool WriteWithQt(const QImage& photo, const QString& path, const char* format, int quality)
{
    QImageWriter writer(path, format);
    writer.setQuality(quality);
    return writer.write(photo);
}

// MakeThumbnail over every file, one after the other; failures are counted.
int Ours(const QStringList& files)
{
    TThumbOptions options;
    options.dontSizeSmall = true;
    int failed = 0;
    quint64 id = 0;
    for (const QString& file : files)
        failed += MakeThumbnail(TThumbRequest{file, ++id}, kBox, options).failed ? 1 : 0;
    return failed;
}

void Vips(const QStringList& files, const QString& out)
{
    QProcess process;
    process.start(
        QStringLiteral("vipsthumbnail"),
        QStringList{"--vips-concurrency=1", "-s", QString::number(kBox), "-o", out + "/%s-v.jpg"} +
            files);
    process.waitForFinished(-1);
}

struct TTotals {
    double ours = 0;
    double vips = 0;
};

void Compare(const std::string& name, const QStringList& files, const QString& out, TTotals& totals)
{
    // The two take turns, so that a change of the machine's load falls on both.
    int failed = 0;
    std::vector<double> oursTimes, vipsTimes;
    for (int round = 0; round < kRounds; ++round) {
        oursTimes.push_back(TimeOnce([&] { failed = Ours(files); }));
        vipsTimes.push_back(TimeOnce([&] { Vips(files, out); }));
    }
    const double ours = Median(oursTimes);
    const double vips = Median(vipsTimes);
    const double n = double(files.size());
    PrintFigure(name + "-ms-per-image", ours * 1000 / n);
    PrintFigure(name + "-vips-ms-per-image", vips * 1000 / n);
    PrintRatio(name, "vips", ours, vips);
    if (failed > 0)
        PrintFigure(name + "-failed", failed, 0);
    totals.ours += ours;
    totals.vips += vips;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    SetImageAllocationLimit();
    const int perTiffKind = argc > 1 ? std::atoi(argv[1]) : 40;
    const int perFormat = argc > 2 ? std::atoi(argv[2]) : 200;
    if (QStandardPaths::findExecutable(QStringLiteral("vipsthumbnail")).isEmpty()) {
        std::printf("vipsthumbnail is missing (scripts/install-deps.sh --bench)\n");
        return 0;
    }
    const std::vector<QImage> tiffPhotos = Photos(1024);
    const std::vector<QImage> smallPhotos = Photos(800);
    if (tiffPhotos.empty()) {
        std::printf("no corpus photos found\n");
        return 0;
    }
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    QDir().mkpath(out);
    TTotals tiff, all;
    for (const TKind& kind : kTiffKinds) {
        const QStringList files = MakeFolder(
            dir.filePath(kind.name), tiffPhotos, perTiffKind, ".tif",
            [&](const QImage& photo, const QString& path) { return WriteTiff(kind, photo, path); });
        Compare(std::string("tiff-") + kind.name, files, out, tiff);
    }
    PrintRatio("tiff-all", "vips", tiff.ours, tiff.vips);
    all = tiff;
    const struct {
        const char* name;
        const char* suffix;
        const char* format;
        int quality;
    } formats[] = {{"png", ".png", "png", -1},
                   {"webp-lossy", ".webp", "webp", 80},
                   {"webp-lossless", ".webp", "webp", 100}};
    for (const auto& f : formats) {
        const QStringList files =
            MakeFolder(dir.filePath(f.name), smallPhotos, perFormat, f.suffix,
                       [&](const QImage& photo, const QString& path) {
                           return WriteWithQt(photo, path, f.format, f.quality);
                       });
        Compare(f.name, files, out, all);
    }
    PrintRatio("all", "vips", all.ours, all.vips);
    return 0;
}
