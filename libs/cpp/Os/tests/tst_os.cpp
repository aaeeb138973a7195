#include "App_linux.h"
#include "Os.h"
#include "Os_Linux.h"
#include "PrivateBus.h"
#include "VireoTestMain.h"

#include "FileDialog.h"
#include "PortalFileChooser_linux.h"
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using QzWidgets::FileDialog;

namespace {

PrivateBus* bus = nullptr;

} // namespace

// The desktop portal's file chooser as far as the program sees it: it keeps what it was asked and answers with
// `code` and `uris` (or never, when told not to).
class FakeFileChooser : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.FileChooser")

public:
    QDBusConnection connection { QString() };
    bool answers = true;
    uint code = 0;
    QStringList uris;
    QString title;
    QVariantMap options;

public slots:
    QDBusObjectPath OpenFile(const QString&, const QString& asked, const QVariantMap& given, const QDBusMessage& call)
    {
        title = asked;
        options = given;
        if (!answers) {
            call.setDelayedReply(true);
            return {};
        }
        const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                    .arg(call.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_')),
                                        given.value(QStringLiteral("handle_token")).toString());
        QTimer::singleShot(50, this, [this, request] {
            QDBusMessage response = QDBusMessage::createSignal(
                request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            response << code << QVariantMap { { QStringLiteral("uris"), uris } };
            connection.send(response);
        });
        return QDBusObjectPath(request);
    }
};

class TestOs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Acts on the dialog once it is up: types a name (or nothing) and accepts, or cancels.
    static void answerWith(const QString& typed, bool accept)
    {
        QTimer::singleShot(200, [typed, accept] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                        dialog = d;
                }
            }
            QVERIFY(dialog);
            if (!accept) {
                dialog->reject();
                return;
            }
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            edit->setText(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
    }

    QDBusConnection fakeConnection(const QString& name)
    {
        return QDBusConnection::connectToBus(bus->address(), name);
    }

    static QDBusMessage logindSignal(const char* name, bool value)
    {
        QDBusMessage message = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QLatin1String(name));
        message << value;
        return message;
    }

