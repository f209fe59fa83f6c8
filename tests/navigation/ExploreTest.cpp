#include "QtPrinting.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "fileops/FileOps.h"
#include "navigation/DirMons.h"
#include "navigation/Explore.h"
#include "navigation/MyComputer.h"
#include "support/EventWait.h"
#include "support/ScratchMounts.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using test::RunEventsFor;
using test::RunEventsUntil;

// The open name editor of a tree, or nullptr.
QLineEdit* Editor(const QTreeWidget& tree)
{
    for (QLineEdit* edit : tree.findChildren<QLineEdit*>())
        if (edit->isVisible())
            return edit;
    return nullptr;
}

// Closes an open name editor without taking its text.
void CancelEditor(const QTreeWidget& tree)
{
    if (QLineEdit* edit = Editor(tree))
        QTest::keyClick(edit, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList ChildTexts(const QTreeWidgetItem* node)
{
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

const QString kInvalidNameMessage =
    "Ein Dateiname darf keines der folgenden Zeichen enthalten:\n\\ / : ? \" < > |";

// A tree whose only volume is a temporary folder (plus, when asked, a removable volume inside
// it), with the dialogs and file operations replaced by recorders.
class DirTreeTest : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = dir_.path();
        volumes_.push_back(Volume(root_, dtFixed));
        computer_ = std::make_unique<TMyComputer>([this] { return volumes_; }, false);
        tree_ = std::make_unique<TDirTree>(nullptr, computer_.get());
        tree_->OnDirChange = [this](TDirTree& t) { changes_ << t.Directory(); };
        tree_->OnNameChange = [this](TDirTree&) { ++nameChanges_; };
        tree_->ShowMessage = [this](const QString& text, QMessageBox::Icon) { messages_ << text; };
        tree_->AskRetry = [this](const QString& text) {
            messages_ << text;
            return retries_-- > 0;
        };
        tree_->resize(400, 600);
        tree_->show();
    }

    static TVolume Volume(const QString& path, TDriveType type)
    {
        return TVolume{path, "ext4", path, type, {}};
    }

    QString Path(const QString& relative) const { return root_ + u'/' + relative; }
    TDirTreeNode* Root() const { return static_cast<TDirTreeNode*>(tree_->topLevelItem(0)); }
    QString MakeFolders(const QString& relative) const
    {
        QDir().mkpath(Path(relative));
        return Path(relative);
    }

    QTemporaryDir dir_;
    QString root_;
    std::vector<TVolume> volumes_;
    std::unique_ptr<TMyComputer> computer_;
    std::unique_ptr<TDirTree> tree_;
    QStringList changes_;
    QStringList messages_;
    int nameChanges_ = 0;
    int retries_ = 0;
};

TEST_F(DirTreeTest, ExpandingShowsVisibleSubFoldersAndReadsOneLevelAhead)
{
    MakeFolders("b/b1/b11");
    MakeFolders("a");
    MakeFolders(".config/x");
    MakeFolders("Zeta");
    test::WriteFile(root_, "file.jpg");

    ASSERT_EQ(Root()->childCount(), 1);  // the placeholder before anything is read
    tree_->expandItem(Root());
    EXPECT_EQ(ChildTexts(Root()), (QStringList{"a", "b", "Zeta"}));
    QTreeWidgetItem* b = Root()->child(1);
    EXPECT_EQ(ChildTexts(b), QStringList{"b1"});  // read ahead
    EXPECT_EQ(b->child(0)->childCount(), 0);      // but only one level

    // Expanding b refreshes the level below it.
    tree_->expandItem(b);
    EXPECT_EQ(ChildTexts(b->child(0)), QStringList{"b11"});

    // Expanded again, the root refreshes the children of a, not its own list; both keep the
    // selection.
    MakeFolders("a/a1");
    tree_->SetDirectory(Path("a/a1"));
    tree_->collapseItem(Root());
    MakeFolders("a/a2");
    MakeFolders("c");
    tree_->expandItem(Root());
    EXPECT_EQ(ChildTexts(Root()->child(0)), (QStringList{"a1", "a2"}));
    tree_->RefreshNode(Root());
    EXPECT_EQ(ChildTexts(Root()), (QStringList{"a", "b", "c", "Zeta"}));
    EXPECT_EQ(tree_->Directory(), Path("a/a1"));
}

TEST_F(DirTreeTest, SettingDirectorySelectsExpandingTheWay)
{
    MakeFolders("a/deep/er/est");
    MakeFolders("b/.secret/inside");
    MakeFolders("c");
    const struct {
        const char* target;
        const char* selected;  // nullptr: stays where it was
    } cases[] = {
        {"a/deep/er/est", "a/deep/er/est"}, {"a/deep/./er/..", "a/deep"},
        {"b/.secret/inside", nullptr},  // below a hidden folder that has no node
        {"b/.secret", "b/.secret"},     // hidden, but its parent has a node
        {"missing/folder", nullptr},
    };
    for (const auto& c : cases) {
        tree_->SetDirectory(Path("c"));
        changes_.clear();
        tree_->SetDirectory(Path(QString::fromUtf8(c.target)));
        const QString expected = Path(QString::fromUtf8(c.selected ? c.selected : "c"));
        EXPECT_EQ(tree_->Directory(), expected) << c.target;
        EXPECT_EQ(changes_, c.selected ? QStringList{expected} : QStringList{}) << c.target;
    }
    tree_->SetDirectory(Path("a/deep/er/est"));
    changes_.clear();
    tree_->SetDirectory(Path("a/deep/er/est/"));  // the same folder again fires nothing
    EXPECT_TRUE(changes_.isEmpty());
    EXPECT_TRUE(tree_->FindNode(Path("a/deep"))->isExpanded());
    EXPECT_EQ(tree_->FindNode(Path("a/deep/er"))->parent(), tree_->FindNode(Path("a/deep")));
    EXPECT_EQ(tree_->FindNode(root_), Root());
    EXPECT_EQ(tree_->FindNode(Path("nothing")), nullptr);
}

TEST_F(DirTreeTest, NewFolderTakesTheFirstFreeNameAndOpensTheEditor)
{
    const struct {
        QStringList folders;
        QStringList files;
        const char* created;  // nullptr: creation fails
    } cases[] = {
        {{}, {}, "Neuer Ordner"},
        {{"Neuer Ordner", "Neuer Ordner (2)"}, {}, "Neuer Ordner (1)"},
        {{}, {"Neuer Ordner"}, nullptr},
    };
    for (const auto& c : cases) {
        QTemporaryDir parentDir(root_ + "/caseXXXXXX");
        const QString parent = parentDir.path();
        for (const QString& f : c.folders)
            test::MakeFolder(parent, f);
        for (const QString& f : c.files)
            test::WriteFile(parent, f);
        messages_.clear();
        tree_->RefreshNode(Root());
        TDirTreeNode* parentNode = tree_->FindNode(parent);
        ASSERT_NE(parentNode, nullptr);
        tree_->NewFolder(parentNode);
        if (c.created) {
            EXPECT_TRUE(QFileInfo(parent + "/" + c.created).isDir()) << c.created;
            EXPECT_TRUE(ChildTexts(parentNode).contains(c.created)) << c.created;
            EXPECT_TRUE(tree_->IsEditing());
            EXPECT_TRUE(messages_.isEmpty());
        } else {
            EXPECT_EQ(messages_, QStringList{"Es konnte kein Verzeichnis erstellt werden"});
            EXPECT_EQ(parentNode->childCount(), 0);
        }
        CancelEditor(*tree_);
    }
}

TEST_F(DirTreeTest, QuickKeysGiveOneChangeWhenTheCounterReturnsToZeroAndAClickAppliesAtOnce)
{
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g"})
        MakeFolders(name);
    tree_->SetDirectory(Path("a"));
    changes_.clear();
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(tree_.get(), Qt::Key_Down);
    ASSERT_LT(t.elapsed(), 200);
    EXPECT_EQ(tree_->PendingKeyboardChanges(), 5);
    EXPECT_TRUE(changes_.isEmpty());
    ASSERT_TRUE(RunEventsUntil([&] { return !changes_.isEmpty(); }));
    // Five ticks of 200 ms bring the counter back to zero.
    EXPECT_GE(t.elapsed(), 950);
    RunEventsFor(300);
    EXPECT_EQ(changes_, QStringList{Path("f")});
    EXPECT_EQ(tree_->PendingKeyboardChanges(), 0);

    // A mouse click during keyboard moves applies at once, and nothing follows it.
    changes_.clear();
    QTest::keyClick(tree_.get(), Qt::Key_Up);
    QTest::keyClick(tree_.get(), Qt::Key_Up);
    const QPoint at = tree_->visualItemRect(tree_->FindNode(Path("b"))).center();
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(changes_, QStringList{Path("b")});
    RunEventsFor(500);
    EXPECT_EQ(changes_, QStringList{Path("b")});
}

// The rename operation moves the folder for real, so the tree can be checked against the disk.
TEST_F(DirTreeTest, RenamingInPlaceChecksTheNameAndReSorts)
{
    MakeFolders("b");
    MakeFolders("m/inner");
    MakeFolders("x");
    const struct {
        const char* newName;
        bool operationSucceeds;
        QStringList children;
        bool operationCalled;
        bool message;
        bool listedMeanwhile = false;  // a listing during the operation's own loop frees the node
    } cases[] = {
        {"z", true, {"b", "x", "z"}, true, false},
        {"a*b", false, {"b", "m", "x"}, true, false},  // the tree lets '*' through
        {"x:y", true, {"b", "m", "x"}, false, true},
        {"A", true, {"A", "b", "x"}, true, false},
        {"y", true, {"b", "x", "y"}, true, false, true},
    };
    for (const auto& c : cases) {
        tree_->SetDirectory(Path("m/inner"));
        QStringList calls;
        tree_->RenameFolderOperation = [&](const QString& from, const QString& to) {
            calls << from + u'>' + to;
            const bool ok = c.operationSucceeds && QDir().rename(from, to);
            if (c.listedMeanwhile)
                tree_->RefreshNode(Root());
            return ok;
        };
        messages_.clear();
        nameChanges_ = 0;
        TDirTreeNode* m = tree_->FindNode(Path("m"));
        tree_->StartRename(m);
        QLineEdit* editor = Editor(*tree_);
        ASSERT_NE(editor, nullptr);
        editor->setText(QString::fromUtf8(c.newName));
        QTest::keyClick(editor, Qt::Key_Return);
        RunEventsFor(50);
        EXPECT_EQ(ChildTexts(Root()), c.children) << c.newName;
        EXPECT_EQ(calls.size(), c.operationCalled ? 1 : 0) << c.newName;
        if (c.listedMeanwhile) {
            QDir().rename(Path(QString::fromUtf8(c.newName)), Path("m"));
            tree_->RefreshNode(Root());
            continue;
        }
        EXPECT_EQ(messages_, c.message ? QStringList{kInvalidNameMessage} : QStringList{})
            << c.newName;
        const bool renamed = c.children.contains(QString::fromUtf8(c.newName));
        EXPECT_EQ(nameChanges_, renamed ? 1 : 0) << c.newName;
        // A refused name opens the editor again.
        EXPECT_EQ(tree_->IsEditing(), !renamed) << c.newName;
        if (renamed) {
            EXPECT_EQ(tree_->Directory(), Path(QString::fromUtf8(c.newName)) + "/inner");
            QDir().rename(Path(QString::fromUtf8(c.newName)), Path("m"));
            tree_->RefreshNode(Root());
        } else {
            CancelEditor(*tree_);
        }
    }
}

TEST_F(DirTreeTest, EditingAVolumeStartsFromItsLabelAndKeepsTheNameWhenItCannotBeWritten)
{
    volumes_[0].label = "DATA";
    computer_->Update();
    TDirTree tree(nullptr, computer_.get());
    tree.show();
    auto* root = static_cast<TDirTreeNode*>(tree.topLevelItem(0));
    EXPECT_EQ(root->text(0), "Data (" + root_ + ")");
    tree.StartRename(root);
    QLineEdit* editor = Editor(tree);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "DATA");
    editor->setText("NEW");
    QTest::keyClick(editor, Qt::Key_Return);
    RunEventsFor(20);
    EXPECT_EQ(root->text(0), "Data (" + root_ + ")");
}

