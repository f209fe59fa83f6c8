#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "filelist/FileListModels.h"
#include "filelist/FileListTexts.h"
#include "filelist/FileListViews.h"
#include "filelist/FileLists.h"
#include "filelist/IGrids.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

struct FileListViewTest : testing::Test {
    void Open(std::initializer_list<const char*> names)
    {
        int size = int(names.size()) * 10;
        for (const char* name : names)
            test::WriteFileOfSize(dir_.path(), name, size -= 10);  // sizes fall with the names
        list_.SetForceReread(true);
        list_.SetDirectory(dir_.path());
        view_.resize(700, 400);
        view_.show();
        view_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view_));
    }
    int Row(const QString& caption) const
    {
        for (int i = 0; i < list_.Count(); ++i) {
            if (list_.Item(i).Caption == caption)
                return i;
        }
        return -1;
    }
    QLineEdit* StartEdit(const QString& caption)
    {
        view_.SetItemFocused(Row(caption));
        view_.EditCaption();
        auto* edit = view_.CurrentView()->findChild<QLineEdit*>();
        // The name is selected without its extension once the editor has settled.
        const auto settled = [edit] { return edit->selectedText() != edit->text(); };
        return edit && QTest::qWaitFor(settled, 1000) ? edit : nullptr;
    }
    void ClickHeader(int column)
    {
        QHeaderView* header = view_.ReportView()->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    }

    QStringList SelectedCaptions() const
    {
        QStringList captions;
        for (int i = 0; i < list_.Count(); ++i) {
            if (list_.Item(i).Selected)
                captions << list_.Item(i).Caption;
        }
        return captions;
    }

    QTemporaryDir dir_;
    TJPEGFileList list_;
    TJPEGFileListView view_{list_};
    // Checks every notification of the model against its rows and persistent indexes.
    QAbstractItemModelTester tester_{view_.Model(),
                                     QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(FileListViewTest, RenameInPlaceOffersTheExtensionBack)
{
    Open({"photo.jpg", "b.jpg"});
    QSignalSpy edited(&view_, &TJPEGFileListView::OnEdited);
    QLineEdit* edit = StartEdit("photo.jpg");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->selectedText(), "photo");
    edit->selectAll();
    QTest::keyClicks(edit, "holiday.");
    EXPECT_EQ(edit->text(), "holiday.jpg");
    EXPECT_EQ(edit->selectedText(), "jpg");
    edit->setCursorPosition(3);
    QTest::keyClick(edit, '.');
    EXPECT_EQ(edit->text(), "hol.iday.jpg");
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(edited.wait(1000));
    EXPECT_EQ(edited.at(0).at(0).toULongLong(), list_.Item(Row("photo.jpg")).Id);
    EXPECT_EQ(edited.at(0).at(1).toString(), "hol.iday.jpg");

    edit = StartEdit("b.jpg");  // committed unchanged: no rename
    ASSERT_NE(edit, nullptr);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(edited.wait(100));
}

TEST_F(FileListViewTest, HeaderClicksSortByNameSizeAndTimeOnly)
{
    Open({"a.jpg", "b.jpg"});
    QSignalSpy sorts(&list_, &TJPEGFileList::OnSortChange);
    const struct {
        int column;
        TFileSortType sort;
        int sorts;
    } clicks[] = {
        {rcTime, stTime, 1}, {rcTime, stTime, 1},     {rcType, stTime, 1}, {rcImageSize, stTime, 1},
        {rcAttr, stTime, 1}, {rcFileSize, stSize, 2}, {rcName, stName, 3},
    };
    for (const auto& click : clicks) {
        ClickHeader(click.column);
        EXPECT_EQ(list_.SortType(), click.sort) << click.column;
        EXPECT_EQ(sorts.count(), click.sorts) << click.column;
    }
}

