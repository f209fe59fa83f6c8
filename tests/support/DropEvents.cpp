#include "DropEvents.h"

#include <memory>

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>

#include "fileops/OLE2.h"

namespace pixmarl::test {

Qt::DropAction SendFileDrop(QObject* receiver, const QStringList& files, Qt::KeyboardModifiers keys,
                            QPoint pos, Qt::DropActions offered)
{
    const std::unique_ptr<QMimeData> data(NewFilesMimeData(files, fuDrag));
    QDragEnterEvent enter(pos, offered, data.get(), Qt::LeftButton, keys);
    QCoreApplication::sendEvent(receiver, &enter);
    QDragMoveEvent move(pos, offered, data.get(), Qt::LeftButton, keys);
    QCoreApplication::sendEvent(receiver, &move);
    QDropEvent drop(pos, offered, data.get(), Qt::LeftButton, keys);
    QCoreApplication::sendEvent(receiver, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

}  // namespace pixmarl::test
