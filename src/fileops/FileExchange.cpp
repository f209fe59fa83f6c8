#include "FileExchange.h"

#include <QAction>
#include <QClipboard>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QListView>
#include <QMimeData>
#include <QTreeView>

#include "filelist/FileListViews.h"
#include "filelist/IGrids.h"
#include "fileops/BmpPaste.h"
#include "fileops/DragSrc.h"
#include "fileops/DropTrg.h"
#include "fileops/FileOps.h"
#include "formats/ImageLoads.h"
#include "navigation/Explore.h"
#include "platform/Paths.h"

namespace pixmarl {

namespace {

// The files that a move into folder would take somewhere: those already in it would only be
// moved onto themselves, which asks whether to replace them.
QStringList LeavingFolder(QStringList files, const QString& folder)
{
    files.removeIf([target = CleanAbsolutePath(folder)](const QString& file) {
        return ExtractFileDir(file) == target;
    });
    return files;
}

QImage LoadPicture(const QString& file)
{
    TImageRequest request;
    request.FileName = file;
    return LoadImageFile(request).Image;
}

// The hot look of a flat button follows the pointer's enter and leave notifications.
void SendHover(QWidget* button, bool entering)
{
    if (button == nullptr)
        return;
    if (entering) {
        const QPointF inside(button->rect().center());
        QEnterEvent enter(inside, inside, button->mapToGlobal(inside));
        QCoreApplication::sendEvent(button, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button, &leave);
    }
}

}  // namespace

TFileExchange::TFileExchange(TFileOps& ops, QWidget* window)
    : QObject(window),
      ops_(ops),
      window_(window),
      source_(new TDragSource(this)),
      fileTarget_(new TDropTarget(this)),
      treeTarget_(new TDropTarget(this)),
      buttonTarget_(new TDropTarget(this)),
      imageLoader_(std::make_unique<TRequestWorker<QString, QImage>>(
          LoadPicture,
          [this](const QImage& image, quint64 generation) { ImageLoaded(image, generation); }))
{
    WireSource();
    WireFileTarget();
}

TFileExchange::~TFileExchange() = default;

void TFileExchange::WireSource()
{
    source_->SetDropEffects(kAllDropEffects);
    source_->OnStartDrag = [this] {
        // No drop onto the view the files come from.
        fileTarget_->SetEnabled(false);
        source_->ClearFiles();
        if (SelectedFiles)
            source_->AddFiles(SelectedFiles());
    };
    source_->OnEndDrag = [this](TDragResult) { fileTarget_->SetEnabled(true); };
}

void TFileExchange::WireFileTarget()
{
    fileTarget_->SetDropEffects(kAllDropEffects);
    fileTarget_->OnDragEnter = [this](const QMimeData&, QPoint, TDropEffect&, bool& accept) {
        accept = ShownFolder && !ShownFolder().isEmpty();
    };
    fileTarget_->OnDragDrop = [this](QPoint, TDropEffect effect, bool&) {
        const QStringList files = fileTarget_->FileNames();
        fileTarget_->ClearFileNames();
        // A link is taken and nothing is made of it.
        if (effect != deLink)
            CopyMoveLater(files, effect, ShownFolder());
    };
}

void TFileExchange::CopyMoveLater(const QStringList& files, TDropEffect effect,
                                  const QString& folder)
{
    const TFileOpFunc operation = effect == deMove ? foMove : foCopy;
    const QStringList taken = operation == foMove ? LeavingFolder(files, folder) : files;
    if (taken.isEmpty())
        return;
    QMetaObject::invokeMethod(
        this, [this, taken, operation, folder] { ops_.CopyMoveFiles(taken, operation, folder); },
        Qt::QueuedConnection);
}

void TFileExchange::AttachListView(TJPEGFileListView* view)
{
    ArmOnSelectionPress(*source_, view->ListView());
    ArmOnSelectionPress(*source_, view->ReportView());
}

void TFileExchange::AttachGrid(TImgGrid* grid)
{
    connect(grid, &TCustomYGrid::OnPressOnSelection, this,
            [this, grid](QPoint pos) { source_->BeginDragDetect(grid->viewport(), pos); });
}

void TFileExchange::SetShownView(QWidget* view)
{
    fileTarget_->SetTarget(view);
}

void TFileExchange::AttachTree(TDirTree* tree)
{
    treeTarget_->SetTarget(tree);
    const QPointer<TDirTree> guarded(tree);
    treeTarget_->OnDragOver = [guarded](QPoint pos, TDropEffect&, bool& accept) {
        if (guarded)
            guarded->SetDropHighlight(guarded->itemAt(pos));
        accept = guarded && guarded->DropHighlighted() != nullptr;
    };
    treeTarget_->OnDragLeave = [guarded] {
        if (guarded)
            guarded->SetDropHighlight(nullptr);
    };
    treeTarget_->OnDragDrop = [this, guarded](QPoint, TDropEffect effect, bool& accepted) {
        const TDirTreeNode* node = guarded ? guarded->DropHighlighted() : nullptr;
        accepted = node != nullptr && effect != deLink;
        if (accepted)
            CopyMoveLater(treeTarget_->FileNames(), effect, guarded->NodePath(node));
        treeTarget_->ClearFileNames();
        if (guarded)
            guarded->SetDropHighlight(nullptr);
    };
}

void TFileExchange::AttachFolderButtons(QWidget* strip,
                                        std::function<TFolderSpot(QPoint pos)> spotAt)
{
    buttonTarget_->SetTarget(strip);
    auto hover = [this](QWidget* button) {
        if (button == hotButton_)
            return;
        SendHover(hotButton_, false);
        hotButton_ = button;
        SendHover(button, true);
    };
    buttonTarget_->OnDragEnter = [hover](const QMimeData&, QPoint, TDropEffect&, bool&) {
        hover(nullptr);
    };
    buttonTarget_->OnDragOver = [hover, spotAt](QPoint pos, TDropEffect&, bool& accept) {
        const TFolderSpot spot = spotAt(pos);
        accept = !spot.Folder.isEmpty();
        hover(accept ? spot.Button : nullptr);
    };
    buttonTarget_->OnDragLeave = [hover] { hover(nullptr); };
    buttonTarget_->OnDragDrop = [this, hover, spotAt](QPoint pos, TDropEffect effect,
                                                      bool& accepted) {
        const QString folder = spotAt(pos).Folder;
        accepted = !folder.isEmpty() && effect != deLink;
        if (accepted)
            CopyMoveLater(buttonTarget_->FileNames(), effect, folder);
        buttonTarget_->ClearFileNames();
        hover(nullptr);
    };
}

void TFileExchange::CopyFiles()
{
    OfferSelection(fuCopy);
}

void TFileExchange::CutFiles()
{
    OfferSelection(fuCut);
}

void TFileExchange::OfferSelection(TFileListUse use)
{
    const QStringList files = SelectedFiles ? SelectedFiles() : QStringList();
    if (files.isEmpty() || files.first().isEmpty())
        return;
    QGuiApplication::clipboard()->setMimeData(NewFilesMimeData(files, use));
}

void TFileExchange::Paste()
{
    const QString folder = ShownFolder ? ShownFolder() : QString();
    if (folder.isEmpty())
        return;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    const QStringList listed = FilesOfMimeData(data);
    if (listed.isEmpty()) {
        PasteBitmap(folder);
        return;
    }
    if (!IsCutMimeData(data)) {
        ops_.CopyMoveFiles(listed, foCopy, folder);
        return;
    }
    const QStringList files = LeavingFolder(listed, folder);
    // The move removes each source only once its copy is complete; a cancelled or failed one
    // leaves what it did not move where it was.
    if (files.isEmpty() || !ops_.CopyMoveFiles(files, foMove, folder))
        return;
    // Cut files are pasted once: they are no longer where the clipboard says. The move ran an
    // event loop, where the clipboard may have taken something else.
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();
    if (IsCutMimeData(now) && FilesOfMimeData(now) == listed)
        QGuiApplication::clipboard()->clear();
}

void TFileExchange::CopyImageContent()
{
    const QString file = FocusedFile ? FocusedFile() : QString();
    if (file.isEmpty())
        return;
    imageLoader_->Request(file, ++imageGeneration_);
}

void TFileExchange::ImageLoaded(const QImage& image, quint64 generation)
{
    // A newer request has replaced this one.
    if (generation != imageGeneration_)
        return;
    if (!image.isNull())
        QGuiApplication::clipboard()->setImage(image);
    emit OnImageContentCopied(!image.isNull());
}

TBmpPasteDlg& TFileExchange::PasteDialog()
{
    if (!pasteDialog_)
        pasteDialog_ = new TBmpPasteDlg(window_);
    return *pasteDialog_;
}

bool TFileExchange::PasteBitmap(const QString& folder)
{
    const QImage image = ImageOfMimeData(QGuiApplication::clipboard()->mimeData());
    if (image.isNull() || folder.isEmpty())
        return false;
    return PasteDialog().Execute(image, folder);
}

void TFileExchange::UpdatePasteAction(QAction* action)
{
    const TPasteKind kind = ClipboardPasteKind();
    action->setText(PasteCaption(kind));
    action->setEnabled(kind != paNothing);
}

}  // namespace pixmarl
