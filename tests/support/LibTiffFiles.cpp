#include "support/LibTiffFiles.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <QFile>

namespace pixmarl::test {

namespace {

// The 8-bit level of channel c of the source image's pixel; grey for one channel.
int SourceLevel(const QImage& source, int x, int y, int c, int channels)
{
    const std::uint8_t* rgb =
        source.constScanLine(y % source.height()) + std::ptrdiff_t(x % source.width()) * 3;
    return channels == 1 ? (rgb[0] * 11 + rgb[1] * 16 + rgb[2] * 5) / 32 : rgb[c];
}

int Sample(const LibTiffParams& p, int x, int y, int c)
{
    if (c == p.samples)
        return x < p.width / 2 ? 255 : 100;
    const int level = p.source.isNull() ? (4 * x + 2 * y + 50 * c) & 255
                                        : SourceLevel(p.source, x, y, c, p.samples);
    if (p.bitsPerSample == 1)
        return p.source.isNull() ? ((x / 4 + y / 4) & 1) : level < 128 ? 1 : 0;
    return level;
}

// The samples of pixels x0 .. x0 + width - 1 of row y (of one plane when plane >= 0), packed
// as libtiff takes them.
std::vector<std::uint8_t> Row(const LibTiffParams& p, int x0, int width, int y, int plane)
{
    const int channels = p.samples + (p.alpha ? 1 : 0);
    std::vector<std::uint8_t> row;
    int bits = 0;
    int acc = 0;
    for (int x = x0; x < x0 + width; ++x) {
        for (int c = plane < 0 ? 0 : plane; c < (plane < 0 ? channels : plane + 1); ++c) {
            const int v = Sample(p, x, y, c);
            if (p.floating) {
                const double level = v / 100.0 - 1.0;
                const float narrow = float(level);
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(
                    p.bitsPerSample == 64 ? static_cast<const void*>(&level) : &narrow);
                row.insert(row.end(), bytes, bytes + p.bitsPerSample / 8);
            } else if (p.bitsPerSample == 16) {
                const std::uint16_t wide = std::uint16_t(v * 257);
                std::uint8_t bytes[2];
                std::memcpy(bytes, &wide, 2);  // in the machine's order, which libtiff expects
                row.insert(row.end(), bytes, bytes + 2);
            } else if (p.bitsPerSample == 1) {
                acc = acc << 1 | v;
                if (++bits == 8) {
                    row.push_back(std::uint8_t(acc));
                    bits = acc = 0;
                }
            } else {
                row.push_back(std::uint8_t(v));
            }
        }
    }
    if (bits > 0)
        row.push_back(std::uint8_t(acc << (8 - bits)));
    return row;
}

void SetFields(TIFF* tif, const LibTiffParams& p, int width, int height, int page)
{
    const int channels = p.samples + (p.alpha ? 1 : 0);
    const bool jpegColour = p.compression == COMPRESSION_JPEG && p.samples == 3;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, std::uint16_t(p.bitsPerSample));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(channels));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, std::uint16_t(p.compression));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG,
                 std::uint16_t(p.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG));
    const std::uint16_t photometric = jpegColour             ? PHOTOMETRIC_YCBCR
                                      : p.samples == 3       ? PHOTOMETRIC_RGB
                                      : p.bitsPerSample == 1 ? PHOTOMETRIC_MINISWHITE
                                                             : PHOTOMETRIC_MINISBLACK;
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    if (jpegColour)
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, std::uint16_t(p.orientation));
    if (p.floating) {
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, std::uint16_t(SAMPLEFORMAT_IEEEFP));
        TIFFSetField(tif, TIFFTAG_PREDICTOR, std::uint16_t(PREDICTOR_FLOATINGPOINT));
    }
    if (p.alpha) {
        const std::uint16_t kind = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, std::uint16_t(1), &kind);
    }
    if (p.tileSize > 0) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, std::uint32_t(p.tileSize));
        TIFFSetField(tif, TIFFTAG_TILELENGTH, std::uint32_t(p.tileSize));
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, std::uint32_t(p.rowsPerStrip));
    }
    if (p.pages > 1) {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, std::uint32_t(FILETYPE_PAGE));
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, std::uint16_t(page), std::uint16_t(p.pages));
    }
}

