#include "AudioFixtures.h"
#include "DesktopSession.h"
#include "PrivateBus.h"
#include "PulseServer.h"
#include "VireoProcess.h"
#include "XfceSession.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace {
std::unique_ptr<DesktopSession> desktop;
std::unique_ptr<PulseServer> pulse;
std::unique_ptr<PrivateBus> bus;
} // namespace

// The real program on the parts of an XFCE desktop that nobody on this project wrote: xfce4-panel's tray under
// xfwm4, dunst showing the notifications, playerctl as the remote control. Input comes from xdotool and from
// drags of another X client, as a user's would.
class TestXfceEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_media;
    QProcess m_dragSource;
    std::unique_ptr<XfceSession> m_xfce;
    VireoProcess m_vireo;

    QString file(const QString& name) const
    {
        return m_media.filePath(name);
    }

    void start(const QStringList& files, const QStringList& extraEnv = {})
    {
        QVERIFY(m_vireo.start(files, extraEnv));
    }

    void quit()
    {
        m_vireo.quit();
    }

    static QString registeredItems()
    {
        return DesktopSession::run(QStringLiteral("dbus-send"),
            { QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
                QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                QStringLiteral("string:org.kde.StatusNotifierWatcher"),
                QStringLiteral("string:RegisteredStatusNotifierItems") });
    }

    // The program's windows as the X server places them: size, place in the parent, place on the screen.
    static QList<QPair<QRect, QPoint>> programWindows()
    {
        static const QRegularExpression window(QStringLiteral(
            "\\(\"vireo\" \"Vireo\"\\)\\s+(\\d+)x(\\d+)\\+(-?\\d+)\\+(-?\\d+)\\s+\\+(-?\\d+)\\+(-?\\d+)"));
        QList<QPair<QRect, QPoint>> windows;
        QRegularExpressionMatchIterator it = window.globalMatch(DesktopSession::windowTree());
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            windows << qMakePair(
                QRect(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(1).toInt(), m.captured(2).toInt()),
                QPoint(m.captured(3).toInt(), m.captured(4).toInt()));
        }
        return windows;
    }

    // The icon embedded in the panel (a window of the program inside the panel's strip, placed by its tray) with
    // the drop catcher, a top-level window of the program, exactly over it; empty while that is not so.
    static QRect embeddedIcon()
    {
        const QList<QPair<QRect, QPoint>> windows = programWindows();
        for (const auto& [icon, inParent] : windows) {
            if (inParent != QPoint(0, 0) || icon.top() < 0 || icon.bottom() >= 26 || icon.width() < 16)
                continue;
            for (const auto& [catcher, catcherInParent] : windows) {
                if (catcher == icon && catcherInParent == catcher.topLeft())
                    return icon;
            }
        }
        return {};
    }

    static void click(QPoint at, const char* button)
    {
        DesktopSession::xdotool({ QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
            QStringLiteral("click"), QLatin1String(button) });
    }

    // Drags the file from another X client onto the place and lets go there; true when the drop was taken. The
    // source stays until the case ends: the program fetches the dropped data from it after the drop.
    bool dragOnto(const QString& path, QPoint target)
    {
        m_dragSource.start(QStringLiteral(VIREO_DRAG_HELPER), { QStringLiteral("files"), path });
        if (!m_dragSource.waitForStarted(5000)
            || !DesktopSession::waitFor([&] { return m_dragSource.canReadLine(); }, 10000))
            return false;
        m_dragSource.readLine();
        QTest::qWait(300);
        DesktopSession::xdotool({ QStringLiteral("mousemove"), QStringLiteral("80"), QStringLiteral("240"),
            QStringLiteral("mousedown"), QStringLiteral("1") });
        for (const QPoint p : { QPoint(90, 250), QPoint(200, 200), target + QPoint(-3, 20), target }) {
            DesktopSession::xdotool({ QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()) });
            QTest::qWait(150);
        }
        QTest::qWait(300);
        DesktopSession::xdotool({ QStringLiteral("mouseup"), QStringLiteral("1") });
        DesktopSession::waitFor([&] { return m_dragSource.canReadLine(); }, 5000);
        return m_dragSource.readAll().contains("drop-result 1");
    }

    static double level(int ms)
    {
        if (!pulse->startRecording())
            return 0;
        QTest::qWait(ms);
        return PulseServer::rms(pulse->takeRecording());
    }

    void introductionDone(bool done)
    {
        QSettings settings(m_vireo.home() + QStringLiteral("/.config/Vireo/settings.plist"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Vireo/NeverShowItAgain"), done);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(AudioFixtures::makeTone(file(QStringLiteral("alpha.mp3")), 20000, 440));
        QVERIFY(AudioFixtures::makeTone(file(QStringLiteral("beta.ogg")), 20000, 660));
        m_xfce = std::make_unique<XfceSession>();
        QVERIFY(m_xfce->start(m_vireo.environment()));
        // Both kinds of tray are up once the panel's item host has registered with its watcher.
        QVERIFY2(DesktopSession::waitFor(
                     [] {
                         return DesktopSession::run(QStringLiteral("dbus-send"),
                             { QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                 QStringLiteral("--dest=org.kde.StatusNotifierWatcher"),
                                 QStringLiteral("/StatusNotifierWatcher"),
                                 QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                                 QStringLiteral("string:org.kde.StatusNotifierWatcher"),
                                 QStringLiteral("string:IsStatusNotifierHostRegistered") })
                             .contains(QStringLiteral("boolean true"));
                     },
                     20000),
            "xfce4-panel's tray did not come up");
    }

    // A first start, as a new user has it: the icon is embedded in the panel (not handed to its item host) with
    // the catcher over it, and the introduction that asks for a drop on the icon does not refuse that drop.
    void firstDropWhileTheIntroductionShows()
    {
        introductionDone(false);
        start({});
        QVERIFY2(DesktopSession::waitFor([] { return !embeddedIcon().isEmpty(); }, 10000),
            qPrintable(
                QStringLiteral("no icon in the panel with the catcher over it:\n") + DesktopSession::windowTree()));
        QVERIFY(!registeredItems().contains(QStringLiteral("StatusNotifierItem")));
        QVERIFY2(DesktopSession::waitFor(
                     [] { return DesktopSession::treeContains(QStringLiteral("\"Vireo Introduction\"")); }, 5000),
            "the introduction did not show");
        // The introduction coming up makes the panel lay its icons out again; on a loaded machine that takes a while.
        QRect icon;
        QVERIFY2(DesktopSession::waitFor([&] { return !(icon = embeddedIcon()).isEmpty(); }, 10000),
            qPrintable(QStringLiteral("no icon with the catcher over it while the introduction shows:\n")
                + DesktopSession::windowTree()));
        QVERIFY2(dragOnto(file(QStringLiteral("alpha.mp3")), icon.center()), "the drop was refused");
        QVERIFY(VireoProcess::becomes("Playing"));
        QCOMPARE(VireoProcess::playerctl({ QStringLiteral("metadata"), QStringLiteral("title") }),
            QStringLiteral("alpha.mp3"));
        QVERIFY(level(800) > 1000.0);
        quit();
        introductionDone(true);
    }

    // Right click, wheel and menu on the embedded icon, with a long list whose song changed twice: the Songs
    // submenu stays one scrolling column on the screen.
    void rightClickWheelAndTheSongsMenu()
    {
        QStringList songs;
        for (int n = 0; n < 300; ++n) {
            songs << file(QStringLiteral("song%1.mp3").arg(n, 3, 10, QLatin1Char('0')));
            QVERIFY(QFile::exists(songs.last()) || QFile::copy(file(QStringLiteral("alpha.mp3")), songs.last()));
        }
        start(songs);
        QVERIFY(VireoProcess::becomes("Playing"));
        QVERIFY(DesktopSession::waitFor([] { return !embeddedIcon().isEmpty(); }, 10000));
        const QPoint icon = embeddedIcon().center();

        click(icon, "3");
        QVERIFY2(VireoProcess::becomes("Paused"),
            qPrintable(QStringLiteral("a right click at %1,%2 did not pause:\n").arg(icon.x()).arg(icon.y())
                + DesktopSession::windowTree()));
        click(icon, "3"); // at once: a quick second click is no double click to be dropped
        QVERIFY2(VireoProcess::becomes("Playing"), "a second right click did not play");

        const double before = VireoProcess::volume();
        click(icon, "4");
        QVERIFY2(DesktopSession::waitFor([&] { return VireoProcess::volume() > before + 0.04; }, 3000),
            "wheel up was not louder");
        click(icon, "5");
        QVERIFY(DesktopSession::waitFor([&] { return qAbs(VireoProcess::volume() - before) < 0.001; }, 3000));

        for (const char* expected : { "song001.mp3", "song002.mp3" }) {
            VireoProcess::playerctl({ QStringLiteral("next") });
            QVERIFY(DesktopSession::waitFor(
                [&] {
                    return VireoProcess::playerctl({ QStringLiteral("metadata"), QStringLiteral("title") })
                        == QLatin1String(expected);
                },
                5000));
        }
        click(icon, "1");
        QVERIFY2(DesktopSession::waitFor(
                     [] {
                         const auto windows = programWindows();
                         return std::any_of(
                             windows.begin(), windows.end(), [](const auto& w) { return w.first.height() > 100; });
                     },
                     3000),
            "a left click opened no menu");
        DesktopSession::xdotool(
            { QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Right") });
        QRect tallest;
        QVERIFY(DesktopSession::waitFor(
            [&] {
                for (const auto& window : programWindows()) {
                    if (window.first.height() > tallest.height())
                        tallest = window.first;
                }
                return tallest.height() > 300;
            },
            3000));
        QVERIFY2(QRect(0, 0, 1024, 768).contains(tallest),
            qPrintable(QStringLiteral("the Songs menu is %1x%2+%3+%4")
                           .arg(tallest.width())
                           .arg(tallest.height())
                           .arg(tallest.x())
                           .arg(tallest.y())));
        DesktopSession::xdotool({ QStringLiteral("key"), QStringLiteral("Escape"), QStringLiteral("Escape") });
        quit();
    }

    // The panel crashes and comes back: the icon is docked into the new tray, and the catcher over it takes
    // right clicks again.
    void panelRestarted()
    {
        start({ file(QStringLiteral("alpha.mp3")) });
        QVERIFY(VireoProcess::becomes("Playing"));
        QVERIFY(DesktopSession::waitFor([] { return !embeddedIcon().isEmpty(); }, 10000));
        QVERIFY(m_xfce->restartPanel());
        QTest::qWait(500);
        QRect icon;
        QVERIFY2(DesktopSession::waitFor([&] { return !(icon = embeddedIcon()).isEmpty(); }, 15000),
            "the icon did not come back into the restarted panel");
        click(icon.center(), "3");
        QVERIFY2(VireoProcess::becomes("Paused"), "a right click on the icon in the restarted panel did not pause");
        quit();
    }

    // Chosen by the user, the icon is the panel's item instead; its host passes the wheel on as GTK counts it
    // (Scroll(-1) for a notch up), and up is still louder.
    void itemWhenChosen()
    {
        start({ file(QStringLiteral("alpha.mp3")) }, { QStringLiteral("VIREO_TRAY=sni") });
        QVERIFY(VireoProcess::becomes("Playing"));
        QVERIFY2(DesktopSession::waitFor(
                     [] { return registeredItems().contains(QStringLiteral("StatusNotifierItem")); }, 5000),
            "no item registered with the panel");
        QVERIFY(embeddedIcon().isEmpty());
        QTest::qWait(1000); // the panel draws the item's button
        const double before = VireoProcess::volume();
        click(QPoint(13, 13), "4");
        QVERIFY2(DesktopSession::waitFor([&] { return VireoProcess::volume() > before + 0.04; }, 3000),
            "wheel up was not louder");
        quit();
    }

    // dunst shows the song that a remote control moved to.
    void notificationsInDunst()
    {
        QProcess dunst;
        dunst.start(QStringLiteral("dunst"), {});
        QVERIFY(DesktopSession::waitFor(
            [] { return !DesktopSession::run(QStringLiteral("dunstctl"), { QStringLiteral("count") }).isEmpty(); },
            5000));
        start({ file(QStringLiteral("alpha.mp3")), file(QStringLiteral("beta.ogg")) });
        QVERIFY(VireoProcess::becomes("Playing"));
        VireoProcess::playerctl({ QStringLiteral("next") });
        QVERIFY2(DesktopSession::waitFor(
                     [] {
                         // What dunst shows goes to its history when closed, where it can be read.
                         DesktopSession::run(QStringLiteral("dunstctl"), { QStringLiteral("close-all") });
                         return DesktopSession::run(QStringLiteral("dunstctl"), { QStringLiteral("history") })
                             .contains(QStringLiteral("beta.ogg"));
                     },
                     5000),
            "dunst did not show the next song");
        quit();
        DesktopSession::stop(dunst);
    }

    // A case that failed half way leaves its program running; the next one starts afresh.
    void cleanup()
    {
        quit();
        DesktopSession::stop(m_dragSource);
    }

    void cleanupTestCase()
    {
        quit();
        m_xfce.reset();
    }
};

int main(int argc, char** argv)
{
    desktop = std::make_unique<DesktopSession>();
    pulse = std::make_unique<PulseServer>();
    bus = std::make_unique<PrivateBus>();
    if (!desktop->startX() || !pulse->start() || !bus->start()) {
        std::fprintf(stderr, "could not start the test desktop (Xvfb, PulseAudio, D-Bus)\n");
        return 1;
    }
    // Every part of the desktop, and playerctl, dunstctl and dbus-send, talk on the private bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toUtf8());
    int result = 0;
    {
        QCoreApplication app(argc, argv);
        TestXfceEndToEnd test;
        result = QTest::qExec(&test, argc, argv);
    }
    bus.reset();
    pulse.reset();
    desktop.reset();
    return result;
}

#include "tst_xfce_e2e.moc"
