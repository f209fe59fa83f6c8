// The PNG header reader and its universal entry over arbitrary first bytes.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "formats/RdPNGH.h"

using namespace pixmarl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size));
    TPngHeader header;
    if (ParsePNGHeader(data, header)) {
        TUniInfoRec info;
        PngHeaderToUniInfo(header, info);
        if (info.Width <= 0 || info.Height <= 0 || info.SubType < 1 || info.SubType > 2 ||
            ColorDepthName(info.ColorDepth).isEmpty())
            std::abort();
    }
    return 0;
}
