#include "formats/JPEGCodec.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <QSaveFile>

#include <jerror.h>
#include <jpeglib.h>

#include "platform/ReadOnlyFile.h"

// libjpeg reports errors by calling error_exit, which must not return. Ours longjmps back to the
// guarded stage that called into libjpeg. To keep that sound, the guarded stages below hold only
// plain values and references: every object with a destructor (the decompressor, the open file,
// the image) lives in the callers' frames, which the jump never crosses.

namespace pixmarl {

namespace {

constexpr int kMaxScans = 1000;  // far beyond any real progressive file; stops crafted loops

struct TJpegErrors {
    jpeg_error_mgr pub;  // first, so that libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings;
};

TJpegErrors& ErrorsOf(j_common_ptr cinfo)
{
    return *reinterpret_cast<TJpegErrors*>(cinfo->err);
}

[[noreturn]] void OnError(j_common_ptr cinfo)
{
    TJpegErrors& errors = ErrorsOf(cinfo);
    (*cinfo->err->format_message)(cinfo, errors.message);
    std::longjmp(errors.jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level)
{
    TJpegErrors& errors = ErrorsOf(cinfo);
    if (level < 0)
        ++errors.warnings;
}

[[noreturn]] void FailWith(j_common_ptr cinfo, const char* message)
{
    TJpegErrors& errors = ErrorsOf(cinfo);
    std::snprintf(errors.message, sizeof errors.message, "%s", message);
    std::longjmp(errors.jump, 1);
}

void OnProgress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        FailWith(cinfo, "Too many scans in JPEG file");
}

void InstallErrors(jpeg_error_mgr*& err, TJpegErrors& errors)
{
    err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = OnError;
    errors.pub.emit_message = OnMessage;
}

struct TDecompressor {
    jpeg_decompress_struct cinfo{};
    TJpegErrors errors{};
    jpeg_progress_mgr progress{};
    bool created = false;

