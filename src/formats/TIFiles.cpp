#include "TIFiles.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include <QFile>
#include <QIODevice>
#include <QImage>

#include "formats/Adobe.h"
#include "formats/Images.h"
#include "formats/LZW.h"
#include "formats/RasterProcs.h"
#include "platform/ReadOnlyFile.h"

namespace pixmarl {

namespace {

enum TTifTag : std::uint16_t {
    tgImageWidth = 256,
    tgImageLength = 257,
    tgBitsPerSample = 258,
    tgCompression = 259,
    tgPhotometric = 262,
    tgFillOrder = 266,
    tgDocumentName = 269,
    tgStripOffsets = 273,
    tgOrientation = 274,
    tgSamplesPerPixel = 277,
    tgRowsPerStrip = 278,
    tgStripByteCounts = 279,
    tgPlanarConfig = 284,
    tgPredictor = 317,
    tgColorMap = 320,
    tgTileWidth = 322,
    tgTileOffsets = 324,
    tgExtraSamples = 338,
    tgSampleFormat = 339,
    tgPhotoshop = 34377,
    tgIccProfile = 34675,
};

constexpr std::uint16_t kNoCompression = 1;
constexpr std::uint16_t kLzwCompression = 5;
constexpr std::uint16_t kHorizontalPredictor = 2;
constexpr int kEntrySize = 12;
constexpr int kMaxBitsPerSampleValues = 4;
constexpr qint64 kColorMapBytes = 3 * 256 * 2;
// A document name is a line of text; anything longer is cut rather than read whole.
constexpr std::uint32_t kMaxDocumentNameBytes = 65536;

// One directory entry as stored, with the value field still in the file's byte order.
struct TTifEntry {
    std::uint16_t Tag = 0;
    std::uint16_t Type = 0;
    std::uint32_t Count = 0;
    std::array<std::uint8_t, 4> Field{};
};

// Bytes per value of the TIFF field types; 0 for types this reader does not size.
int TypeSize(std::uint16_t type)
{
    static constexpr std::array<int, 13> kSizes = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < kSizes.size() ? kSizes[type] : 0;
}

// The file behind the reader: every read is checked against its size.
class TTifSource {
public:
    explicit TTifSource(QIODevice& device) : device_(device), size_(device.size()) {}

    qint64 Size() const { return size_; }
    bool Intel() const { return intel_; }
    void SetIntel(bool intel) { intel_ = intel; }

    bool Contains(qint64 offset, qint64 count) const
    {
        return offset >= 0 && count >= 0 && offset <= size_ && count <= size_ - offset;
    }

    bool ReadAt(qint64 offset, qint64 count, void* dest)
    {
        if (!Contains(offset, count))
            return false;
        if (count == 0)
            return true;
        if (!device_.seek(offset))
            return false;
        return device_.read(static_cast<char*>(dest), count) == count;
    }

    std::uint32_t Get(const std::uint8_t* p, int bytes) const
    {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= std::uint32_t(p[intel_ ? i : bytes - 1 - i]) << (8 * i);
        return v;
    }

    // Up to maxCount values of an entry, each widened to 32 bits; false when they lie outside
    // the file. Types without a size, and 8-byte types, give the value field itself, as one
    // value.
    bool Values(const TTifEntry& entry, std::uint32_t maxCount, std::vector<std::uint32_t>& out)
    {
        const int size = TypeSize(entry.Type);
        const std::uint32_t count = std::min(entry.Count, maxCount);
        out.clear();
        if (size == 0 || size > 4) {
            out.push_back(Get(entry.Field.data(), 4));
            return true;
        }
        if (count == 0)
            return true;
        const std::uint8_t* data = entry.Field.data();
        std::vector<std::uint8_t> bytes;
        if (qint64(entry.Count) * size > 4) {
            // The whole array must lie in the file, even when only its start is needed.
            const qint64 offset = Get(entry.Field.data(), 4);
            bytes.resize(std::size_t(count) * std::size_t(size));
            if (!Contains(offset, qint64(entry.Count) * size) ||
                !ReadAt(offset, qint64(bytes.size()), bytes.data()))
                return false;
            data = bytes.data();
        }
        out.resize(count);
        for (std::uint32_t i = 0; i < count; ++i)
            out[i] = Get(data + std::size_t(i) * std::size_t(size), size);
        return true;
    }

