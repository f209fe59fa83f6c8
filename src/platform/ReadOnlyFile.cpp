#include "platform/ReadOnlyFile.h"

#include <cerrno>

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace pixmarl {

TReadOnlyFile::TReadOnlyFile(const QString& fileName)
    : fd_(open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC))
{}

TReadOnlyFile::~TReadOnlyFile()
{
    if (fd_ >= 0)
        close(fd_);
}

qint64 TReadOnlyFile::ReadAt(qint64 offset, void* dest, qint64 count) const
{
    ssize_t got = 0;
    do {
        got = pread(fd_, dest, size_t(count), off_t(offset));
    } while (got < 0 && errno == EINTR);
    return qint64(got);
}

}  // namespace pixmarl
