#include "Language.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QWidget>

namespace pixmarl {

namespace {

struct TText {
    const char* name;
    const char* text;
};

constexpr TText kCaptions[] = {
    // Main menu.
    {"FileItem", "&File"},
    {"Anzeigen1", "&View"},
    {"ffnen1", "&Open"},
    {"Konvertieren1", "Convert to..."},
    {"Slideshow1", "Slideshow"},
    {"CopyFilesItem", "&Copy..."},
    {"MoveFilesItem", "&Move..."},
    {"RenameFileItem", "&Rename"},
    {"DeleteFilesItem", "&Delete"},
    {"Eigenschaften1", "&Properties"},
    {"ExitItem", "E&xit"},
    {"EditItem", "&Edit"},
    {"CopyClp", "&Copy"},
    {"CopyBmpClp", "Copy &Image Content"},
    {"PasteClp", "&Paste"},
    {"SelAllItem", "Select &all"},
    {"InvSelItem", "&Invert selection"},
    {"OptionsItem", "&Options..."},
    {"Ansicht1", "&View"},
    {"ToolbarItem", "Tool &Bar"},
    {"DescriptItem", "&Description Bar"},
    {"StatusBarItem", "St&atus Bar"},
    {"Liste", "&List"},
    {"Details", "Re&port"},
    {"Vorschaubilder", "T&humbnails"},
    {"ThumbSizeItem", "Thumbnail &size"},
    {"MiniItem", "&1-Mini"},
    {"KleinItem", "&2-Small"},
    {"MittelItem", "&3-Medium"},
    {"GroItem", "&4-Large"},
    {"MaxiItem", "&5-Maxi"},
    {"ShowNamesItem", "Show &filenames"},
    {"ShowWebViewItem", "&Preview pane"},
    {"NameSortItem", "By &Name"},
    {"SizeSortItem", "By &Size"},
    {"TimeSortItem", "By &Time"},
    {"RefreshItem", "&Refresh"},
    {"GotoItem", "&Go"},
    {"GoBackItem", "&Back"},
    {"GoForwItem", "&Forward"},
    {"UpDirItem", "&Upper Directory"},
    {"GotoStartItem", "&Start Folder"},
    {"ShowDesktopItem", "Desktop"},
    {"ShowPersonalItem", "&Personal Folder"},
    {"HelpItem", "&?"},
    {"Help1", "&Help"},
    {"Info1", "&Info..."},
    // The file popup menu.
    {"Anzeigen2", "&View"},
    {"ffnen2", "&Open"},
    {"Kopieren1", "&Copy..."},
    {"Verschieben1", "&Move..."},
    {"Umbenennen1", "&Rename"},
    {"Lschen1", "&Delete"},
    {"Eigenschaften2", "&Properties"},
    // The file pane title's size menu.
    {"MiniItem2", "&1-Mini"},
    {"KleinItem2", "&2-Small"},
    {"MittelItem2", "&3-Medium"},
    {"GroItem2", "&4-Large"},
    {"MaxiItem2", "&5-Maxi"},
    // The folder tree's popup menu.
    {"ShowDirItem", "&View"},
    {"OpenDirItem", "&Open"},
    {"MkSubDirItem", "&Make Directory"},
    {"RenDirItem", "&Rename"},
    {"DelDirItem", "&Delete"},
    {"RefreshSubDirItem", "Re&fresh"},
    // The favourites' popup menu.
    {"AddFolderItem", "&Add Current Folder"},
    {"DelBtnItem", "&Remove Button"},
    {"ShowFavDirItem", "&View"},
    {"OpenFavDirItem", "&Open"},
    // The folder pane's title.
    {"TreeDescript", " All folders"},
};

constexpr TText kHints[] = {
    {"UpDirBtn", "Upper Directory"}, {"ViewBtn", "View"},
    {"SlideShowBtn", "Slideshow"},   {"DelBtn", "Delete"},
    {"PropBtn", "Properties"},       {"ListeBtn", "List"},
    {"DetailsBtn", "Report"},        {"ThumbBtn", "Thumbnails"},
};

void SetCaption(QWidget& form, const QString& name, const QString& text)
{
    if (auto* menu = form.findChild<QMenu*>(name))
        menu->setTitle(text);
    else if (auto* action = form.findChild<QAction*>(name))
        action->setText(text);
    else if (auto* label = form.findChild<QLabel*>(name))
        label->setText(text);
    else if (auto* button = form.findChild<QAbstractButton*>(name))
        button->setText(text);
}

}  // namespace

void ApplyMainFormTexts(QWidget& form)
{
    for (const TText& caption : kCaptions)
        SetCaption(form, QLatin1String(caption.name), QLatin1String(caption.text));
    for (const TText& hint : kHints) {
        if (auto* widget = form.findChild<QWidget*>(QLatin1String(hint.name)))
            widget->setToolTip(QLatin1String(hint.text));
    }
}

}  // namespace pixmarl
