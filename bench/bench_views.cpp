// The views of the file list under the software raster of the offscreen platform: a full
// 1920 x 1080 thumbnail grid painted with thumbnails present at each size; the report view over
// a large folder paging down; a refresh that adds and removes a file while 1,000 items are
// selected and the views are attached, against the same refresh of a bare list; and the heap the
// views add per item.
//
// Usage: bench_views [file count, default 100000]

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTreeView>

#include "BenchSupport.h"
#include "filelist/FileListViews.h"
#include "filelist/FileLists.h"
#include "filelist/IGrids.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

constexpr int kRuns = 15;

void MakeFolder(const QString& folder, int count)
{
    for (int i = 0; i < count; ++i) {
        QFile file(QDir(folder).filePath(QStringLiteral("IMG_%1.jpg").arg(i, 6, 10, QChar(u'0'))));
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(file.fileName()));
            std::exit(1);
        }
    }
}

// Thumbnails of a 4:3 photo at the size's edge, a few different ones.
std::vector<QImage> Thumbnails(int edge)
{
    std::vector<QImage> thumbs;
    for (int k = 0; k < 8; ++k) {
        QImage image(edge, edge * 3 / 4, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient gradient(0, 0, edge, edge);
        gradient.setColorAt(0, QColor::fromHsv(k * 45, 200, 230));
        gradient.setColorAt(1, QColor::fromHsv((k * 45 + 90) % 360, 160, 90));
        painter.fillRect(image.rect(), gradient);
        thumbs.push_back(image);
    }
    return thumbs;
}

void GridPaint()
{
    TImgGrid grid;
    std::vector<QImage> thumbs;
    grid.OnNeedBmp = [&thumbs](int i) { return TCellBitmap{&thumbs[size_t(i) % 8], false}; };
    grid.OnNeedFileName = [](int i) {
        return QStringLiteral("IMG_%1.jpg").arg(i, 6, 10, QChar(u'0'));
    };
    grid.SetShowFileNames(true);
    grid.resize(1920 + 2 * grid.frameWidth(), 1080 + 2 * grid.frameWidth());
    grid.show();
    grid.Reset(10000);
    QImage target(grid.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    const char* names[] = {"", "mini", "small", "medium", "large", "maxi"};
    for (int s = tsMini; s <= tsMaxi; ++s) {
        thumbs = Thumbnails(ThumbEdge(TThumbSize(s)));
        grid.SetSize(TThumbSize(s));
        const double t = MedianTime(kRuns, [&] { grid.viewport()->render(&target); });
        PrintFigure(std::string("grid-paint-ms-") + names[s], t * 1000);
    }
}

// A page down and the paint of the page it shows.
void PageDown(QAbstractItemView* view, QImage& target)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    view->viewport()->render(&target);
}

// What the main window does around a refresh when the report view is shown.
void SelectThousand(TJPEGFileListView& view, int count)
{
    for (int i = 0; i < 1000; ++i)
        view.SetSelected(int(i * std::int64_t(count) / 1000), true);
    view.SetItemFocused(count / 2);
}

}  // namespace

int main(int argc, char* argv[])
{
    DefaultToOffscreen();
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    GridPaint();

    QTemporaryDir dir;
    MakeFolder(dir.path(), count);
    PrintFigure("files", count, 0);

    TJPEGFileList bare;
    bare.SetDirectory(dir.path());
    TJPEGFileList list;
    list.SetDirectory(dir.path());

    const long long before = HeapInUse();
    auto view = std::make_unique<TJPEGFileListView>(list);
    view->resize(1000, 800);
    view->show();
    QTreeView* report = view->ReportView();
    report->setFocus();
    report->scrollToBottom();  // the view lays out every row once
    report->scrollToTop();
    auto grid = std::make_unique<TImgGrid>();
    grid->Reset(list.Count());
    const long long after = HeapInUse();
    PrintFigure("views-bytes-per-item", double(after - before) / list.Count(), 1);

    QImage target(report->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    report->viewport()->render(&target);
    const double page = MedianTime(kRuns, [&] { PageDown(report, target); });
    PrintFigure("report-page-down-ms", page * 1000);

    // The same change for both lists in turn: one file added, one removed.
    int serial = 0;
    const auto change = [&] {
        ++serial;
        QFile(dir.filePath(QStringLiteral("added %1.jpg").arg(serial))).open(QIODevice::WriteOnly);
        QFile::remove(list.FileName(serial * 7 % list.Count()));
    };
    view->SelectionModel()->clearSelection();  // the page-downs selected their rows
    SelectThousand(*view, list.Count());
    std::vector<double> bareTimes;
    std::vector<double> viewTimes;
    std::vector<double> paintTimes;  // the views lay their rows out again at the next paint
    for (int run = 0; run < kRuns; ++run) {
        change();
        const auto refreshBare = [&] { bareTimes.push_back(TimeOnce([&] { bare.Refresh(); })); };
        const auto refreshView = [&] {
            viewTimes.push_back(TimeOnce([&] { list.Refresh(); }));
            paintTimes.push_back(TimeOnce([&] { report->viewport()->render(&target); }));
        };
        if (run % 2) {
            refreshBare();
            refreshView();
        } else {
            refreshView();
            refreshBare();
        }
    }
    const double bareRefresh = Median(bareTimes);
    const double viewRefresh = Median(viewTimes);
    PrintFigure("refresh-bare-ms", bareRefresh * 1000);
    PrintFigure("refresh-with-views-1000-selected-ms", viewRefresh * 1000);
    PrintFigure("report-paint-after-refresh-ms", Median(paintTimes) * 1000);
    int flagged = 0;
    for (int i = 0; i < list.Count(); ++i)
        flagged += list.Item(i).Selected ? 1 : 0;
    PrintFigure("selected-after-refreshes", view->SelectionModel()->selectedRows().size(), 0);
    PrintFigure("selected-items-after-refreshes", flagged, 0);
    PrintRatio("refresh-with-views", "bare", viewRefresh, bareRefresh);
    return 0;
}
