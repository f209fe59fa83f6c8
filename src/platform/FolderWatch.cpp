#include "FolderWatch.h"

#include <cerrno>
#include <chrono>

#include <QFile>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

#include "DirEntries.h"
#include "Paths.h"

namespace pixmarl {

namespace {

constexpr std::uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kWriteEvents = IN_MODIFY | IN_CLOSE_WRITE;
// The watched folder itself gone: deleted, moved away, unmounted, or its watch dropped.
constexpr std::uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;
// How often a folder that cannot be watched is looked for again.
constexpr int kLookAgainMs = 250;

std::uint32_t InotifyMask(std::uint32_t filter, bool subTree)
{
    std::uint32_t mask = 0;
    if (filter & (fwFileName | fwDirName))
        mask |= kNameEvents;
    if (filter & (fwAttributes | fwSecurity))
        mask |= IN_ATTRIB;
    if (filter & (fwSize | fwLastWrite))
        mask |= kWriteEvents;
    // New sub-folders must be seen to be watched, whatever the filter asks for.
    if (subTree && mask != 0)
        mask |= IN_CREATE | IN_MOVED_TO;
    return mask;
}

bool PassesFilter(std::uint32_t filter, std::uint32_t event)
{
    if (event & (IN_Q_OVERFLOW | kSelfEvents))
        return true;
    if (event & kNameEvents)
        return filter & ((event & IN_ISDIR) ? fwDirName : fwFileName);
    if (event & IN_ATTRIB)
        return filter & (fwAttributes | fwSecurity);
    if (event & kWriteEvents)
        return filter & (fwSize | fwLastWrite);
    return false;
}

int RemainingMs(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() < 0 ? 0 : int(left.count());
}

}  // namespace

TFolderWatch::TFolderWatch(const QString& folder, std::uint32_t filter, bool subTree)
    : stopFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      inotifyFd_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)),
      folder_(folder),
      filter_(filter),
      subTree_(subTree)
{}

void TFolderWatch::Begin()
{
    if (IsValid() && InotifyMask(filter_, subTree_) != 0)
        WatchRoot();
}

void TFolderWatch::WatchRoot()
{
    std::set<int> walked;
    AddWatchTree(folder_, walked, true);
}

void TFolderWatch::ForgetAll()
{
    for (const auto& [wd, folder] : folders_)
        inotify_rm_watch(inotifyFd_, wd);
    folders_.clear();
    rootWd_ = -1;
}

TFolderWatch::~TFolderWatch()
{
    if (inotifyFd_ >= 0)
        ::close(inotifyFd_);
    if (stopFd_ >= 0)
        ::close(stopFd_);
}

int TFolderWatch::AddWatch(const QString& folder, bool root)
{
    // The folder asked for may be reached through a link; below it links are never followed.
    const std::uint32_t mask = InotifyMask(filter_, subTree_) | IN_ONLYDIR |
                               (root ? IN_DELETE_SELF | IN_MOVE_SELF : IN_DONT_FOLLOW);
    const int wd = inotify_add_watch(inotifyFd_, QFile::encodeName(folder).constData(), mask);
    if (wd >= 0)
        folders_[wd] = folder;
    if (root)
        rootWd_ = wd;
    return wd;
}

void TFolderWatch::AddWatchTree(const QString& folder, std::set<int>& walked, bool root)
{
    const int wd = AddWatch(folder, root);
    // A folder met twice in one walk (a bind mount of an ancestor) is not walked again.
    if (wd < 0 || !subTree_ || !walked.insert(wd).second)
        return;
    ForEachDirName(folder, {}, [&](const TDirName& entry) {
        if (entry.isDir)
            AddWatchTree(
                JoinPath(folder, QFile::decodeName(QByteArray(entry.nativeName.data(),
                                                              qsizetype(entry.nativeName.size())))),
                walked);
    });
}

bool TFolderWatch::ReadEvents()
{
    alignas(inotify_event) char buffer[16384];
    bool relevant = false;
    bool overflow = false;
    for (;;) {
        const ssize_t n = ::read(inotifyFd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t pos = 0; pos < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + pos);
            pos += ssize_t(sizeof(inotify_event) + e->len);
            const bool rootGone = e->wd == rootWd_ && (e->mask & kSelfEvents);
            relevant = relevant || PassesFilter(filter_, e->mask);
            overflow = overflow || (e->mask & IN_Q_OVERFLOW);
            if (rootGone) {
                // Watched again only when a folder is back at the path (Wait looks for it).
                ForgetAll();
                continue;
            }
            if (e->mask & IN_IGNORED) {
                folders_.erase(e->wd);
                continue;
            }
            const bool newFolder = (e->mask & (IN_CREATE | IN_MOVED_TO)) && (e->mask & IN_ISDIR);
            const auto it = folders_.find(e->wd);
            if (subTree_ && newFolder && it != folders_.end() && e->len > 0) {
                std::set<int> walked;
                AddWatchTree(JoinPath(it->second, QFile::decodeName(e->name)), walked);
            }
        }
    }
    // Events were lost, new sub-folders among them: walk the tree again.
    if (overflow && subTree_ && rootWd_ >= 0)
        WatchRoot();
    return relevant;
}

TFolderWaitResult TFolderWatch::Wait(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const bool watching = InotifyMask(filter_, subTree_) != 0;
    for (;;) {
        pollfd fds[2] = {{stopFd_, POLLIN, 0}, {inotifyFd_, POLLIN, 0}};
        // Without its folder the watch only looks for it now and then.
        const bool looking = watching && rootWd_ < 0;
        int wait = timeoutMs < 0 ? -1 : RemainingMs(deadline);
        if (looking && (wait < 0 || wait > kLookAgainMs))
            wait = kLookAgainMs;
        const int rc = ::poll(fds, watching ? 2 : 1, wait);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0)
            return wrFailed;
        if (fds[0].revents != 0)
            return wrStop;
        if (rc == 0 && looking) {
            WatchRoot();
            if (rootWd_ >= 0)
                return wrChange;
        }
        if (rc == 0 && (timeoutMs < 0 || RemainingMs(deadline) > 0))
            continue;
        if (rc == 0)
            return wrTimeout;
        if (ReadEvents())
            return wrChange;
        if (timeoutMs >= 0 && RemainingMs(deadline) == 0)
            return wrTimeout;
    }
}

void TFolderWatch::Stop()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopFd_, &one, sizeof one);
}

void LowerCurrentThreadPriority()
{
    // On Linux the nice value belongs to each thread, so this leaves the others alone.
    const id_t self = id_t(gettid());
    const int current = getpriority(PRIO_PROCESS, self);
    setpriority(PRIO_PROCESS, self, current + 4 > 19 ? 19 : current + 4);
}

}  // namespace pixmarl