    TDecompressor()
    {
        InstallErrors(cinfo.err, errors);
        progress.progress_monitor = OnProgress;
    }
    ~TDecompressor()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
    TDecompressor(const TDecompressor&) = delete;
    TDecompressor& operator=(const TDecompressor&) = delete;
};

struct TJpegInput {
    std::FILE* file = nullptr;
    const unsigned char* data = nullptr;
    qint64 size = 0;  // of the data or the file
};

bool IsCmyk(const jpeg_decompress_struct& cinfo)
{
    return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

J_DCT_METHOD DctOf(TDctMethod method)
{
    switch (method) {
    case dmIfast:
        return JDCT_IFAST;
    case dmFloat:
        return JDCT_FLOAT;
    default:
        return JDCT_ISLOW;
    }
}

// Plain assignments only: called inside the guarded header stage.
void Configure(jpeg_decompress_struct& cinfo, const TJpegDecodeOptions& options)
{
    cinfo.scale_num = 1;
    cinfo.scale_denom = unsigned(options.ScaleDenom);
    cinfo.dct_method = DctOf(options.DctMethod);
    if (cinfo.progressive_mode && options.ScaleDenom == 8) {
        // At 1/8 the inverse transform reads few coefficients of each block (luma: its DC term
        // alone): reading the scans that complete those is enough, and the later scans, the bulk
        // of a progressive file, are skipped. Smoothing would only guess terms not read.
        cinfo.buffered_image = TRUE;
        cinfo.do_block_smoothing = FALSE;
    }
    if (IsCmyk(cinfo)) {
        // libjpeg cannot turn CMYK into RGB; we do it row by row.
        cinfo.out_color_space = JCS_CMYK;
        return;
    }
    if (options.Grayscale) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = kJpegGreyLevels;
        cinfo.dither_mode = JDITHER_ORDERED;
        cinfo.two_pass_quantize = FALSE;
    } else if (options.Rgb32) {
        // Format_RGB32 holds 0xAARRGGBB words: the byte order in memory follows the machine's.
        cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    } else {
        cinfo.out_color_space = JCS_RGB;
    }
}

QImage::Format OutputFormat(const jpeg_decompress_struct& cinfo)
{
    if (cinfo.quantize_colors)
        return QImage::Format_Indexed8;
    return cinfo.out_color_components == 4 && !IsCmyk(cinfo) ? QImage::Format_RGB32
                                                             : QImage::Format_RGB888;
}

bool ReadHeaderGuarded(TDecompressor& d, const TJpegInput& input, const TJpegDecodeOptions* options)
{
    if (setjmp(d.errors.jump))
        return false;
    d.created = true;
    jpeg_create_decompress(&d.cinfo);
    d.cinfo.progress = &d.progress;
    if (input.file)
        jpeg_stdio_src(&d.cinfo, input.file);
    else
        jpeg_mem_src(&d.cinfo, input.data, static_cast<unsigned long>(input.size));
    jpeg_read_header(&d.cinfo, TRUE);
    if (options) {
        Configure(d.cinfo, *options);
        jpeg_calc_output_dimensions(&d.cinfo);
    }
    return true;
}

// Adobe applications store CMYK inverted (0 = full ink) and say so with their marker.
void CmykRowToRgb(const JSAMPLE* cmyk, uchar* rgb, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const int k = inverted ? cmyk[3] : 255 - cmyk[3];
        for (int c = 0; c < 3; ++c) {
            const int ink = inverted ? cmyk[c] : 255 - cmyk[c];
            rgb[c] = uchar((ink * k + 127) / 255);
        }
    }
}

// The quantiser's grey levels, copied out before libjpeg frees its colour map.
struct TGreyLevels {
    int count;
    JSAMPLE level[256];
};

void CopyGreyLevels(const jpeg_decompress_struct& cinfo, TGreyLevels& levels)
{
    levels.count = std::clamp(cinfo.actual_number_of_colors, 0, 256);
    for (int i = 0; i < levels.count; ++i)
        levels.level[i] = cinfo.colormap[0][i];
}

// Whether the coefficients the scaled inverse transform of each component reads are known to
// full precision: a one-pixel block reads its DC term only; a 2 x 2 block (chroma scaled up
// instead of upsampled) the terms at rows and columns 0, 1, 3, 5 and 7; larger blocks all.
bool UsedCoefficientsComplete(const jpeg_decompress_struct& cinfo)
{
    static constexpr int kTwoByTwo[] = {0, 1, 3, 5, 7};
    for (int c = 0; c < cinfo.num_components; ++c) {
        const int* bits = cinfo.coef_bits[c];
        switch (cinfo.comp_info[c].DCT_scaled_size) {
        case 1:
            if (bits[0] != 0)
                return false;
            break;
        case 2:
            for (int row : kTwoByTwo)
                for (int col : kTwoByTwo)
                    if (bits[row * DCTSIZE + col] != 0)
                        return false;
            break;
        default:
            for (int k = 0; k < DCTSIZE2; ++k)
                if (bits[k] != 0)
                    return false;
        }
    }
    return true;
}

// Buffered-image mode: reads scans until the coefficients the output needs are complete (or the
// data ends) and starts the output of that state.
void StartDcOutput(jpeg_decompress_struct& cinfo)
{
    // The progression status changes when a scan starts, so the scan that completes the needed
    // coefficients is read to its end before the output begins.
    for (;;) {
        const int status = jpeg_consume_input(&cinfo);
        if (status == JPEG_SUSPENDED || status == JPEG_REACHED_EOI)
            break;
        if (status == JPEG_SCAN_COMPLETED && UsedCoefficientsComplete(cinfo))
            break;
    }
    jpeg_start_output(&cinfo, cinfo.input_scan_number);
}

bool DecodeGuarded(TDecompressor& d, uchar* bits, qsizetype bytesPerLine, JSAMPLE* cmykRow,
                   TGreyLevels& levels)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_start_decompress(&d.cinfo);
    if (d.cinfo.buffered_image)
        StartDcOutput(d.cinfo);
    const bool inverted = d.cinfo.saw_Adobe_marker;
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        uchar* line = bits + qsizetype(d.cinfo.output_scanline) * bytesPerLine;
        JSAMPROW row = cmykRow ? cmykRow : line;
        if (jpeg_read_scanlines(&d.cinfo, &row, 1) != 1)
            FailWith(reinterpret_cast<j_common_ptr>(&d.cinfo), "JPEG data ended unexpectedly");
        if (cmykRow)
            CmykRowToRgb(cmykRow, line, d.cinfo.output_width, inverted);
    }
    if (d.cinfo.quantize_colors)
        CopyGreyLevels(d.cinfo, levels);
    // The end of the stream is not needed for the picture: trailing damage does not matter.
    jpeg_abort_decompress(&d.cinfo);
    return true;
}

// Entropy-coded (Huffman) data spends at least one bit on every block, so a frame claiming more
// blocks than eight per byte of input cannot be in the file.
bool FrameFitsInput(const jpeg_decompress_struct& cinfo, qint64 inputSize)
{
    if (cinfo.arith_code)
        return true;
    qint64 blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i)
        blocks += qint64(cinfo.comp_info[i].width_in_blocks) * cinfo.comp_info[i].height_in_blocks;
    return blocks <= inputSize * 8;
}

