// The JPEG decode wrapper over arbitrary bytes: the last byte picks scale, DCT and grey output.
// Every input must end in an image or an error, never a crash, a leak or a hang.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "formats/JPEGCodec.h"

using namespace pixmarl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::uint8_t choice = bytes[size - 1];
    const QByteArray data
        = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size - 1));
    TJpegDecodeOptions options;
    options.ScaleDenom = 1 << (choice & 3);
    options.DctMethod = TDctMethod((choice >> 2) % 3);
    options.Grayscale = (choice & 0x10) != 0;
    options.MaxBytes = 32 << 20;  // keeps each run short; the limit itself is under test
    const TJpegDecodeResult result = DecodeJpegData(data, options);
    if (result.Ok()) {
        if (result.Image.size() != JpegScaledSize(result.FullSize, options.ScaleDenom))
            std::abort();
        if (options.Grayscale && result.Image.colorCount() > kJpegGreyLevels)
            std::abort();
    } else if (result.Error.isEmpty()) {
        std::abort();
    }
    ReadJpegFrame(data);
    return 0;
}
