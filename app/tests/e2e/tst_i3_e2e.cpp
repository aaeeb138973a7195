#include "DesktopTestCase.h"

#include <QProcess>
#include <QTemporaryDir>

namespace {
// i3bar along the bottom of the 1024x768 screen, its tray at the right end; i3 sets no work area.
const QRect bottomStrip(0, 700, 1024, 68);
} // namespace

// The real program in i3 with i3bar at the bottom: the icon is embedded in the bar's tray, and the menu of the
// left click, a menu of the program's own, opens right above the bar, although i3 names no work area; the bar
// keeps its room by its strut alone.
class TestI3EndToEnd : public DesktopTestCase
{
    Q_OBJECT

    QTemporaryDir m_config;
    QProcess m_i3;

private slots:
    void initTestCase()
    {
        QVERIFY(makeTwoFolders(20000));
        m_vireo.setIntroductionDone(true);
        QFile config(m_config.filePath(QStringLiteral("config")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("# i3 config file (v4)\nfont pango:DejaVu Sans 10\n"
                     "bar {\n  position bottom\n  status_command true\n}\n");
        config.close();
        m_i3.setProcessEnvironment(m_vireo.environment());
        m_i3.setStandardOutputFile(QProcess::nullDevice());
        m_i3.setStandardErrorFile(QProcess::nullDevice());
        m_i3.start(QStringLiteral("i3"), { QStringLiteral("-c"), config.fileName() });
        QVERIFY(m_i3.waitForStarted(5000));
        QVERIFY2(
            DesktopSession::waitFor(
                [] {
                    return !DesktopSession::windowsOf(QStringLiteral("bar-0"), QStringLiteral("i3bar"), true).isEmpty();
                },
                10000),
            "i3bar did not come up");
    }

    void theMenuOpensAboveTheBar()
    {
        QVERIFY(m_vireo.start(twoFolders()));
        QVERIFY(VireoProcess::becomes("Playing"));
        QRect icon;
        QVERIFY2(DesktopSession::waitFor(
                     [&] { return !(icon = DesktopSession::embeddedIcon(bottomStrip)).isEmpty(); }, 10000),
            qPrintable(QStringLiteral("no icon in i3bar's tray:\n") + DesktopSession::windowTree()));
        const QRect bar
            = DesktopSession::windowsOf(QStringLiteral("bar-0"), QStringLiteral("i3bar"), true).constFirst().first;
        DesktopSession::click(icon.center());
        const QRect menu = DesktopSession::programMenu(3000);
        QVERIFY2(!menu.isNull(), "a left click opened no menu");
        QVERIFY2(menu.bottom() < bar.top() && menu.bottom() > bar.top() - 24 && menu.right() >= icon.left()
                && menu.left() <= icon.right(),
            qPrintable(
                QStringLiteral("the menu at %1, the bar from %2").arg(DesktopSession::geometry(menu)).arg(bar.top())));
        QVERIFY2(!DesktopSession::chooseLastSong().isNull(), "Songs did not open");
        const QString heard = heardPlaying(QStringLiteral("two.wav"));
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
    }

    void cleanupTestCase()
    {
        m_vireo.quit();
        DesktopSession::stop(m_i3);
    }
};

int main(int argc, char** argv)
{
    return SessionTest::run<TestI3EndToEnd>(argc, argv);
}

#include "tst_i3_e2e.moc"
