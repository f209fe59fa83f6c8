#include "AviFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

#include <QImage>
#include <QtEndian>

extern "C" {
#include <libavutil/log.h>
}

#include "platform/FfmpegPtr.h"
#include "platform/ReadOnlyFile.h"

namespace pixmarl {

namespace {

constexpr std::uint32_t FourCC(const char (&s)[5])
{
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

constexpr std::uint32_t kRiff = FourCC("RIFF");
constexpr std::uint32_t kAvi = FourCC("AVI ");
constexpr std::uint32_t kList = FourCC("LIST");
constexpr std::uint32_t kHdrl = FourCC("hdrl");
constexpr std::uint32_t kAvih = FourCC("avih");
constexpr std::uint32_t kStrl = FourCC("strl");
constexpr std::uint32_t kStrh = FourCC("strh");
constexpr std::uint32_t kStrf = FourCC("strf");
constexpr std::uint32_t kOdml = FourCC("odml");
constexpr std::uint32_t kDmlh = FourCC("dmlh");
constexpr std::uint32_t kIdx1 = FourCC("idx1");
constexpr std::uint32_t kVids = FourCC("vids");

constexpr std::uint32_t kAvihSize = 56;
constexpr std::uint32_t kStrhSizeWithoutRect = 48;
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
constexpr std::uint32_t kIndexEntrySize = 16;
constexpr std::uint32_t kIndexKeyFrame = 0x10;

// Bounds on the work one file may cause.
constexpr std::uint32_t kMaxHeaderListBytes = 4u << 20;
constexpr int kMaxTopLevelChunks = 100000;
constexpr std::uint64_t kMaxIndexScanBytes = 16u << 20;
constexpr std::size_t kCacheBytes = 12 * 1024;
constexpr std::size_t kIndexBlockBytes = 64 * 1024;

class TByteSource {
public:
    virtual ~TByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies n bytes at offset; false when they are not all there.
    virtual bool ReadAt(std::uint64_t offset, void* dest, std::size_t n) = 0;
};

class TMemorySource : public TByteSource {
public:
    explicit TMemorySource(const QByteArray& data) : data_(data) {}
    std::uint64_t Size() const override { return std::uint64_t(data_.size()); }
    bool ReadAt(std::uint64_t offset, void* dest, std::size_t n) override
    {
        if (offset > Size() || n > Size() - offset)
            return false;
        if (n > 0)
            std::memcpy(dest, data_.constData() + offset, n);
        return true;
    }

private:
    const QByteArray& data_;
};

// Reads the head of the file at once (the headers normally live there) and keeps one window for
// the few reads elsewhere, so that a typical file costs one or two reads.
class TFileSource : public TByteSource {
public:
    explicit TFileSource(const QString& fileName) : file_(fileName)
    {
        if (!file_.IsOpen())
            return;
        size_ = std::uint64_t(file_.Size());
        head_.size = std::size_t(std::min<std::uint64_t>(size_, kCacheBytes));
        ok_ = ReadFully(0, head_.bytes.data(), head_.size);
    }

    bool Ok() const { return ok_; }
    std::uint64_t Size() const override { return size_; }

    bool ReadAt(std::uint64_t offset, void* dest, std::size_t n) override
    {
        if (offset > size_ || n > size_ - offset)
            return false;
        if (n == 0 || head_.CopyOut(offset, dest, n) || window_.CopyOut(offset, dest, n))
            return true;
        if (n > kCacheBytes)
            return ReadFully(offset, dest, n);
        window_.start = offset;
        window_.size = std::size_t(std::min<std::uint64_t>(size_ - offset, kCacheBytes));
        if (!ReadFully(offset, window_.bytes.data(), window_.size)) {
            window_.size = 0;
            return false;
        }
        return window_.CopyOut(offset, dest, n);
    }

private:
    struct TCache {
        std::array<std::uint8_t, kCacheBytes> bytes;
        std::uint64_t start = 0;
        std::size_t size = 0;

        bool CopyOut(std::uint64_t offset, void* dest, std::size_t n) const
        {
            if (offset < start || offset - start > size || n > size - (offset - start))
                return false;
            std::memcpy(dest, bytes.data() + (offset - start), n);
            return true;
        }
    };

    bool ReadFully(std::uint64_t offset, void* dest, std::size_t n) const
    {
        auto* p = static_cast<std::uint8_t*>(dest);
        while (n > 0) {
            const qint64 got = file_.ReadAt(qint64(offset), p, qint64(n));
            if (got <= 0)
                return false;
            p += got;
            offset += std::uint64_t(got);
            n -= std::size_t(got);
        }
        return true;
    }

    TReadOnlyFile file_;
    bool ok_ = false;
    std::uint64_t size_ = 0;
    TCache head_;
    TCache window_;
};

// The file FFmpeg reads, and its read position.
struct TAviInput {
    explicit TAviInput(const QString& fileName) : file(fileName) {}
    TReadOnlyFile file;
    qint64 position = 0;
};

struct TChunk {
    std::uint32_t id = 0;
    std::uint32_t listType = 0;          // for LIST chunks
    const std::uint8_t* data = nullptr;  // after the list type for LIST chunks
    std::uint32_t size = 0;
};

// Walks the chunks of a list body. Damaged() tells whether the walk stopped at a chunk that
// reaches past the body (a pad byte missing at the very end is tolerated).
class TChunkWalker {
public:
    TChunkWalker(const std::uint8_t* data, std::size_t size) : pos_(data), end_(data + size) {}

    bool Next(TChunk& chunk)
    {
        if (damaged_ || end_ - pos_ < 8)
            return false;
        const std::uint32_t size = qFromLittleEndian<std::uint32_t>(pos_ + 4);
        const std::uint8_t* body = pos_ + 8;
        if (size > std::size_t(end_ - body))
            return Fail();
        chunk.id = qFromLittleEndian<std::uint32_t>(pos_);
        chunk.listType = 0;
        chunk.data = body;
        chunk.size = size;
        if (chunk.id == kList) {
            if (size < 4)
                return Fail();
            chunk.listType = qFromLittleEndian<std::uint32_t>(body);
            chunk.data = body + 4;
            chunk.size = size - 4;
        }
        const std::size_t left = std::size_t(end_ - body) - size;
        pos_ = body + size + std::min<std::size_t>(size & 1, left);
        return true;
    }
    bool Damaged() const { return damaged_; }

private:
    bool Fail()
    {
        damaged_ = true;
        return false;
    }

    const std::uint8_t* pos_;
    const std::uint8_t* end_;
    bool damaged_ = false;
};

struct THeaderState {
    bool haveMainHeader = false;
    bool haveVideo = false;
    int videoStream = -1;
    int streamCount = 0;
    std::uint32_t totalFramesOdml = 0;
    bool haveOdml = false;
};

bool FrameSideOk(std::int64_t side)
{
    return side > 0 && side <= kAviMaxFrameSide;
}

bool ParseMainHeader(const TChunk& chunk, TAviHeaders& headers)
{
    if (chunk.size < kAvihSize)
        return false;
    const std::uint8_t* p = chunk.data;
    TAviFileInfo& info = headers.file;
    info.dwScale = qFromLittleEndian<std::uint32_t>(p);
    info.dwRate = 1000000;
    info.dwMaxBytesPerSec = qFromLittleEndian<std::uint32_t>(p + 4);
    info.dwFlags = qFromLittleEndian<std::uint32_t>(p + 12);
    info.dwLength = qFromLittleEndian<std::uint32_t>(p + 16);
    info.dwStreams = qFromLittleEndian<std::uint32_t>(p + 24);
    info.dwSuggestedBufferSize = qFromLittleEndian<std::uint32_t>(p + 28);
    info.dwWidth = qFromLittleEndian<std::uint32_t>(p + 32);
    info.dwHeight = qFromLittleEndian<std::uint32_t>(p + 36);
    return info.dwStreams <= kAviMaxStreams && info.dwWidth <= std::uint32_t(kAviMaxFrameSide) &&
           info.dwHeight <= std::uint32_t(kAviMaxFrameSide);
}

void ReadStreamHeader(const std::uint8_t* p, std::uint32_t size, TAviStreamInfo& info)
{
    info.fccType = qFromLittleEndian<std::uint32_t>(p);
    info.fccHandler = qFromLittleEndian<std::uint32_t>(p + 4);
    info.dwFlags = qFromLittleEndian<std::uint32_t>(p + 8);
    info.wPriority = qFromLittleEndian<std::uint16_t>(p + 12);
    info.wLanguage = qFromLittleEndian<std::uint16_t>(p + 14);
    info.dwInitialFrames = qFromLittleEndian<std::uint32_t>(p + 16);
    info.dwScale = qFromLittleEndian<std::uint32_t>(p + 20);
    info.dwRate = qFromLittleEndian<std::uint32_t>(p + 24);
    info.dwStart = qFromLittleEndian<std::uint32_t>(p + 28);
    info.dwLength = qFromLittleEndian<std::uint32_t>(p + 32);
    info.dwSuggestedBufferSize = qFromLittleEndian<std::uint32_t>(p + 36);
    info.dwQuality = qFromLittleEndian<std::uint32_t>(p + 40);
    info.dwSampleSize = qFromLittleEndian<std::uint32_t>(p + 44);
    if (size >= kStrhSizeWithoutRect + 8) {
        info.rcFrame.left = std::int16_t(qFromLittleEndian<std::uint16_t>(p + 48));
        info.rcFrame.top = std::int16_t(qFromLittleEndian<std::uint16_t>(p + 50));
        info.rcFrame.right = std::int16_t(qFromLittleEndian<std::uint16_t>(p + 52));
        info.rcFrame.bottom = std::int16_t(qFromLittleEndian<std::uint16_t>(p + 54));
    }
}

// The video format decides the frame rectangle when the stream header leaves it empty.
bool ReadVideoFormat(const TChunk& strf, TAviHeaders& headers)
{
    if (strf.size < kBitmapInfoHeaderSize)
        return false;
    const std::int64_t width = std::int32_t(qFromLittleEndian<std::uint32_t>(strf.data + 4));
    const std::int64_t height = std::int32_t(qFromLittleEndian<std::uint32_t>(strf.data + 8));
    if (!FrameSideOk(width) || !FrameSideOk(height < 0 ? -height : height))
        return false;
    headers.biBitCount = qFromLittleEndian<std::uint16_t>(strf.data + 14);
    headers.biCompression = qFromLittleEndian<std::uint32_t>(strf.data + 16);
    TAviRect& rc = headers.video.rcFrame;
    const std::int64_t rcWidth = std::int64_t(rc.right) - rc.left;
    const std::int64_t rcHeight = std::int64_t(rc.bottom) - rc.top;
    if (rcWidth <= 0 || rcHeight <= 0)
        rc = TAviRect{0, 0, std::int32_t(width), std::int32_t(height < 0 ? -height : height)};
    return true;
}

// One stream list; only the first video stream is kept.
bool ParseStreamList(const TChunk& list, THeaderState& state, TAviHeaders& headers)
{
    if (++state.streamCount > int(kAviMaxStreams))
        return false;
    TChunkWalker walker(list.data, list.size);
    TChunk chunk;
    TAviStreamInfo info;
    bool haveHeader = false;
    bool video = false;
    while (walker.Next(chunk)) {
        if (chunk.id == kStrh && !haveHeader) {
            if (chunk.size < kStrhSizeWithoutRect)
                return false;
            ReadStreamHeader(chunk.data, chunk.size, info);
            haveHeader = true;
            video = info.fccType == kVids && !state.haveVideo;
            if (video)
                headers.video = info;
        } else if (chunk.id == kStrf && video) {
            if (!ReadVideoFormat(chunk, headers))
                return false;
            state.haveVideo = true;
            state.videoStream = state.streamCount - 1;
        }
    }
    // A video stream without its format cannot be shown.
    return !walker.Damaged() && haveHeader && (!video || state.haveVideo);
}

bool ParseOdmlList(const TChunk& list, THeaderState& state)
{
    TChunkWalker walker(list.data, list.size);
    TChunk chunk;
    while (walker.Next(chunk)) {
        if (chunk.id == kDmlh && chunk.size >= 4) {
            state.totalFramesOdml = qFromLittleEndian<std::uint32_t>(chunk.data);
            state.haveOdml = true;
        }
    }
    return !walker.Damaged();
}

bool ParseHeaderList(const std::vector<std::uint8_t>& body, THeaderState& state,
                     TAviHeaders& headers)
{
    TChunkWalker walker(body.data(), body.size());
    TChunk chunk;
    while (walker.Next(chunk)) {
        bool ok = true;
        if (chunk.id == kAvih && !state.haveMainHeader) {
            ok = ParseMainHeader(chunk, headers);
            state.haveMainHeader = true;
        } else if (chunk.id == kList && chunk.listType == kStrl) {
            ok = ParseStreamList(chunk, state, headers);
        } else if (chunk.id == kList && chunk.listType == kOdml) {
            ok = ParseOdmlList(chunk, state);
        }
        if (!ok)
            return false;
    }
    return !walker.Damaged() && state.haveMainHeader;
}

// True when the index lists frames of the video stream and marks every one as a key frame.
bool AllVideoFramesKey(TByteSource& source, std::uint64_t offset, std::uint32_t size, int stream)
{
    if (stream > 99 || size > kMaxIndexScanBytes)
        return false;
    const char tens = char('0' + stream / 10);
    const char ones = char('0' + stream % 10);
    std::vector<std::uint8_t> block;
    bool anyVideo = false;
    const std::uint64_t usable = size - size % kIndexEntrySize;
    for (std::uint64_t done = 0; done < usable;) {
        block.resize(std::size_t(std::min<std::uint64_t>(usable - done, kIndexBlockBytes)));
        if (!source.ReadAt(offset + done, block.data(), block.size()))
            return false;
        for (std::size_t i = 0; i < block.size(); i += kIndexEntrySize) {
            const std::uint8_t* e = block.data() + i;
            const bool frame = (e[2] == 'd' && (e[3] == 'c' || e[3] == 'b'));
            if (e[0] != tens || e[1] != ones || !frame)
                continue;
            if ((qFromLittleEndian<std::uint32_t>(e + 4) & kIndexKeyFrame) == 0)
                return false;
            anyVideo = true;
        }
        done += block.size();
    }
    return anyVideo;
}

struct TTopLevel {
    bool haveHeaders = false;
    std::uint64_t indexOffset = 0;
    std::uint32_t indexSize = 0;
    bool haveIndex = false;
};

bool ReadHeaderList(TByteSource& source, std::uint64_t offset, std::uint32_t size,
                    THeaderState& state, TAviHeaders& headers)
{
    if (size > kMaxHeaderListBytes)
        return false;
    std::vector<std::uint8_t> body(size);
    return source.ReadAt(offset, body.data(), body.size()) && ParseHeaderList(body, state, headers);
}

// Walks the chunks of the RIFF form: the header list, then on to the legacy index.
// Walks the chunks of the RIFF form: the header list, then (when asked) on to the legacy index.
// Before the headers a chunk out of bounds fails the file; after them it only ends the search for
// the index, which the headers do not need.
bool WalkRiff(TByteSource& source, std::uint64_t riffEnd, bool findIndex, THeaderState& state,
              TAviHeaders& headers, TTopLevel& top)
{
    std::uint64_t offset = 12;
    for (int n = 0; n < kMaxTopLevelChunks && riffEnd - offset >= 8; ++n) {
        if (top.haveHeaders && !findIndex)
            break;
        std::uint8_t head[12];
        const std::uint64_t body = offset + 8;
        const bool read = source.ReadAt(offset, head, 8);
        const std::uint32_t size = qFromLittleEndian<std::uint32_t>(head + 4);
        if (!read || size > riffEnd - body)
            break;
        const std::uint32_t id = qFromLittleEndian<std::uint32_t>(head);
        if (id == kList) {
            if (size < 4 || !source.ReadAt(body, head + 8, 4))
                break;
            if (qFromLittleEndian<std::uint32_t>(head + 8) == kHdrl && !top.haveHeaders) {
                if (!ReadHeaderList(source, body + 4, size - 4, state, headers))
                    return false;
                top.haveHeaders = true;
            }
        } else if (id == kIdx1) {
            top.haveIndex = true;
            top.indexOffset = body;
            top.indexSize = size;
            break;
        }
        offset = std::min(riffEnd, body + size + (size & 1));
    }
    return top.haveHeaders;
}

std::uint32_t Capabilities(TByteSource& source, const TTopLevel& top, const THeaderState& state,
                           const TAviHeaders& headers)
{
    std::uint32_t caps = kAviCapRead;
    if (top.haveIndex &&
        AllVideoFramesKey(source, top.indexOffset, top.indexSize, state.videoStream))
        caps |= kAviCapAllKeyFrames;
    if (headers.biCompression == 0)
        caps |= kAviCapNoCompression;
    return caps;
}

TAviParseResult ParseSource(TByteSource& source, bool findIndex, TAviHeaders& headers)
{
    headers = TAviHeaders{};
    std::uint8_t riff[12];
    if (!source.ReadAt(0, riff, sizeof riff) || qFromLittleEndian<std::uint32_t>(riff) != kRiff ||
        qFromLittleEndian<std::uint32_t>(riff + 8) != kAvi)
        return TAviParseResult::apNotAvi;
    std::uint64_t riffEnd = 8 + std::uint64_t(qFromLittleEndian<std::uint32_t>(riff + 4));
    // A writer that left out the final pad byte is forgiven; a RIFF longer than that is not.
    if (riffEnd == source.Size() + 1)
        riffEnd = source.Size();
    if (riffEnd > source.Size() || riffEnd < 12)
        return TAviParseResult::apNotAvi;
    THeaderState state;
    TTopLevel top;
    if (!WalkRiff(source, riffEnd, findIndex, state, headers, top))
        return TAviParseResult::apNotAvi;
    if (!state.haveVideo)
        return TAviParseResult::apNoVideo;
    TAviFileInfo& file = headers.file;
    if (state.haveOdml)
        file.dwLength = state.totalFramesOdml;
    if (file.dwWidth == 0 || file.dwHeight == 0) {
        file.dwWidth = std::uint32_t(headers.video.rcFrame.right - headers.video.rcFrame.left);
        file.dwHeight = std::uint32_t(headers.video.rcFrame.bottom - headers.video.rcFrame.top);
    }
    const TAviRect& rc = headers.video.rcFrame;
    if (!FrameSideOk(std::int64_t(rc.right) - rc.left) ||
        !FrameSideOk(std::int64_t(rc.bottom) - rc.top))
        return TAviParseResult::apNotAvi;
    file.dwCaps = Capabilities(source, top, state, headers);
    file.szFileType = QStringLiteral("AVI");
    return TAviParseResult::apOk;
}

// FFmpeg reports damaged data on stderr; our callers report failures themselves.
void SilenceFfmpeg()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// FFmpeg reads the file through our own descriptor: opened without blocking and refused unless
// it is a regular file, read no further than its size at opening.
int ReadInput(void* opaque, std::uint8_t* buffer, int size)
{
    auto* input = static_cast<TAviInput*>(opaque);
    const qint64 got = input->file.ReadAt(input->position, buffer, size);
    if (got < 0)
        return AVERROR(EIO);
    if (got == 0)
        return AVERROR_EOF;
    input->position += got;
    return int(got);
}

std::int64_t SeekInput(void* opaque, std::int64_t offset, int whence)
{
    auto* input = static_cast<TAviInput*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE)
        return input->file.Size();
    qint64 base = 0;
    if (whence == SEEK_CUR)
        base = input->position;
    else if (whence == SEEK_END)
        base = input->file.Size();
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    if (offset < -base || offset > std::numeric_limits<qint64>::max() - base)
        return AVERROR(EINVAL);
    input->position = base + offset;
    return input->position;
}

// A 24-bit image over a buffer with room behind its last row, which the scaler may write into.
QImage NewScalerImage(int width, int height, int& stride)
{
    stride = (width * 3 + 3) & ~3;
    constexpr int kSlack = 64;
    auto* pixels =
        static_cast<uchar*>(av_malloc(std::size_t(stride) * std::size_t(height) + kSlack));
    if (pixels == nullptr)
        return {};
    return QImage(pixels, width, height, stride, QImage::Format_RGB888, av_free, pixels);
}

}  // namespace

TAviParseResult ReadAviHeaders(const QString& fileName, TAviHeaders& headers, TAviReadDepth depth)
{
    TFileSource source(fileName);
    if (!source.Ok()) {
        headers = TAviHeaders{};
        return TAviParseResult::apNotAvi;
    }
    return ParseSource(source, depth == TAviReadDepth::adWithIndex, headers);
}

TAviParseResult ParseAviHeaders(const QByteArray& data, TAviHeaders& headers)
{
    TMemorySource source(data);
    return ParseSource(source, true, headers);
}

struct TAviFrameDecoder::State {
    QString fileName;
    std::unique_ptr<TAviInput> input;
    TAvioPtr io;
    TFormatPtr format;
    TCodecPtr codec;
    TFramePtr frame;
    TPacketPtr packet;
    TScalerPtr scaler;
    int stream = -1;
    int next = 0;  // index of the frame the next decode gives
    bool draining = false;

