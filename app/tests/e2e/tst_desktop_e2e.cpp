#include "AudioFixtures.h"
#include "DesktopSession.h"
#include "PrivateBus.h"
#include "PulseServer.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace {
std::unique_ptr<DesktopSession> desktop;
std::unique_ptr<PulseServer> pulse;
std::unique_ptr<PrivateBus> bus;
const QString service = QStringLiteral("org.mpris.MediaPlayer2.vireo");
const QString path = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
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

    bool becomes(const char* status)
    {
        return DesktopSession::waitFor(
            [&] { return player("PlaybackStatus").toString() == QLatin1String(status); }, 3000);
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
    double level(int ms)
    {
        const qlonglong from = player("Position").toLongLong();
        DesktopSession::waitFor([&] { return player("Position").toLongLong() > from + 400000; }, 3000);
        if (!pulse->startRecording())
            return -1;
        QTest::qWait(ms);
        return PulseServer::rms(pulse->takeRecording());
    }

    QString file(const char* name)
    {
        return m_media.filePath(QLatin1String(name));
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
        m_bus = QDBusConnection::connectToBus(bus->address(), QStringLiteral("test-client"));
        QVERIFY(m_bus.isConnected());
        QVERIFY(m_bus.connect(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"), this, SLOT(onChanged(QString, QVariantMap, QStringList))));
        QVERIFY(
            m_bus.connect(service, path, playerInterface, QStringLiteral("Seeked"), this, SLOT(onSeeked(qlonglong))));
        m_program.setProcessEnvironment(programEnvironment());
    }

    // Started at login before the panel: the program waits for a tray and shows its icon when one comes.
    void startedBeforeTheTray()
    {
        desktop->stopTray();
        QVERIFY(
            DesktopSession::waitFor([] { return !DesktopSession::treeContains(QStringLiteral("\"panel\"")); }, 5000));
        m_program.start(QStringLiteral(VIREO_BINARY), {});
        QVERIFY(m_program.waitForStarted(5000));
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
        QVERIFY(DesktopSession::waitFor([&] { return !all(playerInterface).isEmpty(); }, 10000));
        const QVariantMap root = all(QStringLiteral("org.mpris.MediaPlayer2"));
        QCOMPARE(root.value(QStringLiteral("Identity")).toString(), QStringLiteral("Vireo"));
        QCOMPARE(root.value(QStringLiteral("SupportedUriSchemes")).toStringList(), QStringList { "file" });
        const QVariantMap player = all(playerInterface);
        QCOMPARE(player.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
        QCOMPARE(player.value(QStringLiteral("CanPlay")), QVariant(false));
        QCOMPARE(player.value(QStringLiteral("CanGoNext")), QVariant(false));
        command("PlayPause");
        QTest::qWait(300);
        QCOMPARE(this->player("PlaybackStatus").toString(), QStringLiteral("Stopped"));
    }

    // A logout or `kill` right after a volume change: the change is kept.
    void volumeSurvivesTermination()
    {
        m_changes.clear();
        QVERIFY(setVolume(0.3));
        QVERIFY(DesktopSession::waitFor([&] { return !m_changes.isEmpty(); }, 3000));
        QCOMPARE(m_changes.last().value(QStringLiteral("Volume")).toDouble(), 0.3);
        m_program.terminate();
        QVERIFY(DesktopSession::waitFor([&] { return m_program.state() == QProcess::NotRunning; }, 5000));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
        QSettings settings(m_home.path() + QStringLiteral("/.config/Vireo/settings.plist"), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("Vireo/SoundVolume")).toDouble(), 0.3);
    }

    void commandLineStartPlaysTheFiles()
    {
        m_program.start(QStringLiteral(VIREO_BINARY), { file("alpha.mp3"), file("beta.ogg"), file("gamma.wav") });
        QVERIFY(m_program.waitForStarted(5000));
        QVERIFY2(DesktopSession::waitFor(
                     [&] { return player("PlaybackStatus").toString() == QLatin1String("Playing"); }, 10000),
            "the program did not report playing over MPRIS");
        QCOMPARE(title(), QStringLiteral("alpha.mp3"));
        QVERIFY(level(1000) > 1000.0);
        // A normal start on a desktop with a tray has nothing to complain about.
        QCOMPARE(QString::fromUtf8(m_program.readAllStandardError()), QString());
    }

    void mediaKeysDriveThePlayer()
    {
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
        // Each change was announced once, with every key that changed and none that did not.
        QCOMPARE(m_changes.size(), 3);
        QVERIFY(m_changes.first().contains(QStringLiteral("Metadata")));
        QVERIFY(!m_changes.first().contains(QStringLiteral("Volume")));
        command("Stop");
        QVERIFY(becomes("Stopped"));
        command("Play");
        QVERIFY(becomes("Playing"));
    }

    void seeking()
    {
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

    void openUriTakesLocalFilesOnly()
    {
        command("OpenUri", { QStringLiteral("http://example.invalid/a.mp3") });
        command("OpenUri", { QStringLiteral("file://remote-host/a.mp3") });
        QTest::qWait(300);
        QCOMPARE(title(), QStringLiteral("beta.ogg"));
        command("OpenUri", { QUrl::fromLocalFile(file("gamma.wav")).toString(QUrl::FullyEncoded) });
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("gamma.wav"); }, 3000));
    }

    void secondStartHandsItsFilesToTheFirst()
    {
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
        command("Next"); // the list holds the two files only
        QTest::qWait(300);
        QCOMPARE(title(), QStringLiteral("epsilon.ogg"));
    }

    void quitEndsTheProgram()
    {
        QDBusInterface(service, path, QStringLiteral("org.mpris.MediaPlayer2"), m_bus).call(QStringLiteral("Quit"));
        QVERIFY(DesktopSession::waitFor([&] { return m_program.state() == QProcess::NotRunning; }, 5000));
        QCOMPARE(m_program.exitCode(), 0);
    }

    void cleanupTestCase()
    {
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
