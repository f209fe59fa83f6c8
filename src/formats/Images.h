#pragma once

// The program's one table of image formats: extension to format, each format's names, filter and
// default extension, the universal header record every header reader fills, the names that make
// up a file's Type text, the dispatch to the header readers and the content probe.
// Everything here may be called from any thread.

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include <QString>

namespace pixmarl {

// PNG and WebP came after the first six; their ordinals follow so that stored values keep their
// meaning.
enum TImageFormat : std::uint8_t {
    ifUnknown,
    ifJPEG,
    ifGIF,
    ifBMP,
    ifICO,
    ifAVI,
    ifTIFF,
    ifPNG,
    ifWebP
};

constexpr int kImageFormatCount = ifWebP + 1;

// A set of ifJPEG..ifWebP: bit n stands for the format of ordinal n, bit 0 is never set. Its low
// byte (ifJPEG..ifTIFF, bits 1 to 6) is the "ImageFormats" setting as it always was; the bits of
// the formats added later are stored beside it (see TSettings).
class TImageFormats {
public:
    constexpr TImageFormats() = default;
    constexpr TImageFormats(std::initializer_list<TImageFormat> formats)
    {
        for (TImageFormat f : formats)
            Include(f);
    }
    // The first six formats from their byte; the others are left out.
    static constexpr TImageFormats FromByte(std::uint8_t bits)
    {
        return FromBits(bits & kByteBits);
    }
    static constexpr TImageFormats FromBits(std::uint16_t bits)
    {
        TImageFormats set;
        set.bits_ = bits & kValidBits;
        return set;
    }

    // The first six formats' byte.
    constexpr std::uint8_t Byte() const { return std::uint8_t(bits_ & kByteBits); }
    constexpr std::uint16_t Bits() const { return bits_; }
    constexpr bool Contains(TImageFormat f) const
    {
        return f != ifUnknown && f < kImageFormatCount && (bits_ & (1u << f)) != 0;
    }
    constexpr void Include(TImageFormat f)
    {
        if (f != ifUnknown && f < kImageFormatCount)
            bits_ |= std::uint16_t(1u << f);
    }
    constexpr void Exclude(TImageFormat f) { bits_ &= std::uint16_t(~(1u << f)); }
    constexpr bool operator==(const TImageFormats&) const = default;

    static constexpr std::uint16_t kByteBits = 0x7E;
    static constexpr std::uint16_t kValidBits = 0x1FE;

private:
    std::uint16_t bits_ = 0;
};

inline constexpr TImageFormats kAllImageFormats =
    TImageFormats::FromBits(TImageFormats::kValidBits);

// The universal header record. A reader that fails sets Valid false and SubType 255 and leaves
// the other fields alone; callers clear the record before calling a reader.
struct TUniInfoRec {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint8_t SubType = 0;
    std::int8_t ColorDepth = 0;
    bool Valid = false;
    QString Comment;
};

// A format's display texts.
struct TFormatInfo {
    const char* LongName;
    const char* ShortName;
    const char* FilterMask;
    const char* DefaultExt;
};

const TFormatInfo& FormatInfo(TImageFormat format);

// The format an extension (with its dot, any case) stands for; ifUnknown for anything else.
TImageFormat ExtToFormat(const QString& ext);
TImageFormat ExtToFormat(std::string_view ext);

// The format of a file name, by its extension; the second form takes the name's bytes as the
// filesystem stores them (the extensions of the table are ASCII).
TImageFormat FileNameToFormat(const QString& fileName);
TImageFormat NativeNameToFormat(std::string_view fileName);

// One open/save dialog filter entry: long name, "|", filter mask.
QString FormatFilter(TImageFormat format);

// Colour depth codes beyond the first table, for formats with an alpha channel.
enum TExtraColorDepth : std::int8_t { cdRGBA = 15, cdGrayAlpha = 16 };

// The name of a colour depth code (-1 .. 16); empty for codes outside the table.
QString ColorDepthName(int colorDepth);

// The sub-type name of a format's sub-type code; empty outside the table.
QString SubTypeName(TImageFormat format, int subType);

// The Type text of a file: colour depth name, one blank, sub-type name.
QString TypeText(TImageFormat format, int colorDepth, int subType);

// A universal header reader: fills info from the file and returns info.Valid.
using TUniInfoReader = bool (*)(const QString& fileName, TUniInfoRec& info);

// The universal entry of a header reader: reads the header with read and fills the record from it
// with fill. A failed read marks the record (Valid false, SubType 255) and leaves the rest alone.
template <typename Header>
bool ReadUniInfo(const QString& fileName, TUniInfoRec& info, bool (*read)(const QString&, Header&),
                 void (*fill)(const Header&, TUniInfoRec&))
{
    Header header;
    if (!read(fileName, header)) {
        info.Valid = false;
        info.SubType = 255;
        return false;
    }
    fill(header, info);
    return true;
}

// Reads the header of a file with the reader of its format. Formats without a reader leave the
// record as it is and give false.
bool GetUniInfo(const QString& fileName, TImageFormat format, TUniInfoRec& info);

// The content probe: runs the readers for JPEG, GIF, BMP, TIFF, PNG and WebP in that order and
// returns the format of the first that accepts the file (with the record it filled), else
// ifUnknown.
TImageFormat DetectFormat(const QString& fileName, TUniInfoRec& info);

// The most memory one decoded image may take.
inline constexpr qint64 kMaxImageBytes = qint64(1) << 30;

// Lets Qt's image readers allocate images up to kMaxImageBytes (Qt's own default refuses large
// scans and bitmaps). Called once at start-up, before any image is read.
void SetImageAllocationLimit();

}  // namespace pixmarl
