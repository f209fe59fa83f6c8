#pragma once

// The conversion job: converts pairs of source and target files in order, off the GUI thread.
// For each pair it reports "loading" (the source's file name), loads the source, reports
// "saving" (the target's file name) and saves; a source that cannot be loaded is reported and
// ends the job, a target that cannot be saved is reported and the job goes on. It checks for
// Cancel before each of the two steps and reports its end once nothing of it runs any more.
//
// The next source may be decoded while the current image is saved, when the two fit in two
// images' worth of memory (MayDecodeAhead) and the source is none of the targets written before
// it; the reports keep the order above whatever runs at the same time.
//
// Made, started, cancelled and destroyed on one thread with an event loop (the GUI thread); the
// events run there as queued calls, never after the job is destroyed. Destroying a running job
// cancels it and waits a bounded time for the file it is working on.

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include <QString>

#include "conversion/Converter.h"
#include "platform/Workers.h"

namespace pixmarl {

struct TConvertPair {
    QString Source;
    QString Target;
};

struct TConvertJobEvents {
    std::function<void(const QString& sourceName)> OnLoading;
    std::function<void(const QString& targetName)> OnSaving;
    std::function<void(const QString& text)>
        OnError;  // "Error loading x.bmp", "Error saving y.JPG"
    std::function<void()> OnFinished;
};

// The work on one file, on a worker thread. Tests replace it.
struct TConvertSteps {
    std::function<std::unique_ptr<TCImage>(const QString& source)> Load;  // nullptr: failed
    std::function<bool(TCImage& image, const QString& target)> Save;
};

// What a job does by default: TCImage's load, and its save in format with options.
TConvertSteps ConvertSteps(TImageFormat format, const TConvertOptions& options);

class TConvertJob {
public:
    TConvertJob(std::vector<TConvertPair> pairs, TImageFormat format, TConvertOptions options,
                TConvertJobEvents events);
    ~TConvertJob();
    TConvertJob(const TConvertJob&) = delete;
    TConvertJob& operator=(const TConvertJob&) = delete;

    // Before Start.
    void SetSteps(TConvertSteps steps) { steps_ = std::move(steps); }
    void Start();
    // The job stops at its next check.
    void Cancel() { cancelled_->store(true); }

private:
    std::vector<TConvertPair> pairs_;
    TImageFormat format_;
    TConvertSteps steps_;
    TConvertJobEvents events_;
    std::shared_ptr<std::atomic<bool>> cancelled_;
    TInbox inbox_;
    TSerialWorker thread_;  // ended after the inbox is closed
};

}  // namespace pixmarl
