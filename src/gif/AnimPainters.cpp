#include "AnimPainters.h"

#include <algorithm>
#include <utility>

#include <QMetaObject>

namespace pixmarl {

namespace {

// How long freeing an owner waits for a painter that reads nothing of it before letting it end
// on its own (a read from a dead network mount must not hold up the GUI).
constexpr std::chrono::milliseconds kLetGoAfter{500};

}  // namespace

// What a target shares with the painters that draw into it; the target is cleared, under the
// lock, before it goes, so no painter posts to it afterwards.
struct TTargetLink {
    std::mutex mutex;
    TPaintTarget* target = nullptr;
    std::vector<std::weak_ptr<TAnimPainter>> painters;
};

TPaintTarget::TPaintTarget(QObject* parent)
    : QObject(parent), link_(std::make_shared<TTargetLink>())
{
    link_->target = this;
}

TPaintTarget::~TPaintTarget()
{
    std::vector<std::weak_ptr<TAnimPainter>> painters;
    {
        std::lock_guard guard(link_->mutex);
        link_->target = nullptr;
        painters.swap(link_->painters);
    }
    for (const auto& weak : painters)
        if (const auto painter = weak.lock())
            painter->Stop();
}

// Travels with one delivery; whether the call runs or Qt drops it, its end is counted.
class TAnimPainter::TToken {
public:
    TToken(std::shared_ptr<TAnimPainter> painter, TDelivery kind)
        : painter_(std::move(painter)), kind_(kind)
    {
        ++painter_->pending_;
    }
    ~TToken() { painter_->Delivered(kind_); }
    TToken(const TToken&) = delete;
    TToken& operator=(const TToken&) = delete;

    TAnimPainter& Painter() const { return *painter_; }

private:
    std::shared_ptr<TAnimPainter> painter_;
    TDelivery kind_;
};

TAnimPainter::TAnimPainter(TPaintTarget* target, const QRect& rect, TDrawOptions options)
    : link_(target->link_), target_(target), options_(options), rect_(rect)
{}

TAnimPainter::~TAnimPainter()
{
    // Only a thread that let go of the last reference to its own painter is still joinable here.
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
    if (!thread_.joinable())
        return;
    if (!ReadsOwner()) {
        std::unique_lock lock(mutex_);
        if (!wake_.wait_for(lock, kLetGoAfter, [this] { return threadDone_.load(); })) {
            lock.unlock();
            thread_.detach();
            return;
        }
    }
    thread_.join();
}

void TAnimPainter::Start()
{
    shownAt_ = Clock::now();
    if (!Async()) {
        Run();
        threadDone_ = true;
        return;
    }
    {
        std::lock_guard guard(link_->mutex);
        std::erase_if(link_->painters, [](const auto& weak) { return weak.expired(); });
        link_->painters.push_back(weak_from_this());
    }
    // The thread holds the painter alive, so a painter released by its owner can finish.
    thread_ = std::thread([self = shared_from_this()] {
        self->Run();
        std::lock_guard guard(self->mutex_);
        self->threadDone_ = true;
        self->wake_.notify_all();
    });
}

void TAnimPainter::Run()
{
    Fire(OnStartPaint, true);
    Execute();
    Deliver(
        [](TAnimPainter& p) {
            p.currentFrame_ = -1;
            if (p.OnEndPaint)
                p.OnEndPaint(p);
        },
        TDelivery::dlEnd);
}

bool TAnimPainter::Deliver(std::function<void(TAnimPainter&)> call, TDelivery kind)
{
    auto run = [token = std::make_shared<TToken>(shared_from_this(), kind),
                call = std::move(call)] {
        if (!token->Painter().Detached())
            call(token->Painter());
    };
    if (!Async()) {
        run();
        return !Detached();
    }
    std::lock_guard guard(link_->mutex);
    if (link_->target == nullptr)
        return false;
    QMetaObject::invokeMethod(link_->target, std::move(run), Qt::QueuedConnection);
    return true;
}

void TAnimPainter::Delivered(TDelivery kind)
{
    if (kind == TDelivery::dlFrame) {
        std::lock_guard guard(mutex_);
        ++shown_;
        shownAt_ = Clock::now();
        wake_.notify_all();
    } else if (kind == TDelivery::dlEnd) {
        currentFrame_ = -1;
    }
    --pending_;
}

void TAnimPainter::Fire(const TPainterEvent& event, bool always)
{
    if (!event)
        return;
    Deliver(
        [event, always](TAnimPainter& p) {
            if (always || !p.StopRequested())
                event(p);
        },
        TDelivery::dlEvent);
}

bool TAnimPainter::ShowFrame(int index, QImage frame, std::chrono::milliseconds delay,
                             const std::function<void()>& handOver)
{
    Clock::time_point shownAt;
    if (!WaitShown(shownAt) || !WaitUntil(shownAt + delay))
        return false;
    if (handOver)
        handOver();
    {
        std::lock_guard guard(mutex_);
        ++sent_;
    }
    return Deliver([index, frame = std::move(frame)](TAnimPainter& p) { p.Present(index, frame); },
                   TDelivery::dlFrame) &&
           !StopRequested();
}

void TAnimPainter::Present(int index, const QImage& frame)
{
    if (StopRequested())
        return;
    currentFrame_ = index;
    if (OnPaint)
        OnPaint(*this);
    // The handler may have stopped the painter, freed its owner or freed the target.
    if (StopRequested() || !TargetAlive())
        return;
    if ((options_ & doValidateCanvas) != 0 && !target_->CanvasValid()) {
        Stop();
        return;
    }
    target_->PaintFrame(frame, TargetRect());
}

bool TAnimPainter::TargetAlive() const
{
    std::lock_guard guard(link_->mutex);
    return link_->target != nullptr;
}

bool TAnimPainter::WaitShown(Clock::time_point& shownAt)
{
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stop_.load() || shown_ == sent_; });
    shownAt = shownAt_;
    return !stop_;
}

bool TAnimPainter::WaitUntil(Clock::time_point deadline)
{
    std::unique_lock lock(mutex_);
    wake_.wait_until(lock, deadline, [this] { return stop_.load(); });
    wake_.wait(lock, [this] { return stop_.load() || !suspended_; });
    return !stop_;
}

TPainterList::~TPainterList()
{
    Shutdown();
}

bool TPainterList::Run(const std::shared_ptr<TAnimPainter>& painter)
{
    {
        std::lock_guard guard(lock_);
        ReapFinished();
        painters_.push_back(painter);
    }
    painter->Start();
    if (painter->Async())
        return true;
    if (!painter->Detached()) {
        std::lock_guard guard(lock_);
        std::erase(painters_, painter);
    }
    return false;
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
    // A painter that runs in the caller below us on this stack has no thread: it is cut off and
    // ends by itself.
    for (const auto& p : painters)
        p->JoinThread();
}

}  // namespace pixmarl
