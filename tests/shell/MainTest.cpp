#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "display/ImgFiles.h"
#include "display/ImgWin.h"
#include "display/WebView.h"
#include "filelist/DJPEG.h"
#include "filelist/FileListViews.h"
#include "filelist/FileLists.h"
#include "filelist/IGrids.h"
#include "filelist/ThumbDrivers.h"
#include "fileops/FileExchange.h"
#include "fileops/RenFile.h"
#include "navigation/Explore.h"
#include "navigation/MyComputer.h"
#include "platform/FileOperation.h"
#include "shell/Btns.h"
#include "shell/Favorites.h"
#include "shell/FldLocEdits.h"
#include "shell/Logos.h"
#include "shell/Main.h"
#include "shell/Settings.h"
#include "support/DropEvents.h"
#include "support/EventWait.h"
#include "support/JpegBuilder.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

// A main window over a volume table whose only volume is a temporary folder.
class MainFormTest : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = dir_.path();
        volumes_.push_back(Volume(root_));
        computer_ = std::make_unique<TMyComputer>([this] { return volumes_; }, false);
    }
    void TearDown() override { form_.reset(); }

    static TVolume Volume(const QString& path) { return {path, "ext4", path, dtFixed, {}}; }

    // A folder with photos 1.jpg .. n.jpg of 400 x 300.
    QString Folder(const QString& name, int photos = 0)
    {
        const QString folder = test::MakeFolder(root_, name);
        static const QByteArray jpeg = [] {
            test::JpegParams params;
            params.width = 400;
            params.height = 300;
            return test::BuildJpeg(params);
        }();
        for (int i = 1; i <= photos; ++i)
            test::WriteFile(folder, QStringLiteral("%1.jpg").arg(i), jpeg);
        return folder;
    }
    TMainForm& Open(const QString& folder)
    {
        form_ = std::make_unique<TMainForm>(settings_, nullptr, computer_.get());
        form_->SetCommandLinePath(folder);
        form_->show();
        WaitForRead();
        return *form_;
    }
    // Opened in the thumbnail view, with viewers that are not kept on top of everything.
    TMainForm& OpenThumbnails(const QString& folder)
    {
        settings_.ViewStayOnTop = false;
        Open(folder).SetViewMode(vmThumbnails);
        return *form_;
    }
    // Goes to a folder and waits until it has been read.
    void Show(const QString& folder)
    {
        form_->GoToFolder(folder);
        WaitForRead();
    }
    void WaitForRead() const
    {
        ASSERT_TRUE(test::RunEventsUntil([this] { return !form_->ReadPending(); }));
    }
    bool WaitForThumbnails() const
    {
        return test::RunEventsUntil([this] { return !form_->ThumbDriver().Busy(); });
    }
    int IndexOf(const QString& caption) const
    {
        for (int i = 0; i < form_->FileList().Count(); ++i)
            if (form_->FileList().Item(i).Caption == caption)
                return i;
        return -1;
    }
    bool AllThumbnailsMade() const
    {
        for (int i = 0; i < form_->FileList().Count(); ++i)
            if (!form_->FileList().Item(i).Thumbnail)
                return false;
        return true;
    }

    QTemporaryDir dir_;
    QString root_;
    std::vector<TVolume> volumes_;
    std::unique_ptr<TMyComputer> computer_;
    TSettings settings_;
    std::unique_ptr<TMainForm> form_;
};

TEST_F(MainFormTest, ShowingAFolderSetsItsTextsAndMakesItsThumbnails)
{
    const struct {
        const char* name;
        int photos;
    } folders[] = {{"photos", 3}, {"empty", 0}};
    TMainForm& form = Open(Folder("start"));
    for (const auto& f : folders) {
        const QString folder = Folder(f.name, f.photos);
        Show(folder);
        EXPECT_EQ(form.windowTitle(), "Pixmarl - " + folder);
        EXPECT_EQ(form.StatusText()->text(), QStringLiteral("%1 file(s)").arg(f.photos));
        EXPECT_EQ(form.ListDescript()->text(), QStringLiteral(" Image files in ") + f.name);
        EXPECT_EQ(form.DirEdit()->Directory(), folder);
        EXPECT_EQ(form.History().Entries().last(), folder);
        EXPECT_EQ(form.ImgGrid()->Count(), f.photos);
        if (f.photos == 0) {
            EXPECT_FALSE(form.ThumbDriver().Busy() || form.Logo()->Animated());
        }
        ASSERT_TRUE(WaitForThumbnails());
        EXPECT_TRUE(AllThumbnailsMade());
        EXPECT_FALSE(form.Logo()->Animated());
    }
    EXPECT_FALSE(TDJPEGThread::Running());
}

