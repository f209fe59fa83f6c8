#pragma once

// The variable-width LZW code of GIF image data: codes from the minimum code size + 1 up to 12
// bits, least significant bit first, with a clear code and an end-of-information code. Plain
// functions on byte buffers (the sub-block framing is the caller's business); any thread.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixmarl {

enum class TLzwResult : std::uint8_t {
    Complete,       // every requested pixel was decoded
    EndOfData,      // the end-of-information code came before the last pixel
    BitUnderRun,    // the data ran out inside a code, or before the last pixel
    CircularEntry,  // a code that is not (yet) in the table
};

// The most pixels an LZW stream of dataBytes bytes can describe at the given minimum code size:
// the n-th code after a clear stands for at most n pixels and no string is longer than 4096.
// Lets a reader size its buffer by what the data can hold rather than by what a header claims.
std::uint64_t LzwMaxPixels(std::size_t dataBytes, int minCodeSize);

// Decodes data (the concatenated sub-blocks) into out[0 .. pixelCount). Pixels a string carries
// beyond pixelCount are dropped. minCodeSize must be 1..11.
TLzwResult LzwDecode(const std::uint8_t* data, std::size_t size, int minCodeSize, std::uint8_t* out,
                     std::size_t pixelCount);

// Encodes pixels (each below 2^minCodeSize) into a code stream that starts with a clear code and
// ends with the end-of-information code. minCodeSize must be 2..8.
std::vector<std::uint8_t> LzwEncode(const std::uint8_t* pixels, std::size_t count, int minCodeSize);

}  // namespace pixmarl
