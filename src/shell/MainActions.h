#pragma once

// The main window's menus, menu items and toolbar buttons, each named as the window's commands
// refer to it (objectName), so that the English texts (Language.h) and further commands find
// them. Building makes them and puts them in order; the window connects what they do. Menus:
//   FileItem: Anzeigen1 (default), ffnen1, Konvertieren1, Slideshow1 | CopyFilesItem,
//             MoveFilesItem, RenameFileItem, DeleteFilesItem | Eigenschaften1 | ExitItem.
//   EditItem: CopyClp, CopyBmpClp, PasteClp | SelAllItem, InvSelItem | OptionsItem.
//   Ansicht1: ToolbarItem, DescriptItem, StatusBarItem | Liste, Details, Vorschaubilder,
//             ThumbSizeItem (MiniItem..MaxiItem), ShowNamesItem, ShowWebViewItem |
//             NameSortItem, SizeSortItem, TimeSortItem | RefreshItem.
//   GotoItem: GoBackItem, GoForwItem, UpDirItem | GotoStartItem, ShowDesktopItem,
//             ShowPersonalItem.   HelpItem: Help1, Info1.
//   SizeMenu (the file pane title's popup): MiniItem2..MaxiItem2.
//   PopupMenu (the files' popup): Anzeigen2 (default), ffnen2 | Kopieren1, Verschieben1,
//             Umbenennen1, Lschen1 | Eigenschaften2.
//   TreePopupMenu: ShowDirItem (default), OpenDirItem, MkSubDirItem, RenDirItem, DelDirItem,
//             RefreshSubDirItem.
// Toolbar: BackBtn + BackHistBtn, ForwBtn + ForwHistBtn, UpDirBtn | ViewBtn, SlideShowBtn |
// DelBtn, PropBtn | ListeBtn, DetailsBtn, ThumbBtn (group 9). Each separator is named after the
// button it precedes ("ViewSep", "DelSep", "ListeSep"); InsertToolButton places further buttons
// before a named one.
//
// GUI thread only; everything made is owned by the window.

#include <array>

#include <QString>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;

namespace pixmarl {

class TBtn;
class TDropDnBtn;

struct TMainActions {
    // Makes the menu bar, the toolbar (not yet placed in the window) and the size menu.
    void Build(QMainWindow& form);
    // Gives the keys that act on files (F2, Del, Alt+Enter, Ctrl+C, Ctrl+V, Ctrl+A) to views and
    // their children only.
    void ScopeFileKeys(QWidget& views);
    // Puts button into the toolbar before the toolbar item named before (at the end when there
    // is none).
    void InsertToolButton(TBtn* button, const QString& before);

    QMenu* FileItem = nullptr;
    QMenu* EditItem = nullptr;
    QMenu* Ansicht1 = nullptr;
    QMenu* ThumbSizeItem = nullptr;
    QMenu* GotoItem = nullptr;
    QMenu* HelpItem = nullptr;
    QMenu* SizeMenu = nullptr;
    QMenu* PopupMenu = nullptr;
    QMenu* TreePopupMenu = nullptr;

    QAction* Anzeigen1 = nullptr;
    QAction* ffnen1 = nullptr;
    QAction* Konvertieren1 = nullptr;
    QAction* Slideshow1 = nullptr;
    QAction* CopyFilesItem = nullptr;
    QAction* MoveFilesItem = nullptr;
    QAction* RenameFileItem = nullptr;
    QAction* DeleteFilesItem = nullptr;
    QAction* Eigenschaften1 = nullptr;
    QAction* ExitItem = nullptr;
    QAction* CopyClp = nullptr;
    QAction* CopyBmpClp = nullptr;
    QAction* PasteClp = nullptr;
    QAction* SelAllItem = nullptr;
    QAction* InvSelItem = nullptr;
    QAction* OptionsItem = nullptr;
    QAction* ToolbarItem = nullptr;
    QAction* DescriptItem = nullptr;
    QAction* StatusBarItem = nullptr;
    std::array<QAction*, 3> ViewModeItems{};  // Liste, Details, Vorschaubilder
    std::array<QAction*, 5> SizeItems{};      // MiniItem..MaxiItem, sizes 1..5
    std::array<QAction*, 5> SizeItems2{};     // MiniItem2..MaxiItem2
    QAction* ShowNamesItem = nullptr;
    QAction* ShowWebViewItem = nullptr;
    std::array<QAction*, 3> SortItems{};  // NameSortItem, SizeSortItem, TimeSortItem
    QAction* RefreshItem = nullptr;
    QAction* GoBackItem = nullptr;
    QAction* GoForwItem = nullptr;
    QAction* UpDirItem = nullptr;
    QAction* GotoStartItem = nullptr;
    QAction* ShowDesktopItem = nullptr;
    QAction* ShowPersonalItem = nullptr;
    QAction* Help1 = nullptr;
    QAction* Info1 = nullptr;

    QAction* Anzeigen2 = nullptr;
    QAction* ffnen2 = nullptr;
    QAction* Kopieren1 = nullptr;
    QAction* Verschieben1 = nullptr;
    QAction* Umbenennen1 = nullptr;
    QAction* Lschen1 = nullptr;
    QAction* Eigenschaften2 = nullptr;

    QAction* ShowDirItem = nullptr;
    QAction* OpenDirItem = nullptr;
    QAction* MkSubDirItem = nullptr;
    QAction* RenDirItem = nullptr;
    QAction* DelDirItem = nullptr;
    QAction* RefreshSubDirItem = nullptr;

    QToolBar* Toolbar = nullptr;
    TBtn* BackBtn = nullptr;
    TDropDnBtn* BackHistBtn = nullptr;
    TBtn* ForwBtn = nullptr;
    TDropDnBtn* ForwHistBtn = nullptr;
    TBtn* UpDirBtn = nullptr;
    TBtn* ViewBtn = nullptr;
    TBtn* SlideShowBtn = nullptr;
    TBtn* DelBtn = nullptr;
    TBtn* PropBtn = nullptr;
    std::array<TBtn*, 3> ViewModeBtns{};  // ListeBtn, DetailsBtn, ThumbBtn

private:
    void BuildFileMenus(QMainWindow& form);
    void BuildViewMenu(QMainWindow& form);
    void BuildGoMenu(QMainWindow& form);
    void BuildPopupMenus(QMainWindow& form);
    void BuildToolbar(QMainWindow& form);
};

}  // namespace pixmarl
