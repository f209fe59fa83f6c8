#include "Sync.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace pixmarl {

void RunOnGuiThread(const std::function<void()>& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

void WaitProcessingEvents(const std::function<bool()>& done)
{
    while (!done()) {
        // Posted events first, explicitly: inside an event handler the dispatcher may not see
        // a hand-over that another thread posted meanwhile, and the worker would wait for ever.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!done())
            QThread::msleep(1);
    }
}

}  // namespace pixmarl
