#include "DesktopTestCase.h"
#include "ScreenPicture.h"
#include "SwaySession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>

#include <memory>

namespace {
const int barHeight = 30;
const QColor desktop(0x40, 0x40, 0x40); // sway's background where no window is

// How much of `area` is light: a menu's background, not the desktop's or the bar's.
double lightShare(const QImage& shot, const QRect& area)
{
    int light = 0;
    for (int y = area.top(); y <= area.bottom(); y += 2) {
        for (int x = area.left(); x <= area.right(); x += 2)
            light += shot.pixelColor(x, y).lightness() > 200 ? 1 : 0;
    }
    return light / double((area.width() / 2 + 1) * (area.height() / 2 + 1));
}
// The smallest rectangle that holds the light pixels in `area`: where a menu is drawn.
QRect lightBox(const QImage& shot, const QRect& area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom() && y < shot.height(); ++y) {
        for (int x = area.left(); x <= area.right() && x < shot.width(); ++x) {
            if (shot.pixelColor(x, y).lightness() > 230)
                box = box.united(QRect(x, y, 1, 1));
        }
    }
    return box;
}
} // namespace

// The real program on sway with waybar, under Wayland: no program may place a window beside another's icon,
// so the menu beside the icon is waybar's, drawn from the program's DBusMenu, on the left click as on the right.
class TestSwayEndToEnd : public DesktopTestCase
{
    Q_OBJECT

    std::unique_ptr<SwaySession> m_sway;

    // Where waybar draws the icon while it plays: the green picture in the bar's right half.
    QPoint icon() const
    {
        const QImage shot = m_sway->screen();
        return playingPicture(shot, QRect(shot.width() / 2, 0, shot.width() / 2, barHeight));
    }

    bool startOnWayland(const QStringList& files)
    {
        const QProcessEnvironment env = m_sway->clientEnvironment(m_vireo.environment());
        QStringList wayland { QStringLiteral("QT_QPA_PLATFORM=wayland"), QStringLiteral("DISPLAY=") };
        for (const QString& name : { QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("XDG_RUNTIME_DIR") })
            wayland << name + QLatin1Char('=') + env.value(name);
        return m_vireo.start(files, wayland) && VireoProcess::becomes("Playing");
    }

    static QString dunstctl(const QString& command)
    {
        return DesktopSession::run(QStringLiteral("dunstctl"), command.split(QLatin1Char(' '))).trimmed();
    }

