#pragma once

// Opening user files for reading. A FIFO, a device or a socket under an image's name (or a link
// to one) must neither block the opening thread nor feed it endless bytes, so every open here
// uses O_NONBLOCK | O_CLOEXEC and is refused unless the open descriptor is a regular file; reads
// are bounded by the size the file had when it was opened.
//
// TReadOnlyFile reads by position: each ReadAt is one pread, with no seek and no stream buffer in
// between, for readers that take a few small pieces of many files. One object per thread.

#include <cstdio>

#include <QIODevice>
#include <QString>

class QFile;

namespace pixmarl {

class TReadOnlyFile {
public:
    explicit TReadOnlyFile(const QString& fileName);
    ~TReadOnlyFile();
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

    // False for a missing or unreadable file and for anything that is not a regular file.
    bool IsOpen() const { return fd_ >= 0; }
    // The size when the file was opened.
    qint64 Size() const { return size_; }
    // Reads up to count bytes at offset, never beyond Size(); returns how many were read (0 at
    // the end), -1 on error.
    qint64 ReadAt(qint64 offset, void* dest, qint64 count) const;
    // Hands the descriptor to the caller, who closes it; the object is closed afterwards.
    int Release();

private:
    int fd_ = -1;
    qint64 size_ = 0;
};

// Opens fileName as TReadOnlyFile does and gives the descriptor to file, opened read-only with
// mode's further flags (the file closes it). False, with file closed, when the file is refused.
bool OpenReadOnly(QFile& file, const QString& fileName,
                  QIODevice::OpenMode mode = QIODevice::ReadOnly);

// The same as a C stream (close it with fclose); nullptr when the file is refused. size receives
// the size at opening.
std::FILE* OpenReadOnlyStream(const QString& fileName, qint64& size);

}  // namespace pixmarl
