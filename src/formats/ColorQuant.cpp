#include "ColorQuant.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include <QImage>

namespace pixmarl {

namespace {

constexpr int kCells = 32;
constexpr int kMaxBoxes = 256;
constexpr int kInfoHeaderSize = 40;
constexpr int kPaletteBytes = kMaxBoxes * 4;
// The score of an axis that cannot be cut: above any sum of two variances the search produces.
constexpr float kNoCut = 17523.6f;

inline int CellIndex(int r, int g, int b)
{
    return (r >> 3) * kCells * kCells + (g >> 3) * kCells + (b >> 3);
}

// Rounds to the nearest integer, halves to even.
inline int Round(float value)
{
    return int(std::nearbyint(value));
}

struct Box {
    float variance = 0;
    std::array<float, 3> mean{};
    std::uint32_t count = 0;
    std::array<std::array<std::uint32_t, kCells>, 3> marginal{};
    std::array<int, 3> lo{0, 0, 0};                 // inclusive
    std::array<int, 3> hi{kCells, kCells, kCells};  // exclusive
};

// Reads rows of blue, green, red pixels; a row pointer per index in the order they are stored.
struct RowSource {
    int width;
    int rows;
    const std::uint8_t* (*row)(const void* context, int index);
    const void* context;
};

class Quantizer {
public:
    explicit Quantizer(const RowSource& source)
        : source_(source),
          histogram_(kCells * kCells * kCells, 0),
          inverse_(kCells * kCells * kCells, 0)
    {
        boxes_.reserve(kMaxBoxes);
    }

    void Run()
    {
        CountPixels();
        SplitBoxes();
        FillInverseMap();
    }

    // Palette entry i as RGBQUAD bytes (blue, green, red, 0); entries beyond the boxes stay zero.
    std::array<std::uint8_t, kPaletteBytes> Palette() const
    {
        std::array<std::uint8_t, kPaletteBytes> palette{};
        for (std::size_t i = 0; i < boxes_.size(); ++i) {
            palette[4 * i] = std::uint8_t(Round(boxes_[i].mean[2]) * 8);
            palette[4 * i + 1] = std::uint8_t(Round(boxes_[i].mean[1]) * 8);
            palette[4 * i + 2] = std::uint8_t(Round(boxes_[i].mean[0]) * 8);
        }
        return palette;
    }

    void MapRow(const std::uint8_t* bgr, std::uint8_t* out) const
    {
        for (int x = 0; x < source_.width; ++x, bgr += 3)
            out[x] = inverse_[std::size_t(CellIndex(bgr[2], bgr[1], bgr[0]))];
    }

    int BoxCount() const { return int(boxes_.size()); }

private:
    void CountPixels();
    void SplitBoxes();
    bool Split(std::size_t index);
    bool Cut(const Box& box, int axis, Box& first, Box& second) const;
    void ComputeVariance(Box& box) const;
    void FillInverseMap();

