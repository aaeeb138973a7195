#include "DesktopTestCase.h"
#include "DragSource.h"
#include "MateSession.h"

#include <QUrl>

#include <memory>

namespace {
const QRect topPanel(0, 0, 1024, 30);
} // namespace

// The real program on MATE's panel, whose notification area shows embedded icons as themselves and runs a
// StatusNotifierItem host beside: the icon is embedded with the catcher over it, and takes drops, right clicks
// and the wheel.
class TestMateEndToEnd : public DesktopTestCase
{
    Q_OBJECT

    std::unique_ptr<MateSession> m_mate;
    DragSource m_dragSource;

private slots:
    void initTestCase()
    {
        QVERIFY(makeTwoFolders(20000));
        m_vireo.setIntroductionDone(true);
        m_mate = std::make_unique<MateSession>();
        QVERIFY(m_mate->start(m_vireo.environment()));
        QVERIFY2(DesktopSession::waitFor(DesktopSession::itemHostRegistered, 20000),
            "mate-panel's notification area did not come up");
    }

    void dropRightClickAndWheelOnTheEmbeddedIcon()
    {
        QVERIFY(m_vireo.start({}));
        QRect icon;
        QVERIFY2(
            DesktopSession::waitFor([&] { return !(icon = DesktopSession::embeddedIcon(topPanel)).isEmpty(); }, 10000),
            qPrintable(
                QStringLiteral("no icon in the panel with the catcher over it:\n") + DesktopSession::windowTree()));
        QVERIFY2(!DesktopSession::registeredItems().contains(QStringLiteral("StatusNotifierItem")),
            "the icon was handed to the panel's item host");
        QVERIFY2(m_dragSource.dragOnto(twoFolders().last(), icon.center()), "the drop was refused");
        QVERIFY(VireoProcess::becomes("Playing"));
        QCOMPARE(VireoProcess::title(), QStringLiteral("two.wav"));

        DesktopSession::click(icon.center(), "3");
        QVERIFY2(VireoProcess::becomes("Paused"), "a right click did not pause");
        const QString turned = turnsTheVolume([&] { DesktopSession::click(icon.center(), "4"); }, 0.05);
        QVERIFY2(turned.isEmpty(), qPrintable(turned));

        // A list from two folders, opened by the remote: a left click opens the menu right below the icon, where
        // the other folder's song is chosen and heard; a song change by the remote is a popup of MATE's
        // notification daemon (over the icon's corner, so it comes last).
        VireoProcess::playerctl({ QStringLiteral("open"), QUrl::fromLocalFile(m_media.path()).toString() });
        QVERIFY(DesktopSession::waitFor([] { return VireoProcess::title() == QLatin1String("one.wav"); }, 5000));
        DesktopSession::click(icon.center(), "1");
        const QRect menu = DesktopSession::programMenu(3000);
        QVERIFY2(!menu.isNull(), "a left click opened no menu");
        // Right below it, moved left as far as the screen's edge asks.
        QVERIFY2(menu.top() == icon.bottom() + 1 && menu.left() <= icon.left() && menu.right() >= icon.left(),
            qPrintable(DesktopSession::windowTree()));
        QVERIFY2(!DesktopSession::chooseLastSong().isNull(), "Songs did not open");
        const QString heard = heardPlaying(QStringLiteral("two.wav"));
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
        const auto popups = [] {
            return DesktopSession::windowsOf(
                QStringLiteral("mate-notification-daemon"), QStringLiteral("Mate-notification-daemon"), true)
                .size();
        };
        VireoProcess::playerctl({ QStringLiteral("previous") });
        QVERIFY2(DesktopSession::waitFor([&] { return popups() > 0; }, 5000), qPrintable(DesktopSession::windowTree()));
    }

    void cleanup()
    {
        DesktopTestCase::cleanup();
        m_dragSource.stop();
    }

    void cleanupTestCase()
    {
        m_vireo.quit();
        m_mate.reset();
    }
};

int main(int argc, char** argv)
{
    // The applet the bus starts for the panel runs on the test's display, with the panel's settings backend.
    QTemporaryDir services;
    if (!MateSession::services(services.path())) {
        std::fprintf(stderr, "mate-panel's notification area applet or MATE's notification daemon is not installed\n");
        return 1;
    }
    SessionTest::Options options;
    options.services = services.path();
    MateSession::prepare(options.busEnvironment);
    return SessionTest::run<TestMateEndToEnd>(argc, argv, options);
}

#include "tst_mate_e2e.moc"
