#include "AnimPainters.h"

#include <algorithm>

#include <QCoreApplication>

#include "platform/Sync.h"

namespace pixmarl {

namespace {

// How often a painter running in the caller's thread lets the caller's events through.
constexpr std::chrono::milliseconds kCallerEventStep{10};

}  // namespace

TAnimPainter::TAnimPainter(TPaintTarget* target, const QRect& rect, TDrawOptions options)
    : target_(target), options_(options), rect_(rect)
{}

TAnimPainter::~TAnimPainter()
{
    // The owner joins or releases the thread first; this only guards against a forgotten one.
    if (thread_.joinable())
        thread_.detach();
}

QRect TAnimPainter::TargetRect() const
{
    std::lock_guard guard(mutex_);
    return rect_;
}

void TAnimPainter::SetTargetRect(const QRect& rect)
{
    std::lock_guard guard(mutex_);
    rect_ = rect;
}

void TAnimPainter::Stop()
{
    std::lock_guard guard(mutex_);
    stop_ = true;
    wake_.notify_all();
}

void TAnimPainter::Suspend()
{
    std::lock_guard guard(mutex_);
    suspended_ = true;
}

void TAnimPainter::Resume()
{
    std::lock_guard guard(mutex_);
    suspended_ = false;
    wake_.notify_all();
}

void TAnimPainter::Detach()
{
    detached_ = true;
    Stop();
}

void TAnimPainter::JoinThread()
{
    if (thread_.joinable())
        thread_.join();
}

void TAnimPainter::ReleaseThread()
{
    if (thread_.joinable())
        thread_.detach();
}

void TAnimPainter::Start()
{
    if (Async()) {
        // The thread holds the painter alive, so a painter released by its owner can finish.
        thread_ = std::thread([self = shared_from_this()] { self->Run(); });
    } else {
        Run();
    }
}

void TAnimPainter::Run()
{
    Fire(OnStartPaint);
    Execute();
    SetCurrentFrame(-1);
    Fire(OnEndPaint);
    finished_ = true;
}

bool TAnimPainter::HandOver(const std::function<void()>& fn)
{
    if (detached_)
        return false;
    // The hand-over blocks until the call has run, so the references it holds stay valid.
    auto call = [this, &fn] {
        if (detached_)
            return;
        ++handOverDepth_;
        fn();
        --handOverDepth_;
    };
    if (Async())
        RunOnGuiThread(call);
    else
        call();
    return !detached_;
}

void TAnimPainter::Fire(const TPainterEvent& event)
{
    if (event)
        HandOver([&] { event(*this); });
}

bool TAnimPainter::PaintToTarget(const QImage& frame)
{
    if ((options_ & doValidateCanvas) != 0 && !target_->CanvasValid()) {
        Stop();
        return false;
    }
    target_->PaintFrame(frame, TargetRect());
    return true;
}

bool TAnimPainter::WaitFor(std::chrono::milliseconds delay)
{
    const auto deadline = std::chrono::steady_clock::now() + delay;
    return Async() ? WaitAsync(deadline) : WaitInCaller(deadline);
}

bool TAnimPainter::WaitAsync(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(mutex_);
    wake_.wait_until(lock, deadline, [this] { return stop_.load(); });
    wake_.wait(lock, [this] { return stop_.load() || !suspended_; });
    return !stop_;
}

bool TAnimPainter::WaitInCaller(std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        QCoreApplication::processEvents();
        std::unique_lock lock(mutex_);
        if (stop_ || QCoreApplication::closingDown())
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline && !suspended_)
            return true;
        const auto step =
            suspended_ ? now + kCallerEventStep : std::min(deadline, now + kCallerEventStep);
        wake_.wait_until(lock, step, [this] { return stop_.load(); });
    }
}

TPainterList::~TPainterList()
{
    Shutdown();
}

bool TPainterList::Run(const std::shared_ptr<TAnimPainter>& painter)
{
    Add(painter);
    painter->Start();
    if (painter->Async())
        return true;
    if (!painter->Detached())
        Remove(painter.get());
    return false;
}

void TPainterList::Add(std::shared_ptr<TAnimPainter> painter)
{
    std::lock_guard guard(lock_);
    ReapFinished();
    painters_.push_back(std::move(painter));
}

void TPainterList::Remove(const TAnimPainter* painter)
{
    std::lock_guard guard(lock_);
    std::erase_if(painters_, [painter](const auto& p) { return p.get() == painter; });
}

std::vector<std::shared_ptr<TAnimPainter>> TPainterList::Running() const
{
    std::lock_guard guard(lock_);
    std::vector<std::shared_ptr<TAnimPainter>> running;
    for (const auto& p : painters_)
        if (!p->Finished())
            running.push_back(p);
    return running;
}

void TPainterList::StopAll()
{
    for (const auto& p : Running())
        p->Stop();
}

void TPainterList::SuspendAll()
{
    for (const auto& p : Running())
        p->Suspend();
}

void TPainterList::ResumeAll()
{
    for (const auto& p : Running())
        p->Resume();
}

void TPainterList::ReapFinished()
{
    std::erase_if(painters_, [](const auto& p) {
        if (!p->Finished())
            return false;
        p->JoinThread();
        return true;
    });
}

void TPainterList::Shutdown()
{
    std::vector<std::shared_ptr<TAnimPainter>> painters;
    {
        std::lock_guard guard(lock_);
        painters.swap(painters_);
    }
    for (const auto& p : painters)
        p->Detach();
    for (const auto& p : painters) {
        // A painter whose hand-over is below us on this stack, or one that runs in the caller,
        // can only end after we return: it is cut off and ends by itself.
        if (!p->HasThread())
            continue;
        if (p->HandingOver()) {
            p->ReleaseThread();
            continue;
        }
        WaitProcessingEvents([&p] { return p->Finished(); });
        p->JoinThread();
    }
}

}  // namespace pixmarl
