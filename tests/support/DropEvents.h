#pragma once

// A drag of files sent to a receiver as the platform sends it: enter, move, then the drop, all at
// one point, with the keys held and the actions the source offers.

#include <QPoint>
#include <QStringList>
#include <Qt>

class QObject;

namespace pixmarl::test {

// Answers the action the receiver took at the drop (Qt::IgnoreAction when it refused). The drag
// comes from no widget, as one from another program does.
Qt::DropAction
SendFileDrop(QObject* receiver, const QStringList& files, Qt::KeyboardModifiers keys, QPoint pos,
             Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);

}  // namespace pixmarl::test