TEST_F(DirTreeTest, DeletingAFolderMovesTheSelectionOffIt)
{
    const struct {
        const char* selected;
        const char* deleted;
        bool succeeds;
        const char* selectedAfter;
        bool nodeGone;
    } cases[] = {
        {"p/q/r", "p/q", true, "p", true},
        {"p/q/r", "p/q", false, "p", false},  // cancelled: the node stays
        {"p/q", "p/q", true, "p", true},
        {"s", "p/q", true, "s", true},
    };
    for (const auto& c : cases) {
        MakeFolders("p/q/r");
        MakeFolders("s");
        tree_->RefreshNode(Root());
        tree_->SetDirectory(Path(QString::fromUtf8(c.selected)));
        changes_.clear();
        QStringList deleted;
        tree_->DeleteFolderOperation = [&](const QString& folder) {
            deleted << folder;
            return c.succeeds && QDir(folder).removeRecursively();
        };
        tree_->DeleteFolder(tree_->FindNode(Path(QString::fromUtf8(c.deleted))));
        RunEventsFor(20);
        EXPECT_EQ(deleted, QStringList{Path(QString::fromUtf8(c.deleted))});
        EXPECT_EQ(tree_->Directory(), Path(QString::fromUtf8(c.selectedAfter))) << c.selected;
        const bool moved = QString::fromUtf8(c.selected) != QString::fromUtf8(c.selectedAfter);
        EXPECT_EQ(changes_.size(), moved ? 1 : 0) << c.selected;
        const bool present = ChildTexts(tree_->FindNode(Path("p"))).contains("q");
        EXPECT_EQ(present, !c.nodeGone) << c.selected;
    }
    tree_->DeleteFolder(Root());  // a volume is never deleted
    tree_->DeleteFolder(nullptr);
}

