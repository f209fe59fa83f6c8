#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>

#include "fileops/BmpPaste.h"
#include "fileops/DragSrc.h"
#include "fileops/DropTrg.h"
#include "fileops/FileExchange.h"
#include "fileops/FileNames.h"
#include "fileops/FileOps.h"
#include "fileops/ScriptedPrompts.h"
#include "navigation/Explore.h"
#include "navigation/MyComputer.h"
#include "platform/Paths.h"
#include "support/BmpBuilder.h"
#include "support/DropEvents.h"
#include "support/EventWait.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using test::WriteFile;

constexpr TDropEffects C = 1, M = 2, L = 4, CM = 3, CML = 7;

TEST(DropEffect, ChosenFromKeysOfferAndTarget)
{
    const struct {
        TDropEffects offered;
        bool ctrl, shift;
        TDropEffects accepted;
        TDropEffects chosen;
    } cases[] = {
        {CML, 0, 0, CML, C},    // from a file manager onto the file view: copy
        {CML, 0, 1, CML, M},    // Shift moves
        {CML, 1, 0, CML, C},    // Ctrl copies
        {CML, 1, 1, CML, L},    // Ctrl+Shift links (the file view then does nothing)
        {M, 0, 0, CML, M},      // a move-only offer is kept
        {M | L, 0, 0, CM, M},   // so is move + link, as far as the target takes it
        {CML, 1, 1, CM, C},     // the tree refuses links: its default, copy
        {CML, 0, 1, C, C},      // a copy-only target copies whatever the keys say
        {M, 0, 0, C, 0},        // ... and refuses a move-only offer
        {L, 0, 0, CM, 0},       // a link-only offer to the tree is refused
        {CML, 1, 0, M | L, L},  // copy not taken: a link where links are taken
        {CML, 0, 1, C | L, L},  // move not taken: likewise
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseDropEffect(c.offered, {c.ctrl, c.shift}, c.accepted, deCopy), c.chosen)
            << c.offered << " " << c.ctrl << c.shift << " " << c.accepted;
}

TEST(FileUrls, AwkwardNamesSurviveEveryFormatAndOnlyLocalFilesAreTaken)
{
    for (const char* name : {"a b.jpg", "#1.jpg", "what?.jpg", "100%.jpg", "%41.jpg", "ü ñ 漢.jpg",
                             "a;b,c&d=e+f'.jpg", "line\nbreak.jpg"}) {
        const QStringList files{"/tmp/x y/" + QString::fromUtf8(name)};
        std::unique_ptr<QMimeData> data(NewFilesMimeData(files, fuCopy));
        EXPECT_EQ(FilesOfMimeData(data.get()), files) << name;
        EXPECT_FALSE(IsCutMimeData(data.get()));
        QMimeData gnomeOnly;
        gnomeOnly.setData(kGnomeCopiedFilesMime, data->data(kGnomeCopiedFilesMime));
        EXPECT_EQ(FilesOfMimeData(&gnomeOnly), files) << name;
    }
    std::unique_ptr<QMimeData> two(NewFilesMimeData({"/a b", "", "/c"}, fuCut));
    EXPECT_EQ(two->data(kGnomeCopiedFilesMime), "cut\nfile:///a%20b\nfile:///c");
    // Cut as either family of file managers says it; a copy is not.
    QMimeData kdeCut;
    kdeCut.setUrls({QUrl::fromLocalFile("/a")});
    kdeCut.setData(kKdeCutSelectionMime, "1");
    EXPECT_TRUE(IsCutMimeData(two.get()) && IsCutMimeData(&kdeCut));
    // Other hosts, other schemes and relative names are left out; a folder loses its "/".
    QMimeData mixed;
    mixed.setData(kUriListMime, "http://h/x.jpg\r\nfile://otherhost/y.jpg\r\nfile:rel.jpg\r\n"
                                "smb://h/z.jpg\r\nfile:///tmp/dir/\r\nfile://localhost/k.jpg\r\n");
    EXPECT_EQ(FilesOfMimeData(&mixed), (QStringList{"/tmp/dir", "/k.jpg"}));
    mixed.setData(kUriListMime, "https://h/x.jpg\r\n");
    EXPECT_EQ(PasteKindOf(&mixed), paNothing);  // nothing local: no paste
}

TEST(ClipboardImage, APictureThatDecodesToNothingIsNone)
{
    QMimeData empty, picture;
    empty.setImageData(QImage());
    picture.setImageData(QImage(3, 2, QImage::Format_RGB32));
    EXPECT_EQ(PasteKindOf(&empty), paNothing);
    EXPECT_EQ(PasteKindOf(&picture), paImage);
    const struct {
        QSize size, fitted;
    } fits[] = {{{290, 100}, {145, 50}},
                {{100, 290}, {50, 145}},
                {{29, 29}, {145, 145}},
                {{10000, 1}, {145, 1}},
                {{0, 0}, {}}};
    for (const auto& f : fits)
        EXPECT_EQ(FitPreviewSize(f.size), f.fitted) << f.size.width() << "x" << f.size.height();
}