QString MessageOf(const TDecompressor& d)
{
    return QString::fromLocal8Bit(d.errors.message);
}

QImage GreyPalette(const QImage& rgb)
{
    QImage grey(rgb.size(), QImage::Format_Indexed8);
    if (grey.isNull())
        return grey;
    QList<QRgb> table(kJpegGreyLevels);
    for (int i = 0; i < kJpegGreyLevels; ++i) {
        const int level = i * 255 / (kJpegGreyLevels - 1);
        table[i] = qRgb(level, level, level);
    }
    grey.setColorTable(table);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* in = rgb.constScanLine(y);
        uchar* out = grey.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x, in += 3)
            out[x] = uchar((qGray(in[0], in[1], in[2]) * (kJpegGreyLevels - 1) + 127) / 255);
    }
    return grey;
}

void SetGreyPalette(const TGreyLevels& levels, QImage& image)
{
    QList<QRgb> table(levels.count);
    for (int i = 0; i < levels.count; ++i)
        table[i] = qRgb(levels.level[i], levels.level[i], levels.level[i]);
    image.setColorTable(table);
}

bool ValidScale(int denom)
{
    return denom == 1 || denom == 2 || denom == 4 || denom == 8;
}

TJpegDecodeResult Decode(const TJpegInput& input, const TJpegDecodeOptions& options)
{
    TJpegDecodeResult result;
    if (!ValidScale(options.ScaleDenom)) {
        result.Error = QStringLiteral("Unsupported JPEG scale");
        return result;
    }
    TDecompressor d;
    if (!ReadHeaderGuarded(d, input, &options)) {
        result.Error = MessageOf(d);
        return result;
    }
    jpeg_decompress_struct& cinfo = d.cinfo;
    result.FullSize = QSize(int(cinfo.image_width), int(cinfo.image_height));
    result.Components = cinfo.num_components;
    const bool quantized = cinfo.quantize_colors;
    const QImage::Format format = OutputFormat(cinfo);
    const qint64 outBytes = qint64(cinfo.output_width) * cinfo.output_height *
                            (quantized                        ? 1
                             : format == QImage::Format_RGB32 ? 4
                                                              : 3);
    if (!FrameFitsInput(cinfo, input.size) || outBytes > options.MaxBytes) {
        result.Error = QStringLiteral("JPEG frame too large");
        return result;
    }
    cinfo.mem->max_memory_to_use = long(std::min<qint64>(options.MaxBytes, LONG_MAX));

    QImage image(int(cinfo.output_width), int(cinfo.output_height), format);
    std::vector<JSAMPLE> cmykRow(IsCmyk(cinfo) ? size_t(cinfo.output_width) * 4 : 0);
    if (image.isNull()) {
        result.Error = QStringLiteral("Not enough memory for the JPEG image");
        return result;
    }
    TGreyLevels levels{};
    if (!DecodeGuarded(d, image.bits(), image.bytesPerLine(),
                       cmykRow.empty() ? nullptr : cmykRow.data(), levels)) {
        result.Error = MessageOf(d);
        return result;
    }
    if (quantized)
        SetGreyPalette(levels, image);
    else if (options.Grayscale)
        image = GreyPalette(image);
    result.Damaged = d.errors.warnings > 0;
    result.Image = std::move(image);
    return result;
}

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// A growing output buffer for the compressor, freed by its owner (libjpeg's own memory
// destination loses its buffer when an error interrupts it).
struct TMemoryDestination {
    jpeg_destination_mgr pub;  // first, as libjpeg points at it
    JOCTET* data;
    size_t capacity;
    size_t size;
};

TMemoryDestination& DestinationOf(j_compress_ptr cinfo)
{
    return *reinterpret_cast<TMemoryDestination*>(cinfo->dest);
}

