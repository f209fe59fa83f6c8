#include "AVIFile.h"

#include <utility>

namespace pixmarl {

bool ReadAviInfo(const QString& fileName, TAviFileInfo& fileInfo, TAviStreamInfo& streamInfo)
{
    TAviHeaders headers;
    if (ReadAviHeaders(fileName, headers) != TAviParseResult::apOk)
        return false;
    fileInfo = headers.file;
    streamInfo = headers.video;
    return true;
}

bool AviFirstFrame(const QString& fileName, QImage& bitmap)
{
    TAviHeaders headers;
    if (ReadAviHeaders(fileName, headers) != TAviParseResult::apOk)
        return false;
    const auto decoder = TAviFrameDecoder::Open(fileName);
    if (!decoder)
        return false;
    QImage frame = decoder->Frame(0);
    if (frame.isNull())
        return false;
    bitmap = std::move(frame);
    return true;
}

}  // namespace pixmarl
