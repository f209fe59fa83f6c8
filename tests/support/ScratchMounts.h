#pragma once

// Mounts for tests that need a second view of a folder. Each needs root (and the dead mount also
// FUSE and bindfs); without them Why() says what is missing and the test skips with that text.
// - TMount: `mount` with the given arguments and mount point: `--bind folder` for the same files
//   under a second path (same inodes), `-t tmpfs tmpfs` for a filesystem of its own.
// - TDeadMount: bindfs over a folder with its process stopped: every stat, open or readdir below
//   the mount point then blocks in the kernel, as under a dead network share. A watchdog lets the
//   process go on after limitMs, so that a test of code that wrongly blocks fails by its time
//   instead of hanging; the destructor lets it go on and unmounts before anything is joined.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <QString>
#include <QStringList>

namespace pixmarl::test {

class TMount {
public:
    TMount(const QStringList& args, const QString& mountPoint);
    ~TMount();
    TMount(const TMount&) = delete;
    TMount& operator=(const TMount&) = delete;

    // Empty when mounted, else why not.
    const QString& Why() const { return why_; }

private:
    QString mountPoint_;
    QString why_;
};

class TDeadMount {
public:
    TDeadMount(const QString& folder, const QString& mountPoint, int limitMs = 5000);
    ~TDeadMount();
    TDeadMount(const TDeadMount&) = delete;
    TDeadMount& operator=(const TDeadMount&) = delete;

    const QString& Why() const { return why_; }
    // True when the watchdog had to let the process go on: something blocked for limitMs.
    bool Revived() const { return revived_; }

private:
    void Resume();

    QString mountPoint_;
    QString why_;
    qint64 pid_ = 0;
    std::atomic<bool> revived_{false};
    std::mutex mutex_;
    std::condition_variable ended_;
    bool ending_ = false;
    std::thread watchdog_;
};

}  // namespace pixmarl::test
