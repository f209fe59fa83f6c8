#include <gtest/gtest.h>

#include <map>
#include <string>

#include <QFile>
#include <QTemporaryDir>

#include "platform/DirEntries.h"
#include "platform/FileAttributes.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

std::map<QString, TDirEntry> ReadAll(const QString& folder, bool* ok = nullptr)
{
    std::map<QString, TDirEntry> entries;
    const bool result =
        ForEachDirEntry(folder, {}, [&](TDirEntry&& e) { entries.emplace(e.name, std::move(e)); });
    if (ok)
        *ok = result;
    return entries;
}

TEST(DirEntries, ReportsSizeTimeAndFolderFlagOfEachEntry)
{
    QTemporaryDir dir;
    const qint64 big = 5'000'000'000LL;  // beyond 32 bits: a sparse file
    const QString bigPath = test::WriteFile(dir.path(), "big.jpg");
    ASSERT_TRUE(QFile::resize(bigPath, big));
    test::SetFileTime(bigPath, 1'600'000'000);
    test::WriteFileOfSize(dir.path(), "small.gif", 1234);
    test::MakeFolder(dir.path(), "sub.jpg");

    const auto entries = ReadAll(dir.path());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries.at("big.jpg").size, big);
    EXPECT_EQ(entries.at("big.jpg").time, 1'600'000'000);
    EXPECT_FALSE(entries.at("big.jpg").isDir);
    EXPECT_EQ(entries.at("small.gif").size, 1234);
    EXPECT_TRUE(entries.at("sub.jpg").isDir);
    EXPECT_TRUE(entries.at("sub.jpg").attributes & faDirectory);
}

TEST(DirEntries, NameFilterDecidesBeforeTheEntryIsRead)
{
    QTemporaryDir dir;
    test::WriteFile(dir.path(), "a.jpg");
    test::WriteFile(dir.path(), "b.txt");
    QStringList seen;
    ForEachDirEntry(
        dir.path(), [](std::string_view name) { return name.ends_with(".jpg"); },
        [&](TDirEntry&& e) { seen << e.name; });
    EXPECT_EQ(seen, QStringList{"a.jpg"});
}

// Only regular files and folders are listed, also behind links, by both enumerations: a FIFO
// would block whoever opens it, a device would never end.
TEST(DirEntries, OnlyFilesAndFoldersAreListed)
{
    QTemporaryDir dir;
    test::WriteFile(dir.path(), "real.jpg");
    test::MakeFolder(dir.path(), "sub");
    test::MakeFifo(dir.path(), "p.jpg");
    ASSERT_TRUE(QFile::link(dir.filePath("missing.jpg"), dir.filePath("dangling.jpg")));
    ASSERT_TRUE(QFile::link(dir.filePath("real.jpg"), dir.filePath("link.jpg")));
    ASSERT_TRUE(QFile::link(dir.filePath("sub"), dir.filePath("linked-sub")));
    ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("z.gif")));
    const std::map<QString, bool> listed = {
        {"real.jpg", false}, {"sub", true}, {"link.jpg", false}, {"linked-sub", true}};
    std::map<QString, bool> entries, names;
    for (auto& [name, entry] : ReadAll(dir.path()))
        entries[name] = entry.isDir;
    ASSERT_TRUE(ForEachDirName(dir.path(), {}, [&](const TDirName& name) {
        const QString decoded = QString::fromStdString(std::string(name.nativeName));
        EXPECT_EQ(name.hash, NameHash(decoded));
        names[decoded] = name.isDir;
    }));
    EXPECT_EQ(entries, listed);
    EXPECT_EQ(names, listed);
    TDirEntry entry;
    EXPECT_FALSE(ReadDirEntry(dir.path(), "p.jpg", entry));
}

TEST(DirEntries, FolderThatCannotBeOpenedGivesNothing)
{
    QTemporaryDir dir;
    const QString file = test::WriteFile(dir.path(), "file.jpg");
    for (const QString& folder : {dir.filePath("missing"), file}) {
        bool ok = true;
        EXPECT_TRUE(ReadAll(folder, &ok).empty());
        EXPECT_FALSE(ok) << folder.toStdString();
    }
}

TEST(DirEntries, ReadDirEntryLooksUpOneExactName)
{
    QTemporaryDir dir;
    test::WriteFileOfSize(dir.path(), "a.jpg", 10);
    test::WriteFileOfSize(dir.path(), "A.JPG", 20);
    TDirEntry entry;
    ASSERT_TRUE(ReadDirEntry(dir.path(), "A.JPG", entry));
    EXPECT_EQ(entry.name, "A.JPG");
    EXPECT_EQ(entry.size, 20);
    EXPECT_FALSE(ReadDirEntry(dir.path(), "b.jpg", entry));
}

}  // namespace
}  // namespace pixmarl
