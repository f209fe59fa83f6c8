#include <gtest/gtest.h>

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

// Read-only follows the owner's write permission; a leading dot hides whatever is written.
TEST(FileAttributes, PermissionAndNameBitsOfPlainFiles)
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

    const QString dotted = test::WriteFile(dir.path(), ".secret.jpg");
    WriteFileAttributes(dotted, 0);
    EXPECT_EQ(ReadFileAttributes(dotted) & faHidden, faHidden);

    EXPECT_EQ(ReadFileAttributes(dir.filePath("none")), -1);
    EXPECT_FALSE(WriteFileAttributes(dir.filePath("none"), faArchive));
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
    const std::map<QString, int> bits{{"plain.jpg", 0},
                                      {"hidden.jpg", faHidden},
                                      {"sys.jpg", faSysFile | faArchive},
                                      {"locked.jpg", faReadOnly | faArchive}};
    const TFatProbe real = FatProbe();
    for (const bool vfat : {false, true}) {
        QTemporaryDir dir;
        const QString folder = test::MakeFolder(dir.path(), "fat");
        std::optional<test::TMount> mount;
        const QString image = dir.filePath("fat.img");
        if (vfat && (QProcess::execute("mkfs.vfat", {"-C", image, "1024"}) != 0 ||
                     test::SkippedRow(mount.emplace(QStringList{"-o", "loop", image}, folder))))
            continue;
        FatProbe().isFat = [&](const char* path) { return vfat ? real.isFat(path) : true; };
        FatProbe().readBits = [&](const char* path) {
            return vfat ? real.readBits(path) : bits.at(ExtractFileName(QFile::decodeName(path)));
        };
        for (const auto& [name, b] : bits) {
            const QString path = test::WriteFile(folder, name, "x");
            EXPECT_TRUE(!vfat || WriteFileAttributes(path, b));
        }
        ForEachDirEntry(folder, {}, [&](TDirEntry&& e) {
            EXPECT_EQ(e.attributes & ~faDirectory, bits.at(e.name)) << vfat;
            EXPECT_EQ(ReadFileAttributes(JoinPath(folder, e.name)), bits.at(e.name)) << vfat;
        });
        FatProbe() = real;
    }
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
