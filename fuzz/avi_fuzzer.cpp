// Feeds arbitrary bytes to the AVI header parser, checks that whatever it accepts keeps within its
// documented limits, and decodes the first frames of small accepted files through the frame
// decoder's own file input.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QFile>
#include <QTemporaryFile>

#include "platform/AviFile.h"

namespace {

using namespace pixmarl;

// Larger frames are legal but only slow the fuzzer down.
constexpr std::int64_t kMaxDecodedPixels = 1 << 20;

void CheckAccepted(const TAviHeaders& headers)
{
    const TAviRect& rc = headers.video.rcFrame;
    const std::int64_t width = std::int64_t(rc.right) - rc.left;
    const std::int64_t height = std::int64_t(rc.bottom) - rc.top;
    if (width <= 0 || width > kAviMaxFrameSide || height <= 0 || height > kAviMaxFrameSide ||
        headers.file.dwWidth > std::uint32_t(kAviMaxFrameSide) ||
        headers.file.dwHeight > std::uint32_t(kAviMaxFrameSide) ||
        headers.file.dwStreams > kAviMaxStreams || (headers.file.dwCaps & kAviCapRead) == 0)
        std::abort();
}

void DecodeFrames(const QByteArray& bytes)
{
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return;
    const auto decoder = TAviFrameDecoder::Open(file.fileName());
    if (!decoder)
        return;
    for (int index : {0, 1, 0}) {
        const QImage frame = decoder->Frame(index);
        if (!frame.isNull() &&
            (frame.width() > kAviMaxFrameSide || frame.height() > kAviMaxFrameSide))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    TAviHeaders headers;
    if (ParseAviHeaders(bytes, headers) != TAviParseResult::apOk)
        return 0;
    CheckAccepted(headers);
    if (std::int64_t(headers.file.dwWidth) * headers.file.dwHeight <= kMaxDecodedPixels)
        DecodeFrames(bytes);
    return 0;
}
