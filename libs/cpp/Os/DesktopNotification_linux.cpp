#include "DesktopNotification.h"

#include "App_linux.h"
#include "Os_Linux.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

DesktopNotification::DesktopNotification(QObject* parent)
    : QObject(parent)
{ }

void DesktopNotification::show(
    const QString& summary, const QString& body, const QString& iconName, const QString& imagePath)
{
    QDBusConnection bus = Os_Linux::sessionBus();
    if (!bus.isConnected()) {
        emit failed();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"), QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("Notify"));
    QVariantMap hints { { QStringLiteral("desktop-entry"), App_linux::ownBusName() } };
    if (!imagePath.isEmpty())
        hints.insert(QStringLiteral("image-path"), imagePath);
    // The body is markup to servers that know body-markup: text from a song's tags is shown as text, never as
    // links or pictures.
    call << QCoreApplication::applicationName() << m_nShownId << iconName << summary << body.toHtmlEscaped()
         << QStringList() << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        const QDBusPendingReply<uint> reply = *answer;
        if (reply.isError())
            emit failed();
        else
            m_nShownId = reply.value();
    });
}