// A change on disk merges in; the same folder or a new size remakes thumbnails without reading.
TEST_F(MainFormTest, RefreshingKeepsItemsThumbnailsAndSelectionUntilF5)
{
    const QString folder = Folder("a", 3);
    TMainForm& form = Open(folder);
    ASSERT_TRUE(WaitForThumbnails());
    EXPECT_EQ(form.FileList().Item(0).Thumbnail->width(), 96);
    form.ImgGrid()->SetIndex(1);  // 2.jpg
    const QImage* kept = form.FileList().Item(2).Thumbnail.get();
    test::WriteFile(folder, "0.jpg", test::BuildJpeg({}));
    ASSERT_TRUE(test::RunEventsUntil([&] { return form.ItemCount() == 4; }));
    EXPECT_EQ(form.StatusText()->text(), "4 file(s)");
    EXPECT_EQ(form.SelectedFileNames(), QStringList{folder + "/2.jpg"});
    EXPECT_EQ(form.FileList().Item(IndexOf("3.jpg")).Thumbnail.get(), kept);
    ASSERT_TRUE(WaitForThumbnails());
    const quint64 firstId = form.FileList().Item(0).Id;
    QSignalSpy stored(&form.ThumbDriver(), &TThumbDriver::OnThumbnailStored);
    form.ShowFolder();
    EXPECT_EQ(form.FileList().Item(0).Id, firstId);  // the same items: not read again
    ASSERT_TRUE(WaitForThumbnails());
    EXPECT_EQ(stored.count(), 4);
    form.SetThumbSize(4);
    ASSERT_TRUE(WaitForThumbnails());
    EXPECT_EQ(form.FileList().Item(1).Thumbnail->width(), 288);
    EXPECT_TRUE(form.findChild<TBtn*>("SSB4")->Down());
    form.RefreshItemClick();
    WaitForRead();
    EXPECT_NE(form.FileList().Item(0).Id, firstId);  // F5 reads the folder again
}

TEST_F(MainFormTest, NewerFolderSupersedesASlowRead)
{
    TMainForm& form = Open(Folder("start", 1));
    const QString slow = Folder("slow", 2);
    const QString fast = Folder("fast", 3);
    auto release = std::make_shared<std::atomic<bool>>(false);
    form.ReadFolderFn = [release, slow, read = form.ReadFolderFn](const QString& folder,
                                                                  const TListFilter& filter,
                                                                  TFileSortType sortType) {
        while (folder == slow && !*release)
            QThread::msleep(1);
        return read(folder, filter, sortType);
    };
    form.GoToFolder(slow);
    EXPECT_EQ(form.windowTitle(), "Pixmarl - " + slow);
    EXPECT_EQ(form.StatusText()->text(), "Reading directory...");
    EXPECT_EQ(form.ItemCount(), 0);  // not the files of the folder before
    form.GoToFolder(fast);
    ASSERT_TRUE(test::RunEventsUntil([&] { return form.ItemCount() == 3; }));
    *release = true;
    test::RunEventsFor(100);
    EXPECT_EQ(form.FileList().Directory(), fast);
    EXPECT_EQ(form.ItemCount(), 3);
    EXPECT_EQ(form.StatusText()->text(), "3 file(s)");
}

TEST_F(MainFormTest, NoBarsStoredHidesEveryBar)
{
    settings_.ViewBars = 0;
    TMainForm& form = Open(Folder("a"));
    for (const char* name : {"LocationBand", "Toolbar", "LogoBand"})
        EXPECT_TRUE(form.findChild<QToolBar*>(name)->isHidden()) << name;
    for (const char* name : {"TreeDescript", "ListDescript"})
        EXPECT_TRUE(form.findChild<QLabel*>(name)->isHidden()) << name;
    EXPECT_TRUE(form.statusBar()->isHidden());
    form.CollectSettings();
    EXPECT_EQ(settings_.ViewBars, 0);
}

