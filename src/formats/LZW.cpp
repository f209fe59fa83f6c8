#include "LZW.h"

#include <array>

namespace pixmarl {

namespace {

constexpr unsigned kClearCode = 256;
constexpr unsigned kEndCode = 257;
constexpr unsigned kFirstFreeCode = 258;
constexpr unsigned kTableSize = 4096;
constexpr int kMinWidth = 9;
constexpr int kMaxWidth = 12;

// Each entry is its prefix code plus one byte; strings are written back to front by walking the
// prefixes, so no string is ever stored whole.
struct TLzwTable {
    std::array<std::uint16_t, kTableSize> prefix;
    std::array<std::uint16_t, kTableSize> length;
    std::array<std::uint8_t, kTableSize> suffix;
    std::array<std::uint8_t, kTableSize> first;

    TLzwTable()
    {
        for (unsigned i = 0; i < 256; ++i) {
            prefix[i] = 0;
            length[i] = 1;
            suffix[i] = std::uint8_t(i);
            first[i] = std::uint8_t(i);
        }
    }

    void Add(unsigned code, unsigned prev, std::uint8_t byte)
    {
        prefix[code] = std::uint16_t(prev);
        length[code] = std::uint16_t(length[prev] + 1);
        suffix[code] = byte;
        first[code] = first[prev];
    }

    void Write(unsigned code, std::uint8_t* end) const
    {
        std::uint8_t* p = end;
        while (code >= 256) {
            *--p = suffix[code];
            code = prefix[code];
        }
        *--p = std::uint8_t(code);
    }
};

class TBitReader {
public:
    TBitReader(const std::uint8_t* src, std::size_t size) : src_(src), size_(size) {}

    // False at the end of the input.
    bool Read(int width, unsigned& code)
    {
        while (bits_ < width) {
            if (pos_ >= size_)
                return false;
            acc_ = (acc_ << 8) | src_[pos_++];
            bits_ += 8;
        }
        bits_ -= width;
        code = (acc_ >> bits_) & ((1u << width) - 1);
        return true;
    }

private:
    const std::uint8_t* src_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::uint32_t acc_ = 0;
    int bits_ = 0;
};

}  // namespace

TLzwResult LzwDecode(const std::uint8_t* src, std::size_t srcSize, std::uint8_t* dst,
                     std::size_t dstSize)
{
    TLzwTable table;
    TBitReader reader(src, srcSize);
    TLzwResult result;
    unsigned next = kFirstFreeCode;
    int width = kMinWidth;
    bool havePrev = false;
    unsigned prev = 0;
    unsigned code = 0;
    while (reader.Read(width, code) && code != kEndCode) {
        if (code == kClearCode) {
            next = kFirstFreeCode;
            width = kMinWidth;
            havePrev = false;
            continue;
        }
        if (!havePrev) {
            if (code > 255 || result.Produced >= dstSize)
                return result;
            dst[result.Produced++] = std::uint8_t(code);
            prev = code;
            havePrev = true;
            continue;
        }
        if (code > next || next >= kTableSize)
            return result;
        table.Add(next, prev, table.first[code < next ? code : prev]);
        ++next;
        if (next == (1u << width) - 1 && width < kMaxWidth)
            ++width;
        const std::size_t length = table.length[code];
        if (length > dstSize - result.Produced)
            return result;
        result.Produced += length;
        table.Write(code, dst + result.Produced);
        prev = code;
    }
    result.Ok = true;
    return result;
}

bool IsOldStyleLzw(const std::uint8_t* src, std::size_t srcSize)
{
    return srcSize >= 2 && src[0] == 0 && (src[1] & 1) != 0;
}

}  // namespace pixmarl