    bool First(const TTifEntry& entry, std::uint32_t& value)
    {
        std::vector<std::uint32_t> values;
        if (!Values(entry, 1, values))
            return false;
        value = values.empty() ? 0 : values.front();
        return true;
    }

private:
    QIODevice& device_;
    qint64 size_;
    bool intel_ = false;
};

// Where the decoder finds the strips and the colour map; filled by the directory reader.
struct TTifLayout {
    bool HasStripOffsets = false;
    TTifEntry StripOffsets;
    bool HasStripByteCounts = false;
    TTifEntry StripByteCounts;
    bool HasRowsPerStrip = false;
    TTifEntry RowsPerStrip;
    bool HasColorMap = false;
    std::uint32_t ColorMapOffset = 0;
};

bool ReadHeader(TTifSource& source, TTifInfo& info, std::uint32_t& directory)
{
    std::array<std::uint8_t, 8> header{};
    if (!source.ReadAt(0, 8, header.data()))
        return false;
    if (header[0] == 'I' && header[1] == 'I')
        source.SetIntel(true);
    else if (header[0] != 'M' || header[1] != 'M')
        return false;
    info.Intel = source.Intel();
    directory = source.Get(&header[4], 4);
    return source.Get(&header[2], 2) == 42 && directory <= std::uint32_t(INT32_MAX);
}

std::int32_t ToInt32(std::uint32_t value, bool& unsupported)
{
    if (value > std::uint32_t(INT32_MAX)) {
        unsupported = true;
        return 0;
    }
    return std::int32_t(value);
}

bool ReadBitsPerSample(TTifSource& source, const TTifEntry& entry, TTifInfo& info)
{
    std::vector<std::uint32_t> values;
    if (!source.Values(entry, kMaxBitsPerSampleValues, values))
        return false;
    if (values.empty())
        return true;
    info.BitsPerSample = std::uint16_t(values.front());
    if (entry.Count > kMaxBitsPerSampleValues || values.front() > 0xFFFF)
        info.Unsupported = true;
    for (std::uint32_t v : values)
        info.Unsupported |= v != values.front();
    return true;
}

bool ReadDocumentName(TTifSource& source, const TTifEntry& entry, TTifInfo& info)
{
    const std::uint32_t count = std::min(entry.Count, kMaxDocumentNameBytes);
    QByteArray text;
    if (entry.Count <= 4) {
        text = QByteArray(reinterpret_cast<const char*>(entry.Field.data()), qsizetype(count));
    } else {
        text.resize(qsizetype(count));
        if (!source.ReadAt(source.Get(entry.Field.data(), 4), count, text.data()))
            return false;
    }
    const qsizetype end = text.indexOf('\0');
    info.DocumentName = QString::fromLatin1(end < 0 ? text : text.left(end));
    return true;
}

// Entries acted on without reading their values; false for any other tag.
bool ApplyReference(const TTifSource& source, const TTifEntry& entry, TTifInfo& info,
                    TTifLayout& layout)
{
    switch (entry.Tag) {
    case tgStripOffsets:
        layout.HasStripOffsets = true;
        layout.StripOffsets = entry;
        return true;
    case tgStripByteCounts:
        layout.HasStripByteCounts = true;
        layout.StripByteCounts = entry;
        return true;
    case tgRowsPerStrip:
        layout.HasRowsPerStrip = true;
        layout.RowsPerStrip = entry;
        return true;
    case tgColorMap:
        layout.HasColorMap = true;
        layout.ColorMapOffset = source.Get(entry.Field.data(), 4);
        return true;
    case tgPhotoshop:
        info.PhotoshopOffset =
            std::int32_t(std::min(source.Get(entry.Field.data(), 4), std::uint32_t(INT32_MAX)));
        info.PhotoshopSize = std::int32_t(std::min(entry.Count, std::uint32_t(INT32_MAX)));
        return true;
    case tgIccProfile:
        info.HasICCProfile = true;
        return true;
    case tgTileWidth:
    case tgTileOffsets:
        // Tiled images are not read.
        info.Unsupported = true;
        return true;
    default:
        return false;
    }
}

constexpr std::array<std::uint16_t, 11> kSingleValueTags = {
    tgImageWidth,   tgImageLength, tgCompression,  tgPhotometric, tgSamplesPerPixel,
    tgPlanarConfig, tgPredictor,   tgExtraSamples, tgFillOrder,   tgSampleFormat,
    tgOrientation,
};

void ApplyValue(std::uint16_t tag, std::uint32_t value, TTifInfo& info)
{
    switch (tag) {
    case tgImageWidth:
        info.ImageWidth = ToInt32(value, info.Unsupported);
        break;
    case tgImageLength:
        info.ImageHeight = ToInt32(value, info.Unsupported);
        break;
    case tgCompression:
        info.Compression = std::uint16_t(std::min(value, 0xFFFFu));
        break;
    case tgPhotometric:
        info.Photometric = std::uint8_t(std::min(value, 255u));
        break;
    case tgSamplesPerPixel:
        info.SamplesPerPixel = std::uint16_t(std::min(value, 0xFFFFu));
        break;
    case tgPlanarConfig:
        info.PlanarConfig = std::uint8_t(std::min(value, 255u));
        info.Unsupported |= value != 1;
        break;
    case tgPredictor:
        info.Predictor = std::uint16_t(std::min(value, 0xFFFFu));
        info.Unsupported |= value > kHorizontalPredictor;
        break;
    case tgExtraSamples:
        info.ExtraSamples = value != 0;
        break;
    case tgFillOrder:
        // Bits stored least significant first would come out scrambled.
        info.Unsupported |= value == 2;
        break;
    case tgSampleFormat:
        // Signed and floating-point samples would be shown as unsigned integers.
        info.Unsupported |= value != 1;
        break;
    case tgOrientation:
        // Only how the image is shown; the stored rows are decoded as they are.
        info.Orientation = value >= 1 && value <= 8 ? std::uint8_t(value) : 1;
        break;
    default:
        break;
    }
}

// Acts on one entry; false on a read error.
bool ApplyEntry(TTifSource& source, const TTifEntry& entry, TTifInfo& info, TTifLayout& layout)
{
    if (entry.Tag == tgBitsPerSample)
        return ReadBitsPerSample(source, entry, info);
    if (entry.Tag == tgDocumentName)
        return ReadDocumentName(source, entry, info);
    if (ApplyReference(source, entry, info, layout) ||
        std::find(kSingleValueTags.begin(), kSingleValueTags.end(), entry.Tag) ==
            kSingleValueTags.end())
        return true;
    std::uint32_t value = 0;
    if (!source.First(entry, value))
        return false;
    ApplyValue(entry.Tag, value, info);
    return true;
}

TTifImageType ImageTypeOf(const TTifInfo& info)
{
    const int samples = info.SamplesPerPixel - (info.ExtraSamples ? 1 : 0);
    switch (info.Photometric) {
    case 0:
    case 1:
        if (samples != 1)
            return itUnknown;
        return info.BitsPerSample == 1 ? itBilevel : itGrayscale;
    case 2:
        return itRGB;
    case 3:
        return itPalette;
    case 5:
        return samples == 4 ? itCMYK : itUnknown;
    default:
        return itUnknown;
    }
}

bool IsSupportedCombination(const TTifInfo& info)
{
    const bool eightBits = info.BitsPerSample == 8;
    switch (info.ImageType) {
    case itPalette:
    case itGrayscale:
    case itCMYK:
        return eightBits;
    case itBilevel:
        // Differencing 1-bit samples is not defined.
        return info.Predictor != kHorizontalPredictor;
    case itRGB:
        return eightBits && info.SamplesPerPixel == 3;
    default:
        return false;
    }
}

void Classify(TTifInfo& info)
{
    info.BitsPerPixel =
        std::int32_t(std::min<qint64>(qint64(info.BitsPerSample) * info.SamplesPerPixel,
                                      std::numeric_limits<std::int32_t>::max()));
    info.ImageType = ImageTypeOf(info);
    const bool knownCompression =
        info.Compression == kNoCompression || info.Compression == kLzwCompression;
    if (!IsSupportedCombination(info) || info.ExtraSamples || !knownCompression)
        info.Unsupported = true;
}

bool ReadDirectory(TTifSource& source, std::uint32_t offset, TTifInfo& info, TTifLayout& layout)
{
    std::array<std::uint8_t, 2> countBytes{};
    if (!source.ReadAt(offset, 2, countBytes.data()))
        return false;
    const std::uint32_t count = source.Get(countBytes.data(), 2);
    std::vector<std::uint8_t> entries(std::size_t(count) * kEntrySize);
    if (!source.ReadAt(qint64(offset) + 2, qint64(entries.size()), entries.data()))
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* p = entries.data() + std::size_t(i) * kEntrySize;
        TTifEntry entry;
        entry.Tag = std::uint16_t(source.Get(p, 2));
        entry.Type = std::uint16_t(source.Get(p + 2, 2));
        entry.Count = source.Get(p + 4, 4);
        std::copy(p + 8, p + 12, entry.Field.begin());
        if (!ApplyEntry(source, entry, info, layout))
            return false;
    }
    Classify(info);
    return true;
}

bool ReadInfo(TTifSource& source, TTifInfo& info, TTifLayout& layout)
{
    std::uint32_t directory = 0;
    info = TTifInfo{};
    return ReadHeader(source, info, directory) && ReadDirectory(source, directory, info, layout);
}

// One strip of the strip table.
struct TTifStrip {
    std::uint32_t Offset = 0;
    std::uint32_t ByteCount = 0;
    std::uint32_t Rows = 0;
};

// Decodes the first image of a file whose directory has been read.
class TTifDecoder {
public:
    TTifDecoder(TTifSource& source, const TTifInfo& info, const TTifLayout& layout)
        : source_(source), info_(info), layout_(layout)
    {}

