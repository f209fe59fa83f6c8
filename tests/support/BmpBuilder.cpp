#include "support/BmpBuilder.h"

#include <algorithm>
#include <vector>

#include "support/JpegBuilder.h"

namespace pixmarl::test {

namespace {

void Put16(QByteArray& out, int v)
{
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

void Put32(QByteArray& out, qint64 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

int BmpPatternIndex(int x, int y, int bitCount)
{
    return (x + 2 * y) % (1 << bitCount);
}

QByteArray PackedRow(const BmpParams& params, int y)
{
    const int stride = ((params.width * params.bitCount + 31) / 32) * 4;
    QByteArray bytes(stride, '\0');
    char* row = bytes.data();  // not QByteArray's operator[]: large images stay quick to build
    for (int x = 0; x < params.width; ++x) {
        if (params.bitCount <= 8) {
            const int index = BmpPatternIndex(x, y, params.bitCount);
            const int bitPos = x * params.bitCount;
            const int shift = 8 - params.bitCount - bitPos % 8;
            row[bitPos / 8] = char(row[bitPos / 8] | (index << shift));
        } else if (params.bitCount == 16) {
            const int r = PatternPixel(x, y, 0, params.width, params.height) >> 3;
            const int g = PatternPixel(x, y, 1, params.width, params.height) >> 3;
            const int b = PatternPixel(x, y, 2, params.width, params.height) >> 3;
            const int v = (r << 10) | (g << 5) | b;
            row[x * 2] = char(v & 0xFF);
            row[x * 2 + 1] = char(v >> 8);
        } else {
            const int pixelBytes = params.bitCount / 8;
            for (int c = 0; c < 3; ++c)
                row[x * pixelBytes + 2 - c] =
                    char(PatternPixel(x, y, c, params.width, params.height));
        }
    }
    return bytes;
}

QByteArray RleRow(const BmpParams& params, int y, bool last)
{
    QByteArray row;
    for (int x = 0; x < params.width; ++x) {
        const int index = BmpPatternIndex(x, y, params.bitCount);
        row.append(char(1));
        row.append(char(params.bitCount == 4 ? (index << 4) | index : index));
    }
    row.append(char(0)).append(char(last ? 1 : 0));
    return row;
}

}  // namespace

QByteArray BuildBmp(const BmpParams& params)
{
    const bool rle = params.compression == 1 || params.compression == 2;
    const int paletteSize = params.bitCount <= 8 ? 1 << params.bitCount : 0;
    QByteArray pixels;
    std::vector<QByteArray> band(std::size_t(std::max(params.bandRows, 0)));
    for (int i = 0; i < params.height; ++i) {
        const int y = params.topDown ? i : params.height - 1 - i;
        if (rle) {
            pixels += RleRow(params, y, i == params.height - 1);
        } else if (band.empty()) {
            pixels += PackedRow(params, y);
        } else {
            QByteArray& row = band[std::size_t(y % params.bandRows)];
            if (row.isEmpty())
                row = PackedRow(params, y % params.bandRows);
            pixels += row;
        }
    }
    const int masks = params.compression == 3 ? 12 : 0;
    const int offset = 14 + 40 + masks + paletteSize * 4;

    QByteArray out;
    out.append("BM");
    Put32(out, offset + pixels.size());
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, params.width);
    Put32(out, params.topDown ? -params.height : params.height);
    Put16(out, 1);
    Put16(out, params.bitCount);
    Put32(out, params.compression);
    Put32(out, pixels.size());
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);  // colours used: all
    Put32(out, 0);
    if (masks) {
        Put32(out, 0x7C00);
        Put32(out, 0x03E0);
        Put32(out, 0x001F);
    }
    for (int i = 0; i < paletteSize; ++i) {
        const int grey = paletteSize > 1 ? i * 255 / (paletteSize - 1) : 0;
        out.append(char(grey)).append(char(grey)).append(char(grey)).append(char(0));
    }
    out += pixels;
    return out;
}

}  // namespace pixmarl::test
