#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include "MainFormFixture.h"
#include "display/ImgWin.h"
#include "display/WebView.h"
#include "filelist/FileListViews.h"
#include "filelist/IGrids.h"
#include "fileops/RenFile.h"
#include "navigation/Explore.h"
#include "platform/FileOperation.h"

namespace pixmarl {

// Receives what the commands hand to the desktop, instead of starting programs.
class TOpenedFiles : public QObject {
    Q_OBJECT
public:
    TOpenedFiles() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~TOpenedFiles() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QStringList files;
public slots:
    void Open(const QUrl& url) { files << url.toLocalFile(); }
};

namespace {

// The window is active, its file operations are recorded (and succeed) and every modal window a
// command opens is closed at once and its title recorded.
class CommandsTest : public MainFormTest {
protected:
    TMainForm& OpenActive(const QString& folder)
    {
        TMainForm& form = Open(folder);
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        form.FileOps().OnExecute = [this](const TFileOpRequest& request) {
            requests_ << request;
            return frSuccess;
        };
        closer_.callOnTimeout([this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modals_ << modal->windowTitle();
                modal->close();
            }
        });
        closer_.start(20);
        return form;
    }
    void Press(QWidget* focus, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        focus->activateWindow();
        focus->setFocus();
        QWidget* target = QApplication::focusWidget();  // an editor the key opened before
        QTest::keyClick(target != nullptr ? target : focus, Qt::Key(key), modifiers);
        test::RunEventsFor(100);
    }
    void SelectOnly(int index)
    {
        form_->FileListView()->SelectionModel()->clearSelection();
        form_->FileListView()->SetItemFocused(index);
        form_->FileListView()->SetSelected(index, true);
    }

