#include "ScreenSavers.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>

namespace pixmarl {

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");

// Without a known session bus Qt would try to launch one, which may take long: no bus, no call.
bool SessionBusKnown()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

QDBusMessage Call(const QString& method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

}  // namespace

TScreenSaverInhibitor::TScreenSaverInhibitor(QObject* parent) : QObject(parent)
{}

TScreenSaverInhibitor::~TScreenSaverInhibitor()
{
    SetInhibited(false);
}

void TScreenSaverInhibitor::SetInhibited(bool inhibited)
{
    if (inhibited == wanted_)
        return;
    wanted_ = inhibited;
    if (!SessionBusKnown())
        return;
    if (wanted_)
        Inhibit();
    else
        UnInhibit();
}

void TScreenSaverInhibitor::Inhibit()
{
    if (asking_ || haveCookie_)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage message = Call(QStringLiteral("Inhibit"));
    message << QCoreApplication::applicationName() << QStringLiteral("Slideshow");
    asking_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        asking_ = false;
        const QDBusPendingReply<quint32> reply = *w;
        if (reply.isError())
            return;
        cookie_ = reply.value();
        haveCookie_ = true;
        if (!wanted_)  // the show ended while the call was on its way
            UnInhibit();
    });
}

void TScreenSaverInhibitor::UnInhibit()
{
    if (!haveCookie_)
        return;
    haveCookie_ = false;
    QDBusMessage message = Call(QStringLiteral("UnInhibit"));
    message << cookie_;
    QDBusConnection::sessionBus().asyncCall(message);
}

}  // namespace pixmarl
