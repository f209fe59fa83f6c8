#include "formats/LibTiff.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include <tiffio.h>

#include "formats/Images.h"
#include "formats/TIFiles.h"
#include "platform/ReadOnlyFile.h"

namespace pixmarl {

namespace {

constexpr int kMaxWarnings = 8;

// Where libtiff reads from: a checked file or bytes in memory.
class TTiffInput {
public:
    virtual ~TTiffInput() = default;
    virtual qint64 Size() const = 0;
    // Up to count bytes at offset; how many were read, -1 on error.
    virtual qint64 ReadAt(qint64 offset, void* dest, qint64 count) const = 0;
};

class TFileInput final : public TTiffInput {
public:
    explicit TFileInput(const QString& fileName) : file_(fileName) {}
    bool IsOpen() const { return file_.IsOpen(); }
    qint64 Size() const override { return file_.Size(); }
    qint64 ReadAt(qint64 offset, void* dest, qint64 count) const override
    {
        return file_.ReadAt(offset, dest, count);
    }

private:
    TReadOnlyFile file_;
};

class TMemoryInput final : public TTiffInput {
public:
    explicit TMemoryInput(QByteArrayView data) : data_(data) {}
    qint64 Size() const override { return data_.size(); }
    qint64 ReadAt(qint64 offset, void* dest, qint64 count) const override
    {
        if (offset < 0 || count < 0)
            return -1;
        const qint64 n = std::clamp<qint64>(data_.size() - offset, 0, count);
        if (n > 0)
            std::memcpy(dest, data_.data() + offset, size_t(n));
        return n;
    }

private:
    QByteArrayView data_;
};

struct TMessages {
    QString Error;
    QStringList Warnings;
};

QString FormatMessage(const char* module, const char* fmt, va_list ap)
{
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    const QString message = QString::fromUtf8(text);
    return module != nullptr && *module != '\0'
               ? QString::fromUtf8(module) + QStringLiteral(": ") + message
               : message;
}

int OnError(TIFF*, void* user, const char* module, const char* fmt, va_list ap)
{
    auto* messages = static_cast<TMessages*>(user);
    if (messages->Error.isEmpty())
        messages->Error = FormatMessage(module, fmt, ap);
    return 1;  // handled: the process-wide handler is not called
}

int OnWarning(TIFF*, void* user, const char* module, const char* fmt, va_list ap)
{
    auto* messages = static_cast<TMessages*>(user);
    if (messages->Warnings.size() < kMaxWarnings)
        messages->Warnings.append(FormatMessage(module, fmt, ap));
    return 1;
}

// Messages that belong to no handle would go to standard error.
void SilenceProcessWideHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

// The client procedures' state: the input and the position libtiff reads at.
struct TClient {
    const TTiffInput* Input = nullptr;
    qint64 Position = 0;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* client = static_cast<TClient*>(handle);
    const qint64 got = client->Input->ReadAt(client->Position, buffer, size);
    if (got > 0)
        client->Position += got;
    return tmsize_t(got);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t)
{
    return -1;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* client = static_cast<TClient*>(handle);
    qint64 base = 0;
    if (whence == SEEK_CUR)
        base = client->Position;
    else if (whence == SEEK_END)
        base = client->Input->Size();
    // Offsets are unsigned; anything that does not land in 0 .. 2^62 is an error.
    const qint64 target = base + qint64(offset);
    if (offset > toff_t(qint64(1) << 62) || target < 0)
        return toff_t(-1);
    client->Position = target;
    return toff_t(target);
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t handle)
{
    return toff_t(static_cast<TClient*>(handle)->Input->Size());
}

int MapProc(thandle_t, void**, toff_t*)
{
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t)
{}

struct TTiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TTiffPtr = std::unique_ptr<TIFF, TTiffCloser>;

struct TOptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// An open handle on the first directory, reporting into messages; null when libtiff refuses the
// input (messages then say why).
TTiffPtr OpenTiff(TClient& client, TMessages& messages)
{
    SilenceProcessWideHandlers();
    const std::unique_ptr<TIFFOpenOptions, TOptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options)
        return {};
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(kMaxImageBytes));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &messages);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &messages);
    // "m": no memory mapping; the procedures read through the checked input.
    return TTiffPtr(TIFFClientOpenExt("tiff", "rm", &client, ReadProc, WriteProc, SeekProc,
                                      CloseProc, SizeProc, MapProc, UnmapProc, options.get()));
}

std::uint16_t Field16(TIFF* tif, ttag_t tag)
{
    std::uint16_t value = 0;
    TIFFGetFieldDefaulted(tif, tag, &value);
    return value;
}

