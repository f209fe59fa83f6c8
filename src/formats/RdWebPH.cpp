#include "formats/RdWebPH.h"

#include <algorithm>
#include <array>

#include <QByteArrayView>
#include <QtEndian>

#include "formats/HeaderSource.h"

namespace pixmarl {

namespace {

constexpr int kChunkHeaderSize = 8;
constexpr std::uint32_t kVp8xPayload = 10;
constexpr std::uint32_t kVp8MinPayload = 10;
constexpr std::uint32_t kVp8lMinPayload = 5;
constexpr std::uint8_t kVp8lSignature = 0x2F;
constexpr std::uint8_t kAnimationFlag = 0x02;
constexpr std::uint8_t kAlphaFlag = 0x10;
// A canvas of 2^32 pixels or more is refused by decoders.
constexpr std::uint64_t kMaxArea = std::uint64_t(1) << 32;

std::uint32_t Le16(const std::uint8_t* p)
{
    return qFromLittleEndian<quint16>(p);
}

std::uint32_t Le24(const std::uint8_t* p)
{
    return Le16(p) | std::uint32_t(p[2]) << 16;
}

std::uint32_t Le32(const std::uint8_t* p)
{
    return qFromLittleEndian<quint32>(p);
}

struct TChunk {
    std::array<std::uint8_t, 4> Id{};
    std::uint32_t Size = 0;

