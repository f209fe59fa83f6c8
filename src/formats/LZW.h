#pragma once

// The LZW decoder of TIFF strips: codes most significant bit first, 9 to 12 bits wide, the width
// growing one code early (at 511, 1023 and 2047), 256 clears the table, 257 ends the strip.
//
// The decoder never writes outside the output it is given and never reads past the input: a
// code beyond the next free one, a table that would outgrow 4096 entries, or a stream whose
// output does not fit all make the decode fail. A plain function of its arguments: any thread.

#include <cstddef>
#include <cstdint>

namespace pixmarl {

// No code is shorter than a byte and no table string is longer than 4096 bytes, so a stream
// never decodes to more than this many times its size.
inline constexpr std::size_t kLzwMaxExpansion = 4096;

struct TLzwResult {
    bool Ok = false;
    std::size_t Produced = 0;  // bytes written to the output
};

// Decodes src into dst (at most dstSize bytes). Running out of input without an end code is not
// an error: what was decoded so far counts, and the caller checks whether it is enough.
TLzwResult LzwDecode(const std::uint8_t* src, std::size_t srcSize, std::uint8_t* dst,
                     std::size_t dstSize);

// True when data starts like a stream of the old, least-significant-bit-first LZW variant, which
// is not read here.
bool IsOldStyleLzw(const std::uint8_t* src, std::size_t srcSize);

}  // namespace pixmarl
