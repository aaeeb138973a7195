#include "AudioFixtures.h"
#include "DesktopSession.h"
#include "DragSource.h"
#include "SessionTestMain.h"
#include "VireoProcess.h"
#include "XfceSession.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

// The real program on the parts of an XFCE desktop that nobody on this project wrote: xfce4-panel's tray under
// xfwm4, dunst showing the notifications, playerctl as the remote control. Input comes from xdotool and from
// drags of another X client, as a user's would.
class TestXfceEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_media;
    DragSource m_dragSource;
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

    static QRect embeddedIcon()
    {
        return DesktopSession::embeddedIcon(QRect(0, 0, 1024, 26));
    }

    static void click(QPoint at, const char* button)
    {
        DesktopSession::click(at, button);
    }

    bool dragOnto(const QString& path, QPoint target)
    {
        return m_dragSource.dragOnto(path, target);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(AudioFixtures::makeTone(file(QStringLiteral("alpha.mp3")), 20000, 440));
        QVERIFY(AudioFixtures::makeTone(file(QStringLiteral("beta.ogg")), 20000, 660));
        m_xfce = std::make_unique<XfceSession>();
        QVERIFY(m_xfce->start(m_vireo.environment()));
        // Both kinds of tray are up once the panel's item host has registered with its watcher.
        QVERIFY2(
            DesktopSession::waitFor(DesktopSession::itemHostRegistered, 20000), "xfce4-panel's tray did not come up");
    }

    // A first start, as a new user has it: the icon is embedded in the panel (not handed to its item host) with
    // the catcher over it, and the introduction that asks for a drop on the icon does not refuse that drop.
    void firstDropWhileTheIntroductionShows()
    {
        m_vireo.setIntroductionDone(false);
        start({});
        QVERIFY2(DesktopSession::waitFor([] { return !embeddedIcon().isEmpty(); }, 10000),
            qPrintable(
                QStringLiteral("no icon in the panel with the catcher over it:\n") + DesktopSession::windowTree()));
        QVERIFY(!DesktopSession::registeredItems().contains(QStringLiteral("StatusNotifierItem")));
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
        QVERIFY(SessionTest::level(800) > 1000.0);
        quit();
        m_vireo.setIntroductionDone(true);
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
        QRect placed;
        QVERIFY(DesktopSession::waitFor([&] { return !(placed = embeddedIcon()).isEmpty(); }, 10000));
        const QPoint icon = placed.center();

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
                         const auto windows = DesktopSession::programWindows();
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
                for (const auto& window : DesktopSession::programWindows()) {
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
        QVERIFY2(
            DesktopSession::waitFor(
                [] { return DesktopSession::registeredItems().contains(QStringLiteral("StatusNotifierItem")); }, 5000),
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
        m_dragSource.stop();
    }

    void cleanupTestCase()
    {
        quit();
        m_xfce.reset();
    }
};

int main(int argc, char** argv)
{
    return SessionTest::run<TestXfceEndToEnd>(argc, argv);
}

#include "tst_xfce_e2e.moc"
