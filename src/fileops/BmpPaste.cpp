#include "BmpPaste.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "fileops/FileNames.h"
#include "fileops/OLE2.h"
#include "platform/Budget.h"
#include "platform/Paths.h"

namespace pixmarl {

namespace {

constexpr int kPreviewBox = 145;

QString Caption()
{
    return QStringLiteral("Save Clipboard");
}

// The error of a write: empty when it succeeded.
QString WriteBitmap(const QImage& image, const QString& path)
{
    QString error;
    if (SaveBitmapFile(image, path, error))
        return {};
    return QStringLiteral("Cannot write \"%1\": %2").arg(ExtractFileName(path), error);
}

}  // namespace

TBmpPasteDlg::TBmpPasteDlg(QWidget* parent)
    : QDialog(parent),
      Image(new QLabel(this)),
      Label1(new QLabel(QStringLiteral("&Save Graphic as:"), this)),
      Filename(new QLineEdit(this)),
      OKBtn(new QPushButton(QStringLiteral("OK"), this)),
      CancelBtn(new QPushButton(QStringLiteral("Cancel"), this))
{
    setWindowTitle(Caption());
    Image->setObjectName(QStringLiteral("Image"));
    Image->setAlignment(Qt::AlignCenter);
    Image->setFrameShape(QFrame::StyledPanel);
    Image->setFrameShadow(QFrame::Sunken);
    const int frame = 2 * Image->frameWidth();
    Image->setFixedSize(kPreviewBox + frame, kPreviewBox + frame);
    Label1->setBuddy(Filename);
    Filename->setObjectName(QStringLiteral("Filename"));
    Filename->setMinimumWidth(Filename->fontMetrics().horizontalAdvance(u'x') * 36);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TBmpPasteDlg::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TBmpPasteDlg::reject);
    connect(Filename, &QLineEdit::textChanged, this,
            [this](const QString& text) { OKBtn->setEnabled(!text.isEmpty()); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Image, 0, Qt::AlignHCenter);
    layout->addWidget(Label1);
    layout->addWidget(Filename);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    AskReplace = [this](const QString& text) {
        return QMessageBox::question(this, Caption(), text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    ShowError = [this](const QString& text) { QMessageBox::critical(this, Caption(), text); };
}

void TBmpPasteDlg::Prepare(const QImage& image, const QString& folder)
{
    image_ = image;
    folder_ = folder;
    Filename->setText(QStringLiteral("Clipboard.bmp"));
    Filename->selectAll();
    Filename->setFocus();
    const QSize fitted = FitPreviewSize(image.size(), kPreviewBox);
    Image->setPixmap(fitted.isEmpty()
                         ? QPixmap()
                         : QPixmap::fromImage(image.scaled(fitted, Qt::IgnoreAspectRatio,
                                                           Qt::SmoothTransformation)));
}

bool TBmpPasteDlg::Execute(const QImage& image, const QString& folder)
{
    Prepare(image, folder);
    const bool written = exec() == QDialog::Accepted;
    image_ = QImage();
    Image->clear();
    return written;
}

QString TBmpPasteDlg::TargetPath() const
{
    return JoinPath(folder_, Filename->text());
}

void TBmpPasteDlg::accept()
{
    const QString name = Filename->text();
    if (name.isEmpty())
        return;
    // A separator would put the file into another folder.
    if (IsInvalidFileName(name)) {
        ShowError(InvalidFileNameMessage());
        return;
    }
    const QString path = TargetPath();
    const std::optional<bool> exists =
        RunWithin<bool>([path] { return QFileInfo::exists(path); }, DeadlineIn(kFolderBudgetMs));
    if (!exists) {
        ShowError(QStringLiteral("The folder \"%1\" does not answer.").arg(folder_));
        return;
    }
    if (*exists && !AskReplace(QStringLiteral("Replace existing file?")))
        return;
    if (Save(path))
        QDialog::accept();
}

bool TBmpPasteDlg::Save(const QString& path)
{
    const QPointer<TBmpPasteDlg> self(this);
    std::function<void(QString)> late = [self](const QString& error) {
        if (self && !error.isEmpty())
            self->ShowError(error);
    };
    const std::optional<QString> error =
        RunWithin<QString>([image = image_, path] { return WriteBitmap(image, path); },
                           DeadlineIn(kFolderBudgetMs), std::move(late));
    // Still writing: the dialog closes, and a failure is reported when the write ends.
    if (!error)
        return true;
    if (!error->isEmpty()) {
        ShowError(*error);
        return false;
    }
    return true;
}

}  // namespace pixmarl
