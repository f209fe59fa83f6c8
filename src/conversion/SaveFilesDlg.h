#pragma once

// The dialog that asks where the files of a conversion job go: a name mask ("*.JPG") and a target
// folder, which "Browse..." chooses with the folder request. Made for one use; GUI thread only.

#include <functional>

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace pixmarl {

class TSaveMultipleFilesDlg : public QDialog {
public:
    explicit TSaveMultipleFilesDlg(QWidget* parent = nullptr);

    // Fills both fields; the mask gets the focus.
    void Prepare(const QString& mask, const QString& folder);

    // Asks for a folder: empty after Cancel. The folder request by default; tests replace it.
    std::function<QString()> OnRequestFolder;

    QLineEdit* Filename;
    QLineEdit* Folder;
    QPushButton* FindFolder;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    void Browse();
};

// Runs the dialog with the given values; true on OK with the edited values.
bool RequestTargetNames(QString& mask, QString& folder, QWidget* parent = nullptr);

}  // namespace pixmarl
