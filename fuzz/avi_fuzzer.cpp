// Feeds arbitrary bytes to the AVI header parser and to the packed-bitmap converter, and checks
// that whatever the parser accepts keeps within its documented limits.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "formats/AVIFile.h"
#include "platform/AviFile.h"

namespace {

using namespace pixmarl;

void CheckAccepted(const TAviHeaders& headers)
{
    const TAviRect& rc = headers.video.rcFrame;
    const std::int64_t width = std::int64_t(rc.right) - rc.left;
    const std::int64_t height = std::int64_t(rc.bottom) - rc.top;
    if (width <= 0 || width > kAviMaxFrameSide || height <= 0 || height > kAviMaxFrameSide
        || headers.file.dwWidth > std::uint32_t(kAviMaxFrameSide)
        || headers.file.dwHeight > std::uint32_t(kAviMaxFrameSide)
        || headers.file.dwStreams > kAviMaxStreams || (headers.file.dwCaps & kAviCapRead) == 0)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    TAviHeaders headers;
    if (ParseAviHeaders(bytes, headers) == TAviParseResult::apOk)
        CheckAccepted(headers);
    const QImage image = DibToBitmap(bytes);
    if (!image.isNull() && std::int64_t(image.width()) * image.height() > std::int64_t(size) * 8)
        std::abort();
    return 0;
}
