#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/FileAttributes.h"
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
