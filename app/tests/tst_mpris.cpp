#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "Mpris_linux.h"
#include "PrivateBus.h"
#include "Vireo.h"
#include "VireoTestMain.h"

#include <QDBusArgument>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>

using QzMultiMedia::AudioListPlayer;

namespace {
PrivateBus* bus = nullptr;
const QString service = QStringLiteral("org.mpris.MediaPlayer2.vireo");
const QString path = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
} // namespace

// Records the PropertiesChanged signals of the player, as a sound applet hears them.
class ChangeListener : public QObject
{
    Q_OBJECT

public:
    QList<QVariantMap> changes;
    QList<qlonglong> seeks;

public slots:
    void onChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
    {
        if (interface == playerInterface)
            changes << changed;
    }
    void onSeeked(qlonglong position)
    {
        seeks << position;
    }
};

// The player over MPRIS on a private session bus, driven by a client on a connection of its own.
class TestMpris : public QObject
{
    Q_OBJECT

    QTemporaryDir m_media;
    QList<QUrl> m_songs;
    std::unique_ptr<Vireo> m_vireo;
    std::unique_ptr<Mpris_linux> m_mpris;
    QDBusConnection m_client = QDBusConnection(QString());
    ChangeListener m_listener;

    // The program answers on this same thread, so a client call must not block it.
    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(args);
        QDBusPendingCall pending = m_client.asyncCall(message, 5000);
        QDBusPendingCallWatcher watcher(pending);
        if (!QTest::qWaitFor([&] { return watcher.isFinished(); }, 6000))
            return QDBusMessage::createError(QStringLiteral("test.Timeout"), QStringLiteral("no answer"));
        return pending.reply();
    }

    QVariantMap getAll(const QString& interface)
    {
        const QDBusMessage reply
            = call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"), { interface });
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        return qdbus_cast<QVariantMap>(reply.arguments().first());
    }

    static QVariantMap metadataOf(const QVariantMap& properties)
    {
        return qdbus_cast<QVariantMap>(properties.value(QStringLiteral("Metadata")));
    }

