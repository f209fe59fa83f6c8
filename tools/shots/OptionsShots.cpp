// The options dialog, one picture per tab.

#include <QTabWidget>

#include "Shots.h"
#include "shell/Options.h"
#include "shell/Settings.h"

namespace {

void OptionsScene(pixmarl::shots::TShotContext& context)
{
    pixmarl::TSettings settings;
    pixmarl::TOptionen dialog(settings, true);
    dialog.show();
    auto* tabs = dialog.findChild<QTabWidget*>();
    for (int i = 0; tabs && i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        context.Grab(&dialog, QStringLiteral("options-%1").arg(i + 1));
    }
}

}  // namespace

PIXMARL_SHOT("options", OptionsScene);
