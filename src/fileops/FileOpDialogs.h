#pragma once

// The windows of a running file operation: the confirmations, the question after an error
// (Skip, Retry, Cancel) and the progress window that appears when the work takes longer than
// about half a second. GUI thread only.

#include <QPointer>
#include <QWidget>

#include "platform/FileOperation.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace pixmarl {

class TFileOpProgressWindow : public QWidget {
public:
    explicit TFileOpProgressWindow(QWidget* parent = nullptr);
    void Show(const TFileOpProgress& progress);
    bool Cancelled() const { return cancelled_; }

    QLabel* ActionLbl;
    QProgressBar* Bar;
    QPushButton* CancelBtn;

private:
    bool cancelled_ = false;
};

class TFileOpDialogs : public TFileOpPrompts {
public:
    static constexpr qint64 kProgressDelayMs = 500;

    explicit TFileOpDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    ~TFileOpDialogs() override;

    bool ConfirmTrash(int count) override;
    bool ConfirmReplace(const QString& target) override;
    TFileOpErrorAnswer AskError(const TFileOpError& error) override;
    TTrashFailAnswer AskTrashFailed(const QString& path) override;
    bool ConfirmDeletePermanently(const QString& path, int itemCount) override;
    bool ShowProgress(const TFileOpProgress& progress) override;
    void EndProgress() override;
    bool ProgressWindowShown() const override;

    TFileOpProgressWindow* ProgressWindow() const { return progress_; }

private:
    QPointer<QWidget> owner_;
    QPointer<TFileOpProgressWindow> progress_;
};

class TFileOps;

// Wires a window's file operations to dialogs over that window: the overwrite question, the
// message boxes and the operation with its windows. Makes the overwrite dialog at once, as a
// child of owner; once owner is gone the questions are answered with Cancel.
void InstallFileOpDialogs(TFileOps& ops, QWidget* owner);

}  // namespace pixmarl
