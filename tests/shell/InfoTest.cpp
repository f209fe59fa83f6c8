#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "formats/InfoTexts.h"
#include "formats/RdJPGH.h"
#include "platform/FileAttributes.h"
#include "shell/Info.h"
#include "support/GifBuilder.h"
#include "support/JpegBuilder.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

enum { kGeneral, kHeader, kError };

class InfoTest : public testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes)
    {
        return test::WriteFile(dir_.path(), name, bytes);
    }
    QString Jpeg(const QString& name)
    {
        test::JpegParams spec;
        spec.comment = "hello\r\nworld";
        return Write(name, test::BuildJpeg(spec));
    }
    void Show(const QString& path)
    {
        dialog_.ShowFileInfo(path);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return dialog_.isVisible() && dialog_.FileName() == path; }));
    }
    template <class T = QWidget>
    T* Find(const char* name)
    {
        T* widget = dialog_.findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QTabWidget* Tabs() { return dialog_.findChild<QTabWidget*>(); }
    std::vector<bool> ShownTabs()
    {
        return {Tabs()->isTabVisible(kHeader), Tabs()->isTabVisible(kError)};
    }
    QCheckBox* ReadOnlyBox() { return Find<QCheckBox>("ReadOnlyChk"); }
    void Click(const char* button) { Find<QPushButton>(button)->click(); }
    // Waits for a write to finish: OK closes the dialog, Apply gives the buttons back.
    bool WaitForWrite()
    {
        return QTest::qWaitFor([&] { return !dialog_.isVisible() || Find("OKBtn")->isEnabled(); });
    }
    void TypeComment(const QString& text) { Find<QPlainTextEdit>("COM")->insertPlainText(text); }

    QTemporaryDir dir_;
    TFileInfo dialog_;
};

TEST_F(InfoTest, PagesFollowWhetherTheHeaderReads)
{
    Show(Jpeg("a.jpg"));
    EXPECT_EQ(ShownTabs(), std::vector<bool>({true, false}));
    EXPECT_EQ(Tabs()->currentIndex(), kGeneral);
    EXPECT_EQ(Find<QTreeWidget>("StdPropList")->topLevelItemCount(), 8);
    EXPECT_EQ(Find<QTreeWidget>("StdPropList")->topLevelItem(7)->text(1), "---");
    EXPECT_EQ(Find<QPlainTextEdit>("COM")->toPlainText(), "hello\nworld");
    EXPECT_EQ(dialog_.windowTitle(), "Properties of a.jpg");

    // Once the user looks at the header, the next readable file opens on it.
    Tabs()->setCurrentIndex(kHeader);
    test::GifParams gif;
    gif.globalColors.resize(256);
    Show(Write("b.gif", test::BuildGif(gif)));
    EXPECT_EQ(Tabs()->currentIndex(), kHeader);
    EXPECT_FALSE(Find("COM")->isVisibleTo(&dialog_));

    Show(Write("PICTURE.JPG", test::BuildGif(gif)));
    EXPECT_EQ(ShownTabs(), std::vector<bool>({false, true}));
    EXPECT_EQ(Tabs()->currentIndex(), kGeneral);
    EXPECT_EQ(Find<QLabel>("TypeLabel")->text(), "JPEG/JFIF Image File");
    Tabs()->setCurrentIndex(kError);
    Click("CheckType");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Find("UniPropList")->isVisible(); }));
    EXPECT_TRUE(Find<QPlainTextEdit>("ResMemo")->toPlainText().endsWith("\nPICTURE.GIF"));
    EXPECT_EQ(Find<QTreeWidget>("UniPropList")->topLevelItem(2)->text(1), "256 colors (89a)");
    EXPECT_FALSE(Find("CheckType")->isEnabled());

    Show(Write("c.ico", QByteArray(40, '\0')));
    EXPECT_EQ(ShownTabs(), std::vector<bool>({false, false}));
}

