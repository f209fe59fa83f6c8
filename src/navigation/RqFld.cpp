#include "RqFld.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "navigation/Explore.h"
#include "platform/Paths.h"

namespace pixmarl {

namespace {

QPointer<TReqFolderDlg> theDialog;

}  // namespace

TReqFolderDlg::TReqFolderDlg(QWidget* parent, TMyComputer* computer) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Select Folder"));
    dirTree_ = new TDirTree(this, computer);
    dirTree_->setObjectName(QStringLiteral("DirTree"));
    folder_ = new QComboBox(this);
    folder_->setObjectName(QStringLiteral("Folder"));
    folder_->setEditable(true);
    folder_->setInsertPolicy(QComboBox::NoInsert);
    folder_->lineEdit()->installEventFilter(this);
    dirTree_->installEventFilter(this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TReqFolderDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TReqFolderDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(dirTree_, 1);
    layout->addWidget(folder_);
    layout->addWidget(buttons);
    resize(340, 420);

    dirTree_->OnDirChange = [this](TDirTree&) { ShowTreeFolder(); };
    theDialog = this;
}

TReqFolderDlg::~TReqFolderDlg() = default;

QString TReqFolderDlg::Run()
{
    return exec() == QDialog::Accepted ? folder_->currentText() : QString();
}

void TReqFolderDlg::accept()
{
    QString text = folder_->currentText();
    // A bare name means a folder inside the one shown, never one inside the working folder.
    if (!text.isEmpty() && !text.startsWith(u'/')) {
        if (dirTree_->Directory().isEmpty()) {
            QApplication::beep();
            return;
        }
        text = CleanAbsolutePath(JoinPath(dirTree_->Directory(), text));
    }
    if (!text.isEmpty() && folder_->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        folder_->insertItem(0, text);
    folder_->setEditText(text);
    QDialog::accept();
}

void TReqFolderDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    folder_->setEditText(QString());
    folder_->setFocus();
}

void TReqFolderDlg::hideEvent(QHideEvent* event)
{
    dirTree_->collapseAll();
    QDialog::hideEvent(event);
}

bool TReqFolderDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == dirTree_ && event->type() == QEvent::FocusIn)
        ShowTreeFolder();
    if (watched == folder_->lineEdit() && event->type() == QEvent::MouseButtonDblClick) {
        StepThroughHistory();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TReqFolderDlg::ShowTreeFolder()
{
    folder_->setEditText(dirTree_->Directory());
}

void TReqFolderDlg::StepThroughHistory()
{
    if (folder_->count() == 0)
        return;
    const int i =
        folder_->findText(folder_->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    const int next = i < 0 || i == folder_->count() - 1 ? 0 : i + 1;
    folder_->setEditText(folder_->itemText(next));
}

QString RequestFolder()
{
    if (theDialog != nullptr)
        return theDialog->Run();
    // Without the start-up dialog a passing one asks, and the history starts empty.
    TReqFolderDlg dialog(QApplication::activeWindow());
    return dialog.Run();
}

}  // namespace pixmarl
