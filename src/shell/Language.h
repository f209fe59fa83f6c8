#pragma once

// The English texts of the main window: the captions of its menus, menu items and popup menus,
// the hints of its toolbar buttons and the folder pane's title, each given to the object of that
// name. Objects the window does not have are skipped, so the texts apply to whatever commands the
// window has been given. There is no translator and no choice of language. GUI thread only.

class QWidget;

namespace pixmarl {

// Run once while the window is created, after its menus, toolbar and panes exist.
void ApplyMainFormTexts(QWidget& form);

}  // namespace pixmarl
