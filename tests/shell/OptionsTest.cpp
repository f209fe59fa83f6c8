#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "shell/Options.h"
#include "shell/Settings.h"
#include "support/EventWait.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

// Answers the next message boxes, one button each in turn, and remembers their texts.
class TMessageBoxAnswers {
public:
    explicit TMessageBoxAnswers(std::initializer_list<QMessageBox::StandardButton> buttons)
        : buttons_(buttons)
    {
        QTimer::singleShot(0, &context_, [this] { Poll(); });
    }
    const QStringList& Texts() const { return texts_; }

private:
    void Poll()
    {
        if (texts_.size() == buttons_.size())
            return;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box != last_) {
            last_ = box;
            texts_ << box->text();
            box->button(buttons_[texts_.size() - 1])->click();
        }
        QTimer::singleShot(10, &context_, [this] { Poll(); });
    }

    QList<QMessageBox::StandardButton> buttons_;
    QStringList texts_;
    QPointer<QMessageBox> last_;
    QObject context_;  // ends the polling with the object
};

class OptionsTest : public testing::Test {
protected:
    // A dialog that records the order of its callbacks, shown (which collects and fills).
    void Open(bool highColor = true)
    {
        dialog_ = std::make_unique<TOptionen>(settings_, highColor);
        dialog_->OnCollectSettings = [this] {
            calls_ << QStringLiteral("collect");
            settings_.TopLeft = {77, 88};
            settings_.ViewMaxForms = collectedMaxForms_;
        };
        dialog_->OnApplyOptions = [this] {
            calls_ << (dialog_->isVisible() ? QStringLiteral("apply while shown")
                                            : QStringLiteral("apply"));
        };
        dialog_->OnUninstallStarted = [this] { calls_ << QStringLiteral("uninstalling"); };
        dialog_->show();
    }
    template <class T>
    T* Find(const char* name) const
    {
        T* widget = dialog_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QCheckBox* Box(const char* name) const { return Find<QCheckBox>(name); }
    void Click(const char* button) const { Find<QPushButton>(button)->click(); }

    TSettings settings_;
    std::uint8_t collectedMaxForms_ = 2;
    std::unique_ptr<TOptionen> dialog_;
    QStringList calls_;
};

TEST_F(OptionsTest, UntouchedControlsGiveBackTheCollectedSettings)
{
    settings_.ImageFormats = TImageFormats{ifGIF, ifAVI};
    settings_.SaveDir = 0x00110001;  // a fixed start folder; the high bytes are not the dialog's
    settings_.StartDir = QStringLiteral("/home/ann/Bilder");
    settings_.SaveFavorites = true;
    settings_.ThumbOptions = toSpeedy | toGrayScale;
    settings_.ThumbGray = true;
    settings_.ViewDelayTime = 12;
    settings_.ThumbCount = 1200;  // beyond the range of its control
    Open();
    EXPECT_EQ(calls_, QStringList{QStringLiteral("collect")});
    EXPECT_TRUE(Find<QWidget>("StartDirPanel")->isEnabled());
    TSettings expected = settings_;
    expected.ThumbCount = 1000;
    Click("OKBtn");
    EXPECT_EQ(settings_, expected);
}

TEST_F(OptionsTest, OkCopiesTheControlsBackAndAppliesAfterClosing)
{
    settings_.ThumbOptions = 0xF0 | toNoSizeSmall;  // unknown bits are dropped
    Open(false);
    for (const char* name :
         {"JPEG", "BMP", "ICO", "AVI", "PNG", "NoSizeSmall", "ShareThumbs", "Foregr", "RepeatShow"})
        Box(name)->setChecked(false);
    for (const char* name : {"SaveDir", "SaveFavorites", "SpeedyThumbs"})
        Box(name)->setChecked(true);
    Find<QRadioButton>("FixedDir")->setChecked(true);
    Find<QLineEdit>("StartDir")->setText(QStringLiteral("/srv/pics"));
    Find<QSpinBox>("ThumbCount")->setValue(500);
    Find<QSpinBox>("ViewFormCount")->setValue(6);
    Find<QSpinBox>("DelayUpDn")->setValue(31);
    Click("OKBtn");

    TSettings expected;
    expected.TopLeft = {77, 88};
    expected.ImageFormats = TImageFormats{ifGIF, ifTIFF, ifWebP};
    expected.SaveDir = 0x0001;
    expected.StartDir = QStringLiteral("/srv/pics");
    expected.SaveFavorites = true;
    expected.ThumbCount = 500;
    expected.ThumbOptions = toSpeedy;
    expected.ThumbShare = false;
    expected.ThumbGray = true;  // not a high-colour screen
    expected.ViewMaxForms = 5;
    expected.ViewStayOnTop = false;
    expected.ViewDelayTime = 31;
    expected.RepeatShow = false;
    EXPECT_EQ(settings_, expected);
    EXPECT_EQ(calls_, QStringList({QStringLiteral("collect"), QStringLiteral("apply")}));
}

TEST_F(OptionsTest, StartFolderIsTakenOnlyWithAFixedStartFolder)
{
    settings_.SaveDir = 0x0001;
    settings_.StartDir = QStringLiteral("/old");
    Open();
    Find<QLineEdit>("StartDir")->setText(QStringLiteral("/typed"));
    Find<QRadioButton>("LastDir")->setChecked(true);
    Click("OKBtn");
    EXPECT_EQ(settings_.StartDir, QStringLiteral("/old"));
    EXPECT_TRUE(settings_.StartWithLastDir());
}

TEST_F(OptionsTest, CancelLeavesTheCollectedSettingsAlone)
{
    Open();
    const TSettings collected = settings_;
    Box("JPEG")->setChecked(false);
    Box("GrayScale")->setChecked(true);
    Find<QSpinBox>("DelayUpDn")->setValue(99);
    Click("CancelBtn");
    EXPECT_EQ(settings_, collected);
    EXPECT_EQ(calls_, QStringList{QStringLiteral("collect")});
}

TEST_F(OptionsTest, ViewerWindowLimitIsShownPlusOne)
{
    const struct {
        std::uint8_t stored;
        bool shownChecked;
        int shownCount;
        bool check;
        int chosenCount;
        std::uint8_t saved;
    } cases[] = {
        {1, false, 2, false, 2, 1}, {2, true, 3, true, 3, 2},      {1, false, 2, true, 2, 1},
        {2, true, 3, false, 3, 1},  {9, true, 10, true, 255, 254}, {0, false, 2, false, 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.stored));
        collectedMaxForms_ = c.stored;
        Open();
        EXPECT_EQ(Box("ViewForms")->isChecked(), c.shownChecked);
        EXPECT_EQ(Find<QSpinBox>("ViewFormCount")->value(), c.shownCount);
        Box("ViewForms")->setChecked(c.check);
        Find<QSpinBox>("ViewFormCount")->setValue(c.chosenCount);
        Click("OKBtn");
        EXPECT_EQ(settings_.ViewMaxForms, c.saved);
    }
}