    bool Open();
    bool OpenInput();
    bool DecodeNext();
    QImage ToImage();
    QImage PaletteImage();
    QImage RgbImage();
};

bool TAviFrameDecoder::State::OpenInput()
{
    input = std::make_unique<TAviInput>(fileName);
    if (!input->file.IsOpen())
        return false;
    constexpr int kBufferBytes = 64 * 1024;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferBytes));
    if (buffer == nullptr)
        return false;
    io.reset(
        avio_alloc_context(buffer, kBufferBytes, 0, input.get(), ReadInput, nullptr, SeekInput));
    if (!io) {
        av_free(buffer);
        return false;
    }
    format.reset(avformat_alloc_context());
    if (!format)
        return false;
    format->pb = io.get();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    return true;
}

bool TAviFrameDecoder::State::Open()
{
    SilenceFfmpeg();
    if (!OpenInput())
        return false;
    // On failure FFmpeg frees the context it was given.
    AVFormatContext* raw = format.release();
    if (avformat_open_input(&raw, nullptr, av_find_input_format("avi"), nullptr) < 0)
        return false;
    format.reset(raw);
    for (unsigned i = 0; i < format->nb_streams && stream < 0; ++i)
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            stream = int(i);
    if (stream < 0)
        return false;
    const AVCodecParameters* params = format->streams[stream]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(params->codec_id);
    if (decoder == nullptr)
        return false;
    codec.reset(avcodec_alloc_context3(decoder));
    frame.reset(av_frame_alloc());
    packet.reset(av_packet_alloc());
    if (!codec || !frame || !packet || avcodec_parameters_to_context(codec.get(), params) < 0)
        return false;
    codec->thread_count = 1;  // one frame at a time; decoder threads only add start-up cost
    return avcodec_open2(codec.get(), decoder, nullptr) >= 0;
}

