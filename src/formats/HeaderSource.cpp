#include "formats/HeaderSource.h"

#include <algorithm>
#include <cstring>

#include <QFile>

namespace pixmarl {

THeaderSource::THeaderSource(const QString& fileName, int chunkSize)
    : chunkSize_(std::clamp(chunkSize, 1, kChunkSize))
{
    file_.reset(std::fopen(QFile::encodeName(fileName).constData(), "rb"));
    if (!file_)
        return;
    // Our own chunk is the buffer: a second one inside stdio would only copy twice.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    chunk_ = std::make_unique<std::array<std::uint8_t, kChunkSize>>();
    data_ = chunk_->data();
}

THeaderSource::THeaderSource(QByteArrayView data)
    : data_(reinterpret_cast<const std::uint8_t*>(data.data())),
      dataLength_(data.size()),
      knownEnd_(data.size())
{
    static const std::uint8_t kEmpty = 0;
    if (data_ == nullptr)
        data_ = &kEmpty;
}

THeaderSource::~THeaderSource() = default;

bool THeaderSource::Ensure()
{
    if (position_ >= dataStart_ && position_ < dataStart_ + dataLength_)
        return true;
    if (!file_ || readFailed_ || (knownEnd_ >= 0 && position_ >= knownEnd_))
        return false;
    Fill();
    return dataLength_ > 0;
}

void THeaderSource::Fill()
{
    dataStart_ = position_;
    dataLength_ = 0;
    if (filePosition_ != position_ && fseeko(file_.get(), off_t(position_), SEEK_SET) != 0) {
        readFailed_ = true;
        return;
    }
    const size_t got = std::fread(chunk_->data(), 1, size_t(chunkSize_), file_.get());
    filePosition_ = position_ + qint64(got);
    dataLength_ = qint64(got);
    if (got < size_t(chunkSize_)) {
        if (std::ferror(file_.get()))
            readFailed_ = true;
        else
            knownEnd_ = filePosition_;
    }
}

bool THeaderSource::ReadByte(std::uint8_t& byte)
{
    if (!Ensure())
        return false;
    byte = data_[position_ - dataStart_];
    ++position_;
    return true;
}

qint64 THeaderSource::Read(void* dest, qint64 count)
{
    auto* out = static_cast<std::uint8_t*>(dest);
    qint64 done = 0;
    while (done < count && Ensure()) {
        const qint64 offset = position_ - dataStart_;
        const qint64 n = std::min(count - done, dataLength_ - offset);
        std::memcpy(out + done, data_ + offset, size_t(n));
        done += n;
        position_ += n;
    }
    return done;
}

bool THeaderSource::AtEnd()
{
    return !Ensure();
}

bool ReadFileStart(const QString& fileName, int count, QByteArray& start)
{
    THeaderSource source(fileName, count);
    if (!source.IsOpen())
        return false;
    start.resize(std::clamp(count, 0, THeaderSource::kChunkSize));
    start.resize(source.Read(start.data(), start.size()));
    return !source.ReadFailed();
}

}  // namespace pixmarl