TEST_F(MainFormTest, StoredWindowOpensOnAScreen)
{
    settings_.TopLeft = {50000, 50000};
    settings_.BottomRight = {50400, 50300};
    TMainForm form(settings_, nullptr, computer_.get());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(form.geometry(), QRect(screen.topLeft(), QSize(400, 300)));
}

TEST_F(MainFormTest, ToolBandsKeepOrderRowsAndLocationWidth)
{
    const TBandLayout stored = {
        {{bnLocation, false, 300}, {bnLogo, false, 0}, {bnToolbar, true, 0}}};
    settings_.Bars = EncodeBars(stored);
    TMainForm& form = Open(Folder("a"));
    QTest::qWait(50);
    form.CollectSettings();
    const std::optional<TBandLayout> collected = DecodeBars(settings_.Bars);
    ASSERT_TRUE(collected);
    for (size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ((*collected)[i].number, stored[i].number) << i;
        EXPECT_EQ((*collected)[i].startsRow, stored[i].startsRow) << i;
    }
    EXPECT_NEAR((*collected)[0].width, 300, 2);
}

TEST_F(MainFormTest, OwnRenamesNeverSwallowALaterChange)
{
    const QString folder = Folder("a", 3);
    TMainForm& form = Open(folder);
    // Two renames in one burst of the monitor: one report for two announcements.
    ASSERT_TRUE(form.FileOps().RenameFile(folder + "/1.jpg", "x1.jpg"));
    ASSERT_TRUE(form.FileOps().RenameFile(folder + "/2.jpg", "x2.jpg"));
    ASSERT_TRUE(test::RunEventsUntil([&] { return IndexOf("x2.jpg") >= 0; }));
    test::RunEventsFor(300);
    test::WriteFile(folder, "new.jpg", test::BuildJpeg({}));
    EXPECT_TRUE(test::RunEventsUntil([&] { return IndexOf("new.jpg") >= 0; }));
    EXPECT_EQ(form.ItemCount(), 4);
}

TEST_F(MainFormTest, TypedPathsGoWhereTheyLeadAndTheHistoryStepsBack)
{
    const QString a = Folder("a");
    const QString b = Folder("b");
    TMainForm& form = Open(a);
    QLineEdit* edit = form.DirEdit()->lineEdit();
    QSignalSpy invalid(form.DirEdit(), &TFldLocEdit::OnInvalidDir);
    const struct {
        QString typed, shown;
        int invalid;
    } cases[] = {{"../b", b, 0}, {"nowhere", b, 1}, {a, a, 1}, {"./", a, 1}};
    for (const auto& c : cases) {
        edit->selectAll();
        QTest::keyClicks(edit, c.typed);
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(form.CurrentFolder(), c.shown) << c.typed.toStdString();
        EXPECT_EQ(edit->text(), c.shown);
        EXPECT_EQ(invalid.count(), c.invalid);
    }
    // The history buttons step back through the folders shown.
    form.GoToFolder(Folder("c"));
    TMainActions& actions = form.Actions();
    EXPECT_FALSE(actions.ForwBtn->isEnabled());
    actions.BackBtn->click();
    actions.GoBackItem->trigger();
    EXPECT_EQ(form.CurrentFolder(), b);
    EXPECT_TRUE(actions.ForwBtn->isEnabled() && actions.ForwHistBtn->isEnabled() &&
                actions.GoForwItem->isEnabled());
}

