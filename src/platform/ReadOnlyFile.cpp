#include "platform/ReadOnlyFile.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixmarl {

TReadOnlyFile::TReadOnlyFile(const QString& fileName)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int fd = open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        fd_ = fd;
        size_ = qint64(st.st_size);
    } else if (fd >= 0) {
        close(fd);
    }
}

TReadOnlyFile::~TReadOnlyFile()
{
    if (fd_ >= 0)
        close(fd_);
}

qint64 TReadOnlyFile::ReadAt(qint64 offset, void* dest, qint64 count) const
{
    if (fd_ < 0 || offset < 0 || count < 0)
        return -1;
    count = std::min(count, std::max<qint64>(size_ - offset, 0));
    ssize_t got = 0;
    do {
        got = pread(fd_, dest, size_t(count), off_t(offset));
    } while (got < 0 && errno == EINTR);
    return qint64(got);
}

int TReadOnlyFile::Release()
{
    return std::exchange(fd_, -1);
}

bool OpenReadOnly(QFile& file, const QString& fileName, QIODevice::OpenMode mode)
{
    TReadOnlyFile checked(fileName);
    if (!checked.IsOpen())
        return false;
    const int fd = checked.Release();
    if (file.open(fd, mode | QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    close(fd);
    return false;
}

std::FILE* OpenReadOnlyStream(const QString& fileName, qint64& size)
{
    TReadOnlyFile checked(fileName);
    size = checked.Size();
    if (!checked.IsOpen())
        return nullptr;
    const int fd = checked.Release();
    std::FILE* stream = fdopen(fd, "rb");
    if (stream == nullptr)
        close(fd);
    return stream;
}

}  // namespace pixmarl
