#include "TiffBuilder.h"

#include <algorithm>
#include <map>

namespace pixmarl::test {

namespace {

enum : std::uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kUndefined = 7 };

class TByteWriter {
public:
    explicit TByteWriter(bool bigEndian) : big_(bigEndian) {}

    void Put(std::uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i) {
            const int shift = 8 * (big_ ? bytes - 1 - i : i);
            data_.append(char((value >> shift) & 0xFF));
        }
    }
    void Put16(std::uint32_t value) { Put(value, 2); }
    void Put32(std::uint32_t value) { Put(value, 4); }
    void Append(QByteArrayView bytes) { data_.append(bytes); }
    void PadEven()
    {
        if (data_.size() % 2)
            data_.append('\0');
    }
    std::uint32_t Size() const { return std::uint32_t(data_.size()); }
    QByteArray& Data() { return data_; }

private:
    bool big_;
    QByteArray data_;
};

struct TEntry {
    std::uint16_t type = kShort;
    std::uint32_t count = 1;
    std::vector<std::uint32_t> values;  // inline values
    std::uint32_t offset = 0;           // out-of-line values already written
};

int TypeSize(std::uint16_t type)
{
    return type == kShort ? 2 : type == kLong ? 4 : 1;
}

int BitsPerSample(const TiffParams& params)
{
    if (params.bitsPerSample != 0)
        return params.bitsPerSample;
    return params.kind == TiffKind::Bilevel ? 1 : 8;
}

int Photometric(const TiffParams& params)
{
    if (params.photometric >= 0)
        return params.photometric;
    switch (params.kind) {
    case TiffKind::Rgb:
        return 2;
    case TiffKind::Palette:
        return 3;
    case TiffKind::Cmyk:
        return 5;
    default:
        return 1;
    }
}

int TiffSamplesPerPixel(const TiffParams& params)
{
    const TiffKind kind = params.kind;
    return (kind == TiffKind::Rgb ? 3 : kind == TiffKind::Cmyk ? 4 : 1) + (params.alpha ? 1 : 0);
}

// The bytes of one row of one plane (all samples when not planar), with sample values wider
// than 8 bits written in the file's byte order.
QByteArray RowBytes(const TiffParams& params, int y, int plane)
{
    const int bits = BitsPerSample(params);
    const int samples = TiffSamplesPerPixel(params);
    const int first = params.planar ? plane : 0;
    const int last = params.planar ? plane + 1 : samples;
    QByteArray row;
    if (bits == 1) {
        row.fill('\0', (params.width + 7) / 8);
        for (int x = 0; x < params.width; ++x)
            if (TiffPatternSample(x, y, 0, params.kind))
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        return row;
    }
    TByteWriter w(params.bigEndian);
    for (int x = 0; x < params.width; ++x)
        for (int c = first; c < last; ++c)
            w.Put(std::uint32_t(TiffPatternSample(x, y, c, params.kind) * (bits == 16 ? 257 : 1)),
                  bits / 8);
    return w.Data();
}

void Difference(QByteArray& row, int samplesPerPixel)
{
    for (qsizetype i = row.size() - 1; i >= samplesPerPixel; --i)
        row[i] = char(row[i] - row[i - samplesPerPixel]);
}

QByteArray StripBytes(const TiffParams& params, int firstRow, int rows, int plane)
{
    QByteArray raw;
    const int samples = params.planar ? 1 : TiffSamplesPerPixel(params);
    for (int y = firstRow; y < firstRow + rows; ++y) {
        QByteArray row = RowBytes(params, y, plane);
        if (params.lzw && params.predictor == 2 && BitsPerSample(params) == 8)
            Difference(row, samples);
        raw.append(row);
    }
    return params.lzw ? TiffLzwEncode(raw) : raw;
}

class TTiffWriter {
public:
    explicit TTiffWriter(const TiffParams& params) : spec_(params), w_(params.bigEndian) {}

    QByteArray Build()
    {
        w_.Append(spec_.bigEndian ? "MM" : "II");
        w_.Put16(42);
        w_.Put32(0);  // directory offset, patched at the end
        WriteStrips();
        WriteImageTags();
        WriteExtras();
        WriteStripTables();
        WriteDirectory();
        return w_.Data();
    }

private:
    void Set(std::uint16_t tag, std::uint16_t type, std::vector<std::uint32_t> values)
    {
        TEntry entry;
        entry.type = type;
        entry.count = std::uint32_t(values.size());
        if (entry.count * TypeSize(type) > 4) {
            w_.PadEven();
            entry.offset = w_.Size();
            for (std::uint32_t v : values)
                w_.Put(v, TypeSize(type));
        } else {
            entry.values = std::move(values);
        }
        entries_[tag] = entry;
    }

