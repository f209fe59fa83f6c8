#include "MainActions.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "shell/Artwork.h"
#include "shell/Btns.h"

namespace pixmarl {

namespace {

constexpr int kToolGlyph = 20;
constexpr int kViewModeGroup = 9;

QMenu* NewMenu(QWidget* parent, const char* name)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QMenu* AddMenu(QMainWindow& form, const char* name)
{
    QMenu* menu = NewMenu(form.menuBar(), name);
    form.menuBar()->addMenu(menu);
    return menu;
}

QAction* AddItem(QMenu* menu, const char* name, const char* themeIcon = nullptr)
{
    QAction* action = menu->addAction(QString());
    action->setObjectName(QLatin1String(name));
    if (themeIcon != nullptr)
        action->setIcon(QIcon::fromTheme(QLatin1String(themeIcon)));
    return action;
}

QAction* AddCheckItem(QMenu* menu, const char* name, QActionGroup* group = nullptr)
{
    QAction* action = AddItem(menu, name);
    action->setCheckable(true);
    if (group != nullptr)
        group->addAction(action);
    return action;
}

template <size_t N>
std::array<QAction*, N> AddRadioItems(QMenu* menu, const char* const (&names)[N])
{
    auto* group = new QActionGroup(menu);
    std::array<QAction*, N> items{};
    for (size_t i = 0; i < N; ++i)
        items[i] = AddCheckItem(menu, names[i], group);
    return items;
}

template <class T = TBtn>
T* AddToolButton(QToolBar* bar, const char* name, TArt art)
{
    auto* button = new T(bar);
    button->setObjectName(QLatin1String(name));
    button->SetGlyph(ArtIcon(art));
    button->SetColdGlyph(ColdArtIcon(art));
    button->setIconSize(QSize(kToolGlyph, kToolGlyph));
    bar->addWidget(button);
    return button;
}

TDropDnBtn* AddArrowButton(QToolBar* bar, const char* name, TBtn* partner)
{
    auto* arrow = new TDropDnBtn(bar);
    arrow->setObjectName(QLatin1String(name));
    arrow->setIconSize(QSize(kToolGlyph, kToolGlyph));
    arrow->SetLinkedBtn(partner);
    bar->addWidget(arrow);
    return arrow;
}

void AddSeparator(QToolBar* bar, const char* name)
{
    bar->addSeparator()->setObjectName(QLatin1String(name));
}

}  // namespace

void TMainActions::Build(QMainWindow& form)
{
    BuildFileMenus(form);
    BuildViewMenu(form);
    BuildGoMenu(form);
    HelpItem = AddMenu(form, "HelpItem");
    Help1 = AddItem(HelpItem, "Help1", "help-contents");
    Help1->setShortcut(QKeySequence::HelpContents);
    Info1 = AddItem(HelpItem, "Info1", "help-about");
    BuildPopupMenus(form);
    BuildToolbar(form);
}

void TMainActions::BuildFileMenus(QMainWindow& form)
{
    FileItem = AddMenu(form, "FileItem");
    Anzeigen1 = AddItem(FileItem, "Anzeigen1", "document-preview");
    FileItem->setDefaultAction(Anzeigen1);
    ffnen1 = AddItem(FileItem, "ffnen1", "document-open");
    Konvertieren1 = AddItem(FileItem, "Konvertieren1");
    Slideshow1 = AddItem(FileItem, "Slideshow1", "media-playback-start");
    FileItem->addSeparator();
    CopyFilesItem = AddItem(FileItem, "CopyFilesItem");
    MoveFilesItem = AddItem(FileItem, "MoveFilesItem");
    RenameFileItem = AddItem(FileItem, "RenameFileItem");
    RenameFileItem->setShortcut(Qt::Key_F2);
    DeleteFilesItem = AddItem(FileItem, "DeleteFilesItem", "edit-delete");
    DeleteFilesItem->setShortcut(QKeySequence::Delete);
    FileItem->addSeparator();
    Eigenschaften1 = AddItem(FileItem, "Eigenschaften1", "document-properties");
    Eigenschaften1->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});
    FileItem->addSeparator();
    ExitItem = AddItem(FileItem, "ExitItem", "application-exit");
    ExitItem->setShortcut(QKeySequence::Quit);

    EditItem = AddMenu(form, "EditItem");
    CopyClp = AddItem(EditItem, "CopyClp", "edit-copy");
    CopyClp->setShortcut(QKeySequence::Copy);
    CopyBmpClp = AddItem(EditItem, "CopyBmpClp");
    PasteClp = AddItem(EditItem, "PasteClp", "edit-paste");
    PasteClp->setShortcut(QKeySequence::Paste);
    EditItem->addSeparator();
    SelAllItem = AddItem(EditItem, "SelAllItem", "edit-select-all");
    SelAllItem->setShortcut(QKeySequence::SelectAll);
    InvSelItem = AddItem(EditItem, "InvSelItem");
    EditItem->addSeparator();
    OptionsItem = AddItem(EditItem, "OptionsItem", "preferences-system");
}

