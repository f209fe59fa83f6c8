#include "ScratchMounts.h"

#include <iostream>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <signal.h>
#include <unistd.h>

namespace pixmarl::test {

namespace {

bool WaitMounted(const QString& mountPoint, bool mounted)
{
    for (int i = 0; i < 500; ++i, QThread::msleep(10)) {
        QFile table(QStringLiteral("/proc/self/mountinfo"));
        if (table.open(QIODevice::ReadOnly) &&
            table.readAll().contains(" " + QFile::encodeName(mountPoint) + " ") == mounted)
            return true;
    }
    return false;
}

}  // namespace

TMount::TMount(const QStringList& args, const QString& mountPoint) : mountPoint_(mountPoint)
{
    if (::geteuid() != 0 || QProcess::execute("mount", args + QStringList{mountPoint}) != 0)
        why_ = "needs root and `mount " + args.join(u' ') + "` to work";
}

TMount::~TMount()
{
    if (why_.isEmpty() && QProcess::execute("umount", {mountPoint_}) != 0)
        QProcess::execute("umount", {"-l", mountPoint_});
    WaitMounted(mountPoint_, false);
}

bool SkippedRow(const TMount& mount)
{
    if (!mount.Why().isEmpty())
        std::cout << "row skipped (the test goes on): " << qPrintable(mount.Why()) << std::endl;
    return !mount.Why().isEmpty();
}

TDeadMount::TDeadMount(const QString& folder, const QString& mountPoint, int limitMs)
{
    mountPoint_ = mountPoint;
    const QString bindfs = QStandardPaths::findExecutable("bindfs");
    if (::geteuid() != 0 || bindfs.isEmpty() || !QFile::exists("/dev/fuse") ||
        !QProcess::startDetached(bindfs, {"-f", folder, mountPoint}, {}, &pid_) ||
        !WaitMounted(mountPoint, true)) {
        why_ = "needs root, /dev/fuse and bindfs (scripts/install-deps.sh)";
        return;
    }
    ::kill(pid_t(pid_), SIGSTOP);
    watchdog_ = std::thread([this, limitMs] {
        std::unique_lock lock(mutex_);
        revived_ =
            !ended_.wait_for(lock, std::chrono::milliseconds(limitMs), [this] { return ending_; });
        ::kill(pid_t(pid_), SIGCONT);
    });
}

TDeadMount::~TDeadMount()
{
    if (!watchdog_.joinable())
        return;
    mutex_.lock();
    ending_ = true;
    mutex_.unlock();
    ended_.notify_all();
    watchdog_.join();
}

}  // namespace pixmarl::test
