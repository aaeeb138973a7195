#include "DesktopTestCase.h"
#include "PlasmaSession.h"
#include "ScreenPicture.h"

#include <linux/input-event-codes.h>

#include <QElapsedTimer>

#include <memory>

namespace {
// Plasma's default panel runs along the bottom of the screen; its system tray is at the right end.
const QSize screenSize(1280, 800);
const int panelTop = 756;

const QRect abovePanel(0, 0, screenSize.width(), panelTop);

// Where two pictures of the screen differ inside `area` and outside `ignored`, in steps of two pixels; empty where
// they do not.
QRect changedIn(const QImage& before, const QImage& after, const QRect& area, const QRect& ignored = {})
{
    QRect changed;
    const QRect inBoth = area & before.rect() & after.rect();
    for (int y = inBoth.top(); y <= inBoth.bottom(); y += 2) {
        for (int x = inBoth.left(); x <= inBoth.right(); x += 2) {
            if (before.pixel(x, y) != after.pixel(x, y) && !ignored.contains(x, y))
                changed |= QRect(x, y, 2, 2);
        }
    }
    return changed;
}
} // namespace

// The real program in KDE Plasma's Wayland session, where it is a Wayland client as Qt picks it: its icon is the
// panel's item, the left click opens the program's menu beside it (not a window of its own), the wheel turns
// the volume, and a song change is a popup of Plasma's notifications. What shows is read from pictures of the
// screen, taken through KWin.
class TestPlasmaWaylandEndToEnd : public DesktopTestCase
{
    Q_OBJECT

    std::unique_ptr<PlasmaSession> m_plasma;

    // Where the panel draws the icon while it plays: the only green picture on the panel's right half.
    QPoint icon() const
    {
        return playingPicture(m_plasma->screen(),
            QRect(screenSize.width() / 2, panelTop, screenSize.width() / 2, screenSize.height() - panelTop));
    }

    // The list (from two folders where none is given) plays; where its icon is.
    QPoint startPlaying(const QStringList& list = {})
    {
        if (!m_vireo.start(list.isEmpty() ? twoFolders() : list, m_plasma->clientEnvironment())
            || !VireoProcess::becomes("Playing"))
            return {};
        QPoint at;
        DesktopSession::waitFor([&] { return !(at = icon()).isNull(); }, 30000); // the panel lays its tray out slowly
        return at;
    }

    // What changes above the panel within `ms` after `act`, once it has stopped changing.
    QRect shownAfter(const std::function<void()>& act, int ms = 3000)
    {
        const QImage before = m_plasma->screen();
        act();
        QRect changed, settled;
        DesktopSession::waitFor(
            [&] {
                changed = changedIn(before, m_plasma->screen(), abovePanel);
                const bool same = !changed.isEmpty() && changed == settled;
                settled = changed;
                return same;
            },
            ms);
        return changed;
    }

    // What opens beside `menu` (as against `withMenu`, a picture of it): the part of the screen that changes, once
    // it has stayed the same for a second and a half (a submenu fills in a few steps).
    QRect openedBeside(const QImage& withMenu, const QRect& menu)
    {
        QRect changed, settled;
        QElapsedTimer still;
        still.start();
        DesktopSession::waitFor(
            [&] {
                changed = changedIn(withMenu, m_plasma->screen(), abovePanel, menu);
                if (changed != settled)
                    still.restart();
                settled = changed;
                return !changed.isEmpty() && still.elapsed() >= 1500;
            },
            8000);
        return changed;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(makeTwoFolders(30000));
        m_vireo.setIntroductionDone(true);
        m_plasma = std::make_unique<PlasmaSession>(PlasmaSession::Display::Wayland);
        QVERIFY2(m_plasma->start(m_vireo.environment()), "Plasma on Wayland did not come up");
    }

