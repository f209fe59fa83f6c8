#include "formats/HeaderSource.h"

#include <algorithm>
#include <cstring>

namespace pixmarl {

namespace {

constexpr qint64 kMinRead = 1024;

}  // namespace

THeaderSource::THeaderSource(const QString& fileName, int chunkSize)
    : chunkSize_(std::clamp(chunkSize, 1, kChunkSize))
{
    file_.emplace(fileName);
    if (file_->IsOpen())
        data_ = chunk_.data();
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
    if (InData())
        return true;
    if (!file_ || !file_->IsOpen() || readFailed_ || (knownEnd_ >= 0 && position_ >= knownEnd_))
        return false;
    Fill();
    return dataLength_ > 0;
}

void THeaderSource::Fill()
{
    dataStart_ = position_;
    // A read that stays inside one page of the file costs the kernel one page lookup, not two.
    const qint64 toPageEnd = kChunkSize - position_ % kChunkSize;
    const qint64 length =
        std::min<qint64>(chunkSize_, toPageEnd >= kMinRead ? toPageEnd : chunkSize_);
    const qint64 got = file_->ReadAt(position_, chunk_.data(), length);
    dataLength_ = std::max<qint64>(got, 0);
    if (got < 0)
        readFailed_ = true;
    else if (got == 0)
        knownEnd_ = position_;
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
