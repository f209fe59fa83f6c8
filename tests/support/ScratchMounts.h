#pragma once

// Mounts for tests (root needed); Why() says why not when not mounted. TMount: `mount <args>
// <point>`. TDeadMount: bindfs with its process stopped, so any stat below the mount point blocks
// as under a dead network share; a watchdog lets it go on after limitMs (Revived()), so that code
// that wrongly waits fails by its time instead of hanging the suite.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <QStringList>

namespace pixmarl::test {

class TMount {
public:
    TMount(const QStringList& args, const QString& mountPoint);
    ~TMount();
    const QString& Why() const { return why_; }

protected:
    TMount() = default;
    QString mountPoint_;
    QString why_;
};

// True, with a line saying why, when a table row cannot run without its mount.
bool SkippedRow(const TMount& mount);

class TDeadMount : public TMount {
public:
    TDeadMount(const QString& folder, const QString& mountPoint, int limitMs = 5000);
    ~TDeadMount();  // lets the process go on first, so that blocked threads end
    bool Revived() const { return revived_; }

private:
    qint64 pid_ = 0;
    std::atomic<bool> revived_{false};
    bool ending_ = false;
    std::mutex mutex_;
    std::condition_variable ended_;
    std::thread watchdog_;
};

}  // namespace pixmarl::test