// A widget that notes the events that reach it.
struct TEventLog : QWidget {
    QList<QEvent::Type> seen;
    bool event(QEvent* e) override { return seen << e->type(), QWidget::event(e); }
};

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

TEST(DragSource, OnlyLeavingTheControlWithTheButtonHeldStartsADrag)
{
    const auto Move = QEvent::MouseMove;
    const struct {
        QList<QPoint> heldMoves;
        bool releaseFirst, moveWithoutButtonFirst;
        int tolerance;
        QStringList files;
        int result;  // -1: no drag
    } cases[] = {
        {{{90, 90}, {1, 1}}, true, false, 0, {"/a"}, -1},             // released inside
        {{{90, 90}, {120, 50}}, false, false, 0, {"/a"}, drDropped},  // left the right edge
        {{{50, -1}}, false, false, 0, {"/a"}, drDropped},             // ... or the top
        {{{120, 50}}, false, true, 0, {"/a"}, -1},                    // a move without the button
        {{{56, 50}}, false, false, 5, {"/a"}, drDropped},             // past a tolerance
        {{{120, 50}}, false, false, 0, {}, drNothingToDrag},
    };
    for (const auto& c : cases) {
        TEventLog control;
        control.resize(100, 100);
        control.setMouseTracking(true);  // moves without a button reach it
        TDragSource source;
        source.SetDropEffects(CML);
        QList<int> results;
        int execs = 0;
        source.OnStartDrag = [&] { source.AddFiles(c.files); };
        source.OnEndDrag = [&](TDragResult r) { results << r; };
        source.ExecDrag = [&](const QMimeData& data, Qt::DropActions offered) {
            ++execs;
            EXPECT_EQ(FilesOfMimeData(&data), c.files);
            EXPECT_EQ(offered, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
            return Qt::MoveAction;
        };
        source.BeginDragDetect(&control, {50, 50}, c.tolerance, c.tolerance);
        if (c.releaseFirst)
            SendMouse(&control, QEvent::MouseButtonRelease, {50, 50}, Qt::NoButton);
        if (c.moveWithoutButtonFirst)
            SendMouse(&control, Move, {60, 60}, Qt::NoButton);
        for (const QPoint& p : c.heldMoves)
            SendMouse(&control, Move, p, Qt::LeftButton);
        EXPECT_EQ(results, c.result < 0 ? QList<int>{} : QList<int>{c.result});
        EXPECT_EQ(execs, c.result == drDropped ? 1 : 0);
        EXPECT_EQ(source.State(), TDragSource::dsIdle);
        // The control sees no move with the button held while armed; a release reaches it.
        EXPECT_EQ(control.seen.count(QEvent::MouseButtonRelease), c.releaseFirst ? 1 : 0);
        if (c.result == drDropped) {
            EXPECT_EQ(source.DroppedEffect(), deMove);
        }
    }
}

TEST(DragSource, APressOnAMultipleSelectionKeepsItForTheDrag)
{
    QStringListModel model({"a", "b", "c", "d"});
    QListView view;
    view.setModel(&model);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.resize(200, 200);
    view.show();
    TDragSource source;
    QStringList dragged;
    source.OnStartDrag = [&] {
        for (const QModelIndex& i : view.selectionModel()->selectedRows())
            dragged << i.data().toString();
    };
    source.ExecDrag = [](const QMimeData&, Qt::DropActions) { return Qt::IgnoreAction; };
    ArmOnSelectionPress(source, &view);
    view.selectionModel()->select(QItemSelection(model.index(1), model.index(2)),
                                  QItemSelectionModel::Select);
    QWidget* port = view.viewport();
    QTest::mousePress(port, Qt::LeftButton, {}, view.visualRect(model.index(2)).center());
    EXPECT_EQ(view.selectionModel()->selectedRows().size(), 2);
    SendMouse(port, QEvent::MouseMove, {-5, 5}, Qt::LeftButton);
    dragged.sort();
    EXPECT_EQ(dragged, (QStringList{"b", "c"}));
    // A press elsewhere selects as usual and arms nothing.
    QTest::mouseClick(port, Qt::LeftButton, {}, view.visualRect(model.index(0)).center());
    EXPECT_EQ(source.State(), TDragSource::dsIdle);
    EXPECT_EQ(view.selectionModel()->selectedRows().size(), 1);
}

// A browser window's exchange over a shown folder, a tree of the temporary folder and scripted
// file operations.
class ExchangeTest : public testing::Test {
protected:
    ExchangeTest()
    {
        ops_.OnAskOverwrite = [this](const TOverwriteQuestion& q) {
            asked_ << ExtractFileName(q.Target);
            return TOverwriteReply{oaRename, q.Proposal};
        };
        ops_.OnExecute = [this](const TFileOpRequest& r) {
            return TFileOperation(r, prompts_).Run();
        };
        exchange_.ShownFolder = [this] { return shown_; };
        exchange_.SetShownView(&view_);
        view_.resize(200, 200);
    }
    // A drag of files from another program onto w; the file operation comes after the drop.
    static Qt::DropAction Drop(QWidget* w, const QStringList& files, Qt::KeyboardModifiers keys,
                               QPoint pos = {10, 10}, Qt::DropActions offered = Qt::DropActions(7))
    {
        const Qt::DropAction action = test::SendFileDrop(w, files, keys, pos, offered);
        test::RunEventsFor(10);
        return action;
    }
    QStringList Names(const QString& folder) const { return QDir(folder).entryList(QDir::Files); }

    QTemporaryDir dir_;
    QString src_ = test::MakeFolder(dir_.path(), "src");
    QString shown_ = test::MakeFolder(dir_.path(), "shown");
    QWidget window_, view_;
    TFileOps ops_;
    test::TScriptedPrompts prompts_;
    TFileExchange exchange_{ops_, &window_};
    QStringList asked_;
};

TEST_F(ExchangeTest, DropsOnTheFileViewCopyMoveOrDoNothingAsTheKeysSay)
{
    const QString a = WriteFile(src_, "a.jpg"), b = WriteFile(src_, "b #1.jpg");
    EXPECT_EQ(Drop(&view_, {a}, Qt::ControlModifier | Qt::ShiftModifier), Qt::LinkAction);
    EXPECT_TRUE(Names(shown_).isEmpty());
    EXPECT_EQ(Drop(&view_, {a}, {}), Qt::CopyAction);
    // Moved, but the other program hears "copied", so it does not remove the file itself.
    EXPECT_EQ(Drop(&view_, {b}, Qt::ShiftModifier), Qt::CopyAction);
    EXPECT_EQ(Names(shown_), (QStringList{"a.jpg", "b #1.jpg"}));
    EXPECT_EQ(Names(src_), QStringList{"a.jpg"});
    // Files already there go through the overwrite request.
    EXPECT_EQ(Drop(&view_, {a}, {}), Qt::CopyAction);
    EXPECT_EQ(asked_, QStringList{"a.jpg"});
    EXPECT_TRUE(QFile::exists(shown_ + "/a#2.jpg"));
    // The own view is off while it is the source of a drag.
    exchange_.DragSource().OnStartDrag();
    EXPECT_FALSE(view_.acceptDrops());
    exchange_.DragSource().OnEndDrag(drNotDropped);
    EXPECT_TRUE(view_.acceptDrops());
}

TEST_F(ExchangeTest, FolderButtonsTakeDropsIntoTheirFolders)
{
    const QString a = WriteFile(src_, "a.jpg");
    TEventLog strip, *button = new TEventLog;
    button->setParent(&strip);
    exchange_.AttachFolderButtons(&strip, [&](QPoint p) {
        return p.x() < 50 ? TFileExchange::TFolderSpot{shown_, button}
                          : TFileExchange::TFolderSpot{};
    });
    EXPECT_EQ(Drop(&strip, {a}, {}, {70, 5}), Qt::IgnoreAction);  // beside the buttons
    EXPECT_EQ(Drop(&strip, {a}, Qt::ShiftModifier, {10, 5}), Qt::CopyAction);
    EXPECT_EQ(Names(shown_), QStringList{"a.jpg"});
    EXPECT_EQ(button->seen.count(QEvent::Enter), 1);  // hot while the drag is over it
    EXPECT_EQ(button->seen.count(QEvent::Leave), 1);
}

TEST_F(ExchangeTest, TreeTakesDropsIntoTheFolderUnderThePointerWithoutSelectingIt)
{
    const QString a = WriteFile(src_, "a.jpg"), b = WriteFile(src_, "b.jpg");
    TMyComputer computer(
        [this] {
            return std::vector<TVolume>{{dir_.path(), "ext4", dir_.path(), dtFixed, {}}};
        },
        false);
    TDirTree tree(nullptr, &computer);
    tree.resize(300, 300);
    tree.show();
    exchange_.AttachTree(&tree);
    tree.SetDirectory(src_);
    TDirTreeNode* target = tree.FindNode(shown_);
    ASSERT_NE(target, nullptr);
    const QPoint at = tree.visualItemRect(target).center();
    // Ctrl+Shift asks for a link, which the tree turns into a copy.
    EXPECT_EQ(Drop(tree.viewport(), {a}, Qt::ControlModifier | Qt::ShiftModifier, at),
              Qt::CopyAction);
    EXPECT_EQ(Drop(tree.viewport(), {b}, Qt::ShiftModifier, at), Qt::CopyAction);
    // Moved into its own folder, a file stays as it is, and nothing is asked.
    Drop(tree.viewport(), {shown_ + "/b.jpg"}, Qt::ShiftModifier, at);
    EXPECT_TRUE(asked_.isEmpty());
    EXPECT_EQ(Names(shown_), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_EQ(Names(src_), QStringList{"a.jpg"});
    EXPECT_EQ(tree.Directory(), src_);
    EXPECT_EQ(tree.DropHighlighted(), nullptr);
    // Below the last node there is no folder to drop into.
    EXPECT_EQ(Drop(tree.viewport(), {a}, {}, {5, 295}), Qt::IgnoreAction);
}

TEST_F(ExchangeTest, ClipboardCopiesFilesPastesThemAndPicturesAndKeepsItWhenAFileDoesNotLoad)
{
    const QString a = WriteFile(src_, "a.jpg");
    exchange_.SelectedFiles = [&] { return QStringList{a}; };
    exchange_.CopyFiles();
    exchange_.Paste();
    exchange_.Paste();  // a second time: the overwrite request
    EXPECT_EQ(Names(shown_), (QStringList{"a#2.jpg", "a.jpg"}));
    EXPECT_EQ(asked_, QStringList{"a.jpg"});
    // Cut files move once; the clipboard then holds nothing to paste.
    const QString b = WriteFile(src_, "b.jpg");
    exchange_.SelectedFiles = [&] { return QStringList{b}; };
    exchange_.CutFiles();
    exchange_.ShownFolder = [&] { return src_; };
    exchange_.Paste();  // where they are: nothing to do, nothing asked
    exchange_.ShownFolder = [&] { return shown_; };
    exchange_.Paste();
    EXPECT_EQ(asked_, QStringList{"a.jpg"});
    EXPECT_EQ(Names(src_), QStringList{"a.jpg"});
    EXPECT_EQ(Names(shown_), (QStringList{"a#2.jpg", "a.jpg", "b.jpg"}));
    EXPECT_EQ(ClipboardPasteKind(), paNothing);

    QSignalSpy copied(&exchange_, &TFileExchange::OnImageContentCopied);
    QString focused = WriteFile(src_, "bad.bmp", "BM garbage");
    exchange_.FocusedFile = [&] { return focused; };
    QGuiApplication::clipboard()->setText("kept");
    exchange_.CopyImageContent();
    ASSERT_TRUE(test::RunEventsUntil([&] { return copied.size() == 1; }));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
    focused = WriteFile(src_, "good.bmp", test::BuildBmp({.width = 7, .height = 5}));
    exchange_.CopyImageContent();
    ASSERT_TRUE(test::RunEventsUntil([&] { return copied.size() == 2; }));
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(7, 5));
    EXPECT_EQ(ClipboardPasteKind(), paImage);
}

TEST_F(ExchangeTest, APastedPictureIsWrittenAsBmpUnderACheckedName)
{
    TBmpPasteDlg& dialog = exchange_.PasteDialog();
    QStringList said;
    bool replace = false;
    dialog.ShowError = [&](const QString& text) { said << text; };
    dialog.AskReplace = [&](const QString& text) { return said << text, replace; };
    QImage red(290, 100, QImage::Format_RGB32), blue(red.size(), red.format());
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    const auto saveAs = [&](const QImage& picture, const char* name, bool replaceAnswer) {
        dialog.Prepare(picture, shown_);
        replace = replaceAnswer;
        dialog.Filename->setText(name);
        dialog.accept();
        return QImage(shown_ + "/x.jpg", "bmp").pixel(5, 5);
    };
    dialog.Prepare(red, shown_);
    EXPECT_EQ(dialog.Filename->text(), "Clipboard.bmp");
    EXPECT_EQ(dialog.Image->pixmap().size(), QSize(145, 50));
    saveAs(red, "a:b.jpg", false);
    EXPECT_EQ(saveAs(red, "x.jpg", false), QColor(Qt::red).rgb());
    EXPECT_EQ(saveAs(blue, "x.jpg", false), QColor(Qt::red).rgb());  // "No" keeps the file
    EXPECT_EQ(saveAs(blue, "x.jpg", true), QColor(Qt::blue).rgb());
    EXPECT_EQ(said, (QStringList{InvalidFileNameMessage(), "Replace existing file?",
                                 "Replace existing file?"}));
    EXPECT_EQ(Names(shown_), QStringList{"x.jpg"});
    EXPECT_TRUE(test::ReadWholeFile(shown_ + "/x.jpg").startsWith("BM"));
}

}  // namespace
}  // namespace pixmarl
