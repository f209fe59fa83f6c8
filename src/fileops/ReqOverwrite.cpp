#include "ReqOverwrite.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

#include "fileops/FileNames.h"
#include "fileops/NameEditKeys.h"
#include "platform/Paths.h"

namespace pixmarl {

namespace {

QPushButton* MakeButton(const QString& text, const QString& hint, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    button->setToolTip(hint);
    return button;
}

QWidget* MakeCopyPage(TReqOverwrite* dialog)
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    dialog->Label2 = new QLabel(QStringLiteral("Replace it with:"), page);
    dialog->QSize = new QLabel(page);
    dialog->QTime = new QLabel(page);
    dialog->Label8 =
        new QLabel(QStringLiteral("Or enter a different name for the new file:"), page);
    grid->addWidget(dialog->Label2, 0, 0, 1, 2);
    grid->addWidget(dialog->QSize, 1, 0);
    grid->addWidget(dialog->QTime, 1, 1);
    grid->addWidget(dialog->Label8, 2, 0, 1, 2);
    return page;
}

QWidget* MakeCreatePage(TReqOverwrite* dialog)
{
    auto* page = new QWidget;
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 0);
    dialog->Label3 =
        new QLabel(QStringLiteral("You can replace it by the new file or enter enter a "
                                  "different name for the new file:"),
                   page);
    dialog->Label3->setWordWrap(true);
    box->addWidget(dialog->Label3);
    return page;
}

}  // namespace

QString OverwriteSizeText(qint64 size)
{
    return QString::number(size) + QStringLiteral(" Bytes");
}

