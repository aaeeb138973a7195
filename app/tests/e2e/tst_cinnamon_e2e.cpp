#include "CinnamonSession.h"
#include "DesktopTestCase.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <memory>

namespace {
// Cinnamon's default panel runs along the bottom of the screen.
const int panelTop = 760;
} // namespace

// The real program in Cinnamon: its icon is an item of the panel's XApp status applet, the wheel over it turns the
// volume, a left click opens the program's menu right above it, where songs are chosen, the Jump window is the desktop
// entry's, and each song change not made at the icon is a notification of Cinnamon's.
class TestCinnamonEndToEnd : public DesktopTestCase
{
    Q_OBJECT

    std::unique_ptr<CinnamonSession> m_cinnamon;

    // Where the applet shows the program's item, once it has settled there: the panel lays a new item out again
    // a moment after it first shows it.
    QRect icon() const
    {
        QRect at, before;
        DesktopSession::waitFor(
            [&] {
                before = at;
                const QJsonArray box = m_cinnamon->statusIcons().at(0).toArray();
                at = QRect(box.at(0).toInt(), box.at(1).toInt(), box.at(2).toInt(), box.at(3).toInt());
                QTest::qWait(250);
                return !at.isEmpty() && at == before;
            },
            10000);
        return at;
    }

    // The title of each notification Cinnamon holds.
    QStringList notifications() const
    {
        QStringList titles;
        for (const QJsonValue title :
            m_cinnamon->eval(
                          QStringLiteral("Object.values(Main.notificationDaemon._notifications).map(n => n.summary)"))
                .toArray())
            titles << title.toString();
        return titles;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(makeTwoFolders(30000));
        m_vireo.setIntroductionDone(true);
        m_cinnamon = std::make_unique<CinnamonSession>();
        QVERIFY2(m_cinnamon->start(m_vireo.environment()), "Cinnamon did not come up");
    }

    // The icon is the applet's item; a notch of the wheel is 5 % up and down; a left click opens the program's
    // menu right above the icon. A song of the second of three folders is chosen there with the pointer: it rests
    // on "Songs" (the menu's second line), whose submenu shows it among at least eight songs at once, and a click
    // plays it.
    void theIconAndItsMenu()
    {
        const QStringList list = makeThreeFolders(10);
        QVERIFY(!list.isEmpty());
        QVERIFY(m_vireo.start(list));
        QVERIFY(VireoProcess::becomes("Playing"));
        const QRect at = icon();
        QVERIFY2(at.top() >= panelTop, qPrintable(DesktopSession::registeredItems()));

        QString turned = turnsTheVolume([&] { DesktopSession::click(at.center(), "4"); }, 0.05);
        QVERIFY2(turned.isEmpty(), qPrintable(turned));
        turned = turnsTheVolume([&] { DesktopSession::click(at.center(), "5"); }, -0.05);
        QVERIFY2(turned.isEmpty(), qPrintable(turned));

        DesktopSession::click(at.center());
        const QRect menu = DesktopSession::programMenu(3000);
        QVERIFY2(!menu.isNull(), "a left click opened no menu");
        QVERIFY2(menu.bottom() < panelTop && menu.bottom() >= panelTop - 24 && menu.left() <= at.right()
                && menu.right() >= at.left(),
            qPrintable(QStringLiteral("the menu at %1, the icon at %2")
                           .arg(DesktopSession::geometry(menu), DesktopSession::geometry(at))));
        const MenuLines lines(&DesktopSession::screen, &DesktopSession::moveTo);
        const QList<QRect> top = lines.of(menu, 2);
        QCOMPARE(top.size(), 2);
        QRect songs;
        QVERIFY2(DesktopSession::waitFor(
                     [&] {
                         for (const auto& [window, inParent] : DesktopSession::programWindows(true))
                             songs = window != menu && window.height() > 60 ? window : songs;
                         return !songs.isNull();
                     },
                     3000),
            "Songs did not open");
        const QString heard = secondFoldersThirdSongPlays(lines, songs, [](QPoint at) { DesktopSession::click(at); });
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
    }

    // `vireo -j` (a shortcut's command) opens the Jump window, which Cinnamon knows as the desktop entry's, by its
    // name; the text typed into it chooses the song that plays.
    void theJumpWindowIsTheDesktopEntrys()
    {
        QVERIFY(m_vireo.start(twoFolders()));
        QVERIFY(VireoProcess::becomes("Playing"));
        QVERIFY(m_vireo.startAgain({ QStringLiteral("-j") }));
        const QString focused = QStringLiteral(
            "(() => { const w = global.display.focus_window; const app = w && imports.gi.Cinnamon.WindowTracker"
            ".get_default().get_window_app(w); return app ? [w.get_title(), app.get_id(), app.get_name()] : []; })()");
        const QJsonArray expected { QStringLiteral("Jump to Song"), QStringLiteral("example.corvane.Vireo.desktop"),
            QStringLiteral("Vireo") };
        QVERIFY2(DesktopSession::waitFor([&] { return m_cinnamon->eval(focused).toArray() == expected; }, 10000),
            qPrintable(QString::fromUtf8(QJsonDocument(m_cinnamon->eval(focused).toArray()).toJson())));
        DesktopSession::xdotool({ QStringLiteral("type"), QStringLiteral("two") });
        DesktopSession::xdotool({ QStringLiteral("key"), QStringLiteral("Return") });
        const QString heard = heardPlaying(QStringLiteral("two.wav"));
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
    }

    // Each song change by the remote is a notification of Cinnamon's with the new song's title, the second as
    // soon as the first: none waits on the server's answer to the one before.
    void eachSongChangeIsShown()
    {
        QVERIFY(m_vireo.start(twoFolders()));
        QVERIFY(VireoProcess::becomes("Playing"));
        for (const char* command : { "next", "previous" }) {
            VireoProcess::playerctl({ QLatin1String(command) });
            const QString title = VireoProcess::title();
            QVERIFY2(DesktopSession::waitFor([&] { return notifications().contains(title); }, 5000),
                qPrintable(QStringLiteral("after %1 to %2: %3")
                               .arg(QLatin1String(command), title, notifications().join(QLatin1Char('|')))));
        }
    }

    void cleanupTestCase()
    {
        m_vireo.quit();
        m_cinnamon.reset();
    }
};

int main(int argc, char** argv)
{
    SessionTest::Options options;
    options.screen = QStringLiteral("1280x800x24");
    options.busEnvironment = CinnamonSession::busEnvironment();
    return SessionTest::run<TestCinnamonEndToEnd>(argc, argv, options);
}

#include "tst_cinnamon_e2e.moc"
