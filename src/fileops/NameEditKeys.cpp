#include "NameEditKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include "fileops/FileNames.h"

namespace pixmarl {

TNameEditKeys::TNameEditKeys(QLineEdit* edit, std::function<QString()> extension,
                             TInvalidChars invalid)
    : QObject(edit), edit_(edit), extension_(std::move(extension)), invalid_(invalid)
{
    edit->installEventFilter(this);
}

bool TNameEditKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != edit_)
        return false;
    if (event->type() == QEvent::FocusIn) {
        PostSelectBaseName(edit_);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (text.size() != 1)
        return false;
    if (invalid_ != icKeep && IsInvalidFileNameChar(text.at(0))) {
        if (invalid_ == icDropWithBeep)
            QApplication::beep();
        return true;
    }
    if (text != QLatin1String("."))
        return false;
    const auto edit = DotInsertsExtension(edit_->text(), edit_->cursorPosition(),
                                          edit_->hasSelectedText(), extension_());
    if (!edit)
        return false;
    edit_->setText(edit->Text);
    edit_->setSelection(edit->SelStart, edit->SelLength);
    return true;
}

void PostSelectBaseName(QLineEdit* edit)
{
    QTimer::singleShot(0, edit, [edit] { edit->setSelection(0, BaseNameLength(edit->text())); });
}

}  // namespace pixmarl