bool TAviFrameDecoder::State::DecodeNext()
{
    for (;;) {
        const int received = avcodec_receive_frame(codec.get(), frame.get());
        if (received == 0)
            return true;
        if (received != AVERROR(EAGAIN) || draining)
            return false;
        if (av_read_frame(format.get(), packet.get()) < 0) {
            draining = true;
            avcodec_send_packet(codec.get(), nullptr);
            continue;
        }
        // A packet the decoder rejects is skipped like a dropped frame.
        if (packet->stream_index == stream)
            avcodec_send_packet(codec.get(), packet.get());
        av_packet_unref(packet.get());
    }
}

QImage TAviFrameDecoder::State::PaletteImage()
{
    const int w = frame->width;
    const int h = frame->height;
    QImage image(w, h, QImage::Format_Indexed8);
    if (image.isNull())
        return {};
    const auto* palette = reinterpret_cast<const std::uint32_t*>(frame->data[1]);
    QList<QRgb> colors(256);
    for (int i = 0; i < 256; ++i)
        colors[i] = 0xFF000000u | (palette[i] & 0xFFFFFFu);
    image.setColorTable(colors);
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(y), frame->data[0] + std::ptrdiff_t(y) * frame->linesize[0],
                    std::size_t(w));
    return image;
}

QImage TAviFrameDecoder::State::RgbImage()
{
    const int w = frame->width;
    const int h = frame->height;
    scaler.reset(sws_getCachedContext(scaler.release(), w, h, AVPixelFormat(frame->format), w, h,
                                      AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr));
    int stride = 0;
    QImage image = scaler ? NewScalerImage(w, h, stride) : QImage();
    if (image.isNull())
        return {};
    // The image's own buffer: a const view, so that writing does not detach it.
    std::uint8_t* dest[4] = {const_cast<uchar*>(image.constBits()), nullptr, nullptr, nullptr};
    const int destStride[4] = {stride, 0, 0, 0};
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, h, dest, destStride) != h)
        return {};
    return image;
}

