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
    if (event & IN_Q_OVERFLOW)
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
      filter_(filter),
      subTree_(subTree)
{
    if (!IsValid() || InotifyMask(filter_, subTree_) == 0)
        return;
    if (subTree_)
        AddWatchTree(folder);
    else
        AddWatch(folder);
}

TFolderWatch::~TFolderWatch()
{
    if (inotifyFd_ >= 0)
        ::close(inotifyFd_);
    if (stopFd_ >= 0)
        ::close(stopFd_);
}

void TFolderWatch::AddWatch(const QString& folder)
{
    const int wd = inotify_add_watch(inotifyFd_, QFile::encodeName(folder).constData(),
                                     InotifyMask(filter_, subTree_) | IN_ONLYDIR);
    if (wd >= 0)
        folders_[wd] = folder;
}

void TFolderWatch::AddWatchTree(const QString& folder)
{
    AddWatch(folder);
    ForEachDirName(folder, {}, [&](const TDirName& entry) {
        if (entry.isDir)
            AddWatchTree(JoinPath(
                folder, QFile::decodeName(QByteArray(entry.nativeName.data(),
                                                     qsizetype(entry.nativeName.size())))));
    });
}

bool TFolderWatch::ReadEvents()
{
    alignas(inotify_event) char buffer[16384];
    bool relevant = false;
    for (;;) {
        const ssize_t n = ::read(inotifyFd_, buffer, sizeof buffer);
        if (n <= 0)
            return relevant;
        for (ssize_t pos = 0; pos < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + pos);
            pos += ssize_t(sizeof(inotify_event) + e->len);
            if (e->mask & IN_IGNORED) {
                folders_.erase(e->wd);
                continue;
            }
            const bool newFolder = (e->mask & (IN_CREATE | IN_MOVED_TO)) && (e->mask & IN_ISDIR);
            const auto it = folders_.find(e->wd);
            if (subTree_ && newFolder && it != folders_.end() && e->len > 0)
                AddWatchTree(JoinPath(it->second, QFile::decodeName(e->name)));
            relevant = relevant || PassesFilter(filter_, e->mask);
        }
    }
}

TFolderWaitResult TFolderWatch::Wait(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd fds[2] = {{stopFd_, POLLIN, 0}, {inotifyFd_, POLLIN, 0}};
        const nfds_t count = IsWatching() ? 2 : 1;
        const int rc = ::poll(fds, count, timeoutMs < 0 ? -1 : RemainingMs(deadline));
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0)
            return wrFailed;
        if (fds[0].revents != 0)
            return wrStop;
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
