#pragma once

// How workers and the GUI thread meet without either waiting for the other.
// - TInbox: results travel to the thread that owns the inbox as queued calls. A worker holds a
//   TInbox::TPoster, which may outlive the inbox: once the inbox is closed (or destroyed) posts go
//   nowhere and calls still pending are dropped, so a result never reaches an owner that is gone.
// - TSerialWorker: one thread that runs the jobs it is given one after another, in order. Jobs
//   take their input by value. Its owner never waits for it, except for a bounded wait when the
//   worker is destroyed; a job still running then (stuck on a hanging file system) ends alone.
// - TRequestWorker: the two together for the common case, a request turned into a result on the
//   worker and handed back with the generation of the request, so that the owner can drop results
//   of requests it has given up (a stop starts a new generation).

#include <functional>
#include <memory>
#include <thread>

#include <QtGlobal>

namespace pixmarl {

class TInbox {
public:
    class TPoster {
    public:
        // Any thread: fn runs on the inbox's thread, after the calls posted before it; false when
        // the inbox is closed or the poster belongs to none (fn is dropped then).
        bool Post(std::function<void()> fn) const;

    private:
        friend class TInbox;
        struct TShared;
        std::shared_ptr<TShared> shared_;
    };

    // Made and destroyed on the thread that receives the calls (it needs an event loop).
    TInbox();
    ~TInbox();
    TInbox(const TInbox&) = delete;
    TInbox& operator=(const TInbox&) = delete;

    TPoster Poster() const { return poster_; }
    // Drops the calls still pending and refuses later ones. The inbox's thread only.
    void Close();

private:
    struct TReceiver;
    TPoster poster_;
    std::unique_ptr<TReceiver> receiver_;
};

enum TWorkerPriority { wpNormal, wpLow };

class TSerialWorker {
public:
    // How long destruction waits for a running job before leaving it to end alone.
    static constexpr int kJoinTimeoutMs = 2000;

    explicit TSerialWorker(TWorkerPriority priority = wpNormal);
    ~TSerialWorker();
    TSerialWorker(const TSerialWorker&) = delete;
    TSerialWorker& operator=(const TSerialWorker&) = delete;

    // Queues a job; the thread starts with the first one.
    void Post(std::function<void()> job);
    // Drops the jobs that have not begun; a running job runs to its end.
    void DropPending();

    struct TState;

private:
    std::shared_ptr<TState> state_;  // shared with the thread
    TWorkerPriority priority_;
    std::thread thread_;
};

template <class TRequest, class TResult>
class TRequestWorker {
public:
    using TWork = std::function<TResult(const TRequest&)>;
    // Runs on the owner's thread, with the generation the request was given.
    using TDone = std::function<void(const TResult& result, quint64 generation)>;

    // Made on the owner's thread. work runs on the worker and must not touch the owner.
    TRequestWorker(TWork work, TDone done, TWorkerPriority priority = wpNormal)
        : work_(std::move(work)), done_(std::move(done)), thread_(priority)
    {}
    // Results that have not been handed back yet are dropped; then the thread is ended.
    ~TRequestWorker() { inbox_.Close(); }

    void Request(TRequest request, quint64 generation)
    {
        thread_.Post([work = work_, done = done_, poster = inbox_.Poster(),
                      request = std::move(request), generation] {
            TResult result = work(request);
            poster.Post(
                [done, result = std::move(result), generation] { done(result, generation); });
        });
    }
    void DropPending() { thread_.DropPending(); }

private:
    TWork work_;
    TDone done_;
    TInbox inbox_;
    TSerialWorker thread_;  // ended after the inbox is closed
};

}  // namespace pixmarl
