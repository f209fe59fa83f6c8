#pragma once

// The status window of a conversion job: what the job is doing, Cancel, and the error report,
// which appears (the window grows to its full height) with the first error. Not modal: the
// browser stays usable. It owns the running job, refuses to close while the job is neither done
// nor cancelled, and frees itself when closed. GUI thread only.

#include <memory>

#include <QWidget>

#include "conversion/ConvJobs.h"
#include "conversion/JobTexts.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace pixmarl {

class TStatusForm : public QWidget {
public:
    explicit TStatusForm(QWidget* parent = nullptr);
    ~TStatusForm() override;

    const TJobStatus& Status() const { return status_; }

    // Shows the window compact, asking for the target format.
    void Open();
    void RequestingTargetNames();
    // The events of a job that this window is to run.
    TConvertJobEvents JobEvents();
    // Runs the job, made with JobEvents.
    void Start(std::unique_ptr<TConvertJob> job);
    // Ends the conversion before the job ran (a dialog was cancelled).
    void Abandon();

    void Loading(const QString& sourceName);
    void Saving(const QString& targetName);
    void ReportError(const QString& text);
    void Finish();

    QLabel* Mainlabel;
    QLabel* ActionLabel;
    QLabel* Filename;
    QPushButton* CancelBtn;
    QLabel* Label1;
    QPlainTextEdit* ErrorMemo;
    QLabel* Image1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CancelClicked();
    void Show();
    void FitHeight();

    TJobStatus status_;
    std::unique_ptr<TConvertJob> job_;
    QWidget* report_;
};

}  // namespace pixmarl