    QImage Decode()
    {
        if (!PrepareLayout() || !ReadStripTable() || !StripsCanHoldImage())
            return {};
        QList<QRgb> colors;
        if (!ReadColorTable(colors))
            return {};
        image_ = QImage(dib_.Width, dib_.Height, format_);
        if (image_.isNull())
            return {};
        image_.setColorTable(colors);
        if (!DecodeStrips())
            return {};
        return std::move(image_);
    }

private:
    bool PrepareLayout()
    {
        dib_.Width = info_.ImageWidth;
        dib_.Height = info_.ImageHeight;
        const qint64 width = info_.ImageWidth;
        switch (info_.ImageType) {
        case itPalette:
        case itGrayscale:
            dib_.BitCount = 8;
            dib_.ColorCount = 256;
            format_ = QImage::Format_Indexed8;
            sourceRowBytes_ = width;
            break;
        case itBilevel:
            dib_.BitCount = 1;
            dib_.ColorCount = 2;
            format_ = QImage::Format_Mono;
            sourceRowBytes_ = (width + 7) / 8;
            break;
        case itRGB:
            sourceRowBytes_ = width * 3;
            break;
        case itCMYK:
            sourceRowBytes_ = width * 4;
            break;
        default:
            return false;
        }
        // The image is bounded as its BMP file would be.
        return width > 0 && dib_.Height > 0 && dib_.FileSize() <= kMaxTiffBmpBytes;
    }

