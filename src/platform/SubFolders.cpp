#include "SubFolders.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "FileAttributes.h"
#include "FileAttributesLinux.h"
#include "Paths.h"

namespace pixmarl {

namespace {

#ifndef XFS_SUPER_MAGIC
constexpr long XFS_SUPER_MAGIC = 0x58465342;
#endif

// Filesystems whose folder link count is 2 + the number of sub-folders.
bool CountsSubFolders(long type)
{
    return type == EXT4_SUPER_MAGIC || type == XFS_SUPER_MAGIC || type == TMPFS_MAGIC;
}

// A folder whose link count is exactly 2 has no sub-folders on such a filesystem.
bool IsLeaf(const struct stat& st, bool countsSubFolders)
{
    return countsSubFolders && S_ISDIR(st.st_mode) && st.st_nlink == 2;
}

class DirHandle {
public:
    explicit DirHandle(const QByteArray& path) : dir_(opendir(path.constData())) {}
    ~DirHandle()
    {
        if (dir_ != nullptr)
            closedir(dir_);
    }
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;
    DIR* Get() const { return dir_; }

private:
    DIR* dir_;
};

}  // namespace

bool ForEachSubFolder(const QString& folder, const std::function<void(TSubFolder&&)>& visit,
                      const QSet<QString>& unprobed)
{
    const QByteArray native = QFile::encodeName(folder);
    DirHandle dir(native);
    if (dir.Get() == nullptr)
        return false;
    const int fd = dirfd(dir.Get());
    struct statfs fs {};
    struct stat self {};
    const bool counts = fstatfs(fd, &fs) == 0 && CountsSubFolders(long(fs.f_type));
    const bool onFat = FatProbe().isFat(native.constData());
    fstat(fd, &self);
    QByteArray entryPath = native;
    if (!entryPath.endsWith('/'))
        entryPath.append('/');
    const qsizetype prefix = entryPath.size();
    while (dirent* e = readdir(dir.Get())) {
        if (e->d_type != DT_DIR && e->d_type != DT_UNKNOWN && e->d_type != DT_LNK)
            continue;
        const bool dotName = e->d_name[0] == '.';
        if (dotName && (e->d_name[1] == '\0' || (e->d_name[1] == '.' && e->d_name[2] == '\0')))
            continue;
        TSubFolder sub;
        sub.name = QFile::decodeName(e->d_name);
        sub.hidden = dotName;
        if (unprobed.contains(sub.name)) {
            sub.elsewhere = true;
            visit(std::move(sub));
            continue;
        }
        // From the cache where the filesystem has one: a dead network or FUSE mount does not
        // answer, and its mount point would stall the whole listing.
        struct statx sx {};
        if (statx(fd, e->d_name, AT_STATX_DONT_SYNC | AT_NO_AUTOMOUNT,
                  STATX_TYPE | STATX_MODE | STATX_NLINK, &sx) != 0 ||
            !S_ISDIR(sx.stx_mode))
            continue;
        // The link count and attributes of another filesystem are not this one's to judge, and
        // reading them could block.
        sub.elsewhere = makedev(sx.stx_dev_major, sx.stx_dev_minor) != self.st_dev;
        if (!sub.elsewhere) {
            entryPath.truncate(prefix);
            entryPath.append(e->d_name);
            const int bits = EntryAttributes(entryPath.constData(), sub.name, sx.stx_mode, onFat);
            sub.hidden = sub.hidden || (bits & (faHidden | faSysFile)) != 0;
            sub.leaf = counts && sx.stx_nlink == 2;
        }
        visit(std::move(sub));
    }
    return true;
}

bool IsLeafFolder(const QString& folder)
{
    const QByteArray native = QFile::encodeName(folder);
    struct stat st {};
    if (stat(native.constData(), &st) != 0 || st.st_nlink != 2)
        return false;
    struct statfs fs {};
    return statfs(native.constData(), &fs) == 0 && IsLeaf(st, CountsSubFolders(long(fs.f_type)));
}

}  // namespace pixmarl
