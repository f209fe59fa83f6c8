#include "Adobe.h"

#include <cstdint>

#include "formats/JPEGCodec.h"

namespace pixmarl {

namespace {

// The thumbnail resource's own header before the JFIF data: format, width, height, row bytes,
// total size, compressed size, bits per pixel, planes.
constexpr qsizetype kThumbnailHeaderSize = 28;

class TResourceReader {
public:
    explicit TResourceReader(QByteArrayView block) : block_(block) {}

    bool Signature()
    {
        if (!Has(4) || block_.sliced(pos_, 4) != QByteArrayView("8BIM"))
            return false;
        pos_ += 4;
        return true;
    }

    bool Big16(std::uint32_t& value) { return Big(2, value); }
    bool Big32(std::uint32_t& value) { return Big(4, value); }

    // The Pascal name: a length byte and the text, padded to an even count.
    bool SkipName()
    {
        if (!Has(1))
            return false;
        const qsizetype length = Padded(1 + qsizetype(std::uint8_t(block_[pos_])));
        return Skip(length);
    }

    bool Skip(qsizetype count)
    {
        if (!Has(count))
            return false;
        pos_ += count;
        return true;
    }

    QByteArrayView Take(qsizetype count)
    {
        if (!Has(count))
            return {};
        return block_.sliced(pos_, count);
    }

    static qsizetype Padded(qsizetype count) { return count + (count & 1); }

private:
    bool Has(qsizetype count) const { return count >= 0 && count <= block_.size() - pos_; }

    bool Big(int bytes, std::uint32_t& value)
    {
        if (!Has(bytes))
            return false;
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | std::uint8_t(block_[pos_ + i]);
        pos_ += bytes;
        return true;
    }

    QByteArrayView block_;
    qsizetype pos_ = 0;
};

}  // namespace

QByteArray FindPhotoshopThumbnail(QByteArrayView block)
{
    TResourceReader reader(block);
    // Each resource takes at least 12 bytes, so the walk ends within the block.
    for (;;) {
        std::uint32_t id = 0;
        std::uint32_t size = 0;
        if (!reader.Signature() || !reader.Big16(id) || !reader.SkipName() || !reader.Big32(size))
            return {};
        if (id == kPhotoshopThumbnailId) {
            if (size <= kThumbnailHeaderSize)
                return {};
            const QByteArrayView data = reader.Take(qsizetype(size));
            if (data.isEmpty())
                return {};
            return data.sliced(kThumbnailHeaderSize).toByteArray();
        }
        if (!reader.Skip(TResourceReader::Padded(qsizetype(size))))
            return {};
    }
}

QImage DecodePhotoshopThumbnail(const QByteArray& jfif)
{
    return DecodeJpegData(jfif).Image;
}

}  // namespace pixmarl
