#include "DesktopTestCase.h"
#include "PlasmaSession.h"
#include "ScreenPicture.h"

#include <QRegularExpression>

#include <algorithm>
#include <memory>

namespace {
// Plasma's default panel runs along the bottom of the screen; its system tray is at the right end.
const int screenHeight = 800;
const int panelTop = 756;

// What the program's item says of `property`, as Plasma asks it.
QString itemSays(const char* property)
{
    static const QRegularExpression registered(QStringLiteral("string \"([^\"/]+)(/[^\"]+)\""));
    const QRegularExpressionMatch item = registered.match(DesktopSession::registeredItems());
    return DesktopSession::run(QStringLiteral("dbus-send"),
        { QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=") + item.captured(1),
            item.captured(2), QStringLiteral("org.freedesktop.DBus.Properties.Get"),
            QStringLiteral("string:org.kde.StatusNotifierItem"), QStringLiteral("string:") + QLatin1String(property) });
}

// The menus plasmashell draws, largest first (narrower than its notifications).
QList<QRect> shellMenus()
{
    QList<QRect> menus;
    for (const auto& [window, inParent] :
        DesktopSession::windowsOf(QStringLiteral("plasmashell"), QStringLiteral("plasmashell"), true)) {
        if (window.height() > 60 && window.width() < 320)
            menus << window;
    }
    std::sort(menus.begin(), menus.end(), [](const QRect& a, const QRect& b) { return a.height() > b.height(); });
    return menus;
}

// A notification Plasma shows: a window of plasmashell above the panel, wider than a tool tip.
bool notificationShown()
{
    const auto windows = DesktopSession::windowsOf(QStringLiteral("plasmashell"), QStringLiteral("plasmashell"), true);
    return std::any_of(windows.begin(), windows.end(), [](const auto& w) {
        return w.first.width() >= 250 && w.first.bottom() < panelTop && w.first.top() > screenHeight / 2;
    });
}
} // namespace

// The real program in KDE Plasma's X11 session: its icon is the panel's StatusNotifierItem (the X11 tray is only
// xembedsniproxy's), the left click opens the program's own menu beside it, and each song change not made at
// the icon is a popup of Plasma's notifications.
class TestPlasmaEndToEnd : public DesktopTestCase
{
    Q_OBJECT

    std::unique_ptr<PlasmaSession> m_plasma;

    // Where the panel draws the icon while it plays: the only green picture on the panel's right half.
    QPoint icon() const
    {
        const QImage shot = m_plasma->screen();
        return playingPicture(shot, QRect(shot.width() / 2, panelTop, shot.width() / 2, shot.height() - panelTop));
    }

    // The list from two folders plays; where its icon is.
    QPoint startPlaying()
    {
        if (!m_vireo.start(twoFolders()) || !VireoProcess::becomes("Playing"))
            return {};
        QPoint at;
        DesktopSession::waitFor([&] { return !(at = icon()).isNull(); }, 10000);
        return at;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(makeTwoFolders(30000));
        m_vireo.setIntroductionDone(true);
        m_plasma = std::make_unique<PlasmaSession>();
        QVERIFY2(m_plasma->start(m_vireo.environment()), "Plasma did not come up");
    }

