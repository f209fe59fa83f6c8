#include <gtest/gtest.h>

#include <deque>
#include <future>

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "conversion/ConvDlg.h"
#include "conversion/Conversions.h"
#include "conversion/JobStatus.h"
#include "conversion/SaveFilesDlg.h"
#include "fileops/FileNames.h"
#include "fileops/FileOps.h"
#include "navigation/QtPrinting.h"
#include "platform/Paths.h"
#include "support/EventWait.h"
#include "support/JpegBuilder.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

// Each format shows its page and reads its own options, leaving the others' fields; every use
// starts from the same defaults.
TEST(FormatDlg, EachFormatReadsItsOwnOptions)
{
    const struct {
        int button;
        const char* page;
        TImageFormat format;
        TConvertOptions expected;
    } cases[] = {
        {0, "JPEG", ifJPEG, {.Quality = 55, .Grayscale = true, .Progressive = true}},
        {1, "GIF", ifGIF, {.Quality = 80, .Grayscale = false, .Interlaced = true}},
        {2, "BMP", ifBMP, {}},
    };
    for (const auto& c : cases) {
        TFormatDlg dialog;
        dialog.Prepare(ifGIF, kConvertTargets);
        const auto buttons = dialog.FormatGroup->findChildren<QRadioButton*>();
        ASSERT_EQ(buttons.size(), 3);
        EXPECT_TRUE(buttons[1]->isChecked());
        EXPECT_EQ(dialog.QualityUD->value(), 80);
        EXPECT_FALSE(dialog.CBProgressive->isChecked() || dialog.CBGrayscale->isChecked() ||
                     dialog.CBInterlaced->isChecked());
        buttons[c.button]->click();
        EXPECT_EQ(dialog.OptionsPages->currentWidget()->objectName(), c.page);
        dialog.QualityUD->setValue(55);
        for (QCheckBox* box : {dialog.CBProgressive, dialog.CBGrayscale, dialog.CBInterlaced})
            box->setChecked(true);
        TConvertOptions options;
        EXPECT_EQ(dialog.Read(options), c.format);
        EXPECT_EQ(QList<int>({options.Quality, options.Progressive, options.Grayscale,
                              options.Interlaced}),
                  QList<int>({c.expected.Quality, c.expected.Progressive, c.expected.Grayscale,
                              c.expected.Interlaced}))
            << c.page;
    }
}

TEST(SaveMultipleFilesDlg, BrowsePutsTheChosenFolder)
{
    TSaveMultipleFilesDlg dialog;
    dialog.Prepare("*.JPG", "/p");
    for (const QString& chosen : {QString("/q"), QString()}) {
        dialog.OnRequestFolder = [chosen] { return chosen; };
        dialog.FindFolder->click();
        EXPECT_EQ(dialog.Folder->text(), "/q");
    }
}

// A click as the user makes it, from the event loop: a window it closes is freed in that loop.
void ClickInLoop(QPushButton* button)
{
    QTimer::singleShot(0, button, &QPushButton::click);
}

TEST(StatusForm, GrowsWithTheFirstErrorAndClosesOnlyWhenAllowed)
{
    QPointer<TStatusForm> form = new TStatusForm;
    form->Open();
    QApplication::processEvents();
    EXPECT_FALSE(form->ErrorMemo->isVisible());
    const int height = form->height();
    form->close();
    EXPECT_TRUE(form->isVisible());

    form->ReportError("Error saving a.JPG");
    QApplication::processEvents();
    EXPECT_TRUE(form->ErrorMemo->isVisible());
    EXPECT_GT(form->height(), height);
    form->Finish();
    ClickInLoop(form->CancelBtn);
    EXPECT_TRUE(test::RunEventsUntil([&] { return form.isNull(); }));
}

