// The folder monitor's reaction: the time from the last change of a burst to the callback on the
// GUI thread (the burst step is 100 ms, so 100 to 150 ms is the aim), and the number of callbacks
// a burst of file writes gives.
//
// Usage: bench_monitor [bursts, default 10] [files per burst, default 100]

#include <chrono>
#include <cstdlib>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "navigation/DirMons.h"

int main(int argc, char* argv[])
{
    using namespace pixmarl;
    using Clock = std::chrono::steady_clock;
    QCoreApplication app(argc, argv);
    const int bursts = argc > 1 ? std::atoi(argv[1]) : 10;
    const int files = argc > 2 ? std::atoi(argv[2]) : 100;

    QTemporaryDir dir;
    TDirMonitor monitor;
    monitor.SetDirectory(dir.path());
    int calls = 0;
    Clock::time_point calledAt;
    monitor.OnFilesChange = [&](TDirMonitor&) {
        calledAt = Clock::now();
        ++calls;
    };
    monitor.SetActive(true);

    std::vector<double> reactions;
    for (int b = 0; b < bursts; ++b) {
        const int before = calls;
        Clock::time_point lastChange;
        for (int i = 0; i < files; ++i) {
            QFile file(dir.filePath(QStringLiteral("b%1_%2.jpg").arg(b).arg(i)));
            file.open(QIODevice::WriteOnly);
            file.write(QByteArray(4096, 'x'));
            file.close();
            lastChange = Clock::now();
        }
        bench::RunEventsUntil([&] {
            return calls > before && Clock::now() - calledAt > std::chrono::milliseconds(300);
        });
        reactions.push_back(std::chrono::duration<double>(calledAt - lastChange).count());
    }
    monitor.SetActive(false);
    bench::PrintFigure("bursts", bursts, 0);
    bench::PrintFigure("files-per-burst", files, 0);
    bench::PrintFigure("callbacks-per-burst", double(calls) / bursts, 2);
    bench::PrintFigure("reaction-median-ms", bench::Median(reactions) * 1000, 1);
    bench::PrintFigure("reaction-max-ms",
                       *std::max_element(reactions.begin(), reactions.end()) * 1000, 1);
    bench::RunEventsUntil([] { return TFileMon::RunningCount() == 0; });
    return 0;
}
