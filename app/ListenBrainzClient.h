#pragma once

#include "JsonPost.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

// Sends what the user listens to to a ListenBrainz server (its public API, or any compatible one): the song that
// plays now, and listens. A listen is kept on disk until the server took it, and listens are sent in the order
// they were made, each once; a server that does not answer gets them later, together. The token goes to the
// server only: never to a log, never over D-Bus.
class ListenBrainzClient : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* PublicServer = "https://api.listenbrainz.org";

    // queueFile keeps the listens not sent yet across runs.
    explicit ListenBrainzClient(const QString& queueFile, QObject* parent = nullptr);

    // The user's token and the server's root address; an empty token sends nothing and keeps nothing (listens
    // made before and not sent yet stay for a token to come).
    void setAccount(const QString& token, const QString& server);
    bool isOn() const;
    // The song that plays now; not kept if it cannot be sent.
    void nowPlaying(const QJsonObject& track);
    // A song heard, from listenedAt (seconds since 1970, UTC) on.
    void listen(const QJsonObject& track, qint64 listenedAt);
    // Listens made and not taken by the server yet.
    int waiting() const;

signals:
    // The server took these many listens.
    void sent(int listens);

private:
    void sendWaiting();
    void batchAnswered(int status, bool transferred);
    // Posts to the server through the network plugin; false where the plugin cannot be had.
    bool post(const QByteArray& body, int timeoutMs, const JsonPost::Answer& answer);
    void save() const;

    QString m_strFile;
    QString m_strToken;
    QUrl m_urlSubmit;
    QJsonArray m_waiting; // the oldest first
    int m_nSending = 0; // listens on their way to the server, the first of m_waiting
    bool m_bRefused = false; // the server refused the token: nothing is sent until it changes
    QTimer m_retry; // a server that did not answer is asked again, less often as it goes on
    int m_nRetryMs = 30 * 1000;
};
