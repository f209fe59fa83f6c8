#pragma once

// The key rules of a file-name field: the nine invalid characters are dropped, a "." typed at the
// end offers the extension back, and on getting the focus the name is selected without its
// extension. Installed as an event filter on a QLineEdit, which owns it.

#include <functional>

#include <QObject>

class QLineEdit;

namespace pixmarl {

class TNameEditKeys : public QObject {
public:
    // extension: the extension (with its dot) that a "." at the end inserts.
    TNameEditKeys(QLineEdit* edit, std::function<QString()> extension, bool beepOnInvalid);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    std::function<QString()> extension_;
    bool beepOnInvalid_;
};

// Selects the name without its extension once the current events are handled, so that the
// selection survives the focus change that is under way.
void PostSelectBaseName(QLineEdit* edit);

}  // namespace pixmarl
