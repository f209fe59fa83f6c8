#include "support/EventWait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace pixmarl::test {

bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= timeoutMs)
            loop.quit();
    });
    if (!done()) {
        poll.start(1);
        loop.exec();
    }
    return done();
}

void RunEventsFor(int ms)
{
    RunEventsUntil([] { return false; }, ms);
}

}  // namespace pixmarl::test