private slots:
    void initTestCase()
    {
        Os_Linux::setSystemBus(QDBusConnection::connectToBus(bus->address(), QStringLiteral("system-stand-in")));
        Os_Linux::setSessionBus(QDBusConnection::connectToBus(bus->address(), QStringLiteral("session-stand-in")));
        QVERIFY(Os_Linux::systemBus().isConnected());
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toUtf8()); // for the program's own connection
    }

    void logindNoticesBecomeSignals()
    {
        QDBusConnection logind = fakeConnection(QStringLiteral("fake-logind"));
        QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));
        Os* os = Os::instance();
        QSignalSpy sleep(os, &Os::atSwitchToStandBy);
        QSignalSpy wake(os, &Os::atWakeUpFromStandBy);
        QSignalSpy logout(os, &Os::atUserLogout);
        QTest::qWait(200); // the match rules reach the bus

        logind.send(logindSignal("PrepareForSleep", true));
        QTRY_COMPARE(sleep.count(), 1);
        logind.send(logindSignal("PrepareForSleep", false));
        QTRY_COMPARE(wake.count(), 1);
        logind.send(logindSignal("PrepareForShutdown", true));
        QTRY_COMPARE(logout.count(), 1);
        logind.send(logindSignal("PrepareForShutdown", false)); // a cancelled shutdown is no log-out
        QTest::qWait(300);
        QCOMPARE(sleep.count(), 1);
        QCOMPARE(wake.count(), 1);
        QCOMPARE(logout.count(), 1);

        // Somebody else than logind sending the same signal is not heard.
        QDBusConnection stranger = fakeConnection(QStringLiteral("stranger"));
        stranger.send(logindSignal("PrepareForSleep", true));
        QTest::qWait(300);
        QCOMPARE(sleep.count(), 1);
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-logind"));
        QDBusConnection::disconnectFromBus(QStringLiteral("stranger"));
    }

    void startAtLogin()
    {
        const QString file = Os_Linux::autostartFilePath();
        QVERIFY(file.startsWith(QDir::homePath())); // the temporary home, never the real one
        QVERIFY(!Os::isAutorunAtLogon());
        Os::changeAutorunAtLogon(true);
        Os::changeAutorunAtLogon(true);
        QVERIFY(Os::isAutorunAtLogon());
        QCOMPARE(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files).size(), 1);

        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), { file });
        QVERIFY(validate.waitForFinished(10000));
        QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());

        QFile entry(file);
        QVERIFY(entry.open(QIODevice::Append));
        entry.write("Hidden=true\n");
        entry.close();
        QVERIFY(!Os::isAutorunAtLogon());

        Os::changeAutorunAtLogon(false);
        QVERIFY(!QFile::exists(file));
        QVERIFY(!Os::isAutorunAtLogon());

        // An entry written by an earlier version under its old name is the same choice, and goes when turned off.
        const QString earlier = QFileInfo(file).absolutePath() + QStringLiteral("/vireo.desktop");
        QFile old(earlier);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("[Desktop Entry]\nType=Application\nName=Vireo\nExec=vireo\n");
        old.close();
        QVERIFY(Os::isAutorunAtLogon());
        Os::changeAutorunAtLogon(false);
        QVERIFY(!QFile::exists(earlier) && !QFile::exists(file));
        QVERIFY(!Os::isAutorunAtLogon());
    }

    void busNames()
    {
        QCOMPARE(App_linux::busName(QStringLiteral("corvane.example"), QStringLiteral("Vireo")),
            QStringLiteral("example.corvane.Vireo"));
        QCOMPARE(App_linux::busName(QStringLiteral("my-site.3com.example"), QStringLiteral("Vireo")),
            QStringLiteral("example._3com.my_site.Vireo"));
        QCOMPARE(
            App_linux::objectPath(QStringLiteral("example.corvane.Vireo")), QStringLiteral("/example/corvane/Vireo"));
    }

    void withoutBusesEverythingFailsQuietly()
    {
        const QDBusConnection none
            = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("no-bus"));
        QVERIFY(!none.isConnected());
        Os_Linux::setSystemBus(none);
        Os_Linux::setSessionBus(none);
        QVERIFY(!Os::openFolderAndSelectFile(QStringLiteral("/tmp/a.mp3")));
        Os::setAppIconNumber(3);
        Os::unsetAppIconNumber();
        App_linux bridge;
        QVERIFY(bridge.claimInstance()); // runs alone
    }

    // Each dialog answered as a user would: a name typed and accepted, or cancelled (an empty name).
    void answers_data()
    {
        QTest::addColumn<int>("kind"); // 0 open one, 1 open several
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("result");
        QTest::newRow("open, cancelled") << 0 << "" << QStringList { "" };
        QTest::newRow("open several, cancelled") << 1 << "" << QStringList {};
        QTest::newRow("open one") << 0 << "b.txt" << QStringList { "b.txt" };
        QTest::newRow("open several") << 1 << "\"a.txt\" \"b.txt\"" << QStringList { "a.txt", "b.txt" };
    }

    void answers()
    {
        QFETCH(int, kind);
        QFETCH(QString, typed);
        QFETCH(QStringList, result);
        for (const char* name : { "a.txt", "b.txt" }) {
            QFile f(m_dir.filePath(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QWidget parent;
        parent.show();
        const QFileDialog::Options options = QFileDialog::DontUseNativeDialog;
        answerWith(typed, !typed.isEmpty());
        QStringList got;
        if (kind == 0)
            got << FileDialog::getOpenFileName(
                &parent, QStringLiteral("Öffnen"), m_dir.path(), QString(), nullptr, options);
        else
            got = FileDialog::getOpenFileNames(&parent, QString(), m_dir.path(), QString(), nullptr, options);
        got.sort();
        for (QString& name : result) {
            if (!name.isEmpty())
                name = m_dir.filePath(name);
        }
        QCOMPARE(got, result);
    }

    // The portal's open dialog is asked for when it is opened: the request names the title, several files, the
    // filters and the folder to start in; a choice comes back as the files, a cancel as none. Without a portal, or
    // with one that never shows its dialog, there is no answer (Qt's own dialog then), and it comes soon.
    void portalDialog()
    {
        const QList<PortalFileChooser_linux::Filter> filters { { QStringLiteral("Audio"),
            { QStringLiteral("*.mp3") } } };
        const auto open = [&] {
            return PortalFileChooser_linux::openFiles(QStringLiteral("Open Songs"), m_dir.path(), filters, true);
        };
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!open().has_value());
        QVERIFY2(clock.elapsed() < 1000, "no portal on the bus was waited for");

        FakeFileChooser portal;
        portal.connection = fakeConnection(QStringLiteral("fake-portal"));
        QVERIFY(portal.connection.registerObject(
            QStringLiteral("/org/freedesktop/portal/desktop"), &portal, QDBusConnection::ExportAllSlots));
        QVERIFY(portal.connection.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        portal.uris = QStringList { QStringLiteral("file:///music/a%20b.mp3"), QStringLiteral("file:///music/c.mp3") };
        QCOMPARE(open(),
            std::optional(QList<QUrl> { QUrl::fromLocalFile(QStringLiteral("/music/a b.mp3")),
                QUrl::fromLocalFile(QStringLiteral("/music/c.mp3")) }));
        QCOMPARE(portal.title, QStringLiteral("Open Songs"));
        QCOMPARE(portal.options.value(QStringLiteral("multiple")).toBool(), true);
        QCOMPARE(portal.options.value(QStringLiteral("current_folder")).toByteArray(),
            QFile::encodeName(m_dir.path()) + '\0');
        QCOMPARE(qvariant_cast<QDBusArgument>(portal.options.value(QStringLiteral("filters"))).currentSignature(),
            QStringLiteral("a(sa(us))"));

        // Asked again while its dialog shows: that dialog is the one.
        std::optional<QList<QUrl>> second;
        QTimer::singleShot(10, [&] { second = open(); });
        QVERIFY(!open().value().isEmpty());
        QCOMPARE(second, std::optional(QList<QUrl>()));

        portal.code = 1;
        QCOMPARE(open(), std::optional(QList<QUrl>()));

        portal.answers = false;
        clock.restart();
        QVERIFY(!open().has_value());
        QVERIFY(clock.elapsed() < PortalFileChooser_linux::ShowWithinMs + 2000);
    }
};

int main(int argc, char** argv)
{
    PrivateBus privateBus;
    if (!privateBus.start()) {
        std::fprintf(stderr, "could not start a private D-Bus daemon\n");
        return 1;
    }
    bus = &privateBus;
    return VireoTest::runTests<TestOs>(argc, argv);
}

#include "tst_os.moc"
