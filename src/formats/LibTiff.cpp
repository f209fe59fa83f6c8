#include "formats/LibTiff.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

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

TLibTiffImage Decode(const TTiffInput& input)
{
    TLibTiffImage result;
    TMessages messages;
    TClient client{&input};
    const TTiffPtr tif = OpenTiff(client, messages);
    const auto fail = [&](const QString& why) {
        result.Image = QImage();
        result.Error = messages.Error.isEmpty() ? why : messages.Error;
        result.Warnings = messages.Warnings;
        return result;
    };
    if (!tif)
        return fail(QStringLiteral("not a TIFF file"));
    const qint64 width = Dimension(tif.get(), TIFFTAG_IMAGEWIDTH);
    const qint64 height = Dimension(tif.get(), TIFFTAG_IMAGELENGTH);
    if (width <= 0 || height <= 0)
        return fail(QStringLiteral("the image has no size"));
    if (width * height * 4 > kMaxImageBytes)
        return fail(QStringLiteral("the image is too large"));
    char why[1024] = {};
    TIFFRGBAImage rgba{};
    if (!TIFFRGBAImageOK(tif.get(), why) || !TIFFRGBAImageBegin(&rgba, tif.get(), 0, why))
        return fail(QString::fromUtf8(why));
    rgba.req_orientation = ORIENTATION_TOPLEFT;
    // libtiff hands out alpha premultiplied, whichever kind the file stores.
    result.Image =
        QImage(int(width), int(height),
               rgba.alpha != 0 ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888);
    // Rows of 4-byte pixels are never padded, so the image is the raster libtiff fills.
    const bool ok = !result.Image.isNull() &&
                    TIFFRGBAImageGet(&rgba, reinterpret_cast<std::uint32_t*>(result.Image.bits()),
                                     std::uint32_t(width), std::uint32_t(height)) != 0;
    TIFFRGBAImageEnd(&rgba);
    if (!ok)
        return fail(QStringLiteral("the image could not be decoded"));
    result.Error = messages.Error;
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

QImage AnyTiffToImage(const QString& fileName, bool preview)
{
    QImage own = preview ? TiffToImagePreview(fileName) : TiffToImage(fileName);
    if (!own.isNull())
        return own;
    return LibTiffToImage(fileName).Image;
}

}  // namespace pixmarl
