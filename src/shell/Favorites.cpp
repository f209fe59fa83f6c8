#include "Favorites.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QMenu>
#include <QUrl>

#include "navigation/DirImages.h"
#include "platform/Paths.h"

namespace pixmarl {

TDirBtn::TDirBtn(const QString& path, const QString& caption, QWidget* parent)
    : TBtn(parent), path_(path)
{
    setText(caption);
    setToolTip(path);
    SetGlyph(DirImage(kClosedFolderImage));
    setIconSize(QSize(16, 16));
    SetSpacing(4);
    SetMargin(4);
}

TFavoritePanel::TFavoritePanel(QStringList& favorites,
                               std::function<bool(const QString&)> isVolumeRoot, QWidget* parent)
    : QWidget(parent), favorites_(favorites), isVolumeRoot_(std::move(isVolumeRoot))
{
    setObjectName(QStringLiteral("DirPanel"));
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(8, 0, 0, 0);
    layout_->setSpacing(8);
    layout_->addStretch(1);
    BuildMenu();
}

void TFavoritePanel::BuildMenu()
{
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("PanelMenu"));
    const auto item = [this](const char* name) {
        QAction* action = menu_->addAction(QString());
        action->setObjectName(QLatin1String(name));
        return action;
    };
    addItem_ = item("AddFolderItem");
    removeItem_ = item("DelBtnItem");
    menu_->addSeparator();
    showItem_ = item("ShowFavDirItem");
    openItem_ = item("OpenFavDirItem");
    connect(addItem_, &QAction::triggered, this, &TFavoritePanel::OnAddCurrentFolder);
    connect(removeItem_, &QAction::triggered, this, [this] {
        if (TDirBtn* button = Button(menuButton_))
            RemoveFavorite(int(favorites_.indexOf(button->Path())));
    });
    connect(showItem_, &QAction::triggered, this, [this] {
        if (TDirBtn* button = Button(menuButton_))
            button->click();
    });
    connect(openItem_, &QAction::triggered, this, [this] {
        if (TDirBtn* button = Button(menuButton_))
            QDesktopServices::openUrl(QUrl::fromLocalFile(button->Path()));
    });
}

void TFavoritePanel::CreateButtons()
{
    for (const QString& path : favorites_)
        AddButton(path);
}

void TFavoritePanel::AddFavorite(const QString& path)
{
    if (path.isEmpty() || favorites_.contains(path))
        return;
    favorites_.append(path);
    AddButton(path);
}

void TFavoritePanel::RemoveFavorite(int index)
{
    if (index < 0 || index >= favorites_.size() || index >= buttons_.size())
        return;
    favorites_.removeAt(index);
    delete buttons_.takeAt(index);
}

void TFavoritePanel::AddButton(const QString& path)
{
    const QString caption = isVolumeRoot_ && isVolumeRoot_(path) ? path : ExtractFileName(path);
    auto* button = new TDirBtn(path, caption, this);
    connect(button, &QAbstractButton::clicked, this,
            [this, button] { emit OnDirClick(button->Path()); });
    layout_->insertWidget(layout_->count() - 1, button);
    buttons_.append(button);
}

int TFavoritePanel::ButtonAt(const QPoint& pos) const
{
    for (int i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i]->geometry().contains(pos))
            return i;
    }
    return -1;
}

void TFavoritePanel::PrepareMenu(int index)
{
    menuButton_ = index;
    const bool onButton = Button(index) != nullptr;
    removeItem_->setEnabled(onButton);
    showItem_->setEnabled(onButton);
    openItem_->setEnabled(onButton);
    menu_->setDefaultAction(onButton ? showItem_ : addItem_);
}

void TFavoritePanel::contextMenuEvent(QContextMenuEvent* event)
{
    PrepareMenu(ButtonAt(event->pos()));
    menu_->popup(event->globalPos());
}

void TFavoritePanel::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && ButtonAt(event->position().toPoint()) < 0)
        emit OnAddCurrentFolder();
}

}  // namespace pixmarl
