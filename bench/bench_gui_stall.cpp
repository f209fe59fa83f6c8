// The longest stall of the GUI thread's event loop while the program works in the background,
// measured by a probe timer that ticks every millisecond: a stall longer than a frame (16 ms at
// 60 Hz) is a stutter the user sees. One function per figure; each prints
// "longest-gap-ms-<what>: x".
//
// Usage: bench_gui_stall [number of thumbnails, default 1000]

#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "filelist/FileLists.h"
#include "filelist/ThumbCtrls.h"
#include "filelist/ThumbDrivers.h"
#include "support/GapProbe.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

// Makes count thumbnails of corpus photos at box 96, one decode at a time, as the grid asks for
// a window that holds them all; -1 when there are no photos.
double ThumbnailsGap(int count)
{
    const QStringList photos = CorpusPhotos(QStringLiteral(PIXMARL_SHARED_DIR));
    if (photos.isEmpty())
        return -1;
    QTemporaryDir dir;
    FillFolder(dir.path(), photos, count);
    TJPEGFileList list;
    TThumbCtrl ctrl;
    TThumbDriver driver(list, ctrl);
    list.SetDirectory(dir.path());
    ctrl.SetMaxThumbs(list.Count());
    bool idle = false;
    QObject::connect(&driver, &TThumbDriver::OnIdle, [&] { idle = true; });
    test::TGapProbe probe;
    probe.Start();
    ctrl.Reset(list.Count());
    RunEventsUntil([&] { return idle; });
    probe.Stop();
    return probe.LongestGapMs();
}

// The same probe over an event loop with nothing to do for ms milliseconds: what the machine's
// scheduling alone costs, the floor under every other figure.
double IdleGap(int ms)
{
    test::TGapProbe probe;
    probe.Start();
    QElapsedTimer timer;
    timer.start();
    RunEventsUntil([&] { return timer.elapsed() >= ms; });
    probe.Stop();
    return probe.LongestGapMs();
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int thumbnails = argc > 1 ? std::atoi(argv[1]) : 1000;
    const double thumbnailsGap = ThumbnailsGap(thumbnails);
    if (thumbnailsGap < 0)
        std::printf("no corpus photos found\n");
    else
        PrintFigure("longest-gap-ms-thumbnails", thumbnailsGap);
    PrintFigure("longest-gap-ms-idle", IdleGap(3000));
    return 0;
}
