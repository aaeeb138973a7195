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
    if (!Os_Linux::sessionBus().isConnected()) {
        emit failed();
        return;
    }
    listenForClosing();
    const QStringList message { summary, body, iconName, imagePath };
    // A server that has not answered yet has not said which number replaces: the newest message waits for its
    // answer instead of stacking a second notification beside the first.
    if (m_bAwaitingAnswer) {
        m_listNext = message;
        return;
    }
    send(message);
}

// Once per connection: the session bus may have come back since, on a connection of its own.
void DesktopNotification::listenForClosing()
{
    QDBusConnection bus = Os_Linux::sessionBus();
    if (bus.name() == m_strListeningOn)
        return;
    m_strListeningOn = bus.name();
    m_nShownId = 0;
    bus.connect(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("NotificationClosed"), this,
        SLOT(slotClosed(uint, uint)));
}

void DesktopNotification::slotClosed(uint id, uint)
{
    if (id == m_nShownId)
        m_nShownId = 0;
}

void DesktopNotification::send(const QStringList& message)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"), QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("Notify"));
    QVariantMap hints { { QStringLiteral("desktop-entry"), App_linux::ownBusName() } };
    if (!message.at(3).isEmpty())
        hints.insert(QStringLiteral("image-path"), message.at(3));
    // The body is markup to servers that know body-markup: text from a song's tags is shown as text, never as
    // links or pictures.
    call << QCoreApplication::applicationName() << m_nShownId << message.at(2) << message.at(0)
         << message.at(1).toHtmlEscaped() << QStringList() << hints << -1;
    // A server that takes longer than this (hung, or one that never answers a replacement) is not waited for:
    // the next message goes out on its own.
    constexpr int answerMs = 1000;
    m_bAwaitingAnswer = true;
    auto* watcher = new QDBusPendingCallWatcher(Os_Linux::sessionBus().asyncCall(call, answerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        m_bAwaitingAnswer = false;
        const QDBusPendingReply<uint> reply = *answer;
        if (!reply.isError())
            m_nShownId = reply.value();
        else if (reply.error().type() == QDBusError::NoReply)
            m_nShownId = 0; // what it shows, if anything, cannot be replaced
        else
            emit failed();
        if (!m_listNext.isEmpty())
            send(std::exchange(m_listNext, QStringList()));
    });
}
