#pragma once

// The browser window: the folder tree on the left, the image files of the selected folder on the
// right (as a list, a report or a grid of thumbnails in five sizes), the location bar, toolbar
// and busy logo above, and the status bar with the file count, the thumbnail sizes and the
// favourite folders below. It owns every other part for the life of the program and is where they
// are wired together: the file list with its header reader, the thumbnail control and its driver,
// the folder monitor, the history, the file operations, the properties dialog, the viewer
// windows (Enter or a double click on a file opens it in a viewer) and the File menu's
// "Convert to..." on the selected files. Its commands on files (open, copy, move, rename, delete,
// the clipboard, select), the popup menus and the preview pane are in MainCommands.cpp.
//
// Every change of the tree's folder runs the folder display cycle (ShowFolder); a change on disk
// merges the folder's new contents (DirMonitorFilesChange). Closing the window copies its state
// into the settings, saves them and ends the program.
//
// Other windows and commands use: ItemCount, IsSelected, MultipleSelected, FocusedIndex,
// SelectedFileNames, CurrentFileName (the current view's selection and current file), FileOps
// (this window's file operations), Exchange (its drag and drop and the clipboard commands:
// CopyFiles, CutFiles, Paste, CopyImageContent, UpdatePasteAction), GoToFolder, the views and the
// actions by name (Actions(), or findChild by objectName). GUI thread only.

#include <array>
#include <functional>
#include <memory>

#include <QMainWindow>
#include <QStringList>

#include "filelist/FileLists.h"
#include "filelist/ThumbCtrls.h"
#include "fileops/FileOps.h"
#include "navigation/DirMons.h"
#include "shell/Histories.h"
#include "shell/MainActions.h"
#include "shell/MainStates.h"

class QAbstractScrollArea;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QStackedWidget;
class QToolBar;

