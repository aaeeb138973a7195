#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

// What the JavaScript of a shell that answers `Eval` on the session bus (GNOME Shell's org.gnome.Shell, Cinnamon's
// org.Cinnamon) says `code` comes to; undefined where it failed or the shell is not there.
inline QJsonValue shellEval(const QString& shell, const QString& code)
{
    QDBusMessage call = QDBusMessage::createMethodCall(shell,
        QLatin1Char('/') + QString(shell).replace(QLatin1Char('.'), QLatin1Char('/')), shell, QStringLiteral("Eval"));
    call << code;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2
        || !reply.arguments().at(0).toBool())
        return QJsonValue(QJsonValue::Undefined);
    return QJsonDocument::fromJson(("[" + reply.arguments().at(1).toString() + "]").toUtf8()).array().at(0);
}
