// Header reading over a folder of camera-like JPEG files: JPEGUniInfo on every file against a raw
// baseline in the same run (open, read the first 4 KiB, close), in processor time, rounds
// alternating; the wall-time ratio is printed too. The generated files carry their
// frame header behind an Exif APP1 segment of 10 to 60 KiB that holds an embedded thumbnail, and
// further APPn segments, as camera files do; the real photographs of the shared corpora are added
// when they are there.
//
// Usage: bench_headers [generated file count, default 2000]

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include "BenchSupport.h"
#include "formats/RdJPGH.h"
#include "support/JpegBuilder.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

constexpr int kRuns = 15;

void PutLe16(QByteArray& out, int v)
{
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

void PutLe32(QByteArray& out, qint64 v)
{
    PutLe16(out, int(v & 0xFFFF));
    PutLe16(out, int((v >> 16) & 0xFFFF));
}

void PutEntry(QByteArray& out, int tag, int type, int count, qint64 value)
{
    PutLe16(out, tag);
    PutLe16(out, type);
    PutLe32(out, count);
    PutLe32(out, value);
}

// An Exif APP1 payload of about totalSize bytes: a little-endian TIFF structure whose IFD0 holds
// a make and a maker-note-like blob and whose IFD1 points at an embedded JPEG thumbnail.
QByteArray ExifPayload(int totalSize, const QByteArray& thumbnail)
{
    QByteArray tiff("II*\0", 4);
    PutLe32(tiff, 8);
    const int filler = std::max(0, totalSize - 6 - 70 - int(thumbnail.size()));
    const qint64 ifd1 = 8 + 2 + 2 * 12 + 4;
    const qint64 data = ifd1 + 2 + 2 * 12 + 4;
    PutLe16(tiff, 2);
    PutEntry(tiff, 0x010F, 2, 4, 0x004E4143);                    // Make "CAN"
    PutEntry(tiff, 0x927C, 7, filler, data + thumbnail.size());  // the blob after the thumbnail
    PutLe32(tiff, ifd1);
    PutLe16(tiff, 2);
    PutEntry(tiff, 0x0201, 4, 1, data);
    PutEntry(tiff, 0x0202, 4, 1, thumbnail.size());
    PutLe32(tiff, 0);
    tiff.append(thumbnail);
    for (int i = 0; i < filler; ++i)
        tiff.append(char((i * 37) & 0xFF));
    return QByteArray("Exif\0\0", 6) + tiff;
}

QByteArray CameraLikeJpeg(int index, const QByteArray& thumbnail)
{
    test::JpegParams params;
    params.width = 64 + index % 32;
    params.height = 48 + index % 16;
    params.quality = 80;
    const int exifSize = 10 * 1024 + (index * 7919) % (50 * 1024);
    params.markers.push_back({0xE1, ExifPayload(exifSize, thumbnail)});
    params.markers.push_back({0xE2, QByteArray("MPF\0", 4) + QByteArray(600, '\x11')});
    params.markers.push_back({0xED, QByteArray("Photoshop 3.0\0", 14) + QByteArray(300, '\x22')});
    return test::BuildJpeg(params);
}

QStringList MakeFiles(const QString& folder, int count)
{
    test::JpegParams thumbParams;
    thumbParams.width = 160;
    thumbParams.height = 120;
    thumbParams.quality = 75;
    const QByteArray thumbnail = test::BuildJpeg(thumbParams);
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path =
            QDir(folder).filePath(QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QChar(u'0')));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(CameraLikeJpeg(i, thumbnail)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        files << path;
    }
    return files;
}

QStringList CorpusPhotos()
{
    QStringList files;
    const QString root = QStringLiteral(PIXMARL_SHARED_DIR "/corpora/photos");
    QDirIterator it(root, {"*.jpg"}, QDir::Files);
    while (it.hasNext())
        files << it.next();
    return files;
}

// Processor time (user and system) of one call: on a machine shared with other work, wall time
// mostly measures the others.
double CpuTimeOnce(const std::function<void()>& fn)
{
    const std::clock_t start = std::clock();
    fn();
    return double(std::clock() - start) / CLOCKS_PER_SEC;
}

long RawReads(const std::vector<QByteArray>& names)
{
    char buffer[4096];
    long total = 0;
    for (const QByteArray& name : names) {
        const int fd = open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        total += read(fd, buffer, sizeof buffer);
        close(fd);
    }
    return total;
}

// The least any reader can do on these files: the first 4 KiB, then one more read where the
// segment after the APP1 starts (its length taken from bytes 22 and 23 of the JFIF layout).
long RawTwoReads(const std::vector<QByteArray>& names)
{
    unsigned char buffer[4096];
    long total = 0;
    for (const QByteArray& name : names) {
        const int fd = open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        total += pread(fd, buffer, sizeof buffer, 0);
        const off_t next = 22 + (buffer[22] << 8 | buffer[23]);
        total += pread(fd, buffer, sizeof buffer, next);
        close(fd);
    }
    return total;
}

long HeaderReads(const QStringList& files)
{
    long valid = 0;
    for (const QString& file : files) {
        TUniInfoRec info;
        valid += JPEGUniInfo(file, info) ? 1 : 0;
    }
    return valid;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    QTemporaryDir dir;
    QStringList files = MakeFiles(dir.path(), count);
    const QStringList photos = CorpusPhotos();
    files += photos;
    std::vector<QByteArray> names;
    for (const QString& file : files)
        names.push_back(QFile::encodeName(file));
    PrintFigure("generated-files", count, 0);
    PrintFigure("corpus-photos", photos.size(), 0);

    volatile long sink = RawReads(names) + HeaderReads(files);  // warm the page cache
    // Rounds alternate between the two so that a load change on the machine hits both alike.
    std::vector<double> raws;
    std::vector<double> reads;
    std::vector<double> ratios;
    std::vector<double> wallRatios;
    std::vector<double> twoReads;
    long valid = 0;
    for (int round = 0; round < kRuns; ++round) {
        twoReads.push_back(CpuTimeOnce([&] { sink = RawTwoReads(names); }));
        const double rawWall =
            TimeOnce([&] { raws.push_back(CpuTimeOnce([&] { sink = RawReads(names); })); });
        const double readWall =
            TimeOnce([&] { reads.push_back(CpuTimeOnce([&] { valid = HeaderReads(files); })); });
        ratios.push_back(reads.back() / raws.back());
        wallRatios.push_back(readWall / rawWall);
    }
    (void)sink;
    const double raw = Median(raws);
    const double headers = Median(reads);
    PrintFigure("valid-headers", valid, 0);
    PrintFigure("raw-open-read4k-close-cpu-ms", raw * 1000);
    PrintFigure("jpeguniinfo-cpu-ms", headers * 1000);
    PrintFigure("jpeguniinfo-cpu-us-per-file", headers * 1e6 / files.size());
    PrintFigure("ratio-headers-wall-vs-raw-wall", Median(wallRatios));
    PrintFigure("raw-two-reads-cpu-ms", Median(twoReads) * 1000);
    PrintFigure("ratio-headers-vs-raw", Median(ratios));
    PrintRatio("headers", "raw-two-reads", headers, Median(twoReads));
    return valid == files.size() ? 0 : 1;
}