// The command with scripted answers over a temporary folder.
class ConvertFilesTest : public testing::Test {
protected:
    ConvertFilesTest()
    {
        prompts_.RequestFormat = [this](TImageFormat& format, TImageFormats offered,
                                        TConvertOptions&) {
            asked_ << QStringLiteral("format %1 %2").arg(format).arg(offered.Byte());
            asked_ << StatusText();
            if (!formatAnswer_)
                return false;
            format = *formatAnswer_;
            return true;
        };
        prompts_.RequestTargetNames = [this](QString& mask, QString& folder) {
            asked_ << "names " + mask + " " + folder;
            asked_ << StatusText();
            if (names_.empty())
                return false;
            mask = names_.front();
            names_.pop_front();
            return true;
        };
        prompts_.RequestSaveName = [this](const QString& proposal, TImageFormat) {
            asked_ << "save " + proposal;
            return saveAs_;
        };
        prompts_.Message = [this](const QString& caption, const QString& text) {
            asked_ << caption + ": " + text;
        };
        ops_.OnAskOverwrite = [this](const TOverwriteQuestion& q) {
            asked_ << "overwrite " + ExtractFileName(q.Target) + " " + q.Source;
            return TOverwriteReply{overwriteAnswer_, q.Proposal};
        };
    }
    static QString StatusText()
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* form = dynamic_cast<TStatusForm*>(window); form && form->isVisible())
                return form->Mainlabel->text() + (form->CancelBtn->isEnabled() ? "" : " (wait)");
        return "no status";
    }
    QString Bmp(const QString& name)
    {
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::green);
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }
    QPointer<QObject> Run(const QStringList& files)
    {
        QPointer<QObject> running = ConvertFiles(files, ops_, prompts_, nullptr);
        EXPECT_TRUE(test::RunEventsUntil([&] { return running.isNull(); }, 10000));
        return running;
    }
    bool Exists(const QString& name) const { return QFileInfo::exists(dir_.filePath(name)); }

    QTemporaryDir dir_;
    TConvertPrompts prompts_;
    TFileOps ops_;
    std::optional<TImageFormat> formatAnswer_ = ifJPEG;
    std::deque<QString> names_;
    TOverwriteAnswer overwriteAnswer_ = oaRename;
    QString saveAs_;
    QStringList asked_;
};

// The questions in order, the file-name check, and the overwrite question for a file on disk
// and for a name an earlier source of the job takes; renaming keeps both.
TEST_F(ConvertFilesTest, SeveralFilesAskFormatThenNamesAndCloseWhenDone)
{
    EXPECT_EQ(ConvertFiles({}, ops_, prompts_, nullptr), nullptr);
    names_ = {"a?*.JPG", "th_*.GIF"};
    formatAnswer_ = ifGIF;
    test::WriteFile(dir_.path(), "th_b.GIF", "old");
    Run({Bmp("a.bmp"), Bmp("b.bmp"), Bmp("a.dib")});
    const QString folder = dir_.path();
    EXPECT_EQ(asked_,
              (QStringList{"format 1 14", "Requesting target format information... (wait)",
                           "names *.GIF " + folder, "Requesting target file name... (wait)",
                           "Save files as: " + InvalidFileNameMessage(), "names a?*.JPG " + folder,
                           "Requesting target file name... (wait)", "overwrite th_b.GIF ",
                           "overwrite th_a.GIF "}));
    EXPECT_EQ(test::ReadWholeFile(dir_.filePath("th_b.GIF")), QByteArray("old"));
    for (const char* name : {"th_a.GIF", "th_b#2.GIF", "th_a#2.GIF"})
        EXPECT_EQ(QImage(dir_.filePath(name)).size(), QSize(8, 6)) << name;
}

TEST_F(ConvertFilesTest, ASaveErrorLeavesTheReportOpen)
{
    names_ = {"*.JPG"};
    overwriteAnswer_ = oaReplace;
    test::MakeFolder(dir_.path(), "b.JPG");
    QPointer<QObject> running =
        ConvertFiles({Bmp("a.bmp"), Bmp("b.bmp"), Bmp("c.bmp")}, ops_, prompts_, nullptr);
    QPointer<TStatusForm> form = dynamic_cast<TStatusForm*>(running.data());
    ASSERT_TRUE(test::RunEventsUntil([&] { return !form || form->Status().Done(); }));
    ASSERT_FALSE(form.isNull());
    EXPECT_EQ(form->Mainlabel->text(), "Job done.");
    EXPECT_EQ(form->ErrorMemo->toPlainText(), "Error saving b.JPG");
    EXPECT_TRUE(Exists("a.JPG") && Exists("c.JPG"));
    ClickInLoop(form->CancelBtn);
    EXPECT_TRUE(test::RunEventsUntil([&] { return running.isNull(); }));
}

