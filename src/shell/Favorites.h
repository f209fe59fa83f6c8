#pragma once

// The favourite folders as a row of small flat buttons in the status bar. Each button shows its
// folder's name (a volume root whole) with the full path as hint; a click shows the folder. The
// row's popup menu adds the shown folder, removes a button, shows or opens a button's folder.
// Entries are unique by exact path (names are case-sensitive here).
//
// The panel keeps the list it is given (the settings' favourites) in button order; the list must
// outlive it. Files dropped on a button are the window's drag and drop (TFileExchange's
// AttachFolderButtons). GUI thread only.

#include <functional>

#include <QStringList>
#include <QWidget>

#include "shell/Btns.h"

class QHBoxLayout;
class QMenu;

namespace pixmarl {

class TDirBtn : public TBtn {
    Q_OBJECT
public:
    TDirBtn(const QString& path, const QString& caption, QWidget* parent = nullptr);
    const QString& Path() const { return path_; }

private:
    QString path_;
};

class TFavoritePanel : public QWidget {
    Q_OBJECT
public:
    // isVolumeRoot tells which paths are shown whole.
    TFavoritePanel(QStringList& favorites, std::function<bool(const QString&)> isVolumeRoot,
                   QWidget* parent = nullptr);

    // One button per entry of the list (once, when the window first shows).
    void CreateButtons();
    // Adds a button for path unless the list has it already.
    void AddFavorite(const QString& path);
    void RemoveFavorite(int index);

    int ButtonCount() const { return int(buttons_.size()); }
    TDirBtn* Button(int index) const { return buttons_.value(index); }
    QMenu* Menu() const { return menu_; }
    // Prepares the menu for the button at index (-1: the empty strip) as a right click does.
    void PrepareMenu(int index);

signals:
    // A button, or the menu's View item, asks to show a folder.
    void OnDirClick(const QString& path);
    // The menu's Add item, or a double click on the empty strip.
    void OnAddCurrentFolder();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void BuildMenu();
    void AddButton(const QString& path);
    int ButtonAt(const QPoint& pos) const;

    QStringList& favorites_;
    std::function<bool(const QString&)> isVolumeRoot_;
    QList<TDirBtn*> buttons_;
    QHBoxLayout* layout_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* addItem_ = nullptr;
    QAction* removeItem_ = nullptr;
    QAction* showItem_ = nullptr;
    QAction* openItem_ = nullptr;
    int menuButton_ = -1;  // the button the menu was opened for
};

}  // namespace pixmarl
