#include "conversion/SaveFilesDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "navigation/RqFld.h"

namespace pixmarl {

TSaveMultipleFilesDlg::TSaveMultipleFilesDlg(QWidget* parent)
    : QDialog(parent), OnRequestFolder(RequestFolder)
{
    setWindowTitle(QStringLiteral("Save files as"));
    Filename = new QLineEdit(this);
    Folder = new QLineEdit(this);
    FindFolder = new QPushButton(QStringLiteral("&Browse..."), this);
    FindFolder->setAutoDefault(false);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);

    auto* maskLabel = new QLabel(QStringLiteral("File &name mask:"), this);
    maskLabel->setBuddy(Filename);
    auto* folderLabel = new QLabel(QStringLiteral("Save &in:"), this);
    folderLabel->setBuddy(Folder);
    auto* fields = new QGridLayout;
    fields->addWidget(maskLabel, 0, 0);
    fields->addWidget(Filename, 0, 1, 1, 2);
    fields->addWidget(folderLabel, 1, 0);
    fields->addWidget(Folder, 1, 1);
    fields->addWidget(FindFolder, 1, 2);
    fields->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* box = new QVBoxLayout(this);
    box->addLayout(fields);
    box->addLayout(buttons);
    setMinimumWidth(540);

    connect(FindFolder, &QPushButton::clicked, this, &TSaveMultipleFilesDlg::Browse);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TSaveMultipleFilesDlg::Prepare(const QString& mask, const QString& folder)
{
    Filename->setText(mask);
    Folder->setText(folder);
    Filename->setFocus();
}

void TSaveMultipleFilesDlg::Browse()
{
    const QString folder = OnRequestFolder ? OnRequestFolder() : QString();
    if (!folder.isEmpty())
        Folder->setText(folder);
}

bool RequestTargetNames(QString& mask, QString& folder, QWidget* parent)
{
    TSaveMultipleFilesDlg dialog(parent);
    dialog.Prepare(mask, folder);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    mask = dialog.Filename->text();
    folder = dialog.Folder->text();
    return true;
}

}  // namespace pixmarl
