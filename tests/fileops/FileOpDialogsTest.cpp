#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "fileops/FileOpDialogs.h"
#include "fileops/FileOps.h"
#include "fileops/RenFile.h"
#include "fileops/ReqOverwrite.h"
#include "platform/Paths.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using test::WriteFile;

class ReqOverwriteTest : public testing::Test {
protected:
    ReqOverwriteTest()
    {
        dialog_.OnMessage = [this](const QString& caption, const QString& text) {
            messages_ << caption + u'|' + text;
        };
    }
    void Open(bool multiple, bool create = false)
    {
        TOverwriteQuestion q;
        q.Source = create ? QString() : source_;
        q.Target = target_;
        q.Existing = target_;
        q.Proposal = JoinPath(dir_.path(), "IMG_0001#2.JPG");
        q.Multiple = multiple;
        q.Taken = [this](const QString& path) { return path == JoinPath(dir_.path(), "used.JPG"); };
        dialog_.Prepare(q);
        dialog_.show();
        QApplication::setActiveWindow(&dialog_);
        QApplication::processEvents();
    }
    void Type(const QString& text)
    {
        dialog_.NewName->setFocus();
        QApplication::processEvents();
        QTest::keyClicks(dialog_.NewName, text);
    }

    QTemporaryDir dir_;
    QString source_ = WriteFile(dir_.path() + "/in", "IMG_0001.JPG", QByteArray(1234, 'x'));
    QString target_ = WriteFile(dir_.path(), "IMG_0001.JPG", QByteArray(99, 'y'));
    TReqOverwrite dialog_;
    QStringList messages_;
};

TEST_F(ReqOverwriteTest, ShowsBothFilesAndProposesAFreeName)
{
    Open(true);
    EXPECT_EQ(dialog_.FilenameLbl->text(), QStringLiteral("IMG_0001.JPG"));
    EXPECT_EQ(dialog_.ZSize->text(), QStringLiteral("99 Bytes"));
    EXPECT_EQ(dialog_.QSize->text(), QStringLiteral("1234 Bytes"));
    EXPECT_FALSE(dialog_.ZTime->text().isEmpty());
    EXPECT_EQ(dialog_.Pages->currentIndex(), 0);
    EXPECT_EQ(dialog_.NewName->text(), QStringLiteral("IMG_0001#2.JPG"));
    EXPECT_EQ(QApplication::focusWidget(), dialog_.RenBtn);
    // The column of answers for all is only there with several files.
    for (const bool multiple : {true, false}) {
        Open(multiple, !multiple);
        for (QPushButton* b : {dialog_.ReplaceAllBtn, dialog_.ReplaceNoneBtn, dialog_.RenameAllBtn,
                               dialog_.CancelBtn}) {
            EXPECT_EQ(b->isEnabled(), multiple);
            EXPECT_EQ(b->isVisible(), multiple);
        }
    }
    EXPECT_EQ(dialog_.Pages->currentIndex(), 1);  // a file to be created has no source
}

TEST_F(ReqOverwriteTest, EachButtonGivesItsAnswer)
{
    const struct {
        const char* name;
        QPushButton* TReqOverwrite::*button;
        TOverwriteAnswer answer;
        bool newTarget;
    } cases[] = {
        {"replace", &TReqOverwrite::Button1, oaReplace, false},
        {"rename", &TReqOverwrite::RenBtn, oaRename, true},
        {"don't replace", &TReqOverwrite::Button5, oaDontReplace, false},
        {"replace all", &TReqOverwrite::ReplaceAllBtn, oaReplaceAll, false},
        {"replace none", &TReqOverwrite::ReplaceNoneBtn, oaReplaceNone, false},
        {"rename all", &TReqOverwrite::RenameAllBtn, oaRenameAll, true},
        {"cancel", &TReqOverwrite::CancelBtn, oaCancel, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Open(true);
        QTest::mouseClick(dialog_.*c.button, Qt::LeftButton);
        EXPECT_FALSE(dialog_.isVisible());
        EXPECT_EQ(dialog_.Reply().Answer, c.answer);
        if (c.newTarget) {
            EXPECT_EQ(dialog_.Reply().NewTarget, JoinPath(dir_.path(), "IMG_0001#2.JPG"));
        }
    }
}

TEST_F(ReqOverwriteTest, EscapeOrClosingCancelsWhenCancelIsOfferedElseDoesNotReplace)
{
    for (const bool escape : {true, false}) {
        for (const auto& [multiple, answer] :
             {std::pair{true, oaCancel}, std::pair{false, oaDontReplace}}) {
            Open(multiple);
            if (escape)
                QTest::keyClick(&dialog_, Qt::Key_Escape);
            else
                dialog_.close();
            EXPECT_FALSE(dialog_.isVisible());
            EXPECT_EQ(dialog_.Reply().Answer, answer);
        }
    }
}

TEST_F(ReqOverwriteTest, TypingDropsInvalidCharactersAndADotBringsTheExtensionBack)
{
    Open(true);
    Type(QStringLiteral("x*?"));
    EXPECT_EQ(dialog_.NewName->text(), QStringLiteral("x.JPG"));
    dialog_.NewName->setText(QStringLiteral("x"));
    QTest::keyClick(dialog_.NewName, '.');
    EXPECT_EQ(dialog_.NewName->text(), QStringLiteral("x.JPG"));
    EXPECT_EQ(dialog_.NewName->selectedText(), QStringLiteral("JPG"));
    QTest::keyClicks(dialog_.NewName, QStringLiteral("gif"));
    EXPECT_EQ(dialog_.NewName->text(), QStringLiteral("x.gif"));
}

TEST_F(ReqOverwriteTest, RenamingToANameInUseOrIntoAnotherFolderKeepsTheDialogOpen)
{
    Open(true);
    dialog_.NewName->setText(QStringLiteral("../escape.JPG"));
    QTest::mouseClick(dialog_.RenBtn, Qt::LeftButton);
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(messages_.size(), 1);
    Type(QStringLiteral("used"));
    QTest::mouseClick(dialog_.RenBtn, Qt::LeftButton);
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(messages_.value(1), "used.JPG|This name already exists.\nPlease enter a new name!");
    dialog_.NewName->setText(QStringLiteral("free.JPG"));
    QTest::mouseClick(dialog_.RenBtn, Qt::LeftButton);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.Reply().NewTarget, JoinPath(dir_.path(), "free.JPG"));
}

