#pragma once

// The key rules of a file-name field: a "." typed at the end offers the extension back (or is
// dropped when there is none), the nine invalid characters are dropped where the field asks for
// it, and on getting the focus the name is selected without its extension. Installed as an event
// filter on a QLineEdit, which owns it.

#include <functional>

#include <QObject>

class QLineEdit;

namespace pixmarl {

// What a typed invalid file-name character does: passes (the caller checks the name later), is
// dropped, or is dropped with the platform's beep.
enum TInvalidChars { icKeep, icDrop, icDropWithBeep };

class TNameEditKeys : public QObject {
public:
    // extension: the extension (with its dot) that a "." at the end inserts.
    TNameEditKeys(QLineEdit* edit, std::function<QString()> extension, TInvalidChars invalid);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    std::function<QString()> extension_;
    TInvalidChars invalid_;
};

// Selects the name without its extension once the current events are handled, so that the
// selection survives the focus change that is under way.
void PostSelectBaseName(QLineEdit* edit);

}  // namespace pixmarl
