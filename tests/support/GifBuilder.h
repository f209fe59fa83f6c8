#pragma once

// Builds GIF files in memory for tests and samples, without the program's own writer, so that
// reader tests do not only read what our writer wrote.
//
// Layout written: "GIF" + version (6 bytes), the logical screen descriptor (width, height, packed
// byte with the global table flag and size, background index, aspect 0), the global colour table
// (padded with black to a power of two), then per frame: its raw prefix bytes, a loop extension
// (NETSCAPE2.0 or ANIMEXTS1.0: sub-block 3, 1, count, 0), an unknown application extension, a
// comment, a graphic control extension (block size 4), and unless the frame has no image the
// image descriptor, its local table and the image data: the minimum code size and the codes in
// sub-blocks of at most 255 bytes. Codes are plain literals at the smallest width, with a clear
// code before the table would grow, so the encoding shares nothing with a real LZW encoder.
// Then the trailer 0x3B, and the whole file is cut to truncateTo bytes when that is set.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QRgb>

namespace pixmarl {
class TGIFImage;
}

namespace pixmarl::test {

struct GifControl {
    int disposal = 0;
    bool transparent = false;
    int transparentIndex = 0;
    int delay = 0;
};

struct GifFrameParams {
    int left = 0;
    int top = 0;
    int width = 4;
    int height = 4;
    bool interlaced = false;
    bool hasImage = true;
    std::vector<QRgb> localColors;  // none when empty
    std::vector<std::uint8_t>
        pixels;  // display order (file order unless width x height); empty: GifPatternIndex
    std::optional<GifControl> control;
    std::optional<int> loops;
    bool animExtsLoop = false;  // the loop extension as ANIMEXTS1.0
    QByteArray comment;  // none when empty
    QByteArray unknownApplication;  // 11 identifier bytes + data; none when empty
    int minCodeSize = 0;  // 0: from the colour table size, at least 2
    std::optional<QByteArray> codeData;  // replaces the encoded codes (before sub-blocking)
    QByteArray prefix;  // raw bytes written in front of the frame
};

struct GifParams {
    QByteArray signature = "GIF";
    QByteArray version = "89a";
    int width = 4;
    int height = 4;
    std::vector<QRgb> globalColors = DefaultColors();
    int background = 0;
    std::vector<GifFrameParams> frames = { GifFrameParams() };
    QByteArray beforeTrailer;  // raw bytes after the last frame
    bool trailer = true;
    int truncateTo = -1;

    static std::vector<QRgb> DefaultColors();  // black, red, green, blue
};

// The colour index of pixel (x, y) of a frame whose table has colors entries.
std::uint8_t GifPatternIndex(int x, int y, int colors);

// The pixels a frame of these parameters carries (its own or the pattern), in display order.
std::vector<std::uint8_t> GifFramePixels(const GifFrameParams& frame, int colors);

// Packs codes of the given widths least significant bit first, as GIF image data does.
QByteArray PackGifCodes(const std::vector<std::pair<int, int>>& codesAndWidths);

QByteArray BuildGif(const GifParams& params);

// An animation of full-screen frames, made in memory (no file): frame f shows diagonal bands of
// the four default colours shifted by f, each frame with the given delay in hundredths.
std::unique_ptr<TGIFImage> BuildAnimation(int width, int height, int frames, int delay);

}  // namespace pixmarl::test