    bool ReadStripTable()
    {
        if (!layout_.HasStripOffsets || layout_.StripOffsets.Count == 0)
            return false;
        // Strips past the last row are never read, so the table needs no more entries than
        // the image has rows.
        const std::uint32_t count =
            std::min(layout_.StripOffsets.Count, std::uint32_t(info_.ImageHeight));
        std::vector<std::uint32_t> offsets, byteCounts, rows;
        if (!source_.Values(layout_.StripOffsets, count, offsets) ||
            (layout_.HasStripByteCounts &&
             !source_.Values(layout_.StripByteCounts, count, byteCounts)) ||
            (layout_.HasRowsPerStrip && !source_.Values(layout_.RowsPerStrip, count, rows)))
            return false;
        strips_.resize(offsets.size());
        for (std::size_t i = 0; i < strips_.size(); ++i) {
            TTifStrip& strip = strips_[i];
            strip.Offset = offsets[i];
            if (layout_.StripOffsets.Count == 1)
                strip.Rows = std::uint32_t(info_.ImageHeight);
            else if (!rows.empty())
                strip.Rows = rows.size() == 1 ? rows.front() : i < rows.size() ? rows[i] : 0;
            else
                strip.Rows = 1;
            if (strip.Rows == 0)
                return false;
            const qint64 computed =
                qint64(std::min(strip.Rows, std::uint32_t(info_.ImageHeight))) * sourceRowBytes_;
            const qint64 bytes = i < byteCounts.size() ? qint64(byteCounts[i]) : computed;
            // Never more than the file holds after the strip's start.
            strip.ByteCount =
                std::uint32_t(std::clamp(source_.Size() - qint64(strip.Offset), qint64(0), bytes));
        }
        return true;
    }

