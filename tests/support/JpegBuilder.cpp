#include "support/JpegBuilder.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace pixmarl::test {

namespace {

// Compresses rows produced by rowAt into a JPEG in memory.
template <typename RowFn>
QByteArray Compress(const JpegParams& params, J_COLOR_SPACE inSpace, RowFn rowAt)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(params.width);
    cinfo.image_height = JDIMENSION(params.height);
    cinfo.input_components = params.components;
    cinfo.in_color_space = inSpace;
    jpeg_set_defaults(&cinfo);
    if (params.ycck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    jpeg_set_quality(&cinfo, params.quality, TRUE);
    cinfo.write_JFIF_header = TRUE;
    if (params.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    for (const auto& [marker, payload] : params.markers)
        jpeg_write_marker(&cinfo, marker, reinterpret_cast<const JOCTET*>(payload.constData()),
                          unsigned(payload.size()));
    if (!params.comment.isEmpty())
        jpeg_write_marker(&cinfo, JPEG_COM,
                          reinterpret_cast<const JOCTET*>(params.comment.constData()),
                          unsigned(params.comment.size()));
    std::vector<JSAMPLE> row(size_t(params.width) * size_t(params.components));
    while (cinfo.next_scanline < cinfo.image_height) {
        rowAt(int(cinfo.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray result(reinterpret_cast<const char*>(buffer), qsizetype(size));
    free(buffer);
    return result;
}

}  // namespace

int PatternPixel(int x, int y, int c, int width, int height)
{
    switch (c) {
    case 0:
        return width > 1 ? x * 255 / (width - 1) : 128;
    case 1:
        return height > 1 ? y * 255 / (height - 1) : 128;
    case 2:
        return ((x / 4 + y / 4) % 2) * 200 + 20;
    default:
        return 64;
    }
}

QByteArray BuildJpeg(const JpegParams& params)
{
    const J_COLOR_SPACE space = params.components == 1   ? JCS_GRAYSCALE
                                : params.components == 4 ? JCS_CMYK
                                                         : JCS_RGB;
    return Compress(params, space, [&](int y, JSAMPLE* row) {
        for (int x = 0; x < params.width; ++x)
            for (int c = 0; c < params.components; ++c)
                row[x * params.components + c] =
                    JSAMPLE(PatternPixel(x, y, c, params.width, params.height));
    });
}

QByteArray EncodeJpeg(const QImage& image, int quality)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    JpegParams params;
    params.width = rgb.width();
    params.height = rgb.height();
    params.quality = quality;
    return Compress(params, JCS_RGB, [&](int y, JSAMPLE* row) {
        std::copy_n(rgb.constScanLine(y), size_t(params.width) * 3, row);
    });
}

}  // namespace pixmarl::test
