#pragma once

// The browser's first window until the main window exists: one folder's image files as a report
// with the six columns (Type and Image Size read in the background), sortable by Name, File Size
// and Time, refreshed with F5. Alt+Enter and the context menu's "Properties" open the properties
// dialog on the current file; the context menu's "Convert to..." converts the selected files.

#include <memory>

#include <QMainWindow>

class QLabel;
class QProgressBar;
class QTreeView;

namespace pixmarl {

class TFileInfo;
class TFileOps;
class TJPEGFileList;
class TFileListTableModel;
class TInfoScanner;
class TStatusProgress;

class TEarlyWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TEarlyWindow(QWidget* parent = nullptr);
    ~TEarlyWindow() override;

    void ShowFolder(const QString& folder);
    TJPEGFileList& FileList() { return *list_; }
    QTreeView* View() const { return view_; }
    TFileInfo* FileInfo() const { return fileInfo_; }

private:
    void UpdateStatus();
    void Refresh();
    void ShowProperties();
    void ConvertSelection();
    void ViewContextMenu(const QPoint& pos);

    std::unique_ptr<TJPEGFileList> list_;
    std::unique_ptr<TStatusProgress> progress_;
    std::unique_ptr<TInfoScanner> scanner_;  // reads Type and Image Size in the background
    TFileListTableModel* model_ = nullptr;
    QTreeView* view_ = nullptr;
    QLabel* status_ = nullptr;
    TFileInfo* fileInfo_ = nullptr;
    std::unique_ptr<TFileOps> fileOps_;
};

}  // namespace pixmarl
