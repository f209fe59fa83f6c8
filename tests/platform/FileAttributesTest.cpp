#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <optional>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/DirEntries.h"
#include "platform/FileAttributes.h"
#include "platform/FileAttributesLinux.h"
#include "platform/Paths.h"
#include "support/ScratchMounts.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

TEST(FileAttributes, ReadOnlyFollowsTheOwnersWritePermission)
{
    QTemporaryDir dir;
    const QString path = test::WriteFile(dir.path(), "a.jpg");
    EXPECT_EQ(ReadFileAttributes(path) & faReadOnly, 0);

    ASSERT_TRUE(WriteFileAttributes(path, faReadOnly));
    EXPECT_EQ(ReadFileAttributes(path) & faReadOnly, faReadOnly);
    EXPECT_FALSE(QFile::permissions(path) &
                 (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));

    ASSERT_TRUE(WriteFileAttributes(path, 0));
    EXPECT_EQ(ReadFileAttributes(path) & faReadOnly, 0);
    EXPECT_TRUE(QFile::permissions(path) & QFile::WriteOwner);
}

TEST(FileAttributes, LeadingDotHidesAndCannotBeCleared)
{
    QTemporaryDir dir;
    const QString path = test::WriteFile(dir.path(), ".secret.jpg");
    EXPECT_EQ(ReadFileAttributes(path) & faHidden, faHidden);
    WriteFileAttributes(path, 0);
    EXPECT_EQ(ReadFileAttributes(path) & faHidden, faHidden);
}

TEST(FileAttributes, StoredBitsRoundTripWhereTheFilesystemKeepsThem)
{
    QTemporaryDir dir;
    const QString path = test::WriteFile(dir.path(), "a.jpg");
    ASSERT_TRUE(WriteFileAttributes(path, faHidden | faSysFile | faArchive));
    const int attrs = ReadFileAttributes(path);
    if ((attrs & faArchive) == 0)
        GTEST_SKIP() << "the temporary folder's filesystem keeps no extended attributes";
    EXPECT_EQ(attrs & (faHidden | faSysFile | faArchive), faHidden | faSysFile | faArchive);
    ASSERT_TRUE(WriteFileAttributes(path, faArchive));
    EXPECT_EQ(ReadFileAttributes(path) & (faHidden | faSysFile | faArchive), faArchive);
}

// The folder listing and ReadFileAttributes give the same bits, on a FAT volume those of its
// entries. Without vfat in the kernel, a FAT probe of the test's own stands in for the volume.
TEST(FileAttributes, ListingAndReadingAgreeOnFat)
{
    const struct {
        const char* name;
        int bits;
    } cases[] = {
        {"plain.jpg", 0},
        {"hidden.jpg", faHidden},
        {"system.jpg", faSysFile | faArchive},
        {"locked.jpg", faReadOnly | faArchive},
    };
    constexpr int kBits = faReadOnly | faHidden | faSysFile | faArchive;
    const TFatProbe real = FatProbe();
    for (const bool vfat : {false, true}) {
        SCOPED_TRACE(vfat ? "vfat image" : "probe");
        QTemporaryDir dir;
        QString folder = dir.path();
        std::map<QByteArray, int> stored;
        std::optional<test::TMount> mount;
        if (vfat) {
            const QString image = dir.filePath("fat.img");
            folder = test::MakeFolder(dir.path(), "mounted");
            if (QProcess::execute("mkfs.vfat", {"-C", image, "1024"}) == 0)
                mount.emplace(QStringList{"-o", "loop", image}, folder);
            if (!mount || !mount->Why().isEmpty()) {
                std::cout << "[  SKIPPED ] vfat row: cannot mount a vfat image here\n";
                continue;
            }
        } else {
            FatProbe().isFat = [&](const char* path) {
                return QByteArray(path).startsWith(QFile::encodeName(folder));
            };
            FatProbe().readBits = [&](const char* path) {
                const auto it = stored.find(path);
                return it == stored.end() ? -1 : it->second;
            };
        }
        for (const auto& c : cases) {
            const QString path = test::WriteFile(folder, c.name, "x");
            stored[QFile::encodeName(path)] = c.bits;
            if (vfat) {
                ASSERT_TRUE(WriteFileAttributes(path, c.bits));
            }
        }
        std::map<QString, int> listed;
        ForEachDirEntry(folder, {}, [&](TDirEntry&& e) { listed[e.name] = e.attributes; });
        for (const auto& c : cases) {
            EXPECT_EQ(listed[c.name] & kBits, c.bits) << c.name;
            EXPECT_EQ(ReadFileAttributes(JoinPath(folder, c.name)) & kBits, c.bits) << c.name;
        }
        FatProbe() = real;
    }
}

TEST(FileAttributes, MissingFileReadsAsFailure)
{
    QTemporaryDir dir;
    EXPECT_EQ(ReadFileAttributes(dir.filePath("none")), -1);
    EXPECT_FALSE(WriteFileAttributes(dir.filePath("none"), faArchive));
}

TEST(FileAttributes, DosAttribTextAsSambaAndWineWriteIt)
{
    const struct {
        QByteArray value;
        int bits;
    } cases[] = {
        {"0x20", 0x20}, {"0x27", 0x27}, {QByteArray("0x22\0\0\3\0binary", 14), 0x22},
        {"0X2", 2},     {"32", 0},      {"0x", 0},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseDosAttrib(c.value), c.bits) << c.value.toStdString();
}

}  // namespace
}  // namespace pixmarl
