#pragma once

// Writes JPEG marker streams byte by byte, for tests of header parsing where libjpeg would refuse
// to write the damage under test (bogus lengths, garbage between segments, missing scans).
//
// Layout written: exactly the calls made, in order. Soi() writes FF D8; Segment(code, payload)
// writes FF, code, the big-endian length payload + 2 (or the length given), the payload;
// Frame(code, width, height, components) writes a frame header with precision 8 and three bytes
// per component (id, sampling 0x11, table 0); Scan() writes a one-component start of scan header
// followed by a few bytes of entropy data; Eoi() writes FF D9; Raw(bytes) writes bytes as given.

#include <QByteArray>

namespace pixmarl::test {

class JpegSegments {
public:
    JpegSegments& Soi();
    JpegSegments& Segment(int code, const QByteArray& payload, int length = -1);
    JpegSegments& App0();  // a JFIF 1.01 header
    JpegSegments& Comment(const QByteArray& text) { return Segment(0xFE, text); }
    JpegSegments& Frame(int code, int width, int height, int components, int length = -1);
    JpegSegments& Scan();
    JpegSegments& Eoi();
    JpegSegments& Raw(const QByteArray& bytes);

    const QByteArray& Bytes() const { return bytes_; }
    operator QByteArray() const { return bytes_; }

private:
    QByteArray bytes_;
};

// The big-endian 16-bit value as two bytes.
QByteArray BigEndian16(int value);

// The payload of an Exif APP1 segment holding only the orientation tag: "Exif\0\0", a TIFF header
// in the byte order asked for ("II" little-endian, else "MM"), and IFD0 with one SHORT entry 0x0112.
QByteArray ExifOrientationPayload(int orientation, bool littleEndian = false);

}  // namespace pixmarl::test
