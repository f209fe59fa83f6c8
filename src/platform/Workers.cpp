#include "Workers.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include <QMetaObject>
#include <QObject>

#include "FolderWatch.h"

namespace pixmarl {

struct TInbox::TPoster::TShared {
    std::mutex mutex;
    QObject* receiver = nullptr;  // null once closed
};

// The object the calls are posted to: deleting it removes the calls still pending.
struct TInbox::TReceiver {
    QObject object;
};

bool TInbox::TPoster::Post(std::function<void()> fn) const
{
    if (!shared_)
        return false;
    // Posting under the lock: Close cannot delete the receiver while a call is on its way to it.
    const std::lock_guard lock(shared_->mutex);
    if (shared_->receiver == nullptr)
        return false;
    QMetaObject::invokeMethod(shared_->receiver, std::move(fn), Qt::QueuedConnection);
    return true;
}

TInbox::TInbox() : receiver_(std::make_unique<TReceiver>())
{
    poster_.shared_ = std::make_shared<TPoster::TShared>();
    poster_.shared_->receiver = &receiver_->object;
}

TInbox::~TInbox()
{
    Close();
}

void TInbox::Close()
{
    {
        const std::lock_guard lock(poster_.shared_->mutex);
        poster_.shared_->receiver = nullptr;
    }
    receiver_.reset();
}

struct TSerialWorker::TState {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    bool quit = false;
    bool ended = false;
};

namespace {

void RunJobs(const std::shared_ptr<TSerialWorker::TState>& state, TWorkerPriority priority)
{
    if (priority == wpLow)
        LowerCurrentThreadPriority();
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->wake.wait(lock, [&] { return state->quit || !state->jobs.empty(); });
        if (state->quit)
            break;
        std::function<void()> job = std::move(state->jobs.front());
        state->jobs.pop_front();
        lock.unlock();
        job();
        job = nullptr;  // what it holds goes on this thread, before the next job
        lock.lock();
    }
    state->ended = true;
    state->wake.notify_all();
}

}  // namespace

TSerialWorker::TSerialWorker(TWorkerPriority priority)
    : state_(std::make_shared<TState>()), priority_(priority)
{}

TSerialWorker::~TSerialWorker()
{
    std::deque<std::function<void()>> dropped;
    bool ended = true;
    {
        std::unique_lock lock(state_->mutex);
        state_->quit = true;
        dropped.swap(state_->jobs);
        state_->wake.notify_all();
        if (thread_.joinable())
            ended = state_->wake.wait_for(lock, std::chrono::milliseconds(kJoinTimeoutMs),
                                          [this] { return state_->ended; });
    }
    if (!thread_.joinable())
        return;
    if (ended)
        thread_.join();
    else
        thread_.detach();  // it holds the state itself and touches nothing else of ours
}

void TSerialWorker::Post(std::function<void()> job)
{
    const std::lock_guard lock(state_->mutex);
    state_->jobs.push_back(std::move(job));
    if (!thread_.joinable())
        thread_ = std::thread(RunJobs, state_, priority_);
    state_->wake.notify_all();
}

void TSerialWorker::DropPending()
{
    std::deque<std::function<void()>> dropped;
    const std::lock_guard lock(state_->mutex);
    dropped.swap(state_->jobs);
}

}  // namespace pixmarl
