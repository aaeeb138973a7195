#include "RemoteCommands.h"

#include "Mpris_linux.h"
#include "Os_Linux.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>

QString RemoteCommands::send(const QStringList& methods)
{
    QDBusConnection bus = Os_Linux::sessionBus();
    const QString service = QLatin1String(Mpris_linux::serviceName);
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service).value())
        return QStringLiteral("Vireo is not running.");
    bool answering = true;
    for (const QString& method : methods) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            service, QLatin1String(Mpris_linux::objectPath), QStringLiteral("org.mpris.MediaPlayer2.Player"), method);
        // The desktop's activation file would start a player only to give it this one command.
        call.setAutoStartService(false);
        // A player that does not answer in time has the command all the same, and carries it out when it goes on:
        // the rest follow it there.
        if (!answering) {
            bus.send(call);
            continue;
        }
        const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            continue;
        if (QDBusError(reply).type() != QDBusError::NoReply)
            return QStringLiteral("the running Vireo did not answer: %1").arg(reply.errorMessage());
        answering = false;
    }
    if (!answering)
        return QStringLiteral("the running Vireo is busy and did not answer within 5 s; it has the command and "
                              "carries it out when it goes on.");
    return QString();
}
