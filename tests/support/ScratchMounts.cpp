#include "ScratchMounts.h"

#include <chrono>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <signal.h>
#include <unistd.h>

namespace pixmarl::test {

namespace {

bool IsMounted(const QString& mountPoint)
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    return table.open(QIODevice::ReadOnly) &&
           table.readAll().contains(" " + QFile::encodeName(mountPoint) + " ");
}

bool WaitMounted(const QString& mountPoint, bool mounted)
{
    QElapsedTimer t;
    t.start();
    while (IsMounted(mountPoint) != mounted) {
        if (t.elapsed() > 5000)
            return false;
        QThread::msleep(10);
    }
    return true;
}

QString NeedsRoot()
{
    return ::geteuid() == 0 ? QString() : QStringLiteral("needs root to mount");
}

void Unmount(const QString& mountPoint)
{
    if (QProcess::execute(QStringLiteral("umount"), {mountPoint}) != 0)
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), mountPoint});
    WaitMounted(mountPoint, false);
}

}  // namespace

TMount::TMount(const QStringList& args, const QString& mountPoint)
    : mountPoint_(mountPoint), why_(NeedsRoot())
{
    if (why_.isEmpty() &&
        QProcess::execute(QStringLiteral("mount"), args + QStringList{mountPoint}) != 0)
        why_ = QStringLiteral("mount ") + args.join(u' ') + QStringLiteral(" failed");
}

TMount::~TMount()
{
    if (why_.isEmpty())
        Unmount(mountPoint_);
}

TDeadMount::TDeadMount(const QString& folder, const QString& mountPoint, int limitMs)
    : mountPoint_(mountPoint), why_(NeedsRoot())
{
    const QString bindfs = QStandardPaths::findExecutable(QStringLiteral("bindfs"));
    if (why_.isEmpty() && (bindfs.isEmpty() || !QFileInfo::exists(QStringLiteral("/dev/fuse"))))
        why_ = QStringLiteral("needs bindfs and /dev/fuse (scripts/install-deps.sh installs it)");
    if (!why_.isEmpty())
        return;
    if (!QProcess::startDetached(bindfs, {QStringLiteral("-f"), folder, mountPoint}, {}, &pid_) ||
        !WaitMounted(mountPoint, true)) {
        why_ = QStringLiteral("bindfs could not mount");
        if (pid_ > 0)
            ::kill(pid_t(pid_), SIGTERM);
        return;
    }
    ::kill(pid_t(pid_), SIGSTOP);
    watchdog_ = std::thread([this, limitMs] {
        std::unique_lock lock(mutex_);
        if (!ended_.wait_for(lock, std::chrono::milliseconds(limitMs),
                             [this] { return ending_; })) {
            revived_ = true;
            Resume();
        }
    });
}

TDeadMount::~TDeadMount()
{
    if (!why_.isEmpty())
        return;
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    ended_.notify_all();
    watchdog_.join();
    Resume();
    Unmount(mountPoint_);
}

void TDeadMount::Resume()
{
    ::kill(pid_t(pid_), SIGCONT);
}

}  // namespace pixmarl::test
