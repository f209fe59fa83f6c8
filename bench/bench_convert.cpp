// The corpus photos converted by the conversion job and by ImageMagick's convert in the same run,
// with the same settings: to GIF with 256 colours and no dither, and to JPEG at quality 80. Then
// the heap the job holds at its peak, against two decoded images of the largest photo.
//
// Usage: bench_convert [rounds, default 3; 0 measures the memory only]

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <thread>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "conversion/ConvJobs.h"
#include "formats/RdJPGH.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

struct TTarget {
    const char* name;
    TImageFormat format;
    TConvertOptions options;
    QStringList convertArgs;
};

QString TargetOf(const QString& photo, const QString& folder, TImageFormat format)
{
    return QDir(folder).filePath(QFileInfo(photo).completeBaseName() +
                                 QLatin1String(FormatInfo(format).DefaultExt));
}

// One run of the job over every photo; false when it reported an error.
bool RunJob(const QStringList& photos, const QString& folder, const TTarget& target)
{
    std::vector<TConvertPair> pairs;
    for (const QString& photo : photos)
        pairs.push_back({photo, TargetOf(photo, folder, target.format)});
    bool finished = false;
    int errors = 0;
    TConvertJobEvents events;
    events.OnError = [&](const QString& text) {
        ++errors;
        std::fprintf(stderr, "%s\n", qPrintable(text));
    };
    events.OnFinished = [&] { finished = true; };
    TConvertJob job(std::move(pairs), target.format, target.options, events);
    job.Start();
    RunEventsUntil([&] { return finished; });
    return errors == 0;
}

void RunConvert(const QStringList& photos, const QString& folder, const TTarget& target)
{
    for (const QString& photo : photos)
        QProcess::execute(QStringLiteral("convert"),
                          QStringList{photo} + target.convertArgs +
                              QStringList{TargetOf(photo, folder, target.format)});
}

// The most heap the job holds above what was held before it, sampled every millisecond.
long long PeakHeapOfJob(const QStringList& photos, const QString& folder, const TTarget& target)
{
    const long long before = HeapInUse();
    std::atomic<bool> stop{false};
    std::atomic<long long> peak{before};
    std::thread sampler([&] {
        while (!stop) {
            peak = std::max(peak.load(), HeapInUse());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    RunJob(photos, folder, target);
    stop = true;
    sampler.join();
    return peak - before;
}

long long LargestDecodedImage(const QStringList& photos)
{
    long long largest = 0;
    for (const QString& photo : photos) {
        TInfoRec info;
        if (ReadJPEGHeader(photo, kReadJpegFrame, info))
            largest = std::max(largest, 3LL * info.Width * info.Height);
    }
    return largest;
}

}  // namespace

int main(int argc, char* argv[])
{
    DefaultToOffscreen();
    QGuiApplication app(argc, argv);
    SetImageAllocationLimit();
    const int rounds = argc > 1 ? std::max(0, std::atoi(argv[1])) : 3;
    const QStringList photos = CorpusPhotos(QStringLiteral(PIXMARL_SHARED_DIR));
    if (photos.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty()) {
        std::fprintf(stderr, "needs the corpus photos and ImageMagick's convert\n");
        return 1;
    }
    std::printf("photos: %lld\n", static_cast<long long>(photos.size()));
    QTemporaryDir out;
    TConvertOptions jpeg;
    jpeg.Quality = 80;
    const TTarget targets[] = {
        {"gif", ifGIF, {}, {"-colors", "256", "+dither"}},
        {"jpeg", ifJPEG, jpeg, {"-quality", "80"}},
    };
    for (const TTarget& target : rounds > 0 ? targets : std::span<const TTarget>()) {
        std::vector<double> ours, theirs;
        for (int r = 0; r < rounds; ++r) {
            bool ok = true;
            ours.push_back(TimeOnce([&] { ok = RunJob(photos, out.path(), target); }));
            if (!ok)
                return 1;
            theirs.push_back(TimeOnce([&] { RunConvert(photos, out.path(), target); }));
        }
        const std::string name = target.name;
        PrintFigure("convert-" + name + "-job-s", Median(ours));
        PrintFigure("convert-" + name + "-imagemagick-s", Median(theirs));
        PrintRatio("convert-" + name, "convert", Median(ours), Median(theirs));
    }
    const double twoImages = 2.0 * double(LargestDecodedImage(photos));
    for (const TTarget& target : targets) {
        const double peak = double(PeakHeapOfJob(photos, out.path(), target));
        const std::string name = target.name;
        PrintFigure("convert-" + name + "-peak-heap-mb", peak / 1e6, 1);
        PrintFigure("two-decoded-images-mb", twoImages / 1e6, 1);
        PrintRatio("convert-" + name + "-peak-heap", "two-images", peak, twoImages);
    }
    return 0;
}