    // Whether the strips can give every row at all: a file that cannot is refused before the
    // BMP is allocated.
    bool StripsCanHoldImage() const
    {
        const qint64 expansion =
            info_.Compression == kLzwCompression ? qint64(kLzwMaxExpansion) : 1;
        qint64 y = 0;
        for (const TTifStrip& strip : strips_) {
            if (y >= dib_.Height)
                break;
            const qint64 rows = std::min<qint64>(strip.Rows, dib_.Height - y);
            if (rows * sourceRowBytes_ > qint64(strip.ByteCount) * expansion)
                return false;
            y += rows;
        }
        return y >= dib_.Height;
    }

    bool ReadColorTable(QList<QRgb>& colors)
    {
        if (info_.ImageType == itBilevel) {
            colors = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        } else if (info_.ImageType == itGrayscale) {
            for (int i = 0; i < 256; ++i)
                colors.append(qRgb(i, i, i));
        } else if (info_.ImageType == itPalette) {
            std::array<std::uint8_t, kColorMapBytes> map{};
            if (!layout_.HasColorMap ||
                !source_.ReadAt(layout_.ColorMapOffset, kColorMapBytes, map.data()))
                return false;
            // The high byte of each 16-bit red, green and blue entry.
            const auto level = [&](int channel, int i) {
                return std::uint8_t(source_.Get(&map[std::size_t(channel * 512 + i * 2)], 2) >> 8);
            };
            for (int i = 0; i < 256; ++i)
                colors.append(qRgb(level(0, i), level(1, i), level(2, i)));
        }
        return true;
    }

    bool DecodeStrips()
    {
        std::int32_t y = 0;
        for (const TTifStrip& strip : strips_) {
            if (y >= dib_.Height)
                break;
            const std::int32_t rows = std::int32_t(std::min<qint64>(strip.Rows, dib_.Height - y));
            std::uint8_t* data = StripData(strip, rows);
            if (data == nullptr)
                return false;
            for (std::int32_t i = 0; i < rows; ++i, ++y)
                ConvertRow(data + qint64(i) * sourceRowBytes_, image_.scanLine(y));
        }
        return y == dib_.Height;
    }

    // The strip's first rows rows of samples, decompressed; null when the strip is damaged.
    std::uint8_t* StripData(const TTifStrip& strip, std::int32_t rows)
    {
        const qint64 needed = qint64(rows) * sourceRowBytes_;
        if (info_.Compression == kNoCompression) {
            if (strip.ByteCount < needed || !Read(strip.Offset, needed))
                return nullptr;
            return read_.data();
        }
        if (!Read(strip.Offset, strip.ByteCount) || IsOldStyleLzw(read_.data(), read_.size()))
            return nullptr;
        // Room for the strip's full rows (a last strip may hold padding rows), but never more
        // than its bytes can decode to.
        const qint64 capacity =
            std::min(qint64(std::min(strip.Rows, std::uint32_t(dib_.Height))) * sourceRowBytes_,
                     qint64(read_.size()) * qint64(kLzwMaxExpansion));
        if (decoded_.size() < std::size_t(capacity))
            decoded_.resize(std::size_t(capacity));
        const TLzwResult result =
            LzwDecode(read_.data(), read_.size(), decoded_.data(), std::size_t(capacity));
        if (!result.Ok || qint64(result.Produced) < needed)
            return nullptr;
        return decoded_.data();
    }

    bool Read(qint64 offset, qint64 count)
    {
        read_.resize(std::size_t(count));
        return source_.ReadAt(offset, count, read_.data());
    }

    void ConvertRow(std::uint8_t* src, std::uint8_t* dst) const
    {
        const std::size_t width = std::size_t(dib_.Width);
        const bool differenced =
            info_.Compression == kLzwCompression && info_.Predictor == kHorizontalPredictor;
        switch (info_.ImageType) {
        case itPalette:
        case itGrayscale:
        case itBilevel:
            if (differenced)
                UndoHorizontalDifferencing(src, width, 1);
            std::copy_n(src, sourceRowBytes_, dst);
            if (info_.Photometric == 0 && info_.ImageType != itPalette)
                InvertBytes(dst, std::size_t(sourceRowBytes_));
            break;
        case itRGB:
            if (differenced)
                UndoHorizontalDifferencing(src, width, 3);
            std::copy_n(src, width * 3, dst);
            break;
        case itCMYK:
            if (differenced)
                UndoHorizontalDifferencing(src, width, 4);
            CmykToRgb(src, dst, width);
            break;
        default:
            break;
        }
    }

