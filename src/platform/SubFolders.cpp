#include "SubFolders.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
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

bool ForEachSubFolder(const QString& folder, const std::function<void(TSubFolder&&)>& visit)
{
    const QByteArray native = QFile::encodeName(folder);
    DirHandle dir(native);
    if (dir.Get() == nullptr)
        return false;
    const int fd = dirfd(dir.Get());
    struct statfs fs {};
    const bool known = fstatfs(fd, &fs) == 0;
    const bool fat = known && fs.f_type == MSDOS_SUPER_MAGIC;
    const bool counts = known && CountsSubFolders(long(fs.f_type));
    QByteArray entryPath = native;
    if (!entryPath.endsWith('/'))
        entryPath.append('/');
    const qsizetype prefix = entryPath.size();
    while (dirent* e = readdir(dir.Get())) {
        if (e->d_type != DT_DIR && e->d_type != DT_UNKNOWN && e->d_type != DT_LNK)
            continue;
        struct stat st {};
        if (fstatat(fd, e->d_name, &st, 0) != 0 || !S_ISDIR(st.st_mode))
            continue;
        const bool dotName = e->d_name[0] == '.';
        if (dotName && (e->d_name[1] == '\0' || (e->d_name[1] == '.' && e->d_name[2] == '\0')))
            continue;
        TSubFolder sub;
        sub.name = QFile::decodeName(e->d_name);
        entryPath.truncate(prefix);
        entryPath.append(e->d_name);
        const int bits = fat ? ReadFileAttributes(folder + u'/' + sub.name)
                             : DosAttribBits(entryPath.constData());
        sub.hidden = dotName || (bits > 0 && (bits & (faHidden | faSysFile)) != 0);
        sub.leaf = IsLeaf(st, counts);
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
