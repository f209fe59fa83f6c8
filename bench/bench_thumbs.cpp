// Thumbnails of real photographs through the whole pipeline (file list, thumbnail control, one
// worker, results stored in the items), against the bare limit (a plain reduced-scale decode of
// the same files at the scale the pipeline chose, fast DCT, output discarded, same process),
// vipsthumbnail with one thread and ImageMagick, all in the same run. Then the time to the first
// visible thumbnail after a folder of 1,000 photos is shown, and the heap held while scrolling
// through 2,000 items at box 288. Last, the thumbnail cache shared with other programs over 1,000
// photos: a first visit that fills an empty cache and a second one that reads it, against the
// pipeline without the cache, at boxes 96 and 288, in rounds that each start with an empty cache
// (the median of the rounds' ratios is printed).
//
// Usage: bench_thumbs [copies of the corpus photos, default 10] [cache photos, default 1000]
//                     [cache rounds, default 3]

#include <cstdio>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "filelist/DJPEG.h"
#include "filelist/FileLists.h"
#include "filelist/ThumbCtrls.h"
#include "filelist/ThumbDrivers.h"
#include "formats/JPEGCodec.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

// The whole pipeline over every file of folder at box; seconds.
double Pipeline(const QString& folder, int box, const TThumbOptions& options)
{
    TJPEGFileList list;
    TThumbCtrl ctrl;
    TThumbDriver driver(list, ctrl);
    driver.SetBox(box);
    driver.SetOptions(options);
    bool idle = false;
    QObject::connect(&driver, &TThumbDriver::OnIdle, [&] { idle = true; });
    return TimeOnce([&] {
        list.SetDirectory(folder);
        ctrl.SetMaxThumbs(list.Count());
        ctrl.Reset(list.Count());
        RunEventsUntil([&] { return idle; });
    });
}

// The bare reduced-scale decode of each file at the scale the pipeline picks; seconds.
double Bare(const QStringList& files, int box)
{
    return TimeOnce([&] {
        for (const QString& file : files) {
            QFile f(file);
            f.open(QIODevice::ReadOnly);
            const TJpegDecodeResult frame = ReadJpegFrame(f.read(256 * 1024));
            const TThumbFit fit =
                FitIntoBox(frame.FullSize.width(), frame.FullSize.height(), box, false);
            TJpegDecodeOptions options;
            options.ScaleDenom = JPEGScaleDenom(fit.ratio, false);
            options.DctMethod = dmIfast;
            DecodeJpegFile(file, options);
        }
    });
}

// Runs a peer tool once over all files; seconds, or -1 when it is not installed.
double Peer(const QString& program, const QStringList& arguments)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return -1;
    return TimeOnce([&] {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished(-1);
    });
}

QStringList FolderFiles(const QString& folder)
{
    QStringList files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        files << dir.filePath(name);
    return files;
}

void CompareAtBox(const QString& folder, const QStringList& files, int box, const QString& out)
{
    const int n = files.size();
    const QString tag = QString::number(box);
    const double pipeline = Pipeline(folder, box, {});
    const double bare = Bare(files, box);
    PrintFigure(("thumbs" + tag + "-pipeline-ms-per-image").toStdString(), pipeline * 1000 / n);
    PrintFigure(("thumbs" + tag + "-bare-ms-per-image").toStdString(), bare * 1000 / n);
    PrintRatio(("thumbs" + tag).toStdString(), "bare", pipeline, bare);

    const double vips =
        Peer("vipsthumbnail",
             QStringList{"--vips-concurrency=1", "-s", tag, "-o", out + "/%s-v.jpg"} + files);
    if (vips > 0) {
        PrintFigure(("vips" + tag + "-ms-per-image").toStdString(), vips * 1000 / n);
        PrintRatio(("thumbs" + tag).toStdString(), "vips", pipeline, vips);
    }
    const QString size = QString::number(box * 2);
    const double magick =
        Peer("mogrify", QStringList{"-path", out, "-define", "jpeg:size=" + size + "x" + size,
                                    "-thumbnail", tag + "x" + tag} +
                            files);
    if (magick > 0) {
        PrintFigure(("imagemagick" + tag + "-ms-per-image").toStdString(), magick * 1000 / n);
        PrintRatio(("thumbs" + tag).toStdString(), "imagemagick", pipeline, magick);
    }
}

void FirstVisibleThumbnail(const QStringList& photos)
{
    QTemporaryDir dir;
    FillFolder(dir.path(), photos, 1000);
    TJPEGFileList list;
    TThumbCtrl ctrl;
    TThumbDriver driver(list, ctrl);
    QElapsedTimer timer;
    qint64 first = -1;
    QObject::connect(&driver, &TThumbDriver::OnThumbnailStored, [&] {
        if (first < 0)
            first = timer.nsecsElapsed();
    });
    timer.start();
    list.SetDirectory(dir.path());
    ctrl.Reset(list.Count());
    RunEventsUntil([&] { return first >= 0; });
    driver.StopThumbnails(true);
    const double bare = Bare({list.FileName(0)}, 96);
    PrintFigure("first-visible-thumbnail-ms", first / 1e6);
    PrintFigure("first-file-bare-decode-ms", bare * 1000);
    PrintFigure("first-visible-over-bare-ms", first / 1e6 - bare * 1000);
}

