#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "display/DisplayFiles.h"
#include "display/ImgFiles.h"
#include "display/ImgWin.h"
#include "display/ViewRules.h"
#include "shell/Settings.h"
#include "support/EventWait.h"

namespace pixmarl {
namespace {

using test::RunEventsUntil;

// Which window each of a row of files opens in (0 the first viewer, n the n-th additional one),
// with every window left open.
std::vector<int> OpenInTurn(int maxForms, int files)
{
    std::vector<int> windows;
    int extras = 0;
    int nextReuse = -1;
    for (int i = 0; i < files; ++i) {
        const TViewerChoice c = ChooseViewer(maxForms, i > 0, extras, nextReuse);
        nextReuse = c.NextReuse;
        extras += c.Create ? 1 : 0;
        windows.push_back(c.Extra + 1);
    }
    return windows;
}

TEST(ViewerChoice, FilesGoRoundTheWindows)
{
    EXPECT_EQ(OpenInTurn(1, 4), std::vector<int>({0, 0, 0, 0}));
    EXPECT_EQ(OpenInTurn(2, 7), std::vector<int>({0, 1, 2, 0, 1, 2, 0}));
    // A hidden first viewer takes the file whatever the others show.
    EXPECT_EQ(ChooseViewer(2, false, 2, 1).Extra, -1);
    // Lowered from 4 to 2 with four additional windows open: the round ends at the second.
    EXPECT_EQ(ChooseViewer(2, true, 4, 2).Extra, -1);
    EXPECT_EQ(ChooseViewer(2, true, 4, 3).Extra, -1);
    EXPECT_EQ(ChooseViewer(3, true, 2, 1).Create, true);
}

TEST(AspectSizing, KeepsTheAreaAndTheFixedEdges)
{
    const QSize frame(10, 30);
    const struct {
        QRect proposed;
        int edge;
        QSize image;
        QRect sized;
    } cases[] = {
        // client 400 x 100 proposed for a 2:1 image: 282 x 141 keeps the area, from the top
        // right corner when the lower left one is dragged.
        {{100, 100, 410, 130}, seBottomLeft, {200, 100}, {218, 100, 292, 171}},
        {{100, 100, 410, 130}, seTopRight, {200, 100}, {100, 59, 292, 171}},
        {{100, 100, 410, 130}, seRight, {200, 100}, {100, 100, 292, 171}},
        // smaller than the frame: a 1 x 1 client, never a square root of a negative size
        {{0, 0, 4, 4}, seBottomRight, {300, 200}, {0, 0, 12, 31}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AspectSizing(c.proposed, c.edge, frame, c.image), c.sized) << c.edge;
    EXPECT_EQ(DraggedEdge({0, 0, 100, 100}, {-20, 0, 120, 150}), int(seBottomLeft));
    EXPECT_EQ(DraggedEdge({0, 0, 100, 100}, {10, 10, 100, 100}), 0);  // moved
}

class ViewersTest : public ::testing::Test {
protected:
    ViewersTest()
    {
        settings_.ViewStayOnTop = false;
        viewers_ = std::make_unique<TViewers>(settings_);
    }
    QString File(const QString& name, QColor color = Qt::red)
    {
        return test::SolidBmp(dir_.path(), name, {60, 40}, color);
    }
    // Starts a quick slideshow over new files of these names in the first viewer.
    TSlideshow& StartShow(std::initializer_list<const char*> names)
    {
        auto list = std::make_unique<TSimpleFileNameList>(dir_.path());
        for (const char* name : names)
            list->Add(QFileInfo(File(name)).fileName());
        viewers_->StartSlideshow(std::move(list));
        viewers_->ViewForm()->Slideshow().Timer()->setInterval(5);
        return viewers_->ViewForm()->Slideshow();
    }
    // Waits until the viewer shows fileName.
    static bool Shows(TViewForm* form, const QString& fileName)
    {
        return RunEventsUntil([&] { return form->windowTitle() == fileName; });
    }

    QTemporaryDir dir_;
    TSettings settings_;
    std::unique_ptr<TViewers> viewers_;
};

TEST_F(ViewersTest, ClosingTheFirstViewerPromotesTheOldestAdditionalOne)
{
    settings_.ViewMaxForms = 2;
    for (const char* name : {"1.bmp", "2.bmp", "3.bmp"})
        viewers_->ShowImage(File(name));
    const QList<TViewForm*> extras = viewers_->ExtraViewers();
    ASSERT_EQ(extras.size(), 2);
    EXPECT_TRUE(Shows(extras[1], dir_.filePath("3.bmp")));
    viewers_->ViewForm()->close();
    EXPECT_EQ(viewers_->ViewForm(), extras[0]);
    EXPECT_EQ(viewers_->ExtraViewers(), QList<TViewForm*>({extras[1]}));
    // The last one standing hides and stays.
    extras[1]->close();
    viewers_->ViewForm()->close();
    EXPECT_FALSE(viewers_->ViewForm()->isVisible());
    EXPECT_TRUE(viewers_->ViewForm()->ImageFile()->FileName().isEmpty());
}

TEST_F(ViewersTest, LoadingShowsLadeThenTheNameAndFitsTheWindow)
{
    TViewForm* form = viewers_->ViewForm();
    const QString file = File("pic.bmp");
    viewers_->ShowImage(file);
    EXPECT_EQ(form->windowTitle(), "Lade " + file);
    ASSERT_TRUE(Shows(form, file));
    EXPECT_EQ(form->size(), QSize(60, 40));

    form->EnterFullScreen();
    const QString other = test::SolidBmp(dir_.path(), "wide.bmp", {90, 30}, Qt::blue);
    form->LoadFile(other);
    ASSERT_TRUE(Shows(form, other));
    EXPECT_TRUE(form->RefitAfterRestore());
    form->Escape();
    EXPECT_TRUE(RunEventsUntil([&] { return form->size() == QSize(90, 30); }));
}

TEST_F(ViewersTest, ADropLoadsTheFirstFileAsACopy)
{
    TViewForm* form = viewers_->ViewForm();
    const QString file = File("dropped.bmp");
    QMimeData mime;
    // A file of another machine comes first; its path must not be taken for one of ours.
    QUrl remote = QUrl::fromLocalFile(File("remote.bmp"));
    remote.setHost(QStringLiteral("elsewhere.example"));
    mime.setUrls({remote, QUrl::fromLocalFile(file), QUrl::fromLocalFile(File("second.bmp"))});
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                    Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    static_cast<QObject*>(form)->event(&drop);  // as the drag manager delivers it
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_TRUE(Shows(form, file));
}

// The entry leaves the show only when the file is gone, and the step falling due during the
// question does not change which entry that is.
TEST_F(ViewersTest, DeletingDuringAShowRemovesTheEntryOnlyWhenTheFileIsGone)
{
    TViewForm* form = viewers_->ViewForm();
    TFileOpResult answer = frAborted;
    form->FileOps().OnExecute = [&](const TFileOpRequest&) {
        test::RunEventsFor(30);
        return answer;
    };
    TSlideshow& show = StartShow({"a.bmp", "b.bmp", "c.bmp"});
    for (const TFileOpResult result : {frAborted, frFailed, frSuccess}) {
        answer = result;
        const QString shown = form->ImageFile()->FileName();
        const int count = show.List()->Count();
        form->DeleteShownFile();
        QStringList left;
        for (int i = 0; i < show.List()->Count(); ++i)
            left << show.List()->Get(i);
        EXPECT_EQ(left.contains(shown), result != frSuccess) << shown.toStdString();
        EXPECT_EQ(left.size(), result == frSuccess ? count - 1 : count);
    }
}

TEST_F(ViewersTest, TheContextMenuHoldsTheShowUntilItCloses)
{
    TViewForm* form = viewers_->ViewForm();
    StartShow({"a.bmp", "b.bmp"});
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(0, 0),
                           form->mapToGlobal(QPoint(0, 0)));
    QCoreApplication::sendEvent(form, &menu);
    ASSERT_TRUE(form->PopupMenu()->isVisible());
    test::RunEventsFor(40);
    EXPECT_EQ(form->Slideshow().List()->Position, 0);
    form->PopupMenu()->hide();
    EXPECT_TRUE(RunEventsUntil([&] { return form->Slideshow().List()->Position == 1; }));
}

}  // namespace
}  // namespace pixmarl
