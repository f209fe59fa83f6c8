// The libtiff fallback over arbitrary bytes: opening through the client procedures, the size
// limit and the decode into an image.

#include <cstdint>
#include <cstdlib>

#include <QByteArrayView>

#include "formats/LibTiff.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const pixmarl::TLibTiffImage result =
        pixmarl::LibTiffBytesToImage(QByteArrayView(bytes, qsizetype(size)));
    if (result.Image.isNull() && result.Error.isEmpty())
        std::abort();
    if (!result.Image.isNull() && result.Image.sizeInBytes() > (qsizetype(1) << 30))
        std::abort();
    return 0;
}
