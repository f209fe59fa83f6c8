#include "formats/RdGIFH.h"

#include "formats/HeaderSource.h"

namespace pixmarl {

namespace {

// "87a" or "89a", the last letter in either case.
bool IsKnownVersion(const QByteArray& version)
{
    return version.size() == 3 && version[0] == '8' && (version[1] == '7' || version[1] == '9') &&
           (version[2] == 'a' || version[2] == 'A');
}

int Le16(const std::uint8_t* p)
{
    return p[0] | p[1] << 8;
}

}  // namespace

bool ParseGIFHeader(QByteArrayView start, GifHeader& info)
{
    if (start.size() < 6)
        return false;
    info.Version = start.sliced(3, 3).toByteArray();
    if (!IsKnownVersion(info.Version) || start.size() < kGifHeaderSize)
        return false;
    const auto* screen = reinterpret_cast<const std::uint8_t*>(start.data()) + 6;
    info.Width = Le16(screen);
    info.Height = Le16(screen + 2);
    info.BitsPerPixel = (screen[4] & 7) + 1;
    info.AspectRatio = screen[6];
    return true;
}

bool ReadGIFHeader(const QString& fileName, GifHeader& info)
{
    QByteArray start;
    return ReadFileStart(fileName, kGifHeaderSize, start) && ParseGIFHeader(start, info);
}

void GifHeaderToUniInfo(const GifHeader& header, TUniInfoRec& info)
{
    info.Valid = true;
    info.Width = header.Width;
    info.Height = header.Height;
    const QByteArray version = header.Version.toUpper();
    if (version == "87A")
        info.SubType = 1;
    else if (version == "89A")
        info.SubType = 2;
    info.ColorDepth = header.BitsPerPixel >= 1 && header.BitsPerPixel <= 8
                          ? std::int8_t(header.BitsPerPixel)
                          : std::int8_t(-1);
}

bool GIFUniInfo(const QString& fileName, TUniInfoRec& info)
{
    return ReadUniInfo(fileName, info, ReadGIFHeader, GifHeaderToUniInfo);
}

}  // namespace pixmarl