    void SetBytes(std::uint16_t tag, std::uint16_t type, QByteArrayView bytes)
    {
        TEntry entry;
        entry.type = type;
        entry.count = std::uint32_t(bytes.size());
        if (bytes.size() > 4) {
            w_.PadEven();
            entry.offset = w_.Size();
            w_.Append(bytes);
        } else {
            for (char c : bytes)
                entry.values.push_back(std::uint8_t(c));
        }
        entries_[tag] = entry;
    }

    void WriteStrips()
    {
        const int rowsPerStrip = spec_.rowsPerStrip > 0 ? spec_.rowsPerStrip : spec_.height;
        const int planes = spec_.planar ? TiffSamplesPerPixel(spec_) : 1;
        for (int plane = 0; plane < planes; ++plane) {
            for (int y = 0; y < spec_.height; y += rowsPerStrip) {
                if (spec_.sharedStrips && y > 0) {
                    stripOffsets_.push_back(stripOffsets_.back());
                    stripCounts_.push_back(stripCounts_.back());
                    continue;
                }
                const QByteArray strip =
                    StripBytes(spec_, y, std::min(rowsPerStrip, spec_.height - y), plane);
                stripOffsets_.push_back(w_.Size());
                stripCounts_.push_back(std::uint32_t(strip.size()));
                w_.Append(strip);
                w_.PadEven();
            }
        }
        if (spec_.rowsPerStrip > 0)
            Set(278, kLong, {std::uint32_t(spec_.rowsPerStrip)});
    }

    void WriteImageTags()
    {
        const int samples = TiffSamplesPerPixel(spec_);
        Set(256, kLong, {std::uint32_t(spec_.width)});
        Set(257, kLong, {std::uint32_t(spec_.height)});
        Set(258, kShort,
            std::vector<std::uint32_t>(std::size_t(samples), std::uint32_t(BitsPerSample(spec_))));
        const int compression = spec_.compression ? spec_.compression : spec_.lzw ? 5 : 1;
        Set(259, kShort, {std::uint32_t(compression)});
        Set(262, kShort, {std::uint32_t(Photometric(spec_))});
        Set(277, kShort, {std::uint32_t(samples)});
        Set(284, kShort, {spec_.planar ? 2u : 1u});
        if (spec_.predictor != 1)
            Set(317, kShort, {std::uint32_t(spec_.predictor)});
        if (spec_.alpha)
            Set(338, kShort, {2});
        if (spec_.kind == TiffKind::Palette) {
            std::vector<std::uint32_t> map;
            for (int c = 0; c < 3; ++c)
                for (int i = 0; i < 256; ++i)
                    map.push_back(std::uint32_t(TiffPaletteLevel(i, c) * 257));
            Set(320, kShort, map);
        }
    }

    void WriteExtras()
    {
        if (!spec_.documentName.isEmpty())
            SetBytes(269, kAscii, spec_.documentName + '\0');
        if (!spec_.photoshopThumbnail.isEmpty())
            SetBytes(34377, kByte, BuildPhotoshopBlock(spec_.photoshopThumbnail));
        if (spec_.iccProfile)
            SetBytes(34675, kUndefined, QByteArray(128, 'p'));
        for (const auto& [tag, value] : spec_.shortTags)
            Set(std::uint16_t(tag), kShort, {std::uint32_t(value)});
    }

    void WriteStripTables()
    {
        Set(273, kLong, stripOffsets_);
        if (spec_.byteCounts)
            Set(279, kLong, stripCounts_);
    }

    void WriteDirectory()
    {
        w_.PadEven();
        const std::uint32_t directory = w_.Size();
        w_.Put16(std::uint32_t(entries_.size()));
        for (const auto& [tag, entry] : entries_) {
            w_.Put16(tag);
            w_.Put16(entry.type);
            w_.Put32(entry.count);
            if (entry.values.empty()) {
                w_.Put32(entry.offset);
                continue;
            }
            int used = 0;
            for (std::uint32_t v : entry.values) {
                w_.Put(v, TypeSize(entry.type));
                used += TypeSize(entry.type);
            }
            w_.Append(QByteArray(4 - used, '\0'));
        }
        w_.Put32(0);
        TByteWriter offset(spec_.bigEndian);
        offset.Put32(directory);
        w_.Data().replace(4, 4, offset.Data());
    }

    const TiffParams& spec_;
    TByteWriter w_;
    std::map<std::uint16_t, TEntry> entries_;
    std::vector<std::uint32_t> stripOffsets_;
    std::vector<std::uint32_t> stripCounts_;
};

class TBitWriter {
public:
    void Put(unsigned code, int width)
    {
        acc_ = (acc_ << width) | code;
        bits_ += width;
        while (bits_ >= 8) {
            bits_ -= 8;
            out_.append(char((acc_ >> bits_) & 0xFF));
        }
    }
    QByteArray Finish()
    {
        if (bits_ > 0)
            out_.append(char((acc_ << (8 - bits_)) & 0xFF));
        return out_;
    }

private:
    std::uint64_t acc_ = 0;
    int bits_ = 0;
    QByteArray out_;
};

