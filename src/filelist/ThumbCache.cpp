#include "filelist/ThumbCache.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QStandardPaths>

#include "platform/Paths.h"

#include "formats/RdPNGH.h"

namespace pixmarl {

namespace {

constexpr const char* kUriKey = "Thumb::URI";
constexpr const char* kMTimeKey = "Thumb::MTime";
constexpr const char* kSizeKey = "Thumb::Size";
constexpr const char* kMimeKey = "Thumb::Mimetype";
constexpr const char* kSoftwareKey = "Software";
constexpr const char* kSoftware = "Pixmarl " PIXMARL_VERSION;
constexpr const char* kFailFolder = "fail/pixmarl-" PIXMARL_VERSION;
// Qt's PNG compression runs from 0 to 100; 20 is zlib's fastest level, which keeps writing an
// entry a small part of making a thumbnail at half the size of no compression. Higher levels
// save little more and take several times as long.
constexpr int kPngCompression = 20;
constexpr qsizetype kIhdrEnd = 8 + 8 + 13 + 4;  // signature and the header chunk

const char* MimeType(TImageFormat format)
{
    switch (format) {
    case ifJPEG:
        return "image/jpeg";
    case ifGIF:
        return "image/gif";
    case ifBMP:
        return "image/bmp";
    case ifPNG:
        return "image/png";
    case ifWebP:
        return "image/webp";
    default:
        return nullptr;  // not cached
    }
}

// RFC 2396: unreserved characters, the ones a path segment may hold, and the separator.
bool IsPathChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("-_.!~*'():@&=+$,/").find(c) != std::string_view::npos;
}

// Whether the keys an entry carries tie it to the file as it is now. (Qt hands out text chunks
// before the pixels only as "key: value" lines, which keys holding "::" do not survive, so the
// keys are read with the picture; entries are small.)
bool BelongsTo(const QImage& entry, const TCachedFile& file)
{
    bool ok = false;
    const QString size = entry.text(QLatin1String(kSizeKey));
    return entry.text(QLatin1String(kUriKey)).toLatin1() == file.uri &&
           entry.text(QLatin1String(kMTimeKey)).toLongLong(&ok) == file.mtime && ok &&
           (size.isEmpty() || size.toLongLong() == file.size);
}

// An entry's picture when it belongs to file, fits in edge and usable accepts its size.
QImage ReadEntry(const QString& path, const TCachedFile& file, int edge,
                 const std::function<bool(QSize)>& usable)
{
    QImageReader reader(path, "png");
    const QSize size = reader.size();
    if (size.isEmpty() || std::max(size.width(), size.height()) > edge || (usable && !usable(size)))
        return {};
    const QImage image = reader.read();
    if (image.size() != size || !BelongsTo(image, file))
        return {};
    return image;
}

void AppendBe32(QByteArray& out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

QByteArray TextChunk(const char* key, const QByteArray& value)
{
    const QByteArray body = "tEXt" + QByteArray(key) + '\0' + value;
    QByteArray chunk;
    AppendBe32(chunk, quint32(body.size() - 4));
    chunk += body;
    AppendBe32(chunk, PngChunkCrc(body));
    return chunk;
}

// The PNG of an entry. The keys go in plain text chunks right after the header, where every
// reader finds them before the pixels; the picture's own texts are left out.
QByteArray EncodeEntry(const QImage& image, const TCachedFile& file)
{
    QImage bare(image.constBits(), image.width(), image.height(), image.bytesPerLine(),
                image.format());
    bare.setColorTable(image.colorTable());
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(kPngCompression);
    if (!writer.write(bare) || png.size() < kIhdrEnd || png.mid(12, 4) != "IHDR")
        return {};
    QByteArray keys =
        TextChunk(kUriKey, file.uri) + TextChunk(kMTimeKey, QByteArray::number(file.mtime)) +
        TextChunk(kSizeKey, QByteArray::number(file.size)) + TextChunk(kSoftwareKey, kSoftware);
    if (const char* mime = MimeType(file.format))
        keys += TextChunk(kMimeKey, mime);
    png.insert(kIhdrEnd, keys);
    return png;
}

std::string NativePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// A temporary file beside path, renamed over it when complete: readers see the old entry or the
// new one, never a part.
bool WriteAtomically(const QString& path, const QByteArray& data)
{
    const QString temp = path + QStringLiteral(".%1.tmp").arg(
                                    QRandomGenerator::global()->generate64(), 16, 16, QChar(u'0'));
    QFile file(temp);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    bool written = file.write(data) == data.size();
    file.close();
    std::error_code error;
    if (written && file.error() == QFileDevice::NoError)
        std::filesystem::rename(NativePath(temp), NativePath(path), error);
    written = written && file.error() == QFileDevice::NoError && !error;
    if (!written)
        QFile::remove(temp);
    return written;
}

bool StillAsKeyed(const TCachedFile& file)
{
    const QFileInfo info(file.path);
    return info.isFile() && info.lastModified().toSecsSinceEpoch() == file.mtime &&
           info.size() == file.size;
}

}  // namespace

int SizeClassFor(int box)
{
    for (int i = 0; i < kThumbSizeClassCount; ++i)
        if (box <= kThumbSizeClasses[i].edge)
            return i;
    return -1;
}

QByteArray ThumbnailUri(const QString& absolutePath)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray uri = "file://";
    for (const char c : QFile::encodeName(absolutePath)) {
        if (IsPathChar(c)) {
            uri.append(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            uri.append('%').append(kHex[byte >> 4]).append(kHex[byte & 15]);
        }
    }
    return uri;
}

QString ThumbnailName(const QByteArray& uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

QString DefaultThumbnailRoot()
{
    return JoinPath(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
                    QStringLiteral("thumbnails"));
}

TThumbCache::TThumbCache(QString root, TVolumeSource volumes)
    : root_(QDir::cleanPath(root)), volumes_(std::move(volumes))
{
    if (!volumes_.read)
        volumes_.read = ReadVolumes;
    if (!volumes_.changed) {
        // Opened on first use, on the thread that uses the cache.
        volumes_.changed = [probe = std::shared_ptr<TMountChanges>()]() mutable {
            if (!probe)
                probe = std::make_shared<TMountChanges>();
            return probe->Changed();
        };
    }
}

std::optional<TCachedFile> TThumbCache::Key(const QString& fileName)
{
    TCachedFile file;
    file.format = FileNameToFormat(fileName);
    if (MimeType(file.format) == nullptr)
        return std::nullopt;
    file.path = CleanAbsolutePath(fileName);
    if (Excluded(file.path))
        return std::nullopt;
    const QFileInfo info(file.path);
    if (!info.isFile())
        return std::nullopt;
    file.mtime = info.lastModified().toSecsSinceEpoch();
    file.size = info.size();
    file.uri = ThumbnailUri(file.path);
    file.name = ThumbnailName(file.uri);
    return file;
}

// The cache's own files, and files whose volume may leave, change elsewhere or answer slowly.
bool TThumbCache::Excluded(const QString& path)
{
    if (!rootResolved_) {
        canonicalRoot_ = QFileInfo(root_).canonicalFilePath();
        rootResolved_ = true;
    }
    const auto inside = [&path](const QString& folder) {
        return !folder.isEmpty() && path.startsWith(folder + u'/');
    };
    if (inside(root_) || inside(canonicalRoot_))
        return true;
    if (!tableRead_ || volumes_.changed()) {
        table_ = volumes_.read();
        tableRead_ = true;
    }
    const int volume = ContainingVolume(table_, path);
    if (volume < 0)
        return false;
    const TDriveType type = table_[size_t(volume)].driveType;
    return type == dtRemovable || type == dtRemote || type == dtCDROM;
}

QImage TThumbCache::Find(const TCachedFile& file, int sizeClass,
                         const std::function<bool(QSize)>& usable) const
{
    if (sizeClass < 0)
        return {};
    const int last = std::min(sizeClass + 1, kThumbSizeClassCount - 1);
    for (int i = sizeClass; i <= last; ++i) {
        const TThumbSizeClass& size = kThumbSizeClasses[i];
        const QString path = root_ + u'/' + QLatin1String(size.folder) + u'/' + file.name;
        QImage image = ReadEntry(path, file, size.edge, usable);
        if (!image.isNull())
            return image;
    }
    return {};
}

bool TThumbCache::Failed(const TCachedFile& file) const
{
    const int anySize = kThumbSizeClasses[kThumbSizeClassCount - 1].edge;
    return !ReadEntry(FailFolder() + u'/' + file.name, file, anySize, {}).isNull();
}

bool TThumbCache::Store(const TCachedFile& file, int sizeClass, const QImage& image)
{
    if (sizeClass < 0 || sizeClass >= kThumbSizeClassCount || image.isNull() ||
        std::max(image.width(), image.height()) > kThumbSizeClasses[sizeClass].edge)
        return false;
    return Write(root_ + u'/' + QLatin1String(kThumbSizeClasses[sizeClass].folder), file, image);
}

bool TThumbCache::StoreFailure(const TCachedFile& file)
{
    QImage nothing(1, 1, QImage::Format_ARGB32);
    nothing.fill(Qt::transparent);
    return Write(FailFolder(), file, nothing);
}

QString TThumbCache::FailFolder() const
{
    return root_ + u'/' + QLatin1String(kFailFolder);
}

bool TThumbCache::Write(const QString& folder, const TCachedFile& file, const QImage& image)
{
    if (!StillAsKeyed(file) || !MakeFolder(folder))
        return false;
    const QByteArray png = EncodeEntry(image, file);
    if (!png.isEmpty() && WriteAtomically(folder + u'/' + file.name, png))
        return true;
    folders_.remove(folder);  // it may have gone
    return false;
}

// The folder and its missing parents, private to the user as the standard asks.
bool TThumbCache::MakeFolder(const QString& folder)
{
    if (folders_.contains(folder))
        return true;
    if (!QFileInfo(folder).isDir()) {
        const QString parent = ExtractFileDir(folder);
        if (parent.isEmpty() || parent == folder || !MakeFolder(parent))
            return false;
        const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        if (!QDir().mkdir(folder, owner) && !QFileInfo(folder).isDir())
            return false;
    }
    folders_.insert(folder);
    return true;
}

}  // namespace pixmarl
