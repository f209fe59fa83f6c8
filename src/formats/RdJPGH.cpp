#include "formats/RdJPGH.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "formats/HeaderSource.h"
#include "platform/FileAttributes.h"
#include "platform/ReadOnlyFile.h"
#include "platform/SafeWrite.h"

namespace pixmarl {

namespace {

constexpr char kNotJpeg[] = "Not a JPEG file";
constexpr char kPrematureEof[] = "Premature EOF in JPEG file";
constexpr char kBadLength[] = "Erroneous JPEG marker length";
constexpr char kBogusSof[] = "Bogus SOF marker length";

constexpr std::uint8_t kSOI = 0xD8;
constexpr std::uint8_t kEOI = 0xD9;
constexpr std::uint8_t kSOS = 0xDA;
constexpr std::uint8_t kCOM = 0xFE;
constexpr std::uint8_t kAPP1 = 0xE1;

bool IsFrameMarker(std::uint8_t code)
{
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

// Markers that stand alone, without a length: a segment skip would misread what follows.
bool IsParameterless(std::uint8_t code)
{
    return code == 0x01 || (code >= 0xD0 && code <= 0xD7);
}

// Walks the markers of a JPEG stream. Every read checks for the end afterwards: a read that
// leaves the position at the end is premature, since the parse must stop at a scan or the end of
// image before the last byte.
class TJpegMarkerParser {
public:
    TJpegMarkerParser(THeaderSource& source, TInfoRec& info) : source_(source), info_(info) {}

    // Steps 4 to 7: the whole parse; the outcome is in info.OK.
    void Parse()
    {
        if (!ReadStart())
            return;
        for (;;) {
            std::uint8_t code = 0;
            if (!NextMarker(code))
                return;
            if (code == kEOI || code == kSOS)
                return;
            if (!OnMarker(code))
                return;
        }
    }

    bool ReadStart()
    {
        std::uint8_t first = 0;
        std::uint8_t second = 0;
        if (!ReadByte(first) || !ReadByte(second))
            return false;
        if (first != 0xFF || second != kSOI)
            return Fail(kNotJpeg);
        return true;
    }

    // Skips anything up to a 0xFF, then fill bytes; returns the marker code.
    bool NextMarker(std::uint8_t& code)
    {
        std::uint8_t byte = 0;
        do {
            if (!ReadByte(byte))
                return false;
        } while (byte != 0xFF);
        do {
            if (!ReadByte(byte))
                return false;
        } while (byte == 0xFF);
        code = byte;
        return true;
    }

    bool SkipSegment(std::uint8_t code)
    {
        if (IsParameterless(code))
            return true;
        std::uint16_t length = 0;
        if (!ReadWord(length))
            return false;
        if (length < 2)
            return Fail(kBadLength);
        source_.Skip(length - 2);
        return true;
    }

private:
    // False ends the parse.
    bool OnMarker(std::uint8_t code)
    {
        if (IsFrameMarker(code))
            return (info_.ReadFlags & kReadJpegFrame) ? ReadFrame(code) : SkipSegment(code);
        if (code == kCOM && (info_.ReadFlags & kReadJpegComment)) {
            if (!ReadComment())
                return false;
            return info_.ReadFlags != kReadJpegComment;
        }
        if (code == kAPP1 && (info_.ReadFlags & kReadJpegExif) && info_.Exif.isEmpty())
            return ReadExif();
        return SkipSegment(code);
    }

    // Keeps the segment when it holds Exif data; any other APP1 (XMP) is passed over.
    bool ReadExif()
    {
        std::uint16_t length = 0;
        if (!ReadWord(length))
            return false;
        if (length < 2)
            return Fail(kBadLength);
        QByteArray payload(length - 2, Qt::Uninitialized);
        if (source_.Read(payload.data(), payload.size()) != payload.size() || source_.AtEnd())
            return Fail(kPrematureEof);
        if (payload.startsWith(QByteArrayView("Exif\0\0", 6)))
            info_.Exif = payload;
        return true;
    }

    bool ReadFrame(std::uint8_t code)
    {
        std::uint16_t length = 0;
        std::uint8_t precision = 0;
        std::uint8_t components = 0;
        if (!ReadWord(length) || !ReadByte(precision) || !ReadWord(info_.Height) ||
            !ReadWord(info_.Width) || !ReadByte(components))
            return false;
        info_.DataPrecision = precision;
        info_.Components = components;
        info_.SOFMarker = code;
        info_.Process = JpegProcessName(code);
        if (length != std::uint16_t(components * 3 + 8))
            return Fail(kBogusSof);
        std::uint8_t ignored = 0;
        for (int i = 0; i < components * 3; ++i)
            if (!ReadByte(ignored))
                return false;
        return true;
    }

    bool ReadComment()
    {
        info_.CommentPos = source_.Position();
        std::uint16_t length = 0;
        if (!ReadWord(length))
            return false;
        if (length < 2) {
            // Recorded, but the parse goes on: the segment may still be followed by a frame.
            Fail(kBadLength);
            return true;
        }
        QByteArray text(length - 2, Qt::Uninitialized);
        if (source_.Read(text.data(), text.size()) != text.size() || source_.AtEnd())
            return Fail(kPrematureEof);
        info_.Comment = text;
        return true;
    }

    bool ReadByte(std::uint8_t& byte)
    {
        if (!source_.ReadByte(byte) || source_.AtEnd())
            return Fail(kPrematureEof);
        return true;
    }

    bool ReadWord(std::uint16_t& word)
    {
        std::uint8_t high = 0;
        std::uint8_t low = 0;
        if (!source_.ReadByte(high) || !source_.ReadByte(low) || source_.AtEnd())
            return Fail(kPrematureEof);
        word = std::uint16_t(high << 8 | low);
        return true;
    }

    // Records the first error; an operating system read error leaves the message empty.
    bool Fail(const char* message)
    {
        if (info_.OK && !source_.ReadFailed())
            info_.ErrorMsg = QLatin1String(message);
        info_.OK = false;
        return false;
    }

    THeaderSource& source_;
    TInfoRec& info_;
};

void StartRead(std::uint8_t flags, TInfoRec& info)
{
    info = TInfoRec{};
    info.ReadFlags = flags;
}

std::int8_t JpegColorDepth(int components)
{
    switch (components) {
    case 1:
        return 9;
    case 3:
        return 11;
    case 4:
        return 12;
    default:
        return -1;
    }
}

QByteArray BigEndianWord(int value)
{
    QByteArray word(2, 0);
    word[0] = char((value >> 8) & 0xFF);
    word[1] = char(value & 0xFF);
    return word;
}

// Where a new comment goes in a file without one: after the segment that follows the start of
// image (normally the JFIF header), or right after the start of image when that marker has no
// segment of its own; -1 when the stream does not parse that far.
qint64 CommentInsertPosition(QByteArrayView data)
{
    THeaderSource source(data);
    TInfoRec info;
    StartRead(kReadJpegComment, info);
    info.OK = true;
    TJpegMarkerParser parser(source, info);
    std::uint8_t code = 0;
    if (!parser.ReadStart() || !parser.NextMarker(code))
        return -1;
    if (code == kSOI || code == kEOI || code == kSOS || IsParameterless(code))
        return 2;
    if (!parser.SkipSegment(code) || source.Position() > data.size())
        return -1;
    return source.Position();
}

}  // namespace

QString JpegProcessName(std::uint8_t marker)
{
    static const char* const kNames[16] = {
        "Baseline",
        "Extended sequential",
        "Progressive",
        "Lossless",
        nullptr,
        "Differential sequential",
        "Differential progressive",
        "Differential lossless",
        nullptr,
        "Extended sequential, arithmetic coding",
        "Progressive, arithmetic coding",
        "Lossless, arithmetic coding",
        nullptr,
        "Differential sequential, arithmetic coding",
        "Differential progressive, arithmetic coding",
        "Differential lossless, arithmetic coding",
    };
    if (marker < 0xC0 || marker > 0xCF || kNames[marker - 0xC0] == nullptr)
        return QStringLiteral("Unknown");
    return QLatin1String(kNames[marker - 0xC0]);
}

bool ReadJPEGHeader(THeaderSource& source, std::uint8_t flags, TInfoRec& info)
{
    StartRead(flags, info);
    if (!source.IsOpen())
        return false;
    info.OK = true;
    TJpegMarkerParser(source, info).Parse();
    return info.OK;
}

bool ReadJPEGHeader(const QString& fileName, std::uint8_t flags, TInfoRec& info)
{
    THeaderSource source(fileName);
    return ReadJPEGHeader(source, flags, info);
}

bool JPEGUniInfo(const QString& fileName, TUniInfoRec& info)
{
    TInfoRec header;
    if (!ReadJPEGHeader(fileName, kReadJpegAll, header)) {
        info.Valid = false;
        info.SubType = 255;
        return false;
    }
    info.Width = header.Width;
    info.Height = header.Height;
    info.SubType = header.SOFMarker != 0 ? std::uint8_t(header.SOFMarker - 0xBF) : 0;
    info.Comment = JpegCommentText(header.Comment);
    info.ColorDepth = JpegColorDepth(header.Components);
    info.Valid = true;
    return true;
}

QString JpegCommentText(const QByteArray& comment)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(comment);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(comment);
}

QByteArray JpegWithComment(QByteArrayView data, const QByteArray& text, bool& unchanged)
{
    unchanged = false;
    if (text.size() > kMaxJpegComment)
        return {};
    THeaderSource source(data);
    TInfoRec info;
    if (!ReadJPEGHeader(source, kReadJpegComment, info))
        return {};
    const QByteArray segment = BigEndianWord(int(text.size()) + 2) + text;
    QByteArray result;
    if (info.CommentPos >= 0) {
        const qint64 oldEnd = info.CommentPos + 2 + info.Comment.size();
        result =
            data.first(info.CommentPos).toByteArray() + segment + data.sliced(oldEnd).toByteArray();
    } else if (text.isEmpty()) {
        unchanged = true;
        return data.toByteArray();
    } else {
        const qint64 at = CommentInsertPosition(data);
        if (at < 0)
            return {};
        result =
            data.first(at).toByteArray() + "\xFF\xFE" + segment + data.sliced(at).toByteArray();
    }
    unchanged = result == data;
    return result;
}

bool WriteJPEGComment(const QString& fileName, const QByteArray& text)
{
    const QFileInfo fileInfo(fileName);
    if (!fileInfo.isFile() || !fileInfo.isWritable())
        return false;
    QFile in;
    if (!OpenReadOnly(in, fileName))
        return false;
    const QByteArray original = in.read(in.size());
    if (in.error() != QFileDevice::NoError)
        return false;
    in.close();
    bool unchanged = false;
    const QByteArray rewritten = JpegWithComment(original, text, unchanged);
    if (rewritten.isEmpty())
        return false;
    if (unchanged)
        return true;

    const int attributes = ReadFileAttributes(fileName);
    QString error;
    if (!ReplaceFileContents(fileName, rewritten, error))
        return false;
    // Extended attributes came along; the bits a FAT volume keeps in the entry did not.
    if (attributes > 0 && (attributes & (faHidden | faSysFile | faArchive)) != 0)
        WriteFileAttributes(fileName, attributes);
    return true;
}

}  // namespace pixmarl