    bool Is(const char* id) const
    {
        return QByteArrayView(reinterpret_cast<const char*>(Id.data()), 4) == QByteArrayView(id, 4);
    }
};

bool ReadExactly(THeaderSource& source, void* dest, qint64 count)
{
    return source.Read(dest, count) == count;
}

bool ReadChunkHeader(THeaderSource& source, TChunk& chunk)
{
    std::array<std::uint8_t, kChunkHeaderSize> bytes{};
    if (!ReadExactly(source, bytes.data(), kChunkHeaderSize))
        return false;
    std::copy_n(bytes.begin(), 4, chunk.Id.begin());
    chunk.Size = Le32(&bytes[4]);
    return true;
}

// Moves past a chunk's payload, which is padded to an even length.
void SkipPayload(THeaderSource& source, const TChunk& chunk)
{
    source.Skip(qint64(chunk.Size) + (chunk.Size & 1));
}

// A lossy key frame: frame tag, start code, 14-bit width and height.
bool ReadVp8(THeaderSource& source, const TChunk& chunk, std::uint32_t& width,
             std::uint32_t& height)
{
    std::array<std::uint8_t, kVp8MinPayload> b{};
    if (chunk.Size < kVp8MinPayload || !ReadExactly(source, b.data(), b.size()))
        return false;
    const std::uint32_t tag = Le24(b.data());
    const bool keyFrame = (tag & 1) == 0;
    const bool shown = ((tag >> 4) & 1) != 0;
    const std::uint32_t firstPartition = tag >> 5;
    if (!keyFrame || ((tag >> 1) & 7) > 3 || !shown || firstPartition >= chunk.Size ||
        b[3] != 0x9D || b[4] != 0x01 || b[5] != 0x2A)
        return false;
    width = Le16(&b[6]) & 0x3FFF;
    height = Le16(&b[8]) & 0x3FFF;
    return width > 0 && height > 0;
}

// A lossless image: signature, 14-bit width and height minus one, alpha hint, version 0.
bool ReadVp8l(THeaderSource& source, const TChunk& chunk, std::uint32_t& width,
              std::uint32_t& height, bool& alpha)
{
    std::array<std::uint8_t, kVp8lMinPayload> b{};
    if (chunk.Size < kVp8lMinPayload || !ReadExactly(source, b.data(), b.size()) ||
        b[0] != kVp8lSignature)
        return false;
    const std::uint32_t bits = Le32(&b[1]);
    width = (bits & 0x3FFF) + 1;
    height = ((bits >> 14) & 0x3FFF) + 1;
    alpha = ((bits >> 28) & 1) != 0;
    return (bits >> 29) == 0;
}

// The image chunk (VP8 or VP8L): chunk, or one of the maxChunks - 1 chunks after it. An ALPH
// chunk before it is noted.
bool ReadImageChunk(THeaderSource& source, TChunk chunk, int maxChunks, std::uint32_t& width,
                    std::uint32_t& height, TWebPHeader& header)
{
    bool alphaChunk = false;
    for (int i = 1;; ++i) {
        if (chunk.Is("VP8 ")) {
            header.Lossless = false;
            header.Alpha = header.Alpha || alphaChunk;
            return ReadVp8(source, chunk, width, height);
        }
        if (chunk.Is("VP8L")) {
            header.Lossless = true;
            bool hint = false;
            if (!ReadVp8l(source, chunk, width, height, hint))
                return false;
            // The image's own alpha hint decides, not the container's flag.
            header.Alpha = hint || alphaChunk;
            return true;
        }
        if (i >= maxChunks)
            return false;
        alphaChunk = alphaChunk || chunk.Is("ALPH");
        SkipPayload(source, chunk);
        if (!ReadChunkHeader(source, chunk))
            return false;
    }
}

bool ReadExtended(THeaderSource& source, const TChunk& chunk, TWebPHeader& header)
{
    std::array<std::uint8_t, kVp8xPayload> b{};
    if (chunk.Size != kVp8xPayload || !ReadExactly(source, b.data(), b.size()))
        return false;
    const std::uint64_t width = std::uint64_t(Le24(&b[4])) + 1;
    const std::uint64_t height = std::uint64_t(Le24(&b[7])) + 1;
    if (width * height >= kMaxArea)
        return false;
    header.Extended = true;
    header.Width = std::int32_t(width);
    header.Height = std::int32_t(height);
    header.Alpha = (b[0] & kAlphaFlag) != 0;
    header.Animated = (b[0] & kAnimationFlag) != 0;
    if (header.Animated)
        return true;
    std::uint32_t imageWidth = 0;
    std::uint32_t imageHeight = 0;
    TChunk next;
    return ReadChunkHeader(source, next) &&
           ReadImageChunk(source, next, kMaxWebPChunks - 1, imageWidth, imageHeight, header) &&
           imageWidth == width && imageHeight == height;
}

}  // namespace

bool ReadWebPHeader(THeaderSource& source, TWebPHeader& header)
{
    std::array<std::uint8_t, 12> riff{};
    if (!ReadExactly(source, riff.data(), riff.size()) ||
        QByteArrayView(reinterpret_cast<const char*>(riff.data()), 4) != "RIFF" ||
        QByteArrayView(reinterpret_cast<const char*>(riff.data()) + 8, 4) != "WEBP" ||
        Le32(&riff[4]) < 4 + kChunkHeaderSize)
        return false;
    header = TWebPHeader{};
    TChunk chunk;
    if (!ReadChunkHeader(source, chunk))
        return false;
    if (chunk.Is("VP8X"))
        return ReadExtended(source, chunk, header);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // A simple file: the image chunk comes first.
    if (!ReadImageChunk(source, chunk, 1, width, height, header))
        return false;
    header.Width = std::int32_t(width);
    header.Height = std::int32_t(height);
    return true;
}

bool ReadWebPHeader(const QString& fileName, TWebPHeader& header)
{
    THeaderSource source(fileName, 64);
    return source.IsOpen() && ReadWebPHeader(source, header);
}

void WebPHeaderToUniInfo(const TWebPHeader& header, TUniInfoRec& info)
{
    info.Valid = true;
    info.Width = header.Width;
    info.Height = header.Height;
    info.SubType = header.Animated ? wsAnimated : header.Lossless ? wsLossless : wsLossy;
    info.ColorDepth = header.Alpha ? cdRGBA : 11;
}

bool WebPUniInfo(const QString& fileName, TUniInfoRec& info)
{
    return ReadUniInfo(fileName, info, ReadWebPHeader, WebPHeaderToUniInfo);
}

}  // namespace pixmarl
