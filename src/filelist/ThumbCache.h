#pragma once

// The thumbnail cache Pixmarl shares with the other programs of the desktop (the freedesktop
// thumbnail standard): PNG files under $XDG_CACHE_HOME/thumbnails/<size class>/, each named by the
// MD5 of its file's URI and carrying that URI and the file's modification time, so that an entry
// is known to belong to the file as it is now. Entries of files that could not be made into a
// thumbnail go to fail/pixmarl-<version>/, so that they are not tried again until they change.
//
// Thumbnails in the cache stand upright and keep the picture's proportions; a size class holds
// thumbnails whose longer side is at most its edge (smaller pictures are kept at their own size).
//
// A TThumbCache may be made on any thread (making it touches no file) and is then used by one
// thread at a time, the thumbnail worker. It finds an entry by its name, never by scanning the
// cache; it writes an entry as a temporary file in the entry's folder renamed into place (files
// 0600, folders 0700). It keeps the mount table, read again when the table changes, to leave out
// files on removable, optical and network volumes. Nothing here fails loudly: an entry that cannot
// be read is no entry, one that cannot be written is not written.

#include <functional>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QSet>
#include <QString>

#include "platform/Volumes.h"

#include "formats/Images.h"

namespace pixmarl {

struct TThumbSizeClass {
    const char* folder;
    int edge;  // the longest side its thumbnails may have
};

inline constexpr TThumbSizeClass kThumbSizeClasses[] = {
    {"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};
inline constexpr int kThumbSizeClassCount = 4;

// The smallest size class whose edge is at least box; -1 when box is larger than every class.
int SizeClassFor(int box);

// The URI by which the cache knows a local file: "file://" and the absolute path, with every byte
// that RFC 2396 does not allow in a path written as %XX (upper-case hex digits).
QByteArray ThumbnailUri(const QString& absolutePath);

// An entry's file name: the MD5 of the URI in lower-case hex, then ".png".
QString ThumbnailName(const QByteArray& uri);

// $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails when that variable is unset; in Qt's test
// mode a folder of its own, so that tests never fill the user's cache.
QString DefaultThumbnailRoot();

// A file as the cache keys it, taken before it is decoded.
struct TCachedFile {
    QString path;  // absolute and clean
    QByteArray uri;
    QString name;      // of its entries
    qint64 mtime = 0;  // seconds since the epoch
    qint64 size = 0;
    TImageFormat format = ifUnknown;
};

class TThumbCache {
public:
    // The volumes of the system, read on first use, and whether the mount table has changed since
    // the last call. Either empty: the real ones.
    struct TVolumeSource {
        std::function<std::vector<TVolume>()> read;
        std::function<bool()> changed;
    };

    explicit TThumbCache(QString root = DefaultThumbnailRoot(), TVolumeSource volumes = {});

    const QString& Root() const { return root_; }

    // The file as the cache keys it; nothing when its thumbnails are not cached: it is not a
    // regular file, lies on a removable, optical or network volume or inside the cache, or is of
    // a format whose thumbnails are not plain pictures (icons, video) or are made from a picture
    // inside the file (TIFF).
    std::optional<TCachedFile> Key(const QString& fileName);

    // The thumbnail of file kept in the given size class or the next larger one, the first that
    // belongs to the file as it is now and that usable accepts by its size; null when none.
    QImage Find(const TCachedFile& file, int sizeClass,
                const std::function<bool(QSize)>& usable) const;
    // Whether a failure entry of this program says that file cannot be made into a thumbnail.
    bool Failed(const TCachedFile& file) const;

    // Writes image (upright, within the class edge) as file's entry of the size class, or a
    // failure entry; only while the file is still as it was keyed. False when nothing was written.
    bool Store(const TCachedFile& file, int sizeClass, const QImage& image);
    bool StoreFailure(const TCachedFile& file);

private:
    bool Excluded(const QString& path);
    QString FailFolder() const;
    bool Write(const QString& folder, const TCachedFile& file, const QImage& image);
    bool MakeFolder(const QString& folder);

    QString root_;
    QString canonicalRoot_;  // found on first use
    bool rootResolved_ = false;
    TVolumeSource volumes_;
    std::vector<TVolume> table_;
    bool tableRead_ = false;
    QSet<QString> folders_;  // made or found during this run
};

}  // namespace pixmarl
