#include "DesktopTestCase.h"
#include "DragSource.h"
#include "XfceSession.h"

#include <memory>

// The real program on the parts of an XFCE desktop that nobody on this project wrote: xfce4-panel's tray under
// xfwm4, playerctl as the remote control. Input comes from xdotool and from drags of another X client, as a
// user's would.
class TestXfceEndToEnd : public DesktopTestCase
{
    Q_OBJECT

    DragSource m_dragSource;
    std::unique_ptr<XfceSession> m_xfce;

    static QRect embeddedIcon()
    {
        return DesktopSession::embeddedIcon(QRect(0, 0, 1024, 26));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(AudioFixtures::makeTone(file(QStringLiteral("alpha.mp3")), 20000, 440));
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
        QVERIFY(m_vireo.start({}));
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
        QVERIFY2(m_dragSource.dragOnto(file(QStringLiteral("alpha.mp3")), icon.center()), "the drop was refused");
        QVERIFY(VireoProcess::becomes("Playing"));
        QCOMPARE(VireoProcess::playerctl({ QStringLiteral("metadata"), QStringLiteral("title") }),
            QStringLiteral("alpha.mp3"));
        QVERIFY(SessionTest::level(800) > 1000.0);
        m_vireo.quit(); // first: nothing it writes as it ends can undo the setting
        m_vireo.setIntroductionDone(true);
    }

    // Right clicks and the wheel on the embedded icon.
    void rightClicksAndTheWheel()
    {
        QVERIFY(m_vireo.start({ file(QStringLiteral("alpha.mp3")) }));
        QVERIFY(VireoProcess::becomes("Playing"));
        QRect placed;
        QVERIFY(DesktopSession::waitFor([&] { return !(placed = embeddedIcon()).isEmpty(); }, 10000));
        const QPoint icon = placed.center();

        DesktopSession::click(icon, "3");
        QVERIFY2(VireoProcess::becomes("Paused"),
            qPrintable(QStringLiteral("a right click at %1,%2 did not pause:\n").arg(icon.x()).arg(icon.y())
                + DesktopSession::windowTree()));
        DesktopSession::click(icon, "3"); // at once: a quick second click is no double click to be dropped
        QVERIFY2(VireoProcess::becomes("Playing"), "a second right click did not play");

        QString turned = turnsTheVolume([&] { DesktopSession::click(icon, "4"); }, 0.05);
        QVERIFY2(turned.isEmpty(), qPrintable(turned));
        turned = turnsTheVolume([&] { DesktopSession::click(icon, "5"); }, -0.05);
        QVERIFY2(turned.isEmpty(), qPrintable(turned));
    }

    // The panel crashes and comes back: the icon is docked into the new tray, and the catcher over it takes
    // right clicks again.
    void panelRestarted()
    {
        QVERIFY(m_vireo.start({ file(QStringLiteral("alpha.mp3")) }));
        QVERIFY(VireoProcess::becomes("Playing"));
        QVERIFY(DesktopSession::waitFor([] { return !embeddedIcon().isEmpty(); }, 10000));
        QVERIFY(m_xfce->restartPanel());
        QTest::qWait(500);
        QRect icon;
        QVERIFY2(DesktopSession::waitFor([&] { return !(icon = embeddedIcon()).isEmpty(); }, 15000),
            "the icon did not come back into the restarted panel");
        DesktopSession::click(icon.center(), "3");
        QVERIFY2(VireoProcess::becomes("Paused"), "a right click on the icon in the restarted panel did not pause");
    }

    // Chosen by the user, the icon is the panel's item instead; its host passes the wheel on as GTK counts it
    // (Scroll(-1) for a notch up), and up is still louder.
    void itemWhenChosen()
    {
        QVERIFY(m_vireo.start({ file(QStringLiteral("alpha.mp3")) }, { QStringLiteral("VIREO_TRAY=sni") }));
        QVERIFY(VireoProcess::becomes("Playing"));
        QVERIFY2(
            DesktopSession::waitFor(
                [] { return DesktopSession::registeredItems().contains(QStringLiteral("StatusNotifierItem")); }, 5000),
            "no item registered with the panel");
        QVERIFY(embeddedIcon().isEmpty());
        QTest::qWait(1000); // the panel draws the item's button
        const double before = VireoProcess::volume();
        DesktopSession::click(QPoint(13, 13), "4");
        QVERIFY2(DesktopSession::waitFor([&] { return VireoProcess::volume() > before + 0.04; }, 3000),
            "wheel up was not louder");
    }

    void cleanup()
    {
        DesktopTestCase::cleanup();
        m_dragSource.stop();
    }

    void cleanupTestCase()
    {
        m_vireo.quit();
        m_xfce.reset();
    }
};

int main(int argc, char** argv)
{
    return SessionTest::run<TestXfceEndToEnd>(argc, argv);
}

#include "tst_xfce_e2e.moc"
