#include "LZW.h"

#include <array>
#include <cstring>

namespace pixmarl {

namespace {

constexpr unsigned kClearCode = 256;
constexpr unsigned kEndCode = 257;
constexpr unsigned kFirstFreeCode = 258;
constexpr unsigned kTableSize = 4096;
constexpr int kMinWidth = 9;
constexpr int kMaxWidth = 12;

// A table string is always an earlier piece of this strip's output (the previous code's string
// followed by the first byte of the string after it), so each entry is kept as the place where
// that piece was written; decoding a code copies those bytes forward.
struct TLzwTable {
    std::array<std::size_t, kTableSize> offset;
    std::array<std::uint32_t, kTableSize> length;
};

void CopyForward(std::uint8_t* dst, const std::uint8_t* src, std::size_t length)
{
    if (length <= 8) {
        for (std::size_t i = 0; i < length; ++i)
            dst[i] = src[i];
    } else {
        std::memcpy(dst, src, length);
    }
}

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
    std::size_t& out = result.Produced;
    unsigned next = kFirstFreeCode;
    int width = kMinWidth;
    bool havePrev = false;
    std::size_t prevOffset = 0;  // where the previous code's string was written
    std::size_t prevLength = 0;
    unsigned code = 0;
    while (reader.Read(width, code) && code != kEndCode) {
        if (code == kClearCode) {
            next = kFirstFreeCode;
            width = kMinWidth;
            havePrev = false;
            continue;
        }
        std::size_t length = 1;
        if (code < 256) {
            if (out >= dstSize)
                return result;
            dst[out] = std::uint8_t(code);
        } else if (!havePrev || code > next) {
            return result;
        } else if (code < next) {
            length = table.length[code];
            if (length > dstSize - out)
                return result;
            CopyForward(dst + out, dst + table.offset[code], length);
        } else {
            // The code being defined right now: the previous string and its own first byte.
            length = prevLength + 1;
            if (length > dstSize - out)
                return result;
            CopyForward(dst + out, dst + prevOffset, prevLength);
            dst[out + prevLength] = dst[prevOffset];
        }
        if (havePrev) {
            if (next >= kTableSize)
                return result;
            table.offset[next] = prevOffset;
            table.length[next] = std::uint32_t(prevLength + 1);
            ++next;
            if (next == (1u << width) - 1 && width < kMaxWidth)
                ++width;
        }
        havePrev = true;
        prevOffset = out;
        prevLength = length;
        out += length;
    }
    result.Ok = true;
    return result;
}

bool IsOldStyleLzw(const std::uint8_t* src, std::size_t srcSize)
{
    return srcSize >= 2 && src[0] == 0 && (src[1] & 1) != 0;
}

}  // namespace pixmarl
