#pragma once

// Plays the main window's part between the file list, the thumbnail control and the thumbnail
// worker: when the control wants thumbnails (in thumbnail view) it asks the worker for one
// thumbnail at a time, the control's next index, stores each result in the item it was made for
// and asks for the next; it frees thumbnails the control evicts, and stops. The main window does
// the same through these calls; tests and benchmarks use it without widgets.
//
// Nothing here waits for the worker. A stop starts a new generation and returns at once; the
// thumbnail being made then is dropped when it comes back, as is any result whose item has gone.
// GUI thread only; do not destroy it from inside its own signals.

#include <QObject>

#include "filelist/DJPEG.h"

namespace pixmarl {

class TJPEGFileList;
class TThumbCtrl;

class TThumbDriver : public QObject {
    Q_OBJECT
public:
    // Takes over the control's events; list and control must outlive it.
    TThumbDriver(TJPEGFileList& list, TThumbCtrl& ctrl, QObject* parent = nullptr);
    ~TThumbDriver() override;

    void SetBox(int box) { box_ = box; }
    void SetOptions(const TThumbOptions& options) { options_ = options; }
    // Thumbnails are made only while the thumbnail view is shown.
    void SetThumbView(bool shown) { thumbView_ = shown; }

    // The control wants thumbnails: unless one is being made, the next one is asked for at once.
    void StartMakeThumbs();
    // Asks for no more thumbnails and drops the one being made; with drop every thumbnail is
    // freed too. No OnIdle follows.
    void StopThumbnails(bool drop);
    // Between OnStartMakeThumbs and OnIdle (or a stop).
    bool Busy() const { return busy_; }

signals:
    // A start was accepted: thumbnails are being made (the busy indicator runs until OnIdle).
    void OnStartMakeThumbs();
    // A thumbnail was stored in the item now at index (the grid repaints that cell).
    void OnThumbnailStored(int index);
    // The control's window is done.
    void OnIdle();

private:
    void RequestNext();
    void Store(const TThumbResult& result, quint64 generation);

    TJPEGFileList& list_;
    TThumbCtrl& ctrl_;
    TThumbOptions options_;
    int box_ = 96;
    bool thumbView_ = true;
    bool busy_ = false;
    bool inFlight_ = false;  // a request of the current generation is with the worker
    quint64 generation_ = 0;
    TDJPEGThread worker_;  // last: its results stop before the rest of the driver goes
};

}  // namespace pixmarl
