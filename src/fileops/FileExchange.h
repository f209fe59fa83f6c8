#pragma once

// The browser window's drag and drop and clipboard in one place. The window makes one with its
// file operations and answers three queries: the folder it shows, the selected files (in a stable
// order) and the focused file. Then it attaches what it has:
//   AttachListView, AttachGrid   both views drag the selected files (copy, move or link offered);
//                                a press inside the selection arms the drag, which starts when
//                                the pointer leaves the view;
//   SetShownView                 the view shown (the list view widget or the grid) takes drops
//                                into the shown folder: copy, move, or a link that does nothing;
//                                call it on every switch of the view; it is off while it drags;
//   AttachTree                   a folder of the tree takes drops into it (copy or move), shown
//                                highlighted under the pointer without being selected;
//   AttachFolderButtons          a row of buttons, each a folder (the favourites), takes drops
//                                into the button's folder, the button under the pointer hot;
// and calls the commands Copy (CopyFiles), Cut (CutFiles), Paste, Copy Image Content and
// PasteBitmap, with UpdatePasteAction as the Edit menu opens.
//
// Copies and moves go through the window's file operations (the overwrite request, the progress
// window), started after the drop has been answered, so neither the drag nor another program
// waits for them. Copy Image Content loads on a worker; a file that does not load leaves the
// clipboard as it was. GUI thread only; what is attached must live as long as this object or be
// destroyed with the same window.

#include <functional>
#include <memory>

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include "fileops/OLE2.h"
#include "platform/Workers.h"

class QAction;
class QWidget;

namespace pixmarl {

class TBmpPasteDlg;
class TDirTree;
class TDragSource;
class TDropTarget;
class TFileOps;
class TImgGrid;
class TJPEGFileListView;

class TFileExchange : public QObject {
    Q_OBJECT
public:
    // window owns the exchange and its dialogs; ops must outlive the exchange.
    TFileExchange(TFileOps& ops, QWidget* window);
    ~TFileExchange() override;

    std::function<QString()> ShownFolder;
    std::function<QStringList()> SelectedFiles;
    std::function<QString()> FocusedFile;

    void AttachListView(TJPEGFileListView* view);
    void AttachGrid(TImgGrid* grid);
    void SetShownView(QWidget* view);
    void AttachTree(TDirTree* tree);
    // What lies under a point of the strip: a button and its folder, or nothing.
    struct TFolderSpot {
        QString Folder;
        QWidget* Button = nullptr;
    };
    void AttachFolderButtons(QWidget* strip, std::function<TFolderSpot(QPoint pos)> spotAt);

    // Puts the selected files on the clipboard to be copied, or moved (cut), by the program that
    // pastes them; nothing without a selection.
    void CopyFiles();
    void CutFiles();
    // Files on the clipboard are copied into the shown folder, or moved there when they were cut
    // (here or in another program; the clipboard is emptied once they have moved); else a picture
    // goes through the bitmap paste dialog; else nothing happens.
    void Paste();
    // The focused file's picture, loaded on a worker, onto the clipboard.
    void CopyImageContent();
    // The clipboard's picture saved into folder through the dialog; answers whether it was.
    bool PasteBitmap(const QString& folder);
    // The Paste command's caption and state for what the clipboard holds.
    static void UpdatePasteAction(QAction* action);

    TDragSource& DragSource() const { return *source_; }
    TDropTarget& FileDropTarget() const { return *fileTarget_; }
    TDropTarget& TreeDropTarget() const { return *treeTarget_; }
    TDropTarget& ButtonDropTarget() const { return *buttonTarget_; }
    // The bitmap paste dialog, made on first use.
    TBmpPasteDlg& PasteDialog();

signals:
    // Copy Image Content has ended: the picture is on the clipboard, or the file did not load.
    void OnImageContentCopied(bool copied);

private:
    void WireSource();
    void WireFileTarget();
    void WireTree(TDirTree* tree);
    void CopyMoveLater(const QStringList& files, TDropEffect effect, const QString& folder);
    void OfferSelection(TFileListUse use);
    void ImageLoaded(const QImage& image, quint64 generation);

    TFileOps& ops_;
    QPointer<QWidget> window_;
    TDragSource* source_;
    TDropTarget* fileTarget_;
    TDropTarget* treeTarget_;
    TDropTarget* buttonTarget_;
    QPointer<QWidget> hotButton_;
    QPointer<TBmpPasteDlg> pasteDialog_;
    std::unique_ptr<TRequestWorker<QString, QImage>> imageLoader_;
    quint64 imageGeneration_ = 0;
};

}  // namespace pixmarl