    // The icon is the panel's item although an X11 tray is there; the wheel turns the volume 5 % a notch; a middle
    // click pauses and plays; the left click opens the program's menu right above the icon, whole on the screen; a song
    // of the other folder is chosen in it, heard, and named by the tool tip.
    void theIconAndItsMenu()
    {
        const QPoint at = startPlaying();
        QVERIFY2(!at.isNull(), qPrintable(DesktopSession::registeredItems()));
        QVERIFY2(at.y() > panelTop, "the icon is not on the panel");
        QVERIFY2(DesktopSession::programWindows(true).isEmpty(), qPrintable(DesktopSession::windowTree()));

        const QString turned = turnsTheVolume([&] { DesktopSession::click(at, "4"); }, 0.05);
        QVERIFY2(turned.isEmpty(), qPrintable(turned));

        DesktopSession::click(at, "2");
        QVERIFY2(VireoProcess::becomes("Paused"), "a middle click did not pause");
        DesktopSession::click(at, "2");
        QVERIFY2(VireoProcess::becomes("Playing"), "a middle click did not play");

        DesktopSession::click(at);
        const QRect menu = DesktopSession::programMenu(3000);
        QVERIFY2(!menu.isNull(), "a left click opened no menu");
        QVERIFY2(menu.top() >= 0 && menu.bottom() < panelTop && menu.bottom() > panelTop - 24,
            qPrintable(QStringLiteral("the menu at ") + DesktopSession::geometry(menu)));
        QVERIFY2(qAbs(menu.left() - at.x()) < 48 || qAbs(menu.right() - at.x()) < 48, "the menu is not at the icon");

        // Songs opens beside the menu, whole on the screen; its last entry is the other folder's song.
        const QRect songs = DesktopSession::chooseLastSong();
        QVERIFY2(
            !songs.isNull() && QRect(0, 0, 1280, panelTop).contains(songs), qPrintable(DesktopSession::windowTree()));
        const QString heard = heardPlaying(QStringLiteral("two.wav"));
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
        QVERIFY(DesktopSession::programMenu().isNull());
        QVERIFY2(DesktopSession::waitFor([] { return itemSays("ToolTip").contains(QStringLiteral("two.wav")); }, 3000),
            qPrintable(itemSays("ToolTip")));
    }

    // The right click opens the menu Plasma draws from the program's DBusMenu. Plasma fetches a submenu's
    // entries when it first opens it and places it while still empty: "Songs" must be whole on the screen the
    // first time, with the other folder's song at its end, chosen by a click and heard.
    void thePanelsMenuOnTheRightClick()
    {
        const QPoint at = startPlaying();
        QVERIFY(!at.isNull());
        DesktopSession::click(at, "3");
        QVERIFY2(
            DesktopSession::waitFor([] { return shellMenus().size() == 1; }, 3000), "a right click opened no menu");
        const QRect menu = shellMenus().constFirst();
        DesktopSession::xdotool(
            { QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Right") });
        QVERIFY2(DesktopSession::waitFor([] { return shellMenus().size() == 2; }, 3000), "Songs did not open");
        QTest::qWait(500); // the submenu takes its entries
        const QRect songs = shellMenus().constLast();
        QVERIFY2(QRect(0, 0, 1280, panelTop).contains(songs),
            qPrintable(QStringLiteral("Songs at %1 beside the menu at %2")
                           .arg(DesktopSession::geometry(songs), DesktopSession::geometry(menu))));
        DesktopSession::click(QPoint(songs.center().x(), songs.bottom() - 12));
        const QString heard = heardPlaying(QStringLiteral("two.wav"));
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
    }

    // Plasma shows no popup for a notification that replaces one it has closed: each change is shown, also
    // after the one before timed out.
    void eachSongChangeIsShown()
    {
        QVERIFY(!startPlaying().isNull());
        // A pointer resting on a popup keeps it open.
        DesktopSession::xdotool({ QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("100") });
        for (const char* command : { "next", "previous" }) {
            QVERIFY2(DesktopSession::waitFor([] { return !notificationShown(); }, 20000), "a popup stayed");
            VireoProcess::playerctl({ QLatin1String(command) });
            QVERIFY2(DesktopSession::waitFor(notificationShown, 5000),
                qPrintable(QStringLiteral("nothing shown after %1").arg(QLatin1String(command))));
        }
    }

    void cleanupTestCase()
    {
        m_vireo.quit();
        m_plasma.reset();
    }
};

int main(int argc, char** argv)
{
    return PlasmaSession::run<TestPlasmaEndToEnd>(argc, argv);
}

#include "tst_plasma_e2e.moc"