TEST_F(MainFormTest, LocationBarFollowsTheVolumesOfTheShownFolder)
{
    const QString sub = Folder("vol") + "/sub";
    QDir().mkpath(sub);
    TMainForm& form = Open(sub);
    const auto paths = [&] {
        QStringList list;
        for (const TLocItem& item : form.DirEdit()->Items().items)
            list << item.path;
        return list;
    };
    const QStringList underRoot{root_, root_ + "/vol", sub};
    EXPECT_EQ(paths(), underRoot);
    volumes_.push_back(Volume(root_ + "/vol"));
    computer_->Update();
    ASSERT_TRUE(test::RunEventsUntil([&] { return form.DirEdit()->Items().pathCount == 1; }));
    EXPECT_EQ(paths(), underRoot);  // the same places, now one volume item and one path item
    EXPECT_EQ(form.DirEdit()->Items().current, 2);
    volumes_.pop_back();
    computer_->Update();
    ASSERT_TRUE(test::RunEventsUntil([&] { return form.DirEdit()->Items().pathCount == 2; }));
    EXPECT_EQ(paths(), underRoot);
}

TEST_F(MainFormTest, TreeFolderCommandsGoThroughTheFileOperations)
{
    const QString shown = Folder("p/shown");
    const QString other = Folder("p/other");
    TMainForm& form = Open(shown);
    TFileOpRequest seen;
    TFileOpResult result = frSuccess;
    bool watched = false;
    form.FileOps().OnExecute = [&](const TFileOpRequest& request) {
        seen = request;
        watched = form.DirMonitor().Active();
        return result;
    };
    // The shown folder is not watched while it goes to the trash, and is watched after a cancel.
    const struct {
        QString folder;
        TFileOpResult result;
        bool watchedDuring;
    } cases[] = {{other, frSuccess, true}, {shown, frAborted, false}};
    for (const auto& c : cases) {
        Show(shown);
        result = c.result;
        form.DirTree()->DeleteFolder(form.DirTree()->FindNode(c.folder));
        EXPECT_EQ(seen.Func, foDelete);
        EXPECT_EQ(seen.From, QStringList{c.folder});
        EXPECT_NE(seen.Flags & FOF_ALLOWUNDO, 0u);
        EXPECT_EQ(watched, c.watchedDuring) << c.folder.toStdString();
        WaitForRead();
        EXPECT_TRUE(form.DirMonitor().Active());
    }
    result = frSuccess;
    ASSERT_TRUE(form.DirTree()->RenameFolderOperation(shown, root_ + "/p/renamed"));
    EXPECT_EQ(seen.Func, foRename);
    EXPECT_EQ(seen.To, QStringList{root_ + "/p/renamed"});
}

TEST_F(MainFormTest, DropsAndPastesGoThroughTheWindowsFileOperations)
{
    const QString shown = Folder("shown", 1), favourite = Folder("favourite");
    const QString dragged = test::WriteFile(Folder("other"), "d.jpg");
    TMainForm& form = Open(shown);
    form.DirPanel()->AddFavorite(favourite);
    form.DirPanel()->layout()->activate();
    QStringList targets;
    form.FileOps().OnExecute = [&](const TFileOpRequest& request) {
        targets << request.To;
        return frSuccess;
    };
    // Onto the shown view (the stack of both), and onto the favourite's button.
    test::SendFileDrop(form.ImgGrid()->parentWidget(), {dragged}, {}, {5, 5});
    const TDirBtn* button = form.DirPanel()->Button(form.DirPanel()->ButtonCount() - 1);
    test::SendFileDrop(form.DirPanel(), {dragged}, {}, button->geometry().center());
    ASSERT_TRUE(test::RunEventsUntil([&] { return targets.size() == 2; }));
    // The selection copied, then pasted into another folder.
    form.ImgGrid()->SetIndex(0);
    form.Exchange().CopyFiles();
    Show(favourite);
    form.Exchange().Paste();
    EXPECT_EQ(targets, (QStringList{shown + "/d.jpg", favourite + "/d.jpg", favourite + "/1.jpg"}));
}