namespace pixmarl {

class TBtn;
class TDirTree;
class TFavoritePanel;
class TFileExchange;
class TFileInfo;
class TFldLocEdit;
class TImgGrid;
class TInfoScanner;
class TJPEGFileListView;
class TLogo;
class TMyComputer;
class TRegistry;
class TThumbDriver;
class TWebView;
class TViewers;
struct TSettings;

enum TViewMode { vmList = 0, vmReport = 1, vmThumbnails = 2 };

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // settings: the program's settings, read before and saved into store (when given) at close;
    // both must outlive the window. computer: the volume table (the process-wide one by default).
    // highColor: the screen shows 15 or more bits per pixel.
    TMainForm(TSettings& settings, TRegistry* store = nullptr, TMyComputer* computer = nullptr,
              bool highColor = true, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The folder (or file whose folder) to show first, from the command line; set before show.
    void SetCommandLinePath(const QString& path) { commandLinePath_ = path; }

    // The folder display cycle, run on every change of the tree's folder.
    void ShowFolder();
    // Reads the shown folder again (F5).
    void RefreshItemClick();
    // Goes to a folder: the tree selects it, which runs the folder display cycle.
    void GoToFolder(const QString& path);
    void SetViewMode(int mode);
    void SetThumbSize(int size);
    void SetSortType(int sortType);
    // Copies the window state into the settings.
    void CollectSettings();

    // The current view's files.
    int ItemCount() const;
    bool IsSelected(int index) const;
    bool MultipleSelected() const;
    int FocusedIndex() const;
    QStringList SelectedFileNames() const;
    QString CurrentFileName() const;

    const QString& CurrentFolder() const { return currentFolder_; }
    int ViewMode() const { return viewMode_; }
    int ThumbSize() const { return thumbSize_; }
    int OwnChangesPending() const { return ownChangesPending_; }
    // The shown folder is still being read (the views are empty meanwhile).
    bool ReadPending() const { return readPending_; }

    // How the folder display cycle reads a folder, on a worker (ReadFolder; tests slow it down).
    std::function<TFolderRead(const QString&, const TListFilter&, TFileSortType)> ReadFolderFn =
        ReadFolder;

    TFileOps& FileOps() { return ops_; }
    TFileExchange& Exchange() const { return *exchange_; }
    TMainActions& Actions() { return actions_; }
    TJPEGFileList& FileList() { return *list_; }
    TThumbCtrl& ThumbCtrl() { return thumbCtrl_; }
    TThumbDriver& ThumbDriver() { return *thumbDriver_; }
    TDirMonitor& DirMonitor() { return dirMonitor_; }
    THistory& History() { return history_; }
    TDirTree* DirTree() const { return dirTree_; }
    TFldLocEdit* DirEdit() const { return dirEdit_; }
    TImgGrid* ImgGrid() const { return imgGrid_; }
    TJPEGFileListView* FileListView() const { return fileListView_; }
    TFavoritePanel* DirPanel() const { return dirPanel_; }
    TFileInfo* FileInfo() const { return fileInfo_; }
    TWebView* WebView() const { return webView_; }
    TViewers& Viewers() const { return *viewers_; }
    TLogo* Logo() const { return logo_; }
    QLabel* StatusText() const { return statusText_; }
    QLabel* ListDescript() const { return listDescript_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QMenu* createPopupMenu() override { return nullptr; }

private:
    // Building.
    void BuildToolArea();
    void BuildPanes();
    void BuildStatusBar();
    void CreateDialogs();
    void ConnectActions();
    void ConnectHistory();
    void ConnectParts();
    void ConnectExchange();
    void ApplyBars();
    void ApplyGeometry();
    void RestoreBandLayout();
    QToolBar* NewBand(const char* name, QWidget* content);

    // Start-up.
    void FormCreate();
    void FormShow();
    void GoToStartFolder();

    // The folder display cycle and what follows changes.
    void RevealTreeFolder();
    void InstallRead(TFolderRead&& read);
    void FolderRead();
    void DirTreeNameChange();
    void DirEditDirChange(const QString& path);
    void DirMonitorFilesChange();
    bool DeleteTreeFolder(const QString& folder);
    void ShowFileCount();
    void ShowFolderTitles();
    void StopThumbnails(bool drop);
    void DropAllThumbnails();
    void ImgGridTopLeftChanged();
    int FirstVisibleIndex() const;
    void ThumbnailStored(int index);
    void FileListSortChange();
    void GridSelectionToList();
    void ListSelectionToGrid();
    void ApplyThumbOptions();

    // Commands on the files and the folder tree (MainCommands.cpp).
    void ConnectFileCommands();
    void ConnectPopupMenus();
    void OnFiles(QObject* sender, std::function<void()> command);
    bool FileNameEditing() const;
    void OpenCurrentFile();
    void CopyMoveSelectedFiles(TFileOpFunc operation);
    void RenameCurrentFile();
    void RenameListedFile(quint64 itemId, const QString& newName);
    void DeleteSelectedFiles();
    // Selects every file of the current view, or inverts the selection.
    void SelectAllRows(bool invert);
    void ShowFilePopup(QAbstractScrollArea* view, const QPoint& pos);
    void ShowTreePopup(const QPoint& globalPos);
    void ShowAbout();
    // The preview pane: shown outside the thumbnail view while its menu item is checked.
    void UpdatePreviewPane();
    void PreviewCurrentFile();
    void WebViewShowImage(const QString& fileName, int action);

    // Commands of this window.
    void ShowProperties();
    void ShowCurrentImage();
    void StartSlideshow();
    void ShowOptions();
    void ApplyOptions();
    void ShowHelp();
    void GoBack();
    void GoForward();
    void GoUp();
    void FillHistoryMenu(THistoryDirection direction);
    void SetToolAreaVisible(bool visible);
    void SetDescriptionBarsVisible(bool visible);
    void CheckThumbSize();
    void CheckSortType();
    bool IsVolumeRoot(const QString& path) const;
    TBandLayout CurrentBandLayout() const;

    TSettings& settings_;
    TRegistry* store_;
    TMyComputer& computer_;
    bool highColor_;
    QString commandLinePath_;

    std::unique_ptr<TJPEGFileList> list_;
    std::unique_ptr<TInfoScanner> infoScanner_;
    TThumbCtrl thumbCtrl_;
    std::unique_ptr<TThumbDriver> thumbDriver_;
    TDirMonitor dirMonitor_;
    THistory history_;
    TFileOps ops_;
    TMainActions actions_;

    QString currentFolder_;
    int viewMode_ = -1;            // none until the stored mode is applied
    int thumbSize_ = 0;            // none until the stored size is applied
    qreal thumbPixelRatio_ = 1.0;  // device pixels per thumbnail pixel
    bool changingFolder_ = false;
    bool readPending_ = false;  // a folder read goes on in a worker
    quint64 readGeneration_ = 0;
    int ownChangesPending_ = 0;
    bool shown_ = false;

    QToolBar* locationBand_ = nullptr;
    QToolBar* logoBand_ = nullptr;
    TFldLocEdit* dirEdit_ = nullptr;
    TLogo* logo_ = nullptr;
    QMenu* historyMenu_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QWidget* treePanel_ = nullptr;
    QLabel* treeDescript_ = nullptr;
    TDirTree* dirTree_ = nullptr;
    QLabel* listDescript_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    TImgGrid* imgGrid_ = nullptr;
    TJPEGFileListView* fileListView_ = nullptr;
    QLabel* statusText_ = nullptr;
    QWidget* sizePanel_ = nullptr;
    std::array<TBtn*, 5> sizeButtons_{};  // SSB1..SSB5
    QProgressBar* progressBar_ = nullptr;
    TFavoritePanel* dirPanel_ = nullptr;
    TFileInfo* fileInfo_ = nullptr;
    TWebView* webView_ = nullptr;
    TFileExchange* exchange_ = nullptr;
    std::unique_ptr<TViewers> viewers_;
};

// Where the session names no icon theme (a bare X server), an installed freedesktop theme is used,
// so that menus and toolbars show the desktop's kind of icons.
void UseDesktopIconTheme();

}  // namespace pixmarl
