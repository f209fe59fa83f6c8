#pragma once

// Plays the main window's part between the file list, the thumbnail control and the thumbnail
// worker: starts the worker when the control wants thumbnails (in thumbnail view, when none
// runs), feeds it the control's next indices, stores each finished thumbnail in the item it was
// made for, drops thumbnails outside the window, and stops the worker with or without dropping.
// The main window does the same through these calls; tests and benchmarks use it without widgets.
// GUI thread only.

#include <functional>
#include <memory>

#include <QObject>

#include "filelist/DJPEG.h"

namespace pixmarl {

class TJPEGFileList;
class TThumbCtrl;

class TThumbDriver {
public:
    // Connects itself to the control's events; list and control must outlive it.
    TThumbDriver(TJPEGFileList& list, TThumbCtrl& ctrl);
    ~TThumbDriver();
    TThumbDriver(const TThumbDriver&) = delete;
    TThumbDriver& operator=(const TThumbDriver&) = delete;

    void SetBox(int box) { box_ = box; }
    void SetOptions(const TThumbOptions& options) { options_ = options; }
    // Thumbnails are made only while the thumbnail view is shown.
    void SetThumbView(bool shown) { thumbView_ = shown; }

    // The control wants thumbnails: starts the worker unless one runs.
    void StartMakeThumbs();
    // Stops a running worker (waiting for its end); with drop, every thumbnail is freed too.
    void StopThumbnails(bool drop);
    bool Busy() const { return worker_ != nullptr && TDJPEGThread::Running(); }

    // After a thumbnail was stored in the item at index (the grid repaints that cell).
    std::function<void(int index)> OnThumbnailStored;
    // When the worker has no more work (the busy indicator stops).
    std::function<void()> OnIdle;

private:
    TThumbRequest NextRequest();
    TThumbRequest Store(const TThumbResult& result);
    void Finished();

    TJPEGFileList& list_;
    TThumbCtrl& ctrl_;
    std::unique_ptr<TDJPEGThread> worker_;
    std::unique_ptr<TDJPEGThread> retired_;  // stopped from inside its callback, ending
    TThumbOptions options_;
    int box_ = 96;
    bool thumbView_ = true;
    bool pendingStart_ = false;
    QObject context_;  // queued calls to this driver die with it
};

}  // namespace pixmarl
