#include "Images.h"

#include <array>

#include <QImageReader>

#include "formats/Avis.h"
#include "formats/LibTiff.h"
#include "formats/RdGIFH.h"
#include "formats/RdJPGH.h"
#include "formats/RdPNGH.h"
#include "formats/RdWebPH.h"
#include "formats/ReadBmpH.h"
#include "platform/Paths.h"

namespace pixmarl {

namespace {

constexpr std::array<TFormatInfo, kImageFormatCount> kFormats = {{
    {"Unbekannt", "", "*.*", ""},
    {"JPEG/JFIF Image File", "JPEG", "*.jpg;*.jpe;*.jpeg", ".JPG"},
    {"Compuserve GIF File", "GIF", "*.gif", ".GIF"},
    {"Windows Bitmap File", "BMP", "*.bmp;*.dib", ".BMP"},
    {"Windows Icon File", "ICO", "*.ico", ".ICO"},
    {"Video for Windows File", "AVI", "*.avi", ".AVI"},
    {"Tagged Image File", "TIFF", "*.tif;*.tiff", ".TIF"},
    {"Portable Network Graphics", "PNG", "*.png", ".PNG"},
    {"WebP Image File", "WebP", "*.webp", ".WEBP"},
}};

// Indexed by colour depth code + 1.
constexpr std::array<const char*, 18> kColorDepthNames = {
    "Unknown",   "",           "Monochrom",  "4 colors",   "8 colors", "16 colors", "32 colors",
    "64 colors", "128 colors", "256 colors", "Gray",       "HiColor",  "RGB",       "32-Bit colors",
    "CMYK",      "B/W",        "RGBA",       "Gray+Alpha",
};

constexpr std::array<const char*, 48> kSubTypeNames = {
    "",
    "unknown",
    "Error",
    // JPEG: SOF marker - 0xBF
    "",
    "(Baseline)",
    "(Ext. sequential)",
    "(Progressive)",
    "(Lossless)",
    "",
    "(Diff. sequential)",
    "(Diff. progressive)",
    "(Diff. lossless)",
    "",
    "(Ext. sequential, arithm. coding)",
    "(Progressive, arithm. coding)",
    "(Lossless, arithm. coding)",
    "",
    "(Diff. sequential, arithm. coding)",
    "(Diff. progressive, arithm. coding)",
    "(Diff. lossless, arithm. coding)",
    // GIF
    "",
    "(87a)",
    "(89a)",
    "",
    // BMP
    "",
    "",
    "(RLE)",
    // ICO
    "",
    "",
    // AVI
    "",
    "",
    // TIFF: 1 uncompressed, 2 LZW (or any compression, from the own reader); from 3 on the
    // compressions only libtiff decodes (TLibTiffSubType)
    "",
    "",
    "(LZW)",
    "(Deflate)",
    "(JPEG)",
    "(PackBits)",
    "(CCITT RLE)",
    "(CCITT G3)",
    "(CCITT G4)",
    "(compressed)",
    // PNG (TPngSubType)
    "",
    "(PNG)",
    "(PNG, interlaced)",
    // WebP (TWebPSubType)
    "",
    "(WebP)",
    "(WebP, lossless)",
    "(WebP, animated)",
};

constexpr std::array<int, kImageFormatCount> kSubTypeBase = {0, 3, 20, 24, 27, 29, 31, 41, 44};
// Codes past a format's last entry name nothing; the first seven formats index the one table as
// they always did.
constexpr std::array<int, kImageFormatCount> kSubTypeEnd = {34, 34, 34, 34, 34, 34, 41, 44, 48};
static_assert(kSubTypeEnd.back() == int(kSubTypeNames.size()));

// The header reader of each format; a format without one has no entry.
constexpr std::array<TUniInfoReader, kImageFormatCount> kUniInfoReaders = {
    nullptr,         // ifUnknown
    JPEGUniInfo,     // ifJPEG
    GIFUniInfo,      // ifGIF
    BmpUniInfo,      // ifBMP
    nullptr,         // ifICO: never read
    AviUniInfo,      // ifAVI
    AnyTiffUniInfo,  // ifTIFF
    PNGUniInfo,      // ifPNG
    WebPUniInfo,     // ifWebP
};

constexpr std::array<TImageFormat, 6> kDetectOrder = {ifJPEG, ifGIF, ifBMP, ifTIFF, ifPNG, ifWebP};

constexpr size_t kMaxExtLength = 5;  // ".JPEG", ".TIFF", ".WEBP"

}  // namespace

const TFormatInfo& FormatInfo(TImageFormat format)
{
    return kFormats[format < kImageFormatCount ? format : ifUnknown];
}

TImageFormat ExtToFormat(std::string_view ext)
{
    if (ext.size() < 2 || ext.size() > kMaxExtLength)
        return ifUnknown;
    char buffer[kMaxExtLength];
    for (size_t i = 0; i < ext.size(); ++i) {
        const char c = ext[i];
        buffer[i] = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    }
    const std::string_view upper(buffer, ext.size());
    switch (upper[1]) {
    case 'A':
        return upper == ".AVI" ? ifAVI : ifUnknown;
    case 'B':
        return upper == ".BMP" ? ifBMP : ifUnknown;
    case 'D':
        return upper == ".DIB" ? ifBMP : ifUnknown;
    case 'G':
        return upper == ".GIF" ? ifGIF : ifUnknown;
    case 'I':
        return upper == ".ICO" ? ifICO : ifUnknown;
    case 'J':
        return upper == ".JPG" || upper == ".JPE" || upper == ".JPEG" ? ifJPEG : ifUnknown;
    case 'P':
        return upper == ".PNG" ? ifPNG : ifUnknown;
    case 'T':
        return upper == ".TIF" || upper == ".TIFF" ? ifTIFF : ifUnknown;
    case 'W':
        return upper == ".WEBP" ? ifWebP : ifUnknown;
    default:
        return ifUnknown;
    }
}

TImageFormat ExtToFormat(const QString& ext)
{
    if (ext.size() < 2 || ext.size() > qsizetype(kMaxExtLength))
        return ifUnknown;
    char buffer[kMaxExtLength];
    for (qsizetype i = 0; i < ext.size(); ++i) {
        const char16_t c = ext.at(i).unicode();
        if (c > 0x7F)
            return ifUnknown;
        buffer[i] = char(c);
    }
    return ExtToFormat(std::string_view(buffer, size_t(ext.size())));
}

TImageFormat FileNameToFormat(const QString& fileName)
{
    return ExtToFormat(ExtractFileExt(fileName));
}

TImageFormat NativeNameToFormat(std::string_view fileName)
{
    const size_t pos = fileName.find_last_of("./\\:");
    if (pos == std::string_view::npos || fileName[pos] != '.')
        return ifUnknown;
    return ExtToFormat(fileName.substr(pos));
}

QString FormatFilter(TImageFormat format)
{
    const TFormatInfo& info = FormatInfo(format);
    return QLatin1String(info.LongName) + u'|' + QLatin1String(info.FilterMask);
}

QString ColorDepthName(int colorDepth)
{
    const int index = colorDepth + 1;
    if (index < 0 || index >= int(kColorDepthNames.size()))
        return {};
    return QLatin1String(kColorDepthNames[size_t(index)]);
}

QString SubTypeName(TImageFormat format, int subType)
{
    if (format >= kImageFormatCount || subType < 0)
        return {};
    const int index = kSubTypeBase[format] + subType;
    if (index >= kSubTypeEnd[format])
        return {};
    return QLatin1String(kSubTypeNames[size_t(index)]);
}

QString TypeText(TImageFormat format, int colorDepth, int subType)
{
    return ColorDepthName(colorDepth) + u' ' + SubTypeName(format, subType);
}

bool GetUniInfo(const QString& fileName, TImageFormat format, TUniInfoRec& info)
{
    if (format >= kImageFormatCount || kUniInfoReaders[format] == nullptr)
        return false;
    return kUniInfoReaders[format](fileName, info);
}

TImageFormat DetectFormat(const QString& fileName, TUniInfoRec& info)
{
    for (TImageFormat format : kDetectOrder) {
        if (kUniInfoReaders[format] == nullptr)
            continue;
        info = TUniInfoRec{};
        if (kUniInfoReaders[format](fileName, info))
            return format;
    }
    return ifUnknown;
}

void SetImageAllocationLimit()
{
    QImageReader::setAllocationLimit(int(kMaxImageBytes >> 20));
}

}  // namespace pixmarl
