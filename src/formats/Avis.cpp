#include "Avis.h"

#include <utility>

namespace pixmarl {

namespace {

constexpr std::uint8_t kInvalidSubType = 255;
const QString kUndefinedNumber = QStringLiteral("---");

using TFlagNames = std::initializer_list<std::pair<std::uint32_t, const char*>>;

QString FlagListText(std::uint32_t value, TFlagNames names)
{
    QString text;
    for (const auto& [bit, name] : names)
        if ((value & bit) != 0)
            text += QLatin1String(name);
    if (text.endsWith(QLatin1Char(' ')))
        text.chop(2);
    return text;
}

// The general number format: fixed unless the exponent needs more than the digits given or the
// value is below 0.00001, then "1.235E6" style.
QString GeneralNumber(double value, int digits)
{
    QString text = QString::number(value, 'g', digits);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e < 0)
        return text;
    const int exponent = text.mid(e + 1).toInt();
    return text.left(e) + QLatin1Char('E') + QString::number(exponent);
}

bool RateDefined(const TAviStreamInfo& info)
{
    return info.dwRate != 0 && info.dwScale != 0;
}

double FramesPerSecond(const TAviStreamInfo& info)
{
    return double(info.dwRate) / double(info.dwScale);
}

}  // namespace

bool AviUniInfo(const QString& fileName, TUniInfoRec& info)
{
    // This runs for every video of a folder: the size needs the header list only.
    TAviHeaders headers;
    info.Valid =
        ReadAviHeaders(fileName, headers, TAviReadDepth::adHeaders) == TAviParseResult::apOk;
    if (!info.Valid) {
        info.SubType = kInvalidSubType;
        return false;
    }
    info.Width = std::int32_t(headers.file.dwWidth);
    info.Height = std::int32_t(headers.file.dwHeight);
    info.SubType = 0;
    info.ColorDepth = 0;
    return true;
}

QString AviFlagsText(std::uint32_t flags)
{
    return FlagListText(flags, {{kAviFlagHasIndex, "has index, "},
                                {kAviFlagMustUseIndex, "must use index, "},
                                {kAviFlagInterleaved, "interleaved, "},
                                {kAviFlagWasCaptureFile, "captured file, "},
                                {kAviFlagCopyrighted, "copyrighted"}});
}

QString AviCapsText(std::uint32_t caps)
{
    return FlagListText(caps, {{kAviCapRead, "read, "},
                               {kAviCapWrite, "write, "},
                               {kAviCapAllKeyFrames, "all key frames, "},
                               {kAviCapNoCompression, "not compressed"}});
}

QString AviRateText(const TAviStreamInfo& info)
{
    return RateDefined(info) ? GeneralNumber(FramesPerSecond(info), 4) : kUndefinedNumber;
}

QString AviDurationText(const TAviStreamInfo& info)
{
    if (!RateDefined(info))
        return kUndefinedNumber;
    return GeneralNumber(info.dwLength / FramesPerSecond(info), 4) + QStringLiteral(" sec.");
}

}  // namespace pixmarl
