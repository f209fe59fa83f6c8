#include "support/PngBuilder.h"

#include <array>

#include <QtEndian>

#include "formats/RdPNGH.h"

namespace pixmarl::test {

namespace {

int Channels(int colorType)
{
    static constexpr std::array<int, 7> kChannels = {1, 0, 3, 1, 2, 0, 4};
    return kChannels[std::size_t(colorType)];
}

QByteArray Be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// Packs samples MSB first, 16-bit samples big-endian.
class TBitWriter {
public:
    explicit TBitWriter(QByteArray& out) : out_(out) {}
    void Put(int value, int bits)
    {
        if (bits == 16) {
            out_.append(char(value >> 8)).append(char(value));
            return;
        }
        acc_ = acc_ << bits | (value & ((1 << bits) - 1));
        filled_ += bits;
        if (filled_ == 8) {
            out_.append(char(acc_));
            acc_ = filled_ = 0;
        }
    }
    void Flush()
    {
        if (filled_ > 0)
            out_.append(char(acc_ << (8 - filled_)));
        acc_ = filled_ = 0;
    }

private:
    QByteArray& out_;
    int acc_ = 0;
    int filled_ = 0;
};

struct TPass {
    int x0, y0, dx, dy;
};

// The rows of one pass (or of the whole image), each with filter byte 0.
void AppendPass(const PngParams& p, TPass pass, QByteArray& raw)
{
    TBitWriter bits(raw);
    for (int y = pass.y0; y < p.height; y += pass.dy) {
        if (pass.x0 >= p.width)
            return;
        raw.append('\0');
        for (int x = pass.x0; x < p.width; x += pass.dx) {
            for (int c = 0; c < Channels(p.colorType); ++c)
                bits.Put(PngPatternSample(p, x, y, c), p.bitDepth);
        }
        bits.Flush();
    }
}

}  // namespace

int PngPatternSample(const PngParams& params, int x, int y, int c)
{
    const int v = x * 7 + y * 13 + c * 29;
    if (params.bitDepth == 16)
        return (v * 331) & 0xFFFF;
    return v & ((1 << params.bitDepth) - 1);
}

QRgb PngPaletteColor(int index)
{
    return qRgb((index * 37) & 255, (index * 91 + 7) & 255, 255 - index);
}

QByteArray PngChunk(const char* type, const QByteArray& data)
{
    const QByteArray typeAndData = QByteArray(type, 4) + data;
    return Be32(quint32(data.size())) + typeAndData + Be32(PngChunkCrc(typeAndData));
}

QByteArray BuildPng(const PngParams& p)
{
    QByteArray ihdr = Be32(quint32(p.width)) + Be32(quint32(p.height));
    ihdr.append(char(p.bitDepth)).append(char(p.colorType)).append('\0').append('\0');
    ihdr.append(char(p.interlaced ? 1 : 0));
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    png += PngChunk("IHDR", ihdr);
    if (p.colorType == 3) {
        QByteArray palette;
        for (int i = 0; i < (1 << p.bitDepth); ++i) {
            const QRgb c = PngPaletteColor(i);
            palette.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        }
        png += PngChunk("PLTE", palette);
    }
    static constexpr std::array<TPass, 7> kAdam7 = {{
        {0, 0, 8, 8},
        {4, 0, 8, 8},
        {0, 4, 4, 8},
        {2, 0, 4, 4},
        {0, 2, 2, 4},
        {1, 0, 2, 2},
        {0, 1, 1, 2},
    }};
    QByteArray raw;
    if (p.interlaced) {
        for (const TPass& pass : kAdam7)
            AppendPass(p, pass, raw);
    } else {
        AppendPass(p, {0, 0, 1, 1}, raw);
    }
    // qCompress puts the uncompressed length before the zlib stream.
    png += PngChunk("IDAT", qCompress(raw).mid(4));
    png += PngChunk("IEND", {});
    return png;
}

}  // namespace pixmarl::test
