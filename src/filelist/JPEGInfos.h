#pragma once

// Background header reading for the report view. The worker (TJPEGInfos) reads the header of each
// file it is given with the reader of its format; TInfoScanner, the file list's side of it, gives
// it the items one at a time from the first to the last, stores each result in the item it was
// read for and keeps the progress bar. It starts, stops and restarts the reading at the points
// where the list rebuilds or reorders its items.
//
// Nothing waits for the worker: a stop starts a new generation, and a result of an older one, or
// for an item that has gone, is dropped. GUI thread only, except the worker's reads.

#include <QObject>
#include <QString>

#include "filelist/FileLists.h"
#include "formats/Images.h"
#include "platform/Workers.h"

namespace pixmarl {

// What the scanner needs of a progress bar; the list view's status bar implements it.
class TProgressBar {
public:
    virtual ~TProgressBar() = default;
    virtual void SetPosition(int percent) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
};

struct TInfoRequest {
    QString fileName;
    quint64 itemId = 0;
};

struct TInfoResult {
    quint64 itemId = 0;
    TUniInfoRec info;  // Valid false when the header could not be read
};

// Reads one file's header with the reader its extension names. Any thread.
TInfoResult ReadItemInfo(const TInfoRequest& request);

// The worker: one thread below normal priority.
using TJPEGInfos = TRequestWorker<TInfoRequest, TInfoResult>;

class TInfoScanner : public QObject, public TInfoScanHooks {
    Q_OBJECT
public:
    explicit TInfoScanner(TJPEGFileList& list, QObject* parent = nullptr);
    ~TInfoScanner() override;

    void SetProgressBar(TProgressBar* bar) { progressBar_ = bar; }
    // The view's style changed: report style starts a scan that has not run since the last
    // reset, another style stops a running one.
    void SetReportStyle(bool report);
    // A scan was started since the last reset and has not been stopped.
    bool ScanDone() const { return scanDone_; }

    bool Running() const override { return running_; }
    void RequestStop() override;
    void ResetScan() override;
    void StartInfoScan() override;
    void EnsureInfoScan() override;

signals:
    // A header was stored in the item now at index (its Type and Image Size cells change).
    void OnInfoStored(int index);

private:
    void StartWorker();
    void RequestItem(int index);
    void Store(const TInfoResult& result, quint64 generation);
    void Finish();

    TJPEGFileList& list_;
    TProgressBar* progressBar_ = nullptr;
    bool running_ = false;
    bool scanDone_ = false;
    int infoIndex_ = 0;
    quint64 generation_ = 0;
    TJPEGInfos worker_;  // last: its results stop before the rest of the scanner goes
};

}  // namespace pixmarl