    QList<TFileOpRequest> requests_;
    QStringList modals_;
    QTimer closer_;
    TOpenedFiles opened_;
};

TEST_F(CommandsTest, CommandsOnTheCurrentFileDoNothingWithoutOne)
{
    const QString photos = Folder("photos");
    test::WriteFile(photos, "a #1?%.jpg", test::BuildJpeg({}));
    TMainForm& form = OpenActive(Folder("empty"));
    TMainActions& a = form.Actions();
    QGuiApplication::clipboard()->setText("kept");
    for (QAction* command : {a.Anzeigen1, a.ffnen1, a.Eigenschaften1, a.CopyBmpClp,
                             a.RenameFileItem, a.DeleteFilesItem, a.CopyFilesItem})
        command->trigger();
    test::RunEventsFor(200);
    EXPECT_TRUE(opened_.files.isEmpty());
    EXPECT_TRUE(modals_.isEmpty()) << modals_.join(u',').toStdString();
    EXPECT_TRUE(requests_.isEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
    Show(photos);
    a.ffnen2->trigger();
    EXPECT_EQ(opened_.files, QStringList{photos + "/a #1?%.jpg"});  // never cut at # or ?
}

TEST_F(CommandsTest, F2EditsInPlaceInTheReportAndAsksInTheGrid)
{
    const QString folder = Folder("a", 2);
    TMainForm& form = OpenActive(folder);
    form.SetViewMode(vmReport);
    SelectOnly(0);
    Press(form.FileListView()->ReportView(), Qt::Key_F2);
    ASSERT_TRUE(form.FileListView()->IsEditing());
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    // While a name is edited, the keys on files belong to the editor.
    for (int key : {Qt::Key_Delete, Qt::Key_F2})
        QTest::keyClick(editor, Qt::Key(key));
    QTest::keyClick(editor, Qt::Key_Return, Qt::AltModifier);
    test::RunEventsFor(100);
    EXPECT_TRUE(requests_.isEmpty());
    EXPECT_TRUE(modals_.isEmpty());
    editor->setText("x.jpg");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(test::RunEventsUntil([&] { return !form.FileListView()->IsEditing(); }));
    ASSERT_EQ(requests_.size(), 1);
    EXPECT_EQ(requests_[0].To, QStringList{folder + "/x.jpg"});
    EXPECT_GE(IndexOf("x.jpg"), 0);

    form.SetViewMode(vmThumbnails);
    form.ImgGrid()->SetIndex(IndexOf("2.jpg"));
    QString asked;
    QTimer::singleShot(0, [&] {
        asked = RenFileDlg()->OldName->text();
        RenFileDlg()->NewName->setText("y.jpg");
        RenFileDlg()->accept();
    });
    Press(form.ImgGrid(), Qt::Key_F2);
    EXPECT_EQ(asked, "2.jpg");
    ASSERT_EQ(requests_.size(), 2);
    EXPECT_EQ(requests_[1].To, QStringList{folder + "/y.jpg"});
    EXPECT_GE(IndexOf("y.jpg"), 0);
}

TEST_F(CommandsTest, KeysOnFilesActInTheFileViewsOnly)
{
    const QString folder = Folder("a", 3);
    TMainForm& form = OpenActive(folder);
    form.SetViewMode(vmReport);
    SelectOnly(0);
    QWidget* tree = form.DirTree();
    QWidget* report = form.FileListView()->ReportView();
    const struct {
        QWidget* focus;
        int key;
        Qt::KeyboardModifiers modifiers;
        int requests, selected, modals;
    } cases[] = {
        {tree, Qt::Key_Delete, Qt::NoModifier, 0, 1, 0},
        {tree, Qt::Key_A, Qt::ControlModifier, 0, 1, 0},
        {tree, Qt::Key_Return, Qt::AltModifier, 0, 1, 0},
        {tree, Qt::Key_F2, Qt::NoModifier, 0, 1, 0},
        {tree, Qt::Key_Escape, Qt::NoModifier, 0, 1, 0},
        {report, Qt::Key_Delete, Qt::NoModifier, 1, 1, 0},
        {report, Qt::Key_Enter, Qt::AltModifier, 1, 1, 1},
        {report, Qt::Key_A, Qt::ControlModifier, 1, 3, 1},
    };
    for (const auto& c : cases) {
        Press(c.focus, c.key, c.modifiers);
        const std::string what = c.focus->objectName().toStdString() + " " +
                                 QKeySequence(c.key | c.modifiers).toString().toStdString();
        EXPECT_EQ(requests_.size(), c.requests) << what;
        EXPECT_EQ(form.SelectedFileNames().size(), c.selected) << what;
        ASSERT_TRUE(test::RunEventsUntil([&] { return modals_.size() >= c.modals; })) << what;
    }
    EXPECT_EQ(requests_[0].Func, foDelete);
    EXPECT_EQ(requests_[0].From, QStringList{folder + "/1.jpg"});
}

TEST_F(CommandsTest, PasteItemTellsWhatTheClipboardHolds)
{
    TMainForm& form = OpenActive(Folder("a", 1));
    form.SetViewMode(vmReport);
    SelectOnly(0);
    QGuiApplication::clipboard()->clear();
    QAction* paste = form.Actions().PasteClp;
    const auto shown = [&] {
        emit form.Actions().EditItem->aboutToShow();
        return paste->isEnabled() ? paste->text() : QStringLiteral("disabled");
    };
    Press(form.DirTree(), Qt::Key_C, Qt::ControlModifier);  // copies no file
    EXPECT_EQ(shown(), "disabled");
    Press(form.FileListView()->ReportView(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(shown(), "&Paste (File)");
    QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    EXPECT_EQ(shown(), "&Paste (Image)...");
}

TEST_F(CommandsTest, SelectAllAndInvertInEveryView)
{
    TMainForm& form = Open(Folder("a", 3));
    for (int mode : {vmReport, vmThumbnails}) {
        form.SetViewMode(mode);
        if (mode == vmThumbnails)
            form.ImgGrid()->SetIndex(0);
        else
            SelectOnly(0);
        form.Actions().InvSelItem->trigger();
        EXPECT_EQ(form.SelectedFileNames().size(), 2) << mode;
        EXPECT_FALSE(form.IsSelected(0)) << mode;
        form.Actions().SelAllItem->trigger();
        EXPECT_EQ(form.SelectedFileNames().size(), 3) << mode;
    }
}

TEST_F(CommandsTest, PreviewPaneShowsTheCurrentFileOutsideTheThumbnails)
{
    const QString folder = Folder("a", 2);
    TMainForm& form = OpenThumbnails(folder);
    TWebView* pane = form.WebView();
    EXPECT_TRUE(pane->isHidden());
    form.ImgGrid()->SetIndex(1);
    form.SetViewMode(vmReport);
    EXPECT_FALSE(pane->isHidden());
    EXPECT_EQ(pane->FileName(), folder + "/2.jpg");
    emit pane->OnShowImage(pane->FileName(), faShow);
    EXPECT_TRUE(form.Viewers().ViewForm()->isVisible());
    form.Actions().ShowWebViewItem->trigger();
    EXPECT_TRUE(pane->isHidden());
    form.CollectSettings();
    EXPECT_FALSE(settings_.ShowPreview);
}

TEST_F(CommandsTest, EveryMenuItemHasAnAccessKeyOfItsOwn)
{
    TMainForm& form = Open(Folder("a"));
    for (int mode : {vmList, vmThumbnails}) {
        form.SetViewMode(mode);
        QList<QWidget*> menus{form.menuBar()};
        for (QMenu* menu : form.findChildren<QMenu*>()) {
            if (menu->objectName() != u"HistoryMenu")  // folder names, not commands
                menus << menu;
        }
        for (QWidget* menu : menus) {
            QSet<QString> keys;
            for (QAction* item : menu->actions()) {
                if (item->isSeparator() || !item->isVisible())
                    continue;
                const QString key = QKeySequence::mnemonic(item->text()).toString();
                const std::string what =
                    menu->objectName().toStdString() + ": " + item->text().toStdString();
                EXPECT_FALSE(key.isEmpty()) << what;
                EXPECT_FALSE(keys.contains(key)) << what;
                keys.insert(key);
            }
        }
    }
}

}  // namespace
}  // namespace pixmarl

#include "CommandsTest.moc"
