// The viewer and the preview pane on the corpus photos, each figure against its baseline in the
// same run:
// - viewer, fitted: the largest photo (24 megapixels) opened in a 1280 x 800 viewer window that
//   keeps its size, from LoadFile to the first paint with the picture, against a bare full-size
//   decode of the same file; shown 1:1 (original size) the same way;
// - the longest GUI event-loop gap while each of these opens (a 1 ms probe timer), and with
//   nothing to do, the machine's own noise;
// - preview: the pane's preview of a 12-megapixel photo against a bare 1/8 decode;
// - a 1600 x 1200, 100-frame GIF playing in the viewer: how far the intervals between the
//   painted frames stray from the frames' delays, the GUI thread's own processor time per frame
//   and the longest GUI gap meanwhile.
//
// Usage: bench_display [runs, default 5]   (release build, offscreen)

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include <QApplication>
#include <QImageReader>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "display/ImgFileLoads.h"
#include "display/ImgFiles.h"
#include "display/ImgWin.h"
#include "formats/Images.h"
#include "formats/JPEGCodec.h"
#include "gif/GIFImage.h"
#include "shell/Settings.h"
#include "support/EventWait.h"
#include "support/GapProbe.h"
#include "support/GifBuilder.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;
using Clock = std::chrono::steady_clock;

// The calling thread's own processor time: what other load on the machine does not inflate.
double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

constexpr QSize kViewerWindow(1280, 800);
constexpr qint64 kPreviewPixels = 12'000'000;
constexpr int kGifFrames = 100;
constexpr int kGifDelay = 5;  // hundredths in the file
const QSize kGifSize(1600, 1200);

qint64 Pixels(const QString& path)
{
    const QSize size = QImageReader(path).size();
    return qint64(size.width()) * size.height();
}

// The photo with the most pixels, and the one closest to 12 megapixels.
std::pair<QString, QString> PickPhotos(const QStringList& photos)
{
    QString largest = photos.value(0);
    QString twelve = largest;
    for (const QString& photo : photos) {
        if (Pixels(photo) > Pixels(largest))
            largest = photo;
        if (std::llabs(Pixels(photo) - kPreviewPixels) <
            std::llabs(Pixels(twelve) - kPreviewPixels))
            twelve = photo;
    }
    return {largest, twelve};
}

// Opens the file in the viewer and waits for the picture to be painted; the probe runs meanwhile
// and a little after, while the smoothly scaled copy arrives. guiCpuMs: the GUI thread's own
// processor time over all of it.
double OpenInViewer(TViewForm& viewer, const QString& file, double& longestGapMs, double& guiCpuMs)
{
    viewer.ImageFile()->SetFileName(QString());
    test::RunEventsFor(100);
    test::TGapProbe probe;
    probe.Start();
    const double cpuBefore = ThreadCpuMs();
    const auto start = Clock::now();
    viewer.LoadFile(file);
    test::RunEventsUntil([&] { return !viewer.ImageFile()->Loading(); }, 30000);
    viewer.ImageFile()->repaint();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    test::RunEventsFor(300);
    guiCpuMs = ThreadCpuMs() - cpuBefore;
    probe.Stop();
    longestGapMs = std::max(longestGapMs, probe.LongestGapMs());
    return seconds;
}

// The probe alone: the longest gap the machine's own load gives, to read the others against.
void IdleFigures()
{
    test::TGapProbe probe;
    probe.Start();
    test::RunEventsFor(2000);
    probe.Stop();
    PrintFigure("longest-gap-ms-idle", probe.LongestGapMs(), 1);
}

void ViewerFigures(TViewers& viewers, const QString& photo, int runs)
{
    TViewForm& viewer = *viewers.ViewForm();
    const struct {
        const char* name;
        int mode;
    } shows[] = {{"fit", smWindowSize}, {"1to1", smOriginalSize}};
    for (const auto& show : shows) {
        viewer.SetSizeMode(show.mode);
        viewer.setMinimumSize(0, 0);
        viewer.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        viewer.resize(kViewerWindow);
        double gapMs = 0;
        std::vector<double> opens;
        std::vector<double> bares;
        std::vector<double> guiCpus;
        for (int i = 0; i < runs; ++i) {
            bares.push_back(TimeOnce([&] { DecodeJpegFile(photo); }));
            double guiCpuMs = 0;
            opens.push_back(OpenInViewer(viewer, photo, gapMs, guiCpuMs));
            guiCpus.push_back(guiCpuMs);
        }
        const std::string what = std::string("viewer-") + show.name;
        PrintFigure(what + "-open-ms", Median(opens) * 1000, 1);
        PrintFigure("full-decode-ms", Median(bares) * 1000, 1);
        PrintRatio(what, "full-decode", Median(opens), Median(bares));
        PrintFigure("longest-gap-ms-" + what, gapMs, 1);
        PrintFigure("gui-cpu-ms-" + what, Median(guiCpus), 1);
    }
}

