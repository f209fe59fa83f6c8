// The JPEG header reader over arbitrary bytes: from memory and from a file read in small chunks
// (the two must agree), the orientation read from its Exif segment, and the comment writer, whose
// output must read back the comment written.

#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "formats/Exif.h"
#include "formats/HeaderSource.h"
#include "formats/RdJPGH.h"

using namespace pixmarl;

namespace {

bool SameResult(const TInfoRec& a, const TInfoRec& b)
{
    return a.OK == b.OK && a.ErrorMsg == b.ErrorMsg && a.Width == b.Width && a.Height == b.Height
        && a.Components == b.Components && a.Comment == b.Comment && a.CommentPos == b.CommentPos
        && a.SOFMarker == b.SOFMarker && a.Exif == b.Exif;
}

// The file the file-reading path reads; removed when the process ends.
struct TScratchFile {
    QString path = QDir::temp().filePath(
        QStringLiteral("jpegheader-fuzz-%1.jpg").arg(QCoreApplication::applicationPid()));
    ~TScratchFile() { QFile::remove(path); }
};

QString ScratchFile()
{
    static const TScratchFile scratch;
    return scratch.path;
}

void CheckFileMatchesMemory(const QByteArray& data, std::uint8_t flags, const TInfoRec& fromMemory)
{
    QFile file(ScratchFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
        return;
    file.close();
    const int chunk = data.isEmpty() ? 1 : 1 + std::uint8_t(data.back()) % 64;
    THeaderSource source(ScratchFile(), chunk);
    TInfoRec fromFile;
    ReadJPEGHeader(source, flags, fromFile);
    if (!SameResult(fromMemory, fromFile))
        std::abort();
}

void CheckCommentRoundTrip(const QByteArray& data)
{
    static const QByteArray kText("fuzzed comment");
    bool unchanged = false;
    const QByteArray rewritten = JpegWithComment(data, kText, unchanged);
    if (rewritten.isEmpty())
        return;
    THeaderSource source(rewritten);
    TInfoRec info;
    if (!ReadJPEGHeader(source, kReadJpegComment, info) || info.Comment != kText)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const QByteArray data
        = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size));
    constexpr std::uint8_t kEverything = kReadJpegAll | kReadJpegExif;
    for (const std::uint8_t flags :
         std::initializer_list<std::uint8_t>{kReadJpegComment, kReadJpegFrame, kReadJpegAll, kEverything}) {
        THeaderSource source(data);
        TInfoRec info;
        ReadJPEGHeader(source, flags, info);
        if (flags == kEverything) {
            CheckFileMatchesMemory(data, flags, info);
            const int orientation = ExifOrientation(info.Exif);
            if (orientation < 1 || orientation > 8)
                std::abort();
        }
    }
    CheckCommentRoundTrip(data);
    return 0;
}