TEST_F(InfoTest, OkCancelAndApplyThenCancel)
{
    const struct {
        std::vector<const char*> buttons;
        bool readOnly;
    } cases[] = {
        {{"OKBtn"}, true},
        {{"CancelBtn"}, false},
        {{"ApplyBtn", "CancelBtn"}, true},
    };
    int count = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.buttons.front());
        const QString path = Jpeg(QStringLiteral("%1.jpg").arg(++count));
        Show(path);
        const QSignalSpy changed(&dialog_, &TFileInfo::FileChanged);
        EXPECT_FALSE(Find("ApplyBtn")->isEnabled());
        ReadOnlyBox()->click();
        EXPECT_TRUE(Find("ApplyBtn")->isEnabled());
        for (const char* button : c.buttons) {
            Click(button);
            ASSERT_TRUE(WaitForWrite());
        }
        EXPECT_FALSE(dialog_.isVisible());
        EXPECT_EQ((ReadFileAttributes(path) & faReadOnly) != 0, c.readOnly);
        EXPECT_EQ(changed.size(), c.readOnly ? 1 : 0);
    }
}

// A comment that cannot be written is reported; the dialog stays with the change pending.
TEST_F(InfoTest, FailedCommentWriteKeepsTheDialogOpen)
{
    const struct {
        const char* name;
        QString comment;
        bool damage;
    } cases[] = {
        {"too long", QString(kMaxJpegComment + 1, u'x'), false},
        {"damaged meanwhile", "new", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Jpeg(QStringLiteral("%1.jpg").arg(c.name));
        Show(path);
        if (c.damage)
            Write(QStringLiteral("%1.jpg").arg(c.name), "not a jpeg any more");
        const QByteArray before = test::ReadWholeFile(path);
        TypeComment(c.comment);
        Click("OKBtn");
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog_.findChild<QMessageBox*>() != nullptr; }));
        auto* box = dialog_.findChild<QMessageBox*>();
        EXPECT_TRUE(box->text().contains("comment")) << box->text().toStdString();
        EXPECT_TRUE(dialog_.isVisible());
        EXPECT_TRUE(Find("ApplyBtn")->isEnabled());
        EXPECT_EQ(test::ReadWholeFile(path), before);
        delete box;
    }
}

// The reused dialog shows each file's own entry: a hidden file's real size and its fixed Hidden
// box, then for a file gone meanwhile nothing of the one before, and nothing to change.
TEST_F(InfoTest, GeneralPageShowsTheEntryOrUnknownWhenItIsGone)
{
    const QString path = Write(".secret.jpg", QByteArray(12345, 'x'));
    WriteFileAttributes(path, faReadOnly);
    Show(path);
    EXPECT_EQ(Find<QLabel>("SizeLbl")->text(), FileSizeText(12345));
    EXPECT_NE(Find<QLabel>("WriteEdit")->text(), "unknown");
    EXPECT_TRUE(ReadOnlyBox()->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("HiddenChk")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("HiddenChk")->isEnabled());

    Show(dir_.filePath("gone.jpg"));
    for (const char* name : {"SizeLbl", "CreateEdit", "WriteEdit", "AccessEdit"})
        EXPECT_EQ(Find<QLabel>(name)->text(), "unknown") << name;
    EXPECT_FALSE(ReadOnlyBox()->isChecked());
    EXPECT_FALSE(ReadOnlyBox()->isEnabled());
    EXPECT_FALSE(Find("ApplyBtn")->isEnabled());
}

TEST_F(InfoTest, EscapeInTheCommentClosesWithoutWriting)
{
    const QString path = Jpeg("a.jpg");
    Show(path);
    Tabs()->setCurrentIndex(kHeader);
    TypeComment("more");
    QTest::keyClick(Find("COM"), Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    TInfoRec info;
    ReadJPEGHeader(path, kReadJpegComment, info);
    EXPECT_EQ(info.Comment, "hello\r\nworld");
}

}  // namespace
}  // namespace pixmarl