void TMainActions::BuildPopupMenus(QMainWindow& form)
{
    PopupMenu = NewMenu(&form, "PopupMenu");
    Anzeigen2 = AddItem(PopupMenu, "Anzeigen2", "document-preview");
    PopupMenu->setDefaultAction(Anzeigen2);
    ffnen2 = AddItem(PopupMenu, "ffnen2", "document-open");
    PopupMenu->addSeparator();
    Kopieren1 = AddItem(PopupMenu, "Kopieren1");
    Verschieben1 = AddItem(PopupMenu, "Verschieben1");
    Umbenennen1 = AddItem(PopupMenu, "Umbenennen1");
    Lschen1 = AddItem(PopupMenu, "Lschen1", "edit-delete");
    PopupMenu->addSeparator();
    Eigenschaften2 = AddItem(PopupMenu, "Eigenschaften2", "document-properties");

    TreePopupMenu = NewMenu(&form, "TreePopupMenu");
    ShowDirItem = AddItem(TreePopupMenu, "ShowDirItem");
    TreePopupMenu->setDefaultAction(ShowDirItem);
    OpenDirItem = AddItem(TreePopupMenu, "OpenDirItem", "document-open-folder");
    MkSubDirItem = AddItem(TreePopupMenu, "MkSubDirItem", "folder-new");
    RenDirItem = AddItem(TreePopupMenu, "RenDirItem");
    DelDirItem = AddItem(TreePopupMenu, "DelDirItem", "edit-delete");
    RefreshSubDirItem = AddItem(TreePopupMenu, "RefreshSubDirItem", "view-refresh");
}

void TMainActions::ScopeFileKeys(QWidget& views)
{
    // Keys that act on files work only where the files are, never on the tree's selection or
    // inside a text field.
    for (QAction* action :
         {RenameFileItem, DeleteFilesItem, Eigenschaften1, CopyClp, PasteClp, SelAllItem}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        views.addAction(action);
    }
}

void TMainActions::BuildViewMenu(QMainWindow& form)
{
    Ansicht1 = AddMenu(form, "Ansicht1");
    ToolbarItem = AddCheckItem(Ansicht1, "ToolbarItem");
    DescriptItem = AddCheckItem(Ansicht1, "DescriptItem");
    StatusBarItem = AddCheckItem(Ansicht1, "StatusBarItem");
    Ansicht1->addSeparator();
    ViewModeItems = AddRadioItems(Ansicht1, {"Liste", "Details", "Vorschaubilder"});
    ThumbSizeItem = NewMenu(Ansicht1, "ThumbSizeItem");
    Ansicht1->addMenu(ThumbSizeItem);
    static const char* const kSizeNames[] = {"MiniItem", "KleinItem", "MittelItem", "GroItem",
                                             "MaxiItem"};
    SizeItems = AddRadioItems(ThumbSizeItem, kSizeNames);
    ShowNamesItem = AddCheckItem(Ansicht1, "ShowNamesItem");
    ShowWebViewItem = AddCheckItem(Ansicht1, "ShowWebViewItem");
    Ansicht1->addSeparator();
    SortItems = AddRadioItems(Ansicht1, {"NameSortItem", "SizeSortItem", "TimeSortItem"});
    Ansicht1->addSeparator();
    RefreshItem = AddItem(Ansicht1, "RefreshItem", "view-refresh");
    RefreshItem->setShortcut(Qt::Key_F5);

    SizeMenu = NewMenu(&form, "SizeMenu");
    SizeItems2 = AddRadioItems(SizeMenu,
                               {"MiniItem2", "KleinItem2", "MittelItem2", "GroItem2", "MaxiItem2"});
}

