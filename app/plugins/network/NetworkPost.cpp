// The network plugin: Qt's network access, with what it brings (Kerberos, libproxy).

#include "JsonPost.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

extern "C" Q_DECL_EXPORT void vireoPostJson(QObject* context, const QUrl& url, const QByteArray& authorization,
    const QByteArray& body, int timeoutMs, const JsonPost::Answer& answer)
{
    // One manager for the program's life, as Qt advises: it keeps the connections to a server open between posts.
    static QPointer<QNetworkAccessManager> network;
    if (!network)
        network = new QNetworkAccessManager(QCoreApplication::instance());
    QNetworkRequest ask(url);
    ask.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    ask.setRawHeader("Authorization", authorization);
    ask.setTransferTimeout(timeoutMs);
    QNetworkReply* reply = network->post(ask, body);
    QObject::connect(reply, &QNetworkReply::finished, context, [reply, answer] {
        answer(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
            reply->error() == QNetworkReply::NoError);
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}
