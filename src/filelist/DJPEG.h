#pragma once

// Thumbnail extraction. MakeThumbnail is the expensive part as a plain function: one file, one
// box size, one finished thumbnail image. TDJPEGThread runs it for one file after another in a
// worker thread; it does not choose its files but asks its owner for each next one (the owner
// asks the thumbnail control), and hands every result back through the GUI thread, naming the
// item it belongs to.
//
// Unlike the classic design, every thumbnail is made completely in the worker (QImage can be
// painted there), so the GUI thread only stores finished images and a large GIF never freezes
// the interface. At most one worker runs in the process.

#include <atomic>
#include <functional>

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <QThread>

#include "formats/ImageLoads.h"

namespace pixmarl {

// How the image of w x h fits into the box: the thumbnail's size and the reduction ratio.
struct TThumbFit {
    int width = 0;
    int height = 0;
    float ratio = 1.0f;
};

// dontSizeSmall keeps an image that fits in the box at its size. The ratio is held in single
// precision and the divisions truncate, so a 64 x 48 image at box 96 gives 96 x 71; a side never
// truncates below 1. A size or box of 0 or less gives 0 x 0.
TThumbFit FitIntoBox(int width, int height, int box, bool dontSizeSmall);

struct TThumbOptions {
    bool dontSizeSmall = false;                 // "Don't size small images"
    bool quick = false;                         // quicker JPEG extraction, lower quality
    bool gray = false;                          // JPEG thumbnails in greyscale
    QColor buttonFace = QColor(240, 240, 240);  // the background of icon thumbnails
};

struct TThumbRequest {
    QString fileName;
    quint64 itemId = 0;
    QSize imageSize;  // when the owner knows it already; else empty
};

struct TThumbResult {
    quint64 itemId = 0;
    QImage thumbnail;  // exactly thumbSize; null when failed
    QSize imageSize;   // the source's size, when it could be read
    QSize thumbSize;
    bool failed = true;
};

// Makes the thumbnail of one file for a box. Any thread; never throws.
TThumbResult MakeThumbnail(const TThumbRequest& request, int box, const TThumbOptions& options);

class TDJPEGThread : public QThread {
public:
    // Called on the GUI thread while the worker waits. get-file gives the next request (an empty
    // file name ends the run); thumbnail-done receives a result and gives the next request.
    using TGetFile = std::function<TThumbRequest()>;
    using TThumbDone = std::function<TThumbRequest(const TThumbResult&)>;
    using TFinished = std::function<void()>;

    // Starts at once. The caller owns the object and must stop it (Stop) before destroying it.
    TDJPEGThread(int box, const TThumbOptions& options, TGetFile getFile, TThumbDone done,
                 TFinished finished);
    ~TDJPEGThread() override;

    // Whether a thumbnail worker runs in the process (set at construction, cleared when its run
    // has ended).
    static bool Running();

    // Asks the worker to stop after its current file and waits, processing events, until it has
    // ended. No callback is made after the request.
    // Called from inside one of the worker's callbacks it only sets the request: the worker ends
    // when the callback has returned.
    void Stop();
    bool StopRequested() const { return stop_; }
    // Whether the GUI thread is running one of this worker's callbacks now.
    bool InHandOver() const { return inHandOver_; }

protected:
    void run() override;

private:
    void EndRunning();
    void HandOver(const std::function<void()>& fn);

    int box_;
    TThumbOptions options_;
    TGetFile getFile_;
    TThumbDone done_;
    TFinished finished_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> counted_{false};
    bool inHandOver_ = false;  // GUI thread only
};

}  // namespace pixmarl
