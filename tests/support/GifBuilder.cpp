#include "support/GifBuilder.h"

#include <algorithm>
#include <numeric>

#include <QImage>

#include "gif/GIFImage.h"

namespace pixmarl::test {

namespace {

void Put16(QByteArray& out, int v)
{
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

void PutBlocks(QByteArray& out, const QByteArray& data)
{
    for (qsizetype pos = 0; pos < data.size(); pos += 255) {
        const qsizetype n = std::min<qsizetype>(255, data.size() - pos);
        out.append(char(n)).append(data.mid(pos, n));
    }
    out.append('\0');
}

int TableBits(std::size_t colors)
{
    int bits = 1;
    while ((std::size_t(1) << bits) < colors && bits < 8)
        ++bits;
    return bits;
}

void PutTable(QByteArray& out, const std::vector<QRgb>& colors)
{
    const std::size_t entries = std::size_t(1) << TableBits(colors.size());
    for (std::size_t i = 0; i < entries; ++i) {
        const QRgb c = i < colors.size() ? colors[i] : 0;
        out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
}

std::vector<int> FileRowOrder(int height, bool interlaced)
{
    std::vector<int> rows(std::size_t(interlaced ? 0 : std::max(height, 0)));
    std::iota(rows.begin(), rows.end(), 0);
    if (interlaced)  // every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1
        for (const auto& [first, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            for (int y = first; y < height; y += step)
                rows.push_back(y);
    return rows;
}

QByteArray LiteralCodes(const std::vector<std::uint8_t>& pixels, int width, int height,
                        bool interlaced, int minCodeSize)
{
    const int clear = 1 << minCodeSize;
    const int codeWidth = minCodeSize + 1;
    std::vector<std::pair<int, int>> codes{{clear, codeWidth}};
    std::vector<std::uint8_t> fileOrder;
    if (pixels.size() == std::size_t(width) * std::size_t(height)) {
        for (int y : FileRowOrder(height, interlaced))
            for (int x = 0; x < width; ++x)
                fileOrder.push_back(pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]);
    } else {
        fileOrder = pixels;
    }
    int sinceClear = 0;
    for (std::uint8_t pixel : fileOrder) {
        if (sinceClear == clear - 2) {
            codes.push_back({clear, codeWidth});
            sinceClear = 0;
        }
        codes.push_back({pixel, codeWidth});
        ++sinceClear;
    }
    codes.push_back({clear + 1, codeWidth});
    return PackGifCodes(codes);
}

void PutExtensions(QByteArray& out, const GifFrameParams& frame)
{
    if (frame.loops) {
        out.append("\x21\xFF\x0B", 3).append(frame.animExtsLoop ? "ANIMEXTS1.0" : "NETSCAPE2.0");
        out.append("\x03\x01", 2);
        Put16(out, *frame.loops);
        out.append('\0');
    }
    if (!frame.unknownApplication.isEmpty()) {
        out.append("\x21\xFF\x0B", 3).append(frame.unknownApplication.left(11));
        PutBlocks(out, frame.unknownApplication.mid(11));
    }
    if (!frame.comment.isEmpty()) {
        out.append("\x21\xFE", 2);
        PutBlocks(out, frame.comment);
    }
    if (frame.control) {
        const GifControl& c = *frame.control;
        out.append("\x21\xF9\x04", 3)
            .append(char(((c.disposal & 7) << 2) | (c.transparent ? 1 : 0)));
        Put16(out, c.delay);
        out.append(char(c.transparentIndex)).append('\0');
    }
}

void PutFrame(QByteArray& out, const GifFrameParams& frame, const GifParams& params)
{
    out.append(frame.prefix);
    PutExtensions(out, frame);
    if (!frame.hasImage)
        return;
    out.append(char(0x2C));
    Put16(out, frame.left);
    Put16(out, frame.top);
    Put16(out, frame.width);
    Put16(out, frame.height);
    const bool local = !frame.localColors.empty();
    out.append(char((local ? 0x80 | (TableBits(frame.localColors.size()) - 1) : 0) |
                    (frame.interlaced ? 0x40 : 0)));
    if (local)
        PutTable(out, frame.localColors);
    const std::size_t colors = local ? frame.localColors.size() : params.globalColors.size();
    const int minCodeSize =
        frame.minCodeSize > 0 ? frame.minCodeSize : std::max(2, TableBits(colors));
    out.append(char(minCodeSize));
    PutBlocks(out, frame.codeData ? *frame.codeData
                                  : LiteralCodes(GifFramePixels(frame, int(colors)), frame.width,
                                                 frame.height, frame.interlaced, minCodeSize));
}

}  // namespace

std::vector<QRgb> GifParams::DefaultColors()
{
    return {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
}

std::uint8_t GifPatternIndex(int x, int y, int colors)
{
    return std::uint8_t((x + 2 * y) % std::max(colors, 1));
}

std::vector<std::uint8_t> GifFramePixels(const GifFrameParams& frame, int colors)
{
    if (!frame.pixels.empty())
        return frame.pixels;
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            pixels.push_back(GifPatternIndex(x, y, colors));
    return pixels;
}

QByteArray PackGifCodes(const std::vector<std::pair<int, int>>& codesAndWidths)
{
    QByteArray out;
    std::uint32_t acc = 0;
    int bits = 0;
    for (const auto& [code, width] : codesAndWidths) {
        acc |= std::uint32_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            out.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0)
        out.append(char(acc & 0xFF));
    return out;
}

QByteArray BuildGif(const GifParams& params)
{
    QByteArray out = params.signature + params.version;
    Put16(out, params.width);
    Put16(out, params.height);
    const bool global = !params.globalColors.empty();
    out.append(char(global ? 0x80 | 0x70 | (TableBits(params.globalColors.size()) - 1) : 0));
    out.append(char(params.background)).append('\0');
    if (global)
        PutTable(out, params.globalColors);
    for (const GifFrameParams& frame : params.frames)
        PutFrame(out, frame, params);
    out.append(params.beforeTrailer);
    if (params.trailer)
        out.append(char(0x3B));
    if (params.truncateTo >= 0)
        out.truncate(params.truncateTo);
    return out;
}

std::unique_ptr<TGIFImage> BuildAnimation(int width, int height, int frames, int delay)
{
    auto image = std::make_unique<TGIFImage>();
    const std::vector<QRgb> colors = GifParams::DefaultColors();
    QImage bitmap(width, height, QImage::Format_Indexed8);
    bitmap.setColorTable(QList<QRgb>(colors.begin(), colors.end()));
    for (int f = 0; f < frames; ++f) {
        for (int y = 0; y < height; ++y) {
            uchar* row = bitmap.scanLine(y);
            for (int x = 0; x < width; ++x)
                row[x] = uchar((x / 8 + y / 8 + f) % 4);
        }
        auto control = std::make_unique<TGIFGraphicControlExtension>();
        control->Delay = std::uint16_t(delay);
        image->Add(bitmap).AddExtension(std::move(control));
    }
    return image;
}

}  // namespace pixmarl::test