    const RowSource& source_;
    std::vector<std::uint32_t> histogram_;
    std::vector<std::uint8_t> inverse_;
    std::vector<Box> boxes_;
    float totalPixels_ = 0;
};

void Quantizer::CountPixels()
{
    Box whole;
    for (int y = 0; y < source_.rows; ++y) {
        const std::uint8_t* p = source_.row(source_.context, y);
        for (int x = 0; x < source_.width; ++x, p += 3) {
            const int r = p[2] >> 3;
            const int g = p[1] >> 3;
            const int b = p[0] >> 3;
            ++histogram_[std::size_t(r * kCells * kCells + g * kCells + b)];
            ++whole.marginal[0][std::size_t(r)];
            ++whole.marginal[1][std::size_t(g)];
            ++whole.marginal[2][std::size_t(b)];
        }
    }
    whole.count = std::uint32_t(source_.width) * std::uint32_t(source_.rows);
    totalPixels_ = float(whole.count);
    ComputeVariance(whole);
    boxes_.push_back(whole);
}

void Quantizer::ComputeVariance(Box& box) const
{
    if (box.count == 0) {
        box.variance = 0;
        return;
    }
    const float count = float(box.count);
    float sum = 0;
    for (int axis = 0; axis < 3; ++axis) {
        float s1 = 0;
        float s2 = 0;
        for (int c = box.lo[axis]; c < box.hi[axis]; ++c) {
            const float m = float(box.marginal[axis][std::size_t(c)]);
            s1 += float(c) * m;
            s2 += float(c * c) * m;
        }
        const float mean = s1 / count;
        box.mean[axis] = mean;
        sum += s2 - mean * mean * count;
    }
    box.variance = sum / totalPixels_;
}

void Quantizer::SplitBoxes()
{
    while (boxes_.size() < kMaxBoxes) {
        std::size_t widest = 0;
        for (std::size_t i = 1; i < boxes_.size(); ++i)
            if (boxes_[i].variance > boxes_[widest].variance)
                widest = i;
        if (!(boxes_[widest].variance > 0))
            return;
        if (!Split(widest))
            boxes_[widest].variance = 0;
    }
}

bool Quantizer::Split(std::size_t index)
{
    const Box box = boxes_[index];
    if (box.variance == 0 || box.count == 0)
        return false;
    std::array<std::array<Box, 2>, 3> parts;
    std::array<float, 3> score;
    for (int axis = 0; axis < 3; ++axis)
        score[axis] = Cut(box, axis, parts[axis][0], parts[axis][1])
                          ? parts[axis][0].variance + parts[axis][1].variance
                          : kNoCut;
    for (int axis = 0; axis < 3; ++axis) {
        if (score[axis] < kNoCut && score[axis] <= score[(axis + 1) % 3] &&
            score[axis] <= score[(axis + 2) % 3]) {
            boxes_[index] = parts[axis][0];
            boxes_.push_back(parts[axis][1]);
            return true;
        }
    }
    return false;
}

// Narrows the box on every axis to the cells that hold pixels.
void Shrink(Box& box)
{
    for (int axis = 0; axis < 3; ++axis) {
        const auto& m = box.marginal[axis];
        int lo = box.lo[axis];
        int hi = box.hi[axis];
        while (lo < hi && m[std::size_t(lo)] == 0)
            ++lo;
        while (hi > lo && m[std::size_t(hi - 1)] == 0)
            --hi;
        if (lo < hi) {
            box.lo[axis] = lo;
            box.hi[axis] = hi;
        }
    }
}

bool Quantizer::Cut(const Box& box, int axis, Box& first, Box& second) const
{
    const int lo = box.lo[axis];
    const int hi = box.hi[axis];
    if (hi - lo <= 1)
        return false;
    const auto& m = box.marginal[axis];
    const std::uint32_t n = box.count;
    const float mean = box.mean[axis];
    const int from = std::max(lo, Round((float(lo) + mean) * 0.5f));
    const int to = std::min(hi - 1, Round((float(hi) + mean) * 0.5f));
    std::uint32_t below = 0;
    for (int c = lo; c < from; ++c)
        below += m[std::size_t(c)];
    float s = 0;
    float best = 0;
    int bestCell = -1;
    std::uint32_t bestBelow = 0;
    for (int c = from; c <= to; ++c) {
        below += m[std::size_t(c)];
        if (below == n)
            break;
        s += float(m[std::size_t(c)]) * float(c) / float(n);
        const float d = mean - s;
        const float score = float(below) / float(n - below) * (d * d);
        if (bestCell < 0 || score > best) {
            best = score;
            bestCell = c;
            bestBelow = below;
        }
    }
    if (bestCell < 0 || bestBelow == 0 || bestBelow == n)
        return false;
    first = box;
    second = box;
    first.hi[axis] = bestCell + 1;
    first.count = bestBelow;
    second.lo[axis] = bestCell + 1;
    second.count = n - bestBelow;
    for (auto& marginal : first.marginal)
        marginal.fill(0);
    for (int r = first.lo[0]; r < first.hi[0]; ++r)
        for (int g = first.lo[1]; g < first.hi[1]; ++g)
            for (int b = first.lo[2]; b < first.hi[2]; ++b) {
                const std::uint32_t h =
                    histogram_[std::size_t(r * kCells * kCells + g * kCells + b)];
                if (h == 0)
                    continue;
                first.marginal[0][std::size_t(r)] += h;
                first.marginal[1][std::size_t(g)] += h;
                first.marginal[2][std::size_t(b)] += h;
                second.marginal[0][std::size_t(r)] -= h;
                second.marginal[1][std::size_t(g)] -= h;
                second.marginal[2][std::size_t(b)] -= h;
            }
    Shrink(first);
    Shrink(second);
    ComputeVariance(first);
    ComputeVariance(second);
    return true;
}

void Quantizer::FillInverseMap()
{
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const Box& box = boxes_[i];
        for (int r = box.lo[0]; r < box.hi[0]; ++r)
            for (int g = box.lo[1]; g < box.hi[1]; ++g)
                for (int b = box.lo[2]; b < box.hi[2]; ++b)
                    inverse_[std::size_t(r * kCells * kCells + g * kCells + b)] = std::uint8_t(i);
    }
}

std::int32_t Get32(const std::uint8_t* p)
{
    return std::int32_t(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                        (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24));
}

std::uint16_t Get16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}

