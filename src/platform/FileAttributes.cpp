#include "FileAttributes.h"

#include <cctype>
#include <cerrno>

#include <QFile>

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "FileAttributesLinux.h"

namespace pixmarl {

namespace {

constexpr int kDosBits = faReadOnly | faHidden | faSysFile | faArchive;
constexpr char kDosAttribName[] = "user.DOSATTRIB";

bool IsFatVolume(const char* path)
{
    struct statfs fs {};
    return statfs(path, &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

int ReadFatAttributes(const char* path)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    std::uint32_t attrs = 0;
    const int rc = ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attrs);
    close(fd);
    return rc == 0 ? static_cast<int>(attrs & (kDosBits | faDirectory)) : -1;
}

bool WriteFatAttributes(const QByteArray& path, int attrs)
{
    const int fd = open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::uint32_t current = 0;
    bool ok = ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &current) == 0;
    if (ok) {
        std::uint32_t wanted =
            (current & ~std::uint32_t(kDosBits)) | std::uint32_t(attrs & kDosBits);
        ok = ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &wanted) == 0;
    }
    close(fd);
    return ok;
}

bool WriteDosAttrib(const QByteArray& path, int bits)
{
    if (bits == 0) {
        const int rc = removexattr(path.constData(), kDosAttribName);
        return rc == 0 || errno == ENODATA;
    }
    const QByteArray text = "0x" + QByteArray::number(bits, 16);
    return setxattr(path.constData(), kDosAttribName, text.constData(), size_t(text.size()), 0) ==
           0;
}

}  // namespace

int ParseDosAttrib(const QByteArray& value)
{
    if (!value.startsWith("0x") && !value.startsWith("0X"))
        return 0;
    qsizetype end = 2;
    while (end < value.size() && end < 10 &&
           std::isxdigit(static_cast<unsigned char>(value.at(end))))
        ++end;
    bool ok = false;
    const int bits = value.mid(2, end - 2).toInt(&ok, 16);
    return ok ? bits : 0;
}

bool IsHiddenByName(const QString& name)
{
    return name.startsWith(u'.');
}

int DosAttribBits(const char* path)
{
    char buffer[128];
    const ssize_t n = getxattr(path, kDosAttribName, buffer, sizeof buffer);
    if (n <= 0)
        return 0;
    return ParseDosAttrib(QByteArray::fromRawData(buffer, n)) & (faHidden | faSysFile | faArchive);
}

int AttributesFromStat(const QString& name, unsigned mode, int dosBits)
{
    int attrs = dosBits;
    if (S_ISDIR(mode))
        attrs |= faDirectory;
    if ((mode & S_IWUSR) == 0)
        attrs |= faReadOnly;
    if (IsHiddenByName(name))
        attrs |= faHidden;
    return attrs;
}

TFatProbe& FatProbe()
{
    static TFatProbe probe{IsFatVolume, ReadFatAttributes};
    return probe;
}

int EntryAttributes(const char* path, const QString& name, unsigned mode, bool onFat)
{
    const int fatBits = onFat ? FatProbe().readBits(path) : -1;
    if (fatBits >= 0)
        return (fatBits & kDosBits) | (S_ISDIR(mode) ? faDirectory : 0);
    return AttributesFromStat(name, mode, DosAttribBits(path));
}

int ReadFileAttributes(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (stat(native.constData(), &st) != 0)
        return -1;
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    return EntryAttributes(native.constData(), name, st.st_mode,
                           FatProbe().isFat(native.constData()));
}

bool WriteFileAttributes(const QString& path, int attrs)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (stat(native.constData(), &st) != 0)
        return false;
    if (IsFatVolume(native.constData()))
        return WriteFatAttributes(native, attrs);

    mode_t mode = st.st_mode & 07777;
    if (attrs & faReadOnly)
        mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    if (mode != (st.st_mode & 07777) && chmod(native.constData(), mode) != 0)
        return false;
    // A leading dot already hides the file; the stored bit only matters for other names.
    WriteDosAttrib(native, attrs & (faHidden | faSysFile | faArchive));
    return true;
}

}  // namespace pixmarl