void GrowDestination(j_compress_ptr cinfo, size_t capacity)
{
    TMemoryDestination& dest = DestinationOf(cinfo);
    auto* grown = static_cast<JOCTET*>(std::realloc(dest.data, capacity));
    if (grown == nullptr) {
        cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
        (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
    }
    dest.pub.next_output_byte = grown + dest.capacity;
    dest.pub.free_in_buffer = capacity - dest.capacity;
    dest.data = grown;
    dest.capacity = capacity;
}

void InitDestination(j_compress_ptr cinfo)
{
    GrowDestination(cinfo, 64 * 1024);
}

boolean EmptyDestination(j_compress_ptr cinfo)
{
    GrowDestination(cinfo, DestinationOf(cinfo).capacity * 2);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    TMemoryDestination& dest = DestinationOf(cinfo);
    dest.size = dest.capacity - dest.pub.free_in_buffer;
}

struct TCompressor {
    jpeg_compress_struct cinfo{};
    TJpegErrors errors{};
    TMemoryDestination dest{};
    bool created = false;

    TCompressor()
    {
        InstallErrors(cinfo.err, errors);
        dest.pub.init_destination = InitDestination;
        dest.pub.empty_output_buffer = EmptyDestination;
        dest.pub.term_destination = TermDestination;
    }
    ~TCompressor()
    {
        if (created)
            jpeg_destroy_compress(&cinfo);
        std::free(dest.data);
    }
    TCompressor(const TCompressor&) = delete;
    TCompressor& operator=(const TCompressor&) = delete;
};

bool CompressGuarded(TCompressor& c, const QImage& rgb, const TJpegEncodeOptions& options)
{
    if (setjmp(c.errors.jump))
        return false;
    c.created = true;
    jpeg_create_compress(&c.cinfo);
    c.cinfo.dest = &c.dest.pub;
    c.cinfo.image_width = JDIMENSION(rgb.width());
    c.cinfo.image_height = JDIMENSION(rgb.height());
    c.cinfo.input_components = 3;
    c.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c.cinfo);
    if (options.Grayscale)
        jpeg_set_colorspace(&c.cinfo, JCS_GRAYSCALE);
    jpeg_set_quality(&c.cinfo, std::clamp(options.Quality, 10, 100), TRUE);
    if (options.Progressive)
        jpeg_simple_progression(&c.cinfo);
    jpeg_start_compress(&c.cinfo, TRUE);
    while (c.cinfo.next_scanline < c.cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(rgb.constScanLine(int(c.cinfo.next_scanline)));
        jpeg_write_scanlines(&c.cinfo, &row, 1);
    }
    jpeg_finish_compress(&c.cinfo);
    return true;
}

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

}  // namespace

TJpegDecodeResult DecodeJpegFile(const QString& fileName, const TJpegDecodeOptions& options)
{
    TJpegInput input;
    std::unique_ptr<std::FILE, TFileCloser> file(OpenReadOnlyStream(fileName, input.size));
    if (!file) {
        TJpegDecodeResult result;
        result.Error = QStringLiteral("Cannot open the file");
        return result;
    }
    input.file = file.get();
    return Decode(input, options);
}

TJpegDecodeResult DecodeJpegData(QByteArrayView data, const TJpegDecodeOptions& options)
{
    TJpegInput input;
    input.data = reinterpret_cast<const unsigned char*>(data.data());
    input.size = data.size();
    return Decode(input, options);
}

TJpegDecodeResult ReadJpegFrame(QByteArrayView data)
{
    TJpegInput input;
    input.data = reinterpret_cast<const unsigned char*>(data.data());
    input.size = data.size();
    TJpegDecodeResult result;
    TDecompressor d;
    if (!ReadHeaderGuarded(d, input, nullptr)) {
        result.Error = MessageOf(d);
        return result;
    }
    result.FullSize = QSize(int(d.cinfo.image_width), int(d.cinfo.image_height));
    result.Components = d.cinfo.num_components;
    return result;
}

QSize JpegScaledSize(QSize fullSize, int scaleDenom)
{
    if (scaleDenom < 1)
        return {};
    return QSize((fullSize.width() + scaleDenom - 1) / scaleDenom,
                 (fullSize.height() + scaleDenom - 1) / scaleDenom);
}

QByteArray EncodeJpegData(const QImage& image, const TJpegEncodeOptions& options, QString* error)
{
    if (image.isNull()) {
        SetError(error, QStringLiteral("No image to compress"));
        return {};
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    TCompressor c;
    if (rgb.isNull() || !CompressGuarded(c, rgb, options)) {
        SetError(error, QString::fromLocal8Bit(c.errors.message));
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(c.dest.data), qsizetype(c.dest.size));
}

bool SaveJpegFile(const QImage& image, const QString& fileName, const TJpegEncodeOptions& options,
                  QString* error)
{
    const QByteArray data = EncodeJpegData(image, options, error);
    if (data.isEmpty())
        return false;
    QSaveFile file(fileName);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        SetError(error, file.errorString());
        return false;
    }
    return true;
}

}  // namespace pixmarl