void Put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

void Put16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

struct DibRows {
    const std::uint8_t* pixels;
    std::size_t stride;
};

const std::uint8_t* DibRow(const void* context, int index)
{
    const auto* rows = static_cast<const DibRows*>(context);
    return rows->pixels + std::size_t(index) * rows->stride;
}

// The rows of a true-colour bitmap as blue, green, red bytes, converted a row at a time (rarer
// formats a band of rows at a time, by Qt's own conversion), so that reducing a photo never needs
// a second full-size copy of it.
class BgrRows {
public:
    explicit BgrRows(const QImage& image) : image_(image), row_(std::size_t(image.width()) * 3) {}

    bool Failed() const { return failed_; }

    static const std::uint8_t* Row(const void* context, int index)
    {
        return static_cast<const BgrRows*>(context)->Row(index);
    }

private:
    static constexpr int kBandRows = 64;

    const std::uint8_t* Row(int y) const
    {
        const std::uint8_t* line = image_.constScanLine(y);
        std::uint8_t* out = row_.data();
        switch (image_.format()) {
        case QImage::Format_BGR888:
            return line;
        case QImage::Format_RGB888:
            for (int x = 0; x < image_.width(); ++x, line += 3, out += 3) {
                out[0] = line[2];
                out[1] = line[1];
                out[2] = line[0];
            }
            return row_.data();
        case QImage::Format_RGB32:
            for (int x = 0; x < image_.width(); ++x, out += 3) {
                const QRgb pixel = reinterpret_cast<const QRgb*>(line)[x];
                out[0] = std::uint8_t(qBlue(pixel));
                out[1] = std::uint8_t(qGreen(pixel));
                out[2] = std::uint8_t(qRed(pixel));
            }
            return row_.data();
        default:
            return BandRow(y);
        }
    }

    const std::uint8_t* BandRow(int y) const
    {
        if (y < bandStart_ || y >= bandStart_ + band_.height()) {
            bandStart_ = y;
            const int rows = std::min(kBandRows, image_.height() - y);
            band_ = image_.copy(0, y, image_.width(), rows).convertToFormat(QImage::Format_BGR888);
            if (band_.isNull()) {
                failed_ = true;
                std::fill(row_.begin(), row_.end(), std::uint8_t(0));
                return row_.data();
            }
        }
        return band_.constScanLine(y - bandStart_);
    }