bool WriteStrips(TIFF* tif, const LibTiffParams& p, int width, int height)
{
    const int planes = p.planar ? p.samples + (p.alpha ? 1 : 0) : 1;
    for (int plane = 0; plane < planes; ++plane) {
        for (int y = 0; y < height; ++y) {
            std::vector<std::uint8_t> row = Row(p, 0, width, y, p.planar ? plane : -1);
            if (TIFFWriteScanline(tif, row.data(), std::uint32_t(y), std::uint16_t(plane)) < 0)
                return false;
        }
    }
    return true;
}

bool WriteTiles(TIFF* tif, const LibTiffParams& p, int width, int height)
{
    const int t = p.tileSize;
    for (int ty = 0; ty < height; ty += t) {
        for (int tx = 0; tx < width; tx += t) {
            // The pattern goes on past the image's edges; libtiff never shows that part.
            std::vector<std::uint8_t> tile;
            for (int y = 0; y < t; ++y) {
                const std::vector<std::uint8_t> row = Row(p, tx, t, ty + y, -1);
                tile.insert(tile.end(), row.begin(), row.end());
            }
            if (TIFFWriteTile(tif, tile.data(), std::uint32_t(tx), std::uint32_t(ty), 0, 0) < 0)
                return false;
        }
    }
    return true;
}

}  // namespace

bool WriteLibTiff(const QString& path, const LibTiffParams& params)
{
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    const TiffPtr tif(TIFFOpen(QFile::encodeName(path).constData(), "w"));
    if (!tif)
        return false;
    for (int page = 0; page < params.pages; ++page) {
        const int shift = params.samePageSize ? 0 : page;
        const int width = std::max(1, params.width >> shift);
        const int height = std::max(1, params.height >> shift);
        SetFields(tif.get(), params, width, height, page);
        const bool written = params.tileSize > 0 ? WriteTiles(tif.get(), params, width, height)
                                                 : WriteStrips(tif.get(), params, width, height);
        if (!written || !TIFFWriteDirectory(tif.get()))
            return false;
    }
    return true;
}

TiffPtr OpenWithLibTiff(const QString& path)
{
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    return TiffPtr(TIFFOpen(QFile::encodeName(path).constData(), "r"));
}

QImage LibTiffReference(const QString& path)
{
    const TiffPtr tif = OpenWithLibTiff(path);
    std::uint32_t width = 0, height = 0;
    if (!tif || !TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
        return {};
    std::vector<std::uint32_t> raster(std::size_t(width) * height);
    if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 0))
        return {};
    return QImage(reinterpret_cast<const uchar*>(raster.data()), int(width), int(height),
                  QImage::Format_RGBA8888_Premultiplied)
        .copy();
}

bool LibTiffDecodes(const QString& path)
{
    if (!LibTiffReference(path).isNull())
        return true;
    const TiffPtr tif = OpenWithLibTiff(path);
    if (!tif)
        return false;
    const bool tiled = TIFFIsTiled(tif.get()) != 0;
    const std::uint32_t count =
        tiled ? TIFFNumberOfTiles(tif.get()) : TIFFNumberOfStrips(tif.get());
    std::vector<std::uint8_t> buffer(
        std::size_t(tiled ? TIFFTileSize(tif.get()) : TIFFStripSize(tif.get())));
    for (std::uint32_t i = 0; i < count; ++i) {
        const tmsize_t got =
            tiled ? TIFFReadEncodedTile(tif.get(), i, buffer.data(), tmsize_t(buffer.size()))
                  : TIFFReadEncodedStrip(tif.get(), i, buffer.data(), tmsize_t(buffer.size()));
        if (got < 0)
            return false;
    }
    return count > 0;
}

}  // namespace pixmarl::test