    // The node of sway's tree that holds the window of this app id, wherever it lies.
    static QJsonObject node(const QJsonObject& tree, const QString& appId)
    {
        if (tree.value(QStringLiteral("app_id")).toString() == appId)
            return tree;
        for (const char* children : { "nodes", "floating_nodes" }) {
            for (const QJsonValue child : tree.value(QLatin1String(children)).toArray()) {
                const QJsonObject found = node(child.toObject(), appId);
                if (!found.isEmpty())
                    return found;
            }
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        if (!SwaySession::unavailable().isEmpty())
            QSKIP(qPrintable(SwaySession::unavailable()));
        QVERIFY(makeTwoFolders(30000));
        m_vireo.setIntroductionDone(true);
        m_sway = std::make_unique<SwaySession>();
        QVERIFY2(m_sway->start(m_vireo.environment()), "sway with waybar and wayvnc did not come up");
    }

    // The icon is in waybar's tray; a notch of the wheel is 5 % louder; the left click opens the menu right under
    // the icon and nowhere else, and a song of the other folder is chosen in it and heard.
    void theLeftClickOpensTheMenuBesideTheIcon()
    {
        QVERIFY(startOnWayland(twoFolders()));
        QPoint at;
        QVERIFY2(DesktopSession::waitFor([&] { return !(at = icon()).isNull(); }, 10000), "no icon in waybar's tray");

        const QString turned = turnsTheVolume([&] { m_sway->click(at, 8); }, 0.05);
        QVERIFY2(turned.isEmpty(), qPrintable(turned));

        const QRect underTheIcon(at.x() - 120, barHeight + 10, 100, 200);
        const QRect farFromIt(40, 400, 400, 300);
        QVERIFY(lightShare(m_sway->screen(), underTheIcon) < 0.2);
        m_sway->click(at, 1);
        QImage shot;
        QVERIFY2(DesktopSession::waitFor([&] { return lightShare(shot = m_sway->screen(), underTheIcon) > 0.6; }, 3000),
            "a left click opened no menu under the icon");
        const QColor there = shot.pixelColor(farFromIt.center());
        QVERIFY2(lightShare(shot, farFromIt) < 0.05 && qAbs(there.red() - desktop.red()) < 4
                && qAbs(there.green() - desktop.green()) < 4 && qAbs(there.blue() - desktop.blue()) < 4,
            qPrintable(QStringLiteral("the screen far from the icon is %1, not the desktop").arg(there.name())));

        // The pointer rests on "Songs", the menu's second entry (GTK's entries are 25 px high here); the submenu
        // opens beside the menu, and its last entry is the other folder's song.
        // The menu rises into the bar; the icon (right of it) is left out.
        const QRect menu = lightBox(shot, QRect(shot.width() / 2, 0, at.x() - 16 - shot.width() / 2, 400));
        for (const int nudge : { 0, 3 })
            m_sway->pointer(QPoint(menu.center().x() + nudge, menu.top() + 41), 0);
        // Open once it is drawn the same twice over: GTK draws a submenu before its entries have arrived.
        QRect songs, drawn;
        QVERIFY2(DesktopSession::waitFor(
                     [&] {
                         drawn = songs;
                         songs = lightBox(m_sway->screen(), QRect(0, barHeight, menu.left() - 1, 400));
                         return songs.height() > 60 && songs == drawn;
                     },
                     5000),
            "Songs did not open");
        m_sway->click(QPoint(songs.center().x(), songs.bottom() - 16), 1);
        const QString heard = heardPlaying(QStringLiteral("two.wav"));
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
    }

    // A song change by the remote is shown by dunst, a notification daemon sway's users run, on its own layer.
    void aSongChangeIsShownByDunst()
    {
        QProcess dunst;
        dunst.setProcessEnvironment(m_sway->clientEnvironment(QProcessEnvironment::systemEnvironment()));
        dunst.start(QStringLiteral("dunst"), {});
        const auto stopDunst = qScopeGuard([&] { DesktopSession::stop(dunst); });
        QVERIFY(DesktopSession::waitFor([] { return !dunstctl(QStringLiteral("count displayed")).isEmpty(); }, 5000));
        QVERIFY(startOnWayland(twoFolders()));
        VireoProcess::playerctl({ QStringLiteral("next") });
        QVERIFY2(DesktopSession::waitFor([] { return dunstctl(QStringLiteral("count displayed")).toInt() > 0; }, 5000),
            "dunst showed nothing for the next song");
        // What dunst shows goes to its history when closed, where it can be read.
        dunstctl(QStringLiteral("close-all"));
        QVERIFY2(dunstctl(QStringLiteral("history")).contains(QStringLiteral("two.wav")), "dunst showed another song");
    }

    // The Jump window is known to the desktop by the program's desktop entry (its name and icon there).
    void theJumpWindowBelongsToTheDesktopEntry()
    {
        QVERIFY(startOnWayland(twoFolders().mid(0, 1)));
        QProcess jump;
        QProcessEnvironment env = m_sway->clientEnvironment(m_vireo.environment());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        jump.setProcessEnvironment(env);
        jump.start(QStringLiteral(VIREO_BINARY), { QStringLiteral("-j") });
        QVERIFY(jump.waitForFinished(10000));
        QVERIFY2(jump.exitCode() == 0, jump.readAllStandardError().constData());
        QVERIFY2(
            DesktopSession::waitFor(
                [&] { return m_sway->tree().contains(QLatin1String("\"app_id\": \"example.corvane.Vireo\"")); }, 5000),
            qPrintable(m_sway->tree().right(3000)));
        // A dialog floats over the tiles, at its own size, instead of filling the screen.
        const QJsonObject window
            = node(QJsonDocument::fromJson(m_sway->tree().toUtf8()).object(), QStringLiteral("example.corvane.Vireo"));
        QCOMPARE(window.value(QStringLiteral("type")).toString(), QStringLiteral("floating_con"));
        QVERIFY(window.value(QStringLiteral("rect")).toObject().value(QStringLiteral("width")).toInt() < 1280);
    }

    void cleanupTestCase()
    {
        m_vireo.quit();
        m_sway.reset();
    }
};

int main(int argc, char** argv)
{
    SessionTest::Options options;
    options.screen = QStringLiteral("1280x800x24");
    return SessionTest::run<TestSwayEndToEnd>(argc, argv, options);
}

#include "tst_sway_e2e.moc"