    const QImage& image_;
    mutable std::vector<std::uint8_t> row_;
    mutable QImage band_;
    mutable int bandStart_ = 0;
    mutable bool failed_ = false;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> Quantize(const std::uint8_t* packedDib, std::size_t size)
{
    if (packedDib == nullptr || size < kInfoHeaderSize)
        return std::nullopt;
    const std::uint32_t headerSize = std::uint32_t(Get32(packedDib));
    const std::int32_t width = Get32(packedDib + 4);
    const std::int32_t height = Get32(packedDib + 8);
    const int bitCount = Get16(packedDib + 14);
    const std::uint32_t compression = std::uint32_t(Get32(packedDib + 16));
    const std::uint32_t colorsUsed = std::uint32_t(Get32(packedDib + 32));
    if (bitCount != 24 || compression != 0 || headerSize < kInfoHeaderSize || width <= 0 ||
        height == 0 || height == std::numeric_limits<std::int32_t>::min() || colorsUsed > kMaxBoxes)
        return std::nullopt;
    const std::uint64_t rows = std::uint64_t(std::abs(std::int64_t(height)));
    if (std::uint64_t(width) * rows > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    const std::size_t inStride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    const std::uint64_t offset = std::uint64_t(headerSize) + std::uint64_t(colorsUsed) * 4;
    if (offset > size || std::uint64_t(inStride) * rows > size - offset)
        return std::nullopt;

    const DibRows in{packedDib + offset, inStride};
    const RowSource source{width, int(rows), DibRow, &in};
    auto quantizer = std::make_unique<Quantizer>(source);
    quantizer->Run();

    const std::size_t outStride = (std::size_t(width) + 3) & ~std::size_t(3);
    const std::size_t imageSize = outStride * std::size_t(rows);
    std::vector<std::uint8_t> out(kInfoHeaderSize + kPaletteBytes + imageSize, 0);
    std::uint8_t* h = out.data();
    Put32(h, kInfoHeaderSize);
    Put32(h + 4, std::uint32_t(width));
    Put32(h + 8, std::uint32_t(height));
    Put16(h + 12, 1);
    Put16(h + 14, 8);
    Put32(h + 20, std::uint32_t(imageSize));
    std::memcpy(h + 24, packedDib + 24, 8);  // the resolution, as given
    Put32(h + 32, kMaxBoxes);
    const auto palette = quantizer->Palette();
    std::memcpy(h + kInfoHeaderSize, palette.data(), palette.size());
    std::uint8_t* pixels = h + kInfoHeaderSize + kPaletteBytes;
    for (std::size_t y = 0; y < rows; ++y)
        quantizer->MapRow(DibRow(&in, int(y)), pixels + y * outStride);
    return out;
}

bool ReduceToPalette(QImage& bitmap)
{
    if (bitmap.isNull() || bitmap.depth() <= 8)
        return false;
    const BgrRows rows(bitmap);
    const RowSource source{bitmap.width(), bitmap.height(), BgrRows::Row, &rows};
    auto quantizer = std::make_unique<Quantizer>(source);
    quantizer->Run();
    QImage reduced(bitmap.size(), QImage::Format_Indexed8);
    if (reduced.isNull() || rows.Failed())
        return false;
    const auto palette = quantizer->Palette();
    QList<QRgb> colors(kMaxBoxes);
    for (int i = 0; i < kMaxBoxes; ++i)
        colors[i] = qRgb(palette[std::size_t(4 * i + 2)], palette[std::size_t(4 * i + 1)],
                         palette[std::size_t(4 * i)]);
    reduced.setColorTable(colors);
    for (int y = 0; y < bitmap.height(); ++y)
        quantizer->MapRow(BgrRows::Row(&rows, y), reduced.scanLine(y));
    if (rows.Failed())
        return false;
    bitmap = reduced;
    return true;
}

}  // namespace pixmarl
