#pragma once

// Background header reading for the report view: a worker thread (TJPEGInfos) walks the file
// list's items from the first to the last, reads each file's header with the reader of its
// format, and hands each result to the GUI thread, which stores it in the item it was read for.
// TInfoScanner is the file list's side of it: it starts, stops and restarts the worker at the
// points where the list rebuilds or reorders its items, and keeps the progress bar.
//
// GUI thread only, except the worker's own loop. A result names the item (its Id), so a result
// for an item that has gone meanwhile is dropped.

#include <atomic>
#include <functional>
#include <memory>

#include <QString>
#include <QThread>

#include "filelist/FileLists.h"
#include "formats/Images.h"

namespace pixmarl {

// What the scanner needs of a progress bar; the list view's status bar implements it.
class TProgressBar {
public:
    virtual ~TProgressBar() = default;
    virtual void SetPosition(int percent) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
};

class TInfoScanner;

// The worker: reads one header after another until it is given no next file or asked to stop.
class TJPEGInfos : public QThread {
public:
    TJPEGInfos(TInfoScanner& owner, QString fileName, quint64 itemId);
    void RequestStop() { stop_ = true; }
    bool StopRequested() const { return stop_; }

    // Set by the owner inside the hand-over, while the worker waits.
    void SetNext(QString fileName, quint64 itemId);

protected:
    void run() override;

private:
    TInfoScanner& owner_;
    QString fileName_;
    quint64 itemId_;
    std::atomic<bool> stop_{false};
};

class TInfoScanner : public TInfoScanHooks {
public:
    explicit TInfoScanner(TJPEGFileList& list);
    ~TInfoScanner() override;
    TInfoScanner(const TInfoScanner&) = delete;
    TInfoScanner& operator=(const TInfoScanner&) = delete;

    void SetProgressBar(TProgressBar* bar) { progressBar_ = bar; }
    // The view's style changed: report style starts a scan that has not run since the last
    // reset, another style stops a running one.
    void SetReportStyle(bool report);
    bool ScanDone() const { return scanDone_; }

    bool Running() const override { return worker_ != nullptr && running_; }
    void RequestStop() override;
    void StopAndWait() override;
    void StartInfoScan() override;
    void EnsureInfoScan() override;

    // Fired after a header was stored, with the item's index, so the view redraws its cells.
    std::function<void(int index)> OnInfoStored;

private:
    friend class TJPEGInfos;
    void Store(TJPEGInfos& worker, const TUniInfoRec& info, quint64 itemId);
    void WorkerEnded(TJPEGInfos& worker);
    void StartWorker();
    void WaitForEnd();

    TJPEGFileList& list_;
    TProgressBar* progressBar_ = nullptr;
    std::unique_ptr<TJPEGInfos> worker_;
    bool running_ = false;
    bool scanDone_ = false;
    int infoIndex_ = 0;
};

}  // namespace pixmarl
