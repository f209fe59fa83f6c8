#pragma once

// Builds TIFF files in memory, for tests, samples and benchmarks.
//
// Layout written: the 8-byte header ("II" or "MM", 42, offset of the first directory), then the
// strips one after the other (each padded to an even length), then the arrays the directory
// points to (bits per sample, colour map of 3 x 256 16-bit levels, document name, Photoshop
// resource block, ICC profile bytes, strip offsets, strip byte counts), then the one directory
// with its entries sorted by tag and a next-directory offset of 0. Every multi-byte number is in
// the chosen byte order. Strips are uncompressed or LZW-compressed (TiffLzwEncode), with the
// horizontal predictor applied before compression when predictor is 2. Planar files store each
// sample plane in strips of its own (all strips of plane 0 first).
//
// Sample values follow TiffPatternSample, palette levels TiffPaletteLevel, so that tests can
// compute every expected pixel.

#include <cstdint>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>

namespace pixmarl::test {

enum class TiffKind { Grey, Palette, Bilevel, Rgb, Cmyk };

struct TiffParams {
    int width = 13;
    int height = 11;
    TiffKind kind = TiffKind::Rgb;
    bool bigEndian = false;
    bool lzw = false;
    int compression = 0;        // the tag's value when not 0, overriding none/LZW (data stays raw)
    int predictor = 1;          // the tag's value; 2 differences the samples of LZW strips
    int rowsPerStrip = 0;       // 0: the whole image in one strip
    int photometric = -1;       // -1: the kind's (1 for grey and bilevel, 2, 3, 5)
    int bitsPerSample = 0;      // 0: the kind's (1 for bilevel, else 8)
    bool alpha = false;         // one more sample, declared by the extra samples tag
    bool planar = false;        // planar configuration 2
    bool byteCounts = true;     // write the strip byte counts tag
    bool sharedStrips = false;  // every strip points at the first one's bytes (a large image in
                                // a small file; its rows repeat the first strip's)
    QByteArray documentName;
    QByteArray photoshopThumbnail;  // JFIF bytes: written in a resource block when not empty
    bool iccProfile = false;
    std::vector<std::pair<int, int>> shortTags;  // more one-value SHORT entries: tag, value
};

// The samples of pixel (x, y): channel c of the kind's samples (for bilevel: the bit).
int TiffPatternSample(int x, int y, int channel, TiffKind kind);

// The 8-bit red, green or blue level of palette entry i (stored as level x 257).
int TiffPaletteLevel(int i, int channel);

QByteArray BuildTiff(const TiffParams& params);

// A Photoshop image resource block: a resolution resource, then the thumbnail resource 1036 with
// its 28-byte header and the JFIF bytes.
QByteArray BuildPhotoshopBlock(const QByteArray& jfif);

// TIFF's LZW: MSB-first codes of 9 to 12 bits widened one code early, a clear code first and
// whenever the table reaches 4094 entries, an end code last.
QByteArray TiffLzwEncode(QByteArrayView data);

// Rewrites the count and value field of the entry with this tag in the first directory of a
// file BuildTiff wrote (value in the first 2 bytes for SHORT entries); false when there is none.
bool SetTiffEntry(QByteArray& file, int tag, std::uint32_t count, std::uint32_t value);

// The value field of that entry as a 32-bit number (the offset of out-of-line values).
std::uint32_t TiffEntryValue(const QByteArray& file, int tag);

}  // namespace pixmarl::test
