// The browser window as a user meets it. Figures:
// - first-thumbnail-over-read-and-decode-ms: from the start of the display cycle of a folder of
//   10,000 photos (hard links to the corpus photos) until the first cell's thumbnail is painted,
//   minus the time a bare read of the folder and a bare thumbnail decode of that file take
//   (target <= 10 ms); tree-select-ms before it is the folder tree's part of going there;
// - longest-gap-ms-browse: the longest stall of the GUI event loop while the thumbnails are made
//   and while the grid scrolls from top to bottom a page at a time (target <= 16 ms);
// - longest-gap-cpu-ms-browse: the GUI thread's own processor time within its longest stall, which
//   a machine busy with other programs does not inflate;
// - longest-gap-ms-idle: the probe alone for three seconds, the machine's own noise;
// - startup-ms: from starting the program on the samples until its window has painted, the
//   median of five starts (the program quits after its first paint).
//
// Usage: bench_browse [number of files, default 10000]   (release build, offscreen)

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "filelist/DJPEG.h"
#include "filelist/FileLists.h"
#include "filelist/IGrids.h"
#include "filelist/ThumbDrivers.h"
#include "formats/Images.h"
#include "navigation/Explore.h"
#include "shell/Main.h"
#include "shell/Settings.h"
#include "support/EventWait.h"
#include "support/GapProbe.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

// Notes when a widget has finished painting after a moment the benchmark marks.
class TPaintWatch : public QObject {
public:
    explicit TPaintWatch(QElapsedTimer& clock) : clock_(clock) {}
    void Arm() { armed_ = true; }
    qint64 PaintedNs() const { return paintedNs_; }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!armed_ || event->type() != QEvent::Paint)
            return false;
        watched->event(event);  // paint now, then note the time
        paintedNs_ = clock_.nsecsElapsed();
        armed_ = false;
        return true;
    }

private:
    QElapsedTimer& clock_;
    bool armed_ = false;
    qint64 paintedNs_ = -1;
};

double ReadFolderMs(const QString& folder)
{
    TJPEGFileList list;
    list.SetImageFormats(kAllImageFormats);
    return 1000 * MedianTime(5, [&] {
               list.SetForceReread(true);
               list.SetDirectory(folder);
           });
}

double DecodeMs(const QString& file)
{
    return 1000 * MedianTime(5, [&] { MakeThumbnail({file, 1}, ThumbEdge(tsSmall), {}); });
}

void BrowseFigures(int count)
{
    QTemporaryDir dir;
    if (!FillPhotoFolder(QStringLiteral(PIXMARL_SHARED_DIR), dir.path(), count))
        return;
    const double readMs = ReadFolderMs(dir.path());
    const double decodeMs = DecodeMs(dir.path() + QStringLiteral("/p00000.jpg"));

    TSettings settings;
    settings.ThumbShare = false;  // the figures stay those of decoding, as bench_thumbs compares
    TMainForm form(settings);
    form.show();
    RunEventsUntil([&] { return !form.ThumbDriver().Busy(); });
    QElapsedTimer clock;
    TPaintWatch watch(clock);
    form.ImgGrid()->viewport()->installEventFilter(&watch);
    QObject::connect(&form.ThumbDriver(), &TThumbDriver::OnThumbnailStored, &watch, [&](int index) {
        if (index == 0)
            watch.Arm();
    });
    // The clock starts where the display cycle does, once the tree has selected the folder.
    QElapsedTimer treeClock;
    double treeMs = 0;
    const auto showFolder = form.DirTree()->OnDirChange;
    form.DirTree()->OnDirChange = [&](TDirTree& tree) {
        treeMs = treeClock.nsecsElapsed() / 1e6;
        clock.start();
        showFolder(tree);
    };
    treeClock.start();
    form.GoToFolder(dir.path());
    test::TGapProbe probe;
    probe.Start();
    RunEventsUntil([&] { return watch.PaintedNs() >= 0; });
    const double firstMs = watch.PaintedNs() / 1e6;
    RunEventsUntil([&] { return !form.ThumbDriver().Busy(); });
    QScrollBar* bar = form.ImgGrid()->verticalScrollBar();
    for (int value = 0; value <= bar->maximum(); value += std::max(1, bar->pageStep())) {
        bar->setValue(value);
        test::RunEventsFor(16);
    }
    RunEventsUntil([&] { return !form.ThumbDriver().Busy(); });
    probe.Stop();
    std::printf("tree-select-ms: %.1f\nfolder-read-ms: %.1f\nthumbnail-decode-ms: %.1f\n"
                "first-thumbnail-ms: %.1f\n",
                treeMs, readMs, decodeMs, firstMs);
    PrintFigure("first-thumbnail-over-read-and-decode-ms", firstMs - readMs - decodeMs, 1);
    PrintFigure("longest-gap-ms-browse", probe.LongestGapMs(), 1);
    PrintFigure("longest-gap-cpu-ms-browse", probe.LongestBusyMs(), 1);
}

void IdleFigure()
{
    test::TGapProbe probe;
    probe.Start();
    test::RunEventsFor(3000);
    probe.Stop();
    PrintFigure("longest-gap-ms-idle", probe.LongestGapMs(), 1);
}

void StartupFigure()
{
    QTemporaryDir config;
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PIXMARL_QUIT_AFTER_PAINT"), QStringLiteral("1"));
        environment.insert(QStringLiteral("PIXMARL_CONFIG_DIR"), config.path());
        if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        program.start(QStringLiteral(PIXMARL_PROGRAM), {QStringLiteral(PIXMARL_SAMPLES_DIR)});
        if (!program.waitForFinished(30000) || program.exitCode() != 0) {
            std::printf("the program did not start and quit: %s\n",
                        program.readAllStandardError().constData());
            return;
        }
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    PrintFigure("startup-ms", Median(times), 1);
}

}  // namespace

int main(int argc, char* argv[])
{
    DefaultToOffscreen();
    QApplication app(argc, argv);
    SetImageAllocationLimit();
    IdleFigure();
    StartupFigure();
    BrowseFigures(argc > 1 ? std::atoi(argv[1]) : 10000);
    return 0;
}
