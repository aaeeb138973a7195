#include "Os_Linux_Notifier.h"

#include "Os_Linux.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QSessionManager>

namespace {
const QString login1Service = QStringLiteral("org.freedesktop.login1");
const QString login1Path = QStringLiteral("/org/freedesktop/login1");
const QString login1Manager = QStringLiteral("org.freedesktop.login1.Manager");
} // namespace

Os_Linux_Notifier::Os_Linux_Notifier(QObject* parent)
    : QObject(parent)
{
    QDBusConnection bus = Os_Linux::systemBus();
    if (bus.isConnected()) {
        bus.connect(login1Service, login1Path, login1Manager, QStringLiteral("PrepareForSleep"), this,
            SLOT(onPrepareForSleep(bool)));
        bus.connect(login1Service, login1Path, login1Manager, QStringLiteral("PrepareForShutdown"), this,
            SLOT(onPrepareForShutdown(bool)));
    }
    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &Os_Linux_Notifier::onCommitDataRequest);
}

void Os_Linux_Notifier::onPrepareForSleep(bool start)
{
    if (start)
        Os_Linux::emitSignalAtSwitchToStandBy();
    else
        Os_Linux::emitSignalAtWakeUpFromStandBy();
}

void Os_Linux_Notifier::onPrepareForShutdown(bool start)
{
    // logind sends false when a planned shutdown is called off; only the real one is a log-out.
    if (start)
        Os_Linux::emitSignalAtUserLogout();
}

void Os_Linux_Notifier::onCommitDataRequest()
{
    Os_Linux::emitSignalAtUserLogout();
}
