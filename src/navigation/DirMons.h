#pragma once

// The folder change monitor: TDirMonitor watches one folder (optionally with its sub-folders) and
// raises OnFilesChange on the GUI thread once per burst of changes, 100 ms after the last change
// of the burst. The waiting is done by a TFileMon watcher thread; the monitor owns at most one and
// replaces it whenever folder, options or sub-tree flag change. A stopped watcher never calls
// back, even when it was in the middle of a burst, and ends by itself without being waited for.
// All members of TDirMonitor are for the GUI thread only.

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>

#include <QString>

#include "platform/Workers.h"

namespace pixmarl {

class TFolderWatch;

// The kinds of change that wake the monitor; the values are the notification filter bits.
enum TMonitorOption : std::uint32_t {
    dmChFileName = 0x001,
    dmChDirName = 0x002,
    dmChAttr = 0x004,
    dmChSize = 0x008,
    dmChLastWrite = 0x010,
    dmChSecurtity = 0x100,
};
using TMonitorOptions = std::uint32_t;  // a set of TMonitorOption bits

// One watcher thread. It holds itself alive while its thread runs.
class TFileMon : public std::enable_shared_from_this<TFileMon> {
public:
    // Starts watching; nullptr when the watcher cannot be created (no failure is shown).
    // onChange runs once per burst, posted to the inbox's thread (the GUI thread), until Stop.
    static std::shared_ptr<TFileMon> Start(const QString& folder, TMonitorOptions filter,
                                           bool watchSubTree, TInbox::TPoster inbox,
                                           std::function<void()> onChange);
    ~TFileMon();

    // GUI thread: forgets the callback, marks the watcher terminated and wakes its thread.
    void Stop();

    // The number of watcher threads still running in the process (tests wait for it).
    static int RunningCount();

    TFileMon(std::unique_ptr<TFolderWatch> watch, TInbox::TPoster inbox,
             std::function<void()> onChange);

private:
    void Run();
    void WaitForBurstEnd();
    void ReportBurst();

    std::unique_ptr<TFolderWatch> watch_;
    std::promise<void> begun_;        // the watches are in place (set on the watcher thread)
    TInbox::TPoster inbox_;
    std::function<void()> onChange_;  // read and cleared on the GUI thread only
    std::atomic<bool> terminated_{false};
};

class TDirMonitor {
public:
    TDirMonitor() = default;
    ~TDirMonitor();
    TDirMonitor(const TDirMonitor&) = delete;
    TDirMonitor& operator=(const TDirMonitor&) = delete;

    const QString& Directory() const { return directory_; }
    void SetDirectory(const QString& directory);
    TMonitorOptions Options() const { return options_; }
    void SetOptions(TMonitorOptions options);
    bool WatchSubTree() const { return watchSubTree_; }
    void SetWatchSubTree(bool watchSubTree);
    // True while a watcher runs; setting true reads back false when none could be created.
    bool Active() const { return mon_ != nullptr; }
    void SetActive(bool active);

    std::function<void(TDirMonitor& sender)> OnFilesChange;

private:
    void Start();
    void Stop();
    void RestartIfActive();
    void FilesChanged();

    QString directory_;
    TMonitorOptions options_ = dmChFileName | dmChDirName | dmChLastWrite;
    bool watchSubTree_ = false;
    std::shared_ptr<TFileMon> mon_;
    TInbox inbox_;  // the watchers' reports; closed with the monitor
};

}  // namespace pixmarl
