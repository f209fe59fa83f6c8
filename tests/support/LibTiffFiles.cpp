#include "support/LibTiffFiles.h"

#include <cstring>
#include <vector>

#include <QFile>

namespace pixmarl::test {

namespace {

template <typename T>
void Append(std::vector<std::uint8_t>& row, T value)  // in the machine's order, as libtiff wants
{
    std::uint8_t bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    row.insert(row.end(), bytes, bytes + sizeof value);
}

int Level(const LibTiffParams& p, int x, int y, int c)
{
    if (c == p.samples)
        return x < p.width / 2 ? 255 : 100;
    if (p.source.isNull())
        return (4 * x + 2 * y + 50 * c) & 255;
    const std::uint8_t* rgb =
        p.source.constScanLine(y % p.source.height()) + (x % p.source.width()) * 3;
    return p.samples == 1 ? (rgb[0] * 11 + rgb[1] * 16 + rgb[2] * 5) / 32 : rgb[c];
}

// Pixels x0 .. x0 + width - 1 of row y (one plane when plane >= 0), packed as libtiff takes them.
std::vector<std::uint8_t> Row(const LibTiffParams& p, int x0, int width, int y, int plane)
{
    const int channels = p.samples + (p.alpha ? 1 : 0);
    std::vector<std::uint8_t> row;
    int bits = 0;
    for (int x = x0; x < x0 + width; ++x) {
        for (int c = std::max(plane, 0); c < (plane < 0 ? channels : plane + 1); ++c) {
            const int v = Level(p, x, y, c);
            if (p.floating && p.bitsPerSample == 64)
                Append(row, v / 100.0 - 1.0);
            else if (p.floating)
                Append(row, float(v / 100.0 - 1.0));
            else if (p.bitsPerSample == 16)
                Append(row, std::uint16_t(v * 257));
            else if (p.bitsPerSample == 8)
                row.push_back(std::uint8_t(v));
            else if (bits++ % 8 == 0)
                row.push_back(std::uint8_t(v < 128 ? 0x80 : 0));
            else if (v < 128)
                row.back() |= std::uint8_t(0x80 >> ((bits - 1) % 8));
        }
    }
    return row;
}

void SetFields(TIFF* tif, const LibTiffParams& p, int width, int height)
{
    const bool ycbcr = p.compression == COMPRESSION_JPEG && p.samples == 3;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, std::uint16_t(p.bitsPerSample));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(p.samples + (p.alpha ? 1 : 0)));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, std::uint16_t(p.compression));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 ycbcr                  ? PHOTOMETRIC_YCBCR
                 : p.samples == 3       ? PHOTOMETRIC_RGB
                 : p.bitsPerSample == 1 ? PHOTOMETRIC_MINISWHITE
                                        : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, std::uint16_t(p.orientation));
    if (ycbcr)
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    if (p.floating) {
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_FLOATINGPOINT);
    }
    if (p.alpha) {
        const std::uint16_t kind = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    if (p.tileSize > 0) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, std::uint32_t(p.tileSize));
        TIFFSetField(tif, TIFFTAG_TILELENGTH, std::uint32_t(p.tileSize));
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16u);
    }
    if (p.pages > 1)
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
}

bool WritePixels(TIFF* tif, const LibTiffParams& p, int width, int height)
{
    if (p.tileSize == 0) {
        for (int plane = 0; plane < (p.planar ? p.samples + (p.alpha ? 1 : 0) : 1); ++plane) {
            for (int y = 0; y < height; ++y) {
                std::vector<std::uint8_t> row = Row(p, 0, width, y, p.planar ? plane : -1);
                if (TIFFWriteScanline(tif, row.data(), std::uint32_t(y), std::uint16_t(plane)) < 0)
                    return false;
            }
        }
        return true;
    }
    // The pattern goes on past the image's edges; libtiff never shows that part.
    for (int ty = 0; ty < height; ty += p.tileSize) {
        for (int tx = 0; tx < width; tx += p.tileSize) {
            std::vector<std::uint8_t> tile;
            for (int y = ty; y < ty + p.tileSize; ++y) {
                const std::vector<std::uint8_t> row = Row(p, tx, p.tileSize, y, -1);
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
    for (int page = 0; tif && page < params.pages; ++page) {
        const int shift = params.samePageSize ? 0 : page;
        const int width = std::max(1, params.width >> shift);
        const int height = std::max(1, params.height >> shift);
        SetFields(tif.get(), params, width, height);
        if (!WritePixels(tif.get(), params, width, height) || !TIFFWriteDirectory(tif.get()))
            return false;
    }
    return tif != nullptr;
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
    QImage image(int(width), int(height), QImage::Format_RGBA8888_Premultiplied);
    if (!TIFFReadRGBAImageOriented(tif.get(), width, height,
                                   reinterpret_cast<std::uint32_t*>(image.bits()),
                                   ORIENTATION_TOPLEFT, 0))
        return {};
    return image;
}

bool LibTiffDecodes(const QString& path)
{
    const TiffPtr tif = OpenWithLibTiff(path);
    if (!tif || !LibTiffReference(path).isNull())
        return tif != nullptr;
    const bool tiled = TIFFIsTiled(tif.get()) != 0;
    const std::uint32_t count =
        tiled ? TIFFNumberOfTiles(tif.get()) : TIFFNumberOfStrips(tif.get());
    std::vector<std::uint8_t> buffer(
        std::size_t(tiled ? TIFFTileSize(tif.get()) : TIFFStripSize(tif.get())));
    for (std::uint32_t i = 0; i < count; ++i) {
        if ((tiled ? TIFFReadEncodedTile : TIFFReadEncodedStrip)(tif.get(), i, buffer.data(),
                                                                 tmsize_t(buffer.size())) < 0)
            return false;
    }
    return count > 0;
}

}  // namespace pixmarl::test
