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
} // namespace

// The installed way of using the program on a desktop without drops: files on the command line, a second start
// with files, and media keys over MPRIS, against the real program on Xvfb, trayer, PulseAudio and a private bus.
class TestDesktopEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    QTemporaryDir m_runtime;
    QProcess m_program;
    QDBusConnection m_bus = QDBusConnection(QString());

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

    QVariant player(const char* property)
    {
        QDBusInterface mpris(QStringLiteral("org.mpris.MediaPlayer2.vireo"), QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.mpris.MediaPlayer2.Player"), m_bus);
        return mpris.property(property);
    }

    QString title()
    {
        return qdbus_cast<QVariantMap>(player("Metadata")).value(QStringLiteral("xesam:title")).toString();
    }

    void command(const char* method)
    {
        QDBusInterface mpris(QStringLiteral("org.mpris.MediaPlayer2.vireo"), QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.mpris.MediaPlayer2.Player"), m_bus);
        mpris.call(QLatin1String(method));
    }

    double level(int ms)
    {
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
    void initTestCase()
    {
        for (const char* name : { "alpha.mp3", "beta.ogg", "gamma.wav", "delta.mp3", "epsilon.ogg" })
            QVERIFY(AudioFixtures::makeTone(file(name), 20000, 440));
        m_bus = QDBusConnection::connectToBus(bus->address(), QStringLiteral("test-client"));
        QVERIFY(m_bus.isConnected());
    }

    void commandLineStartPlaysTheFiles()
    {
        m_program.setProcessEnvironment(programEnvironment());
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
        command("Next");
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("beta.ogg"); }, 3000));
        command("PlayPause");
        QVERIFY(DesktopSession::waitFor(
            [&] { return player("PlaybackStatus").toString() == QLatin1String("Paused"); }, 3000));
        QTest::qWait(300);
        QVERIFY(level(800) < 100.0);
        command("PlayPause");
        QVERIFY(DesktopSession::waitFor(
            [&] { return player("PlaybackStatus").toString() == QLatin1String("Playing"); }, 3000));
        QTest::qWait(300);
        QVERIFY(level(800) > 1000.0);
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
        QCOMPARE(m_program.state(), QProcess::Running);
    }

    void quitEndsTheProgram()
    {
        QDBusInterface root(QStringLiteral("org.mpris.MediaPlayer2.vireo"), QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.mpris.MediaPlayer2"), m_bus);
        root.call(QStringLiteral("Quit"));
        QVERIFY(DesktopSession::waitFor([&] { return m_program.state() == QProcess::NotRunning; }, 5000));
        QCOMPARE(m_program.exitCode(), 0);
    }

    // A logout or `kill` right after a volume change: the change is kept.
    void volumeSurvivesTermination()
    {
        m_program.start(QStringLiteral(VIREO_BINARY), {});
        QVERIFY(m_program.waitForStarted(5000));
        QVERIFY(DesktopSession::waitFor([&] { return player("Volume").isValid(); }, 10000));
        QDBusInterface mpris(QStringLiteral("org.mpris.MediaPlayer2.vireo"), QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.mpris.MediaPlayer2.Player"), m_bus);
        QVERIFY(mpris.setProperty("Volume", 0.3));
        QVERIFY(DesktopSession::waitFor([&] { return qFuzzyCompare(player("Volume").toDouble(), 0.3); }, 3000));
        m_program.terminate();
        QVERIFY(DesktopSession::waitFor([&] { return m_program.state() == QProcess::NotRunning; }, 5000));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
        QSettings settings(m_home.path() + QStringLiteral("/.config/Vireo/settings.plist"), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("Vireo/SoundVolume")).toDouble(), 0.3);
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
