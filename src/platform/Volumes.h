#pragma once

// The volumes a user browses, in place of drive letters: "/" and the mounted filesystems a person
// would open (block devices, network shares, mounts below /media, /run/media and /mnt), read from
// the kernel's mount table. Parsing and choosing are plain functions over text and injected probes,
// so recorded mount tables can be tested; TMountWatch tells when the table changes.
// The functions may be called from any thread; TMountWatch lives on the GUI thread.

#include <functional>
#include <memory>
#include <vector>

#include <QString>

class QSocketNotifier;

namespace pixmarl {

// The platform's drive type codes.
enum TDriveType : int {
    dtUnknown = 0,
    dtNoRoot = 1,
    dtRemovable = 2,
    dtFixed = 3,
    dtRemote = 4,
    dtCDROM = 5,
    dtRAMDisk = 6,
};

// One line of /proc/self/mountinfo (escapes such as "\040" decoded).
struct TMountEntry {
    QString root;        // the folder of the filesystem that is mounted (not "/" for bind mounts)
    QString mountPoint;  // where it is mounted
    QString fsType;
    QString source;  // the device or share
};

// The lines of a mountinfo text in their order; malformed lines are skipped.
std::vector<TMountEntry> ParseMountInfo(const QString& text);

// What choosing volumes needs to know beyond the mount table. Each member may be empty: an empty
// isFolder accepts every mount point, an empty isRemovable and label answer false and "".
struct TVolumeProbe {
    std::function<bool(const QString& mountPoint)> isFolder;
    std::function<bool(const QString& device)> isRemovable;
    std::function<QString(const QString& device)> label;
};

struct TVolume {
    QString mountPath;
    QString fsType;
    QString device;
    TDriveType driveType = dtUnknown;
    QString label;  // the volume label, empty when it has none
};

// The listed volumes: "/" first, then by mount path; of several mounts on one point the last one
// counts. Pseudo filesystems and bind mounts of files are left out.
std::vector<TVolume> SelectVolumes(const std::vector<TMountEntry>& entries,
                                   const TVolumeProbe& probe);

// The label as shown: an all-capital label ("BACKUP 01") gets its first letter capital and the rest
// small; a label with any small letter a..z stays as it is.
QString FormatLabel(const QString& label);

// The shown name of a volume: the formatted label, " (", the mount path and ")"; "/" without a
// label is "File System (/)"; any other volume without a label starts with the blank.
QString VolumeDisplayName(const TVolume& volume);

// The index of the listed volume whose mount path is the longest prefix of path at a folder
// boundary; -1 when none is (path not absolute).
int ContainingVolume(const std::vector<TVolume>& volumes, const QString& path);

// True when path is "/" or the mount path of a listed volume.
bool IsVolumeRoot(const std::vector<TVolume>& volumes, const QString& path);

// The volumes of this system now: the mount table read and chosen with the real probes
// (folder check from the kernel's cache, /sys/block removable flag, /dev/disk/by-label). It never
// waits for a mounted filesystem to answer; still, call it on a worker (MyComputer does).
std::vector<TVolume> ReadVolumes();

// False when the folder of a volume cannot be reached because its medium is missing or its
// device or server is gone (EIO, ENOMEDIUM, ENOTCONN, EHOSTDOWN); any other outcome is ready.
bool VolumeReady(const QString& mountPath);

// Writing a volume label is not possible here: always false.
bool WriteVolumeLabel(const QString& mountPath, const QString& label);

// Tells a worker that keeps its own copy of the volumes when to read them again: Changed() is true
// once after each change of the mount table (and on the first call). It never waits. One thread
// at a time.
class TMountChanges {
public:
    TMountChanges();
    ~TMountChanges();
    TMountChanges(const TMountChanges&) = delete;
    TMountChanges& operator=(const TMountChanges&) = delete;

    bool Changed();

private:
    int fd_ = -1;
    bool first_ = true;
};

// Watches the mount table: onChange runs on the GUI thread after every change of it.
class TMountWatch {
public:
    explicit TMountWatch(std::function<void()> onChange);
    ~TMountWatch();
    TMountWatch(const TMountWatch&) = delete;
    TMountWatch& operator=(const TMountWatch&) = delete;

    bool IsWatching() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onChange_;
};

}  // namespace pixmarl
