#include "QtPrinting.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "platform/Volumes.h"

namespace pixmarl {
namespace {

// A desktop with a USB stick, a CD, an NFS share and an sshfs mount, a bind-mounted file, a snap
// and the usual pseudo filesystems.
const char kDesktop[] =
    "22 28 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw\n"
    "23 28 0:22 / /sys rw,nosuid,nodev,noexec,relatime shared:2 - sysfs sysfs rw\n"
    "25 28 0:5 / /dev rw,nosuid,relatime shared:8 - devtmpfs udev rw,size=8000000k\n"
    "27 28 0:25 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs rw,size=1600000k\n"
    "28 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw,errors=remount-ro\n"
    "30 28 259:1 / /boot/efi rw,relatime shared:30 - vfat /dev/nvme0n1p1 rw,fmask=0077\n"
    "31 28 0:27 / /tmp rw,nosuid,nodev shared:20 - tmpfs tmpfs rw\n"
    "32 23 0:28 / /sys/fs/cgroup rw,nosuid shared:9 - cgroup2 cgroup2 rw\n"
    "40 28 7:1 / /snap/core/123 ro,nodev,relatime shared:33 - squashfs /dev/loop1 ro\n"
    "41 28 259:3 / /home rw,relatime shared:31 - btrfs /dev/nvme0n1p3 rw,subvol=/@home\n"
    "50 27 8:17 / /media/ann/BACKUP\\04001 rw,nosuid,nodev,relatime shared:40 - exfat "
    "/dev/sdb1 rw,uid=1000\n"
    "51 27 11:0 / /media/ann/Holiday\\040CD ro,nosuid,nodev,relatime shared:41 - iso9660 "
    "/dev/sr0 ro\n"
    "52 28 0:50 / /mnt/photos rw,relatime shared:42 - nfs4 nas:/photos rw,vers=4.2\n"
    "53 41 0:51 / /home/ann/remote rw,nosuid,nodev,relatime shared:43 - fuse.sshfs "
    "ann@host:/srv rw,user_id=1000\n"
    "54 28 259:2 /etc/hostname /etc/hostname rw,relatime - ext4 /dev/nvme0n1p2 rw\n"
    "55 27 0:60 / /run/user/1000/gvfs rw,nosuid,nodev,relatime shared:50 - fuse.gvfsd-fuse "
    "gvfsd-fuse rw\n"
    "56 28 0:61 / /var/lib/docker/overlay2/x/merged rw,relatime - overlay overlay rw\n";

// A container that has nothing but its root.
const char kContainer[] =
    "600 500 0:90 / / rw,relatime master:300 - overlay overlay rw,lowerdir=/l,upperdir=/u\n"
    "601 600 0:93 / /proc rw,nosuid,nodev,noexec,relatime - proc proc rw\n"
    "602 600 0:94 / /dev rw,nosuid - tmpfs tmpfs rw,size=65536k,mode=755\n"
    "603 600 254:1 /docker/containers/abc/hosts /etc/hosts rw,relatime - ext4 /dev/vda1 rw\n";

TVolumeProbe DesktopProbe()
{
    TVolumeProbe probe;
    probe.isFolder = [](const QString& p) { return p != u"/etc/hostname" && p != u"/etc/hosts"; };
    probe.isRemovable = [](const QString& device) { return device == u"/dev/sdb1"; };
    probe.label = [](const QString& device) {
        return device == u"/dev/sdb1"  ? QStringLiteral("BACKUP 01")
               : device == u"/dev/sr0" ? QStringLiteral("Holiday CD")
                                       : QString();
    };
    return probe;
}

QStringList MountPaths(const std::vector<TVolume>& volumes)
{
    QStringList paths;
    for (const TVolume& v : volumes)
        paths << v.mountPath;
    return paths;
}

// What a user browses, in volume order, with drive types following filesystem, device and place.
TEST(Volumes, DesktopListsWhatAUserBrowsesWithItsDriveType)
{
    const auto volumes = SelectVolumes(ParseMountInfo(QString::fromUtf8(kDesktop)), DesktopProbe());
    const std::pair<QString, TDriveType> expected[] = {
        {"/", dtFixed},
        {"/boot/efi", dtFixed},
        {"/home", dtFixed},
        {"/home/ann/remote", dtRemote},
        {"/media/ann/BACKUP 01", dtRemovable},
        {"/media/ann/Holiday CD", dtCDROM},
        {"/mnt/photos", dtRemote},
        {"/tmp", dtRAMDisk},
    };
    ASSERT_EQ(volumes.size(), std::size(expected));
    for (size_t i = 0; i < volumes.size(); ++i) {
        EXPECT_EQ(volumes[i].mountPath, expected[i].first);
        EXPECT_EQ(volumes[i].driveType, expected[i].second) << expected[i].first.toStdString();
    }
}

// A container with nothing but its root, and an empty or broken table, still list the root.
TEST(Volumes, ContainerOrBrokenTableListsOnlyTheRoot)
{
    for (const char* text : {kContainer, "", "garbage\n", "1 2 3\n", "36 35 98:0 / /x rw - \n"}) {
        const auto probe = text == kContainer ? DesktopProbe() : TVolumeProbe{};
        const auto volumes = SelectVolumes(ParseMountInfo(QString::fromUtf8(text)), probe);
        EXPECT_EQ(MountPaths(volumes), QStringList{"/"}) << text;
    }
}

TEST(Volumes, MountInfoFieldsAreDecoded)
{
    const auto entries = ParseMountInfo(QString::fromUtf8(
        "50 27 8:17 /sub\\134dir /media/a\\011b\\012c rw shared:1 master:2 - vfat /dev/sdc1 rw\n"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].root, "/sub\\dir");
    EXPECT_EQ(entries[0].mountPoint, "/media/a\tb\nc");
    EXPECT_EQ(entries[0].fsType, "vfat");
    EXPECT_EQ(entries[0].source, "/dev/sdc1");
}

TEST(Volumes, DisplayNameFormatsTheLabel)
{
    const struct {
        const char* label;
        const char* mountPath;
        const char* name;
    } cases[] = {
        {"BACKUP 01", "/media/ann/D", "Backup 01 (/media/ann/D)"},
        {"MyDisk", "/media/ann/D", "MyDisk (/media/ann/D)"},
        {"data", "/mnt/d", "data (/mnt/d)"},
        {"DATA", "/mnt/d", "Data (/mnt/d)"},
        {"ÄRGER", "/mnt/d", "Ärger (/mnt/d)"},
        {"", "/media/ann/D", " (/media/ann/D)"},
        {"", "/", "File System (/)"},
        {"ROOT", "/", "Root (/)"},
    };
    for (const auto& c : cases) {
        TVolume v;
        v.label = QString::fromUtf8(c.label);
        v.mountPath = QString::fromUtf8(c.mountPath);
        EXPECT_EQ(VolumeDisplayName(v), QString::fromUtf8(c.name)) << c.label;
    }
}

TEST(Volumes, ContainingVolumeIsTheLongestPrefixAtAFolderBoundary)
{
    std::vector<TVolume> volumes(4);
    volumes[0].mountPath = "/";
    volumes[1].mountPath = "/home";
    volumes[2].mountPath = "/home/ann/remote";
    volumes[3].mountPath = "/media/usb";
    const struct {
        const char* path;
        int volume;
    } cases[] = {
        {"/", 0},
        {"/home", 1},
        {"/homes/x", 0},
        {"/home/ann/remote", 2},
        {"/home/ann/remote/a/b", 2},
        {"/home/ann/remotex", 1},
        {"/media/usb2", 0},
        {"relative/path", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ContainingVolume(volumes, QString::fromUtf8(c.path)), c.volume) << c.path;
    EXPECT_TRUE(IsVolumeRoot(volumes, "/home/ann/remote"));
    EXPECT_FALSE(IsVolumeRoot(volumes, "/home/ann"));
}

TEST(Volumes, LaterMountOnTheSamePointWins)
{
    const auto volumes = SelectVolumes(
        ParseMountInfo(QString::fromUtf8("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                         "2 1 8:2 / /mnt/x rw - ext4 /dev/sda2 rw\n"
                                         "3 2 8:3 / /mnt/x rw - vfat /dev/sdb1 rw\n")),
        {});
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[1].fsType, "vfat");
}

TEST(Volumes, ThisSystemHasARootThatIsReady)
{
    const auto volumes = ReadVolumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes[0].mountPath, "/");
    EXPECT_TRUE(VolumeReady("/"));
    EXPECT_TRUE(VolumeReady("/no/such/folder"));  // missing is not "not ready"
    EXPECT_FALSE(WriteVolumeLabel("/", "X"));
}

}  // namespace
}  // namespace pixmarl