TEST_F(FileListViewTest, FocusedItemIsReportedOnceWhenSelected)
{
    Open({"a.jpg", "b.jpg", "c.jpg"});
    QSignalSpy focused(&view_, &TJPEGFileListView::OnFocusedItemChange);
    QTreeView* report = view_.ReportView();
    const QRect row1 = report->visualRect(view_.Model()->index(1, 0));
    QTest::mouseClick(report->viewport(), Qt::LeftButton, {}, row1.center());
    ASSERT_EQ(focused.count(), 1);
    EXPECT_EQ(focused.at(0).at(0).toULongLong(), list_.Item(1).Id);
    view_.SetSelected(2, true);  // selecting another item does not move the focus
    EXPECT_EQ(focused.count(), 1);
    view_.SetViewStyle(TJPEGFileListView::vsList);
    EXPECT_TRUE(view_.IsSelected(1) && view_.IsSelected(2));  // one selection for both styles
    EXPECT_EQ(view_.ItemFocused(), 1);
}

TEST_F(FileListViewTest, ChangesKeepSelectionCurrentItemAndEditorOnTheirFiles)
{
    using TChange = std::function<void(FileListViewTest&)>;
    const TChange refresh = [](FileListViewTest& t) {
        test::WriteFile(t.dir_.path(), "a0.jpg");
        QFile::remove(t.dir_.filePath("a.jpg"));
        t.list_.Refresh();
    };
    const struct {
        const char* what;
        TChange change;
        QStringList selected;
    } cases[] = {
        {"refresh", refresh, {"b.jpg", "d.jpg"}},
        {"re-sort",
         [](FileListViewTest& t) { t.list_.SetSortType(stSize); },
         {"d.jpg", "b.jpg", "a.jpg"}},
        {"rename, then refresh",  // the renamed item moves in the refresh's name order
         [&](FileListViewTest& t) {
             QFile::rename(t.dir_.filePath("b.jpg"), t.dir_.filePath("f.jpg"));
             t.list_.RenameItem("b.jpg", "f.jpg");
             refresh(t);
         },
         {"d.jpg", "f.jpg"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        struct : FileListViewTest {
            void TestBody() override {}
        } t;
        t.Open({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"});
        for (const char* name : {"a.jpg", "b.jpg", "d.jpg"})
            t.view_.SetSelected(t.Row(name), true);
        QSignalSpy edited(&t.view_, &TJPEGFileListView::OnEdited);
        QLineEdit* edit = t.StartEdit("c.jpg");
        ASSERT_NE(edit, nullptr);
        const quint64 editedId = t.list_.Item(t.Row("c.jpg")).Id;
        QTest::keyClicks(edit, "x");

        c.change(t);
        EXPECT_EQ(t.SelectedCaptions(), c.selected);
        EXPECT_EQ(t.view_.SelectionModel()->selectedRows().size(), c.selected.size());
        EXPECT_EQ(t.view_.ItemFocused(), t.Row("c.jpg"));
        ASSERT_EQ(t.view_.CurrentView()->findChild<QLineEdit*>(), edit);
        QTest::keyClick(edit, Qt::Key_Return);
        ASSERT_TRUE(edited.wait(1000));
        EXPECT_EQ(edited.at(0).at(0).toULongLong(), editedId);
        EXPECT_EQ(edited.at(0).at(1).toString(), "x.jpg");
    }
}

// The main window's round trip of the grid's selection through the items across a refresh.
TEST_F(FileListViewTest, GridSelectionRoundTripsThroughTheItems)
{
    Open({"b.jpg", "c.jpg", "d.jpg", "e.jpg"});
    TImgGrid grid;
    grid.Reset(list_.Count());
    grid.SetSelected(Row("c.jpg"), true);
    grid.SetSelected(Row("e.jpg"), true);
    for (int i = 0; i < list_.Count(); ++i)
        list_.Item(i).Selected = grid.IsSelected(i);
    view_.SelectFromItems();
    EXPECT_EQ(view_.SelectionModel()->selectedRows().size(), 2);

    test::WriteFile(dir_.path(), "a.jpg");
    QFile::remove(dir_.filePath("d.jpg"));
    list_.Refresh();
    std::vector<bool> bits;
    for (int i = 0; i < list_.Count(); ++i)
        bits.push_back(list_.Item(i).Selected);
    grid.SetCount(list_.Count(), false);
    grid.SetSelectionBits(bits);
    EXPECT_EQ(grid.SelectionBits(), (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(SelectedCaptions(), (QStringList{"c.jpg", "e.jpg"}));
}

}  // namespace
}  // namespace pixmarl