void ScrollMemory(const QStringList& photos)
{
    QTemporaryDir dir;
    FillFolder(dir.path(), photos, 2000);
    TJPEGFileList list;
    TThumbCtrl ctrl;
    TThumbDriver driver(list, ctrl);
    driver.SetBox(288);
    list.SetDirectory(dir.path());
    const long long base = HeapInUse();
    long long peak = 0;
    bool idle = false;
    QObject::connect(&driver, &TThumbDriver::OnIdle, [&] { idle = true; });
    QObject::connect(&driver, &TThumbDriver::OnThumbnailStored,
                     [&] { peak = std::max(peak, HeapInUse() - base); });
    ctrl.Reset(list.Count());
    for (int top = 0; top < list.Count(); top += 150) {
        idle = false;
        ctrl.SetVisible(top, 24, false);
        RunEventsUntil([&] { return idle; });
    }
    PrintFigure("scroll2000-box288-peak-heap-mb", peak / 1048576.0);
    PrintFigure("window-bound-mb", 75 * 288.0 * 288 * 3 / 1048576.0);
}

// One round at box: seconds without the cache, for a first visit into an empty cache and for a
// second visit.
struct TCacheRound {
    double none = 0;
    double first = 0;
    double second = 0;
};

// Odd rounds run without the cache last, so that a drift of the machine's load falls on both.
TCacheRound CacheRound(const QString& folder, int box, bool noneFirst)
{
    QTemporaryDir cacheHome;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));
    TThumbOptions share;
    share.share = true;
    TCacheRound round;
    if (noneFirst)
        round.none = Pipeline(folder, box, {});
    round.first = Pipeline(folder, box, share);
    round.second = Pipeline(folder, box, share);
    if (!noneFirst)
        round.none = Pipeline(folder, box, {});
    qunsetenv("XDG_CACHE_HOME");
    return round;
}

void SharedCache(const QStringList& photos, int count, int rounds)
{
    QTemporaryDir dir;
    FillFolder(dir.path(), photos, count);
    Pipeline(dir.path(), 96, {});  // the new names' first look-ups and reads
    for (const int box : {96, 288}) {
        const std::string tag = std::to_string(box);
        std::vector<double> none, first, second, firstRatio, secondRatio;
        for (int i = 0; i < rounds; ++i) {
            const TCacheRound round = CacheRound(dir.path(), box, i % 2 == 0);
            none.push_back(round.none * 1000 / count);
            first.push_back(round.first * 1000 / count);
            second.push_back(round.second * 1000 / count);
            firstRatio.push_back(round.first / round.none);
            secondRatio.push_back(round.second / round.first);
        }
        PrintFigure("cache" + tag + "-none-ms-per-image", Median(none));
        PrintFigure("cache" + tag + "-first-visit-ms-per-image", Median(first));
        PrintFigure("cache" + tag + "-second-visit-ms-per-image", Median(second), 3);
        PrintFigure("ratio-second-visit-vs-first-" + tag, Median(secondRatio), 3);
        // The grid's default size (96) gives the figure without a suffix.
        PrintFigure(box == 96 ? "ratio-first-visit-vs-nocache"
                              : "ratio-first-visit-vs-nocache-" + tag,
                    Median(firstRatio));
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList photos = CorpusPhotos(QStringLiteral(PIXMARL_SHARED_DIR));
    if (photos.isEmpty()) {
        std::printf("no corpus photos found\n");
        return 0;
    }
    const int copies = argc > 1 ? std::atoi(argv[1]) : 10;
    QTemporaryDir dir;
    QTemporaryDir out;
    FillFolder(dir.path(), photos, photos.size() * copies);
    const QStringList files = FolderFiles(dir.path());
    PrintFigure("images", files.size(), 0);
    Bare(files, 96);  // warm the page cache

    CompareAtBox(dir.path(), files, 96, out.path());
    CompareAtBox(dir.path(), files, 288, out.path());

    TThumbOptions gray;
    gray.gray = true;
    PrintFigure("thumbs96-gray-ms-per-image", Pipeline(dir.path(), 96, gray) * 1000 / files.size());
    TThumbOptions quick;
    quick.quick = true;
    PrintFigure("thumbs96-quick-ms-per-image",
                Pipeline(dir.path(), 96, quick) * 1000 / files.size());

    FirstVisibleThumbnail(photos);
    ScrollMemory(photos);
    SharedCache(photos, argc > 2 ? std::atoi(argv[2]) : 1000, argc > 3 ? std::atoi(argv[3]) : 3);
    return 0;
}
