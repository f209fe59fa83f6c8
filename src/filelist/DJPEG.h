#pragma once

// Thumbnail extraction. MakeThumbnail is the expensive part as a plain function: one file, one
// box size, one finished thumbnail image. TDJPEGThread runs it in a worker thread for each
// request its owner gives it; the owner (the thumbnail driver) chooses the files, one at a time,
// from the thumbnail control.
//
// Every thumbnail is made completely in the worker (QImage can be painted there), so the GUI
// thread only stores finished images and a large GIF never freezes the interface. With the shared
// thumbnail cache (ThumbCache) the worker looks there first and fills it from its decodes.

#include <functional>
#include <memory>

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include "platform/Workers.h"

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
    bool share = false;                         // use and fill the cache shared with other programs
};

struct TThumbRequest {
    QString fileName;
    quint64 itemId = 0;
};

struct TThumbResult {
    quint64 itemId = 0;
    QImage thumbnail;  // exactly thumbSize; null when failed
    QSize imageSize;   // the source's size, when it could be read
    QSize thumbSize;
    bool failed = true;
};

class TThumbCache;

// Makes the thumbnail of one file for a box. Any thread; never throws. With a cache (used by this
// thread alone meanwhile), a valid cached thumbnail at least as large as the thumbnail is scaled
// down instead of decoding the file, and a file a failure entry names fails at once; a decode
// fills the cache: its entry of the size class covering the box, or a failure entry. The
// thumbnail has the same size and stands the same way with or without the cache.
TThumbResult MakeThumbnail(const TThumbRequest& request, int box, const TThumbOptions& options,
                           TThumbCache* cache = nullptr);

// The thumbnail worker: one thread that makes the thumbnails it is asked for, one at a time, in
// the order asked. Each result comes back to the owner's thread as a queued call naming its item
// (in the result) and the generation of its request; the owner drops what it no longer wants.
// Made, used and destroyed on the owner's (GUI) thread; destroying it drops the results not yet
// handed back and waits a bounded time for a thumbnail still being made.
class TDJPEGThread {
public:
    using TThumbDone = std::function<void(const TThumbResult& result, quint64 generation)>;

    explicit TDJPEGThread(TThumbDone done);
    ~TDJPEGThread();
    TDJPEGThread(const TDJPEGThread&) = delete;
    TDJPEGThread& operator=(const TDJPEGThread&) = delete;

    void Request(TThumbRequest request, int box, const TThumbOptions& options, quint64 generation);
    // Forgets the requests that have not begun (a stop); a thumbnail being made still comes back.
    void DropPending() { worker_.DropPending(); }

    // Whether a thumbnail is being made, or waits to be made, anywhere in the process.
    static bool Running();

private:
    struct TJob;
    static TThumbResult Make(const TJob& job);

    std::shared_ptr<TThumbCache> cache_;  // shared with the jobs, which may outlive the worker
    TRequestWorker<TJob, TThumbResult> worker_;
};

}  // namespace pixmarl
