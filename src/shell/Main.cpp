#include "Main.h"

#include <algorithm>

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "conversion/Conversions.h"
#include "display/ImgWin.h"
#include "display/WebView.h"
#include "filelist/FileListViews.h"
#include "filelist/FileLists.h"
#include "filelist/IGrids.h"
#include "filelist/JPEGInfos.h"
#include "filelist/ThumbDrivers.h"
#include "fileops/FileExchange.h"
#include "fileops/FileOpDialogs.h"
#include "navigation/DirImages.h"
#include "navigation/Explore.h"
#include "navigation/MyComputer.h"
#include "navigation/RqFld.h"
#include "platform/Budget.h"
#include "platform/Paths.h"
#include "platform/ProgramFiles.h"
#include "shell/Btns.h"
#include "shell/Favorites.h"
#include "shell/FldLocEdits.h"
#include "shell/Info.h"
#include "shell/Language.h"
#include "shell/Logos.h"
#include "shell/MainStates.h"
#include "shell/Options.h"
#include "shell/Settings.h"

namespace pixmarl {

namespace {

constexpr int kMinPaneWidth = 75;
constexpr int kTreePanelWidth = 157;
constexpr int kWebViewWidth = 162;
constexpr int kMinDirViewWidth = 30;
constexpr int kStatusTextWidth = 161;
constexpr int kMinLocationWidth = 152;
constexpr int kProbeBudgetMs = 200;
constexpr int kReadBudgetMs = 16;  // a frame
constexpr QSize kDesignSize(624, 419);

const char* const kSizeCaptions[] = {"64 x 64", "96 x 96", "156x156", "288x288", "400x400"};

QString FileCountText(int count)
{
    return QString::number(count) + QStringLiteral(" file(s)");
}

// What is at path, asked on a worker; nothing when the file system does not answer in time.
TPathKind ProbeWithin(const QString& path)
{
    return RunWithin<TPathKind>([path] { return ProbePath(path); }, DeadlineIn(kProbeBudgetMs))
        .value_or(pkNothing);
}

bool IsAtOrBelow(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

QLabel* NewDescriptionBar(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setContentsMargins(2, 3, 2, 3);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return label;
}

QVBoxLayout* NewColumn(QWidget* owner)
{
    auto* column = new QVBoxLayout(owner);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    return column;
}

}  // namespace

TMainForm::TMainForm(TSettings& settings, TRegistry* store, TMyComputer* computer, bool highColor,
                     QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      store_(store),
      computer_(computer ? *computer : MyComputer()),
      highColor_(highColor),
      list_(std::make_unique<TJPEGFileList>()),
      infoScanner_(std::make_unique<TInfoScanner>(*list_)),
      thumbDriver_(std::make_unique<TThumbDriver>(*list_, thumbCtrl_))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Pixmarl"));
    FormCreate();
    CreateDialogs();
}

TMainForm::~TMainForm()
{
    dirMonitor_.SetActive(false);
    thumbDriver_->StopThumbnails(false);
    // The views read the file list and the header reader, which go before the child widgets.
    delete centralWidget();
}

// --- building ---

void TMainForm::FormCreate()
{
    BuildToolArea();
    BuildPanes();
    BuildStatusBar();
    ConnectHistory();
    actions_.ShowDesktopItem->setVisible(!DesktopDir().isEmpty());
    actions_.ShowPersonalItem->setVisible(!PersonalDir().isEmpty());
    ApplyMainFormTexts(*this);
    ApplyBars();
    list_->SetImageFormats(settings_.ImageFormats);
    ApplyGeometry();
    SetThumbSize(settings_.ThumbSize);
    actions_.ShowWebViewItem->setChecked(settings_.ShowPreview);
    SetViewMode(settings_.ViewMode);
    splitter_->setSizes(
        {settings_.DirViewWidth >= kMinDirViewWidth ? settings_.DirViewWidth : kTreePanelWidth,
         kDesignSize.width()});
    thumbCtrl_.SetMaxThumbs(settings_.ThumbCount);
    thumbCtrl_.SetVisCount(imgGrid_->VisibleCells());
    imgGrid_->Reset(0);
    imgGrid_->SetShowFileNames(settings_.ShowFileNames);
    actions_.ShowNamesItem->setChecked(settings_.ShowFileNames);
    ConnectActions();
    ConnectExchange();
    ConnectFileCommands();
    ConnectPopupMenus();
    ConnectParts();
}

void TMainForm::BuildToolArea()
{
    actions_.Build(*this);
    dirEdit_ = new TFldLocEdit(this, &computer_);
    dirEdit_->setObjectName(QStringLiteral("DirEdit"));
    // Narrow at first, so that the toolbar fits beside it in the first window.
    dirEdit_->SetPreferredWidth(kMinLocationWidth);
    locationBand_ = NewBand("LocationBand", dirEdit_);

    auto* logoPanel = new QWidget(this);
    logoPanel->setObjectName(QStringLiteral("LogoPanel"));
    auto* logoRow = new QHBoxLayout(logoPanel);
    logoRow->setContentsMargins(3, 0, 3, 0);
    // Where the band is the last of its row and stretches, the logo sits at the row's end.
    logoRow->addStretch(1);
    logo_ = new TLogo(logoPanel);
    logo_->setObjectName(QStringLiteral("Logo"));
    logoRow->addWidget(logo_);
    logoBand_ = NewBand("LogoBand", logoPanel);
    for (QToolBar* band : {locationBand_, actions_.Toolbar, logoBand_}) {
        band->setMovable(true);
        band->setFloatable(false);
        band->setAllowedAreas(Qt::TopToolBarArea);
    }
    RestoreBandLayout();
}

QToolBar* TMainForm::NewBand(const char* name, QWidget* content)
{
    auto* band = new QToolBar(this);
    band->setObjectName(QLatin1String(name));
    band->addWidget(content);
    return band;
}

void TMainForm::RestoreBandLayout()
{
    const std::optional<TBandLayout> layout = DecodeBars(settings_.Bars);
    QToolBar* bands[] = {nullptr, locationBand_, actions_.Toolbar, logoBand_};
    if (!layout) {
        for (int number = bnLocation; number <= bnLogo; ++number)
            addToolBar(Qt::TopToolBarArea, bands[number]);
        return;
    }
    for (size_t i = 0; i < layout->size(); ++i) {
        const TBand& band = (*layout)[i];
        if (i > 0 && band.startsRow)
            addToolBarBreak(Qt::TopToolBarArea);
        addToolBar(Qt::TopToolBarArea, bands[band.number]);
        if (band.number == bnLocation) {
            const int chrome = locationBand_->sizeHint().width() - dirEdit_->sizeHint().width();
            dirEdit_->SetPreferredWidth(std::max(kMinLocationWidth, band.width - chrome));
        }
    }
}

void TMainForm::BuildPanes()
{
    auto* central = new QWidget(this);
    auto* column = NewColumn(central);
    column->setContentsMargins(0, 3, 0, 0);
    splitter_ = new QSplitter(Qt::Horizontal, central);
    splitter_->setObjectName(QStringLiteral("Splitter"));
    splitter_->setChildrenCollapsible(false);
    column->addWidget(splitter_);

    treePanel_ = new QWidget(splitter_);
    treePanel_->setObjectName(QStringLiteral("TreePanel"));
    treePanel_->setMinimumWidth(kMinPaneWidth);
    auto* treeColumn = NewColumn(treePanel_);
    treeDescript_ = NewDescriptionBar(treePanel_, "TreeDescript");
    dirTree_ = new TDirTree(treePanel_, &computer_);
    dirTree_->setObjectName(QStringLiteral("DirTree"));
    // A deep folder scrolls into view sideways rather than showing elided names.
    dirTree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    dirTree_->header()->setStretchLastSection(false);
    treeColumn->addWidget(treeDescript_);
    treeColumn->addWidget(dirTree_, 1);

    auto* listPanel = new QWidget(splitter_);
    listPanel->setObjectName(QStringLiteral("ListPanel"));
    listPanel->setMinimumWidth(kMinPaneWidth);
    auto* listColumn = NewColumn(listPanel);
    listDescript_ = NewDescriptionBar(listPanel, "ListDescript");
    listDescript_->setContextMenuPolicy(Qt::CustomContextMenu);
    listColumn->addWidget(listDescript_);
    // The row the file views share with a pane at their right.
    auto* pagesRow = new QHBoxLayout;
    pagesRow->setObjectName(QStringLiteral("PagesRow"));
    pagesRow->setSpacing(0);
    listColumn->addLayout(pagesRow, 1);
    pages_ = new QStackedWidget(listPanel);
    pages_->setObjectName(QStringLiteral("Pages"));
    imgGrid_ = new TImgGrid(pages_);
    imgGrid_->setObjectName(QStringLiteral("ImgGrid"));
    fileListView_ = new TJPEGFileListView(*list_, pages_);
    fileListView_->setObjectName(QStringLiteral("FileList"));
    pages_->addWidget(imgGrid_);
    pages_->addWidget(fileListView_);
    pagesRow->addWidget(pages_, 1);
    webView_ = new TWebView(listPanel);
    webView_->SetMyComputer(&computer_);
    webView_->setFixedWidth(kWebViewWidth);
    webView_->hide();
    pagesRow->addWidget(webView_);

    splitter_->addWidget(treePanel_);
    splitter_->addWidget(listPanel);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    setCentralWidget(central);
}

void TMainForm::BuildStatusBar()
{
    statusText_ = new QLabel(this);
    statusText_->setObjectName(QStringLiteral("StatusText"));
    statusText_->setMinimumWidth(kStatusTextWidth);
    statusBar()->addWidget(statusText_);

    sizePanel_ = new QWidget(this);
    sizePanel_->setObjectName(QStringLiteral("SizePanel"));
    auto* sizeRow = new QHBoxLayout(sizePanel_);
    sizeRow->setContentsMargins(0, 0, 0, 0);
    sizeRow->setSpacing(0);
    for (int i = 0; i < int(sizeButtons_.size()); ++i) {
        auto* button = new TBtn(sizePanel_);
        button->setObjectName(QStringLiteral("SSB%1").arg(i + 1));
        button->setText(QLatin1String(kSizeCaptions[i]));
        button->SetGroupIndex(1);
        sizeRow->addWidget(button);
        sizeButtons_[size_t(i)] = button;
    }
    statusBar()->addWidget(sizePanel_);

    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar"));
    progressBar_->setMaximumWidth(kStatusTextWidth);
    progressBar_->hide();
    statusBar()->addWidget(progressBar_);
    fileListView_->SetProgressBar(progressBar_);
    fileListView_->AttachInfoScanner(infoScanner_.get());

    dirPanel_ = new TFavoritePanel(
        settings_.Favorites, [this](const QString& path) { return IsVolumeRoot(path); }, this);
    statusBar()->addWidget(dirPanel_, 1);
}

void TMainForm::CreateDialogs()
{
    fileInfo_ = new TFileInfo(this);
    viewers_ = std::make_unique<TViewers>(settings_);
    InstallFileOpDialogs(ops_, this);
    new TReqFolderDlg(this, &computer_);
}

void TMainForm::ConnectHistory()
{
    const auto enable = [](std::initializer_list<QObject*> targets, bool on) {
        for (QObject* target : targets) {
            if (auto* widget = qobject_cast<QWidget*>(target))
                widget->setEnabled(on);
            else if (auto* action = qobject_cast<QAction*>(target))
                action->setEnabled(on);
        }
    };
    history_.OnBackAvailable = [this, enable](bool on) {
        enable({actions_.BackBtn, actions_.BackHistBtn, actions_.GoBackItem}, on);
    };
    history_.OnForwardAvailable = [this, enable](bool on) {
        enable({actions_.ForwBtn, actions_.ForwHistBtn, actions_.GoForwItem}, on);
    };
    history_.OnGoTo = [this](const QString& path) { GoToFolder(path); };
    actions_.GoBackItem->setEnabled(false);
    actions_.GoForwItem->setEnabled(false);
    historyMenu_ = new QMenu(this);
    historyMenu_->setObjectName(QStringLiteral("HistoryMenu"));
    actions_.BackHistBtn->SetDropDownMenu(historyMenu_);
    actions_.ForwHistBtn->SetDropDownMenu(historyMenu_);
    connect(actions_.BackHistBtn, &TDropDnBtn::BeforeClick, this,
            [this] { FillHistoryMenu(hdBack); });
    connect(actions_.ForwHistBtn, &TDropDnBtn::BeforeClick, this,
            [this] { FillHistoryMenu(hdForward); });
}

void TMainForm::ConnectActions()
{
    TMainActions& a = actions_;
    connect(a.Konvertieren1, &QAction::triggered, this,
            [this] { ConvertFiles(SelectedFileNames(), ops_, this); });
    connect(a.ExitItem, &QAction::triggered, this, &QWidget::close);
    connect(a.OptionsItem, &QAction::triggered, this, &TMainForm::ShowOptions);
    connect(a.Help1, &QAction::triggered, this, &TMainForm::ShowHelp);
    connect(a.ToolbarItem, &QAction::triggered, this, &TMainForm::SetToolAreaVisible);
    connect(a.DescriptItem, &QAction::triggered, this, &TMainForm::SetDescriptionBarsVisible);
    connect(a.StatusBarItem, &QAction::triggered, statusBar(), &QWidget::setVisible);
    for (int mode = 0; mode < int(a.ViewModeItems.size()); ++mode) {
        connect(a.ViewModeItems[size_t(mode)], &QAction::triggered, this,
                [this, mode] { SetViewMode(mode); });
        connect(a.ViewModeBtns[size_t(mode)], &QAbstractButton::clicked, this,
                [this, mode] { SetViewMode(mode); });
    }
    for (int i = 0; i < int(sizeButtons_.size()); ++i) {
        const auto setSize = [this, i] { SetThumbSize(i + 1); };
        connect(a.SizeItems[size_t(i)], &QAction::triggered, this, setSize);
        connect(a.SizeItems2[size_t(i)], &QAction::triggered, this, setSize);
        connect(sizeButtons_[size_t(i)], &QAbstractButton::clicked, this, setSize);
    }
    connect(a.ShowNamesItem, &QAction::triggered, imgGrid_, &TImgGrid::SetShowFileNames);
    for (int sort = 0; sort < int(a.SortItems.size()); ++sort)
        connect(a.SortItems[size_t(sort)], &QAction::triggered, this,
                [this, sort] { SetSortType(sort); });
    connect(a.RefreshItem, &QAction::triggered, this, &TMainForm::RefreshItemClick);
    connect(a.GoBackItem, &QAction::triggered, this, &TMainForm::GoBack);
    connect(a.BackBtn, &QAbstractButton::clicked, this, &TMainForm::GoBack);
    connect(a.GoForwItem, &QAction::triggered, this, &TMainForm::GoForward);
    connect(a.ForwBtn, &QAbstractButton::clicked, this, &TMainForm::GoForward);
    connect(a.UpDirItem, &QAction::triggered, this, &TMainForm::GoUp);
    connect(a.UpDirBtn, &QAbstractButton::clicked, this, &TMainForm::GoUp);
    connect(a.GotoStartItem, &QAction::triggered, this, [this] { GoToFolder(settings_.StartDir); });
    connect(a.ShowDesktopItem, &QAction::triggered, this, [this] { GoToFolder(DesktopDir()); });
    connect(a.ShowPersonalItem, &QAction::triggered, this, [this] { GoToFolder(PersonalDir()); });
    connect(listDescript_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        actions_.SizeMenu->popup(listDescript_->mapToGlobal(pos));
    });
}

void TMainForm::ConnectParts()
{
    dirTree_->OnDirChange = [this](TDirTree&) { ShowFolder(); };
    dirTree_->OnNameChange = [this](TDirTree&) { DirTreeNameChange(); };
    dirTree_->DeleteFolderOperation = [this](const QString& folder) {
        return DeleteTreeFolder(folder);
    };
    dirTree_->RenameFolderOperation = [this](const QString& oldPath, const QString& newPath) {
        return ops_.RenameFolder(oldPath, ExtractFileName(newPath));
    };
    connect(dirEdit_, &TFldLocEdit::OnDirChange, this, &TMainForm::DirEditDirChange);

    dirMonitor_.SetOptions(dmChFileName | dmChAttr | dmChLastWrite);
    dirMonitor_.SetWatchSubTree(false);
    dirMonitor_.OnFilesChange = [this](TDirMonitor&) { DirMonitorFilesChange(); };
    ops_.OnOwnChange = [this] { ++ownChangesPending_; };
    ops_.OnOwnChangeTakenBack = [this] {
        ownChangesPending_ = std::max(0, ownChangesPending_ - 1);
    };

    connect(thumbDriver_.get(), &TThumbDriver::OnStartMakeThumbs, logo_, &TLogo::Start);
    connect(thumbDriver_.get(), &TThumbDriver::OnIdle, logo_, &TLogo::Stop);
    connect(thumbDriver_.get(), &TThumbDriver::OnThumbnailStored, this,
            &TMainForm::ThumbnailStored);
    imgGrid_->OnNeedBmp = [this](int index) {
        if (index < 0 || index >= list_->Count())
            return TCellBitmap{};
        const TFileListItem& item = list_->Item(index);
        return TCellBitmap{item.Thumbnail.get(), item.ThumbFailed};
    };
    imgGrid_->OnNeedFileName = [this](int index) {
        return index < list_->Count() ? list_->Item(index).Caption : QString();
    };
    imgGrid_->OnNeedFileInfo = [this](int index) {
        if (index >= list_->Count())
            return QString();
        const TFileListItem& item = list_->Item(index);
        return QStringLiteral("%1 x %2").arg(item.ImageWidth).arg(item.ImageHeight);
    };
    connect(imgGrid_, &TCustomYGrid::OnTopLeftChanged, this, &TMainForm::ImgGridTopLeftChanged);
    connect(imgGrid_, &TCustomYGrid::OnDblClick, this, &TMainForm::ShowCurrentImage);
    connect(fileListView_, &TJPEGFileListView::OnDblClick, this, &TMainForm::ShowCurrentImage);
    connect(list_.get(), &TJPEGFileList::OnSortChange, this, &TMainForm::FileListSortChange);
    connect(dirPanel_, &TFavoritePanel::OnDirClick, this, &TMainForm::GoToFolder);
    connect(dirPanel_, &TFavoritePanel::OnAddCurrentFolder, this,
            [this] { dirPanel_->AddFavorite(currentFolder_); });
}

void TMainForm::ConnectExchange()
{
    exchange_ = new TFileExchange(ops_, this);
    exchange_->ShownFolder = [this] { return currentFolder_; };
    exchange_->SelectedFiles = [this] { return SelectedFileNames(); };
    exchange_->FocusedFile = [this] { return CurrentFileName(); };
    exchange_->AttachListView(fileListView_);
    exchange_->AttachGrid(imgGrid_);
    // Both views show the shown folder: the stack takes the drops of whichever is shown.
    exchange_->SetShownView(pages_);
    exchange_->AttachTree(dirTree_);
    exchange_->AttachFolderButtons(dirPanel_, [this](QPoint pos) -> TFileExchange::TFolderSpot {
        for (int i = 0; i < dirPanel_->ButtonCount(); ++i)
            if (TDirBtn* button = dirPanel_->Button(i); button->geometry().contains(pos))
                return {button->Path(), button};
        return {};
    });
}

bool TMainForm::DeleteTreeFolder(const QString& folder)
{
    // The shown folder going to the trash is no change to show; when it stays, it is watched again.
    const bool shownGoes = dirMonitor_.Active() && IsAtOrBelow(currentFolder_, folder);
    if (shownGoes)
        dirMonitor_.SetActive(false);
    const bool deleted = ops_.DeleteFiles({folder});
    if (shownGoes && !deleted)
        dirMonitor_.SetActive(true);
    return deleted;
}

void TMainForm::ApplyBars()
{
    const auto bars = settings_.ViewBars;
    actions_.ToolbarItem->setChecked((bars & vbToolArea) != 0);
    SetToolAreaVisible((bars & vbToolArea) != 0);
    actions_.DescriptItem->setChecked((bars & vbDescriptionBars) != 0);
    SetDescriptionBarsVisible((bars & vbDescriptionBars) != 0);
    actions_.StatusBarItem->setChecked((bars & vbStatusBar) != 0);
    statusBar()->setVisible((bars & vbStatusBar) != 0);
}

void TMainForm::ApplyGeometry()
{
    if (settings_.Maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    const QPoint topLeft = settings_.TopLeft;
    const QPoint bottomRight = settings_.BottomRight;
    std::vector<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        screens.push_back(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            screens.push_back(screen->availableGeometry());
    }
    if (topLeft.x() == -1 || bottomRight.x() == -1) {
        resize(kDesignSize);
        setGeometry(PlaceStoredWindow(geometry(), screens));
        return;
    }
    setGeometry(PlaceStoredWindow(QRect(topLeft.x(), topLeft.y(), bottomRight.x() - topLeft.x(),
                                        bottomRight.y() - topLeft.y()),
                                  screens));
}

// --- start-up ---

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    FormShow();
}

void TMainForm::FormShow()
{
    dirPanel_->CreateButtons();
    GoToStartFolder();
    actions_.GotoStartItem->setVisible(!settings_.StartDir.isEmpty());
    dirTree_->setFocus();
}

void TMainForm::GoToStartFolder()
{
    if (!commandLinePath_.isEmpty()) {
        const QString path = CleanAbsolutePath(commandLinePath_);
        GoToFolder(ProbeWithin(path) == pkFile ? ExtractFileDir(path) : path);
        return;
    }
    const QString& start = settings_.StartDir;
    if (!start.isEmpty() && ProbeWithin(start) == pkFolder) {
        GoToFolder(start);
        if (!settings_.StartWithLastDir())
            dirPanel_->AddFavorite(start);
        return;
    }
    const TDrive* drive = computer_.ContainingDrive(QDir::currentPath());
    GoToFolder(drive ? drive->MountPath() : QStringLiteral("/"));
}

// --- the folder display cycle ---

void TMainForm::ShowFolder()
{
    const QString folder = dirTree_->Directory();
    if (folder.isEmpty())
        return;
    changingFolder_ = true;
    // Announcements of own changes belong to the folder shown before; a stale count would
    // swallow a real change here.
    ownChangesPending_ = 0;
    currentFolder_ = folder;
    ShowFolderTitles();
    statusText_->setText(QStringLiteral("Reading directory..."));
    dirEdit_->SetDirectory(currentFolder_);
    StopThumbnails(false);
    history_.Add(currentFolder_);
    if (!webView_->isHidden())
        webView_->ShowFolder(currentFolder_, IsVolumeRoot(currentFolder_));
    QTimer::singleShot(0, this, &TMainForm::RevealTreeFolder);
    const quint64 generation = ++readGeneration_;
    if (!readPending_ && list_->Directory() == folder && !list_->ForceReread()) {
        FolderRead();
        return;
    }
    // A read that takes longer than a frame goes on in a worker; a newer request supersedes it.
    readPending_ = true;
    dirMonitor_.SetActive(false);
    const auto late = [self = QPointer<TMainForm>(this), generation](TFolderRead read) {
        if (self && self->readGeneration_ == generation)
            self->InstallRead(std::move(read));
    };
    std::optional<TFolderRead> read = RunWithin<TFolderRead>(
        [read = ReadFolderFn, folder, filter = list_->Filter(), sortType = list_->SortType()] {
            return read(folder, filter, sortType);
        },
        DeadlineIn(kReadBudgetMs), late);
    if (read) {
        InstallRead(std::move(*read));
        return;
    }
    // Meanwhile the views are empty rather than showing the files of the folder before.
    list_->InstallRead({folder, list_->SortType(), {}});
    thumbCtrl_.Reset(0);
    imgGrid_->Reset(0);
}

void TMainForm::RevealTreeFolder()
{
    // Once the tree has laid out the selected node, it scrolls sideways just far enough to show
    // its whole name, so the names further up stay as readable as they can.
    const QModelIndex current = dirTree_->currentIndex();
    dirTree_->scrollTo(current);
    QScrollBar* bar = dirTree_->horizontalScrollBar();
    const int left = bar->value() + dirTree_->visualRect(current).left();
    const int right = left + dirTree_->sizeHintForIndex(current).width();
    const int maxValue = std::max(0, left - dirTree_->indentation());
    bar->setValue(std::clamp(right - dirTree_->viewport()->width(), 0, maxValue));
}

void TMainForm::InstallRead(TFolderRead&& read)
{
    readPending_ = false;
    list_->InstallRead(std::move(read));
    FolderRead();
}

void TMainForm::FolderRead()
{
    const int count = list_->Count();
    dirMonitor_.SetDirectory(currentFolder_);
    dirMonitor_.SetActive(true);
    ShowFileCount();
    DropAllThumbnails();
    thumbCtrl_.Reset(count);
    imgGrid_->Reset(count);
    changingFolder_ = false;
}

void TMainForm::ShowFolderTitles()
{
    setWindowTitle(QStringLiteral("Pixmarl - ") + currentFolder_);
    listDescript_->setText(QStringLiteral(" Image files in ") +
                           FolderTitleName(currentFolder_, IsVolumeRoot(currentFolder_)));
}

void TMainForm::ShowFileCount()
{
    statusText_->setText(FileCountText(list_->Count()));
}

void TMainForm::RefreshItemClick()
{
    list_->SetForceReread(true);
    ShowFolder();
}

void TMainForm::GoToFolder(const QString& path)
{
    if (!path.isEmpty())
        dirTree_->SetDirectory(path);
}

void TMainForm::DirEditDirChange(const QString& path)
{
    if (path == dirTree_->Directory())
        return;
    GoToFolder(path);
    // A folder the tree cannot show leaves the bar on the folder that is shown.
    if (dirTree_->Directory() != path)
        dirEdit_->SetDirectory(currentFolder_);
}

void TMainForm::DirTreeNameChange()
{
    if (readPending_) {
        ShowFolder();  // the read under way names the old path
        return;
    }
    currentFolder_ = dirTree_->Directory();
    dirEdit_->SetDirectory(currentFolder_);
    list_->RenameDirectory(currentFolder_);
    dirMonitor_.SetDirectory(currentFolder_);
    ShowFolderTitles();
}

void TMainForm::DirMonitorFilesChange()
{
    // A change the program made itself is merged too (quietly): one report may stand for several
    // of them, so the count must never be what keeps a real change from showing.
    const bool own = ownChangesPending_ > 0;
    if (own)
        --ownChangesPending_;
    if (changingFolder_)
        return;
    StopThumbnails(false);
    if (!own)
        statusText_->setText(QStringLiteral("Refreshing directory..."));
    const bool thumbnails = viewMode_ == vmThumbnails;
    if (thumbnails)
        GridSelectionToList();
    list_->Refresh();
    const int count = list_->Count();
    ShowFileCount();
    imgGrid_->SetCount(count, false);
    if (thumbnails)
        ListSelectionToGrid();
    imgGrid_->viewport()->update();
    thumbCtrl_.SetCount(count);
}

void TMainForm::StopThumbnails(bool drop)
{
    thumbDriver_->StopThumbnails(drop);
    logo_->Stop();
}

void TMainForm::DropAllThumbnails()
{
    for (int i = 0; i < list_->Count(); ++i)
        list_->Item(i).FreeThumbnail();
}

void TMainForm::ThumbnailStored(int index)
{
    TFileListItem& item = list_->Item(index);
    if (item.Thumbnail)
        item.Thumbnail->setDevicePixelRatio(thumbPixelRatio_);
    imgGrid_->InvalidateIndex(index);
}

void TMainForm::ImgGridTopLeftChanged()
{
    if (viewMode_ == vmThumbnails)
        thumbCtrl_.SetVisible(FirstVisibleIndex(), imgGrid_->VisibleCells(), false);
}

int TMainForm::FirstVisibleIndex() const
{
    return imgGrid_->TopRow() * imgGrid_->ColCount() + imgGrid_->LeftCol();
}

// --- views, sizes, sorting ---

void TMainForm::SetViewMode(int mode)
{
    if (mode < vmList || mode > vmThumbnails)
        mode = vmThumbnails;
    if (mode == viewMode_)
        return;
    const int previous = viewMode_;
    list_->SetAutoScan(false);
    switch (mode) {
    case vmList:
        fileListView_->SetViewStyle(TJPEGFileListView::vsList);
        pages_->setCurrentWidget(fileListView_);
        break;
    case vmReport:
        list_->SetAutoScan(true);
        fileListView_->SetViewStyle(TJPEGFileListView::vsReport);
        pages_->setCurrentWidget(fileListView_);
        break;
    default:
        pages_->setCurrentWidget(imgGrid_);
        break;
    }
    const bool thumbnails = mode == vmThumbnails;
    sizePanel_->setVisible(thumbnails);
    actions_.ThumbSizeItem->menuAction()->setVisible(thumbnails);
    actions_.ShowNamesItem->setVisible(thumbnails);
    actions_.ShowWebViewItem->setVisible(!thumbnails);
    if (previous == vmThumbnails) {
        GridSelectionToList();
        StopThumbnails(true);
    }
    thumbDriver_->SetThumbView(thumbnails);
    viewMode_ = mode;
    if (thumbnails) {
        thumbCtrl_.SetVisCount(imgGrid_->VisibleCells());
        thumbCtrl_.SetVisFirst(FirstVisibleIndex());
        ListSelectionToGrid();
    }
    actions_.ViewModeItems[size_t(mode)]->setChecked(true);
    actions_.ViewModeBtns[size_t(mode)]->SetDown(true);
    UpdatePreviewPane();
}

void TMainForm::GridSelectionToList()
{
    const int count = list_->Count();
    for (int i = 0; i < count; ++i)
        list_->Item(i).Selected = imgGrid_->IsSelected(i);
    fileListView_->SelectFromItems();
    if (count > 0)
        fileListView_->SetItemFocused(imgGrid_->Index());
}

void TMainForm::ListSelectionToGrid()
{
    const int focused = fileListView_->ItemFocused();
    imgGrid_->SetIndex(focused >= 0 ? focused : fileListView_->Selected());
    std::vector<bool> bits(size_t(list_->Count()));
    for (size_t i = 0; i < bits.size(); ++i)
        bits[i] = list_->Item(int(i)).Selected;
    imgGrid_->SetSelectionBits(bits);
}

void TMainForm::SetThumbSize(int size)
{
    size = std::clamp(size, int(tsMini), int(tsMaxi));
    if (size != thumbSize_) {
        thumbSize_ = size;
        ApplyThumbOptions();
        if (viewMode_ == vmThumbnails) {
            StopThumbnails(true);
            imgGrid_->SetSize(TThumbSize(size));
            thumbCtrl_.SetVisible(FirstVisibleIndex(), imgGrid_->VisibleCells(), true);
        } else {
            imgGrid_->SetSize(TThumbSize(size));
        }
    }
    CheckThumbSize();
}

void TMainForm::CheckThumbSize()
{
    const auto i = size_t(thumbSize_ - 1);
    sizeButtons_[i]->SetDown(true);
    actions_.SizeItems[i]->setChecked(true);
    actions_.SizeItems2[i]->setChecked(true);
}

void TMainForm::ApplyThumbOptions()
{
    thumbPixelRatio_ = devicePixelRatioF();
    thumbDriver_->SetBox(qRound(ThumbEdge(TThumbSize(thumbSize_)) * thumbPixelRatio_));
    TThumbOptions options;
    options.dontSizeSmall = (settings_.ThumbOptions & toNoSizeSmall) != 0;
    options.quick = (settings_.ThumbOptions & toSpeedy) != 0;
    options.gray = settings_.ThumbGray;
    options.share = settings_.ThumbShare;
    options.buttonFace = palette().color(QPalette::Button);
    thumbDriver_->SetOptions(options);
}

void TMainForm::SetSortType(int sortType)
{
    if (list_->Count() > 0 && viewMode_ == vmThumbnails)
        GridSelectionToList();
    list_->SetSortType(TFileSortType(std::clamp(sortType, int(stName), int(stTime))));
    CheckSortType();
}

void TMainForm::FileListSortChange()
{
    if (viewMode_ == vmThumbnails) {
        // The grid's selection and current cell follow their files to the new places.
        ListSelectionToGrid();
        imgGrid_->viewport()->update();
        thumbCtrl_.SetVisFirst(FirstVisibleIndex());
    }
    CheckSortType();
}

void TMainForm::CheckSortType()
{
    actions_.SortItems[size_t(list_->SortType())]->setChecked(true);
}

// --- the current view's files ---

int TMainForm::ItemCount() const
{
    return list_->Count();
}

bool TMainForm::IsSelected(int index) const
{
    return viewMode_ == vmThumbnails ? imgGrid_->IsSelected(index)
                                     : fileListView_->IsSelected(index);
}

bool TMainForm::MultipleSelected() const
{
    int found = 0;
    for (int i = 0; i < list_->Count() && found < 2; ++i)
        found += IsSelected(i) ? 1 : 0;
    return found >= 2;
}

int TMainForm::FocusedIndex() const
{
    if (list_->Count() == 0)
        return -1;
    int index = imgGrid_->Index();
    if (viewMode_ != vmThumbnails) {
        // The item the keyboard is on when it is selected, else the first selected one.
        const int focused = fileListView_->ItemFocused();
        index = focused >= 0 && fileListView_->IsSelected(focused) ? focused
                                                                   : fileListView_->Selected();
    }
    return index < list_->Count() ? index : -1;
}

QStringList TMainForm::SelectedFileNames() const
{
    QStringList names;
    for (int i = 0; i < list_->Count(); ++i) {
        if (IsSelected(i))
            names << list_->FileName(i);
    }
    return names;
}

QString TMainForm::CurrentFileName() const
{
    const int index = FocusedIndex();
    return index >= 0 ? list_->FileName(index) : QString();
}

// --- commands of this window ---

void TMainForm::ShowProperties()
{
    const QString name = CurrentFileName();
    if (!name.isEmpty())
        fileInfo_->ShowFileInfo(name);
}

void TMainForm::ShowCurrentImage()
{
    const QString name = CurrentFileName();
    if (!name.isEmpty())
        viewers_->ShowImage(name);
}

// The files of the shown folder in list order: the selected ones when there are several, else
// all of them from the focused one.
void TMainForm::StartSlideshow()
{
    QStringList names;
    std::vector<int> selected;
    for (int i = 0; i < list_->Count(); ++i) {
        names << list_->Item(i).Caption;
        if (IsSelected(i))
            selected.push_back(i);
    }
    viewers_->StartSlideshow(
        BuildSlideSequence(list_->Directory(), names, selected, FocusedIndex()));
}

void TMainForm::ShowOptions()
{
    TOptionen dialog(settings_, highColor_, this);
    dialog.OnCollectSettings = [this] { CollectSettings(); };
    dialog.OnApplyOptions = [this] { ApplyOptions(); };
    dialog.OnUninstallStarted = [this] { close(); };
    dialog.exec();
}

void TMainForm::ApplyOptions()
{
    actions_.GotoStartItem->setVisible(!settings_.StartDir.isEmpty());
    viewers_->ApplyOptions();
    thumbCtrl_.SetMaxThumbs(settings_.ThumbCount);
    ApplyThumbOptions();
    if (settings_.ImageFormats != list_->ImageFormats()) {
        list_->SetImageFormats(settings_.ImageFormats);
        RefreshItemClick();
    }
}

void TMainForm::ShowHelp()
{
    const QString page = HelpPage();
    if (page.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
        QMessageBox::warning(this, QStringLiteral("Pixmarl"),
                             QStringLiteral("Error calling help file."));
}

void TMainForm::GoBack()
{
    GoToFolder(history_.Back());
}

void TMainForm::GoForward()
{
    GoToFolder(history_.Forward());
}

void TMainForm::GoUp()
{
    if (!currentFolder_.isEmpty() && currentFolder_ != u"/")
        GoToFolder(ExtractFileDir(currentFolder_));
}

void TMainForm::FillHistoryMenu(THistoryDirection direction)
{
    historyMenu_->clear();
    for (const THistoryMenuItem& item : history_.BuildMenu(direction)) {
        QAction* action = historyMenu_->addAction(item.Caption);
        connect(action, &QAction::triggered, this,
                [this, tag = item.Tag] { history_.MenuItemClick(tag); });
    }
}

void TMainForm::SetToolAreaVisible(bool visible)
{
    for (QToolBar* band : {locationBand_, actions_.Toolbar, logoBand_})
        band->setVisible(visible);
}

void TMainForm::SetDescriptionBarsVisible(bool visible)
{
    treeDescript_->setVisible(visible);
    listDescript_->setVisible(visible);
}

bool TMainForm::IsVolumeRoot(const QString& path) const
{
    return path == u"/" || computer_.IsVolumeRoot(path);
}

// --- shut-down ---

TBandLayout TMainForm::CurrentBandLayout() const
{
    struct TPlaced {
        QToolBar* bar;
        TBandNumber number;
    };
    std::array<TPlaced, 3> placed = {
        {{locationBand_, bnLocation}, {actions_.Toolbar, bnToolbar}, {logoBand_, bnLogo}}};
    // Rows from the top, bands from the left; a band never laid out keeps its place.
    std::stable_sort(placed.begin(), placed.end(), [](const TPlaced& a, const TPlaced& b) {
        const QPoint pa = a.bar->geometry().topLeft();
        const QPoint pb = b.bar->geometry().topLeft();
        return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    TBandLayout layout;
    for (size_t i = 0; i < placed.size(); ++i) {
        const QToolBar* bar = placed[i].bar;
        const bool newRow = i > 0 && bar->geometry().y() != placed[i - 1].bar->geometry().y();
        layout[i] = {placed[i].number, newRow, bar->width()};
    }
    return layout;
}

void TMainForm::CollectSettings()
{
    settings_.ShowFileNames = imgGrid_->ShowFileNames();
    settings_.ShowPreview = actions_.ShowWebViewItem->isChecked();
    settings_.ThumbSize = int(imgGrid_->Size());
    settings_.ViewMode = viewMode_;
    settings_.DirViewWidth = splitter_->sizes().value(0);
    settings_.Maximized = isMaximized();
    const QRect bounds = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    settings_.TopLeft = bounds.topLeft();
    settings_.BottomRight = bounds.topLeft() + QPoint(bounds.width(), bounds.height());
    if (settings_.StartWithLastDir())
        settings_.StartDir = list_->Directory();
    settings_.ImageFormats = list_->ImageFormats();
    settings_.ViewBars = std::uint8_t((actions_.ToolbarItem->isChecked() ? vbToolArea : 0) |
                                      (actions_.DescriptItem->isChecked() ? vbDescriptionBars : 0) |
                                      (actions_.StatusBarItem->isChecked() ? vbStatusBar : 0));
    if (shown_)
        settings_.Bars = EncodeBars(CurrentBandLayout());
    viewers_->CollectSettings(settings_);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    CollectSettings();
    if (store_ != nullptr)
        SaveSettings(settings_, *store_);
    event->accept();
    // Viewer windows that are still open must not keep the program alive.
    QCoreApplication::quit();
}

// Enter on a file in either view opens it; the views leave the key to the window.
void TMainForm::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QWidget* focus = focusWidget();
    const bool inViews = focus != nullptr && (imgGrid_->isAncestorOf(focus) || focus == imgGrid_ ||
                                              fileListView_->isAncestorOf(focus));
    if (enter && inViews && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        ShowCurrentImage();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void UseDesktopIconTheme()
{
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != u"hicolor")
        return;
    for (const char* theme : {"breeze", "Adwaita"}) {
        for (const QString& folder : QIcon::themeSearchPaths()) {
            if (QFileInfo::exists(folder + u'/' + QLatin1String(theme) +
                                  QStringLiteral("/index.theme"))) {
                QIcon::setThemeName(QLatin1String(theme));
                return;
            }
        }
    }
}

}  // namespace pixmarl