// The selection survives switching views; the slideshow runs over it from the focused file;
// Enter or a double click opens the focused file alone.
TEST_F(MainFormTest, SelectionAndFocusSurviveViewsAndLeadTheViewer)
{
    const QString folder = Folder("a", 4);
    TMainForm& form = OpenThumbnails(folder);
    TViewForm* viewer = form.Viewers().ViewForm();
    form.ImgGrid()->SetIndex(2);
    form.ImgGrid()->SetSelected(0, true);
    for (int mode : {vmReport, vmThumbnails, vmList, vmThumbnails}) {
        form.SetViewMode(mode);
        EXPECT_EQ(form.SelectedFileNames(), QStringList({folder + "/1.jpg", folder + "/3.jpg"}))
            << mode;
        EXPECT_TRUE(form.MultipleSelected());
    }
    EXPECT_EQ(form.FocusedIndex(), 2);
    form.Actions().Slideshow1->trigger();
    EXPECT_TRUE(viewer->isVisible() && viewer->Slideshow().Active());
    EXPECT_EQ(viewer->ImageFile()->FileName(), folder + "/3.jpg");
    viewer->Slideshow().NextSlide();
    EXPECT_EQ(viewer->ImageFile()->FileName(), folder + "/1.jpg");
    viewer->hide();
    EXPECT_FALSE(viewer->Slideshow().Active());

    form.ImgGrid()->SetIndex(1);
    emit form.ImgGrid()->OnDblClick();
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->ImageFile()->FileName(), folder + "/2.jpg");

    viewer->hide();            // which lets go of the file
    form.SetViewMode(vmList);  // the focus stays on 2.jpg
    auto* list = form.FileListView()->findChild<QListView*>();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->ImageFile()->FileName(), folder + "/2.jpg");
    viewer->hide();
    QTest::keyClick(list, Qt::Key_Return, Qt::ShiftModifier);  // not a plain Enter
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_FALSE(viewer->isVisible());
}

TEST(FavoritePanel, OneButtonPerExactPath)
{
    QStringList favorites;
    TFavoritePanel panel(favorites, [](const QString& path) { return path == "/"; });
    for (const char* path : {"/a/X", "/a/X", "/a/x", "/"})
        panel.AddFavorite(path);
    EXPECT_EQ(favorites, QStringList({"/a/X", "/a/x", "/"}));
    ASSERT_EQ(panel.ButtonCount(), 3);
    EXPECT_EQ(panel.Button(0)->text(), "X");
    EXPECT_EQ(panel.Button(2)->text(), "/");
    QSignalSpy clicked(&panel, &TFavoritePanel::OnDirClick);
    panel.Button(1)->click();
    EXPECT_EQ(clicked.value(0).value(0).toString(), "/a/x");
    panel.RemoveFavorite(0);
    EXPECT_EQ(favorites, QStringList({"/a/x", "/"}));
    EXPECT_EQ(panel.Button(0)->Path(), "/a/x");
}

}  // namespace

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

// An active window in the report view whose file operations are recorded (and succeed); a modal
// window a command opens is closed at once and counted.
class CommandsTest : public MainFormTest {
protected:
    TMainForm& OpenActive(const QString& folder)
    {
        Open(folder).SetViewMode(vmReport);
        form_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        form_->FileOps().OnExecute = [this](const TFileOpRequest& request) {
            requests_ << request;
            return frSuccess;
        };
        closer_.callOnTimeout([this] {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && ++modals_)
                modal->close();
        });
        closer_.start(20);
        form_->FileListView()->SetItemFocused(0);
        form_->FileListView()->SetSelected(0, true);
        return *form_;
    }
    void Press(QWidget* focus, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        focus->setFocus();
        QWidget* editor = QApplication::focusWidget();  // one that a key opened before
        QTest::keyClick(editor ? editor : focus, Qt::Key(key), modifiers);
        test::RunEventsFor(100);
    }
    QString PasteItem() const
    {
        emit form_->Actions().EditItem->aboutToShow();
        const QAction* paste = form_->Actions().PasteClp;
        return paste->isEnabled() ? paste->text() : QStringLiteral("off");
    }

    QList<TFileOpRequest> requests_;
    int modals_ = 0;
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
    EXPECT_EQ(modals_ + requests_.size(), 0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
    Show(photos);
    form.FileListView()->SetItemFocused(0);
    form.FileListView()->SetSelected(0, true);
    a.ffnen2->trigger();
    EXPECT_EQ(opened_.files, QStringList{photos + "/a #1?%.jpg"});  // never cut at # or ?
    // The preview pane follows the current file and opens it in a viewer.
    ASSERT_EQ(form.WebView()->FileName(), opened_.files.value(0));
    emit form.WebView()->OnShowImage(form.WebView()->FileName(), faShow);
    EXPECT_TRUE(form.Viewers().ViewForm()->isVisible());
}