    // The icon is on the panel; a notch of the wheel is 5 % up and down; the left click opens the program's
    // menu right above the icon (once, and no window). A song of the second of three folders is chosen there with
    // the pointer: it rests on "Songs" (the menu's second line), whose submenu shows it among at least eight songs
    // at once, and a click plays it.
    void theIconAndItsMenu()
    {
        const QStringList list = makeThreeFolders(10);
        QVERIFY(!list.isEmpty());
        const QPoint at = startPlaying(list);
        QVERIFY2(!at.isNull(), qPrintable(DesktopSession::registeredItems()));

        QString turned = turnsTheVolume([&] { m_plasma->click(at, "4"); }, 0.05);
        QVERIFY2(turned.isEmpty(), qPrintable(turned));
        turned = turnsTheVolume([&] { m_plasma->click(at, "5"); }, -0.05);
        QVERIFY2(turned.isEmpty(), qPrintable(turned));

        const QRect menu = shownAfter([&] { m_plasma->click(at); });
        const QString where
            = DesktopSession::geometry(menu) + QStringLiteral(" for the icon at %1,%2").arg(at.x()).arg(at.y());
        QVERIFY2(!menu.isEmpty(), "a left click showed nothing");
        // A menu: narrow, ending right above the panel, at the icon; a window would sit in the middle.
        QVERIFY2(menu.width() < 400 && menu.bottom() > panelTop - 40 && menu.right() > at.x() - 48
                && menu.left() < at.x() + 48,
            qPrintable(where));

        const QImage withMenu = m_plasma->screen();
        const MenuLines lines([&] { return m_plasma->screen(); }, [&](QPoint to) { m_plasma->moveTo(to); });
        const QList<QRect> top = lines.of(menu, 2);
        QCOMPARE(top.size(), 2);

        // The pointer rests on "Songs" until its submenu opens (a click as soon as it came there left none open).
        const QRect songs = openedBeside(withMenu, menu);
        QVERIFY2(songs.width() > 60 && songs.height() > 2 * top.at(1).height(),
            qPrintable(QStringLiteral("Songs at ") + DesktopSession::geometry(songs)));
        const QString heard = secondFoldersThirdSongPlays(lines, songs, [&](QPoint at) { m_plasma->click(at); });
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
    }

    // A song change not made at the icon shows a popup of Plasma's above the panel.
    void aSongChangeIsShown()
    {
        if (VireoProcess::title().isEmpty())
            QVERIFY(!startPlaying().isNull());
        // Away from the icon, whose tool tip would show too.
        m_plasma->moveTo(QPoint(100, 100));
        QTest::qWait(1000);
        const QRect popup = shownAfter([] { VireoProcess::playerctl({ QStringLiteral("next") }); }, 8000);
        QVERIFY2(popup.width() >= 250 && popup.bottom() > panelTop - 40, qPrintable(DesktopSession::geometry(popup)));
    }

    // A desktop shortcut runs `vireo -j`: KWin knows the Jump window by the program's desktop entry (whose name
    // and icon it shows for it), the window has the keyboard, and a song named there by a few letters plays.
    void theJumpWindowIsTheDesktopEntrys()
    {
        if (VireoProcess::title().isEmpty())
            QVERIFY(!startPlaying().isNull());
        const bool twoPlays = VireoProcess::title() == QLatin1String("two.wav");
        QVERIFY(m_vireo.startAgain({ QStringLiteral("-j") }, m_plasma->clientEnvironment()));
        QString active;
        QVERIFY2(DesktopSession::waitFor(
                     [&] {
                         active = m_plasma->evaluate(QStringLiteral(
                             "(w => w ? w.caption + '|' + w.desktopFileName : '')(workspace.activeClient)"));
                         return active == QLatin1String("Jump to Song|example.corvane.Vireo");
                     },
                     15000),
            qPrintable(active));
        m_plasma->keys(
            twoPlays ? QList<int> { KEY_O, KEY_N, KEY_E, KEY_ENTER } : QList<int> { KEY_T, KEY_W, KEY_O, KEY_ENTER });
        const QString heard = heardPlaying(twoPlays ? QStringLiteral("one.wav") : QStringLiteral("two.wav"));
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
    }

    void cleanupTestCase()
    {
        m_vireo.quit();
        m_plasma.reset();
    }
};

int main(int argc, char** argv)
{
    return PlasmaSession::run<TestPlasmaWaylandEndToEnd>(argc, argv);
}

#include "tst_plasma_wayland_e2e.moc"
