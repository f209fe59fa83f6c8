#include "Volumes.h"

#include <algorithm>
#include <cerrno>
#include <map>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixmarl {

namespace {

const QStringList kBlockFilesystems = {"ext2",    "ext3",    "ext4",  "xfs",  "btrfs",
                                       "f2fs",    "vfat",    "exfat", "ntfs", "ntfs3",
                                       "fuseblk", "iso9660", "udf",   "zfs"};
const QStringList kNetworkFilesystems = {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs"};
const QStringList kPseudoFilesystems = {
    "proc",     "sysfs",  "cgroup",     "cgroup2",   "devtmpfs",    "devpts",
    "squashfs", "mqueue", "debugfs",    "tracefs",   "securityfs",  "pstore",
    "bpf",      "autofs", "hugetlbfs",  "fusectl",   "configfs",    "binfmt_misc",
    "efivarfs", "nsfs",   "rpc_pipefs", "selinuxfs", "fuse.portal", "fuse.gvfsd-fuse"};
const QStringList kUserMountFolders = {"/media", "/run/media", "/mnt"};
const QStringList kRemovableMountFolders = {"/media", "/run/media"};

bool IsBelowOrAt(const QString& path, const QString& folder)
{
    if (folder == u"/")
        return path.startsWith(u'/');
    return path == folder || (path.startsWith(folder) && path.at(folder.size()) == u'/');
}

bool IsBelowAny(const QString& path, const QStringList& folders)
{
    return std::any_of(folders.begin(), folders.end(),
                       [&](const QString& f) { return path != f && IsBelowOrAt(path, f); });
}

bool IsRamFilesystem(const QString& fsType)
{
    return fsType == u"tmpfs" || fsType == u"ramfs";
}

// "\040" and the other three-digit octal escapes of the mount table.
QString DecodeOctalEscapes(const QString& field)
{
    if (!field.contains(u'\\'))
        return field;
    QByteArray out;
    const QByteArray in = field.toUtf8();
    for (qsizetype i = 0; i < in.size(); ++i) {
        const bool escape = in[i] == '\\' && i + 3 < in.size();
        if (escape && std::all_of(in.begin() + i + 1, in.begin() + i + 4,
                                  [](char c) { return c >= '0' && c <= '7'; })) {
            out.append(
                char(((in[i + 1] - '0') << 6) | ((in[i + 2] - '0') << 3) | (in[i + 3] - '0')));
            i += 3;
        } else {
            out.append(in[i]);
        }
    }
    return QString::fromUtf8(out);
}

bool ParseMountLine(const QString& line, TMountEntry& entry)
{
    const QStringList fields = line.split(u' ', Qt::SkipEmptyParts);
    const qsizetype dash = fields.indexOf(QStringLiteral("-"), 6);
    if (dash < 6 || dash + 1 >= fields.size())
        return false;
    entry.root = DecodeOctalEscapes(fields[3]);
    entry.mountPoint = DecodeOctalEscapes(fields[4]);
    entry.fsType = DecodeOctalEscapes(fields[dash + 1]);
    entry.source = dash + 2 < fields.size() ? DecodeOctalEscapes(fields[dash + 2]) : QString();
    return entry.mountPoint.startsWith(u'/') && !entry.fsType.isEmpty();
}

bool IsListed(const TMountEntry& e, const TVolumeProbe& probe)
{
    if (e.mountPoint == u"/")
        return true;
    if (kPseudoFilesystems.contains(e.fsType) || e.fsType == u"overlay")
        return false;
    if (IsRamFilesystem(e.fsType) && !IsBelowOrAt(e.mountPoint, QStringLiteral("/tmp")))
        return false;
    if (probe.isFolder && !probe.isFolder(e.mountPoint))
        return false;
    return kBlockFilesystems.contains(e.fsType) || kNetworkFilesystems.contains(e.fsType) ||
           IsRamFilesystem(e.fsType) || IsBelowAny(e.mountPoint, kUserMountFolders);
}

TDriveType DriveTypeOf(const TMountEntry& e, const TVolumeProbe& probe)
{
    if (e.fsType == u"iso9660" || e.fsType == u"udf")
        return dtCDROM;
    if (kNetworkFilesystems.contains(e.fsType))
        return dtRemote;
    if (IsRamFilesystem(e.fsType))
        return dtRAMDisk;
    if ((probe.isRemovable && probe.isRemovable(e.source)) ||
        IsBelowAny(e.mountPoint, kRemovableMountFolders))
        return dtRemovable;
    return dtFixed;
}

QString ReadSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// Reads a file of the kernel whose size is unknown until it is read.
QString ReadProcFile(int fd)
{
    QByteArray text;
    char buffer[16384];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0)
            text.append(buffer, n);
    }
    return QString::fromUtf8(text);
}

QString ReadMountInfoText()
{
    const int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const QString text = ReadProcFile(fd);
    ::close(fd);
    return text;
}

// "\x20" escapes of the names udev gives the label links.
QString DecodeHexEscapes(const QString& name)
{
    QByteArray out;
    const QByteArray in = QFile::encodeName(name);
    for (qsizetype i = 0; i < in.size(); ++i) {
        bool ok = false;
        const int value = in.mid(i + 2, 2).toInt(&ok, 16);
        if (in[i] == '\\' && i + 3 < in.size() && in[i + 1] == 'x' && ok) {
            out.append(char(value));
            i += 3;
        } else {
            out.append(in[i]);
        }
    }
    return QString::fromUtf8(out);
}

