#include "RemoteCommands.h"

#include "Mpris_linux.h"
#include "Os_Linux.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

QString RemoteCommands::send(const QStringList& methods)
{
    QDBusConnection bus = Os_Linux::sessionBus();
    const QString service = QLatin1String(Mpris_linux::serviceName);
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service).value())
        return QStringLiteral("Vireo is not running.");
    for (const QString& method : methods) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            service, QLatin1String(Mpris_linux::objectPath), QStringLiteral("org.mpris.MediaPlayer2.Player"), method);
        // The desktop's activation file would start a player only to give it this one command.
        call.setAutoStartService(false);
        const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage)
            return QStringLiteral("the running Vireo did not answer: %1").arg(reply.errorMessage());
    }
    return QString();
}
