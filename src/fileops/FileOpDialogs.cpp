#include "FileOpDialogs.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "fileops/FileOps.h"
#include "fileops/ReqOverwrite.h"
#include "platform/Paths.h"

namespace pixmarl {

namespace {

QString Quoted(const QString& path)
{
    return u'"' + ExtractFileName(path) + u'"';
}

bool AskYesNo(QWidget* owner, const QString& caption, const QString& text)
{
    return QMessageBox::question(owner, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

// A question with buttons of our own texts; answers the index of the button pressed, the last
// one when the box was closed.
int AskWithButtons(QWidget* owner, const QString& caption, const QString& text,
                   const QStringList& buttons)
{
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, owner);
    QList<QPushButton*> made;
    for (const QString& label : buttons)
        made << box.addButton(label, QMessageBox::ActionRole);
    box.setEscapeButton(made.last());
    box.exec();
    const qsizetype index = made.indexOf(static_cast<QPushButton*>(box.clickedButton()));
    return int(index < 0 ? made.size() - 1 : index);
}

QString ActionText(TFileOpFunc func)
{
    switch (func) {
    case foMove:
        return QStringLiteral("Moving");
    case foCopy:
        return QStringLiteral("Copying");
    case foDelete:
        return QStringLiteral("Moving to the trash");
    case foRename:
        break;
    }
    return QStringLiteral("Renaming");
}

}  // namespace

TFileOpProgressWindow::TFileOpProgressWindow(QWidget* parent) : QWidget(parent, Qt::Dialog)
{
    setWindowTitle(QStringLiteral("Pixmarl"));
    setWindowModality(Qt::ApplicationModal);
    ActionLbl = new QLabel(this);
    ActionLbl->setTextFormat(Qt::PlainText);
    ActionLbl->setMinimumWidth(360);
    Bar = new QProgressBar(this);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    auto* box = new QVBoxLayout(this);
    box->addWidget(ActionLbl);
    box->addWidget(Bar);
    box->addWidget(CancelBtn, 0, Qt::AlignRight);
    connect(CancelBtn, &QPushButton::clicked, this, [this] {
        cancelled_ = true;
        CancelBtn->setEnabled(false);
    });
}

void TFileOpProgressWindow::Show(const TFileOpProgress& progress)
{
    ActionLbl->setText(ActionText(progress.Func) + u' ' + Quoted(progress.CurrentItem));
    // Bytes where they are known; a permille scale keeps 64-bit counts inside the bar's int.
    if (progress.BytesTotal > 0) {
        Bar->setRange(0, 1000);
        Bar->setValue(int(qMin<qint64>(1000, progress.BytesDone * 1000 / progress.BytesTotal)));
    } else {
        Bar->setRange(0, qMax(1, progress.ItemCount));
        Bar->setValue(qMin(progress.ItemsDone, progress.ItemCount));
    }
    if (!isVisible())
        show();
}

TFileOpDialogs::~TFileOpDialogs()
{
    EndProgress();
}

bool TFileOpDialogs::ConfirmTrash(int count)
{
    return AskYesNo(owner_, QStringLiteral("Delete"),
                    QStringLiteral("Move %1 item(s) to the trash?").arg(count));
}

bool TFileOpDialogs::ConfirmReplace(const QString& target)
{
    return AskYesNo(owner_, QStringLiteral("Replace existing file"),
                    QStringLiteral("Replace %1?").arg(Quoted(target)));
}

TFileOpErrorAnswer TFileOpDialogs::AskError(const TFileOpError& error)
{
    static const TFileOpErrorAnswer kAnswers[] = {eaSkip, eaRetry, eaCancel};
    return kAnswers[AskWithButtons(
        owner_, QStringLiteral("Pixmarl"), FileOpErrorText(error),
        {QStringLiteral("&Skip"), QStringLiteral("&Retry"), QStringLiteral("Cancel")})];
}

TTrashFailAnswer TFileOpDialogs::AskTrashFailed(const QString& path)
{
    static const TTrashFailAnswer kAnswers[] = {taSkip, taDeletePermanently, taCancel};
    return kAnswers[AskWithButtons(
        owner_, QStringLiteral("Delete"),
        QStringLiteral("%1 cannot be moved to the trash.").arg(Quoted(path)),
        {QStringLiteral("&Skip"), QStringLiteral("&Delete permanently..."),
         QStringLiteral("Cancel")})];
}

bool TFileOpDialogs::ConfirmDeletePermanently(const QString& path, int itemCount)
{
    // The full path: the user must see exactly what goes, and how much of it.
    const QString what =
        itemCount > 0 ? QStringLiteral("\"%1\" and the %2 item(s) in it").arg(path).arg(itemCount)
                      : u'"' + path + u'"';
    return AskYesNo(owner_, QStringLiteral("Delete"),
                    QStringLiteral("Delete %1 permanently? It cannot be restored.").arg(what));
}

bool TFileOpDialogs::ShowProgress(const TFileOpProgress& progress)
{
    if (!progress_ && progress.ElapsedMs < kProgressDelayMs)
        return true;
    if (!progress_)
        progress_ = new TFileOpProgressWindow(owner_);
    progress_->Show(progress);
    return !progress_->Cancelled();
}

void TFileOpDialogs::EndProgress()
{
    delete progress_;
}

bool TFileOpDialogs::ProgressWindowShown() const
{
    return progress_ && progress_->isVisible();
}

void InstallFileOpDialogs(TFileOps& ops, QWidget* owner)
{
    auto* overwrite = new TReqOverwrite(owner);
    ops.OnAskOverwrite = [dialog =
                              QPointer<TReqOverwrite>(overwrite)](const TOverwriteQuestion& q) {
        return dialog ? dialog->Ask(q) : TOverwriteReply{};
    };
    ops.OnMessage = [owner = QPointer<QWidget>(owner)](const QString& caption,
                                                       const QString& text) {
        QMessageBox::warning(owner, caption, text);
    };
    ops.OnExecute = [owner = QPointer<QWidget>(owner)](const TFileOpRequest& request) {
        TFileOpDialogs dialogs(owner);
        return ShellFileOperation(request, dialogs);
    };
}

}  // namespace pixmarl
