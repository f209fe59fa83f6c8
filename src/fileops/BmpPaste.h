#pragma once

// Saving a picture from the clipboard as a file: the picture fitted into a 145 x 145 preview and
// a name field ("Clipboard.bmp" each time). OK checks the name, asks before replacing a file and
// writes a BMP file whatever the extension says, through a temporary file, so a failed write
// leaves an existing file as it was; a failure is reported and the dialog stays open. The folder
// is reached on a worker with a time limit, so a dead network folder never freezes the window.
// Created on first use and kept. GUI thread only.

#include <functional>

#include <QDialog>
#include <QImage>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pixmarl {

class TBmpPasteDlg : public QDialog {
    Q_OBJECT
public:
    // How long OK waits for the folder to answer.
    static constexpr int kFolderBudgetMs = 2000;

    explicit TBmpPasteDlg(QWidget* parent = nullptr);

    // Fills the dialog for image and folder; Execute also runs it and answers whether the file
    // was written.
    void Prepare(const QImage& image, const QString& folder);
    bool Execute(const QImage& image, const QString& folder);
    QString TargetPath() const;

    QLabel* Image;
    QLabel* Label1;
    QLineEdit* Filename;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // The questions and messages; the defaults show message boxes.
    std::function<bool(const QString& text)> AskReplace;
    std::function<void(const QString& text)> ShowError;

public slots:
    void accept() override;

private:
    // Writes the file; false keeps the dialog open.
    bool Save(const QString& path);

    QImage image_;
    QString folder_;
};

}  // namespace pixmarl
