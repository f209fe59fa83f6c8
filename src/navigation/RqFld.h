#pragma once

// The folder request dialog: a folder tree and a combo box whose list holds the folders chosen
// before in this run, most recent first. The main window creates one at start-up and keeps it;
// RequestFolder shows it modally. GUI thread only.

#include <QDialog>

class QComboBox;

namespace pixmarl {

class TDirTree;
class TMyComputer;

class TReqFolderDlg : public QDialog {
    Q_OBJECT
public:
    // The latest dialog created is the one RequestFolder shows.
    explicit TReqFolderDlg(QWidget* parent = nullptr, TMyComputer* computer = nullptr);
    ~TReqFolderDlg() override;

    TDirTree* DirTree() const { return dirTree_; }
    QComboBox* Folder() const { return folder_; }

    // Shows the dialog modally: the chosen folder after OK, empty after Cancel.
    QString Run();

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowTreeFolder();
    void StepThroughHistory();

    TDirTree* dirTree_ = nullptr;
    QComboBox* folder_ = nullptr;
};

// Asks for a target folder with the latest folder request dialog created. Empty after Cancel.
QString RequestFolder();

}  // namespace pixmarl
