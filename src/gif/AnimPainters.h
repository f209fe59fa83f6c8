#pragma once

// What every animation painter shares: the draw option bits, the paint target a painter hands its
// frames to, the painter and the owner's list of painters.
//
// A painter with doAsync runs in a thread of its own. It composes or decodes each frame there,
// waits out the frame's delay and hands the finished frame to the target by a queued call (the
// target is the call's context object, so Qt drops calls for a target that is gone). The events
// and the drawing run on the target's (GUI) thread, in the order the painter sent them; the
// painter thread never waits for that thread, except that it sends a frame only after the one
// before has been shown, so frames never pile up and each delay counts from the moment the frame
// before was drawn. Without doAsync the painter runs in the caller to its end, drawing directly
// and sleeping through its delays (the program does that only for a video of one frame).
//
// Freeing the owner (an animated image) cuts its painters off: events and frames still on their
// way are dropped, and the threads are joined, which is quick because they check the cut-off
// between frames. Freeing the target stops the painters that draw into it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <QImage>
#include <QObject>
#include <QRect>

namespace pixmarl {

enum TDrawOption : std::uint16_t {
    doAsync = 1,            // a thread of its own; otherwise the caller runs the painter
    doTransparent = 2,      // transparent pixels stay transparent in the frames handed over
    doAnimate = 4,          // all frames; otherwise only the first
    doLoop = 8,             // passes as the file's loop count says
    doLoopForever = 16,     // endless passes (only with doAsync)
    doValidateCanvas = 32,  // stop when the target reports its surface gone
};
using TDrawOptions = std::uint16_t;

struct TTargetLink;

// Where a painter's frames go: implemented by whatever shows the animation (the image control
// keeps one as a child object). Lives on the GUI thread, where its functions are called. It may
// be freed while painters draw into it (with deleteLater when that happens inside one of its
// calls): they stop, and what they sent is dropped.
class TPaintTarget : public QObject {
public:
    explicit TPaintTarget(QObject* parent = nullptr);
    ~TPaintTarget() override;

    // Receives the next frame and the rectangle to show it in (scaled to fit); the target keeps
    // the image (an implicitly shared copy) and schedules a repaint.
    virtual void PaintFrame(const QImage& frame, const QRect& targetRect) = 0;
    // Asked before each frame under doValidateCanvas: false ends the painter quietly.
    virtual bool CanvasValid() const { return true; }

private:
    friend class TAnimPainter;
    std::shared_ptr<TTargetLink> link_;
};

class TAnimPainter : public std::enable_shared_from_this<TAnimPainter> {
    friend class TPainterList;  // starts the painters it runs

public:
    // Every event runs on the target's thread (or in the caller without doAsync).
    using TPainterEvent = std::function<void(TAnimPainter& painter)>;

    virtual ~TAnimPainter();
    TAnimPainter(const TAnimPainter&) = delete;
    TAnimPainter& operator=(const TAnimPainter&) = delete;

    TPainterEvent OnStartPaint;
    TPainterEvent OnPaint;  // before each frame is drawn; a Stop here keeps the frame from it
    TPainterEvent OnLoop;   // at the start of each pass after a frame has been drawn
    TPainterEvent OnEndPaint;

    TDrawOptions DrawOptions() const { return options_; }
    bool Async() const { return (options_ & doAsync) != 0; }
    // The frame shown now; -1 before the first and from the end event on.
    int CurrentFrame() const { return currentFrame_.load(); }
    QRect TargetRect() const;
    // The owner calls this only while it holds its painter list's lock; the next frame is drawn
    // into the new rectangle.
    void SetTargetRect(const QRect& rect);

    // Any thread. The painter ends at its next check, a delay in progress is cut short, and
    // frames still on their way are dropped; the end event follows.
    void Stop();
    // Any thread. A suspended painter holds still after its current frame until resumed.
    void Suspend();
    void Resume();
    // True once the painter has ended and its last event has been handled or dropped.
    bool Finished() const { return threadDone_.load() && pending_.load() == 0; }

    // For the owner's list: cuts the painter off from its owner (no event or frame is delivered
    // any more) and stops it.
    void Detach();
    bool Detached() const { return detached_.load(); }
    bool HasThread() const { return thread_.joinable(); }
    // Waits for the thread to end. A painter that reads nothing of its owner is let go after a
    // short wait instead (its thread ends by itself).
    void JoinThread();

protected:
    TAnimPainter(TPaintTarget* target, const QRect& rect, TDrawOptions options);

    // Runs the painter: in a new thread with doAsync, else here until it ends.
    void Start();
    // The passes over the frames; runs in the painter's thread (or the caller's).
    virtual void Execute() = 0;
    // Whether the running painter reads its owner's data (then the owner must wait for its end).
    virtual bool ReadsOwner() const { return true; }

    // Waits until the frame before has been shown and delay has passed since then (holding still
    // while suspended), runs handOver here and hands frame index over. False when the painter is
    // to end.
    bool ShowFrame(int index, QImage frame, std::chrono::milliseconds delay,
                   const std::function<void()>& handOver = {});
    // Sends an event; unless always, it is dropped when the painter has been stopped meanwhile.
    void Fire(const TPainterEvent& event, bool always = false);
    bool StopRequested() const { return stop_.load(); }

private:
    using Clock = std::chrono::steady_clock;
    enum class TDelivery { dlEvent, dlFrame, dlEnd };
    class TToken;

    void Run();
    // Runs call on the target's thread (queued) or, in the caller's mode, here. False when it
    // cannot be delivered any more.
    bool Deliver(std::function<void(TAnimPainter&)> call, TDelivery kind);
    void Delivered(TDelivery kind);
    void Present(int index, const QImage& frame);
    bool TargetAlive() const;
    bool WaitShown(Clock::time_point& shownAt);
    bool WaitUntil(Clock::time_point deadline);

    std::shared_ptr<TTargetLink> link_;
    TPaintTarget* target_;  // used on the target's thread only, while the link holds it
    const TDrawOptions options_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    QRect rect_;
    bool suspended_ = false;
    std::uint64_t sent_ = 0;   // frames handed over
    std::uint64_t shown_ = 0;  // frames drawn or dropped
    Clock::time_point shownAt_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> detached_{false};
    std::atomic<bool> threadDone_{false};
    std::atomic<int> pending_{0};
    std::atomic<int> currentFrame_{-1};
    std::thread thread_;
};

// The painters of one animated image, guarded by one lock. Owned by the image; Shutdown (also run
// by the destructor) must be called on the GUI thread.
class TPainterList {
public:
    TPainterList() = default;
    ~TPainterList();
    TPainterList(const TPainterList&) = delete;
    TPainterList& operator=(const TPainterList&) = delete;

    // Exclusive access to the painters and their target rectangles while held.
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }

    // Adds and starts a painter. True when it runs in a thread of its own; a painter that ran in
    // the caller has ended by the return and is dropped, unless an event during its run freed the
    // owner of this list (then nothing of it is touched any more).
    bool Run(const std::shared_ptr<TAnimPainter>& painter);
    // The painters that have not finished yet.
    std::vector<std::shared_ptr<TAnimPainter>> Running() const;
    void StopAll();
    void SuspendAll();
    void ResumeAll();
    // Cuts off and stops every painter and waits for their threads (see JoinThread).
    void Shutdown();

private:
    void ReapFinished();

    mutable std::recursive_mutex lock_;
    std::vector<std::shared_ptr<TAnimPainter>> painters_;
};

}  // namespace pixmarl