// Volumes come and go as root nodes; an unready removable one asks, and Cancel keeps the
// selection.
TEST_F(DirTreeTest, RemovableVolumesComeGoAndAskWhenNotReady)
{
    const QString usb = MakeFolders("usb");
    MakeFolders("usb/photos");
    MakeFolders("here");
    volumes_.push_back(Volume(usb, dtRemovable));
    computer_->Update();
    ASSERT_EQ(tree_->topLevelItemCount(), 2);
    auto* usbNode = static_cast<TDirTreeNode*>(tree_->topLevelItem(1));
    EXPECT_EQ(usbNode->MountPath(), usb);
    // A removable volume inside the tree is never read ahead from its parent.
    tree_->expandItem(Root());
    ASSERT_EQ(ChildTexts(Root()), (QStringList{"here", "usb"}));
    QTreeWidgetItem* usbFolder = Root()->child(1);
    ASSERT_EQ(usbFolder->childCount(), 1);
    EXPECT_EQ(static_cast<TDirTreeNode*>(usbFolder->child(0))->Kind(), nkPlaceholder);

    bool ready = false;
    tree_->VolumeReadyCheck = [&](const QString&) { return ready; };
    const struct {
        bool ready;
        int retries;  // Retry answers before Cancel
        bool selected;
        int questions;
        bool answersLate = false;  // ready, after longer than the tree waits (a dead mount)
    } cases[] = {
        {false, 0, false, 1},
        {false, 2, false, 3},
        {true, 0, true, 0},
        {true, 0, false, 1, true},
    };
    for (const auto& c : cases) {
        tree_->SetDirectory(Path("here"));
        changes_.clear();
        messages_.clear();
        ready = c.ready;
        retries_ = c.retries;
        if (c.answersLate)
            tree_->VolumeReadyCheck = [](const QString&) {
                QThread::msleep(600);
                return true;
            };
        tree_->setCurrentItem(usbNode);
        EXPECT_EQ(tree_->SelectedNode() == usbNode, c.selected);
        EXPECT_EQ(messages_.size(), c.questions);
        EXPECT_EQ(changes_.size(), c.selected ? 1 : 0);
        for (const QString& m : messages_)
            EXPECT_EQ(m, "Auf Laufwerk " + usb +
                             " kann nicht zugriffen werden.\nDas Gerät ist nicht bereit.");
    }

    tree_->SetDirectory(usb + "/photos");
    volumes_.pop_back();
    computer_->Update();
    EXPECT_EQ(tree_->topLevelItemCount(), 1);
    EXPECT_EQ(Root()->Kind(), nkDrive);
}

