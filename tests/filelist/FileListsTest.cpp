#include <gtest/gtest.h>

#include <random>

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "filelist/FileListModels.h"
#include "filelist/FileLists.h"
#include "platform/FileAttributes.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

QStringList Captions(const TJPEGFileList& list)
{
    QStringList captions;
    for (int i = 0; i < list.Count(); ++i)
        captions << list.Item(i).Caption;
    return captions;
}

struct Event {
    int index;
    bool del;
    bool operator==(const Event&) const = default;
};

class FileListTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        QObject::connect(&list_, &TJPEGFileList::OnChangeOnRefresh, [this](int index, bool del) {
            events_.push_back({index, del});
        });
    }
    QString Folder() const { return dir_.path(); }
    void Add(const QString& name, qint64 size = 0, qint64 time = 1'500'000'000)
    {
        test::SetFileTime(test::WriteFileOfSize(Folder(), name, size), time);
    }
    void Remove(const QString& name) { ASSERT_TRUE(QFile::remove(dir_.filePath(name))); }
    void Open()
    {
        list_.SetForceReread(true);
        list_.SetDirectory(Folder());
    }

    QTemporaryDir dir_;
    TJPEGFileList list_;
    std::vector<Event> events_;
};

TEST_F(FileListTest, FormatByteDecidesWhatIsListed)
{
    for (const char* name :
         {"a.jpg", "b.txt", "c.GIF", "d.dib", "e.tif", "f.ico", "g.avi", "h", "i.", "j.png"})
        Add(name);
    const struct {
        int byte;  // -1: the default formats
        QStringList expected;
    } cases[] = {
        {-1, {"a.jpg", "c.GIF", "d.dib"}},
        {2, {"a.jpg"}},
        {126, {"a.jpg", "c.GIF", "d.dib", "e.tif", "f.ico", "g.avi"}},
        {0xFF, {"a.jpg", "c.GIF", "d.dib", "e.tif", "f.ico", "g.avi"}},
        {0, {}},
    };
    for (const auto& c : cases) {
        if (c.byte >= 0)
            list_.SetImageFormats(TImageFormats::FromByte(std::uint8_t(c.byte)));
        Open();
        EXPECT_EQ(Captions(list_), c.expected) << c.byte;
    }
}

TEST_F(FileListTest, SortOrdersBreakTiesByName)
{
    Add("b.jpg", 100, 3000);
    Add("a.jpg", 100, 2000);
    Add("C.jpg", 50, 2000);
    Add("d.jpg", 10, 1000);
    Open();
    int sortChanges = 0;
    QObject::connect(&list_, &TJPEGFileList::OnSortChange, [&] { ++sortChanges; });
    EXPECT_EQ(Captions(list_), (QStringList{"a.jpg", "b.jpg", "C.jpg", "d.jpg"}));
    list_.SetSortType(stSize);
    EXPECT_EQ(Captions(list_), (QStringList{"d.jpg", "C.jpg", "a.jpg", "b.jpg"}));
    list_.SetSortType(stTime);
    EXPECT_EQ(Captions(list_), (QStringList{"d.jpg", "a.jpg", "C.jpg", "b.jpg"}));
    list_.SetSortType(stTime);
    EXPECT_EQ(sortChanges, 2);
    // A refresh keeps the order chosen: the newcomer goes after the last item.
    list_.SetSortType(stSize);
    Add("e.jpg", 200);
    Remove("d.jpg");
    list_.Refresh();
    EXPECT_EQ(Captions(list_), (QStringList{"C.jpg", "a.jpg", "b.jpg", "e.jpg"}));
    for (int i = 0; i < list_.Count(); ++i)
        EXPECT_EQ(list_.Item(i).Index, i);
}

TEST_F(FileListTest, NamesDifferingOnlyInCaseBothListedInOneOrder)
{
    Add("a.jpg", 1);
    Add("A.JPG", 2);
    Add("B.jpg", 3);
    Open();
    EXPECT_EQ(Captions(list_), (QStringList{"A.JPG", "a.jpg", "B.jpg"}));

    list_.Item(0).ImageWidth = 7;
    Add("A.jpg", 4);
    list_.Refresh();
    EXPECT_EQ(Captions(list_), (QStringList{"A.JPG", "A.jpg", "a.jpg", "B.jpg"}));
    EXPECT_EQ(events_, (std::vector<Event>{{1, false}}));
    EXPECT_EQ(list_.Item(0).ImageWidth, 7);

    events_.clear();
    Remove("a.jpg");
    list_.Refresh();
    EXPECT_EQ(Captions(list_), (QStringList{"A.JPG", "A.jpg", "B.jpg"}));
    EXPECT_EQ(events_, (std::vector<Event>{{2, true}}));
}