QImage TAviFrameDecoder::State::ToImage()
{
    if (!FrameSideOk(frame->width) || !FrameSideOk(frame->height))
        return {};
    if (frame->format == AV_PIX_FMT_PAL8 && frame->data[1] != nullptr)
        return PaletteImage();
    return RgbImage();
}

TAviFrameDecoder::TAviFrameDecoder(std::unique_ptr<State> state) : state_(std::move(state))
{}

TAviFrameDecoder::~TAviFrameDecoder() = default;

std::unique_ptr<TAviFrameDecoder> TAviFrameDecoder::Open(const QString& fileName)
{
    auto state = std::make_unique<State>();
    state->fileName = fileName;
    if (!state->Open())
        return nullptr;
    return std::unique_ptr<TAviFrameDecoder>(new TAviFrameDecoder(std::move(state)));
}

QImage TAviFrameDecoder::Frame(int index)
{
    if (index < 0)
        return {};
    if (index < state_->next) {
        // Reopening is the one rewind that works for every file, indexed or not.
        auto fresh = std::make_unique<State>();
        fresh->fileName = state_->fileName;
        if (!fresh->Open())
            return {};
        state_ = std::move(fresh);
    }
    while (state_->next <= index) {
        if (!state_->DecodeNext())
            return {};
        ++state_->next;
    }
    return state_->ToImage();
}

}  // namespace pixmarl
