#pragma once

// What every animation painter shares: the draw option bits, the paint target a painter hands its
// frames to, the painter thread (which only keeps time) and the owner's list of painters.
//
// A painter with doAsync runs in a thread of its own; everything that touches the image, the
// target or an event handler runs on the GUI thread through a blocking hand-over while the
// painter thread waits. Without doAsync the painter runs inside the caller, processing events
// during its delays. The owner (an animated image) keeps its painters in a TPainterList; freeing
// the owner shuts the list down, which stops every painter and serves their pending hand-overs
// until they have ended. A painter that has been cut off from its owner never runs another
// hand-over, so nothing of the owner is touched after it is gone.

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

// Where a painter's frames go. Implemented by whatever shows the animation (the image control);
// called on the GUI thread only.
class TPaintTarget {
public:
    virtual ~TPaintTarget() = default;
    // Receives the next composed frame and the rectangle to show it in (scaled to fit); the
    // target keeps the image (an implicitly shared copy) and schedules a repaint.
    virtual void PaintFrame(const QImage& frame, const QRect& targetRect) = 0;
    // Asked before each frame under doValidateCanvas: false ends the painter quietly.
    virtual bool CanvasValid() const { return true; }
};

class TAnimPainter : public std::enable_shared_from_this<TAnimPainter> {
    friend class TPainterList;  // starts the painters it runs

public:
    // Every event runs on the GUI thread (or in the caller without doAsync).
    using TPainterEvent = std::function<void(TAnimPainter& painter)>;

    virtual ~TAnimPainter();
    TAnimPainter(const TAnimPainter&) = delete;
    TAnimPainter& operator=(const TAnimPainter&) = delete;

    TPainterEvent OnStartPaint;
    TPainterEvent OnPaint;  // before each frame is drawn
    TPainterEvent OnLoop;   // at the start of each pass after a frame has been drawn
    TPainterEvent OnEndPaint;

    TDrawOptions DrawOptions() const { return options_; }
    bool Async() const { return (options_ & doAsync) != 0; }
    // The frame shown now; -1 before the first and after the end.
    int CurrentFrame() const { return currentFrame_.load(); }
    QRect TargetRect() const;
    // The owner calls this only while it holds its painter list's lock.
    void SetTargetRect(const QRect& rect);

    // Any thread. The painter ends at its next check; a delay in progress is cut short.
    void Stop();
    // Any thread. A suspended painter holds still after its current frame until resumed.
    void Suspend();
    void Resume();
    bool Finished() const { return finished_.load(); }

    // For the owner's list: cuts the painter off from its owner and stops it.
    void Detach();
    bool Detached() const { return detached_.load(); }
    // For the owner's list: true while one of this painter's hand-overs is running on the calling
    // (GUI) thread's stack, i.e. the painter cannot end before the caller returns.
    bool HandingOver() const { return handOverDepth_.load() > 0; }
    bool HasThread() const { return thread_.joinable(); }
    void JoinThread();
    void ReleaseThread();

protected:
    TAnimPainter(TPaintTarget* target, const QRect& rect, TDrawOptions options);

    // Runs the painter: in a new thread with doAsync, else here until it ends.
    void Start();
    // The passes over the frames; runs in the painter's thread (or the caller's).
    virtual void Execute() = 0;

    // Runs fn on the GUI thread and waits for it. False (fn not run) once the painter is cut off
    // from its owner.
    bool HandOver(const std::function<void()>& fn);
    // Waits for the delay (in the caller's mode: processing events). False when stopped.
    bool WaitFor(std::chrono::milliseconds delay);
    void Fire(const TPainterEvent& event);
    // GUI thread, inside a hand-over: gives the frame to the target unless the target's surface is
    // gone under doValidateCanvas (then the painter stops). False when nothing was drawn.
    bool PaintToTarget(const QImage& frame);
    bool StopRequested() const { return stop_.load(); }
    void SetCurrentFrame(int index) { currentFrame_.store(index); }

private:
    void Run();
    bool WaitAsync(std::chrono::steady_clock::time_point deadline);
    bool WaitInCaller(std::chrono::steady_clock::time_point deadline);

    TPaintTarget* target_;
    const TDrawOptions options_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    QRect rect_;
    bool suspended_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<bool> detached_{false};
    std::atomic<bool> finished_{false};
    std::atomic<int> handOverDepth_{0};
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

    void Add(std::shared_ptr<TAnimPainter> painter);
    // Adds and starts a painter. True when it runs in a thread of its own; a painter that ran in
    // the caller has ended by the return and is dropped, unless events processed during its run
    // freed the owner of this list (then nothing of it is touched any more).
    bool Run(const std::shared_ptr<TAnimPainter>& painter);
    // Drops a painter that ran in the caller's thread once it has ended.
    void Remove(const TAnimPainter* painter);
    // The painters that have not ended yet.
    std::vector<std::shared_ptr<TAnimPainter>> Running() const;
    void StopAll();
    void SuspendAll();
    void ResumeAll();
    // Stops and cuts off every painter, then serves their pending hand-overs until each has ended.
    void Shutdown();

private:
    void ReapFinished();

    mutable std::recursive_mutex lock_;
    std::vector<std::shared_ptr<TAnimPainter>> painters_;
};

}  // namespace pixmarl
