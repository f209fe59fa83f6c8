#include "QtPrinting.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "navigation/Explore.h"
#include "navigation/MyComputer.h"
#include "navigation/RqFld.h"

namespace pixmarl {
namespace {

class ReqFolderDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(dir_.path() + "/a/b");
        QDir().mkpath(dir_.path() + "/c");
        const TVolume v{dir_.path(), {}, {}, dtFixed, {}};
        computer_ = std::make_unique<TMyComputer>([v] { return std::vector<TVolume>{v}; }, false);
        dialog_ = std::make_unique<TReqFolderDlg>(nullptr, computer_.get());
    }

    // Runs the dialog, choosing folder in the tree, typing typed over its name when given, and
    // closing it with OK or Cancel.
    QString Request(const QString& folder, bool ok, const QString& typed = {})
    {
        QTimer::singleShot(0, [&] {
            dialog_->DirTree()->SetDirectory(folder);
            // The user's click in the tree gives it the focus.
            QFocusEvent focusIn(QEvent::FocusIn);
            QCoreApplication::sendEvent(dialog_->DirTree(), &focusIn);
            if (!typed.isEmpty())
                dialog_->Folder()->setEditText(typed);
            ok ? dialog_->accept() : dialog_->reject();
        });
        return RequestFolder();
    }

    QStringList History() const
    {
        QStringList items;
        for (int i = 0; i < dialog_->Folder()->count(); ++i)
            items << dialog_->Folder()->itemText(i);
        return items;
    }

    QTemporaryDir dir_;
    std::unique_ptr<TMyComputer> computer_;
    std::unique_ptr<TReqFolderDlg> dialog_;
};

TEST_F(ReqFolderDlgTest, OkAnswersTheFolderAndKeepsItMostRecentFirst)
{
    const QString a = dir_.path() + "/a";
    const QString c = dir_.path() + "/c";
    const struct {
        QString folder;
        QString typed;
        bool ok;
        QString answer;
        QStringList history;
    } steps[] = {
        {a, {}, true, a, {a}},
        {c, {}, false, "", {a}},
        {c, {}, true, c, {c, a}},
        {a, {}, true, a, {c, a}},  // already listed: not added twice
        {a, "Backup", true, a + "/Backup", {a + "/Backup", c, a}},  // inside the folder shown
    };
    for (const auto& s : steps) {
        EXPECT_EQ(Request(s.folder, s.ok, s.typed), s.answer) << s.folder.toStdString();
        EXPECT_EQ(History(), s.history);
    }
}

TEST_F(ReqFolderDlgTest, ShowingEmptiesTheTextAndHidingCollapsesTheTree)
{
    dialog_->show();
    dialog_->DirTree()->SetDirectory(dir_.path() + "/a/b");
    EXPECT_EQ(dialog_->Folder()->currentText(), dir_.path() + "/a/b");
    dialog_->Folder()->setEditText("typed");
    dialog_->DirTree()->setFocus();
    QApplication::processEvents();
    dialog_->hide();
    dialog_->show();
    EXPECT_EQ(dialog_->Folder()->currentText(), "");
    dialog_->hide();
    EXPECT_FALSE(dialog_->DirTree()->topLevelItem(0)->isExpanded());
}

TEST_F(ReqFolderDlgTest, DoubleClickStepsThroughTheHistory)
{
    QComboBox* folder = dialog_->Folder();
    folder->addItems({"/x", "/y", "/z"});
    const struct {
        const char* text;
        const char* after;
    } cases[] = {
        {"/x", "/y"}, {"/y", "/z"}, {"/z", "/x"}, {"/other", "/x"}, {"", "/x"},
    };
    for (const auto& c : cases) {
        folder->setEditText(QString::fromUtf8(c.text));
        QTest::mouseDClick(folder->lineEdit(), Qt::LeftButton);
        EXPECT_EQ(folder->currentText(), QString::fromUtf8(c.after)) << c.text;
    }
}

}  // namespace
}  // namespace pixmarl
