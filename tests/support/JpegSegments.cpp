#include "support/JpegSegments.h"

#include <utility>

namespace pixmarl::test {

QByteArray BigEndian16(int value)
{
    QByteArray word;
    word.append(char((value >> 8) & 0xFF)).append(char(value & 0xFF));
    return word;
}

QByteArray ExifOrientationPayload(int orientation, bool littleEndian)
{
    const auto word = [littleEndian](int value) {
        QByteArray bytes = BigEndian16(value);
        if (littleEndian)
            std::swap(bytes[0], bytes[1]);
        return bytes;
    };
    const auto dword = [&word, littleEndian](int value) {
        return littleEndian ? word(value & 0xFFFF) + word(value >> 16)
                            : word(value >> 16) + word(value & 0xFFFF);
    };
    QByteArray payload("Exif\0\0", 6);
    payload += littleEndian ? QByteArray("II") : QByteArray("MM");
    payload += word(42) + dword(8);                                      // header, IFD0 at 8
    payload += word(1);                                                  // one entry
    payload += word(0x0112) + word(3) + dword(1) + word(orientation) + word(0);
    payload += dword(0);  // no next IFD
    return payload;
}

JpegSegments& JpegSegments::Soi()
{
    return Raw(QByteArray("\xFF\xD8", 2));
}

JpegSegments& JpegSegments::Segment(int code, const QByteArray& payload, int length)
{
    bytes_.append(char(0xFF)).append(char(code));
    bytes_.append(BigEndian16(length >= 0 ? length : int(payload.size()) + 2));
    bytes_.append(payload);
    return *this;
}

JpegSegments& JpegSegments::App0()
{
    return Segment(0xE0, QByteArray("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
}

JpegSegments& JpegSegments::Frame(int code, int width, int height, int components, int length)
{
    QByteArray payload;
    payload.append(char(8)).append(BigEndian16(height)).append(BigEndian16(width));
    payload.append(char(components));
    for (int i = 0; i < components; ++i)
        payload.append(char(i + 1)).append(char(0x11)).append(char(0));
    return Segment(code, payload, length);
}

JpegSegments& JpegSegments::Scan()
{
    Segment(0xDA, QByteArray("\x01\x01\x00\x00\x3F\x00", 6));
    return Raw(QByteArray("\x12\x34\x56\x78", 4));
}

JpegSegments& JpegSegments::Eoi()
{
    return Raw(QByteArray("\xFF\xD9", 2));
}

JpegSegments& JpegSegments::Raw(const QByteArray& bytes)
{
    bytes_.append(bytes);
    return *this;
}

}  // namespace pixmarl::test
