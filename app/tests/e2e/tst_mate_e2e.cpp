#include "AudioFixtures.h"
#include "DesktopSession.h"
#include "DragSource.h"
#include "MateSession.h"
#include "SessionTestMain.h"
#include "VireoProcess.h"

#include <QTemporaryDir>
#include <QUrl>

#include <memory>

namespace {
const QRect topPanel(0, 0, 1024, 30);
} // namespace

// The real program on MATE's panel, whose notification area shows embedded icons as themselves and runs a
// StatusNotifierItem host beside: the icon is embedded with the catcher over it, and takes drops, right clicks
// and the wheel.
class TestMateEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_media;
    std::unique_ptr<MateSession> m_mate;
    VireoProcess m_vireo;
    DragSource m_dragSource;

    QString file(const QString& name) const
    {
        return m_media.filePath(name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(AudioFixtures::makeTone(file(QStringLiteral("alpha.mp3")), 20000, 440));
        QVERIFY(QDir().mkpath(file(QStringLiteral("Folders/Alpha")))
            && QDir().mkpath(file(QStringLiteral("Folders/Beta"))));
        QVERIFY(QFile::copy(file(QStringLiteral("alpha.mp3")), file(QStringLiteral("Folders/Alpha/one.mp3"))));
        QVERIFY(QFile::copy(file(QStringLiteral("alpha.mp3")), file(QStringLiteral("Folders/Beta/two.mp3"))));
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
        QVERIFY2(m_dragSource.dragOnto(file(QStringLiteral("alpha.mp3")), icon.center()), "the drop was refused");
        QVERIFY(VireoProcess::becomes("Playing"));
        QCOMPARE(VireoProcess::title(), QStringLiteral("alpha.mp3"));

        DesktopSession::click(icon.center(), "3");
        QVERIFY2(VireoProcess::becomes("Paused"), "a right click did not pause");
        const double before = VireoProcess::volume();
        DesktopSession::click(icon.center(), "4");
        QVERIFY2(DesktopSession::waitFor([&] { return qAbs(VireoProcess::volume() - (before + 0.05)) < 0.001; }, 3000),
            qPrintable(QStringLiteral("%1 after %2").arg(VireoProcess::volume()).arg(before)));

        // A list from two folders, opened by the remote: a left click opens the menu right below the icon, where
        // the other folder's song is chosen and heard; a song change by the remote is a popup of MATE's
        // notification daemon (over the icon's corner, so it comes last).
        VireoProcess::playerctl(
            { QStringLiteral("open"), QUrl::fromLocalFile(file(QStringLiteral("Folders"))).toString() });
        QVERIFY(DesktopSession::waitFor([] { return VireoProcess::title() == QLatin1String("one.mp3"); }, 5000));
        DesktopSession::click(icon.center(), "1");
        QVERIFY2(DesktopSession::waitFor([] { return !DesktopSession::programMenu().isNull(); }, 3000),
            "a left click opened no menu");
        const QRect menu = DesktopSession::programMenu();
        // Right below it, moved left as far as the screen's edge asks.
        QVERIFY2(menu.top() == icon.bottom() + 1 && menu.left() <= icon.left() && menu.right() >= icon.left(),
            qPrintable(DesktopSession::windowTree()));
        QVERIFY2(!DesktopSession::chooseLastSong().isNull(), "Songs did not open");
        QVERIFY2(DesktopSession::waitFor([] { return VireoProcess::title() == QLatin1String("two.mp3"); }, 5000),
            qPrintable(VireoProcess::title()));
        QVERIFY(SessionTest::level(600) > 1000.0);
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
        m_vireo.quit();
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
