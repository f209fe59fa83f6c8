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
    BuildToolbar(form);
}

void TMainActions::BuildFileMenus(QMainWindow& form)
{
    FileItem = AddMenu(form, "FileItem");
    Anzeigen1 = AddItem(FileItem, "Anzeigen1");
    FileItem->setDefaultAction(Anzeigen1);
    Konvertieren1 = AddItem(FileItem, "Konvertieren1");
    Slideshow1 = AddItem(FileItem, "Slideshow1");
    FileItem->addSeparator();
    Eigenschaften1 = AddItem(FileItem, "Eigenschaften1", "document-properties");
    Eigenschaften1->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});
    FileItem->addSeparator();
    ExitItem = AddItem(FileItem, "ExitItem", "application-exit");
    ExitItem->setShortcut(QKeySequence::Quit);

    EditItem = AddMenu(form, "EditItem");
    OptionsItem = AddItem(EditItem, "OptionsItem", "preferences-system");
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
    AddSeparator(Toolbar, "PropSep");
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
