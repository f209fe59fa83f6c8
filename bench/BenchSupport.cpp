#include "BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <filesystem>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QtGlobal>

#include <malloc.h>

namespace pixmarl::bench {

void DefaultToOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

double TimeOnce(const std::function<void()>& fn)
{
    const auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double MedianTime(int runs, const std::function<void()>& fn, const std::function<void()>& setup)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (setup)
            setup();
        times.push_back(TimeOnce(fn));
    }
    return Median(times);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

void PrintFigure(const std::string& name, double value, int decimals)
{
    std::printf("%s: %.*f\n", name.c_str(), decimals, value);
    std::fflush(stdout);
}

void PrintRatio(const std::string& what, const std::string& baseline, double value,
                double baselineValue)
{
    std::printf("ratio-%s-vs-%s: %.2f\n", what.c_str(), baseline.c_str(),
                baselineValue > 0 ? value / baselineValue : 0.0);
    std::fflush(stdout);
}

long long HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

void RunEventsUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    if (!done())
        loop.exec();
}

QStringList CorpusPhotos(const QString& sharedDir)
{
    const QDir dir(qEnvironmentVariable("PIXMARL_SHARED", sharedDir) +
                   QStringLiteral("/corpora/photos"));
    QStringList files;
    for (const QString& name : dir.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        files << dir.filePath(name);
    return files;
}

void FillFolder(const QString& folder, const QStringList& photos, int count)
{
    for (int i = 0; i < count; ++i) {
        const QString source = photos.at(i % photos.size());
        const QString target =
            QDir(folder).filePath(QStringLiteral("p%1.jpg").arg(i, 5, 10, QChar('0')));
        std::error_code error;
        std::filesystem::create_hard_link(source.toStdString(), target.toStdString(), error);
        if (error)
            QFile::copy(source, target);
    }
}

bool FillPhotoFolder(const QString& sharedDir, const QString& folder, int count)
{
    const QStringList photos = CorpusPhotos(sharedDir);
    if (photos.isEmpty()) {
        std::printf("no corpus photos found\n");
        return false;
    }
    FillFolder(folder, photos, count);
    return true;
}

}  // namespace pixmarl::bench