    TTifSource& source_;
    const TTifInfo& info_;
    const TTifLayout& layout_;
    TDibLayout dib_;
    QImage::Format format_ = QImage::Format_RGB888;
    qint64 sourceRowBytes_ = 0;
    std::vector<TTifStrip> strips_;
    std::vector<std::uint8_t> read_;
    std::vector<std::uint8_t> decoded_;
    QImage image_;
};

// The embedded thumbnail as a 24-bit image; null when there is none that decodes. Only
// little-endian files are searched.
QImage PhotoshopThumbnail(TTifSource& source, const TTifInfo& info, bool& readError)
{
    if (!info.Intel || info.PhotoshopOffset == 0 || info.PhotoshopSize == 0)
        return {};
    if (!source.Contains(info.PhotoshopOffset, info.PhotoshopSize)) {
        readError = true;
        return {};
    }
    QByteArray block(info.PhotoshopSize, Qt::Uninitialized);
    if (!source.ReadAt(info.PhotoshopOffset, info.PhotoshopSize, block.data())) {
        readError = true;
        return {};
    }
    const QByteArray jfif = FindPhotoshopThumbnail(block);
    if (jfif.isEmpty())
        return {};
    return DecodePhotoshopThumbnail(jfif).convertToFormat(QImage::Format_RGB888);
}

QImage FileToImage(const QString& fileName, bool preview)
{
    QFile file;
    if (!OpenReadOnly(file, fileName, QIODevice::Unbuffered))
        return {};
    return TiffDeviceToImage(file, preview);
}

}  // namespace

bool ReadTiffInfo(QIODevice& device, TTifInfo& info)
{
    TTifSource source(device);
    TTifLayout layout;
    return ReadInfo(source, info, layout);
}

bool ReadTiffInfo(const QString& fileName, TTifInfo& info)
{
    QFile file;
    return OpenReadOnly(file, fileName, QIODevice::Unbuffered) && ReadTiffInfo(file, info);
}

void TifInfoToUniInfo(const TTifInfo& tif, TUniInfoRec& info)
{
    static constexpr std::array<std::int8_t, 6> kColorDepths = {0, 8, 9, 1, 11, 13};
    info.Valid = true;
    info.Width = tif.ImageWidth;
    info.Height = tif.ImageHeight;
    info.SubType = tif.Compression == kNoCompression ? 1 : 2;
    info.Comment = tif.DocumentName;
    if (tif.ImageType != itUnknown)
        info.ColorDepth = kColorDepths[tif.ImageType];
}

bool TiffUniInfo(const QString& fileName, TUniInfoRec& info)
{
    return ReadUniInfo(fileName, info, ReadTiffInfo, TifInfoToUniInfo);
}

QImage TiffDeviceToImage(QIODevice& device, bool preview)
{
    TTifSource source(device);
    TTifInfo info;
    TTifLayout layout;
    if (!ReadInfo(source, info, layout) || info.Unsupported)
        return {};
    if (preview) {
        bool readError = false;
        QImage thumbnail = PhotoshopThumbnail(source, info, readError);
        if (readError)
            return {};
        if (!thumbnail.isNull())
            return thumbnail;
    }
    return TTifDecoder(source, info, layout).Decode();
}

QImage TiffToImage(const QString& fileName)
{
    return FileToImage(fileName, false);
}

QImage TiffToImagePreview(const QString& fileName)
{
    return FileToImage(fileName, true);
}

QByteArray TiffDeviceToBmp(QIODevice& device, bool preview)
{
    return ImageToBmp(TiffDeviceToImage(device, preview), kMaxTiffBmpBytes);
}

QByteArray TiffToBmp(const QString& fileName)
{
    return ImageToBmp(TiffToImage(fileName), kMaxTiffBmpBytes);
}

QByteArray TiffToBmpPreview(const QString& fileName)
{
    return ImageToBmp(TiffToImagePreview(fileName), kMaxTiffBmpBytes);
}

}  // namespace pixmarl