// The encoder's string table: entry (prefix, byte) -> code, valid for the current generation.
class TLzwDictionary {
public:
    TLzwDictionary() : slots_(4096 * 256, 0) {}
    void Clear() { ++generation_; }
    int Find(unsigned prefix, std::uint8_t byte) const
    {
        const std::uint32_t slot = slots_[prefix * 256 + byte];
        return slot >> 12 == generation_ ? int(slot & 0xFFF) : -1;
    }
    void Add(unsigned prefix, std::uint8_t byte, unsigned code)
    {
        slots_[prefix * 256 + byte] = (generation_ << 12) | code;
    }

private:
    std::vector<std::uint32_t> slots_;
    std::uint32_t generation_ = 1;
};

}  // namespace

int TiffPatternSample(int x, int y, int channel, TiffKind kind)
{
    if (kind == TiffKind::Bilevel)
        return ((x / 2 + y) % 3) == 0 ? 1 : 0;
    return (x * 7 + y * 13 + channel * 61 + x * y / 3) & 0xFF;
}

int TiffPaletteLevel(int i, int channel)
{
    switch (channel) {
    case 0:
        return i;
    case 1:
        return 255 - i;
    default:
        return (i * 37) & 0xFF;
    }
}

QByteArray BuildTiff(const TiffParams& params)
{
    return TTiffWriter(params).Build();
}

QByteArray BuildPhotoshopBlock(const QByteArray& jfif)
{
    TByteWriter w(true);
    w.Append("8BIM");
    w.Put16(1005);
    w.Put16(0);  // empty name, padded
    w.Put32(16);
    w.Append(QByteArray(16, '\x01'));
    w.Append("8BIM");
    w.Put16(1036);
    w.Append(QByteArray("\x05Thumb", 6));  // 1 + 5 bytes: even already
    w.Put32(std::uint32_t(28 + jfif.size()));
    w.Put32(1);  // JFIF
    w.Append(QByteArray(24, '\0'));
    w.Append(jfif);
    w.PadEven();
    return w.Data();
}

QByteArray TiffLzwEncode(QByteArrayView data)
{
    constexpr unsigned kClear = 256, kEnd = 257, kFirst = 258, kLimit = 4094;
    TBitWriter out;
    TLzwDictionary dictionary;
    unsigned next = kFirst;
    int width = 9;
    out.Put(kClear, width);
    if (data.isEmpty()) {
        out.Put(kEnd, width);
        return out.Finish();
    }
    // After each emitted code the decoder, one entry behind, grows its width at the same point.
    const auto emitCode = [&](unsigned code) {
        out.Put(code, width);
        if (++next == kLimit) {
            out.Put(kClear, width);
            dictionary.Clear();
            next = kFirst;
            width = 9;
        } else if (next > (1u << width) - 1) {
            ++width;
        }
    };
    unsigned prefix = std::uint8_t(data[0]);
    for (qsizetype i = 1; i < data.size(); ++i) {
        const std::uint8_t byte = std::uint8_t(data[i]);
        const int found = dictionary.Find(prefix, byte);
        if (found >= 0) {
            prefix = unsigned(found);
            continue;
        }
        dictionary.Add(prefix, byte, next);
        emitCode(prefix);
        prefix = byte;
    }
    emitCode(prefix);
    out.Put(kEnd, width);
    return out.Finish();
}

namespace {

qsizetype EntryPosition(const QByteArray& file, int tag, bool& big)
{
    big = file.startsWith("MM");
    const auto get = [&](qsizetype at, int bytes) {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= std::uint32_t(std::uint8_t(file[at + (big ? bytes - 1 - i : i)])) << (8 * i);
        return v;
    };
    const qsizetype directory = get(4, 4);
    const int count = int(get(directory, 2));
    for (int i = 0; i < count; ++i) {
        const qsizetype at = directory + 2 + qsizetype(i) * 12;
        if (int(get(at, 2)) == tag)
            return at;
    }
    return -1;
}

}  // namespace

bool SetTiffEntry(QByteArray& file, int tag, std::uint32_t count, std::uint32_t value)
{
    bool big = false;
    const qsizetype at = EntryPosition(file, tag, big);
    if (at < 0)
        return false;
    const bool isShort = std::uint8_t(file[at + (big ? 3 : 2)]) == kShort;
    TByteWriter w(big);
    w.Put32(count);
    if (isShort && count == 1) {
        w.Put16(value);
        w.Put16(0);
    } else {
        w.Put32(value);
    }
    file.replace(at + 4, 8, w.Data());
    return true;
}

std::uint32_t TiffEntryValue(const QByteArray& file, int tag)
{
    bool big = false;
    const qsizetype at = EntryPosition(file, tag, big);
    if (at < 0)
        return 0;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(std::uint8_t(file[at + 8 + (big ? 3 - i : i)])) << (8 * i);
    return v;
}

}  // namespace pixmarl::test