private slots:
    void initTestCase()
    {
        for (const char* name : { "first song.mp3", "second.ogg", "third.wav" }) {
            m_songs << QUrl::fromLocalFile(m_media.filePath(QLatin1String(name)));
            QVERIFY(AudioFixtures::makeTone(m_songs.last().toLocalFile(), 20000));
        }
        const QDBusConnection programBus = QDBusConnection::connectToBus(bus->address(), QStringLiteral("program"));
        m_client = QDBusConnection::connectToBus(bus->address(), QStringLiteral("client"));
        QVERIFY(programBus.isConnected() && m_client.isConnected());
        m_vireo = std::make_unique<Vireo>();
        m_mpris = std::make_unique<Mpris_linux>(m_vireo.get(), programBus);
        QVERIFY(m_mpris->isRegistered());
        QVERIFY(m_client.connect(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"), &m_listener, SLOT(onChanged(QString, QVariantMap, QStringList))));
        QVERIFY(m_client.connect(
            service, path, playerInterface, QStringLiteral("Seeked"), &m_listener, SLOT(onSeeked(qlonglong))));
    }

    void introspectionShowsBothInterfaces()
    {
        QProcess gdbus;
        gdbus.start(QStringLiteral("gdbus"),
            { QStringLiteral("introspect"), QStringLiteral("--address"), bus->address(), QStringLiteral("--dest"),
                service, QStringLiteral("--object-path"), path });
        QTRY_VERIFY_WITH_TIMEOUT(gdbus.state() == QProcess::NotRunning, 10000);
        const QString text = QString::fromUtf8(gdbus.readAllStandardOutput());
        QVERIFY2(text.contains(QStringLiteral("interface org.mpris.MediaPlayer2 {")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("interface org.mpris.MediaPlayer2.Player {")));
        for (const char* member : { "PlayPause(", "Next(", "Previous(", "Stop(", "Play(", "Pause(", "Seek(",
                 "SetPosition(", "OpenUri(", "Raise(", "Quit(", "Seeked(", "PlaybackStatus", "Metadata", "Volume",
                 "Position", "CanGoNext", "SupportedMimeTypes" })
            QVERIFY2(text.contains(QLatin1String(member)), member);
    }

    void propertiesBeforeAnything()
    {
        const QVariantMap root = getAll(QStringLiteral("org.mpris.MediaPlayer2"));
        QCOMPARE(root.value(QStringLiteral("Identity")).toString(), QStringLiteral("Vireo"));
        QCOMPARE(root.value(QStringLiteral("DesktopEntry")).toString(), QStringLiteral("vireo"));
        QCOMPARE(
            root.value(QStringLiteral("SupportedUriSchemes")).toStringList(), QStringList { QStringLiteral("file") });
        QVERIFY(root.value(QStringLiteral("SupportedMimeTypes")).toStringList().contains(QStringLiteral("audio/mpeg")));
        QCOMPARE(root.value(QStringLiteral("CanQuit")), QVariant(true));

        const QVariantMap player = getAll(playerInterface);
        QCOMPARE(player.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
        QCOMPARE(player.value(QStringLiteral("CanPlay")), QVariant(false)); // the entries are disabled too
        QCOMPARE(player.value(QStringLiteral("CanGoNext")), QVariant(false));
        QCOMPARE(player.value(QStringLiteral("Volume")).typeId(), QMetaType::Double);
        QCOMPARE(player.value(QStringLiteral("Position")).typeId(), QMetaType::LongLong);

        call(playerInterface, QStringLiteral("PlayPause")); // like the disabled menu entry: nothing
        QVERIFY(!AudioListPlayer::instance()->isPlaying());
    }

    void filesPlayAndCommandsFollowTheMenu()
    {
        m_listener.changes.clear();
        m_vireo->playFiles(m_songs);
        QTRY_VERIFY(!m_listener.changes.isEmpty());
        QVariantMap player = getAll(playerInterface);
        QCOMPARE(player.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
        QVariantMap metadata = metadataOf(player);
        QCOMPARE(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("first song.mp3"));
        QCOMPARE(metadata.value(QStringLiteral("xesam:url")).toString(), m_songs[0].toString(QUrl::FullyEncoded));
        QVERIFY(qAbs(metadata.value(QStringLiteral("mpris:length")).toLongLong() - 20000000) < 200000);
        QCOMPARE(player.value(QStringLiteral("CanGoNext")), QVariant(true));

        m_listener.changes.clear();
        call(playerInterface, QStringLiteral("Next"));
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("second.ogg"));
        QTRY_VERIFY(!m_listener.changes.isEmpty());
        QTest::qWait(200);
        QCOMPARE(m_listener.changes.size(), 1); // one announcement with every changed key
        QCOMPARE(metadataOf(m_listener.changes.first()).value(QStringLiteral("xesam:title")).toString(),
            QStringLiteral("second.ogg"));
        QVERIFY(!m_listener.changes.first().contains(QStringLiteral("Volume")));

        m_listener.changes.clear();
        call(playerInterface, QStringLiteral("PlayPause"));
        QVERIFY(AudioListPlayer::instance()->isPaused());
        QVERIFY(m_vireo->transportAction(Vireo::Transport::PlayPause)->text() == QStringLiteral("&Play"));
        QTRY_VERIFY(!m_listener.changes.isEmpty());
        QCOMPARE(
            m_listener.changes.last().value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Paused"));

        call(playerInterface, QStringLiteral("Pause")); // already paused: stays
        QVERIFY(AudioListPlayer::instance()->isPaused());
        call(playerInterface, QStringLiteral("Play"));
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        call(playerInterface, QStringLiteral("Previous"));
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 0);
        call(playerInterface, QStringLiteral("Stop"));
        QVERIFY(AudioListPlayer::instance()->isStopped());
        QTRY_COMPARE(
            getAll(playerInterface).value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
        call(playerInterface, QStringLiteral("Play"));
        QVERIFY(AudioListPlayer::instance()->isPlaying());
    }

    void volumeAndSeeking()
    {
        m_listener.changes.clear();
        QDBusMessage set = QDBusMessage::createMethodCall(
            service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
        set.setArguments({ playerInterface, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(0.25)) });
        QDBusPendingCall pending = m_client.asyncCall(set);
        QTRY_VERIFY(pending.isFinished());
        QCOMPARE(AudioListPlayer::instance()->volume(), 0.25);
        QTRY_VERIFY(!m_listener.changes.isEmpty());
        QCOMPARE(m_listener.changes.last().value(QStringLiteral("Volume")).toDouble(), 0.25);

        m_listener.seeks.clear();
        call(playerInterface, QStringLiteral("Seek"), { qlonglong(5000000) });
        QTRY_COMPARE(m_listener.seeks.size(), 1);
        QTRY_VERIFY(getAll(playerInterface).value(QStringLiteral("Position")).toLongLong() >= 5000000);

        const QVariant trackId = metadataOf(getAll(playerInterface)).value(QStringLiteral("mpris:trackid"));
        call(playerInterface, QStringLiteral("SetPosition"), { trackId, qlonglong(12000000) });
        QTRY_COMPARE(m_listener.seeks.size(), 2);
        QCOMPARE(m_listener.seeks.last(), qlonglong(12000000));
        call(playerInterface, QStringLiteral("SetPosition"),
            { QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/vireo/track/99"))), qlonglong(1000000) });
        QTest::qWait(200);
        QCOMPARE(m_listener.seeks.size(), 2); // another track's id is ignored
    }

    void openUriTakesLocalFilesOnly()
    {
        const QList<QUrl> before = AudioListPlayer::instance()->playList();
        call(playerInterface, QStringLiteral("OpenUri"), { QStringLiteral("http://example.invalid/a.mp3") });
        call(playerInterface, QStringLiteral("OpenUri"), { QStringLiteral("file://remote-host/a.mp3") });
        QCOMPARE(AudioListPlayer::instance()->playList(), before);

        call(playerInterface, QStringLiteral("OpenUri"), { m_songs[2].toString(QUrl::FullyEncoded) });
        QCOMPARE(AudioListPlayer::instance()->playList(), QList<QUrl> { m_songs[2] });
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("third.wav"));

        // A folder goes through the same intake as a drop.
        QTemporaryDir folder;
        QDir(folder.path()).mkdir(QStringLiteral("sub"));
        for (const char* name : { "b.mp3", "c.txt", "sub/a.mp3" })
            QVERIFY(AudioFixtures::writeBytes(folder.filePath(QLatin1String(name)), "x"));
        call(playerInterface, QStringLiteral("OpenUri"),
            { QUrl::fromLocalFile(folder.path()).toString(QUrl::FullyEncoded) });
        QCOMPARE(AudioListPlayer::instance()->playList(),
            (QList<QUrl> { QUrl::fromLocalFile(folder.filePath(QStringLiteral("b.mp3"))),
                QUrl::fromLocalFile(folder.filePath(QStringLiteral("sub/a.mp3"))) }));
    }
};

int main(int argc, char** argv)
{
    PrivateBus privateBus;
    if (!privateBus.start())
        return 1;
    bus = &privateBus;
    return VireoTest::runTests<TestMpris>(argc, argv);
}

#include "tst_mpris.moc"
