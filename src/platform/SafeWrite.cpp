#include "SafeWrite.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "Paths.h"

namespace pixmarl {

namespace {

QString ErrnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool WriteAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

void SyncFolder(const QString& folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// The extended attributes of a file as name and value, ACLs included ("system.posix_acl_*").
std::vector<std::pair<QByteArray, QByteArray>> ReadXattrs(const QByteArray& path)
{
    std::vector<std::pair<QByteArray, QByteArray>> attrs;
    const ssize_t size = ::listxattr(path.constData(), nullptr, 0);
    if (size <= 0)
        return attrs;
    QByteArray names(size, '\0');
    const ssize_t got = ::listxattr(path.constData(), names.data(), size_t(names.size()));
    for (const QByteArray& name : names.left(got > 0 ? got : 0).split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t length = ::getxattr(path.constData(), name.constData(), nullptr, 0);
        if (length < 0)
            continue;
        QByteArray value(length, '\0');
        const ssize_t read =
            ::getxattr(path.constData(), name.constData(), value.data(), size_t(value.size()));
        if (read >= 0)
            attrs.emplace_back(name, value.left(read));
    }
    return attrs;
}

// What the old file carried, put on the new one before it gets the name. Owner and group only
// where permitted: a user may keep the group of a file they own, not give it away.
void CopyMetadata(const QByteArray& from, int to)
{
    struct stat st {};
    if (::stat(from.constData(), &st) != 0)
        return;
    const bool owned = ::fchown(to, st.st_uid, st.st_gid) == 0;
    if (!owned && ::fchown(to, uid_t(-1), st.st_gid) != 0) {
        // Neither may be set: the file stays the writer's, as any file the writer makes.
    }
    ::fchmod(to, st.st_mode & 07777);
    for (const auto& [name, value] : ReadXattrs(from))
        ::fsetxattr(to, name.constData(), value.constData(), size_t(value.size()), 0);
}

}  // namespace

QString ResolveLinks(const QString& path)
{
    QString current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        const QByteArray native = QFile::encodeName(current);
        if (::lstat(native.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::vector<char> target(PATH_MAX + 1);
        const ssize_t n = ::readlink(native.constData(), target.data(), PATH_MAX);
        if (n <= 0)
            return current;
        const QString link = QFile::decodeName(QByteArray(target.data(), n));
        current = link.startsWith(u'/')
                      ? link
                      : CleanAbsolutePath(JoinPath(ExtractFileDir(current), link));
    }
    return {};
}

bool ReplaceFileContents(const QString& path, const QByteArray& data, QString& error)
{
    const QString real = ResolveLinks(path);
    if (real.isEmpty()) {
        error = QStringLiteral("too many levels of symbolic links");
        return false;
    }
    const QByteArray native = QFile::encodeName(real);
    QByteArray tempName = native + ".XXXXXX";
    const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (fd < 0) {
        error = ErrnoText();
        return false;
    }
    CopyMetadata(native, fd);
    bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
    if (!ok)
        error = ErrnoText();
    if (::close(fd) != 0 && ok) {
        error = ErrnoText();
        ok = false;
    }
    if (ok && ::rename(tempName.constData(), native.constData()) != 0) {
        error = ErrnoText();
        ok = false;
    }
    if (!ok) {
        ::unlink(tempName.constData());
        return false;
    }
    SyncFolder(ExtractFileDir(real));
    return true;
}

}  // namespace pixmarl