TEST_F(CommandsTest, F2EditsInPlaceInTheReportAndAsksInTheGrid)
{
    const QString folder = Folder("a", 2);
    TMainForm& form = OpenActive(folder);
    Press(form.FileListView()->ReportView(), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_TRUE(editor && form.FileListView()->IsEditing());
    // While a name is edited, the keys on files belong to the editor.
    Press(editor, Qt::Key_Delete);
    Press(editor, Qt::Key_F2);
    Press(editor, Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(modals_ + requests_.size(), 0);
    editor->setText("x.jpg");
    Press(editor, Qt::Key_Return);
    form.SetViewMode(vmThumbnails);
    EXPECT_TRUE(form.WebView()->isHidden());
    form.ImgGrid()->SetIndex(IndexOf("2.jpg"));
    QTimer::singleShot(0, [] {
        RenFileDlg()->NewName->setText("y.jpg");
        RenFileDlg()->accept();
    });
    Press(form.ImgGrid(), Qt::Key_F2);
    ASSERT_EQ(requests_.size(), 2);
    EXPECT_EQ(requests_[0].To, QStringList{folder + "/x.jpg"});
    EXPECT_EQ(requests_[1].From, QStringList{folder + "/2.jpg"});
    EXPECT_EQ(requests_[1].To, QStringList{folder + "/y.jpg"});
    EXPECT_TRUE(IndexOf("x.jpg") >= 0 && IndexOf("y.jpg") >= 0);
}

TEST_F(CommandsTest, KeysOnFilesActInTheFileViewsOnly)
{
    const QString folder = Folder("a", 3);
    TMainForm& form = OpenActive(folder);
    QGuiApplication::clipboard()->clear();
    QWidget* tree = form.DirTree();
    QWidget* report = form.FileListView()->ReportView();
    const struct {
        QWidget* focus;
        int key;
        Qt::KeyboardModifiers modifiers;
        int requests, selected, modals;
        QString paste;
    } cases[] = {
        {tree, Qt::Key_Delete, {}, 0, 1, 0, "off"},
        {tree, Qt::Key_A, Qt::ControlModifier, 0, 1, 0, "off"},
        {tree, Qt::Key_C, Qt::ControlModifier, 0, 1, 0, "off"},
        {tree, Qt::Key_Return, Qt::AltModifier, 0, 1, 0, "off"},
        {tree, Qt::Key_F2, {}, 0, 1, 0, "off"},
        {tree, Qt::Key_Escape, {}, 0, 1, 0, "off"},
        {report, Qt::Key_Delete, {}, 1, 1, 0, "off"},
        {report, Qt::Key_C, Qt::ControlModifier, 1, 1, 0, "&Paste (File)"},
        {report, Qt::Key_Enter, Qt::AltModifier, 1, 1, 1, "&Paste (File)"},
        {report, Qt::Key_A, Qt::ControlModifier, 1, 3, 1, "&Paste (File)"},
    };
    for (const auto& c : cases) {
        Press(c.focus, c.key, c.modifiers);
        const std::string what = QKeySequence(c.key | c.modifiers).toString().toStdString();
        EXPECT_EQ(requests_.size(), c.requests) << what;
        EXPECT_EQ(form.SelectedFileNames().size(), c.selected) << what;
        EXPECT_TRUE(test::RunEventsUntil([&] { return modals_ >= c.modals; })) << what;
        EXPECT_EQ(PasteItem(), c.paste) << what;
    }
    EXPECT_EQ(requests_[0].From, QStringList{folder + "/1.jpg"});
    QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    EXPECT_EQ(PasteItem(), "&Paste (Image)...");
    form.FileListView()->SetSelected(1, false);
    form.Actions().InvSelItem->trigger();
    EXPECT_EQ(form.SelectedFileNames(), QStringList{folder + "/2.jpg"});
}

}  // namespace
}  // namespace pixmarl

#include "MainTest.moc"
