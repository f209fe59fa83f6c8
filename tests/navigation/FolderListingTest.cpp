#include "QtPrinting.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "navigation/DirImages.h"
#include "navigation/FolderListing.h"
#include "platform/FileAttributes.h"
#include "platform/SubFolders.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

TEST(FolderListing, NewFolderNameSkipsOnlyExistingFolders)
{
    const struct {
        QStringList folders;
        const char* name;
    } cases[] = {
        {{}, "Neuer Ordner"},
        {{"Neuer Ordner"}, "Neuer Ordner (1)"},
        {{"Neuer Ordner", "Neuer Ordner (1)"}, "Neuer Ordner (2)"},
        {{"Neuer Ordner", "Neuer Ordner (2)"}, "Neuer Ordner (1)"},
        {{"Neuer Ordner (1)"}, "Neuer Ordner"},
    };
    for (const auto& c : cases) {
        const auto exists = [&](const QString& path) {
            return path.startsWith("/p/") && c.folders.contains(path.mid(3));
        };
        EXPECT_EQ(NewFolderName("/p", exists), QString::fromUtf8(c.name));
    }
}

// Dot folders, and where extended attributes work, folders marked hidden or system, are not shown.
TEST(FolderListing, ShowsSortedVisibleFoldersOnly)
{
    QTemporaryDir dir;
    for (const char* name : {"beta", "Alpha", "alpha", ".git", "Zulu", "ärger"})
        test::MakeFolder(dir.path(), name);
    const QString hidden = test::MakeFolder(dir.path(), "hidden");
    const QString system = test::MakeFolder(dir.path(), "system");
    test::WriteFile(dir.path(), "afile.jpg");
    QFile::link(dir.path() + "/beta", dir.path() + "/link to beta");
    QFile::link(dir.path() + "/gone", dir.path() + "/dangling");
    QStringList expected{"Alpha", "alpha", "ärger", "beta", "link to beta", "Zulu"};
    if (!WriteFileAttributes(hidden, faHidden) || !WriteFileAttributes(system, faSysFile) ||
        (ReadFileAttributes(system) & faSysFile) == 0)
        expected = QStringList{"Alpha", "alpha", "ärger", "beta", "hidden", "link to beta",
                               "system", "Zulu"};
    EXPECT_EQ(ListSubFolders(dir.path()), expected);
    EXPECT_EQ(ListSubFolders(dir.path() + "/missing"), QStringList{});
}

TEST(FolderListing, ReadAheadListsEachChildExceptSkippedOnes)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/a/a1/deep");
    QDir().mkpath(dir.path() + "/a/a2");
    QDir().mkpath(dir.path() + "/b");
    QDir().mkpath(dir.path() + "/media/x");
    const auto listings = ListFolders({
        TListRequest{dir.path(), true, {dir.path() + "/media"}},
        TListRequest{dir.path() + "/a", false, {}},
    });
    ASSERT_EQ(listings.size(), 2u);
    EXPECT_TRUE(listings[0].readAhead);
    EXPECT_EQ(listings[0].names, (QStringList{"a", "b", "media"}));
    EXPECT_EQ(listings[0].lookAhead.at("a"), (QStringList{"a1", "a2"}));
    EXPECT_EQ(listings[0].lookAhead.at("b"), QStringList{});
    EXPECT_FALSE(listings[0].lookAhead.contains("media"));
    EXPECT_FALSE(listings[1].readAhead);
    EXPECT_EQ(listings[1].names, (QStringList{"a1", "a2"}));
    EXPECT_TRUE(listings[1].lookAhead.empty());
}

TEST(FolderListing, LeafProofNeverHidesAFolderThatHasSubFolders)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/full/sub");
    QDir().mkpath(dir.path() + "/onlyhidden/.h");
    QDir().mkpath(dir.path() + "/empty");
    test::WriteFile(dir.path() + "/files", "x.jpg");
    const struct {
        const char* name;
        bool mayBeLeaf;
    } cases[] = {{"full", false}, {"onlyhidden", false}, {"empty", true}, {"files", true}};
    std::map<QString, bool> leaves;
    ForEachSubFolder(dir.path(), [&](TSubFolder&& s) { leaves[s.name] = s.leaf; });
    for (const auto& c : cases) {
        const QString path = dir.path() + "/" + c.name;
        if (!c.mayBeLeaf) {
            EXPECT_FALSE(leaves.at(c.name)) << c.name;
        }
        EXPECT_EQ(IsLeafFolder(path), leaves.at(c.name)) << c.name;
    }
}

TEST(DirImages, EveryIndexHasAnIcon)
{
    for (int i = -1; i < 12; ++i)
        EXPECT_FALSE(DirImage(i).pixmap(16).isNull()) << i;
}

}  // namespace
}  // namespace pixmarl
