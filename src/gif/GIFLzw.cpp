#include "GIFLzw.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace pixmarl {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

// The decoder's string table: each entry is a prefix code plus one last pixel, with the length
// and first pixel of its string cached so that a string can be written back to front in one go.
struct DecoderTable {
    std::array<std::uint16_t, kTableSize> prefix;
    std::array<std::uint8_t, kTableSize> suffix;
    std::array<std::uint8_t, kTableSize> first;
    std::array<std::uint16_t, kTableSize> length;
};

// Writes the string of code back to front into dest[0 .. length).
inline void WriteString(const DecoderTable& t, int code, std::uint8_t* dest)
{
    std::uint8_t* p = dest + t.length[code] - 1;
    while (p > dest) {
        *p-- = t.suffix[code];
        code = t.prefix[code];
    }
    *p = t.suffix[code];
}

class CodeReader {
public:
    CodeReader(const std::uint8_t* data, std::size_t size) : data_(data), end_(data + size) {}

    // False when the data end inside the code.
    bool Next(int width, int& code)
    {
        while (bits_ < width) {
            if (data_ == end_)
                return false;
            acc_ |= std::uint32_t(*data_++) << bits_;
            bits_ += 8;
        }
        code = int(acc_ & ((1u << width) - 1));
        acc_ >>= width;
        bits_ -= width;
        return true;
    }

private:
    const std::uint8_t* data_;
    const std::uint8_t* end_;
    std::uint32_t acc_ = 0;
    int bits_ = 0;
};

}  // namespace

std::uint64_t LzwMaxPixels(std::size_t dataBytes, int minCodeSize)
{
    const std::uint64_t codes = std::uint64_t(dataBytes) * 8 / std::uint64_t(minCodeSize + 1);
    const std::uint64_t full = std::uint64_t(kTableSize);
    if (codes <= full)
        return codes * (codes + 1) / 2;
    return full * (full + 1) / 2 + (codes - full) * full;
}

TLzwResult LzwDecode(const std::uint8_t* data, std::size_t size, int minCodeSize, std::uint8_t* out,
                     std::size_t pixelCount)
{
    auto table = std::make_unique_for_overwrite<DecoderTable>();
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    for (int i = 0; i < clearCode; ++i) {
        table->prefix[i] = 0;
        table->suffix[i] = std::uint8_t(i);
        table->first[i] = std::uint8_t(i);
        table->length[i] = 1;
    }
    int width = minCodeSize + 1;
    int nextFree = clearCode + 2;
    int previous = -1;
    std::size_t produced = 0;
    std::array<std::uint8_t, kTableSize + 1> spill;
    CodeReader reader(data, size);
    while (produced < pixelCount) {
        int code;
        if (!reader.Next(width, code))
            return TLzwResult::BitUnderRun;
        if (code == clearCode) {
            width = minCodeSize + 1;
            nextFree = clearCode + 2;
            previous = -1;
            continue;
        }
        if (code == endCode)
            return TLzwResult::EndOfData;
        if (previous < 0) {
            if (code > clearCode)
                return TLzwResult::CircularEntry;
            out[produced++] = std::uint8_t(code);
            previous = code;
            continue;
        }
        int length;
        std::uint8_t firstPixel;
        const std::size_t room = pixelCount - produced;
        if (code < nextFree) {
            length = table->length[code];
            firstPixel = table->first[code];
            if (std::size_t(length) <= room) {
                WriteString(*table, code, out + produced);
            } else {
                WriteString(*table, code, spill.data());
                std::memcpy(out + produced, spill.data(), room);
            }
        } else if (code == nextFree && nextFree < kTableSize) {
            // The string being defined right now: the previous one plus its own first pixel.
            length = table->length[previous] + 1;
            firstPixel = table->first[previous];
            std::uint8_t* dest = std::size_t(length) <= room ? out + produced : spill.data();
            WriteString(*table, previous, dest);
            dest[length - 1] = firstPixel;
            if (dest == spill.data())
                std::memcpy(out + produced, spill.data(), room);
        } else {
            return TLzwResult::CircularEntry;
        }
        produced += std::min(std::size_t(length), room);
        if (nextFree < kTableSize) {
            table->prefix[nextFree] = std::uint16_t(previous);
            table->suffix[nextFree] = firstPixel;
            table->first[nextFree] = table->first[previous];
            table->length[nextFree] = std::uint16_t(table->length[previous] + 1);
            ++nextFree;
            if (nextFree == (1 << width) && width < kMaxCodeBits)
                ++width;
        }
        previous = code;
    }
    return TLzwResult::Complete;
}

namespace {

class CodeWriter {
public:
    explicit CodeWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void Put(int code, int width)
    {
        acc_ |= std::uint32_t(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            out_.push_back(std::uint8_t(acc_));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }

    void Flush()
    {
        if (bits_ > 0)
            out_.push_back(std::uint8_t(acc_));
        acc_ = 0;
        bits_ = 0;
    }

private:
    std::vector<std::uint8_t>& out_;
    std::uint32_t acc_ = 0;
    int bits_ = 0;
};

// Maps (prefix code, pixel) to the code of that string; open addressing, cleared with the table.
class EncoderDictionary {
public:
    EncoderDictionary() { Clear(); }

    void Clear() { keys_.fill(kEmpty); }

    int Find(std::uint32_t key) const
    {
        for (std::uint32_t slot = Hash(key);; slot = (slot + 1) & kMask) {
            if (keys_[slot] == key)
                return codes_[slot];
            if (keys_[slot] == kEmpty)
                return -1;
        }
    }

    void Insert(std::uint32_t key, int code)
    {
        std::uint32_t slot = Hash(key);
        while (keys_[slot] != kEmpty)
            slot = (slot + 1) & kMask;
        keys_[slot] = key;
        codes_[slot] = std::uint16_t(code);
    }

private:
    static constexpr std::uint32_t kSlots = 8192;
    static constexpr std::uint32_t kMask = kSlots - 1;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

    static std::uint32_t Hash(std::uint32_t key) { return (key * 2654435761u) >> 19; }

    std::array<std::uint32_t, kSlots> keys_;
    std::array<std::uint16_t, kSlots> codes_;
};

}  // namespace

std::vector<std::uint8_t> LzwEncode(const std::uint8_t* pixels, std::size_t count, int minCodeSize)
{
    std::vector<std::uint8_t> out;
    out.reserve(count / 2 + 16);
    CodeWriter writer(out);
    auto dictionary = std::make_unique<EncoderDictionary>();
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    int width = minCodeSize + 1;
    int nextFree = clearCode + 2;
    // The width grows once the decoder, which defines each entry one code later than we do,
    // will have filled the codes of the current width.
    auto emit = [&](int code) {
        writer.Put(code, width);
        if (nextFree >= (1 << width) && width < kMaxCodeBits)
            ++width;
    };
    emit(clearCode);
    if (count == 0) {
        emit(endCode);
        writer.Flush();
        return out;
    }
    int current = pixels[0];
    for (std::size_t i = 1; i < count; ++i) {
        const std::uint32_t key = (std::uint32_t(current) << 8) | pixels[i];
        const int found = dictionary->Find(key);
        if (found >= 0) {
            current = found;
            continue;
        }
        emit(current);
        if (nextFree < kTableSize - 1) {
            dictionary->Insert(key, nextFree++);
        } else {
            emit(clearCode);
            dictionary->Clear();
            width = minCodeSize + 1;
            nextFree = clearCode + 2;
        }
        current = pixels[i];
    }
    emit(current);
    emit(endCode);
    writer.Flush();
    return out;
}

}  // namespace pixmarl