TEST_F(OptionsTest, EditingControlsChecksTheirBoxes)
{
    collectedMaxForms_ = 1;
    Open();
    ASSERT_FALSE(Box("ViewForms")->isChecked());
    auto* countEdit = Find<QSpinBox>("ViewFormCount")->findChild<QLineEdit*>();
    ASSERT_NE(countEdit, nullptr);
    QTest::keyClicks(countEdit, QStringLiteral("4"));
    EXPECT_TRUE(Box("ViewForms")->isChecked());

    ASSERT_TRUE(Find<QRadioButton>("LastDir")->isChecked());
    QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(Find<QLineEdit>("StartDir"), &focusIn);
    EXPECT_TRUE(Find<QRadioButton>("FixedDir")->isChecked());

    auto* panel = Find<QWidget>("StartDirPanel");
    EXPECT_FALSE(panel->isEnabled());
    Box("SaveDir")->click();
    EXPECT_TRUE(panel->isEnabled());
    Box("SaveDir")->click();
    EXPECT_FALSE(panel->isEnabled());
}

class UninstallTest : public OptionsTest {
protected:
    QString Uninstaller() const { return dir_.filePath(QStringLiteral("pixmarl-uninstall")); }
    QTemporaryDir dir_;
};

TEST_F(UninstallTest, MissingUninstallerIsReported)
{
    Open();
    dialog_->SetUninstallerPath(Uninstaller());
    TMessageBoxAnswers answers({QMessageBox::Yes, QMessageBox::Ok});
    Click("UninstallBtn");
    EXPECT_EQ(answers.Texts(), QStringList({QStringLiteral("Execute the Uninstaller?"),
                                            QStringLiteral("Uninstaller cannot be found.")}));
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(calls_, QStringList{QStringLiteral("collect")});
}

TEST_F(UninstallTest, UninstallerBesideTheProgramIsStartedAfterConfirmation)
{
    const QString marker = dir_.filePath(QStringLiteral("ran"));
    test::WriteFile(dir_.path(), QStringLiteral("pixmarl-uninstall"),
                    "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n");
    QFile::setPermissions(Uninstaller(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    Open();
    dialog_->SetUninstallerPath(Uninstaller());
    {
        TMessageBoxAnswers decline({QMessageBox::No});
        Click("UninstallBtn");
    }
    EXPECT_TRUE(dialog_->isVisible());
    {
        TMessageBoxAnswers confirm({QMessageBox::Yes});
        Click("UninstallBtn");
    }
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(calls_, QStringList({QStringLiteral("collect"), QStringLiteral("uninstalling")}));
    EXPECT_TRUE(test::RunEventsUntil([&] { return QFile::exists(marker); }));
}

}  // namespace
}  // namespace pixmarl
