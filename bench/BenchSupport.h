#pragma once

// Timing and reporting helpers shared by the benchmarks.

#include <functional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

namespace pixmarl::bench {

// Seconds taken by one call of fn (steady clock).
// Benchmarks of windows draw off screen unless QT_QPA_PLATFORM names a platform; call before
// the application object is made.
void DefaultToOffscreen();

double TimeOnce(const std::function<void()>& fn);

// The median of runs calls of fn, each timed alone; setup (untimed) runs before each call.
double MedianTime(int runs, const std::function<void()>& fn,
                  const std::function<void()>& setup = {});

double Median(std::vector<double> values);

// Prints "name: value" with the given number of decimals.
void PrintFigure(const std::string& name, double value, int decimals = 2);

// Prints "ratio-<what>-vs-<baseline>: x.xx" for value / baseline.
void PrintRatio(const std::string& what, const std::string& baseline, double value,
                double baselineValue);

// Bytes the heap holds in use right now (for memory-per-item figures).
long long HeapInUse();

// Runs the calling thread's event loop until done() is true, looking every millisecond: the
// benchmark waits here as a user would while the program works.
void RunEventsUntil(const std::function<bool()>& done);

// The JPEG photographs of the shared corpus (sharedDir/corpora/photos, or under the folder the
// environment variable PIXMARL_SHARED names), sorted by name.
QStringList CorpusPhotos(const QString& sharedDir);

// Fills folder with count files p00000.jpg, ... that are the photos over and over (hard links
// where possible, else copies).
void FillFolder(const QString& folder, const QStringList& photos, int count);

// FillFolder with the corpus photos; false, with a note on standard output, when there are none.
bool FillPhotoFolder(const QString& sharedDir, const QString& folder, int count);

}  // namespace pixmarl::bench