std::uint8_t SubTypeOf(std::uint16_t compression)
{
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_LZW:
        return 2;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return lsDeflate;
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG:
        return lsJPEG;
    case COMPRESSION_PACKBITS:
        return lsPackBits;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
        return lsCCITTRLE;
    case COMPRESSION_CCITTFAX3:
        return lsCCITTG3;
    case COMPRESSION_CCITTFAX4:
        return lsCCITTG4;
    default:
        return lsOtherCompression;
    }
}

// The colour depth code of the first directory; 0 (no name) for kinds without one.
std::int8_t ColorDepthOf(TIFF* tif)
{
    const int bits = Field16(tif, TIFFTAG_BITSPERSAMPLE);
    const int samples = Field16(tif, TIFFTAG_SAMPLESPERPIXEL);
    std::uint16_t photometric = 0;
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        if (samples >= 2)
            return cdGrayAlpha;
        return bits == 1 ? 1 : 9;
    case PHOTOMETRIC_RGB:
        return samples >= 4 ? cdRGBA : 11;
    case PHOTOMETRIC_PALETTE:
        return bits >= 1 && bits <= 8 ? std::int8_t(bits) : 0;
    case PHOTOMETRIC_SEPARATED:
        return samples >= 4 ? 13 : 0;
    case PHOTOMETRIC_YCBCR:
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
    case PHOTOMETRIC_ITULAB:
    case PHOTOMETRIC_LOGLUV:
        return 11;
    case PHOTOMETRIC_LOGL:
        return 9;
    default:
        return 0;
    }
}

std::int32_t Dimension(TIFF* tif, ttag_t tag)
{
    std::uint32_t value = 0;
    TIFFGetField(tif, tag, &value);
    return std::int32_t(std::min<std::uint32_t>(value, INT32_MAX));
}

// libtiff's RGBA reader: every photometric, bit depth, layout and orientation it knows. Null
// with why filled when it refuses the file or fails.
QImage ReadRgba(TIFF* tif, QSize size, QString& why)
{
    char text[1024] = {};
    TIFFRGBAImage rgba{};
    if (!TIFFRGBAImageOK(tif, text) || !TIFFRGBAImageBegin(&rgba, tif, 0, text)) {
        why = QString::fromUtf8(text);
        return {};
    }
    // Rows as stored: the caller turns the image by all eight orientations, libtiff by four.
    rgba.orientation = ORIENTATION_TOPLEFT;
    rgba.req_orientation = ORIENTATION_TOPLEFT;
    // libtiff hands out alpha premultiplied, whichever kind the file stores.
    QImage image(size,
                 rgba.alpha != 0 ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888);
    // Rows of 4-byte pixels are never padded, so the image is the raster libtiff fills.
    const bool ok =
        !image.isNull() &&
        TIFFRGBAImageGet(&rgba, reinterpret_cast<std::uint32_t*>(image.bits()),
                         std::uint32_t(size.width()), std::uint32_t(size.height())) != 0;
    TIFFRGBAImageEnd(&rgba);
    if (!ok) {
        why = QStringLiteral("the image could not be decoded");
        return {};
    }
    return image;
}

