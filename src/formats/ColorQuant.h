#pragma once

// Colour reduction to at most 256 colours: a variance-based box-splitting quantizer on a colour
// histogram of 5 bits per channel. The cube is cut into boxes, always splitting the box with the
// largest spread, until 256 boxes exist or none can be split; each box becomes one palette entry
// and every pixel takes the entry of the box its colour falls into. Sums, means and variances are
// 32-bit floats, so results are reproducible to the bit. Any thread; no shared state.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class QImage;

namespace pixmarl {

// A packed device-independent bitmap: a 40-byte BITMAPINFOHEADER followed by 24-bit rows (blue,
// green, red; padded to 4 bytes; bottom-up unless the height is negative). Returns a new packed
// DIB: the header (8 bits per pixel, 256 colours used, the input's height sign), 256 RGBQUAD
// entries (those beyond the boxes zero) and the 8-bit rows in the input's row order. Nothing for
// input of 8 bits or fewer, any other than 24 bits, or a header that does not match the data.
std::optional<std::vector<std::uint8_t>> Quantize(const std::uint8_t* packedDib, std::size_t size);

// Reduces a true-colour bitmap (15, 16, 24 or 32 bits) to an 8-bit one with a 256-entry colour
// table. A bitmap of 8 bits or fewer is left alone. True when the bitmap was reduced. The rows
// are read through a one-row buffer, so no second full-size image is made.
bool ReduceToPalette(QImage& bitmap);

}  // namespace pixmarl
