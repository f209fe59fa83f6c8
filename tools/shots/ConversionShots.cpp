// The conversion's windows: the format dialog with each format's options page, the dialog for
// the name mask and folder, and the status window while a job runs and after it reported errors.

#include <future>

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "Shots.h"
#include "conversion/ConvDlg.h"
#include "conversion/JobStatus.h"
#include "conversion/SaveFilesDlg.h"
#include "platform/Paths.h"
#include "support/EventWait.h"

namespace {

using namespace pixmarl;
using pixmarl::shots::TShotContext;

void FormatScene(TShotContext& context)
{
    TFormatDlg dialog;
    dialog.Prepare(ifJPEG, kConvertTargets);
    dialog.show();
    const char* names[] = {"convert-format-jpeg", "convert-format-gif", "convert-format-bmp"};
    const QList<QRadioButton*> buttons = dialog.FormatGroup->findChildren<QRadioButton*>();
    for (int i = 0; i < buttons.size() && i < 3; ++i) {
        buttons[i]->click();
        context.Grab(&dialog, QLatin1String(names[i]));
    }
}

void SaveFilesScene(TShotContext& context)
{
    TSaveMultipleFilesDlg dialog;
    dialog.Prepare(QStringLiteral("th_*.JPG"), context.SamplesDir());
    dialog.show();
    context.Grab(&dialog, QStringLiteral("convert-save-files"));
}

// Real files, with a save that waits while the running window is taken and then fails for two
// of the four targets.
void StatusScene(TShotContext& context)
{
    const QString dir = context.ScratchDir(QStringLiteral("convert"));
    std::vector<TConvertPair> pairs;
    for (const char* name :
         {"Harbour at dusk.bmp", "Lighthouse.bmp",
          "A long name of a photograph taken on the coast at noon.bmp", "Boats.bmp"}) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = JoinPath(dir, QLatin1String(name));
        image.save(path, "BMP");
        pairs.push_back({path, path.chopped(4) + QStringLiteral(".JPG")});
    }
    auto* form = new TStatusForm;
    form->Open();
    auto job = std::make_unique<TConvertJob>(pairs, ifJPEG, TConvertOptions{}, form->JobEvents());
    std::promise<void> grabbed;
    TConvertSteps steps = ConvertSteps(ifJPEG, {});
    steps.Save = [save = steps.Save, taken = grabbed.get_future().share()](TCImage& image,
                                                                           const QString& target) {
        taken.wait();
        const QString name = ExtractFileName(target);
        return name != "Lighthouse.JPG" && name != "Boats.JPG" && save(image, target);
    };
    job->SetSteps(steps);
    form->Start(std::move(job));
    test::RunEventsUntil([form] { return form->ActionLabel->text() == "Saving..."; });
    context.Grab(form, QStringLiteral("convert-status-running"));
    grabbed.set_value();
    test::RunEventsUntil([form] { return form->Status().Done(); });
    context.Grab(form, QStringLiteral("convert-status-errors"));
    form->CancelBtn->click();
}

}  // namespace

PIXMARL_SHOT("convert-format", FormatScene);
PIXMARL_SHOT("convert-save-files", SaveFilesScene);
PIXMARL_SHOT("convert-status", StatusScene);