std::map<QString, QString> ReadLabelLinks()
{
    std::map<QString, QString> labels;
    const QDir dir(QStringLiteral("/dev/disk/by-label"));
    for (const QFileInfo& link :
         dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        labels[link.canonicalFilePath()] = DecodeHexEscapes(link.fileName());
    return labels;
}

bool DeviceIsRemovable(const QString& device)
{
    const QString real = QFileInfo(device).canonicalFilePath();
    if (!real.startsWith(u"/dev/"))
        return false;
    QString sys = QFileInfo(QStringLiteral("/sys/class/block/") + QFileInfo(real).fileName())
                      .canonicalFilePath();
    if (sys.isEmpty())
        return false;
    if (QFileInfo::exists(sys + QStringLiteral("/partition")))
        sys = QFileInfo(sys).path();
    return ReadSmallFile(sys + QStringLiteral("/removable")).trimmed() == u"1";
}

}  // namespace

std::vector<TMountEntry> ParseMountInfo(const QString& text)
{
    std::vector<TMountEntry> entries;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        TMountEntry entry;
        if (ParseMountLine(line, entry))
            entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<TVolume> SelectVolumes(const std::vector<TMountEntry>& entries,
                                   const TVolumeProbe& probe)
{
    // A later mount on the same point hides the earlier one.
    std::map<QString, const TMountEntry*> byPoint;
    for (const TMountEntry& e : entries)
        byPoint[e.mountPoint] = &e;
    std::vector<TVolume> volumes;
    for (const auto& [point, e] : byPoint) {
        if (!IsListed(*e, probe))
            continue;
        TVolume v;
        v.mountPath = point;
        v.fsType = e->fsType;
        v.device = e->source;
        v.driveType = DriveTypeOf(*e, probe);
        v.label = probe.label ? probe.label(e->source) : QString();
        volumes.push_back(std::move(v));
    }
    // std::map already orders by path, and "/" sorts before every other absolute path.
    if (volumes.empty() || volumes.front().mountPath != u"/")
        volumes.insert(volumes.begin(), TVolume{QStringLiteral("/"), {}, {}, dtFixed, {}});
    return volumes;
}

QString FormatLabel(const QString& label)
{
    const bool hasSmallLetter =
        std::any_of(label.begin(), label.end(), [](QChar c) { return c >= u'a' && c <= u'z'; });
    if (label.isEmpty() || hasSmallLetter)
        return label;
    return label.left(1) + label.mid(1).toLower();
}

QString VolumeDisplayName(const TVolume& volume)
{
    if (volume.label.isEmpty() && volume.mountPath == u"/")
        return QStringLiteral("File System (/)");
    return FormatLabel(volume.label) + QStringLiteral(" (") + volume.mountPath + u')';
}

int ContainingVolume(const std::vector<TVolume>& volumes, const QString& path)
{
    int best = -1;
    for (int i = 0; i < int(volumes.size()); ++i) {
        const QString& mp = volumes[size_t(i)].mountPath;
        if (IsBelowOrAt(path, mp) &&
            (best < 0 || mp.size() > volumes[size_t(best)].mountPath.size()))
            best = i;
    }
    return best;
}

bool IsVolumeRoot(const std::vector<TVolume>& volumes, const QString& path)
{
    return path == u"/" || std::any_of(volumes.begin(), volumes.end(),
                                       [&](const TVolume& v) { return v.mountPath == path; });
}

std::vector<TVolume> ReadVolumes()
{
    const std::map<QString, QString> labels = ReadLabelLinks();
    TVolumeProbe probe;
    // From what the kernel has cached: a full stat of a dead network or FUSE mount point blocks
    // for as long as it stays dead.
    probe.isFolder = [](const QString& p) {
        struct statx sx {};
        return statx(AT_FDCWD, QFile::encodeName(p).constData(),
                     AT_STATX_DONT_SYNC | AT_NO_AUTOMOUNT, STATX_TYPE, &sx) == 0 &&
               S_ISDIR(sx.stx_mode);
    };
    probe.isRemovable = DeviceIsRemovable;
    probe.label = [&labels](const QString& device) {
        const auto it = labels.find(QFileInfo(device).canonicalFilePath());
        return it != labels.end() && !device.isEmpty() ? it->second : QString();
    };
    return SelectVolumes(ParseMountInfo(ReadMountInfoText()), probe);
}

bool VolumeReady(const QString& mountPath)
{
    struct stat st {};
    if (::stat(QFile::encodeName(mountPath).constData(), &st) == 0)
        return true;
    return errno != EIO && errno != ENOMEDIUM && errno != ENOTCONN && errno != EHOSTDOWN;
}

bool WriteVolumeLabel(const QString&, const QString&)
{
    return false;
}

TMountChanges::TMountChanges() : fd_(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC))
{}

TMountChanges::~TMountChanges()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool TMountChanges::Changed()
{
    if (first_) {
        first_ = false;
        return true;
    }
    if (fd_ < 0)
        return false;
    // The kernel flags a change once to each poll of the open table.
    pollfd entry{fd_, POLLPRI, 0};
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLPRI | POLLERR)) != 0;
}

TMountWatch::TMountWatch(std::function<void()> onChange) : onChange_(std::move(onChange))
{
    fd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    ReadProcFile(fd_);  // a first full read arms the change signal
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Exception);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        // Reading the table again clears the signal until the next change.
        ::lseek(fd_, 0, SEEK_SET);
        ReadProcFile(fd_);
        if (onChange_)
            onChange_();
    });
}

TMountWatch::~TMountWatch()
{
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace pixmarl
