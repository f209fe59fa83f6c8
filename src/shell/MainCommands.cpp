// The browser window's commands on files and folders: view, open, copy, move, rename, delete, the
// clipboard and selection commands, the files' and the folder tree's popup menus, the preview
// pane and the about box. Each acts on the current file or the selected files of the current view
// and does nothing without them.

#include <functional>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTreeView>
#include <QUrl>

#include "display/ImgWin.h"
#include "display/WebView.h"
#include "filelist/FileListViews.h"
#include "filelist/IGrids.h"
#include "fileops/FileExchange.h"
#include "fileops/RenFile.h"
#include "navigation/Explore.h"
#include "navigation/RqFld.h"
#include "shell/Btns.h"
#include "shell/Info.h"
#include "shell/Main.h"

namespace pixmarl {

void TMainForm::ConnectFileCommands()
{
    TMainActions& a = actions_;
    actions_.ScopeFileKeys(*pages_);
    const std::pair<std::vector<QObject*>, std::function<void()>> commands[] = {
        {{a.Anzeigen1, a.Anzeigen2, a.ViewBtn}, [this] { ShowCurrentImage(); }},
        {{a.Slideshow1, a.SlideShowBtn}, [this] { StartSlideshow(); }},
        {{a.ffnen1, a.ffnen2}, [this] { OpenCurrentFile(); }},
        {{a.CopyFilesItem, a.Kopieren1}, [this] { CopyMoveSelectedFiles(foCopy); }},
        {{a.MoveFilesItem, a.Verschieben1}, [this] { CopyMoveSelectedFiles(foMove); }},
        {{a.RenameFileItem, a.Umbenennen1}, [this] { RenameCurrentFile(); }},
        {{a.DeleteFilesItem, a.Lschen1, a.DelBtn}, [this] { DeleteSelectedFiles(); }},
        {{a.Eigenschaften1, a.Eigenschaften2, a.PropBtn}, [this] { ShowProperties(); }},
        {{a.CopyClp}, [this] { exchange_->CopyFiles(); }},
        {{a.CopyBmpClp}, [this] { exchange_->CopyImageContent(); }},
        {{a.PasteClp}, [this] { exchange_->Paste(); }},
        {{a.SelAllItem}, [this] { SelectAllRows(false); }},
        {{a.InvSelItem}, [this] { SelectAllRows(true); }},
    };
    for (const auto& [senders, command] : commands) {
        for (QObject* sender : senders)
            OnFiles(sender, command);
    }
    // The paste item tells what the clipboard holds as the menu opens; its key stays ready for
    // whatever the clipboard holds later.
    connect(a.EditItem, &QMenu::aboutToShow, this,
            [this] { TFileExchange::UpdatePasteAction(actions_.PasteClp); });
    connect(a.EditItem, &QMenu::aboutToHide, this, [this] { actions_.PasteClp->setEnabled(true); });
    connect(a.Info1, &QAction::triggered, this, &TMainForm::ShowAbout);
    connect(a.ShowWebViewItem, &QAction::triggered, this, &TMainForm::UpdatePreviewPane);
    connect(fileListView_, &TJPEGFileListView::OnFocusedItemChange, this,
            &TMainForm::PreviewCurrentFile);
    connect(webView_, &TWebView::OnShowImage, this, &TMainForm::WebViewShowImage);
    connect(fileListView_, &TJPEGFileListView::OnEdited, this, &TMainForm::RenameListedFile);
    connect(list_.get(), &TJPEGFileList::OnItemRenamed, imgGrid_, &TCustomYGrid::InvalidateIndex);
}

// A command on files runs from its menu item, button or key, but never while a name is edited
// in place: the keys belong to the editor then.
void TMainForm::OnFiles(QObject* sender, std::function<void()> command)
{
    const auto run = [this, command = std::move(command)] {
        if (!FileNameEditing())
            command();
    };
    if (auto* action = qobject_cast<QAction*>(sender))
        connect(action, &QAction::triggered, this, run);
    else if (auto* button = qobject_cast<QAbstractButton*>(sender))
        connect(button, &QAbstractButton::clicked, this, run);
}

bool TMainForm::FileNameEditing() const
{
    return viewMode_ != vmThumbnails && fileListView_->IsEditing();
}

void TMainForm::OpenCurrentFile()
{
    const QString name = CurrentFileName();
    if (!name.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(name));
}

void TMainForm::CopyMoveSelectedFiles(TFileOpFunc operation)
{
    const QStringList files = SelectedFileNames();
    if (files.isEmpty())
        return;
    const QString folder = RequestFolder();
    if (!folder.isEmpty())
        CopyMoveFiles(ops_, files, operation, folder);
}

void TMainForm::RenameCurrentFile()
{
    if (viewMode_ != vmThumbnails) {
        fileListView_->EditCaption();
        return;
    }
    const int index = FocusedIndex();
    if (index < 0)
        return;
    // The dialog is modal: a refresh meanwhile may move or free the item; its Id names it.
    const quint64 id = list_->Item(index).Id;
    const QString oldName = list_->Item(index).Caption;
    QString name = oldName;
    if (RenameFileDialog(name) && name != oldName)
        RenameListedFile(id, name);
}

void TMainForm::RenameListedFile(quint64 itemId, const QString& newName)
{
    const TFileListItem* item = list_->FindItem(itemId);
    if (item == nullptr)
        return;
    const QString oldName = item->Caption;
    if (RenameFile(ops_, list_->FileName(*item), newName))
        list_->RenameItem(oldName, newName);
}

void TMainForm::DeleteSelectedFiles()
{
    const QStringList files = SelectedFileNames();
    if (!files.isEmpty())
        DeleteFiles(ops_, files);
}

void TMainForm::SelectAllRows(bool invert)
{
    if (viewMode_ == vmThumbnails) {
        if (invert)
            imgGrid_->InvertSelection();
        else
            imgGrid_->SelectAll();
        return;
    }
    QItemSelectionModel* selection = fileListView_->SelectionModel();
    const QAbstractItemModel* model = selection->model();
    const int rows = model->rowCount();
    if (rows == 0)
        return;
    const QItemSelection all(model->index(0, 0), model->index(rows - 1, 0));
    selection->select(all, (invert ? QItemSelectionModel::Toggle : QItemSelectionModel::Select) |
                               QItemSelectionModel::Rows);
}

void TMainForm::ConnectPopupMenus()
{
    for (QAbstractScrollArea* view :
         {static_cast<QAbstractScrollArea*>(imgGrid_),
          static_cast<QAbstractScrollArea*>(fileListView_->ListView()),
          static_cast<QAbstractScrollArea*>(fileListView_->ReportView())}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& pos) { ShowFilePopup(view, pos); });
    }
    dirTree_->OnContextPopup = [this](TDirTree&, const QPoint& globalPos) {
        ShowTreePopup(globalPos);
    };
}

