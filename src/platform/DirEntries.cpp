#include "DirEntries.h"

#include <string>

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileAttributesLinux.h"
#include "Paths.h"

namespace pixmarl {

namespace {

// An open directory stream that closes itself.
class DirStream {
public:
    explicit DirStream(const QString& folder)
        : path_(QFile::encodeName(folder)), dir_(opendir(path_.constData()))
    {}
    ~DirStream()
    {
        if (dir_ != nullptr)
            closedir(dir_);
    }
    DirStream(const DirStream&) = delete;
    DirStream& operator=(const DirStream&) = delete;

    bool IsOpen() const { return dir_ != nullptr; }
    int Fd() const { return dirfd(dir_); }
    dirent* Next() { return readdir(dir_); }

    // The full path of an entry, built in one reused buffer (for calls that take no dirfd).
    const char* EntryPath(const char* name)
    {
        entryPath_.assign(path_.constData(), size_t(path_.size()));
        if (entryPath_.empty() || entryPath_.back() != '/')
            entryPath_.push_back('/');
        entryPath_.append(name);
        return entryPath_.c_str();
    }

private:
    QByteArray path_;
    DIR* dir_;
    std::string entryPath_;
};

bool IsDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// FIFOs, devices and sockets are never listed: opening or reading one as an image could block.
bool IsFileOrFolder(mode_t mode)
{
    return S_ISREG(mode) || S_ISDIR(mode);
}

// Fills entry (whose name is set) from one stat relative to dirFd (or AT_FDCWD) and the entry's
// attributes, read by its full path.
bool FillEntry(int dirFd, const char* nativeName, const char* fullPath, bool onFat,
               TDirEntry& entry)
{
    struct stat st {};
    if (fstatat(dirFd, nativeName, &st, 0) != 0 || !IsFileOrFolder(st.st_mode))
        return false;
    entry.isDir = S_ISDIR(st.st_mode);
    entry.size = entry.isDir ? 0 : qint64(st.st_size);
    entry.time = qint64(st.st_mtim.tv_sec);
    entry.attributes = std::uint8_t(EntryAttributes(fullPath, entry.name, st.st_mode, onFat));
    return true;
}

}  // namespace

std::uint64_t NameHash(std::string_view nativeName)
{
    // FNV-1a: names are short, and this is all the refresh computes per unchanged file.
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char c : nativeName) {
        h ^= c;
        h *= 0x100000001b3ULL;
    }
    return h;
}

std::uint64_t NameHash(const QString& name)
{
    const QByteArray native = QFile::encodeName(name);
    return NameHash(std::string_view(native.constData(), size_t(native.size())));
}

namespace {

// Opens folder and calls visit with every entry other than "." and ".." whose name passes accept.
template <typename Visit>
bool ForEachAccepted(const QString& folder, const TDirNameFilter& accept, Visit visit)
{
    DirStream dir(folder);
    if (!dir.IsOpen())
        return false;
    while (dirent* e = dir.Next()) {
        if (IsDotOrDotDot(e->d_name))
            continue;
        const std::string_view native(e->d_name);
        if (!accept || accept(native))
            visit(dir, *e, native);
    }
    return true;
}

}  // namespace

bool ForEachDirEntry(const QString& folder, const TDirNameFilter& accept,
                     const std::function<void(TDirEntry&&)>& visit)
{
    const bool onFat = FatProbe().isFat(QFile::encodeName(folder).constData());
    return ForEachAccepted(
        folder, accept, [&](DirStream& dir, const dirent& e, std::string_view native) {
            TDirEntry entry;
            entry.name = QFile::decodeName(e.d_name);
            entry.nameHash = NameHash(native);
            if (FillEntry(dir.Fd(), e.d_name, dir.EntryPath(e.d_name), onFat, entry))
                visit(std::move(entry));
        });
}

bool ReadDirEntry(const QString& folder, const QString& name, TDirEntry& entry)
{
    entry = TDirEntry{};
    entry.name = name;
    entry.nameHash = NameHash(name);
    const QByteArray path = QFile::encodeName(JoinPath(folder, name));
    return FillEntry(AT_FDCWD, path.constData(), path.constData(),
                     FatProbe().isFat(path.constData()), entry);
}

bool ForEachDirName(const QString& folder, const TDirNameFilter& accept,
                    const std::function<void(const TDirName&)>& visit)
{
    return ForEachAccepted(
        folder, accept, [&](DirStream& dir, const dirent& e, std::string_view native) {
            bool isDir = e.d_type == DT_DIR;
            if (e.d_type == DT_UNKNOWN || e.d_type == DT_LNK) {
                struct stat st {};
                if (fstatat(dir.Fd(), e.d_name, &st, 0) != 0 || !IsFileOrFolder(st.st_mode))
                    return;
                isDir = S_ISDIR(st.st_mode);
            } else if (e.d_type != DT_REG && !isDir) {
                return;
            }
            visit(TDirName{native, NameHash(native), isDir});
        });
}

}  // namespace pixmarl
