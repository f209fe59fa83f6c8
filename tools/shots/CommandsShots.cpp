// The browser window's commands: the File and Edit menus opened from the menu bar, and the files'
// popup menu over a selected file of the report view.

#include <QAbstractItemView>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QTreeView>

#include "Shots.h"
#include "filelist/FileListViews.h"
#include "shell/Main.h"
#include "shell/Settings.h"
#include "support/EventWait.h"

namespace {

using namespace pixmarl;

// Grabbing activates the window, which closes open menus: the menu opens once that is done.
void GrabWithMenu(shots::TShotContext& context, QWidget* form, QMenu* menu, QPoint at,
                  const QString& name)
{
    QTimer::singleShot(100, menu, [menu, at] { menu->popup(at); });
    context.Grab(form, name);
    menu->hide();
}

void CommandsScene(shots::TShotContext& context)
{
    TSettings settings;
    TMainForm form(settings);
    form.SetCommandLinePath(context.SamplesDir());
    form.show();
    test::RunEventsUntil([&] { return !form.ReadPending(); }, 10000);
    form.SetViewMode(vmReport);
    form.FileListView()->SetItemFocused(1);
    form.FileListView()->SetSelected(1, true);
    const TMainActions& a = form.Actions();
    const std::pair<QMenu*, const char*> menus[] = {{a.FileItem, "commands-file-menu"},
                                                    {a.EditItem, "commands-edit-menu"}};
    for (const auto& [menu, name] : menus) {
        const QRect title = form.menuBar()->actionGeometry(menu->menuAction());
        GrabWithMenu(context, &form, menu, form.menuBar()->mapToGlobal(title.bottomLeft()),
                     QLatin1String(name));
    }
    QTreeView* view = form.FileListView()->ReportView();
    const QRect cell = view->visualRect(view->model()->index(1, 0));
    GrabWithMenu(context, &form, a.PopupMenu, view->viewport()->mapToGlobal(cell.center()),
                 QStringLiteral("commands-file-popup"));
}

}  // namespace

PIXMARL_SHOT("commands", CommandsScene);