TEST_F(FileListTest, RefreshKeepsUnchangedItemsWithTheirThumbnails)
{
    for (const char* name : {"a.jpg", "b.jpg", "d.jpg"})
        Add(name, 10);
    Open();
    for (int i = 0; i < list_.Count(); ++i)
        list_.Item(i).SetThumbnail(QImage(96, 96, QImage::Format_RGB32), false, {800, 600},
                                   {96, 72});
    const quint64 idOfD = list_.Item(2).Id;

    Remove("b.jpg");
    Add("c.jpg", 20);
    list_.Refresh();
    EXPECT_EQ(Captions(list_), (QStringList{"a.jpg", "c.jpg", "d.jpg"}));
    // The walk meets b (gone) before c (new): b is deleted at 1, then c inserted at 1.
    EXPECT_EQ(events_, (std::vector<Event>{{1, true}, {1, false}}));
    EXPECT_TRUE(list_.Item(0).Thumbnail);
    EXPECT_EQ(list_.Item(0).Thumbnail->size(), QSize(96, 72));
    EXPECT_FALSE(list_.Item(1).Thumbnail);
    EXPECT_EQ(list_.Item(1).Size, 20);
    EXPECT_EQ(list_.Item(2).Id, idOfD);
    EXPECT_EQ(list_.FindItem(idOfD), &list_.Item(2));
}

// What a view's model follows: each change of the items between a begin and an end of its kind,
// a merge's insertions and deletions inside, the list complete at the end.
TEST_F(FileListTest, ChangesAreBracketedByTheirKind)
{
    QStringList log;
    const auto note = [&](const QString& what) { log << what; };
    QObject::connect(&list_, &TJPEGFileList::OnBeginUpdate,
                     [&](TListUpdate kind) { note(QStringLiteral("begin%1").arg(kind)); });
    QObject::connect(&list_, &TJPEGFileList::OnEndUpdate, [&](TListUpdate kind) {
        note(QStringLiteral("end%1:%2").arg(kind).arg(list_.Count()));
    });
    QObject::connect(&list_, &TJPEGFileList::OnSortChange, [&] { note("sorted"); });
    Add("a.jpg", 2);
    Open();
    Add("c.jpg");
    list_.Refresh();
    list_.SetSortType(stSize);
    Remove("a.jpg");
    Remove("c.jpg");
    list_.Refresh();  // an emptied folder: deleted silently, all at once
    Add("d.jpg");
    list_.Refresh();  // an empty list reads the folder anew
    EXPECT_EQ(log, (QStringList{"begin0", "end0:1", "begin1", "end1:2", "begin2", "end2:2",
                                "sorted", "begin0", "end0:0", "begin0", "end0:1"}));
    EXPECT_EQ(events_, (std::vector<Event>{{-1, false}}));
}

// The merge done naively on sorted name lists, as the reference for the events.
std::vector<Event> ReferenceMerge(QStringList items, QStringList names, const TNameOrder& order)
{
    const auto less = [&](const QString& a, const QString& b) { return order.Compare(a, b) < 0; };
    std::sort(items.begin(), items.end(), less);
    std::sort(names.begin(), names.end(), less);
    std::vector<Event> events;
    if (names.isEmpty())
        return events;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < items.size() && j < names.size()) {
        const int c = order.Compare(items[i], names[j]);
        if (c == 0) {
            ++i;
            ++j;
        } else if (c > 0) {
            items.insert(i, names[j]);
            events.push_back({int(i), false});
            ++i;
            ++j;
        } else {
            items.removeAt(i);
            events.push_back({int(i), true});
        }
    }
    if (j < names.size()) {
        for (; j < names.size(); ++j)
            events.push_back({-1, false});
    } else {
        for (qsizetype k = items.size() - 1; k >= i; --k)
            events.push_back({int(k), true});
    }
    return events;
}

TEST_F(FileListTest, RefreshEventsMatchTheNameOrderedWalk)
{
    std::mt19937 random(42);
    const QStringList pool = {"a.jpg", "A.jpg", "b.jpg",   "B.JPG",  "c.gif", "Ä.jpg",  "ä.bmp",
                              "d.jpg", "e.jpg", "f10.jpg", "f9.jpg", "g.jpg", "_x.jpg", "z.jpg"};
    TNameOrder order;
    for (int round = 0; round < 40; ++round) {
        QTemporaryDir dir;
        QStringList before;
        QStringList after;
        for (const QString& name : pool) {
            if (random() % 2)
                before << name;
            if (random() % 2)
                after << name;
        }
        if (before.isEmpty())
            continue;
        for (const QString& name : before)
            test::WriteFile(dir.path(), name);
        TJPEGFileList list;
        std::vector<Event> events;
        QObject::connect(&list, &TJPEGFileList::OnChangeOnRefresh, [&](int index, bool del) {
            events.push_back({index, del});
        });
        list.SetSortType(round % 3 == 0 ? stSize : stName);
        list.SetDirectory(dir.path());
        // A model over the list, its notifications checked, with a persistent index per row.
        TFileListTableModel model(list);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        std::vector<std::pair<QPersistentModelIndex, QString>> rows;
        for (int i = 0; i < list.Count(); ++i)
            rows.emplace_back(model.index(i, 0), list.Item(i).Caption);
        for (const QString& name : before)
            if (!after.contains(name))
                QFile::remove(dir.filePath(name));
        for (const QString& name : after)
            test::WriteFile(dir.path(), name);
        list.Refresh();
        for (const auto& [index, caption] : rows) {
            EXPECT_EQ(index.isValid(), after.contains(caption)) << caption.toStdString();
            if (index.isValid()) {
                EXPECT_EQ(list.Item(index.row()).Caption, caption);
            }
        }

        QStringList expected = after;
        std::sort(expected.begin(), expected.end(),
                  [&](const QString& a, const QString& b) { return order.Compare(a, b) < 0; });
        EXPECT_EQ(Captions(list), expected) << "round " << round;
        for (int i = 0; i < list.Count(); ++i)
            ASSERT_EQ(list.Item(i).Index, i) << "round " << round;
        EXPECT_EQ(events, ReferenceMerge(before, after, order)) << "round " << round;
    }
}

