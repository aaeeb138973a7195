#include "RemoteCommands.h"

#include "Mpris_linux.h"
#include "Os_Linux.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>

namespace {
const char* const playerInterface = "org.mpris.MediaPlayer2.Player";

QDBusMessage call(const QString& interface, const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(QLatin1String(Mpris_linux::serviceName),
        QLatin1String(Mpris_linux::objectPath), interface, method);
    message.setArguments(arguments);
    // The desktop's activation file would start a player only to give it this one command.
    message.setAutoStartService(false);
    return message;
}

QDBusMessage volumeCall(const QVariantList& arguments)
{
    const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
    return arguments.isEmpty()
        ? call(properties, QStringLiteral("Get"),
            { QLatin1String(playerInterface), QStringLiteral("Volume") })
        : call(properties, QStringLiteral("Set"),
            { QLatin1String(playerInterface), QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(arguments.first())) });
}
} // namespace

QString RemoteCommands::send(const QList<Command>& commands)
{
    QDBusConnection bus = Os_Linux::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(QLatin1String(Mpris_linux::serviceName)).value())
        return QStringLiteral("Vireo is not running.");
    bool answering = true;
    // A player that does not answer in time has the command all the same, and carries it out when it goes on:
    // the rest follow it there, all but a volume change, which needs the volume it changes.
    const auto sent = [&](const QDBusMessage& message, QDBusMessage* reply = nullptr) {
        if (!answering) {
            bus.send(message);
            return false;
        }
        const QDBusMessage answer = bus.call(message, QDBus::Block, 5000);
        if (reply)
            *reply = answer;
        if (answer.type() == QDBusMessage::ReplyMessage)
            return true;
        if (QDBusError(answer).type() == QDBusError::NoReply)
            answering = false;
        return false;
    };
    for (const Command& command : commands) {
        QDBusMessage reply;
        bool done = false;
        if (command.method == QLatin1String("Volume")) {
            if (answering && sent(volumeCall({}), &reply)) {
                const double volume = reply.arguments().value(0).value<QDBusVariant>().variant().toDouble();
                done = sent(volumeCall({ qBound(0.0, volume + command.amount / 100.0, 1.0) }), &reply);
            }
        } else if (command.method == QLatin1String("Seek")) {
            done = sent(call(QLatin1String(playerInterface), command.method,
                            { QVariant::fromValue(qlonglong(command.amount * 1e6)) }),
                &reply);
        } else {
            done = sent(call(QLatin1String(playerInterface), command.method), &reply);
        }
        if (!done && answering)
            return QStringLiteral("the running Vireo did not answer: %1").arg(reply.errorMessage());
    }
    if (!answering)
        return QStringLiteral("the running Vireo is busy and did not answer within 5 s; it has the command and "
                              "carries it out when it goes on.");
    return QString();
}