void TMainActions::BuildGoMenu(QMainWindow& form)
{
    GotoItem = AddMenu(form, "GotoItem");
    GoBackItem = AddItem(GotoItem, "GoBackItem", "go-previous");
    GoBackItem->setShortcut(QKeySequence::Back);
    GoForwItem = AddItem(GotoItem, "GoForwItem", "go-next");
    GoForwItem->setShortcut(QKeySequence::Forward);
    UpDirItem = AddItem(GotoItem, "UpDirItem", "go-up");
    UpDirItem->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    GotoItem->addSeparator();
    GotoStartItem = AddItem(GotoItem, "GotoStartItem", "go-home");
    ShowDesktopItem = AddItem(GotoItem, "ShowDesktopItem", "user-desktop");
    ShowPersonalItem = AddItem(GotoItem, "ShowPersonalItem", "folder-documents");
}

void TMainActions::BuildToolbar(QMainWindow& form)
{
    Toolbar = new QToolBar(&form);
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    BackBtn = AddToolButton(Toolbar, "BackBtn", TArt::Back);
    BackHistBtn = AddArrowButton(Toolbar, "BackHistBtn", BackBtn);
    ForwBtn = AddToolButton(Toolbar, "ForwBtn", TArt::Forward);
    ForwHistBtn = AddArrowButton(Toolbar, "ForwHistBtn", ForwBtn);
    UpDirBtn = AddToolButton(Toolbar, "UpDirBtn", TArt::Up);
    AddSeparator(Toolbar, "ViewSep");
    ViewBtn = AddToolButton(Toolbar, "ViewBtn", TArt::View);
    SlideShowBtn = AddToolButton(Toolbar, "SlideShowBtn", TArt::Slideshow);
    AddSeparator(Toolbar, "DelSep");
    DelBtn = AddToolButton(Toolbar, "DelBtn", TArt::Delete);
    PropBtn = AddToolButton(Toolbar, "PropBtn", TArt::Properties);
    AddSeparator(Toolbar, "ListeSep");
    const TArt modes[] = {TArt::List, TArt::Report, TArt::Thumbnails};
    const char* const names[] = {"ListeBtn", "DetailsBtn", "ThumbBtn"};
    for (size_t i = 0; i < ViewModeBtns.size(); ++i) {
        ViewModeBtns[i] = AddToolButton(Toolbar, names[i], modes[i]);
        ViewModeBtns[i]->SetGroupIndex(kViewModeGroup);
    }
    for (TBtn* button : {static_cast<TBtn*>(BackHistBtn), static_cast<TBtn*>(ForwHistBtn)})
        button->setEnabled(false);
    BackBtn->setEnabled(false);
    ForwBtn->setEnabled(false);
}

void TMainActions::InsertToolButton(TBtn* button, const QString& before)
{
    for (QAction* action : Toolbar->actions()) {
        QWidget* widget = Toolbar->widgetForAction(action);
        if (action->objectName() == before || (widget && widget->objectName() == before)) {
            Toolbar->insertWidget(action, button);
            return;
        }
    }
    Toolbar->addWidget(button);
}

}  // namespace pixmarl
