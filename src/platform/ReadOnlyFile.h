#pragma once

// A file opened for reading by position: each ReadAt is one pread, with no seek and no stream
// buffer in between, for readers that take a few small pieces of many files. Closed when the
// object goes. One object per thread.

#include <QString>

namespace pixmarl {

class TReadOnlyFile {
public:
    explicit TReadOnlyFile(const QString& fileName);
    ~TReadOnlyFile();
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Reads up to count bytes at offset; returns how many were read (0 at the end), -1 on error.
    qint64 ReadAt(qint64 offset, void* dest, qint64 count) const;

private:
    int fd_ = -1;
};

}  // namespace pixmarl
