#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "ListenBrainzClient.h"
#include "Scrobbler.h"
#include "SongIntake.h"
#include "VireoTestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::SongIntake;

// A ListenBrainz server of the test's own: it keeps what each request sent and answers as told.
class ListenServer : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray path;
        QByteArray authorization;
        QJsonObject body;
    };
    QList<Request> requests;
    bool up = true; // false: every request gets 503

    ListenServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
    }
    QString root() const
    {
        return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort());
    }
    // The listens the server took, by title, in the order it took them.
    QStringList listened() const
    {
        QStringList titles;
        for (const Request& request : requests) {
            if (request.body[QStringLiteral("listen_type")].toString() == QLatin1String("playing_now"))
                continue;
            for (const QJsonValue& listen : request.body[QStringLiteral("payload")].toArray())
                titles << listen[QStringLiteral("track_metadata")][QStringLiteral("track_name")].toString();
        }
        return titles;
    }
    QStringList playingNow() const
    {
        QStringList titles;
        for (const Request& request : requests) {
            if (request.body[QStringLiteral("listen_type")].toString() == QLatin1String("playing_now"))
                titles << request.body[QStringLiteral("payload")][0][QStringLiteral("track_metadata")]
                              [QStringLiteral("track_name")]
                                  .toString();
        }
        return titles;
    }

