// The BMP and GIF header readers and their universal entries over arbitrary first bytes.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "formats/RdGIFH.h"
#include "formats/ReadBmpH.h"

using namespace pixmarl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const QByteArray data
        = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size));
    BITMAPINFOHEADER bmp;
    if (ParseBmpHeader(data, bmp)) {
        TUniInfoRec info;
        BmpHeaderToUniInfo(bmp, info);
        if (info.Height < 0)
            std::abort();
    }
    GifHeader gif;
    if (ParseGIFHeader(data, gif)) {
        TUniInfoRec info;
        GifHeaderToUniInfo(gif, info);
        if (info.SubType < 1 || info.SubType > 2 || info.ColorDepth < 1 || info.ColorDepth > 8)
            std::abort();
    }
    return 0;
}
