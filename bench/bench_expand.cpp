// Expanding a folder with many sub-folders in the folder tree, until the tree is usable (the
// sub-folder nodes exist, sorted, each read one level ahead), against raw listings of the same
// folder measured in the same run: the folder's own entries (readdir), and the folder with the
// level below it (readdir of the folder and of each sub-folder), which is what the tree reads.
// A second figure is the time the interface is blocked with the listing budget in force.
//
// Usage: bench_expand [folder count, default 10000]

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <dirent.h>

#include "BenchSupport.h"
#include "navigation/Explore.h"
#include "navigation/MyComputer.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

constexpr int kRuns = 5;

void MakeFolders(const QString& folder, int count)
{
    QDir dir(folder);
    for (int i = 0; i < count; ++i) {
        const QString name = i % 2 ? QStringLiteral("Album %1").arg(i)
                                   : QStringLiteral("2024-%1 trip").arg(i, 5, 10, QChar(u'0'));
        if (!dir.mkdir(name)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.filePath(name)));
            std::exit(1);
        }
        // Every tenth folder has a sub-folder of its own, so the read-ahead finds something.
        if (i % 10 == 0)
            dir.mkdir(name + QStringLiteral("/raw"));
    }
}

// The folders in one folder, as a plain program would list them.
std::vector<std::string> RawFolders(const QByteArray& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.constData());
    if (dir == nullptr)
        return names;
    while (dirent* e = readdir(dir))
        if (e->d_type == DT_DIR && e->d_name[0] != '.')
            names.emplace_back(e->d_name);
    closedir(dir);
    return names;
}

long RawTwoLevels(const QByteArray& folder)
{
    long n = 0;
    for (const std::string& name : RawFolders(folder))
        n += long(RawFolders(folder + '/' + QByteArray::fromStdString(name)).size()) + 1;
    return n;
}

// Expands the big folder's node in a fresh tree and waits until its children are in.
double ExpandOnce(TMyComputer& computer, const QString& big, int budgetMs, double* blocked)
{
    TDirTree tree(nullptr, &computer);
    tree.SetListingBudget(budgetMs);
    QTreeWidgetItem* root = tree.topLevelItem(0);
    tree.expandItem(root);  // the parent of the big folder
    QTreeWidgetItem* node = tree.FindNode(big);
    return TimeOnce([&] {
        QElapsedTimer t;
        t.start();
        tree.expandItem(node);
        if (blocked != nullptr)
            *blocked = t.elapsed() / 1000.0;
        RunEventsUntil([&] { return node->childCount() > 1; });
    });
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir dir;
    const QString big = dir.path() + QStringLiteral("/big");
    QDir().mkdir(big);
    MakeFolders(big, count);
    PrintFigure("folders", count, 0);

    TVolume volume;
    volume.mountPath = dir.path();
    volume.driveType = dtFixed;
    TMyComputer computer([volume] { return std::vector<TVolume>{volume}; }, false);

    const QByteArray native = QFile::encodeName(big);
    volatile long sink = RawTwoLevels(native);  // warm the caches
    const double raw = MedianTime(kRuns, [&] { sink = long(RawFolders(native).size()); });
    const double rawTwo = MedianTime(kRuns, [&] { sink = RawTwoLevels(native); });
    const double listing = MedianTime(kRuns, [&] {
        sink = long(ListFolders({TListRequest{big, true, {}}}).front().names.size());
    });
    const double expand = MedianTime(kRuns, [&] { ExpandOnce(computer, big, 60000, nullptr); });
    double blocked = 0;
    const double withBudget = ExpandOnce(computer, big, 200, &blocked);

    PrintFigure("raw-readdir-ms", raw * 1000);
    PrintFigure("raw-readdir-two-levels-ms", rawTwo * 1000);
    PrintFigure("listing-with-read-ahead-ms", listing * 1000);
    PrintFigure("expand-to-usable-tree-ms", expand * 1000);
    PrintFigure("expand-with-budget-ms", withBudget * 1000);
    PrintFigure("interface-blocked-ms", blocked * 1000);
    PrintRatio("expand", "raw", expand, rawTwo);
    PrintRatio("expand", "raw-one-level", expand, raw);
    return 0;
}
