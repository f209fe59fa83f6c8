#pragma once

// One-off work off the GUI thread: work runs on Qt's thread pool and done(result) on context's
// thread afterwards, unless context is gone by then (the watcher is its child and goes with it).

#include <functional>

#include <QFutureWatcher>
#include <QObject>
#include <QtConcurrent/QtConcurrentRun>

namespace pixmarl {

template <class T>
void RunOnWorker(QObject* context, std::function<T()> work, std::function<void(T)> done)
{
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, done = std::move(done)] {
                         watcher->deleteLater();
                         done(watcher->result());
                     });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}

}  // namespace pixmarl
