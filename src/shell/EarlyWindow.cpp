#include "EarlyWindow.h"

#include <algorithm>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QTreeView>

#include "conversion/Conversions.h"
#include "filelist/FileListModels.h"
#include "filelist/FileLists.h"
#include "filelist/JPEGInfos.h"
#include "fileops/FileOpDialogs.h"
#include "fileops/FileOps.h"
#include "shell/Info.h"

namespace pixmarl {

// The status bar's progress bar as the header reader drives it.
class TStatusProgress : public TProgressBar {
public:
    explicit TStatusProgress(QProgressBar* bar) : bar_(bar) {}
    void SetPosition(int percent) override { bar_->setValue(percent); }
    void Show() override { bar_->show(); }
    void Hide() override { bar_->hide(); }

private:
    QProgressBar* bar_;
};

TEarlyWindow::TEarlyWindow(QWidget* parent)
    : QMainWindow(parent), list_(std::make_unique<TJPEGFileList>())
{
    list_->SetImageFormats(kAllImageFormats);
    model_ = new TFileListTableModel(*list_, this);

    view_ = new QTreeView(this);
    view_->setRootIsDecorated(false);
    view_->setUniformRowHeights(true);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setModel(model_);
    view_->header()->setSectionsClickable(true);
    view_->header()->setStretchLastSection(false);
    const int w = view_->fontMetrics().horizontalAdvance(u'0');
    view_->header()->resizeSection(0, 12 * w);
    view_->header()->resizeSection(1, 12 * w);
    view_->header()->resizeSection(2, (12 * w / 3) * 2);
    view_->header()->resizeSection(3, 8 * w);
    view_->header()->resizeSection(4, 20 * w);
    connect(view_->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { model_->ColumnClicked(column); });
    setCentralWidget(view_);

    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    auto* bar = new QProgressBar(this);
    bar->setMaximumWidth(160);
    bar->hide();
    statusBar()->addPermanentWidget(bar);
    progress_ = std::make_unique<TStatusProgress>(bar);

    scanner_ = std::make_unique<TInfoScanner>(*list_);
    scanner_->SetProgressBar(progress_.get());
    connect(scanner_.get(), &TInfoScanner::OnInfoStored, model_,
            [this](int index) { model_->InfoChanged(index); });
    list_->SetAutoScan(true);
    scanner_->SetReportStyle(true);

    auto* refresh = new QAction(tr("Refresh"), this);
    refresh->setShortcut(QKeySequence::Refresh);
    connect(refresh, &QAction::triggered, this, &TEarlyWindow::Refresh);
    addAction(refresh);

    fileInfo_ = new TFileInfo(this);
    connect(fileInfo_, &TFileInfo::FileChanged, this, &TEarlyWindow::Refresh);
    auto* properties = new QAction(tr("Properties"), this);
    properties->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});
    connect(properties, &QAction::triggered, this, &TEarlyWindow::ShowProperties);
    addAction(properties);
    fileOps_ = std::make_unique<TFileOps>();
    InstallFileOpDialogs(*fileOps_, this);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this, &TEarlyWindow::ViewContextMenu);
    resize(820, 560);
}

TEarlyWindow::~TEarlyWindow()
{
    // The view and the model read the list: they go before it.
    delete view_;
    delete model_;
}

void TEarlyWindow::ShowFolder(const QString& folder)
{
    setWindowTitle(QStringLiteral("Pixmarl - ") + folder);
    status_->setText(tr("Reading directory..."));
    list_->SetForceReread(true);
    list_->SetDirectory(folder);
    UpdateStatus();
}

void TEarlyWindow::Refresh()
{
    list_->Refresh();
    UpdateStatus();
}

void TEarlyWindow::ShowProperties()
{
    const QModelIndex current = view_->currentIndex();
    if (current.isValid() && current.row() < list_->Count())
        fileInfo_->ShowFileInfo(list_->FileName(current.row()));
}

void TEarlyWindow::ConvertSelection()
{
    QModelIndexList rows = view_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList files;
    for (const QModelIndex& row : rows)
        if (row.row() < list_->Count())
            files << list_->FileName(row.row());
    ConvertFiles(files, *fileOps_, this);
}

void TEarlyWindow::ViewContextMenu(const QPoint& pos)
{
    const QModelIndex index = view_->indexAt(pos);
    if (!index.isValid())
        return;
    // A click into the selection keeps it, so that the command can take all of it.
    if (!view_->selectionModel()->isSelected(index))
        view_->setCurrentIndex(index);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(tr("Convert to..."), this, &TEarlyWindow::ConvertSelection);
    menu->addAction(tr("Properties"), this, &TEarlyWindow::ShowProperties);
    menu->popup(view_->viewport()->mapToGlobal(pos));
}

void TEarlyWindow::UpdateStatus()
{
    status_->setText(QString::number(list_->Count()) + QStringLiteral(" file(s)"));
}

}  // namespace pixmarl
