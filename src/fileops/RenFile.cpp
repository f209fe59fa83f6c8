#include "RenFile.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "fileops/NameEditKeys.h"
#include "platform/Paths.h"

namespace pixmarl {

TRenFileDlg::TRenFileDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Rename"));
    OldName = new QLineEdit(this);
    OldName->setEnabled(false);
    NewName = new QLineEdit(this);
    new TNameEditKeys(
        NewName, [this] { return ExtractFileExt(OldName->text()); }, icDropWithBeep);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);

    auto* form = new QFormLayout;
    auto* from = new QLabel(QStringLiteral("&From:"), this);
    from->setBuddy(OldName);
    auto* to = new QLabel(QStringLiteral("&To:"), this);
    to->setBuddy(NewName);
    form->addRow(from, OldName);
    form->addRow(to, NewName);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addLayout(buttons);
    setMinimumWidth(360);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TRenFileDlg::Prepare(const QString& name)
{
    OldName->setText(name);
    NewName->setText(name);
    NewName->setFocus();
    PostSelectBaseName(NewName);
}

TRenFileDlg* RenFileDlg()
{
    static QPointer<TRenFileDlg> dialog;
    if (!dialog)
        dialog = new TRenFileDlg(QApplication::activeWindow());
    return dialog;
}

bool RenameFileDialog(QString& name)
{
    if (name.isEmpty())
        return false;
    TRenFileDlg* dialog = RenFileDlg();
    dialog->Prepare(name);
    if (dialog->exec() != QDialog::Accepted)
        return false;
    name = dialog->NewName->text();
    return true;
}

}  // namespace pixmarl