TEST_F(DirTreeTest, SlowListingGoesOnInTheBackgroundAndALateOneForARemovedNodeIsDropped)
{
    MakeFolders("slow/one");
    MakeFolders("slow/two");
    tree_->SetListingBudget(30);
    tree_->ListFoldersFn = [](const std::vector<TListRequest>& requests) {
        QThread::msleep(300);
        return ListFolders(requests);
    };
    QElapsedTimer t;
    t.start();
    tree_->expandItem(Root());
    EXPECT_LT(t.elapsed(), 250);
    ASSERT_EQ(Root()->childCount(), 1);
    EXPECT_EQ(static_cast<TDirTreeNode*>(Root()->child(0))->Kind(), nkPlaceholder);
    ASSERT_TRUE(RunEventsUntil([&] { return ChildTexts(Root()) == QStringList{"slow"}; }));
    EXPECT_EQ(ChildTexts(Root()->child(0)), (QStringList{"one", "two"}));

    // A late listing for a node removed meanwhile is dropped.
    tree_->RefreshNode(tree_->FindNode(Path("slow")));  // goes to the background
    tree_->ListFoldersFn = ListFolders;
    QDir(Path("slow")).removeRecursively();
    tree_->RefreshNode(Root());  // slow goes away before its listing comes back
    RunEventsFor(600);
    EXPECT_EQ(Root()->childCount(), 0);

    // Each child is listed on its own: one that does not answer holds up none of its siblings.
    MakeFolders("a"), MakeFolders("stuck/s1");
    tree_->RefreshNode(Root());
    RunEventsUntil([&] { return Root()->childCount() == 2; });
    tree_->collapseItem(Root());
    MakeFolders("a/a2");
    tree_->SetListingBudget(200);
    tree_->ListFoldersFn = [](const std::vector<TListRequest>& requests) {
        QThread::msleep(requests.back().path.endsWith("/stuck") ? 800 : 0);
        return ListFolders(requests);
    };
    tree_->expandItem(Root());  // refreshes the level below: a and stuck each
    EXPECT_EQ(ChildTexts(tree_->FindNode(Path("a"))), (QStringList{"a2"}));
}

