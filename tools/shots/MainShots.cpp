// The browser window on the sample folder at its first-run size and the desktop's font: in the
// thumbnail, report and list views, with a file selected, and with the description bars shown.

#include <QLabel>

#include "Shots.h"
#include "filelist/FileListViews.h"
#include "filelist/FileLists.h"
#include "filelist/IGrids.h"
#include "filelist/ThumbDrivers.h"
#include "shell/Main.h"
#include "shell/Settings.h"
#include "support/EventWait.h"

namespace {

using namespace pixmarl;

void WaitForThumbnails(TMainForm& form)
{
    test::RunEventsUntil([&] { return !form.ThumbDriver().Busy(); }, 20000);
}

void MainScene(shots::TShotContext& context)
{
    TSettings settings;
    TMainForm form(settings);
    form.SetCommandLinePath(context.SamplesDir());
    form.show();
    WaitForThumbnails(form);
    form.ImgGrid()->SetIndex(2);
    context.Grab(&form, QStringLiteral("main-thumbnails"));

    form.SetViewMode(vmReport);
    test::RunEventsUntil(
        [&] {
            return form.FileList().Count() == 0 ||
                   form.FileList().Item(form.FileList().Count() - 1).InfoRead;
        },
        10000);
    test::RunEventsFor(1000);  // the preview pane shows a file once the focus has rested on it
    context.Grab(&form, QStringLiteral("main-report"));

    form.SetViewMode(vmList);
    context.Grab(&form, QStringLiteral("main-list"));

    form.Actions().DescriptItem->trigger();
    form.SetViewMode(vmThumbnails);
    form.SetThumbSize(3);
    WaitForThumbnails(form);
    context.Grab(&form, QStringLiteral("main-medium-described"));
}

}  // namespace

PIXMARL_SHOT("main", MainScene);
