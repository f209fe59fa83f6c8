// The folder scan on a large folder: ReadDirectory with the name sort against a raw
// getdents64 + fstatat loop, and Refresh after one file was added and one removed against a raw
// name-only enumeration, both measured in the same run; memory held per item.
//
// Usage: bench_scan [file count, default 100000]

#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "BenchSupport.h"
#include "filelist/FileLists.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

constexpr int kRuns = 5;

// Two thirds images of the default formats, the rest other files, names like a camera's and a
// user's mixed.
void MakeFolder(const QString& folder, int count)
{
    static const char* kExts[] = {".jpg", ".JPG", ".gif", ".bmp", ".txt", ".png"};
    for (int i = 0; i < count; ++i) {
        const QString name = (i % 2 ? QStringLiteral("IMG_%1").arg(i, 6, 10, QChar(u'0'))
                                    : QStringLiteral("Holiday photo %1").arg(i)) +
                             QLatin1String(kExts[i % 6]);
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(file.fileName()));
            std::exit(1);
        }
        file.write(QByteArray(i % 97, 'x'));
    }
}

long RawScan(const QByteArray& folder, bool withStat)
{
    DIR* dir = opendir(folder.constData());
    long n = 0;
    while (dirent* e = readdir(dir)) {
        if (withStat) {
            struct stat st {};
            n += fstatat(dirfd(dir), e->d_name, &st, 0) == 0 ? 1 : 0;
        } else {
            n += e->d_name[0] != 0 ? 1 : 0;
        }
    }
    closedir(dir);
    return n;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    MakeFolder(dir.path(), count);
    const QByteArray native = QFile::encodeName(dir.path());
    PrintFigure("files", count, 0);

    volatile long sink = RawScan(native, true);  // warm the caches
    const double raw = MedianTime(kRuns, [&] { sink = RawScan(native, true); });

    TJPEGFileList list;
    list.SetDirectory(dir.path());
    const double scan = MedianTime(kRuns, [&] {
        list.SetForceReread(true);
        list.SetDirectory(dir.path());
    });
    PrintFigure("listed", list.Count(), 0);
    PrintFigure("raw-getdents-fstatat-ms", raw * 1000);
    PrintFigure("readdirectory-name-sort-ms", scan * 1000);
    PrintRatio("scan", "raw", scan, raw);

    int serial = 0;
    const double namesOnly = MedianTime(kRuns, [&] { sink = RawScan(native, false); });
    const double refresh = MedianTime(
        kRuns, [&] { list.Refresh(); },
        [&] {
            ++serial;
            QFile(dir.filePath(QStringLiteral("added %1.jpg").arg(serial)))
                .open(QIODevice::WriteOnly);
            QFile::remove(list.FileName(serial * 7));
        });
    PrintFigure("raw-names-ms", namesOnly * 1000);
    PrintFigure("refresh-one-added-one-removed-ms", refresh * 1000);
    PrintRatio("refresh", "raw", refresh, namesOnly);

    // Heap held by the items: an empty list against the same list filled.
    {
        QTemporaryDir empty;
        TJPEGFileList measured;
        measured.SetDirectory(empty.path());
        const long long before = HeapInUse();
        measured.SetDirectory(dir.path());
        const long long after = HeapInUse();
        PrintFigure("bytes-per-item", double(after - before) / measured.Count(), 1);
    }
    return 0;
}
