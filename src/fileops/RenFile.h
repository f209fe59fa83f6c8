#pragma once

// The rename dialog: the current name, read-only, and the new name, edited with the file-name
// key rules. Created on first use and kept; GUI thread only.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace pixmarl {

class TRenFileDlg : public QDialog {
public:
    explicit TRenFileDlg(QWidget* parent = nullptr);

    // Fills both fields with name and puts the focus into the new one.
    void Prepare(const QString& name);

    QLineEdit* OldName;
    QLineEdit* NewName;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};

// Asks for a new name for name; true on OK, with the new name in name. An empty name answers
// false at once.
bool RenameFileDialog(QString& name);

// The kept dialog (made on first use).
TRenFileDlg* RenFileDlg();

}  // namespace pixmarl