// A dead mount stalls nothing around it: the volume table, the listing of its folder and the look
// one level ahead (it is listed, not looked into), a monitor started on it, the tree selecting
// below it or making a folder in it, the overwrite question about a copy into it.
TEST_F(DirTreeTest, ADeadMountFreezesNothing)
{
    MakeFolders("alive/inner");
    const QString dead = MakeFolders("dead");
    test::TDeadMount mount(MakeFolders("behind"), dead);
    if (!mount.Why().isEmpty())
        GTEST_SKIP() << qPrintable(mount.Why());
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(ReadVolumes().empty());
    const auto listings = ListFolders({TListRequest{root_, true, {}}});
    TDirMonitor monitor;
    monitor.SetDirectory(dead);
    monitor.SetActive(true);
    tree_->SetDirectory(dead + "/sub");
    tree_->NewFolder(tree_->FindNode(dead));
    QStringList sources{test::WriteFile(root_, "a.jpg")}, targets{dead + "/a.jpg"};
    EXPECT_TRUE(TFileOps().RequestOverwrite(sources, targets, false));
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_FALSE(mount.Revived());
    EXPECT_EQ(listings.at(0).names, (QStringList{"alive", "behind", "dead"}));
    EXPECT_TRUE(listings[0].lookAhead.at("alive") == QStringList{"inner"} &&
                !listings[0].lookAhead.contains("dead"));
    EXPECT_TRUE(changes_.isEmpty() && messages_.isEmpty());
}

TEST_F(DirTreeTest, ContextNodeIsTheRightClickedNodeHighlightedWhileTheMenuIsOpen)
{
    MakeFolders("a");
    MakeFolders("b");
    tree_->SetDirectory(Path("a"));
    TDirTreeNode* b = tree_->FindNode(Path("b"));
    bool highlighted = false;
    tree_->OnContextPopup = [&](TDirTree& t, const QPoint&) {
        highlighted = b->data(0, Qt::BackgroundRole).isValid();
        EXPECT_EQ(t.ContextNode(), b);
    };
    const QPoint at = tree_->visualItemRect(b).center();
    QContextMenuEvent mouse(QContextMenuEvent::Mouse, at, tree_->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(tree_->viewport(), &mouse);
    EXPECT_TRUE(highlighted);
    EXPECT_FALSE(b->data(0, Qt::BackgroundRole).isValid());
    EXPECT_EQ(tree_->ContextNode(), b);
    EXPECT_EQ(tree_->Directory(), Path("a"));

    QTest::keyClick(tree_.get(), Qt::Key_Menu);
    EXPECT_EQ(tree_->ContextNode(), tree_->SelectedNode());
}

TEST(FolderNames, TheTreeRefusesEightCharactersButNotTheAsterisk)
{
    for (const QChar c : QStringLiteral("\\/:?\"<>|"))
        EXPECT_TRUE(IsInvalidFolderName(QStringLiteral("a") + c + u'b')) << int(c.unicode());
    for (const char* valid : {"Urlaub 2024", "a*b", ""})
        EXPECT_FALSE(IsInvalidFolderName(QString::fromUtf8(valid))) << valid;
}

}  // namespace
}  // namespace pixmarl