void TMainForm::ShowFilePopup(QAbstractScrollArea* view, const QPoint& pos)
{
    // Scroll areas report the position on their viewport.
    actions_.PopupMenu->popup(view->viewport()->mapToGlobal(pos));
}

void TMainForm::ShowTreePopup(const QPoint& globalPos)
{
    const TMainActions& a = actions_;
    const QAction* chosen = a.TreePopupMenu->exec(globalPos);
    // The node is asked for again: the tree may have changed while the menu was open.
    TDirTreeNode* node = dirTree_->ContextNode();
    if (chosen == nullptr || node == nullptr)
        return;
    if (chosen == a.ShowDirItem)
        GoToFolder(dirTree_->NodePath(node));
    else if (chosen == a.OpenDirItem)
        QDesktopServices::openUrl(QUrl::fromLocalFile(dirTree_->NodePath(node)));
    else if (chosen == a.MkSubDirItem)
        dirTree_->NewFolder(node);
    else if (chosen == a.RenDirItem)
        dirTree_->StartRename(node);
    else if (chosen == a.DelDirItem)
        dirTree_->DeleteFolder(node);
    else if (chosen == a.RefreshSubDirItem)
        dirTree_->RefreshNode(node);
}

void TMainForm::UpdatePreviewPane()
{
    const bool shown = actions_.ShowWebViewItem->isChecked() && viewMode_ != vmThumbnails;
    if (shown == !webView_->isHidden())
        return;
    webView_->setVisible(shown);
    if (shown && !currentFolder_.isEmpty()) {
        webView_->ShowFolder(currentFolder_, IsVolumeRoot(currentFolder_));
        PreviewCurrentFile();
    }
}

void TMainForm::PreviewCurrentFile()
{
    const int index = FocusedIndex();
    if (index < 0)
        webView_->ShowFile(QString(), -1);
    else
        webView_->ShowFile(list_->FileName(index), list_->Item(index).Size);
}

void TMainForm::WebViewShowImage(const QString& fileName, int action)
{
    if (action == faShow)
        viewers_->ShowImage(fileName);
    else if (action == faProperties)
        fileInfo_->ShowFileInfo(fileName);
}

void TMainForm::ShowAbout()
{
    QMessageBox::about(
        this, QStringLiteral("About Pixmarl"),
        QStringLiteral("<p><b>Pixmarl</b> %1</p><p>A fast browser for folders of pictures.</p>")
            .arg(QCoreApplication::applicationVersion().toHtmlEscaped()));
}

}  // namespace pixmarl