private:
    void read(QTcpSocket* socket)
    {
        QByteArray& data = m_pending[socket];
        data += socket->readAll();
        const qsizetype headerEnd = data.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        qsizetype length = 0;
        Request request;
        const QList<QByteArray> lines = data.left(headerEnd).split('\n');
        request.path = lines.first().split(' ').value(1);
        for (const QByteArray& line : lines) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length")
                length = value.toLongLong();
            else if (name == "authorization")
                request.authorization = value;
        }
        if (data.size() < headerEnd + 4 + length)
            return;
        const QByteArray answer = up ? QByteArray("{\"status\": \"ok\"}") : QByteArray("down");
        if (up) {
            request.body = QJsonDocument::fromJson(data.mid(headerEnd + 4, length)).object();
            requests << request;
        }
        data.clear();
        socket->write((up ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 503 Service Unavailable\r\n")
            + QByteArray("Content-Type: application/json\r\nContent-Length: ") + QByteArray::number(answer.size())
            + "\r\nConnection: close\r\n\r\n" + answer);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

// What is heard reaches the server, through the real list and player (into a clocked fake sink), with the
// rules' times made short.
class TestListenBrainz : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QUrl song(const QString& name) const
    {
        return QUrl::fromLocalFile(m_dir.filePath(name));
    }
    static Scrobbler::Rules shortRules()
    {
        Scrobbler::Rules rules;
        rules.shortestMs = 1500; // "thirty seconds"
        rules.enoughMs = 2000; // "four minutes"
        rules.tagsAwaitedMs = 200;
        return rules;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(AudioFixtures::makeTone(
            m_dir.filePath(QStringLiteral("morning.ogg")), 3000, 440, QStringLiteral("title=Morning,artist=Lark")));
        QVERIFY(AudioFixtures::makeTone(
            m_dir.filePath(QStringLiteral("long.ogg")), 6000, 550, QStringLiteral("title=Long,artist=Lark")));
        QVERIFY(AudioFixtures::makeTone(
            m_dir.filePath(QStringLiteral("short.ogg")), 1000, 660, QStringLiteral("title=Short,artist=Lark")));
        QVERIFY(AudioFixtures::makeTone(m_dir.filePath(QStringLiteral("untagged.ogg")), 3000, 770));
    }

    // A song is playing now at its start, and a listen once half of it (or the cap) was heard, never before;
    // a song shorter than the shortest and one without artist and title are not sent.
    void listensAreSentAsHeard()
    {
        ListenServer server;
        ListenBrainzClient client(m_dir.filePath(QStringLiteral("listens.json")));
        client.setAccount(QStringLiteral("secret-token"), server.root());
        Scrobbler scrobbler(&client, shortRules());
        QSignalSpy sent(&client, &ListenBrainzClient::sent);
        const qint64 started = QDateTime::currentSecsSinceEpoch();
        SongIntake::play({ song(QStringLiteral("morning.ogg")), song(QStringLiteral("short.ogg")),
            song(QStringLiteral("untagged.ogg")), song(QStringLiteral("long.ogg")) });
        QTRY_COMPARE_WITH_TIMEOUT(server.playingNow(), QStringList { "Morning" }, 3000);
        QTest::qWait(800);
        QVERIFY(server.listened().isEmpty()); // half of three seconds is not heard yet
        QTRY_COMPARE_WITH_TIMEOUT(server.listened(), QStringList { "Morning" }, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(AudioListPlayer::instance()->currentName() == QLatin1String("long.ogg"), 8000);
        QTRY_COMPARE_WITH_TIMEOUT(server.listened(), (QStringList { "Morning", "Long" }), 5000);
        QCOMPARE(server.playingNow(), (QStringList { "Morning", "Short", "Long" }));
        const ListenServer::Request& listen = server.requests.last();
        QCOMPARE(listen.path, QByteArray("/1/submit-listens"));
        QCOMPARE(listen.authorization, QByteArray("Token secret-token"));
        QCOMPARE(listen.body[QStringLiteral("listen_type")].toString(), QStringLiteral("single"));
        const QJsonObject track = listen.body[QStringLiteral("payload")][0][QStringLiteral("track_metadata")].toObject();
        QCOMPARE(track[QStringLiteral("artist_name")].toString(), QStringLiteral("Lark"));
        const qint64 at = listen.body[QStringLiteral("payload")][0][QStringLiteral("listened_at")].toInteger();
        // When it started (after seven seconds of songs before it), not when it was sent (two seconds later).
        QVERIFY2(at >= started + 6 && at <= QDateTime::currentSecsSinceEpoch() - 1,
            qPrintable(QStringLiteral("%1 s after the list began").arg(at - started)));
        AudioListPlayer::instance()->stop();
        QTRY_COMPARE(client.waiting(), 0); // once the server's answer has come back
        QCOMPARE(sent.count(), 2);
    }

    // Listens made while the server is down are kept on disk, also across a restart, and sent in order, each
    // once, when it answers again.
    void listensWaitForTheServer()
    {
        ListenServer server;
        server.up = false;
        const QString kept = m_dir.filePath(QStringLiteral("waiting.json"));
        {
            ListenBrainzClient client(kept);
            client.setAccount(QStringLiteral("t"), server.root());
            QJsonObject track { { QStringLiteral("artist_name"), QStringLiteral("Lark") } };
            for (const char* title : { "One", "Two" }) {
                track[QStringLiteral("track_name")] = QLatin1String(title);
                client.listen(track, 1000);
            }
            QTRY_COMPARE(client.waiting(), 2);
            QTest::qWait(300); // the server said no to both
            QCOMPARE(client.waiting(), 2);
        }
        server.up = true;
        ListenBrainzClient client(kept); // the next run
        QCOMPARE(client.waiting(), 2);
        QSignalSpy sent(&client, &ListenBrainzClient::sent);
        client.setAccount(QStringLiteral("t"), server.root());
        client.listen({ { QStringLiteral("artist_name"), QStringLiteral("Lark") },
                          { QStringLiteral("track_name"), QStringLiteral("Three") } },
            2000);
        QTRY_COMPARE(client.waiting(), 0);
        QCOMPARE(server.listened(), (QStringList { "One", "Two", "Three" }));
        QCOMPARE(server.requests.first().body[QStringLiteral("listen_type")].toString(), QStringLiteral("import"));
        ListenBrainzClient after(kept);
        QCOMPARE(after.waiting(), 0);
    }
};

VIREO_TEST_MAIN(TestListenBrainz)
#include "tst_listenbrainz.moc"
