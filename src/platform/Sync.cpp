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
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!done())
            QThread::msleep(1);
    }
}

}  // namespace pixmarl
