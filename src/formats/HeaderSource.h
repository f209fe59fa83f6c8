#pragma once

// Buffered, forward-moving reading of the first bytes of a file (or of bytes already in memory)
// for the header readers. A file is read in chunks, so a header costs one read in the common
// case; a skip beyond the chunk costs one more read where the skip lands, never a read per byte.
// One object per read, on one thread; the file is closed when the object goes.

#include <array>
#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "platform/ReadOnlyFile.h"

namespace pixmarl {

class THeaderSource {
public:
    static constexpr int kChunkSize = 4096;

    // Opens fileName for reading; IsOpen() tells whether that worked. chunkSize (1..kChunkSize)
    // is the size of each read.
    explicit THeaderSource(const QString& fileName, int chunkSize = kChunkSize);
    // Reads from data, which must outlive the object.
    explicit THeaderSource(QByteArrayView data);
    explicit THeaderSource(const QByteArray& data) : THeaderSource(QByteArrayView(data)) {}
    // A temporary would be gone before the first read.
    explicit THeaderSource(QByteArray&& data) = delete;
    ~THeaderSource();
    THeaderSource(const THeaderSource&) = delete;
    THeaderSource& operator=(const THeaderSource&) = delete;

    bool IsOpen() const { return data_ != nullptr; }
    // True once the operating system reported a read error.
    bool ReadFailed() const { return readFailed_; }
    qint64 Position() const { return position_; }

    // Reads the byte at the position and moves past it; false at the end or on a read error.
    bool ReadByte(std::uint8_t& byte)
    {
        if (!InData() && !Ensure())
            return false;
        byte = data_[position_ - dataStart_];
        ++position_;
        return true;
    }
    // Copies up to count bytes from the position on; returns how many were there.
    qint64 Read(void* dest, qint64 count);
    // True when no byte follows the position (reads ahead when it has to know).
    bool AtEnd() { return !InData() && !Ensure(); }
    // Moves the position forward by count bytes; a position past the end only makes later reads
    // fail.
    void Skip(qint64 count) { position_ += count; }

private:
    bool InData() const { return position_ >= dataStart_ && position_ < dataStart_ + dataLength_; }
    bool Ensure();
    void Fill();

    std::optional<TReadOnlyFile> file_;
    std::array<std::uint8_t, kChunkSize>
        chunk_;  // not initialised: only what a read filled is used
    int chunkSize_ = kChunkSize;
    const std::uint8_t* data_ = nullptr;
    qint64 dataStart_ = 0;  // file offset of data_[0]
    qint64 dataLength_ = 0;
    qint64 knownEnd_ = -1;  // the file's size once a read at it came back empty
    qint64 position_ = 0;
    bool readFailed_ = false;
};

// Reads the first count bytes (at most kChunkSize) of a file with one read. False when the file
// cannot be opened or reading it fails; a shorter file gives what it holds.
bool ReadFileStart(const QString& fileName, int count, QByteArray& start);

}  // namespace pixmarl
