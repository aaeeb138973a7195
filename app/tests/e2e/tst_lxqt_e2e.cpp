#include "DesktopTestCase.h"
#include "LxqtSession.h"

#include <memory>

namespace {
// lxqt-panel along the top, its StatusNotifierItem host first: the first item's button is at its left end.
const QPoint firstItem(14, 16);
} // namespace

// The real program on lxqt-panel, whose X11 tray paints copies of embedded icons that it keeps in a corner of the
// screen: the icon is the panel's StatusNotifierItem, and no window of the program lies in that corner or
// anywhere else.
class TestLxqtEndToEnd : public DesktopTestCase
{
    Q_OBJECT

    std::unique_ptr<LxqtSession> m_lxqt;

private slots:
    void initTestCase()
    {
        QVERIFY(makeTwoFolders(20000));
        m_vireo.setIntroductionDone(true);
        m_lxqt = std::make_unique<LxqtSession>();
        QVERIFY(m_lxqt->start(m_vireo.environment()));
        QVERIFY2(DesktopSession::waitFor(
                     [] { return DesktopSession::treeContains(QStringLiteral("\"LXQt Panel\"")); }, 15000),
            "lxqt-panel did not come up");
    }

    // The icon is an item of the panel's; a notch of the wheel up is 5 % louder; a left click on it opens the menu
    // next to it, where a song of the other folder is chosen and heard; no window of the program is on the screen
    // but the menu while it is open.
    void theIconIsThePanelsItem()
    {
        QVERIFY(m_vireo.start(twoFolders()));
        QVERIFY(VireoProcess::becomes("Playing"));
        QVERIFY2(
            DesktopSession::waitFor(
                [] { return DesktopSession::registeredItems().contains(QStringLiteral("StatusNotifierItem")); }, 10000),
            qPrintable(DesktopSession::windowTree()));
        QTest::qWait(1000); // the panel draws the item's button
        QVERIFY2(DesktopSession::programWindows(true).isEmpty(), qPrintable(DesktopSession::windowTree()));

        const QString turned = turnsTheVolume([] { DesktopSession::click(firstItem, "4"); }, 0.05);
        QVERIFY2(turned.isEmpty(), qPrintable(turned));

        DesktopSession::click(firstItem, "1");
        const QRect menu = DesktopSession::programMenu(3000);
        QVERIFY2(!menu.isNull(), "a left click opened no menu");
        // Next to the icon: the panel names the pointer's place, and the menu opens there.
        QVERIFY2((menu.topLeft() - firstItem).manhattanLength() < 48, qPrintable(DesktopSession::windowTree()));
        QVERIFY2(!DesktopSession::chooseLastSong().isNull(), "Songs did not open");
        const QString heard = heardPlaying(QStringLiteral("two.wav"));
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
        QVERIFY(DesktopSession::programWindows(true).isEmpty());
    }

    // A song change by the remote is a popup of LXQt's notification daemon.
    void aSongChangeIsShown()
    {
        QVERIFY(m_vireo.start(twoFolders()));
        QVERIFY(VireoProcess::becomes("Playing"));
        const auto popups = [] {
            return DesktopSession::windowsOf(
                QStringLiteral("lxqt-notificationd"), QStringLiteral("lxqt-notificationd"), true)
                .size();
        };
        QVERIFY(DesktopSession::waitFor([&] { return popups() == 0; }, 15000));
        VireoProcess::playerctl({ QStringLiteral("next") });
        QVERIFY2(DesktopSession::waitFor([&] { return popups() > 0; }, 5000), qPrintable(DesktopSession::windowTree()));
    }

    void cleanupTestCase()
    {
        m_vireo.quit();
        m_lxqt.reset();
    }
};

int main(int argc, char** argv)
{
    return SessionTest::run<TestLxqtEndToEnd>(argc, argv);
}

#include "tst_lxqt_e2e.moc"
