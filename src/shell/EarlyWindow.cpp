#include "EarlyWindow.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTreeView>

#include "filelist/FileListModels.h"
#include "filelist/FileLists.h"
#include "filelist/JPEGInfos.h"

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
    scanner_->OnInfoStored = [this](int index) { model_->InfoChanged(index); };
    list_->SetAutoScan(true);
    scanner_->SetReportStyle(true);

    auto* refresh = new QAction(tr("Refresh"), this);
    refresh->setShortcut(QKeySequence::Refresh);
    connect(refresh, &QAction::triggered, this, [this] {
        list_->Refresh();
        UpdateStatus();
    });
    addAction(refresh);
    resize(820, 560);
}

TEarlyWindow::~TEarlyWindow()
{
    scanner_.reset();
    list_->OnBeginUpdate = nullptr;
    list_->OnEndUpdate = nullptr;
}

void TEarlyWindow::ShowFolder(const QString& folder)
{
    setWindowTitle(QStringLiteral("Pixmarl - ") + folder);
    status_->setText(tr("Reading directory..."));
    list_->SetForceReread(true);
    list_->SetDirectory(folder);
    UpdateStatus();
}

void TEarlyWindow::UpdateStatus()
{
    status_->setText(QString::number(list_->Count()) + QStringLiteral(" file(s)"));
}

}  // namespace pixmarl
