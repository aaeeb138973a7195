#include "SessionBus_linux.h"

#include "OsLogging.h"

#include <QCoreApplication>
#include <QTimer>

SessionBus_linux* SessionBus_linux::s_pinstance = nullptr;

SessionBus_linux* SessionBus_linux::instance()
{
    if (!s_pinstance)
        s_pinstance = new SessionBus_linux(QCoreApplication::instance());
    return s_pinstance;
}

SessionBus_linux::SessionBus_linux(QObject* parent)
    : QObject(parent)
{ }

QString SessionBus_linux::name() const
{
    return QStringLiteral("vireo-session-%1").arg(m_nGeneration);
}

QDBusConnection SessionBus_linux::connection()
{
    if (!m_bOpened)
        open();
    return QDBusConnection(name());
}

void SessionBus_linux::open()
{
    m_bOpened = true;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name());
    // The bus library says when the connection closes; a session without a bus at all is not waited for.
    if (bus.isConnected())
        bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
            QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), this, SLOT(slotLost()));
}

void SessionBus_linux::slotLost()
{
    qCWarning(lcOs) << "the session bus went away; waiting for it to come back";
    if (!m_pRetry) {
        m_pRetry = new QTimer(this);
        m_pRetry->setInterval(RetryMs);
        connect(m_pRetry, &QTimer::timeout, this, &SessionBus_linux::slotTryAgain);
    }
    m_pRetry->start();
}

void SessionBus_linux::slotTryAgain()
{
    // A closed connection keeps its name in Qt until it is let go; each new one gets a name of its own.
    QDBusConnection::disconnectFromBus(name());
    ++m_nGeneration;
    open();
    if (!QDBusConnection(name()).isConnected())
        return;
    m_pRetry->stop();
    qCInfo(lcOs) << "the session bus is back";
    emit returned();
}