// Grey or RGB floating-point samples (which the RGBA reader refuses) in strips, chunky.
bool IsFloatImage(TIFF* tif, int& channels)
{
    const int format = Field16(tif, TIFFTAG_SAMPLEFORMAT);
    const int bits = Field16(tif, TIFFTAG_BITSPERSAMPLE);
    const int photometric = Field16(tif, TIFFTAG_PHOTOMETRIC);
    channels = photometric == PHOTOMETRIC_RGB ? 3 : 1;
    return format == SAMPLEFORMAT_IEEEFP && (bits == 32 || bits == 64) && !TIFFIsTiled(tif) &&
           Field16(tif, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_CONTIG &&
           Field16(tif, TIFFTAG_SAMPLESPERPIXEL) >= channels &&
           (photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_MINISBLACK ||
            photometric == PHOTOMETRIC_MINISWHITE);
}

// Floating-point samples have no fixed range: they are stretched from the smallest to the
// largest finite value of the image (two passes over the rows, so nothing but one row is kept).
class TFloatReader {
public:
    TFloatReader(TIFF* tif, int channels)
        : tif_(tif),
          channels_(channels),
          samples_(Field16(tif, TIFFTAG_SAMPLESPERPIXEL)),
          wide_(Field16(tif, TIFFTAG_BITSPERSAMPLE) == 64),
          inverted_(Field16(tif, TIFFTAG_PHOTOMETRIC) == PHOTOMETRIC_MINISWHITE),
          row_(std::size_t(std::max<tmsize_t>(TIFFScanlineSize(tif), 0)))
    {}

    QImage Read(QSize size)
    {
        if (std::size_t(size.width()) * std::size_t(samples_) * (wide_ ? 8 : 4) > row_.size())
            return {};
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        for (int y = 0; y < size.height(); ++y) {
            if (!ReadRow(y))
                return {};
            for (std::size_t i = 0; i < std::size_t(size.width()) * samples_; ++i) {
                if (i % std::size_t(samples_) < std::size_t(channels_) && std::isfinite(At(i))) {
                    low = std::min(low, At(i));
                    high = std::max(high, At(i));
                }
            }
        }
        const double scale = high > low ? 255.0 / (high - low) : 0.0;
        QImage image(size, QImage::Format_RGBX8888);
        for (int y = 0; !image.isNull() && y < size.height(); ++y) {
            if (!ReadRow(y))
                return {};
            std::uint8_t* out = image.scanLine(y);
            for (int x = 0; x < size.width(); ++x, out += 4) {
                for (int c = 0; c < 3; ++c) {
                    const double v = At(std::size_t(x) * samples_ + std::size_t(c % channels_));
                    const int level = std::isfinite(v) ? int(std::lround((v - low) * scale)) : 0;
                    out[c] = std::uint8_t(inverted_ ? 255 - level : level);
                }
                out[3] = 255;
            }
        }
        return image;
    }

private:
    bool ReadRow(int y) { return TIFFReadScanline(tif_, row_.data(), std::uint32_t(y), 0) >= 0; }

    double At(std::size_t i) const
    {
        if (wide_) {
            double v;
            std::memcpy(&v, row_.data() + i * 8, 8);
            return v;
        }
        float v;
        std::memcpy(&v, row_.data() + i * 4, 4);
        return v;
    }

    TIFF* tif_;
    int channels_;
    int samples_;
    bool wide_;
    bool inverted_;
    std::vector<std::uint8_t> row_;
};

TLibTiffImage Decode(const TTiffInput& input)
{
    TLibTiffImage result;
    TMessages messages;
    TClient client{&input};
    const TTiffPtr tif = OpenTiff(client, messages);
    QString why;
    const qint64 width = tif ? Dimension(tif.get(), TIFFTAG_IMAGEWIDTH) : 0;
    const qint64 height = tif ? Dimension(tif.get(), TIFFTAG_IMAGELENGTH) : 0;
    int channels = 0;
    if (!tif)
        why = QStringLiteral("not a TIFF file");
    else if (width <= 0 || height <= 0)
        why = QStringLiteral("the image has no size");
    else if (width * height * 4 > kMaxImageBytes)
        why = QStringLiteral("the image is too large");
    else if (IsFloatImage(tif.get(), channels))
        result.Image = TFloatReader(tif.get(), channels).Read(QSize(int(width), int(height)));
    else
        result.Image = ReadRgba(tif.get(), QSize(int(width), int(height)), why);
    if (tif) {
        const int orientation = Field16(tif.get(), TIFFTAG_ORIENTATION);
        result.Orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
    }
    if (result.Image.isNull() && why.isEmpty())
        why = QStringLiteral("the image could not be decoded");
    // libtiff's own words first: they say more than ours.
    result.Error = messages.Error.isEmpty() ? why : messages.Error;
    result.Warnings = messages.Warnings;
    return result;
}

}  // namespace

bool LibTiffUniInfo(const QString& fileName, TUniInfoRec& info)
{
    const TFileInput input(fileName);
    TMessages messages;
    TClient client{&input};
    const TTiffPtr tif = input.IsOpen() ? OpenTiff(client, messages) : TTiffPtr();
    if (!tif) {
        info.Valid = false;
        info.SubType = 255;
        return false;
    }
    info.Valid = true;
    info.Width = Dimension(tif.get(), TIFFTAG_IMAGEWIDTH);
    info.Height = Dimension(tif.get(), TIFFTAG_IMAGELENGTH);
    info.SubType = SubTypeOf(Field16(tif.get(), TIFFTAG_COMPRESSION));
    if (const std::int8_t depth = ColorDepthOf(tif.get()); depth != 0)
        info.ColorDepth = depth;
    const char* name = nullptr;
    if (TIFFGetField(tif.get(), TIFFTAG_DOCUMENTNAME, &name) && name != nullptr)
        info.Comment = QString::fromLatin1(name);
    return true;
}

bool AnyTiffUniInfo(const QString& fileName, TUniInfoRec& info)
{
    TTifInfo own;
    const bool read = ReadTiffInfo(fileName, own);
    if (read && !own.Unsupported) {
        TifInfoToUniInfo(own, info);
        return true;
    }
    if (LibTiffUniInfo(fileName, info))
        return true;
    if (!read)
        return false;
    TifInfoToUniInfo(own, info);
    return true;
}

TLibTiffImage LibTiffToImage(const QString& fileName)
{
    const TFileInput input(fileName);
    if (!input.IsOpen()) {
        TLibTiffImage result;
        result.Error = QStringLiteral("the file cannot be opened");
        return result;
    }
    return Decode(input);
}

TLibTiffImage LibTiffBytesToImage(QByteArrayView data)
{
    return Decode(TMemoryInput(data));
}

}  // namespace pixmarl
