#pragma once

#include "AudioFixtures.h"
#include "SessionTestMain.h"

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

using SessionTest::bus;
using SessionTest::desktop;
using SessionTest::pulse;
inline const QString service = QStringLiteral("org.mpris.MediaPlayer2.vireo");
inline const QString path = QStringLiteral("/org/mpris/MediaPlayer2");
inline const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

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

// The installed program on a test desktop (Xvfb, trayer, PulseAudio and a private bus, started once for a run) as
// the desktop's parts and its remote controls see it. Each case starts the program it needs or takes over the one
// the case before left running.
class DesktopEndToEnd : public QObject
{
    Q_OBJECT

protected:
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

protected slots:
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

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("notifications"));
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(3000);
        }
    }
};

// Runs the cases of `Test` on a test desktop with trayer, started for the run.
template <class Test> int runDesktopTest(int argc, char** argv)
{
    SessionTest::Options options;
    options.tray = true;
    return SessionTest::run<Test>(argc, argv, options);
}
