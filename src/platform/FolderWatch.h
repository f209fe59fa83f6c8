#pragma once

// A folder change notification with a stop event: one inotify instance and one eventfd, waited on
// together with poll. The owner thread calls Begin (which touches the folder, so it may block on a
// dead mount: never on the GUI thread) and then Wait; any thread may call Stop, which wakes a
// waiting Wait at once and makes every later Wait answer wrStop (the event stays signalled).
// The folder itself removed, moved away or unmounted is a change; a folder that cannot be watched
// (missing, unreadable) is looked for again every so often and its return is a change too, so a
// waiting thread never spins. An empty filter watches nothing. The sub-tree is walked without
// following symbolic links, and walked again after the kernel's queue overflowed.

#include <atomic>
#include <cstdint>
#include <map>
#include <set>

#include <QString>

namespace pixmarl {

// The notification filter bits: which kinds of change wake the watch.
enum TFolderWatchFilter : std::uint32_t {
    fwFileName = 0x001,  // files created, deleted or renamed
    fwDirName = 0x002,   // folders created, deleted or renamed
    fwAttributes = 0x004,
    fwSize = 0x008,
    fwLastWrite = 0x010,
    fwSecurity = 0x100,
};

enum TFolderWaitResult { wrStop, wrChange, wrTimeout, wrFailed };

class TFolderWatch {
public:
    // subTree also watches every sub-folder, including those that appear later. IsValid() is
    // false only when the system refused the inotify instance or the eventfd. Nothing is watched
    // before Begin.
    TFolderWatch(const QString& folder, std::uint32_t filter, bool subTree);
    void Begin();
    ~TFolderWatch();
    TFolderWatch(const TFolderWatch&) = delete;
    TFolderWatch& operator=(const TFolderWatch&) = delete;

    bool IsValid() const { return stopFd_ >= 0 && inotifyFd_ >= 0; }
    // True while at least one folder is watched.
    bool IsWatching() const { return !folders_.empty(); }

    // Waits up to timeoutMs (negative: without limit) for a change that passes the filter, or for
    // the stop event. Changes that do not pass the filter are consumed and do not end the wait.
    TFolderWaitResult Wait(int timeoutMs);

    // Signals the stop event. Safe from any thread.
    void Stop();

private:
    // The watch descriptor, or -1.
    int AddWatch(const QString& folder, bool root);
    void AddWatchTree(const QString& folder, std::set<int>& walked, bool root = false);
    void WatchRoot();
    void ForgetAll();
    // Reads the pending events; true when one of them passes the filter.
    bool ReadEvents();

    int stopFd_ = -1;
    int inotifyFd_ = -1;
    QString folder_;
    std::uint32_t filter_;
    bool subTree_;
    int rootWd_ = -1;
    std::map<int, QString> folders_;  // watch descriptor -> folder
};

// Lowers the scheduling priority of the calling thread a little (a background watcher).
void LowerCurrentThreadPriority();

}  // namespace pixmarl
