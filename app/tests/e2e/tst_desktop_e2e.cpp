#include "AudioFixtures.h"
#include "DesktopSession.h"
#include "PrivateBus.h"
#include "PulseServer.h"

#include <QBuffer>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QImage>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
std::unique_ptr<DesktopSession> desktop;
std::unique_ptr<PulseServer> pulse;
std::unique_ptr<PrivateBus> bus;
const QString service = QStringLiteral("org.mpris.MediaPlayer2.vireo");
const QString path = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// The desktop's notification server, reduced to counting what it is asked to show.
class FakeNotifications : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList shown; // summary and body of each Notify
    QList<uint> replaced; // the number of the notification each one replaces, 0 for none
    QList<uint> numbers; // the number each one is known by
    QStringList images; // the picture file each one shows, if any
    int answerAfterMs = 0; // a slow server answers late; one that hangs (-1) never does

public slots:
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary, const QString& body,
        const QStringList&, const QVariantMap& hints, int)
    {
        shown << summary + QLatin1Char('\n') + body;
        images << hints.value(QStringLiteral("image-path")).toString();
        replaced << replaces;
        const uint number = replaces ? replaces : uint(shown.size());
        numbers << number;
        if (answerAfterMs < 0) {
            setDelayedReply(true);
            return 0;
        }
        if (answerAfterMs > 0) {
            setDelayedReply(true);
            QTimer::singleShot(answerAfterMs, this,
                [bus = connection(), answer = message().createReply(number)] { bus.send(answer); });
        }
        return number;
    }

signals:
    void NotificationClosed(uint id, uint reason);
};

// A StatusNotifierItem host of the test's own (sni_watcher) and the item that registers with it.
class StatusNotifierHost
{
public:
    bool start(const QProcessEnvironment& env)
    {
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(VIREO_SNI_WATCHER), QStringList());
        return DesktopSession::waitFor([&] { return output().contains("ready"); }, 5000);
    }

    // The bus name of the first item that registered, once one has.
    QString item(int timeoutMs = 10000)
    {
        const QRegularExpression line(QStringLiteral("item (\\S+)"));
        DesktopSession::waitFor([&] { return line.match(QString::fromUtf8(output())).hasMatch(); }, timeoutMs);
        return line.match(QString::fromUtf8(output())).captured(1);
    }

    qint64 processId() const
    {
        return m_process.processId();
    }

    ~StatusNotifierHost()
    {
        m_process.kill();
        m_process.waitForFinished(3000);
    }

private:
    QByteArray output()
    {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }

    QProcess m_process;
    QByteArray m_output;
};
} // namespace

// The installed program on a desktop as its remote controls see it: files on the command line, a second start
// with files, media keys, sound applets and playerctl over MPRIS, against the real program on Xvfb, trayer,
// PulseAudio and a private bus.
class TestDesktopEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    QTemporaryDir m_runtime;
    QProcess m_program;
    QDBusConnection m_bus = QDBusConnection(QString());
    QList<QVariantMap> m_changes; // PropertiesChanged of the player, as a sound applet hears them
    QList<qlonglong> m_seeks;
    FakeNotifications m_notifications; // on the bus from the first case that needs it on
    bool m_bNotificationsServed = false;

    bool serveNotifications()
    {
        if (m_bNotificationsServed)
            return true;
        QDBusConnection server = QDBusConnection::connectToBus(bus->address(), QStringLiteral("notifications"));
        m_bNotificationsServed
            = server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &m_notifications,
                  QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)
            && server.registerService(QStringLiteral("org.freedesktop.Notifications"));
        return m_bNotificationsServed;
    }

    QProcessEnvironment programEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path() + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path() + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path()); // every login session has one
        env.remove(QStringLiteral("QT_LOGGING_RULES"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus->address());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("VIREO_AUDIO_SINK"));
        return env;
    }

    QVariantMap all(const QString& interface)
    {
        QDBusInterface properties(service, path, QStringLiteral("org.freedesktop.DBus.Properties"), m_bus);
        const QDBusReply<QVariantMap> reply = properties.call(QStringLiteral("GetAll"), interface);
        return reply.isValid() ? reply.value() : QVariantMap();
    }

    QVariant player(const char* property)
    {
        return all(playerInterface).value(QLatin1String(property));
    }

    // Asks the player's status eight times over three seconds: empty when each answer came within a second and said
    // `status` (any status when none is given), else what went wrong.
    QString answeredAtOnce(const QString& status = QString())
    {
        QElapsedTimer clock;
        for (int i = 0; i < 8; ++i) {
            clock.restart();
            const QString said = player("PlaybackStatus").toString();
            if (said.isEmpty() || (!status.isEmpty() && said != status) || clock.elapsed() >= 1000)
                return QStringLiteral("\"%1\" after %2 ms").arg(said).arg(clock.elapsed());
            QTest::qWait(400);
        }
        return QString();
    }

    bool becomes(const char* status, int timeoutMs = 3000)
    {
        return DesktopSession::waitFor(
            [&] { return player("PlaybackStatus").toString() == QLatin1String(status); }, timeoutMs);
    }

    QString title()
    {
        return qdbus_cast<QVariantMap>(player("Metadata")).value(QStringLiteral("xesam:title")).toString();
    }

    void command(const char* method, const QVariantList& args = {})
    {
        QDBusInterface(service, path, playerInterface, m_bus)
            .callWithArgumentList(QDBus::Block, QLatin1String(method), args);
    }

    bool setVolume(double volume)
    {
        return QDBusInterface(service, path, playerInterface, m_bus).setProperty("Volume", volume);
    }

    // What the sink plays over `ms` milliseconds, once the song has moved on a little: a sound stream takes a
    // moment to start.
    QVector<qint16> record(int ms)
    {
        const qlonglong from = player("Position").toLongLong();
        DesktopSession::waitFor([&] { return player("Position").toLongLong() > from + 400000; }, 3000);
        if (!pulse->startRecording())
            return {};
        QTest::qWait(ms);
        return pulse->takeRecording();
    }

    double level(int ms)
    {
        return PulseServer::rms(record(ms));
    }

    QVariantMap metadata()
    {
        return qdbus_cast<QVariantMap>(player("Metadata"));
    }

    static QByteArray picture(Qt::GlobalColor color)
    {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(color);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        image.save(&png, "PNG");
        return png.data();
    }

    // The cover MPRIS names: a local file holding the song's own picture.
    static QByteArray artFile(const QVariantMap& metadata)
    {
        QFile art(QUrl(metadata.value(QStringLiteral("mpris:artUrl")).toString()).toLocalFile());
        return art.open(QIODevice::ReadOnly) ? art.readAll() : QByteArray();
    }

    // The length announced for a song in the PropertiesChanged heard so far, 0 for none.
    qlonglong announcedLength(const QString& songTitle)
    {
        qlonglong length = 0;
        for (const QVariantMap& change : std::as_const(m_changes)) {
            const QVariantMap data = qdbus_cast<QVariantMap>(change.value(QStringLiteral("Metadata")));
            if (data.value(QStringLiteral("xesam:title")).toString() == songTitle)
                length = data.value(QStringLiteral("mpris:length")).toLongLong();
        }
        return length;
    }

    QString file(const char* name)
    {
        return m_media.filePath(QLatin1String(name));
    }

    // dbus-send on the private bus, as a tray host or a shell user would call; its printed reply is what is read.
    static QString busSend(
        const QString& destination, const QString& objectPath, const QString& method, const QStringList& args = {})
    {
        return DesktopSession::run(QStringLiteral("dbus-send"),
            QStringList { QStringLiteral("--bus=") + bus->address(), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=") + destination, objectPath, method }
                + args);
    }

    static QString itemProperty(const QString& item, const char* name)
    {
        return busSend(item, QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.freedesktop.DBus.Properties.Get"),
            { QStringLiteral("string:org.kde.StatusNotifierItem"), QStringLiteral("string:") + QLatin1String(name) });
    }

    // The object path of the item's DBusMenu, and the whole menu as a host asks for it.
    static QString menuOf(const QString& item)
    {
        static const QRegularExpression menuPath(QStringLiteral("object path \"([^\"]+)\""));
        return menuPath.match(itemProperty(item, "Menu")).captured(1);
    }

    static QString menuLayout(const QString& item, const QString& menu)
    {
        return busSend(item, menu, QStringLiteral("com.canonical.dbusmenu.GetLayout"),
            { QStringLiteral("int32:0"), QStringLiteral("int32:-1"), QStringLiteral("array:string:") });
    }

    static void itemCall(const QString& item, const char* method, const QStringList& args)
    {
        busSend(item, QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.kde.StatusNotifierItem.") + QLatin1String(method), args);
    }

    void startProgram(const QProcessEnvironment& env, const QStringList& args)
    {
        if (m_program.state() != QProcess::NotRunning) { // left over by a case that failed
            m_program.kill();
            m_program.waitForFinished(3000);
        }
        m_program.setProcessEnvironment(env);
        m_program.start(QStringLiteral(VIREO_BINARY), args);
        QVERIFY(m_program.waitForStarted(5000));
    }

    // The player among starts of its own: quit over MPRIS; the others, if any were left, are ended.
    void quitAll(std::vector<std::unique_ptr<QProcess>>* starts)
    {
        QDBusInterface(service, path, QStringLiteral("org.mpris.MediaPlayer2"), m_bus).call(QStringLiteral("Quit"));
        for (const auto& start : *starts) {
            if (!start->waitForFinished(5000))
                start->kill();
        }
    }

    // Most cases pass the player on to the next; one run alone starts a player on the songs it begins with.
    void ensurePlayer(const QStringList& songs)
    {
        if (m_program.state() != QProcess::NotRunning)
            return;
        startProgram(programEnvironment(), songs);
        if (songs.isEmpty()) {
            QVERIFY(DesktopSession::waitFor([&] { return !all(playerInterface).isEmpty(); }, 10000));
            return;
        }
        QVERIFY(becomes("Playing", 10000));
        QVERIFY(DesktopSession::waitFor([&] { return title() == QFileInfo(songs.first()).fileName(); }, 3000));
        // What the start announced came before the answer to this call; taken in now, it is not the case's own.
        player("PlaybackStatus");
        QCoreApplication::processEvents();
    }

    // The test's own connection, listening as a sound applet does; made again after the bus restarts.
    bool connectClient()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("test-client"));
        m_bus = QDBusConnection::connectToBus(bus->address(), QStringLiteral("test-client"));
        return m_bus.isConnected()
            && m_bus.connect(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                QStringLiteral("PropertiesChanged"), this, SLOT(onChanged(QString, QVariantMap, QStringList)))
            && m_bus.connect(service, path, playerInterface, QStringLiteral("Seeked"), this, SLOT(onSeeked(qlonglong)));
    }

    void quitProgram()
    {
        QDBusInterface(service, path, QStringLiteral("org.mpris.MediaPlayer2"), m_bus).call(QStringLiteral("Quit"));
        QVERIFY(DesktopSession::waitFor([&] { return m_program.state() == QProcess::NotRunning; }, 5000));
        QCOMPARE(m_program.exitCode(), 0);
    }

