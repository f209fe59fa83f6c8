#pragma once

// What the status window of a conversion job shows and how it answers Cancel and closing: its
// three texts, the error report, the Cancel button's caption and state, and the marks done,
// cancelled and errors reported. The window (TStatusForm) draws this state and does what its
// answers say. A value class; GUI thread.

#include <QString>
#include <QStringList>

namespace pixmarl {

class TJobStatus {
public:
    QString MainText() const { return mainText_; }
    QString ActionText() const { return actionText_; }
    QString FileText() const { return fileText_; }
    const QStringList& Errors() const { return errors_; }
    // The error report is shown (the window's full height) once an error was reported.
    bool ErrorsReported() const { return !errors_.isEmpty(); }
    QString CancelCaption() const
    {
        return done_ ? QStringLiteral("Close") : QStringLiteral("Cancel");
    }
    bool CancelEnabled() const { return running_ || done_; }
    bool Done() const { return done_; }
    bool Cancelled() const { return cancelled_; }
    // The window refuses to close while the job is neither done nor cancelled.
    bool MayClose() const { return done_ || cancelled_; }

    // The steps of a job in their order.
    void RequestingFormat();
    void RequestingTargetNames();
    void Started();
    void Loading(const QString& sourceName);
    void Saving(const QString& targetName);
    void ReportError(const QString& text);
    // The job has ended: true when the window closes at once (cancelled or no error); else it
    // stays with its report and Cancel reads Close.
    bool Finish();
    // Cancel pressed: true when the window closes (the job is done); else the job is to stop at
    // its next check.
    bool Cancel();

private:
    QString mainText_;
    QString actionText_;
    QString fileText_;
    QStringList errors_;
    bool running_ = false;
    bool done_ = false;
    bool cancelled_ = false;
};

}  // namespace pixmarl
