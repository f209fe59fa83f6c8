#pragma once

// The AVI entries of the header readers and the texts the properties dialog shows for AVI files.

#include <cstdint>

#include <QString>

#include "formats/Images.h"
#include "platform/AviFile.h"

namespace pixmarl {

// The universal header reader for ifAVI: the file's size; SubType 255 on failure.
bool AviUniInfo(const QString& fileName, TUniInfoRec& info);

// "has index, interleaved" and the like: the set flags in a fixed order, comma separated.
QString AviFlagsText(std::uint32_t flags);
QString AviCapsText(std::uint32_t caps);

// Frames per second and length in seconds ("<n> sec."), 4 significant digits; "---" when the
// stream gives a rate or scale of 0, for which neither is defined.
QString AviRateText(const TAviStreamInfo& info);
QString AviDurationText(const TAviStreamInfo& info);

}  // namespace pixmarl