private slots:
    void onChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
    {
        if (interface == playerInterface)
            m_changes << changed;
    }

    void onSeeked(qlonglong position)
    {
        m_seeks << position;
    }

    void initTestCase()
    {
        for (const char* name : { "alpha.mp3", "beta.ogg", "gamma.wav", "delta.mp3", "epsilon.ogg" })
            QVERIFY(AudioFixtures::makeTone(file(name), 20000, 440));
        QVERIFY(connectClient());
    }

    // Started at login before the panel: the program waits for a tray and shows its icon when one comes.
    void startedBeforeTheTray()
    {
        desktop->stopTray();
        QVERIFY(
            DesktopSession::waitFor([] { return !DesktopSession::treeContains(QStringLiteral("\"panel\"")); }, 5000));
        startProgram(programEnvironment(), {});
        QVERIFY(
            DesktopSession::waitFor([&] { return m_program.readAllStandardError().contains("no system tray"); }, 5000));
        QVERIFY(desktop->startTray());
        // The icon window of the program, reparented into the panel (relative position +0+0, absolute elsewhere).
        const QRegularExpression embedded(
            QStringLiteral("\"Vireo\": \\(\"vireo\" \"Vireo\"\\)\\s+\\d+x\\d+\\+0\\+0\\s+\\+[1-9]"));
        QVERIFY2(DesktopSession::waitFor([&] { return embedded.match(DesktopSession::windowTree()).hasMatch(); }, 8000),
            "the icon did not appear after the tray started");
    }

    // Started without songs: everything that needs one is refused, as the disabled menu entries are.
    void emptyPlayerOverMpris()
    {
        ensurePlayer({});
        QVERIFY(DesktopSession::waitFor([&] { return !all(playerInterface).isEmpty(); }, 10000));
        const QVariantMap root = all(QStringLiteral("org.mpris.MediaPlayer2"));
        QCOMPARE(root.value(QStringLiteral("Identity")).toString(), QStringLiteral("Vireo"));
        QCOMPARE(root.value(QStringLiteral("SupportedUriSchemes")).toStringList(),
            (QStringList { "file", "http", "https" }));
        const QStringList types = root.value(QStringLiteral("SupportedMimeTypes")).toStringList();
        for (const char* type : { "audio/mpeg", "audio/flac", "audio/x-opus+ogg", "audio/x-vorbis+ogg" })
            QVERIFY2(types.contains(QLatin1String(type)), type);
        QVERIFY(!types.contains(QStringLiteral("inode/directory")));
        const QVariantMap player = all(playerInterface);
        QCOMPARE(player.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
        QCOMPARE(player.value(QStringLiteral("CanPlay")), QVariant(false));
        QCOMPARE(player.value(QStringLiteral("CanGoNext")), QVariant(false));
        command("PlayPause");
        QTest::qWait(300);
        QCOMPARE(this->player("PlaybackStatus").toString(), QStringLiteral("Stopped"));
    }

    // A logout or `kill` right after a volume change: the change is kept.
    // The volume, repeat, shuffle and speed, set by a sound applet, are kept when the session ends the program,
    // and the next start shows them again.
    void settingsSurviveTermination()
    {
        ensurePlayer({});
        m_changes.clear();
        QVERIFY(setVolume(0.3));
        QVERIFY(DesktopSession::waitFor([&] { return !m_changes.isEmpty(); }, 3000));
        QCOMPARE(m_changes.last().value(QStringLiteral("Volume")).toDouble(), 0.3);
        QDBusInterface remote(service, path, playerInterface, m_bus);
        QVERIFY(remote.setProperty("LoopStatus", QStringLiteral("Track")));
        QVERIFY(remote.setProperty("Shuffle", true));
        QVERIFY(
            DesktopSession::waitFor([&] { return m_changes.last().value(QStringLiteral("Shuffle")).toBool(); }, 3000));
        QCOMPARE(player("LoopStatus").toString(), QStringLiteral("Track"));
        QCOMPARE(player("MinimumRate").toDouble(), 0.5);
        QCOMPARE(player("MaximumRate").toDouble(), 2.0);
        QVERIFY(remote.setProperty("Rate", 1.5));
        QVERIFY(DesktopSession::waitFor(
            [&] { return m_changes.last().value(QStringLiteral("Rate")).toDouble() == 1.5; }, 3000));
        m_program.terminate();
        QVERIFY(DesktopSession::waitFor([&] { return m_program.state() == QProcess::NotRunning; }, 5000));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
        QSettings settings(m_home.path() + QStringLiteral("/.config/Vireo/settings.plist"), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("Vireo/SoundVolume")).toDouble(), 0.3);
        QCOMPARE(settings.value(QStringLiteral("Vireo/Repeat")).toString(), QStringLiteral("song"));
        QCOMPARE(settings.value(QStringLiteral("Vireo/Shuffle")).toBool(), true);
        QCOMPARE(settings.value(QStringLiteral("Vireo/PlaybackSpeed")).toDouble(), 1.5);

        startProgram(programEnvironment(), {});
        QVERIFY(
            DesktopSession::waitFor([&] { return player("LoopStatus").toString() == QLatin1String("Track"); }, 10000));
        QCOMPARE(player("Shuffle").toBool(), true);
        QCOMPARE(player("Rate").toDouble(), 1.5);
        QVERIFY(remote.setProperty("Rate", 1.0));
        QVERIFY(remote.setProperty("LoopStatus", QStringLiteral("None")));
        QVERIFY(remote.setProperty("Shuffle", false));
        QVERIFY(DesktopSession::waitFor([&] { return !player("Shuffle").toBool(); }, 3000));
        QCOMPARE(player("LoopStatus").toString(), QStringLiteral("None"));
        QCOMPARE(player("Rate").toDouble(), 1.0);
        quitProgram();
    }

    void commandLineStartPlaysTheFiles()
    {
        startProgram(programEnvironment(), { file("alpha.mp3"), file("beta.ogg"), file("gamma.wav") });
        QVERIFY2(becomes("Playing", 10000), "the program did not report playing over MPRIS");
        QCOMPARE(title(), QStringLiteral("alpha.mp3"));
        QCOMPARE(player("CanGoPrevious"), QVariant(false)); // the first song
        QCOMPARE(player("CanGoNext"), QVariant(true));
        QVERIFY(level(1000) > 1000.0);
        // A normal start on a desktop with a tray has nothing to complain about.
        QCOMPARE(QString::fromUtf8(m_program.readAllStandardError()), QString());
    }

    void mediaKeysDriveThePlayer()
    {
        ensurePlayer({ file("alpha.mp3"), file("beta.ogg"), file("gamma.wav") });
        m_changes.clear();
        command("Next");
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("beta.ogg"); }, 3000));
        QVERIFY(level(300) > 1000.0);
        command("PlayPause");
        QVERIFY(becomes("Paused"));
        QTest::qWait(300);
        QVERIFY(pulse->startRecording());
        QTest::qWait(800);
        QVERIFY(PulseServer::rms(pulse->takeRecording()) < 100.0);
        command("Pause"); // already paused: stays
        command("Play");
        QVERIFY(becomes("Playing"));
        QTest::qWait(300);
        QVERIFY(level(800) > 1000.0);
        // Each change was announced once, with every key that changed and none that did not; the new song's
        // length among them, once GStreamer knows it.
        QStringList statuses;
        bool lengthAnnounced = false;
        for (const QVariantMap& change : std::as_const(m_changes)) {
            QVERIFY(!change.contains(QStringLiteral("Volume")));
            if (change.contains(QStringLiteral("PlaybackStatus")))
                statuses << change.value(QStringLiteral("PlaybackStatus")).toString();
            const QVariantMap metadata = qdbus_cast<QVariantMap>(change.value(QStringLiteral("Metadata")));
            lengthAnnounced |= metadata.value(QStringLiteral("mpris:length")).toLongLong() > 0;
        }
        QCOMPARE(statuses, (QStringList { "Paused", "Playing" }));
        QVERIFY(m_changes.first().contains(QStringLiteral("Metadata")));
        QVERIFY(lengthAnnounced);
        command("Stop");
        QVERIFY(becomes("Stopped"));
        command("Play");
        QVERIFY(becomes("Playing"));
    }

    void seeking()
    {
        ensurePlayer({ file("beta.ogg") });
        m_seeks.clear();
        command("Seek", { qlonglong(5000000) });
        QVERIFY(DesktopSession::waitFor([&] { return m_seeks.size() == 1; }, 3000));
        QVERIFY(DesktopSession::waitFor([&] { return player("Position").toLongLong() >= 5000000; }, 3000));
        const QVariant track = qdbus_cast<QVariantMap>(player("Metadata")).value(QStringLiteral("mpris:trackid"));
        command("SetPosition", { track, qlonglong(12000000) });
        QVERIFY(DesktopSession::waitFor([&] { return m_seeks.size() == 2; }, 3000));
        QCOMPARE(m_seeks.last(), qlonglong(12000000));
        command("SetPosition",
            { QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/vireo/track/99"))), qlonglong(1000000) });
        QTest::qWait(300);
        QCOMPARE(m_seeks.size(), 2); // another track's id is ignored
    }

    // OpenUri takes local files and internet streams (a small radio here, which sends a stream title as
    // SHOUTcast servers do): the stream is heard at the sink and its title reaches MPRIS and a notification.
    // Another machine's file and other schemes change nothing. A stream that cannot be reached is passed over,
    // as a second start hands it over with another.
    void openUriTakesFilesAndStreams()
    {
        ensurePlayer({ file("beta.ogg") });
        command("OpenUri", { QStringLiteral("file://remote-host/a.mp3") });
        command("OpenUri", { QStringLiteral("ftp://127.0.0.1/a.mp3") });
        QTest::qWait(300);
        QCOMPARE(title(), QStringLiteral("beta.ogg"));

        QProcess radio;
        radio.start(QStringLiteral("python3"),
            { QStringLiteral(VIREO_STREAM_SERVER), m_media.path(), QStringLiteral("Night Song") });
        // The whole first line: on a loaded machine it may come in parts.
        QVERIFY(DesktopSession::waitFor([&] { return radio.canReadLine(); }, 10000));
        const QString site = QStringLiteral("http://127.0.0.1:%1/")
                                 .arg(QString::fromUtf8(radio.readLine()).section(QLatin1Char(' '), 1).trimmed());
        const auto stop = qScopeGuard([&] {
            radio.kill();
            radio.waitForFinished(3000);
        });
        QVERIFY(serveNotifications());
        // A station reached with a user name and password: both stay with the player.
        command("OpenUri",
            { QString(site).replace(QLatin1String("//"), QLatin1String("//listener:secret@"))
                + QStringLiteral("delta.mp3") });
        QVERIFY2(
            DesktopSession::waitFor([&] { return title() == QLatin1String("Night Song"); }, 5000), qPrintable(title()));
        const QString address = metadata().value(QStringLiteral("xesam:url")).toString();
        QVERIFY2(address == site + QLatin1String("delta.mp3"), qPrintable(address));
        // A station's title has no artist: the body names the program rather than being empty.
        QVERIFY2(DesktopSession::waitFor(
                     [&] {
                         return !m_notifications.shown.isEmpty()
                             && m_notifications.shown.last() == QLatin1String("Night Song\nVireo");
                     },
                     3000),
            qPrintable(m_notifications.shown.join(QLatin1Char('|'))));
        QVERIFY(becomes("Playing", 5000));
        QVERIFY(level(800) > 1000.0);
        // A station that says nothing of what it plays is named by its own name.
        command("OpenUri", { site + QStringLiteral("untitled-delta.mp3") });
        QVERIFY2(DesktopSession::waitFor([&] { return title() == QLatin1String("Vireo Test Radio"); }, 5000),
            qPrintable(title()));

        QProcess second;
        second.setProcessEnvironment(programEnvironment());
        second.start(QStringLiteral(VIREO_BINARY),
            { site + QStringLiteral("missing.mp3"), site + QStringLiteral("epsilon.ogg") });
        QVERIFY(second.waitForFinished(10000));
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("epsilon.ogg"); }, 8000));
        QVERIFY(becomes("Playing", 5000));

        // A station after a song that ends by itself is a song of its own: no length, its name, its title.
        QVERIFY(AudioFixtures::makeTone(file("short.ogg"), 1500, 440));
        second.start(QStringLiteral(VIREO_BINARY), { file("short.ogg"), site + QStringLiteral("untitled-delta.mp3") });
        QVERIFY(second.waitForFinished(10000));
        QVERIFY2(DesktopSession::waitFor([&] { return title() == QLatin1String("Vireo Test Radio"); }, 8000),
            qPrintable(title()));
        QCOMPARE(metadata().value(QStringLiteral("mpris:length")).toLongLong(), 0);

        // The radio's connection drops after every second of sound: the stream is opened again and again, after
        // growing pauses (1, 1, 2 s, ...), and the list stays with it (for two minutes in all).
        radio.readAllStandardOutput();
        second.start(QStringLiteral(VIREO_BINARY),
            { site + QStringLiteral("cut-delta.mp3"), site + QStringLiteral("epsilon.ogg") });
        QVERIFY(second.waitForFinished(10000));
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("Night Song"); }, 5000));
        QByteArray requests;
        QVERIFY2(DesktopSession::waitFor(
                     [&] {
                         requests += radio.readAllStandardOutput();
                         return requests.count("get /cut-delta.mp3") >= 4; // heard, then opened again three times
                     },
                     15000),
            requests.constData());
        QCOMPARE(title(), QStringLiteral("Night Song"));

        command("OpenUri", { QUrl::fromLocalFile(file("gamma.wav")).toString(QUrl::FullyEncoded) });
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("gamma.wav"); }, 3000));
    }

    void secondStartHandsItsFilesToTheFirst()
    {
        ensurePlayer({ file("alpha.mp3") });
        QProcess second;
        second.setProcessEnvironment(programEnvironment());
        second.start(QStringLiteral(VIREO_BINARY), { file("delta.mp3"), file("epsilon.ogg") });
        QVERIFY(DesktopSession::waitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("delta.mp3"); }, 3000));
        QCOMPARE(player("CanGoNext"), QVariant(true));
        command("Next");
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("epsilon.ogg"); }, 3000));
        QCOMPARE(player("CanGoNext"), QVariant(false)); // the list holds the two files only
        QCOMPARE(player("CanGoPrevious"), QVariant(true));
        command("Next");
        QTest::qWait(300);
        QCOMPARE(title(), QStringLiteral("epsilon.ogg"));
    }

    // The command line as a remote control: help, the version and mistakes are answered alone; the player's
    // commands, added files and play lists reach the running player; with none running a command fails and says
    // so.
    void commandLineRemote()
    {
        ensurePlayer({ file("epsilon.ogg") });
        const auto run = [](const QProcessEnvironment& env, const QStringList& args, QString* said = nullptr) {
            QProcess vireo;
            vireo.setProcessEnvironment(env);
            vireo.start(QStringLiteral(VIREO_BINARY), args);
            if (!vireo.waitForFinished(10000)) {
                vireo.kill();
                vireo.waitForFinished(3000);
                return -1;
            }
            if (said)
                *said = QString::fromLocal8Bit(vireo.readAllStandardOutput() + vireo.readAllStandardError());
            return vireo.exitStatus() == QProcess::NormalExit ? vireo.exitCode() : -1;
        };
        const QProcessEnvironment env = programEnvironment();
        QString said;
        QCOMPARE(run(env, { QStringLiteral("--help") }, &said), 0);
        QVERIFY2(
            said.contains(QLatin1String("--enqueue")) && said.contains(QLatin1String("--previous")), qPrintable(said));
        QCOMPARE(run(env, { QStringLiteral("--version") }, &said), 0);
        QCOMPARE(said, QStringLiteral("vireo " VIREO_VERSION "\n"));
        QCOMPARE(run(env, { QStringLiteral("--shuffle-all"), file("delta.mp3") }, &said), 2);
        QVERIFY2(said.contains(QLatin1String("shuffle-all")), qPrintable(said));
        QCOMPARE(run(env, { QStringLiteral("--next"), file("delta.mp3") }, &said), 2);
        QCOMPARE(title(), QStringLiteral("epsilon.ogg")); // neither mistake handed anything over

        QCOMPARE(run(env, { QStringLiteral("--pause") }), 0);
        QVERIFY(becomes("Paused"));
        QCOMPARE(run(env, { QStringLiteral("--play-pause") }), 0);
        QVERIFY(becomes("Playing"));
        QCOMPARE(player("CanGoNext"), QVariant(false));
        QCOMPARE(run(env, { QStringLiteral("--enqueue"), file("gamma.wav") }), 0);
        QVERIFY(DesktopSession::waitFor([&] { return player("CanGoNext").toBool(); }, 3000));
        QCOMPARE(title(), QStringLiteral("epsilon.ogg"));
        QCOMPARE(player("PlaybackStatus").toString(), QStringLiteral("Playing"));
        QCOMPARE(run(env, { QStringLiteral("--next") }), 0);
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("gamma.wav"); }, 3000));
        QCOMPARE(run(env, { QStringLiteral("--previous") }), 0);
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("epsilon.ogg"); }, 3000));
        QCOMPARE(run(env, { QStringLiteral("--stop") }), 0);
        QVERIFY(becomes("Stopped"));
        QCOMPARE(run(env, { QStringLiteral("--play") }), 0);
        QVERIFY(becomes("Playing"));
        // Keys for seek and volume, as a desktop's shortcuts run them; values that are no such numbers are errors.
        const double volume = player("Volume").toDouble();
        QCOMPARE(run(env, { QStringLiteral("--volume"), QStringLiteral("-5") }), 0);
        QVERIFY(DesktopSession::waitFor([&] { return qAbs(player("Volume").toDouble() - (volume - 0.05)) < 0.001; }, 3000));
        QCOMPARE(run(env, { QStringLiteral("--volume=+5") }), 0);
        QVERIFY(DesktopSession::waitFor([&] { return qAbs(player("Volume").toDouble() - volume) < 0.001; }, 3000));
        const qlonglong before = player("Position").toLongLong();
        QCOMPARE(run(env, { QStringLiteral("--seek"), QStringLiteral("+5") }), 0);
        QVERIFY2(DesktopSession::waitFor([&] { return player("Position").toLongLong() >= before + 5000000; }, 3000),
            qPrintable(QStringLiteral("%1 after %2").arg(player("Position").toLongLong()).arg(before)));
        QCOMPARE(run(env, { QStringLiteral("--seek"), QStringLiteral("-4") }), 0);
        QVERIFY(DesktopSession::waitFor([&] { return player("Position").toLongLong() < before + 4000000; }, 3000));
        QCOMPARE(run(env, { QStringLiteral("--seek"), QStringLiteral("ahead") }, &said), 2);
        QVERIFY2(said.contains(QLatin1String("--seek")), qPrintable(said));
        QCOMPARE(run(env, { QStringLiteral("--volume"), QStringLiteral("+500") }, &said), 2);
        QCOMPARE(run(env, { QStringLiteral("--help") }, &said), 0);
        QVERIFY2(said.contains(QLatin1String("--seek <seconds>")) && said.contains(QLatin1String("--volume <percent>")),
            qPrintable(said));

        // A play list handed over stands for the songs it names, by the titles it gives them where it does.
        QVERIFY(AudioFixtures::writeBytes(
            file("mix.m3u"), "#EXTM3U\n#EXTINF:20,Beta\nbeta.ogg\n" + file("alpha.mp3").toUtf8() + "\n"));
        QCOMPARE(run(env, { file("mix.m3u") }), 0);
        QVERIFY2(DesktopSession::waitFor([&] { return title() == QLatin1String("Beta"); }, 3000), qPrintable(title()));
        QCOMPARE(player("CanGoNext"), QVariant(true));
        command("Next");
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("alpha.mp3"); }, 3000));

        // A player that is stopped for a while (SIGSTOP) is told the truth about: it has the command, and carries
        // it out when it goes on.
        QVERIFY(becomes("Playing"));
        QCOMPARE(::kill(pid_t(m_program.processId()), SIGSTOP), 0);
        {
            const auto thaw = qScopeGuard([this] { ::kill(pid_t(m_program.processId()), SIGCONT); });
            QCOMPARE(run(env, { QStringLiteral("--pause") }, &said), 1);
        }
        QVERIFY2(said.contains(QLatin1String("carries it out when it goes on")), qPrintable(said));
        QVERIFY(becomes("Paused"));
        command("Play");

        PrivateBus empty;
        QProcessEnvironment alone = env;
        alone.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), empty.address());
        QCOMPARE(run(alone, { QStringLiteral("--next") }, &said), 1);
        QVERIFY2(said.contains(QLatin1String("not running")), qPrintable(said));
    }

    // The list moves on without a gap: the next song is decoded ahead into the same sound stream, whatever its
    // format. Without that, the sound server's stream is opened anew, which leaves half a second and more. MP3s
    // cut from one tone sound as that tone: the encoder's delay and padding, which lame records in the file, are
    // trimmed. Four songs, so that a list that stops queueing after the first change is heard too.
    // A desktop shortcut runs `vireo -j`: the running player's "Jump to Song" window comes up with the keyboard in
    // it; a few typed letters and Enter play the song, Ctrl+Enter has one play next, Escape closes the window.
    void jumpToSongFromAShortcut()
    {
        const QStringList songs { file("alpha.mp3"), file("beta.ogg"), file("gamma.wav"), file("delta.mp3") };
        if (m_program.state() == QProcess::NotRunning) {
            ensurePlayer(songs);
        } else {
            QProcess open;
            open.setProcessEnvironment(programEnvironment());
            open.start(QStringLiteral(VIREO_BINARY), songs);
            QVERIFY(open.waitForFinished(10000) && open.exitCode() == 0);
            QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("alpha.mp3"); }, 5000));
        }
        const auto jump = [&] {
            QProcess start;
            start.setProcessEnvironment(programEnvironment());
            start.start(QStringLiteral(VIREO_BINARY), { QStringLiteral("-j") });
            return start.waitForFinished(10000) && start.exitCode() == 0
                && DesktopSession::waitFor(
                    [] { return DesktopSession::windowTree().contains(QLatin1String("\"Jump to Song\"")); }, 5000);
        };
        const auto typed = [](const QString& text, const QString& key) {
            DesktopSession::xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text });
            DesktopSession::xdotool({ QStringLiteral("key"), key });
        };
        QVERIFY(jump());
        typed(QStringLiteral("gam wav"), QStringLiteral("Return"));
        QVERIFY2(
            DesktopSession::waitFor([&] { return title() == QLatin1String("gamma.wav"); }, 5000), qPrintable(title()));
        QVERIFY(DesktopSession::waitFor(
            [] { return !DesktopSession::windowTree().contains(QLatin1String("\"Jump to Song\"")); }, 3000));

        QVERIFY(jump());
        typed(QStringLiteral("alpha"), QStringLiteral("ctrl+Return"));
        DesktopSession::xdotool({ QStringLiteral("key"), QStringLiteral("Escape") });
        QVERIFY(DesktopSession::waitFor(
            [] { return !DesktopSession::windowTree().contains(QLatin1String("\"Jump to Song\"")); }, 3000));
        QCOMPARE(title(), QStringLiteral("gamma.wav"));
        command("Next");
        QVERIFY2(
            DesktopSession::waitFor([&] { return title() == QLatin1String("alpha.mp3"); }, 3000), qPrintable(title()));
        command("Next");
        QVERIFY2(
            DesktopSession::waitFor([&] { return title() == QLatin1String("delta.mp3"); }, 3000), qPrintable(title()));
    }

    void songsFollowWithoutAGap_data()
    {
        QTest::addColumn<QStringList>("songs");
        QTest::addColumn<int>("songMs");
        QTest::addColumn<int>("longestQuietMs");
        // Songs of two seconds: a song shorter than what the pipeline has read ahead when it starts sounding ends
        // before its follower is taken, with a gap of a few tens of milliseconds.
        QTest::newRow("MP3 cut from one tone")
            << QStringList { "cut1.mp3", "cut2.mp3", "cut3.mp3", "cut4.mp3" } << 2000 << 3;
        QTest::newRow("Ogg, FLAC, Ogg, FLAC")
            << QStringList { "one.ogg", "two.flac", "three.ogg", "four.flac" } << 2000 << 3;
    }

    void songsFollowWithoutAGap()
    {
        QFETCH(QStringList, songs);
        QFETCH(int, songMs);
        QFETCH(int, longestQuietMs);
        QStringList paths;
        for (const QString& song : songs)
            paths << file(song.toLatin1().constData());
        if (songs.first().endsWith(QLatin1String(".mp3"))) {
            QVERIFY(AudioFixtures::makeCutTone(paths, songMs));
        } else {
            for (int i = 0; i < paths.size(); ++i)
                QVERIFY(AudioFixtures::makeTone(paths.at(i), songMs, 440 + 110 * i));
        }
        if (m_program.state() == QProcess::NotRunning) { // run alone: a player for the start below to hand over to
            startProgram(programEnvironment(), {});
            QVERIFY(DesktopSession::waitFor([&] { return !player("PlaybackStatus").toString().isEmpty(); }, 10000));
        }
        // Silence first: what the cases before left playing must not be taken for a song of this list.
        command("Stop");
        QVERIFY(becomes("Stopped"));
        QVERIFY(pulse->startRecording());
        // What the player announced for the cases before and is still on its way (a case that waited for
        // processes without an event loop leaves it queued) must not be taken for this list's: one round trip
        // after everything it sent, then the event loop takes it in.
        player("PlaybackStatus");
        QTest::qWait(200);
        m_changes.clear();
        QProcess second;
        second.setProcessEnvironment(programEnvironment());
        second.start(QStringLiteral(VIREO_BINARY), paths);
        QVERIFY(DesktopSession::waitFor([&] { return title() == songs.last(); }, 3000 + songMs * songs.size()));
        QVERIFY(becomes("Stopped", 5000)); // the end of the list
        QTest::qWait(300);
        const QVector<qint16> sound = pulse->takeRecording();
        const auto loud = [](qint16 sample) { return qAbs(sample) > 200; };
        const qsizetype first = std::find_if(sound.cbegin(), sound.cend(), loud) - sound.cbegin();
        const qsizetype last = sound.crend() - std::find_if(sound.crbegin(), sound.crend(), loud) - 1;
        const qsizetype longestQuiet = PulseServer::longestBreak(sound);
        const qint64 heardMs = (last - first) * 1000 / PulseServer::Rate;
        QVERIFY2(qAbs(heardMs - songMs * songs.size()) < 60,
            qPrintable(QStringLiteral(
                "%1 ms of sound for %2 songs, %3 ms of silence between them (from %4 to %5 of %6 ms recorded)")
                           .arg(heardMs)
                           .arg(songs.size())
                           .arg(double(longestQuiet) * 1000 / PulseServer::Rate)
                           .arg(first * 1000 / PulseServer::Rate)
                           .arg(last * 1000 / PulseServer::Rate)
                           .arg(sound.size() * 1000 / PulseServer::Rate)));
        QVERIFY2(longestQuiet * 1000 / PulseServer::Rate <= longestQuietMs,
            qPrintable(QStringLiteral("%1 ms of silence between the songs")
                           .arg(double(longestQuiet) * 1000 / PulseServer::Rate)));

        // A sound applet hears each song that follows once, whole: its number, address, name and length
        // together. (The first song's length comes after it, once the pipeline has read that much.)
        QStringList announced;
        for (const QVariantMap& change : std::as_const(m_changes)) {
            if (!change.contains(QStringLiteral("Metadata")))
                continue;
            const QVariantMap data = qdbus_cast<QVariantMap>(change.value(QStringLiteral("Metadata")));
            const QString track = data.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
            const QString name = QUrl(data.value(QStringLiteral("xesam:url")).toString()).fileName();
            const qlonglong length = data.value(QStringLiteral("mpris:length")).toLongLong();
            QCOMPARE(data.value(QStringLiteral("xesam:title")).toString(), name);
            QVERIFY2(track == QStringLiteral("/org/vireo/track/%1").arg(songs.indexOf(name)),
                qPrintable(track + QLatin1Char(' ') + name));
            if (name == songs.first() && length == 0)
                continue;
            QVERIFY2(
                qAbs(length - songMs * 1000) < 100000, qPrintable(name + QLatin1Char(' ') + QString::number(length)));
            announced << name;
        }
        QCOMPARE(announced, songs);
        QVERIFY(DesktopSession::waitFor([&] { return second.state() == QProcess::NotRunning; }, 5000));
    }

    void quitEndsTheProgram()
    {
        quitProgram();
    }

    // No tray at all (plain GNOME): the command line plays, MPRIS answers, and one desktop notification says how
    // to reach the player. With a notification server there, nothing goes to standard error.
    void withoutATray()
    {
        desktop->stopTray();
        QVERIFY(serveNotifications());
        FakeNotifications& notifications = m_notifications;
        const qsizetype before = notifications.shown.size(); // what earlier cases were shown
        startProgram(programEnvironment(), { file("alpha.mp3"), file("beta.ogg") });
        QVERIFY2(becomes("Playing", 10000), "no tray: the command line did not play");
        QVERIFY(level(1000) > 1000.0);
        QVERIFY(DesktopSession::waitFor([&] { return notifications.shown.size() > before; }, 3000));
        QTest::qWait(500);
        QCOMPARE(notifications.shown.size(), before + 1);
        QVERIFY(notifications.shown.at(before).contains(QStringLiteral("without a tray icon")));
        QCOMPARE(QString::fromUtf8(m_program.readAllStandardError()), QString());

        // A song change by the media keys shows the new song, in place of the notification before.
        command("Next");
        QVERIFY(DesktopSession::waitFor([&] { return notifications.shown.size() == before + 2; }, 3000));
        QVERIFY(notifications.shown.last().startsWith(QStringLiteral("beta.ogg")));
        command("Previous");
        QVERIFY(DesktopSession::waitFor([&] { return notifications.shown.size() == before + 3; }, 3000));
        QVERIFY(notifications.shown.last().startsWith(QStringLiteral("alpha.mp3")));
        QCOMPARE(notifications.replaced.last(), uint(before + 2));

        // Activated from the launcher without an icon to show: the current song, in a notification.
        QDBusInterface(QStringLiteral("example.corvane.Vireo"), QStringLiteral("/example/corvane/Vireo"),
            QStringLiteral("org.freedesktop.Application"), m_bus)
            .call(QStringLiteral("Activate"), QVariantMap());
        QVERIFY(DesktopSession::waitFor([&] { return notifications.shown.size() == before + 4; }, 3000));
        QVERIFY(notifications.shown.last().startsWith(QStringLiteral("alpha.mp3")));
        quitProgram();
    }

    // A file named on a system that did not write UTF-8, given on the command line by its bytes, plays.
    void aNameThatIsNotUtf8Plays()
    {
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        const QByteArray name = QFile::encodeName(m_media.path()) + "/caf\xe9.mp3";
        QVERIFY(::link(QFile::encodeName(file("alpha.mp3")).constData(), name.constData()) == 0 || errno == EEXIST);
        m_program.setProcessEnvironment(programEnvironment());
        // A QString argument cannot carry the byte; the shell makes it.
        m_program.start(QStringLiteral("/bin/sh"),
            { QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$1/$(printf 'caf\\351.mp3')\""),
                QStringLiteral(VIREO_BINARY), m_media.path() });
        QVERIFY(becomes("Playing", 10000));
        QCOMPARE(title(), QStringLiteral("caf\uFFFD.mp3"));
        QVERIFY(level(800) > 1000.0);
        QVERIFY(QString::fromUtf8(m_program.readAllStandardError()).isEmpty());
        quitProgram();
    }

    // What the desktop shows of a song comes from its tags: title, artist, album, track number and cover over MPRIS
    // and in the notification when the list moves on. A length GStreamer learns only while the song plays (an MP3
    // without a Xing header) is announced once known. The list and its current song outlive a restart.
    void tagsLengthsAndResume()
    {
        const QByteArray red = picture(Qt::red), blue = picture(Qt::blue);
        QVERIFY(AudioFixtures::makeTone(file("tagged.mp3"), 3000, 440));
        QVERIFY(AudioFixtures::tagMp3(file("tagged.mp3"), QStringLiteral("Tagged Title"), QStringLiteral("Some Artist"),
            QStringLiteral("An Album"), 3, red));
        QVERIFY(AudioFixtures::makeTone(
            file("tagged.flac"), 3000, 660, QStringLiteral("title=FlacTitle,artist=FlacArtist")));
        QVERIFY(AudioFixtures::addFlacCover(file("tagged.flac"), blue));
        QVERIFY(AudioFixtures::makeToneWith(file("noxing.mp3"), 8000, 440, QStringLiteral("lamemp3enc")));
        m_changes.clear();
        QVERIFY(serveNotifications());
        const qsizetype notified = m_notifications.shown.size();
        startProgram(programEnvironment(), { file("tagged.mp3"), file("tagged.flac"), file("noxing.mp3") });
        QVERIFY(becomes("Playing", 10000));
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("Tagged Title"); }, 3000));
        QVariantMap data = metadata();
        QCOMPARE(data.value(QStringLiteral("xesam:artist")).toStringList(), QStringList { "Some Artist" });
        QCOMPARE(data.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("An Album"));
        QCOMPARE(data.value(QStringLiteral("xesam:trackNumber")).toInt(), 3);
        QCOMPARE(artFile(data), red);

        // The list moves on by itself: one notification, with the new song's tags and cover.
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("FlacTitle"); }, 6000));
        data = metadata();
        QCOMPARE(data.value(QStringLiteral("xesam:artist")).toStringList(), QStringList { "FlacArtist" });
        QCOMPARE(artFile(data), blue);
        const QString shown = QStringLiteral("FlacTitle\nFlacArtist");
        QVERIFY2(DesktopSession::waitFor([&] { return m_notifications.shown.last() == shown; }, 3000),
            qPrintable(m_notifications.shown.join(QLatin1Char('|'))));
        QCOMPARE(m_notifications.shown.mid(notified).count(shown), 1);
        QCOMPARE(
            m_notifications.images.last(), QUrl(data.value(QStringLiteral("mpris:artUrl")).toString()).toLocalFile());

        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("noxing.mp3"); }, 6000));
        QVERIFY2(DesktopSession::waitFor([&] { return announcedLength(QStringLiteral("noxing.mp3")) > 0; }, 3000),
            "no length announced for an MP3 without a Xing header");
        for (const char* song : { "Tagged Title", "FlacTitle" })
            QVERIFY2(qAbs(announcedLength(QLatin1String(song)) - 3000000) < 100000, song);
        QVERIFY(DesktopSession::waitFor(
            [&] { return qAbs(announcedLength(QStringLiteral("noxing.mp3")) - 8000000) < 150000; }, 3000));

        // Quit on the second song; the next start without files has it back, paused, and Play plays it.
        command("Previous");
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("FlacTitle"); }, 3000));
        quitProgram();
        startProgram(programEnvironment(), {});
        QVERIFY(DesktopSession::waitFor([&] { return player("CanPlay").toBool(); }, 10000));
        QCOMPARE(player("PlaybackStatus").toString(), QStringLiteral("Paused"));
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("FlacTitle"); }, 3000));
        command("Play");
        QVERIFY(becomes("Playing"));
        const QVector<qint16> sound = record(800);
        QVERIFY(PulseServer::toneAmplitude(sound, 660) > 5 * PulseServer::toneAmplitude(sound, 440));
        QCOMPARE(title(), QStringLiteral("FlacTitle"));
        quitProgram();
    }

    // Repeat as a sound applet sets it, heard at the sink: a repeated list starts again after its last song, a
    // repeated song plays again, and without repeat the list ends.
    void repeatIsHeardPastTheEnd()
    {
        QVERIFY(AudioFixtures::makeTone(file("low.ogg"), 1500, 440));
        QVERIFY(AudioFixtures::makeTone(file("high.ogg"), 1500, 660));
        startProgram(programEnvironment(), { file("low.ogg"), file("high.ogg") });
        QVERIFY(becomes("Playing", 10000));
        QDBusInterface remote(service, path, playerInterface, m_bus);
        QVERIFY(remote.setProperty("LoopStatus", QStringLiteral("Playlist")));
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("high.ogg"); }, 4000));
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("low.ogg"); }, 4000));
        QVector<qint16> sound = record(400);
        QVERIFY(PulseServer::toneAmplitude(sound, 440) > 5 * PulseServer::toneAmplitude(sound, 660));

        QVERIFY(remote.setProperty("LoopStatus", QStringLiteral("Track")));
        QTest::qWait(2500); // past the song's end
        QCOMPARE(title(), QStringLiteral("low.ogg"));
        QCOMPARE(player("PlaybackStatus").toString(), QStringLiteral("Playing"));
        sound = record(400);
        QVERIFY(PulseServer::toneAmplitude(sound, 440) > 5 * PulseServer::toneAmplitude(sound, 660));

        QVERIFY(remote.setProperty("LoopStatus", QStringLiteral("None")));
        QVERIFY(becomes("Stopped", 6000));
        QCOMPARE(title(), QStringLiteral("low.ogg")); // the end of the list stands at its first song
        quitProgram();
    }

    // Killed (a crash, `kill -9`, a session torn down) a few seconds after the user moved in the list: the next
    // start has the song back, paused where it was, and Play goes on from there.
    void resumeAfterAKill()
    {
        startProgram(programEnvironment(), { file("alpha.mp3"), file("beta.ogg") });
        QVERIFY(becomes("Playing", 10000));
        command("Next");
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("beta.ogg"); }, 3000));
        QVERIFY(DesktopSession::waitFor([&] { return player("CanSeek").toBool(); }, 3000));
        command("Seek", { qlonglong(8000000) });
        QVERIFY(DesktopSession::waitFor([&] { return player("Position").toLongLong() >= 8000000; }, 3000));
        // Four seconds more of plain playing, nothing changed meanwhile: a kill loses two of them at most.
        QVERIFY(DesktopSession::waitFor([&] { return player("Position").toLongLong() >= 12000000; }, 8000));
        const qlonglong killedAt = player("Position").toLongLong();
        m_program.kill();
        QVERIFY(m_program.waitForFinished(3000));
        startProgram(programEnvironment(), {});
        QVERIFY(DesktopSession::waitFor([&] { return player("CanPlay").toBool(); }, 10000));
        QCOMPARE(player("PlaybackStatus").toString(), QStringLiteral("Paused"));
        QCOMPARE(title(), QStringLiteral("beta.ogg"));
        const qlonglong resumedAt = player("Position").toLongLong();
        QVERIFY2(resumedAt >= killedAt - 2000000 && resumedAt <= killedAt,
            qPrintable(QStringLiteral("killed at %1 us, back at %2 us").arg(killedAt).arg(resumedAt)));
        QTest::qWait(500);
        QVERIFY(pulse->startRecording());
        QTest::qWait(500);
        QVERIFY(PulseServer::rms(pulse->takeRecording()) < 100.0); // paused means silent
        command("Play");
        QVERIFY(becomes("Playing"));
        QVERIFY(level(800) > 1000.0);
        QVERIFY(player("Position").toLongLong() > resumedAt);
        quitProgram();
    }

    // A listener who comes back a while after a restart and presses Play hears the song at once, not after as
    // long a silence as the player waited.
    void playAfterARestartSoundsAtOnce_data()
    {
        QTest::addColumn<int>("waitMs");
        QTest::newRow("at once") << 0;
        QTest::newRow("three seconds later") << 3000;
    }

    void playAfterARestartSoundsAtOnce()
    {
        QFETCH(int, waitMs);
        // A player passed on by the case before quits as a user's would, not killed under its sound stream.
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        startProgram(programEnvironment(), { file("alpha.mp3") });
        QVERIFY(becomes("Playing", 10000));
        QVERIFY(DesktopSession::waitFor([&] { return player("Position").toLongLong() > 1000000; }, 5000));
        command("Pause");
        QVERIFY(becomes("Paused"));
        quitProgram();
        startProgram(programEnvironment(), {});
        QVERIFY(DesktopSession::waitFor([&] { return player("CanPlay").toBool(); }, 10000));
        QCOMPARE(player("PlaybackStatus").toString(), QStringLiteral("Paused"));
        QTest::qWait(waitMs); // the listener's while
        QVERIFY(pulse->startRecording());
        QElapsedTimer clock;
        clock.start();
        command("Play");
        const qint64 asked = clock.elapsed();
        QTest::qWait(2000);
        const QVector<qint16> heard = pulse->takeRecording();
        const auto first
            = std::find_if(heard.cbegin(), heard.cend(), [](qint16 sample) { return std::abs(sample) > 1000; });
        QVERIFY2(first != heard.cend(), "nothing was heard within two seconds of Play");
        const qint64 silenceMs = (first - heard.cbegin()) * 1000 / PulseServer::Rate - asked;
        qInfo("%lld ms from Play to sound", silenceMs);
        QVERIFY2(silenceMs <= 300, qPrintable(QStringLiteral("%1 ms of silence after Play").arg(silenceMs)));
        quitProgram();
    }

    // ReplayGain as the settings keep it: a song's tags lower it by what they say (track or album gain), measured
    // at the sink against a song without tags, which plays at the pre-amp level; the tagged song follows the
    // untagged one without a gap, so the level changes with the hand-over too. Off, the tags change nothing.
    void replayGainLevelsTheSongs()
    {
        QVERIFY(AudioFixtures::makeTone(file("untagged.flac"), 2500, 440));
        QVERIFY(AudioFixtures::makeTone(
            file("gained.flac"), 3000, 440, QStringLiteral("replaygain-track-gain=-6.0,replaygain-album-gain=-12.0")));
        QVERIFY(
            AudioFixtures::makeTone(file("track-only.flac"), 3000, 440, QStringLiteral("replaygain-track-gain=-9.0")));
        QVERIFY(AudioFixtures::makeTone(file("after.flac"), 3000, 440));
        const QString settingsFile = m_home.path() + QStringLiteral("/.config/Vireo/settings.plist");
        const QVariant volume
            = QSettings(settingsFile, QSettings::IniFormat).value(QStringLiteral("Vireo/SoundVolume"));
        const auto restore = qScopeGuard([&] {
            QSettings settings(settingsFile, QSettings::IniFormat);
            settings.setValue(QStringLiteral("Vireo/SoundVolume"), volume);
            settings.setValue(QStringLiteral("Vireo/ReplayGain"), QStringLiteral("off"));
        });
        // The level of each song, in dB over a full-scale tone: untagged, tagged with both gains, with a track gain
        // only, untagged again. Each follows the one before without a gap, so each must start clean.
        const QStringList songs { file("untagged.flac"), file("gained.flac"), file("track-only.flac"),
            file("after.flac") };
        const auto levels = [&](const char* mode, double preAmp) -> QList<double> {
            {
                QSettings settings(settingsFile, QSettings::IniFormat);
                settings.setValue(QStringLiteral("Vireo/ReplayGain"), QLatin1String(mode));
                settings.setValue(QStringLiteral("Vireo/ReplayGainPreAmp"), preAmp);
                settings.setValue(QStringLiteral("Vireo/SoundVolume"), 1.0);
            }
            startProgram(programEnvironment(), songs);
            QList<double> heard;
            for (const QString& song : songs) {
                if (!DesktopSession::waitFor([&] { return title() == QFileInfo(song).fileName(); }, 6000))
                    return {};
                heard << 20 * std::log10(PulseServer::toneAmplitude(record(800), 440) / 32768);
            }
            quitProgram();
            return heard;
        };
        const auto offBy = [](const QList<double>& heard, const QList<double>& off, const QList<double>& gains) {
            QStringList said;
            bool right = heard.size() == gains.size();
            for (int i = 0; right && i < gains.size(); ++i) {
                right = qAbs(heard[i] - off[0] - gains[i]) < 1.0;
                said << QString::number(heard[i] - off[0], 'f', 1);
            }
            return right ? QString() : said.join(QLatin1Char(' '));
        };
        const QList<double> off = levels("off", 0.0);
        QCOMPARE(off.size(), 4);
        const QString offHeard = offBy(off, off, { 0, 0, 0, 0 });
        QVERIFY2(offHeard.isEmpty(), qPrintable(offHeard));
        const QString track = offBy(levels("track", 0.0), off, { 0, -6, -9, 0 });
        QVERIFY2(track.isEmpty(), qPrintable(QStringLiteral("track mode: ") + track));
        // Album mode: the album gain, else the song's own track gain, else the pre-amp for untagged songs.
        const QString album = offBy(levels("album", -3.0), off, { -3, -12, -9, -3 });
        QVERIFY2(album.isEmpty(), qPrintable(QStringLiteral("album mode: ") + album));
    }

    // Pausing pauses while GStreamer still learns the song's length (an MP3 without a Xing header, in its first
    // second), and Play goes on from there.
    void pauseBeforeTheLengthIsKnown()
    {
        QVERIFY(AudioFixtures::makeToneWith(file("unheaded.mp3"), 8000, 440, QStringLiteral("lamemp3enc")));
        startProgram(programEnvironment(), { file("unheaded.mp3") });
        QVERIFY(becomes("Playing", 10000));
        command("Pause");
        QVERIFY(becomes("Paused"));
        const qlonglong pausedAt = player("Position").toLongLong();
        QTest::qWait(500);
        QCOMPARE(player("PlaybackStatus").toString(), QStringLiteral("Paused"));
        QVERIFY(qAbs(player("Position").toLongLong() - pausedAt) < 50000);
        command("Play");
        QVERIFY(becomes("Playing"));
        QVERIFY(DesktopSession::waitFor([&] { return player("Position").toLongLong() > pausedAt + 300000; }, 3000));
        QVERIFY2(player("Position").toLongLong() < pausedAt + 2000000, "Play started the song again");
        quitProgram();
    }

    // Tags are whatever a file says: they reach MPRIS as one line of text of a title's length, the notification
    // (whose body is markup) as text, and a "cover" that is no picture is not offered as one.
    // A song reached by Next over MPRIS (not at the icon) is announced by its title, artist and cover, which the
    // player reads as the song starts: the notification shown first is updated when they come.
    void nextIsAnnouncedWithItsTags()
    {
        QVERIFY(AudioFixtures::makeTone(file("untagged.mp3"), 20000, 440));
        QVERIFY(AudioFixtures::makeTone(file("tagged.mp3"), 20000, 440));
        QVERIFY(AudioFixtures::tagMp3(file("tagged.mp3"), QStringLiteral("Slow Motion"), QStringLiteral("Third Band"),
            QStringLiteral("Album"), 9, picture(Qt::red)));
        QVERIFY(serveNotifications());
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        startProgram(programEnvironment(), { file("untagged.mp3"), file("tagged.mp3") });
        QVERIFY(becomes("Playing", 10000));
        const qsizetype notified = m_notifications.shown.size();
        command("Next");
        const QString shown = QStringLiteral("Slow Motion\nThird Band");
        QVERIFY2(DesktopSession::waitFor(
                     [&] {
                         return m_notifications.shown.size() > notified && m_notifications.shown.last() == shown
                             && !m_notifications.images.last().isEmpty();
                     },
                     5000),
            qPrintable(m_notifications.shown.mid(notified).join(QLatin1Char('|'))));
        QFile cover(m_notifications.images.last());
        QVERIFY(cover.open(QIODevice::ReadOnly));
        QCOMPARE(cover.readAll(), picture(Qt::red));
        // One notification for the song, sent once with its tags: never first by its file name with an empty
        // body and then again (Cinnamon's server fails on such a replacement).
        const QStringList songs = m_notifications.shown.mid(notified).filter(QRegularExpression(
            QStringLiteral("^(tagged\\.mp3|Slow Motion)\n")));
        QVERIFY2(songs == QStringList { shown }, qPrintable(songs.join(QLatin1Char('|'))));
        // Once the server has closed it (it timed out), the next song gets a notification of its own: KDE Plasma
        // shows nothing for one that replaces a closed one.
        const uint shownNumber = m_notifications.numbers.last();
        emit m_notifications.NotificationClosed(shownNumber, 1);
        const qsizetype before = m_notifications.shown.size();
        command("Previous");
        QVERIFY(DesktopSession::waitFor([&] { return m_notifications.shown.size() > before; }, 5000));
        QCOMPARE(m_notifications.replaced.at(before), 0u);
        quitProgram();
    }

    // The player's volume set from outside, on its sound stream (a desktop's per-application volume, pactl):
    // MPRIS says it (an amplitude: the desktop's "40 %" is 0.4 cubed) and the next step goes on from there.
    void volumeSetOutsideIsFollowed()
    {
        ensurePlayer({ file("alpha.mp3") });
        QVERIFY(becomes("Playing", 5000) || (command("PlayPause"), becomes("Playing", 5000)));
        QVERIFY(setVolume(0.8));
        // A stream just opened is not listened to for a moment (its first word on its volume is not the user's).
        const qlonglong from = player("Position").toLongLong();
        QVERIFY(DesktopSession::waitFor([&] { return player("Position").toLongLong() > from + 1700000; }, 5000));
        QString stream;
        QVERIFY(DesktopSession::waitFor(
            [&] {
                stream = PulseServer::pactl(
                    { QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs") })
                             .section(QLatin1Char('\t'), 0, 0);
                return !stream.isEmpty();
            },
            5000));
        QVERIFY(
            !PulseServer::pactl({ QStringLiteral("set-sink-input-volume"), stream, QStringLiteral("40%") }).isNull());
        QVERIFY2(DesktopSession::waitFor([&] { return qAbs(player("Volume").toDouble() - 0.064) < 0.002; }, 3000),
            qPrintable(QString::number(player("Volume").toDouble())));
        // A step from there goes on from there: 0.114 is "48 %".
        QVERIFY(setVolume(player("Volume").toDouble() + 0.05));
        const QRegularExpression percent(QStringLiteral("Volume: front-left: \\d+ /\\s+(\\d+)%"));
        QVERIFY(DesktopSession::waitFor(
            [&] {
                const QString inputs = PulseServer::pactl({ QStringLiteral("list"), QStringLiteral("sink-inputs") });
                return percent.match(inputs).captured(1) == QLatin1String("48");
            },
            3000));
        // Raised above full from outside, the stream is brought back to full, and full is what the player says.
        QVERIFY(
            !PulseServer::pactl({ QStringLiteral("set-sink-input-volume"), stream, QStringLiteral("1000%") }).isNull());
        QVERIFY2(DesktopSession::waitFor([&] { return player("Volume").toDouble() == 1.0; }, 3000),
            qPrintable(QString::number(player("Volume").toDouble())));
        QString heard;
        QVERIFY2(
            DesktopSession::waitFor(
                [&] {
                    heard = percent.match(PulseServer::pactl({ QStringLiteral("list"), QStringLiteral("sink-inputs") }))
                                .captured(1);
                    return heard == QLatin1String("100");
                },
                3000),
            qPrintable(heard));
        QVERIFY(setVolume(0.5));
    }

    void tagsReachTheDesktopAsText()
    {
        // Long enough for the hostile song to be taken over without a gap: its tags are read before it is announced.
        QVERIFY(AudioFixtures::makeTone(file("plain.mp3"), 3000, 440));
        QVERIFY(AudioFixtures::makeTone(file("hostile.mp3"), 3000, 440));
        QVERIFY(AudioFixtures::tagMp3(file("hostile.mp3"),
            QStringLiteral("<a href=\"http://x\">Link</a> & <img src=\"y\">\nnext\x01line"),
            QStringLiteral("<b>Band</b> & Co"), QString(20000, QLatin1Char('a')), 1, QByteArray("not a picture")));
        QVERIFY(serveNotifications());
        const qsizetype notified = m_notifications.shown.size();
        startProgram(programEnvironment(), { file("plain.mp3"), file("hostile.mp3") });
        const QString title = QStringLiteral("<a href=\"http://x\">Link</a> & <img src=\"y\"> next line");
        QVERIFY2(DesktopSession::waitFor([&] { return this->title() == title; }, 10000), qPrintable(this->title()));
        const QVariantMap data = metadata();
        QCOMPARE(data.value(QStringLiteral("xesam:album")).toString().size(), 500);
        QVERIFY(!data.contains(QStringLiteral("mpris:artUrl")) || artFile(data) != QByteArray("not a picture"));
        const QString shown = title + QStringLiteral("\n&lt;b&gt;Band&lt;/b&gt; &amp; Co");
        QVERIFY2(DesktopSession::waitFor([&] { return m_notifications.shown.mid(notified).contains(shown); }, 3000),
            qPrintable(m_notifications.shown.mid(notified).join(QLatin1Char('|'))));
        quitProgram();
    }

    // A notification server that answers late: quick song changes replace the one notification, they do not
    // stack one beside the other while the server has not said the number of the first.
    void slowNotificationServer()
    {
        QVERIFY(serveNotifications());
        m_notifications.answerAfterMs = 600;
        const auto restore = qScopeGuard([this] { m_notifications.answerAfterMs = 0; });
        startProgram(
            programEnvironment(), { file("alpha.mp3"), file("beta.ogg"), file("gamma.wav"), file("delta.mp3") });
        QVERIFY(becomes("Playing", 10000));
        const qsizetype before = m_notifications.shown.size();
        // Each song change once its notification is on its way, before the server has answered it.
        for (const char* song : { "beta.ogg", "gamma.wav", "delta.mp3" }) {
            command("Next");
            QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String(song); }, 3000));
            if (qstrcmp(song, "delta.mp3") != 0) {
                QVERIFY(DesktopSession::waitFor(
                    [&] {
                        return m_notifications.shown.size() > before
                            && m_notifications.shown.last().startsWith(QLatin1String(song));
                    },
                    3000));
            }
        }
        QVERIFY(DesktopSession::waitFor(
            [&] {
                return !m_notifications.shown.isEmpty()
                    && m_notifications.shown.last().startsWith(QLatin1String("delta.mp3"));
            },
            3000));
        // The songs' notifications (a notice about the tray, if any, is a message of its own).
        QList<uint> replaced;
        for (qsizetype i = before; i < m_notifications.shown.size(); ++i) {
            if (m_notifications.shown.at(i).contains(QLatin1String(".mp3\n"))
                || m_notifications.shown.at(i).contains(QLatin1String(".ogg\n"))
                || m_notifications.shown.at(i).contains(QLatin1String(".wav\n")))
                replaced << m_notifications.replaced.at(i);
        }
        QVERIFY2(replaced.size() >= 2, qPrintable(m_notifications.shown.mid(before).join(QLatin1Char('|'))));
        QCOMPARE(replaced.count(0u), 1); // the first one only is new
        quitProgram();
    }

    // A notification server that never answers (hung, or one that fails on a replacement) delays no later
    // notification: each song change is shown within a moment.
    void notificationServerThatNeverAnswers()
    {
        QVERIFY(serveNotifications());
        m_notifications.answerAfterMs = -1;
        const auto restore = qScopeGuard([this] { m_notifications.answerAfterMs = 0; });
        startProgram(programEnvironment(), { file("alpha.mp3"), file("beta.ogg"), file("gamma.wav") });
        QVERIFY(becomes("Playing", 10000));
        for (const char* song : { "beta.ogg", "gamma.wav" }) {
            const qsizetype before = m_notifications.shown.size();
            command("Next");
            QVERIFY2(DesktopSession::waitFor(
                         [&] {
                             return m_notifications.shown.size() > before
                                 && m_notifications.shown.last().startsWith(QLatin1String(song));
                         },
                         5000),
                song);
        }
        QVERIFY(becomes("Playing"));
        quitProgram();
    }

    // A scripted StatusNotifierItem host, for what the real desktops' tests cannot show: the icon is the item
    // where the X11 tray's owner is named xembedsniproxy (here trayer under that name), its menu offers the open
    // dialog, song notifications switched off stay off, the wheel's units of hosts known by no name, and a place for the
    // menu off every screen.
    void statusNotifierHost()
    {
        desktop->stopTray();
        const QString proxy = m_runtime.filePath(QStringLiteral("xembedsniproxy"));
        QVERIFY(QFile::exists(proxy) || QFile::copy(QStringLiteral("/usr/bin/trayer"), proxy));
        QVERIFY(desktop->startTray(proxy));
        const auto trayBack = qScopeGuard([] {
            desktop->stopTray();
            desktop->startTray();
        });
        StatusNotifierHost host;
        QVERIFY(host.start(programEnvironment()));
        QProcessEnvironment env = programEnvironment();
        env.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral(VIREO_BUILD_SHARE ":/usr/share"));
        QSettings(m_home.path() + QStringLiteral("/.config/Vireo/settings.plist"), QSettings::IniFormat)
            .setValue(QStringLiteral("Vireo/TrackNotifications"), false);
        startProgram(env, {});
        const QString item = host.item();
        QVERIFY2(!item.isEmpty(), "no item registered with the host");

        const QString menu = menuOf(item);
        QVERIFY(!menu.isEmpty());
        const QString layout = menuLayout(item, menu);
        QVERIFY2(layout.contains(QStringLiteral("\"Open Songs...\"")), qPrintable(layout.left(2000)));
        QVERIFY(!layout.contains(QStringLiteral("Drop MP3-files")));

        command("OpenUri", { QUrl::fromLocalFile(m_media.path()).toString(QUrl::FullyEncoded) });
        QVERIFY(becomes("Playing"));
        const qsizetype notified = m_notifications.shown.size();
        command("Next");
        command("Previous");
        QTest::qWait(500);
        QCOMPARE(m_notifications.shown.size(), notified); // switched off in the settings
        QVERIFY(itemProperty(item, "IconName").contains(QStringLiteral("\"vireo-play\"")));

        // A host known by no name (dbus-send here) is read by what it sends: steps as GTK's hosts send them (-1 a
        // notch up, 1 or at times 2 down: waybar, GNOME, Cinnamon) and Qt's angles (120 a notch up). A touchpad's
        // small swipe on a step host, ten parts of -1 as the frames come, is one step.
        const double volume = player("Volume").toDouble();
        const auto volumeBecomes = [&](double expected, const QString& after) {
            return DesktopSession::waitFor([&] { return qAbs(player("Volume").toDouble() - expected) < 0.001; }, 3000)
                ? QString()
                : QStringLiteral("%1 after %2").arg(player("Volume").toDouble()).arg(after);
        };
        for (const int delta : { -1, 2, 120, -120 }) {
            itemCall(item, "Scroll", { QStringLiteral("int32:%1").arg(delta), QStringLiteral("string:vertical") });
            const QString why = volumeBecomes(delta == -1 || delta == 120 ? volume + 0.05 : volume, QString::number(delta));
            QVERIFY2(why.isEmpty(), qPrintable(why));
        }
        QVERIFY(connectClient());
        for (int part = 0; part < 10; ++part) {
            m_bus.asyncCall(QDBusMessage::createMethodCall(
                                item, QStringLiteral("/StatusNotifierItem"), QStringLiteral("org.kde.StatusNotifierItem"),
                                QStringLiteral("Scroll"))
                << -1 << QStringLiteral("vertical"));
            QTest::qWait(16);
        }
        QString why = volumeBecomes(volume + 0.05, QStringLiteral("a swipe"));
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QTest::qWait(300); // nothing more comes of it
        why = volumeBecomes(volume + 0.05, QStringLiteral("a swipe, later"));
        QVERIFY2(why.isEmpty(), qPrintable(why));

        // A place off every screen (the caller's numbers are anything) still opens the menu whole on the screen.
        itemCall(item, "Activate", { QStringLiteral("int32:2147483647"), QStringLiteral("int32:2147483647") });
        QRect shown;
        QVERIFY(DesktopSession::waitFor(
            [&] {
                for (const auto& [window, inParent] : DesktopSession::programWindows(true))
                    shown = window.height() > 50 ? window : shown;
                return !shown.isNull();
            },
            3000));
        QVERIFY2(QRect(0, 0, 1024, 768).contains(shown),
            qPrintable(
                QStringLiteral("%1,%2 %3x%4").arg(shown.x()).arg(shown.y()).arg(shown.width()).arg(shown.height())));
        DesktopSession::xdotool({ QStringLiteral("key"), QStringLiteral("Escape") });
        quitProgram();
    }

    // A tray's watcher that stops answering (frozen, swapping, hung) holds up nothing: the player plays and
    // answers its remote at once all along, and its icon comes once the watcher answers again.
    void aWatcherThatHangsHoldsNothingUp()
    {
        desktop->stopTray();
        const auto trayBack = qScopeGuard([] { desktop->startTray(); });
        StatusNotifierHost host;
        QVERIFY(host.start(programEnvironment()));
        QCOMPARE(::kill(pid_t(host.processId()), SIGSTOP), 0);
        const auto thaw = qScopeGuard([&host] { ::kill(pid_t(host.processId()), SIGCONT); });
        startProgram(programEnvironment(), { file("alpha.mp3") });
        QVERIFY(becomes("Playing", 10000));
        const QString late = answeredAtOnce(QStringLiteral("Playing"));
        QVERIFY2(late.isEmpty(), qPrintable(late));
        ::kill(pid_t(host.processId()), SIGCONT);
        QVERIFY2(!host.item(30000).isEmpty(), "no item registered once the watcher answered again");
        quitProgram();
    }

    // Nor does a desktop portal that stops answering, which the program asks for its file dialog as it starts.
    void aPortalThatHangsHoldsNothingUp()
    {
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        QProcess portal;
        portal.setProcessEnvironment(programEnvironment());
        portal.start(QStringLiteral("/usr/libexec/xdg-desktop-portal"), QStringList());
        QVERIFY(portal.waitForStarted(5000));
        const auto end = qScopeGuard([&portal] {
            ::kill(pid_t(portal.processId()), SIGCONT);
            portal.kill();
            portal.waitForFinished(3000);
        });
        QVERIFY(DesktopSession::waitFor(
            [&] { return m_bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.portal.Desktop")); },
            10000));
        QCOMPARE(::kill(pid_t(portal.processId()), SIGSTOP), 0);
        QElapsedTimer clock;
        clock.start();
        startProgram(programEnvironment(), { file("alpha.mp3") });
        QVERIFY2(becomes("Playing", 10000), qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        quitProgram();
    }

    // A sound server that stops answering holds up nothing either: the player answers its remote at once, and
    // plays once the server is back.
    void aSoundServerThatHangsHoldsNothingUp()
    {
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        const pid_t server = pid_t(pulse->serverProcessId());
        QCOMPARE(::kill(server, SIGSTOP), 0);
        const auto thaw = qScopeGuard([server] { ::kill(server, SIGCONT); });
        startProgram(programEnvironment(), { file("alpha.mp3"), file("beta.ogg") });
        QVERIFY2(DesktopSession::waitFor([&] { return !player("PlaybackStatus").toString().isEmpty(); }, 10000),
            "the player did not answer on the bus");
        const QString late = answeredAtOnce();
        QVERIFY2(late.isEmpty(), qPrintable(late));
        QElapsedTimer clock;
        ::kill(server, SIGCONT);
        QVERIFY(becomes("Playing", 15000) || (command("Play"), becomes("Playing", 10000)));
        QVERIFY(level(1000) > 1000.0);
        // Frozen while the song plays: pause, play and the next song are asked for, and answered at once.
        QCOMPARE(::kill(server, SIGSTOP), 0);
        for (const char* method : { "Pause", "Play", "Next", "Stop", "Play" }) {
            clock.restart();
            command(method);
            QVERIFY(!player("PlaybackStatus").toString().isEmpty());
            QVERIFY2(clock.elapsed() < 1000,
                qPrintable(QStringLiteral("%1 answered after %2 ms").arg(QLatin1String(method)).arg(clock.elapsed())));
        }
        ::kill(server, SIGCONT);
        QVERIFY(becomes("Playing", 15000) || (command("Play"), becomes("Playing", 10000)));
        QVERIFY(level(1000) > 1000.0);
        quitProgram();
    }

    // The user's bus service restarts under a playing player whose icon is a StatusNotifierItem: the song plays on,
    // and on the new bus the item comes back to the new host with its menu, MPRIS answers and a second start hands
    // its file over instead of playing beside it.
    void sessionBusComesBack()
    {
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        desktop->stopTray();
        const auto trayBack = qScopeGuard([] { desktop->startTray(); });
        QProcessEnvironment env = programEnvironment();
        {
            StatusNotifierHost host;
            QVERIFY(host.start(env));
            startProgram(env, { file("alpha.mp3") });
            QVERIFY(!host.item().isEmpty());
            QVERIFY(becomes("Playing", 10000));
        }
        QVERIFY(bus->restart());
        QDBusConnection::disconnectFromBus(QStringLiteral("notifications"));
        m_bNotificationsServed = false;
        QVERIFY(connectClient());

        StatusNotifierHost host;
        QVERIFY(host.start(env));
        const QString item = host.item();
        QVERIFY2(!item.isEmpty(), "the item did not register on the new bus");
        const QString menu = menuOf(item);
        QVERIFY(!menu.isEmpty());
        const QString layout = menuLayout(item, menu);
        QVERIFY2(layout.contains(QStringLiteral("\"Open Songs...\"")), qPrintable(layout.left(2000)));
        QVERIFY(becomes("Playing", 5000));
        QCOMPARE(title(), QStringLiteral("alpha.mp3"));
        QVERIFY(level(800) > 1000.0);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(VIREO_BINARY), { QStringLiteral("-e"), file("beta.ogg") });
        QVERIFY2(second.waitForFinished(15000), "a second start played beside the player");
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(DesktopSession::waitFor([&] { return player("CanGoNext").toBool(); }, 5000));
        quitProgram();
    }

    // Wayland (a headless weston): the program runs with Qt's Wayland platform, plays what the command line
    // names, answers over MPRIS and shows its icon as a StatusNotifierItem.
    void wayland()
    {
        QProcess weston;
        QProcessEnvironment compositorEnv = programEnvironment();
        compositorEnv.remove(QStringLiteral("DISPLAY"));
        weston.setProcessEnvironment(compositorEnv);
        weston.start(QStringLiteral("weston"),
            { QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=vireo-wayland"),
                QStringLiteral("--idle-time=0"), QStringLiteral("--no-config") });
        const QString socket = m_runtime.filePath(QStringLiteral("vireo-wayland"));
        if (!DesktopSession::waitFor([&] { return QFile::exists(socket); }, 10000)) {
            weston.kill();
            weston.waitForFinished(3000);
            QSKIP(qPrintable(QStringLiteral("weston's headless back end did not start here: ")
                + QString::fromUtf8(weston.readAllStandardError().right(300))));
        }
        StatusNotifierHost host;
        QVERIFY(host.start(programEnvironment()));
        QProcessEnvironment env = compositorEnv;
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("vireo-wayland"));
        startProgram(env, { file("beta.ogg") });
        QVERIFY2(becomes("Playing", 10000), "Wayland: the command line did not play");
        QCOMPARE(title(), QStringLiteral("beta.ogg"));
        QVERIFY(level(1000) > 1000.0);
        const QString item = host.item();
        QVERIFY2(!item.isEmpty(), "Wayland: no StatusNotifierItem registered");
        // No program may place a menu of its own beside another's icon under Wayland (sway tiles it over the
        // screen): the item asks the host to draw its DBusMenu on the left click too, and says all else as before.
        QVERIFY2(DesktopSession::waitFor(
                     [&] { return itemProperty(item, "ItemIsMenu").contains(QStringLiteral("boolean true")); }, 3000),
            qPrintable(itemProperty(item, "ItemIsMenu")));
        QVERIFY(itemProperty(item, "ToolTip").contains(QStringLiteral("beta.ogg")));
        QVERIFY(itemProperty(item, "IconPixmap").contains(QStringLiteral("int32 22")));
        QVERIFY(menuLayout(item, menuOf(item)).contains(QStringLiteral("\"Quit\"")));
        // KDE Plasma sends Activate on a left click all the same, and draws the item's menu when told it cannot.
        QVERIFY(connectClient());
        const QDBusMessage activated = m_bus.call(QDBusMessage::createMethodCall(item,
            QStringLiteral("/StatusNotifierItem"), QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"))
            << 0 << 0);
        QVERIFY2(activated.type() == QDBusMessage::ErrorMessage, "Wayland: Activate on a menu did not fail");
        itemCall(item, "SecondaryActivate", { QStringLiteral("int32:0"), QStringLiteral("int32:0") });
        QVERIFY2(becomes("Paused"), "Wayland: the middle click did not pause");
        quitProgram();
        weston.terminate();
        weston.waitForFinished(5000);
    }

    // The desktop entry is named after the bus name and valid; a launcher that trusts DBusActivatable starts the
    // program by calling Activate on that name, on a bus where only the service file says how.
    void desktopEntryAndActivation()
    {
        const QString name = QStringLiteral("example.corvane.Vireo");
        const QString entry = QStringLiteral(VIREO_DESKTOP_FILES "/") + name + QStringLiteral(".desktop");
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), { entry });
        QVERIFY(validate.waitForFinished(10000));
        QCOMPARE(validate.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(validate.readAll()), QString());
        QFile entryFile(entry);
        QVERIFY(entryFile.open(QIODevice::ReadOnly));
        QVERIFY(entryFile.readAll().contains("\nDBusActivatable=true\n"));

        QFile serviceFile(QStringLiteral(VIREO_DESKTOP_FILES "/") + name + QStringLiteral(".service"));
        QVERIFY(serviceFile.open(QIODevice::ReadOnly));
        // The build tree's service file starts the build tree's program, as the installed one starts the installed.
        const QString text = QString::fromUtf8(serviceFile.readAll());
        QVERIFY2(text.contains(QStringLiteral("\nExec=" VIREO_BINARY "\n")), qPrintable(text));
        QTemporaryDir services;
        QVERIFY(AudioFixtures::writeBytes(services.filePath(name + QStringLiteral(".service")), text.toUtf8()));
        PrivateBus activationBus;
        QVERIFY(activationBus.start(services.path(), programEnvironment()));
        QDBusConnection launcher = QDBusConnection::connectToBus(activationBus.address(), QStringLiteral("launcher"));
        const QDBusMessage reply = QDBusInterface(
            name, QStringLiteral("/example/corvane/Vireo"), QStringLiteral("org.freedesktop.Application"), launcher)
                                       .call(QStringLiteral("Activate"), QVariantMap());
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        QDBusInterface root(service, path, QStringLiteral("org.mpris.MediaPlayer2"), launcher);
        QCOMPARE(root.property("DesktopEntry").toString(), name);
        root.call(QStringLiteral("Quit"));
        QVERIFY(
            DesktopSession::waitFor([&] { return !launcher.interface()->isServiceRegistered(name).value(); }, 5000));
        QDBusConnection::disconnectFromBus(QStringLiteral("launcher"));
    }

    // A seek past the end of a song, as MPRIS has it, is Next: also in the song's last second, when the song after
    // it is already on its way; past the last song's end the list ends.
    void seekPastTheEnd()
    {
        startProgram(programEnvironment(), { file("alpha.mp3"), file("beta.ogg") });
        QVERIFY(becomes("Playing", 10000));
        for (const char* song : { "alpha.mp3", "beta.ogg" }) {
            QVERIFY(DesktopSession::waitFor(
                [&] { return title() == QLatin1String(song) && player("CanSeek").toBool(); }, 5000));
            const QVariant track = metadata().value(QStringLiteral("mpris:trackid"));
            command("SetPosition", { track, qlonglong(19300000) });
            QVERIFY(DesktopSession::waitFor([&] { return player("Position").toLongLong() >= 19300000; }, 3000));
            command("Seek", { qlonglong(5000000) });
        }
        QVERIFY(becomes("Stopped", 5000));
        quitProgram();
    }

    // A station whose server is down for twelve seconds after its connection dropped is heard again when it is back,
    // before the list moves on, and a notification says so.
    void radioThatIsDownAWhile()
    {
        QVERIFY(serveNotifications());
        QProcess radio;
        const auto startRadio = [&](const QString& port) {
            radio.start(QStringLiteral("python3"),
                { QStringLiteral(VIREO_STREAM_SERVER), m_media.path(), QStringLiteral("Night Song"), port });
            return DesktopSession::waitFor([&] { return radio.canReadLine(); }, 10000);
        };
        QVERIFY(startRadio(QStringLiteral("0")));
        const QString port = QString::fromUtf8(radio.readLine()).section(QLatin1Char(' '), 1).trimmed();
        const auto stop = qScopeGuard([&] {
            radio.kill();
            radio.waitForFinished(3000);
        });
        startProgram(programEnvironment(),
            { QStringLiteral("http://127.0.0.1:%1/cut-delta.mp3").arg(port), file("epsilon.ogg") });
        QVERIFY(DesktopSession::waitFor([&] { return radio.canReadLine(); }, 10000)); // "get /cut-delta.mp3"
        QVERIFY(becomes("Playing", 10000));
        radio.kill(); // the station's server goes down as its connection drops
        radio.waitForFinished(3000);
        // Down for longer than a server's restart takes: the player tries for two minutes, more seldom as it goes.
        QTest::qWait(12000);
        QVERIFY(startRadio(port));
        radio.readLine(); // its port
        QVERIFY2(DesktopSession::waitFor([&] { return radio.canReadLine(); }, 12000), "the station was given up");
        QVERIFY(radio.readLine().startsWith("get /cut-delta.mp3"));
        QCOMPARE(title(), QStringLiteral("Night Song"));
        QVERIFY2(DesktopSession::waitFor(
                     [&] { return m_notifications.shown.join(QLatin1Char('|')).contains(QLatin1String("Back on the air\n")); },
                     5000),
            qPrintable(m_notifications.shown.join(QLatin1Char('|'))));
        quitProgram();
    }

    // Starts at the same instant elect one player, and every other start hands its file to it: thirty `vireo -e`
    // at once leave one player with all thirty songs. A start waits for a player that is slow to answer (here
    // stopped for longer than any timeout a start had) instead of playing beside it.
    void startsAtOnceMakeOnePlayer()
    {
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        const QString kept = m_home.filePath(QStringLiteral(".local/share/Vireo/playlist.m3u8"));
        QFile::remove(kept);
        QStringList crowd;
        for (int i = 0; i < 30; ++i) {
            crowd << m_media.filePath(QStringLiteral("crowd-%1.mp3").arg(i));
            QVERIFY(QFile::exists(crowd.last()) || QFile::link(file("alpha.mp3"), crowd.last()));
        }
        const auto keptSongs = [&kept] {
            QFile list(kept);
            QStringList songs;
            if (list.open(QIODevice::ReadOnly)) {
                for (const QByteArray& line : list.readAll().split('\n')) {
                    if (line.startsWith('/'))
                        songs << QFile::decodeName(line);
                }
            }
            std::sort(songs.begin(), songs.end());
            return songs;
        };
        std::vector<std::unique_ptr<QProcess>> starts;
        const auto startAll = [&](const QStringList& files) {
            for (const QString& song : files) {
                starts.push_back(std::make_unique<QProcess>());
                starts.back()->setProcessEnvironment(programEnvironment());
                starts.back()->start(QStringLiteral(VIREO_BINARY), { QStringLiteral("-e"), song });
            }
        };
        const auto running = [&] {
            return std::count_if(
                starts.cbegin(), starts.cend(), [](const auto& p) { return p->state() != QProcess::NotRunning; });
        };
        startAll(crowd);
        QVERIFY2(
            DesktopSession::waitFor([&] { return running() == 1; }, 90000), qPrintable(QString::number(running())));
        for (const auto& start : starts) {
            if (start->state() == QProcess::NotRunning)
                QCOMPARE(start->exitCode(), 0);
        }
        QStringList expected = crowd;
        std::sort(expected.begin(), expected.end());
        QVERIFY(DesktopSession::waitFor([&] { return keptSongs() == expected; }, 10000));
        quitAll(&starts);

        startProgram(programEnvironment(), { file("alpha.mp3") });
        QVERIFY(becomes("Playing", 10000));
        ::kill(pid_t(m_program.processId()), SIGSTOP);
        starts.clear();
        startAll(crowd.mid(0, 3));
        QTest::qWait(6500); // longer than a start used to wait before it played on its own
        ::kill(pid_t(m_program.processId()), SIGCONT);
        QVERIFY2(
            DesktopSession::waitFor([&] { return running() == 0; }, 15000), qPrintable(QString::number(running())));
        for (const auto& start : starts)
            QCOMPARE(start->exitCode(), 0);
        expected = QStringList { file("alpha.mp3") } + crowd.mid(0, 3);
        std::sort(expected.begin(), expected.end());
        QVERIFY(DesktopSession::waitFor([&] { return keptSongs() == expected; }, 10000));
        quitProgram();
    }

    // Started on a play list that names itself and its twin ten times each (a reading that follows every name is
    // 20^8 reads) and on a FIFO named like a list: the player plays the one song they hold, answers over MPRIS all
    // along, and a SIGTERM ends it at once.
    void hostileListsLeaveItAnswering()
    {
        const QString self = m_media.filePath(QStringLiteral("self.m3u"));
        const QString twin = m_media.filePath(QStringLiteral("twin.m3u"));
        QByteArray text;
        for (int i = 0; i < 10; ++i)
            text += QFile::encodeName(self) + '\n' + QFile::encodeName(twin) + '\n';
        text += QFile::encodeName(file("gamma.wav")) + '\n';
        QVERIFY(AudioFixtures::writeBytes(self, text) && AudioFixtures::writeBytes(twin, text));
        const QString fifo = m_media.filePath(QStringLiteral("fifo.m3u"));
        QVERIFY(QFile::exists(fifo) || mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        startProgram(programEnvironment(), { fifo, self });
        QVERIFY(becomes("Playing", 10000));
        QCOMPARE(title(), QStringLiteral("gamma.wav"));
        QElapsedTimer answered;
        answered.start();
        QVERIFY(!player("PlaybackStatus").toString().isEmpty());
        QVERIFY2(answered.elapsed() < 1000, qPrintable(QString::number(answered.elapsed())));
        ::kill(pid_t(m_program.processId()), SIGTERM);
        QVERIFY(m_program.waitForFinished(3000));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("notifications"));
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(3000);
        }
    }
};

int main(int argc, char** argv)
{
    desktop = std::make_unique<DesktopSession>();
    pulse = std::make_unique<PulseServer>();
    bus = std::make_unique<PrivateBus>();
    if (!desktop->startX() || !desktop->startTray() || !pulse->start() || !bus->start()) {
        std::fprintf(stderr, "could not start the test desktop (Xvfb, trayer, PulseAudio, D-Bus)\n");
        return 1;
    }
    int result = 0;
    {
        QCoreApplication app(argc, argv);
        TestDesktopEndToEnd test;
        result = QTest::qExec(&test, argc, argv);
    }
    bus.reset();
    pulse.reset();
    desktop.reset();
    return result;
}

#include "tst_desktop_e2e.moc"
