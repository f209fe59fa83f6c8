#pragma once

// Builds AVI files in memory, for tests, benchmarks and samples.
//
// Layout written: RIFF 'AVI ' { LIST 'hdrl' { 'avih' (56 bytes), LIST 'strl' per stream { 'strh'
// (56 bytes, or 48 without the frame rectangle), 'strf' (BITMAPINFOHEADER + colour table for
// video, an 18-byte PCM WAVEFORMATEX for sound) }, LIST 'odml' { 'dmlh' } when asked },
// LIST 'movi' { one chunk per frame, '00db' uncompressed or '00dc' compressed, each followed by an
// 800-byte '01wb' sound chunk when there is sound }, 'idx1' with one 16-byte entry per movi chunk,
// offsets relative to the 'movi' type }. Video is stream 0 (sound is stream 0 of a sound-only
// file). Uncompressed frames are bottom-up DIB rows padded to 4 bytes.

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QImage>

namespace pixmarl::test {

struct AviParams {
    int width = 8;
    int height = 6;
    std::uint32_t compression = 0;  // biCompression: 0 uncompressed, else a four-character code
    std::uint32_t handler = 0;      // fccHandler of the video stream header
    int bitCount = 24;
    std::vector<QRgb> palette;       // the colour table written after the bitmap header
    std::vector<QByteArray> frames;  // payloads of the video chunks
    std::vector<bool> keyFrames;     // index key flag per frame; every frame is key when empty
    std::uint32_t rate = 15;
    std::uint32_t scale = 1;
    std::optional<std::uint32_t> length;  // the stream header's dwLength; frame count when unset
    std::uint32_t flags = 0x110;          // main header flags
    bool video = true;
    bool sound = false;
    bool index = true;
    bool frameRect = true;  // false: stream header of 48 bytes, without the frame rectangle
    std::optional<std::uint32_t> odmlFrames;  // writes the OpenDML extended header
};

enum class AviCodec { Rgb24, Pal8, Mjpeg };

// Parameters for frames of the given codec showing AviExpectedPixel. Pal8 writes a full 256-entry
// colour table with biClrUsed 0; Mjpeg frames are one colour each, encoded with libjpeg.
AviParams MakeAviParams(AviCodec codec, int width, int height, int frames);
// The colour of pixel (x, y) of frame f of a MakeAviParams file (Mjpeg: before JPEG's loss).
QRgb AviExpectedPixel(AviCodec codec, int frame, int x, int y);

QByteArray BuildAvi(const AviParams& params);

// A four-character code as the little-endian number AVI headers hold.
constexpr std::uint32_t AviFourCC(const char (&s)[5])
{
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

}  // namespace pixmarl::test