// Opens with the base name selected, so typing replaces it; invalid characters are dropped as
// typed and a dot at the end of the base name steps over the extension.
TEST(RenFileDlg, OkGivesTheNewNameAndCancelKeepsTheOld)
{
    for (const bool ok : {true, false}) {
        QTimer::singleShot(50, [ok] {
            TRenFileDlg* dialog = RenFileDlg();
            EXPECT_FALSE(dialog->OldName->isEnabled());
            QTest::keyClicks(dialog->NewName, QStringLiteral("b*?:."));
            QTest::mouseClick(ok ? dialog->OKBtn : dialog->CancelBtn, Qt::LeftButton);
        });
        QString name = QStringLiteral("a.jpg");
        EXPECT_EQ(RenameFileDialog(name), ok);
        EXPECT_EQ(name, ok ? QStringLiteral("b.jpg") : QStringLiteral("a.jpg"));
    }
    QString empty;
    EXPECT_FALSE(RenameFileDialog(empty));
}

// Presses the button with the given text in the message box that opens next.
void AnswerNextBox(const QString& button)
{
    QTimer::singleShot(0, [button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons())
            if (b->text() == button)
                b->click();
    });
}

TEST(FileOpDialogs, ErrorAndTrashQuestionsMapTheirButtons)
{
    TFileOpDialogs dialogs;
    const TFileOpError error{foCopy, "/a/b.jpg", "/c/b.jpg", 28};
    const struct {
        const char* button;
        bool trash;  // the question after a failed move to the trash, else the error question
        int answer;
    } cases[] = {{"&Skip", false, eaSkip},
                 {"&Retry", false, eaRetry},
                 {"Cancel", false, eaCancel},
                 {"&Skip", true, taSkip},
                 {"&Delete permanently...", true, taDeletePermanently},
                 {"Cancel", true, taCancel}};
    for (const auto& c : cases) {
        AnswerNextBox(QString::fromUtf8(c.button));
        const int answer =
            c.trash ? int(dialogs.AskTrashFailed("/a/b.jpg")) : int(dialogs.AskError(error));
        EXPECT_EQ(answer, c.answer) << c.button;
    }
    AnswerNextBox(QStringLiteral("&No"));
    EXPECT_FALSE(dialogs.ConfirmDeletePermanently("/a/album", 12));
    AnswerNextBox(QStringLiteral("&Yes"));
    EXPECT_TRUE(dialogs.ConfirmTrash(3));
}

TEST(FileOpDialogs, ProgressAppearsAfterHalfASecondAndCancels)
{
    TFileOpDialogs dialogs;
    TFileOpProgress progress;
    progress.BytesTotal = 4000;
    progress.BytesDone = 1000;
    progress.CurrentItem = "/a/big.avi";
    progress.ElapsedMs = 100;
    EXPECT_TRUE(dialogs.ShowProgress(progress));
    EXPECT_EQ(dialogs.ProgressWindow(), nullptr);
    progress.ElapsedMs = 600;
    EXPECT_TRUE(dialogs.ShowProgress(progress));
    ASSERT_NE(dialogs.ProgressWindow(), nullptr);
    EXPECT_TRUE(dialogs.ProgressWindow()->isVisible());
    EXPECT_EQ(dialogs.ProgressWindow()->Bar->value(), 250);
    EXPECT_EQ(dialogs.ProgressWindow()->ActionLbl->text(), QStringLiteral("Copying \"big.avi\""));
    QTest::mouseClick(dialogs.ProgressWindow()->CancelBtn, Qt::LeftButton);
    EXPECT_FALSE(dialogs.ShowProgress(progress));
    dialogs.EndProgress();
    EXPECT_EQ(dialogs.ProgressWindow(), nullptr);
}

// Each window's questions open over that window, whichever window was wired last.
TEST(FileOpDialogs, EachWindowAsksOverItself)
{
    QTemporaryDir dir;
    QWidget windows[2];
    TFileOps ops[2];
    for (int i : {0, 1})
        InstallFileOpDialogs(ops[i], &windows[i]);
    for (int i : {0, 1}) {
        QWidget* askedOver = nullptr;
        QTimer::singleShot(0, [&askedOver] {
            auto* dialog = dynamic_cast<TReqOverwrite*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            askedOver = dialog->parentWidget();
            dialog->Button5->click();
        });
        QStringList sources{JoinPath(dir.path(), "in/a.jpg")};
        QStringList targets{WriteFile(dir.path(), "a.jpg", "old")};
        EXPECT_FALSE(RequestOverwrite(ops[i], sources, targets, false));
        EXPECT_EQ(askedOver, &windows[i]);
    }
}

}  // namespace
}  // namespace pixmarl
