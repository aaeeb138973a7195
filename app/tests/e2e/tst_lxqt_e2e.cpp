#include "AudioFixtures.h"
#include "DesktopSession.h"
#include "LxqtSession.h"
#include "SessionTestMain.h"
#include "VireoProcess.h"

#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace {
// lxqt-panel along the top, its StatusNotifierItem host first: the first item's button is at its left end.
const QPoint firstItem(14, 16);
} // namespace

// The real program on lxqt-panel, whose X11 tray paints copies of embedded icons that it keeps in a corner of the
// screen: the icon is the panel's StatusNotifierItem, and no window of the program lies in that corner or
// anywhere else.
class TestLxqtEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_media;
    std::unique_ptr<LxqtSession> m_lxqt;
    VireoProcess m_vireo;

    QString file(const QString& name) const
    {
        return m_media.filePath(name);
    }

    static bool menuShown()
    {
        const auto windows = DesktopSession::programWindows(true);
        return std::any_of(windows.begin(), windows.end(), [](const auto& w) { return w.first.height() > 200; });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(AudioFixtures::makeTone(file(QStringLiteral("alpha.wav")), 20000, 440));
        m_vireo.setIntroductionDone(true);
        m_lxqt = std::make_unique<LxqtSession>();
        QVERIFY(m_lxqt->start(m_vireo.environment()));
        QVERIFY2(DesktopSession::waitFor(
                     [] { return DesktopSession::treeContains(QStringLiteral("\"LXQt Panel\"")); }, 15000),
            "lxqt-panel did not come up");
    }

    // The icon is an item of the panel's; a left click on it opens the menu next to it, a notch of the wheel
    // up is 5 % louder, and no window of the program is on the screen but the menu while it is open.
    void theIconIsThePanelsItem()
    {
        QVERIFY(m_vireo.start({ file(QStringLiteral("alpha.wav")) }));
        QVERIFY(VireoProcess::becomes("Playing"));
        QVERIFY2(
            DesktopSession::waitFor(
                [] { return DesktopSession::registeredItems().contains(QStringLiteral("StatusNotifierItem")); }, 10000),
            qPrintable(DesktopSession::windowTree()));
        QTest::qWait(1000); // the panel draws the item's button
        QVERIFY2(DesktopSession::programWindows(true).isEmpty(), qPrintable(DesktopSession::windowTree()));

        const double before = VireoProcess::volume();
        DesktopSession::click(firstItem, "4");
        QVERIFY2(DesktopSession::waitFor([&] { return qAbs(VireoProcess::volume() - (before + 0.05)) < 0.001; }, 3000),
            qPrintable(QStringLiteral("%1 after %2").arg(VireoProcess::volume()).arg(before)));

        DesktopSession::click(firstItem, "1");
        QVERIFY2(DesktopSession::waitFor(menuShown, 3000), "a left click opened no menu");
        // Next to the icon: the panel names the pointer's place, and the menu opens there.
        for (const auto& [menu, inParent] : DesktopSession::programWindows(true))
            QVERIFY2((menu.topLeft() - firstItem).manhattanLength() < 48, qPrintable(DesktopSession::windowTree()));
        DesktopSession::xdotool({ QStringLiteral("key"), QStringLiteral("Escape") });
        QVERIFY(DesktopSession::waitFor([] { return !menuShown(); }, 3000));
    }

    void cleanup()
    {
        m_vireo.quit();
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
