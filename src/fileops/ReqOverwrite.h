#pragma once

// The question about a file that already exists: replace it, give the new file another name, or
// leave it; with more than one file also the answers for all later conflicts and Cancel.
// Created once at start-up and reused; GUI thread only.

#include <functional>

#include <QDialog>

#include "fileops/FileOps.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace pixmarl {

class TReqOverwrite : public QDialog {
public:
    explicit TReqOverwrite(QWidget* parent = nullptr);

    // Fills the dialog for one conflict; Ask also runs it and answers.
    void Prepare(const TOverwriteQuestion& question);
    TOverwriteReply Ask(const TOverwriteQuestion& question);
    // The answer given (Cancel, or Don't replace with one file, when the dialog was closed).
    TOverwriteReply Reply() const;

    // Shows a message box; tests replace it.
    std::function<void(const QString& caption, const QString& text)> OnMessage;

    QLabel* Image3;
    QLabel* FilenameLbl;
    QLabel* Label1;
    QLabel* ZSize;
    QLabel* ZTime;
    QStackedWidget* Pages;
    QLabel* Label2;
    QLabel* QSize;
    QLabel* QTime;
    QLabel* Label8;
    QLabel* Label3;
    QLineEdit* NewName;
    QPushButton* Button1;
    QPushButton* RenBtn;
    QPushButton* Button5;
    QPushButton* ReplaceAllBtn;
    QPushButton* ReplaceNoneBtn;
    QPushButton* RenameAllBtn;
    QPushButton* CancelBtn;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Answer(TOverwriteAnswer answer);
    void AnswerRename(TOverwriteAnswer answer);
    void SetMultiple(bool multiple);
    QWidget* MakeButtonColumn();

    TOverwriteQuestion question_;
    QString extension_;
    TOverwriteAnswer answer_ = oaCancel;
    QString newTarget_;
    QWidget* column_ = nullptr;
};

// "1234 Bytes" and the file's last-write time in the short date and long time format.
QString OverwriteSizeText(qint64 size);
QString OverwriteTimeText(const QString& path);

}  // namespace pixmarl