// Cancel in the status window during a save lets that save end: what was written stays and
// nothing more is written. The window closes at once, or after an error stays with its report.
TEST_F(ConvertFilesTest, CancelKeepsTheFilesWrittenAndTheReport)
{
    for (const QString row : {"clean_", "error_"}) {
        std::vector<TConvertPair> pairs;
        for (const char* name : {"a", "b", "c", "d"})
            pairs.push_back({Bmp(row + name + ".bmp"), dir_.filePath(row + name + ".JPG")});
        if (row == "error_")
            test::MakeFolder(dir_.path(), "error_a.JPG");
        QPointer<TStatusForm> form = new TStatusForm;
        form->Open();
        auto job =
            std::make_unique<TConvertJob>(pairs, ifJPEG, TConvertOptions{}, form->JobEvents());
        std::promise<void> release;
        TConvertSteps steps = ConvertSteps(ifJPEG, {});
        steps.Save = [save = steps.Save, released = release.get_future().share()](
                         TCImage& image, const QString& target) {
            if (target.endsWith("c.JPG"))
                released.wait();
            return save(image, target);
        };
        job->SetSteps(steps);
        form->Start(std::move(job));
        EXPECT_TRUE(test::RunEventsUntil([&] { return form->Filename->text() == row + "c.JPG"; }));
        form->CancelBtn->click();
        release.set_value();
        EXPECT_TRUE(test::RunEventsUntil([&] { return !form || form->Status().Done(); }));
        EXPECT_TRUE(Exists(row + "b.JPG") && Exists(row + "c.JPG")) << qPrintable(row);
        EXPECT_FALSE(Exists(row + "d.JPG")) << qPrintable(row);
        if (row == "clean_") {
            EXPECT_TRUE(test::RunEventsUntil([&] { return form.isNull(); }));
            continue;
        }
        ASSERT_FALSE(form.isNull());
        EXPECT_EQ(QStringList({form->Mainlabel->text(), form->ErrorMemo->toPlainText(),
                               form->CancelBtn->text()}),
                  QStringList({"Job cancelled", "Error saving error_a.JPG", "Close"}));
        ClickInLoop(form->CancelBtn);
        EXPECT_TRUE(test::RunEventsUntil([&] { return form.isNull(); }));
    }
}

TEST_F(ConvertFilesTest, OneFileGoesThroughTheSaveDialog)
{
    const QString photo =
        test::WriteFile(dir_.path(), "photo.jpg", test::BuildJpeg(test::JpegParams{}));
    const struct {
        QString source, saveAs, outcome;
    } cases[] = {
        {photo, dir_.filePath("out.gif"), ""},
        {photo, dir_.filePath("none/out.gif"), "Error: Error saving the file."},
        {test::WriteFile(dir_.path(), "bad.jpg", "no jpeg"), "", "Error: Error loading the file."},
    };
    for (const auto& c : cases) {
        asked_.clear();
        saveAs_ = c.saveAs;
        formatAnswer_ = ifGIF;
        Run({c.source});
        QStringList expected{"format 2 14", "no status"};
        if (!c.saveAs.isEmpty())
            expected << "save " + dir_.filePath("photo.GIF");
        if (!c.outcome.isEmpty())
            expected << c.outcome;
        EXPECT_EQ(asked_, expected);
    }
    EXPECT_EQ(QImage(dir_.filePath("out.gif")).size(), QSize(16, 16));
    formatAnswer_.reset();
    asked_.clear();
    EXPECT_EQ(ConvertFiles({photo, photo}, ops_, prompts_, nullptr), nullptr);
    EXPECT_EQ(asked_.size(), 2);
    EXPECT_TRUE(test::RunEventsUntil([] { return StatusText() == "no status"; }));
}

}  // namespace
}  // namespace pixmarl