QString OverwriteTimeText(const QString& path)
{
    const QDateTime time = QFileInfo(path).lastModified();
    if (!time.isValid())
        return {};
    const QLocale locale;
    return locale.toString(time.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(time.time(), QLocale::LongFormat);
}

TReqOverwrite::TReqOverwrite(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Replace existing file"));
    setObjectName(QStringLiteral("ReqOverwrite"));
    Image3 = new QLabel(this);
    const QIcon icon = QIcon::fromTheme(QStringLiteral("dialog-warning"),
                                        style()->standardIcon(QStyle::SP_MessageBoxWarning));
    Image3->setPixmap(icon.pixmap(48, 48));
    FilenameLbl = new QLabel(this);
    FilenameLbl->setTextFormat(Qt::PlainText);
    Label1 = new QLabel(QStringLiteral("already exists:"), this);
    ZSize = new QLabel(this);
    ZTime = new QLabel(this);
    Pages = new QStackedWidget(this);
    Pages->addWidget(MakeCopyPage(this));
    Pages->addWidget(MakeCreatePage(this));
    NewName = new QLineEdit(this);
    new TNameEditKeys(
        NewName, [this] { return extension_; }, icDrop);
    Button1 = MakeButton(QStringLiteral("&Replace"), {}, this);
    RenBtn = MakeButton(QStringLiteral("Re&name"), {}, this);
    RenBtn->setDefault(true);
    Button5 = MakeButton(QStringLiteral("&Don't replace"), {}, this);

    auto* left = new QGridLayout;
    left->addWidget(Image3, 0, 0, 3, 1, Qt::AlignTop);
    left->addWidget(FilenameLbl, 0, 1, 1, 2);
    left->addWidget(Label1, 1, 1, 1, 2);
    left->addWidget(ZSize, 2, 1);
    left->addWidget(ZTime, 2, 2);
    left->addWidget(Pages, 3, 0, 1, 3);
    left->addWidget(NewName, 4, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(RenBtn);
    buttons->addWidget(Button5);
    left->addLayout(buttons, 5, 0, 1, 3);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addWidget(MakeButtonColumn());
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button1, &QPushButton::clicked, this, [this] { Answer(oaReplace); });
    connect(RenBtn, &QPushButton::clicked, this, [this] { AnswerRename(oaRename); });
    connect(Button5, &QPushButton::clicked, this, [this] { Answer(oaDontReplace); });
    connect(ReplaceAllBtn, &QPushButton::clicked, this, [this] { Answer(oaReplaceAll); });
    connect(ReplaceNoneBtn, &QPushButton::clicked, this, [this] { Answer(oaReplaceNone); });
    connect(RenameAllBtn, &QPushButton::clicked, this, [this] { AnswerRename(oaRenameAll); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { Answer(oaCancel); });

    OnMessage = [this](const QString& caption, const QString& text) {
        QMessageBox::warning(this, caption, text);
    };
}

QWidget* TReqOverwrite::MakeButtonColumn()
{
    column_ = new QWidget(this);
    auto* box = new QVBoxLayout(column_);
    box->setContentsMargins(0, 0, 0, 0);
    ReplaceAllBtn = MakeButton(QStringLiteral("Replace all"),
                               QStringLiteral("Alle weiteren Dateien ersetzen"), column_);
    ReplaceNoneBtn = MakeButton(QStringLiteral("Replace none"),
                                QStringLiteral("Alle weiteren ignorieren"), column_);
    RenameAllBtn = MakeButton(QStringLiteral("Rename all"),
                              QStringLiteral("Alle weiteren umbenennen"), column_);
    CancelBtn = MakeButton(QStringLiteral("Cancel"),
                           QStringLiteral("Keine Dateien Kopieren/Verschieben"), column_);
    for (QPushButton* button : {ReplaceAllBtn, ReplaceNoneBtn, RenameAllBtn, CancelBtn})
        box->addWidget(button);
    box->addStretch();
    return column_;
}

void TReqOverwrite::SetMultiple(bool multiple)
{
    for (QPushButton* button : {CancelBtn, ReplaceNoneBtn, ReplaceAllBtn, RenameAllBtn})
        button->setEnabled(multiple);
    column_->setVisible(multiple);
}

void TReqOverwrite::Prepare(const TOverwriteQuestion& question)
{
    question_ = question;
    answer_ = question.Multiple ? oaCancel : oaDontReplace;
    newTarget_.clear();
    SetMultiple(question.Multiple);
    const bool copy = !question.Source.isEmpty();
    FilenameLbl->setText(ExtractFileName(copy ? question.Source : question.Target));
    if (copy) {
        QSize->setText(OverwriteSizeText(QFileInfo(question.Source).size()));
        QTime->setText(OverwriteTimeText(question.Source));
    }
    Pages->setCurrentIndex(copy ? 0 : 1);
    ZSize->setText(OverwriteSizeText(QFileInfo(question.Existing).size()));
    ZTime->setText(OverwriteTimeText(question.Existing));
    extension_ = ExtractFileExt(ExtractFileName(question.Target));
    NewName->setText(ExtractFileName(question.Proposal));
    RenBtn->setFocus();
}

TOverwriteReply TReqOverwrite::Ask(const TOverwriteQuestion& question)
{
    Prepare(question);
    exec();
    return Reply();
}

TOverwriteReply TReqOverwrite::Reply() const
{
    return {answer_, newTarget_};
}

void TReqOverwrite::Answer(TOverwriteAnswer answer)
{
    answer_ = answer;
    done(answer == oaCancel ? QDialog::Rejected : QDialog::Accepted);
}

void TReqOverwrite::AnswerRename(TOverwriteAnswer answer)
{
    const QString name = NewName->text();
    const QString target = JoinPath(ExtractFileDir(question_.Target), name);
    // A pasted name can still hold what the keys refuse; it would lead into another folder.
    if (name.isEmpty() || IsInvalidFileName(name)) {
        if (OnMessage)
            OnMessage(QStringLiteral("Rename"), InvalidFileNameMessage());
        NewName->setFocus();
        return;
    }
    if (target != question_.Proposal && question_.Taken && question_.Taken(target)) {
        if (OnMessage)
            OnMessage(name, QStringLiteral("This name already exists.\nPlease enter a new name!"));
        NewName->setFocus();
        return;
    }
    newTarget_ = target;
    Answer(answer);
}

void TReqOverwrite::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Answer(CancelBtn->isEnabled() ? oaCancel : oaDontReplace);
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace pixmarl