void PreviewFigures(const QString& photo, int runs)
{
    TJpegDecodeOptions eighth;
    eighth.ScaleDenom = 8;
    std::vector<double> bares;
    std::vector<double> previews;
    for (int i = 0; i < runs * 4; ++i) {
        bares.push_back(TimeOnce([&] { DecodeJpegFile(photo, eighth); }));
        previews.push_back(TimeOnce([&] { MakePreview(photo, QSize(128, 128)); }));
    }
    PrintFigure("preview-ms", Median(previews) * 1000, 1);
    PrintFigure("eighth-decode-ms", Median(bares) * 1000, 1);
    PrintRatio("preview", "eighth-decode", Median(previews), Median(bares));
}

// The intervals between the frames painted into the control, against the frames' own delays.
class TFramePaints : public QObject {
public:
    explicit TFramePaints(TImageFile* control) : control_(control)
    {
        control->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && control_->PainterState() == 2)
            times.push_back(Clock::now());
        return false;
    }
    std::vector<Clock::time_point> times;

private:
    TImageFile* control_;
};

void GifFigures(TViewers& viewers, const QString& folder)
{
    const auto animation =
        test::BuildAnimation(kGifSize.width(), kGifSize.height(), kGifFrames, kGifDelay);
    const QString file = folder + QStringLiteral("/anim.gif");
    animation->SaveToFile(file);
    const int delayMs =
        TGIFPainter::FrameDelayUnits(animation->Image(0), doAsync | doAnimate) * kDelayUnitMs;

    TViewForm& viewer = *viewers.ViewForm();
    viewer.SetSizeMode(smWindowSize);
    viewer.resize(kGifSize);
    viewer.ImageFile()->SetFileName(QString());
    TFramePaints paints(viewer.ImageFile());
    test::TGapProbe probe;
    probe.Start();
    const double cpuBefore = ThreadCpuMs();
    viewer.LoadFile(file);
    test::RunEventsUntil([&] { return viewer.ImageFile()->PainterState() == 3; },
                         kGifFrames * delayMs * 3);
    const double guiCpuMs = ThreadCpuMs() - cpuBefore;
    probe.Stop();
    std::vector<double> strays;
    for (std::size_t i = 2; i < paints.times.size(); ++i) {
        const double ms =
            std::chrono::duration<double, std::milli>(paints.times[i] - paints.times[i - 1])
                .count();
        strays.push_back(std::abs(ms - delayMs));
    }
    std::sort(strays.begin(), strays.end());
    PrintFigure("gif-frames-painted", double(paints.times.size()), 0);
    PrintFigure("gif-frame-delay-ms", delayMs, 0);
    if (!strays.empty()) {
        PrintFigure("gif-frame-stray-median-ms", strays[strays.size() / 2], 1);
        PrintFigure("gif-frame-stray-p95-ms", strays[strays.size() * 95 / 100], 1);
        PrintFigure("gif-frame-stray-max-ms", strays.back(), 1);
    }
    if (!paints.times.empty())
        PrintFigure("gif-gui-cpu-ms-per-frame", guiCpuMs / double(paints.times.size()), 1);
    PrintFigure("longest-gap-ms-gif", probe.LongestGapMs(), 1);
    PrintFigure("gaps-over-16ms-gif", probe.GapsOverMs(16), 0);
}

}  // namespace

int main(int argc, char** argv)
{
    DefaultToOffscreen();
    QApplication app(argc, argv);
    SetImageAllocationLimit();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QStringList photos = CorpusPhotos(QStringLiteral(PIXMARL_SHARED_DIR));
    if (photos.isEmpty()) {
        std::printf("no corpus photos\n");
        return 1;
    }
    const auto [largest, twelve] = PickPhotos(photos);
    std::printf("viewer photo: %s (%lld pixels)\n", qPrintable(QFileInfo(largest).fileName()),
                Pixels(largest));
    std::printf("preview photo: %s (%lld pixels)\n", qPrintable(QFileInfo(twelve).fileName()),
                Pixels(twelve));

    TSettings settings;
    settings.ViewStayOnTop = false;
    TViewers viewers(settings);
    IdleFigures();
    ViewerFigures(viewers, largest, runs);
    PreviewFigures(twelve, runs);
    QTemporaryDir dir;
    GifFigures(viewers, dir.path());
    return 0;
}
