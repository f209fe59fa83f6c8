#include "AviBuilder.h"

#include <array>

#include "support/JpegBuilder.h"

namespace pixmarl::test {

namespace {

constexpr int kSoundBytesPerFrame = 800;
constexpr std::uint32_t kIndexKeyFrame = 0x10;

const std::array<QRgb, 6> kMjpegColors = {qRgb(200, 40, 40),  qRgb(40, 200, 40),
                                          qRgb(40, 40, 200),  qRgb(200, 200, 40),
                                          qRgb(40, 200, 200), qRgb(200, 40, 200)};

QRgb PaletteColor(int index)
{
    return qRgb(index, 255 - index, (index * 7) & 255);
}

int PaletteIndex(int frame, int x, int y)
{
    return (frame * 16 + x * 37 + y * 101) & 255;
}

void Add16(QByteArray& out, std::uint32_t v)
{
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

void Add32(QByteArray& out, std::uint32_t v)
{
    Add16(out, v & 0xFFFF);
    Add16(out, v >> 16);
}

QByteArray Chunk(const char (&id)[5], const QByteArray& payload)
{
    QByteArray out(id, 4);
    Add32(out, std::uint32_t(payload.size()));
    out += payload;
    if (payload.size() % 2 != 0)
        out.append('\0');
    return out;
}

QByteArray List(const char (&type)[5], const QByteArray& content)
{
    QByteArray out("LIST");
    Add32(out, std::uint32_t(content.size() + 4));
    return out + QByteArray(type, 4) + content;
}

int StreamCount(const AviParams& params)
{
    return int(params.video) + int(params.sound);
}

QByteArray MainHeader(const AviParams& params)
{
    QByteArray h;
    Add32(h, params.rate != 0 ? std::uint32_t(1000000ull * params.scale / params.rate) : 0);
    Add32(h, 0);
    Add32(h, 0);
    Add32(h, params.flags);
    Add32(h, std::uint32_t(params.frames.size()));
    Add32(h, 0);
    Add32(h, std::uint32_t(StreamCount(params)));
    Add32(h, 0);
    Add32(h, std::uint32_t(params.width));
    Add32(h, std::uint32_t(params.height));
    h.append(16, '\0');
    return Chunk("avih", h);
}

// The frame rectangle (0, 0, width, height) ends the header unless withRect is false.
QByteArray StreamHeader(std::uint32_t type, std::uint32_t handler, std::uint32_t scale,
                        std::uint32_t rate, std::uint32_t length, std::uint32_t sampleSize,
                        int width, int height, bool withRect)
{
    QByteArray h;
    Add32(h, type);
    Add32(h, handler);
    Add32(h, 0);  // flags
    Add32(h, 0);  // priority, language
    Add32(h, 0);  // initial frames
    Add32(h, scale);
    Add32(h, rate);
    Add32(h, 0);  // start
    Add32(h, length);
    Add32(h, 0);           // suggested buffer size
    Add32(h, 0xFFFFFFFF);  // quality: default
    Add32(h, sampleSize);
    if (withRect) {
        Add32(h, 0);
        Add16(h, std::uint32_t(width));
        Add16(h, std::uint32_t(height));
    }
    return Chunk("strh", h);
}

QByteArray VideoStreamList(const AviParams& params)
{
    QByteArray format;
    Add32(format, 40);
    Add32(format, std::uint32_t(params.width));
    Add32(format, std::uint32_t(params.height));
    Add16(format, 1);
    Add16(format, std::uint32_t(params.bitCount));
    Add32(format, params.compression);
    format.append(20, '\0');  // image size, resolution, colours used and important
    for (QRgb c : params.palette) {
        format.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');
    }
    const std::uint32_t length = params.length.value_or(std::uint32_t(params.frames.size()));
    return List("strl", StreamHeader(AviFourCC("vids"), params.handler, params.scale, params.rate,
                                     length, 0, params.width, params.height, params.frameRect) +
                            Chunk("strf", format));
}

QByteArray SoundStreamList(const AviParams& params)
{
    QByteArray format;
    Add16(format, 1);  // PCM
    Add16(format, 1);  // mono
    Add32(format, 8000);
    Add32(format, 8000);
    Add16(format, 1);
    Add16(format, 8);
    Add16(format, 0);
    const auto samples =
        std::uint32_t(std::max<std::size_t>(params.frames.size(), 1)) * kSoundBytesPerFrame;
    return List("strl", StreamHeader(AviFourCC("auds"), 0, 1, 8000, samples, 1, 0, 0, true) +
                            Chunk("strf", format));
}

QByteArray HeaderList(const AviParams& params)
{
    QByteArray content = MainHeader(params);
    if (params.video)
        content += VideoStreamList(params);
    if (params.sound)
        content += SoundStreamList(params);
    if (params.odmlFrames) {
        QByteArray dmlh;
        Add32(dmlh, *params.odmlFrames);
        dmlh.append(244, '\0');
        content += List("odml", Chunk("dmlh", dmlh));
    }
    return List("hdrl", content);
}

struct IndexEntry {
    QByteArray id;
    std::uint32_t flags;
    std::uint32_t offset;
    std::uint32_t size;
};

// Adds one movi chunk and its index entry; offsets count from the 'movi' type.
void AddMoviChunk(QByteArray& movi, std::vector<IndexEntry>& index, const QByteArray& id,
                  const QByteArray& payload, std::uint32_t flags)
{
    index.push_back({id, flags, std::uint32_t(movi.size() + 4), std::uint32_t(payload.size())});
    movi += id;
    Add32(movi, std::uint32_t(payload.size()));
    movi += payload;
    if (payload.size() % 2 != 0)
        movi.append('\0');
}

QByteArray UncompressedFrame(AviCodec codec, int frame, int width, int height)
{
    const int pixelBytes = codec == AviCodec::Pal8 ? 1 : 3;
    const int rowBytes = (width * pixelBytes + 3) & ~3;
    QByteArray rows(rowBytes * height, '\0');
    for (int y = 0; y < height; ++y) {
        char* row = rows.data() + std::ptrdiff_t(height - 1 - y) * rowBytes;  // bottom-up
        for (int x = 0; x < width; ++x) {
            if (codec == AviCodec::Pal8) {
                row[x] = char(PaletteIndex(frame, x, y));
                continue;
            }
            const QRgb c = AviExpectedPixel(codec, frame, x, y);
            row[x * 3] = char(qBlue(c));
            row[x * 3 + 1] = char(qGreen(c));
            row[x * 3 + 2] = char(qRed(c));
        }
    }
    return rows;
}

}  // namespace

QRgb AviExpectedPixel(AviCodec codec, int frame, int x, int y)
{
    switch (codec) {
    case AviCodec::Rgb24:
        return qRgb((frame * 40 + x * 20) & 255, (frame * 10 + y * 30) & 255,
                    (frame * 50 + x * y * 7) & 255);
    case AviCodec::Pal8:
        return PaletteColor(PaletteIndex(frame, x, y));
    case AviCodec::Mjpeg:
        break;
    }
    return kMjpegColors[std::size_t(frame) % kMjpegColors.size()];
}

AviParams MakeAviParams(AviCodec codec, int width, int height, int frames)
{
    AviParams params;
    params.width = width;
    params.height = height;
    if (codec == AviCodec::Pal8) {
        params.bitCount = 8;
        for (int i = 0; i < 256; ++i)
            params.palette.push_back(PaletteColor(i));
    }
    if (codec == AviCodec::Mjpeg) {
        params.compression = AviFourCC("MJPG");
        params.handler = AviFourCC("MJPG");
    }
    for (int f = 0; f < frames; ++f) {
        if (codec != AviCodec::Mjpeg) {
            params.frames.push_back(UncompressedFrame(codec, f, width, height));
            continue;
        }
        QImage image(width, height, QImage::Format_RGB888);
        image.fill(AviExpectedPixel(codec, f, 0, 0));
        params.frames.push_back(EncodeJpeg(image, 95));
    }
    return params;
}

QByteArray BuildAvi(const AviParams& params)
{
    QByteArray movi;
    std::vector<IndexEntry> index;
    const QByteArray videoId = params.compression == 0 ? "00db" : "00dc";
    const QByteArray soundId = params.video ? "01wb" : "00wb";
    const std::size_t chunks =
        params.video ? params.frames.size() : std::max<std::size_t>(params.frames.size(), 1);
    for (std::size_t i = 0; i < chunks; ++i) {
        if (params.video) {
            const bool key = params.keyFrames.empty() || params.keyFrames[i];
            AddMoviChunk(movi, index, videoId, params.frames[i], key ? kIndexKeyFrame : 0);
        }
        if (params.sound)
            AddMoviChunk(movi, index, soundId, QByteArray(kSoundBytesPerFrame, char(0x80)),
                         kIndexKeyFrame);
    }
    QByteArray content = HeaderList(params) + List("movi", movi);
    if (params.index) {
        QByteArray idx1;
        for (const IndexEntry& e : index) {
            idx1 += e.id;
            Add32(idx1, e.flags);
            Add32(idx1, e.offset);
            Add32(idx1, e.size);
        }
        content += Chunk("idx1", idx1);
    }
    QByteArray out("RIFF");
    Add32(out, std::uint32_t(content.size() + 4));
    return out + "AVI " + content;
}

}  // namespace pixmarl::test
