// The WebP header reader and its universal entry over arbitrary bytes.

#include <cstdint>
#include <cstdlib>

#include <QByteArrayView>

#include "formats/HeaderSource.h"
#include "formats/RdWebPH.h"

using namespace pixmarl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    THeaderSource source(QByteArrayView(bytes, qsizetype(size)));
    TWebPHeader header;
    if (ReadWebPHeader(source, header)) {
        TUniInfoRec info;
        WebPHeaderToUniInfo(header, info);
        // The canvas is at most 2^24 wide and high, and below 2^32 pixels.
        if (info.Width <= 0 || info.Height <= 0 || info.Width > (1 << 24) ||
            info.Height > (1 << 24) || qint64(info.Width) * info.Height >= (qint64(1) << 32))
            std::abort();
    }
    return 0;
}
