#include "support/BmpBuilder.h"

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

QByteArray PackedRow(const BmpSpec& spec, int y)
{
    const int stride = ((spec.width * spec.bitCount + 31) / 32) * 4;
    QByteArray row(stride, '\0');
    for (int x = 0; x < spec.width; ++x) {
        if (spec.bitCount <= 8) {
            const int index = BmpPatternIndex(x, y, spec.bitCount);
            const int bitPos = x * spec.bitCount;
            const int shift = 8 - spec.bitCount - bitPos % 8;
            row[bitPos / 8] = char(row[bitPos / 8] | (index << shift));
        } else if (spec.bitCount == 16) {
            const int r = PatternPixel(x, y, 0, spec.width, spec.height) >> 3;
            const int g = PatternPixel(x, y, 1, spec.width, spec.height) >> 3;
            const int b = PatternPixel(x, y, 2, spec.width, spec.height) >> 3;
            const int v = (r << 10) | (g << 5) | b;
            row[x * 2] = char(v & 0xFF);
            row[x * 2 + 1] = char(v >> 8);
        } else {
            const int bytes = spec.bitCount / 8;
            for (int c = 0; c < 3; ++c)
                row[x * bytes + 2 - c] = char(PatternPixel(x, y, c, spec.width, spec.height));
        }
    }
    return row;
}

QByteArray RleRow(const BmpSpec& spec, int y, bool last)
{
    QByteArray row;
    for (int x = 0; x < spec.width; ++x) {
        const int index = BmpPatternIndex(x, y, spec.bitCount);
        row.append(char(1));
        row.append(char(spec.bitCount == 4 ? (index << 4) | index : index));
    }
    row.append(char(0)).append(char(last ? 1 : 0));
    return row;
}

}  // namespace

int BmpPatternIndex(int x, int y, int bitCount)
{
    return (x + 2 * y) % (1 << bitCount);
}

QByteArray BuildBmp(const BmpSpec& spec)
{
    const bool rle = spec.compression == 1 || spec.compression == 2;
    const int paletteSize =
        spec.paletteSize >= 0 ? spec.paletteSize : (spec.bitCount <= 8 ? 1 << spec.bitCount : 0);
    QByteArray pixels;
    for (int i = 0; i < spec.height; ++i) {
        const int y = spec.topDown ? i : spec.height - 1 - i;
        pixels += rle ? RleRow(spec, y, i == spec.height - 1) : PackedRow(spec, y);
    }
    const int masks = spec.compression == 3 ? 12 : 0;
    const int offset = 14 + 40 + masks + paletteSize * 4;

    QByteArray out;
    out.append("BM");
    Put32(out, offset + pixels.size());
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, spec.width);
    Put32(out, spec.topDown ? -spec.height : spec.height);
    Put16(out, 1);
    Put16(out, spec.bitCount);
    Put32(out, spec.compression);
    Put32(out, pixels.size());
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, spec.colorsUsed);
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