TEST_F(FileListTest, HiddenFilesAndFoldersNamedLikeImagesOnlyWhenShown)
{
    Add("a.jpg");
    test::MakeFolder(Folder(), "holiday.jpg");
    test::MakeFolder(Folder(), "plain");
    Add(".dot.jpg");
    const QString system = test::WriteFile(Folder(), "sys.jpg");
    const bool stored = WriteFileAttributes(system, faSysFile | faArchive) &&
                        (ReadFileAttributes(system) & faSysFile);
    const QString readOnly = test::WriteFile(Folder(), "ro.jpg");
    ASSERT_TRUE(WriteFileAttributes(readOnly, faReadOnly));

    Open();
    QStringList visible = {"a.jpg", "ro.jpg"};
    if (!stored)
        visible.insert(2, "sys.jpg");
    EXPECT_EQ(Captions(list_), visible);
    EXPECT_EQ(list_.Item(1).AttributesText(), "R");
    EXPECT_EQ(list_.Item(0).AttributesText(), "");

    list_.Load();
    list_.SetDirectory(Folder());
    list_.SetShowHidden(true);
    EXPECT_EQ(Captions(list_), (QStringList{".dot.jpg", "a.jpg", "ro.jpg", "sys.jpg"}));
    EXPECT_EQ(list_.Item(0).AttributesText(), "H");
    if (stored) {
        EXPECT_EQ(list_.Item(3).AttributesText(), "AS");
    }
    EXPECT_EQ(list_.SearchAttributes(), faArchive | faHidden | faSysFile);

    list_.SetShowHidden(false);
    EXPECT_EQ(Captions(list_), visible);
    list_.SetShowDirs(true);
    EXPECT_EQ(Captions(list_), QStringList({"a.jpg", "holiday.jpg"}) + visible.mid(1));
    EXPECT_EQ(list_.SearchAttributes(), faArchive | faDirectory);
    list_.SetShowDirs(false);
    EXPECT_EQ(Captions(list_), visible);
}

TEST_F(FileListTest, SameFolderIsReadAgainOnlyWhenForcedAnUnreadableOneGivesAnEmptyList)
{
    Add("a.jpg");
    Open();
    Add("b.jpg");
    list_.SetDirectory(Folder());
    EXPECT_EQ(list_.Count(), 1);
    Open();
    EXPECT_EQ(list_.Count(), 2);
    EXPECT_FALSE(list_.ForceReread());
    list_.SetDirectory(dir_.filePath("missing"));
    EXPECT_EQ(list_.Count(), 0);

    const QString locked = test::MakeFolder(Folder(), "locked");
    test::WriteFile(locked, "b.jpg");
    QFile::setPermissions(locked, QFile::Permissions());
    list_.SetDirectory(locked);
    if (QDir(locked).isReadable())
        EXPECT_EQ(list_.Count(), 1);  // running as root: permissions do not stop us
    else
        EXPECT_EQ(list_.Count(), 0);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(FileListTest, RenameItemMatchesTheExactName)
{
    Add("a.jpg");
    Add("B.jpg");
    Open();
    list_.RenameItem("b.jpg", "x.jpg");
    EXPECT_EQ(Captions(list_), (QStringList{"a.jpg", "B.jpg"}));
    list_.RenameItem("B.jpg", "0.jpg");
    EXPECT_EQ(Captions(list_), (QStringList{"a.jpg", "0.jpg"}));
    EXPECT_EQ(list_.FileName(1), dir_.filePath("0.jpg"));

    // A later refresh still merges correctly although the renamed item is out of order.
    QFile::rename(dir_.filePath("B.jpg"), dir_.filePath("0.jpg"));
    Add("c.jpg");
    list_.Refresh();
    EXPECT_EQ(Captions(list_), (QStringList{"0.jpg", "a.jpg", "c.jpg"}));
    EXPECT_EQ(events_, (std::vector<Event>{{-1, false}}));
}

}  // namespace
}  // namespace pixmarl
