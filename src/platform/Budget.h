#pragma once

// Work that may block in the kernel for as long as a dead network or FUSE mount stays dead (any
// stat, open or readdir below it) runs on a thread of its own, and the GUI thread waits for it
// only until a deadline. A result that comes later is handed to a routine on the GUI thread by a
// queued call; the routine checks that what the result belongs to still exists and is current.
// The thread is detached: blocked work costs that thread, never the caller.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include <QCoreApplication>
#include <QMetaObject>

namespace pixmarl {

using TDeadline = std::chrono::steady_clock::time_point;

inline TDeadline DeadlineIn(int ms)
{
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}

// Runs work() on a new thread and waits until deadline for its result. Answers the result when
// it came in time; otherwise answers nothing, and late(result) runs on the GUI thread once the
// work has ended (never when late is empty or the application object is gone).
template <class T>
std::optional<T> RunWithin(std::function<T()> work, TDeadline deadline,
                           std::function<void(T)> late = {})
{
    struct TJob {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        bool abandoned = false;
        std::optional<T> result;
    };
    auto job = std::make_shared<TJob>();
    try {
        std::thread([job, work = std::move(work), late = std::move(late)]() mutable {
            T result = work();
            std::lock_guard lock(job->mutex);
            job->done = true;
            if (!job->abandoned) {
                job->result = std::move(result);
                job->finished.notify_all();
                return;
            }
            QCoreApplication* app = QCoreApplication::instance();
            if (!late || app == nullptr)
                return;
            QMetaObject::invokeMethod(
                app,
                [late = std::move(late), result = std::move(result)]() mutable {
                    late(std::move(result));
                },
                Qt::QueuedConnection);
        }).detach();
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    std::unique_lock lock(job->mutex);
    if (job->finished.wait_until(lock, deadline, [&] { return job->done; }))
        return std::move(job->result);
    job->abandoned = true;
    return std::nullopt;
}

}  // namespace pixmarl
