#include "TrayEndToEnd.h"

// The program's tray player in a real desktop of the test's own, driven by real input from xdotool and by drags
// from another X client: the icon, its catcher, its menus, and what the tray does to them.
class TestTrayEndToEnd : public TrayEndToEnd
{
    Q_OBJECT

private slots:
    void iconIsEmbeddedAndCoveredByTheCatcher()
    {
        // The catcher follows within about a second (its tick), over the icon's rectangle once the tray settled it.
        QVERIFY2(
            DesktopSession::waitFor([&] { return catcherCoversIcon(); }, 5000), "no catcher over an embedded icon");
        QVERIFY(m_vireo->geometry().width() >= 16 && m_vireo->geometry().width() <= 64);
        QVERIFY(showsPicture(*m_vireo, "Logo"));
        screenshot(QStringLiteral("tray-at-start.png"));
    }

    void dragOfPlainTextIsRefused()
    {
        QVERIFY(m_dragSource.start({ QStringLiteral("text") }));
        bool dropShown = false;
        const QByteArray result = m_dragSource.dragTo(iconCentre(), [&] {
            dropShown = DesktopSession::waitFor([&] { return showsPicture(*m_vireo, "Drop"); }, 2000);
            return true; // let go away from the icon
        });
        QVERIFY2(dropShown, "the icon did not show the drop picture during the drag");
        QCOMPARE(result, QByteArray("drop-result 0"));
        QVERIFY(DesktopSession::waitFor([&] { return showsPicture(*m_vireo, "Logo"); }, 2000));
        QVERIFY(AudioListPlayer::instance()->playList().isEmpty());
    }

    // A dropped folder plays its songs, from its sub-folders too, FLAC and Opus included, and lists only them,
    // by their names as written.
    void droppedFolderPlaysItsSongs()
    {
        const QStringList songs { "Album/Disc 1/01 first.flac", "Album/Disc 1/02 Track #2 (100% live).opus",
            "Album/Disc 2/01 last.mp3" };
        for (const QString& song : songs) {
            QVERIFY(QDir().mkpath(QFileInfo(media(song)).path()));
            QVERIFY(AudioFixtures::makeTone(media(song), 8000, 660));
        }
        QVERIFY(AudioFixtures::writeBytes(media(QStringLiteral("Album/cover.jpg")), "not a song"));
        QVERIFY(AudioFixtures::writeBytes(media(QStringLiteral("Album/notes.txt")), "not a song"));
        QVERIFY(dragFiles({ media(QStringLiteral("Album")) }));
        QList<QUrl> expected;
        for (const QString& song : songs)
            expected << QUrl::fromLocalFile(media(song));
        QCOMPARE(AudioListPlayer::instance()->playList(), expected);
        // Two folders: a submenu each, named by the folder (the songs have no album tags).
        const auto listed = [](const QMenu* menu) {
            QStringList texts;
            for (const QAction* action : menu->actions())
                texts << action->text();
            return texts;
        };
        QCOMPARE(listed(songsMenu()), (QStringList { "Disc 1", "Disc 2" }));
        QMenu* disc = songsMenu()->actions().first()->menu();
        emit disc->aboutToShow();
        QCOMPARE(listed(disc), (QStringList { "01 first.flac", "02 Track #2 (100% live).opus" }));
        QVERIFY2(hears(660, 880), "no sound from the folder's first song");
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("02 Track #2 (100% live).opus"));
        QVERIFY2(hears(660, 880), "no sound from the Opus song");

        // With Ctrl held the drop adds to the list, and the song that plays goes on.
        QVERIFY(dragFiles({ media(QStringLiteral("short A.wav")) }, true));
        expected << song("short A.wav");
        QCOMPARE(AudioListPlayer::instance()->playList(), expected);
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("02 Track #2 (100% live).opus"));
        QVERIFY(AudioListPlayer::instance()->isPlaying());
    }

    // The end of the list shows, and a right click then plays the first song again.
    void afterTheEndRightClickPlaysTheFirstSongAgain()
    {
        QVERIFY(dragFiles({ media(QStringLiteral("short A.wav")), media(QStringLiteral("short B.wav")) }));
        QVERIFY2(DesktopSession::waitFor([&] { return showsPicture(*m_vireo, "Stop"); }, 8000),
            "the icon still shows playing after the end");
        QCOMPARE(m_vireo->transportAction(Vireo::Transport::PlayPause)->text(), QStringLiteral("&Play"));
        moveTo(iconCentre());
        DesktopSession::xdotool({ QStringLiteral("click"), QStringLiteral("3") });
        QVERIFY(DesktopSession::waitFor([] { return AudioListPlayer::instance()->isPlaying(); }, 3000));
        QCOMPARE(AudioListPlayer::instance()->currentName(), QStringLiteral("short A.wav"));
        QVERIFY(showsPicture(*m_vireo, "Play"));
        QVERIFY2(hears(660, 880), "the first song is not heard again");
    }

    // The catcher keeps the icon's place without asking the X server every second: a move of the tray must still
    // reach it.
    void catcherFollowsWhenTheTrayMoves()
    {
        const QRect before = m_vireo->geometry();
        const auto movePanel = [](int x, int y) {
            DesktopSession::xdotool({ QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^panel$"),
                QStringLiteral("windowmove"), QStringLiteral("%@"), QString::number(x), QString::number(y) });
        };
        movePanel(400, 300);
        QVERIFY2(
            DesktopSession::waitFor([&] { return m_vireo->geometry().y() >= 300; }, 3000), "the tray did not move");
        QVERIFY2(DesktopSession::waitFor([&] { return catcherCoversIcon(); }, 3000), "the catcher stayed behind");
        movePanel(before.x() - 2, 0);
        QVERIFY(DesktopSession::waitFor([&] { return m_vireo->geometry().y() < 300 && catcherCoversIcon(); }, 3000));
    }

    // Without a compositor the catcher wears the icon's picture; with one it is a bare translucent window. A
    // compositor starting or ending later is told by the X server, not looked for.
    void catcherFollowsTheCompositorComingAndGoing()
    {
        QVERIFY(!TrayHost::isCompositing());
        QVERIFY(!m_vireo->dropCatcher()->pixmap().isNull());
        DragSource compositor;
        QVERIFY(compositor.start({ QStringLiteral("compositor") }));
        QVERIFY(DesktopSession::waitFor([] { return TrayHost::isCompositing(); }, 3000));
        QVERIFY2(DesktopSession::waitFor([&] { return m_vireo->dropCatcher()->pixmap().isNull(); }, 3000),
            "the catcher still wears the icon's picture");
        compositor.stop();
        QVERIFY(DesktopSession::waitFor([] { return !TrayHost::isCompositing(); }, 3000));
        QVERIFY2(DesktopSession::waitFor([&] { return !m_vireo->dropCatcher()->pixmap().isNull(); }, 3000),
            "the catcher did not take the icon's picture again");
    }

    // In a panel along the screen's bottom edge, a left click opens the menu right above the icon, whole on the
    // screen: not over the icon and its panel, where Qt would let a popup menu reach the screen's edge.
    void theMenuAboveAnIconAtTheBottom()
    {
        desktop->stopTray();
        const auto topAgain = qScopeGuard([this] {
            desktop->stopTray();
            desktop->startTray();
            DesktopSession::waitFor([&] { return catcherCoversIcon() && m_vireo->geometry().top() < 100; }, 8000);
        });
        QVERIFY(desktop->startTray(QStringLiteral("trayer"), QStringLiteral("bottom")));
        QVERIFY2(DesktopSession::waitFor([&] { return catcherCoversIcon() && m_vireo->geometry().top() > 700; }, 8000),
            qPrintable(DesktopSession::windowTree()));
        const QRect icon = m_vireo->geometry();
        QRect menu;
        QVERIFY(afterLeftClick([&] {
            if (m_vireo->contextMenu()->isVisible())
                menu = m_vireo->contextMenu()->geometry();
            return !menu.isNull();
        }));
        QVERIFY2(menu.top() >= 0 && menu.bottom() < icon.top() && menu.bottom() >= icon.top() - 2
                && menu.left() <= icon.left() && menu.right() >= icon.left(),
            qPrintable(QStringLiteral("the menu at %1, the icon at %2")
                           .arg(DesktopSession::geometry(menu), DesktopSession::geometry(icon))));
    }

    void trayRestartedIconComesBack()
    {
        const auto embedded = [&] {
            return !m_vireo->geometry().isEmpty()
                && QRegularExpression(QStringLiteral("\\d+x\\d+\\+0\\+0\\s+\\+-?\\d+"))
                       .match(DesktopSession::windowTree().section(QStringLiteral("\"panel\""), 1))
                       .hasMatch();
        };
        // Stopped and started again between two ticks of the program: the catcher never gets the chance to hide.
        desktop->stopTray();
        QVERIFY(desktop->startTray());
        QVERIFY2(DesktopSession::waitFor(embedded, 8000), "the icon did not come back");
        QVERIFY(DesktopSession::waitFor([&] { return catcherCoversIcon(); }, 3000));

        // The new icon window must not sit above the catcher: drops and right clicks reach the player again.
        QVERIFY(AudioFixtures::makeTone(media(QStringLiteral("back.wav")), 12000, 440));
        const auto catcherOnTop = [&] {
            moveTo(iconCentre());
            const QString where
                = DesktopSession::run(QStringLiteral("xdotool"), { QStringLiteral("getmouselocation") });
            return where.contains(QStringLiteral("window:%1").arg(m_vireo->dropCatcher()->winId()));
        };
        QVERIFY2(DesktopSession::waitFor(catcherOnTop, 3000), "the new icon window lies above the catcher");
        QVERIFY2(
            dragFiles({ media(QStringLiteral("back.wav")) }), "the icon refused the drop after the tray restarted");
        QCOMPARE(AudioListPlayer::instance()->currentName(), QStringLiteral("back.wav"));
        QVERIFY(hears(440, 880));
        moveTo(iconCentre());
        DesktopSession::xdotool({ QStringLiteral("click"), QStringLiteral("3") });
        QVERIFY2(DesktopSession::waitFor([] { return AudioListPlayer::instance()->isPaused(); }, 2000),
            "a right click did not pause after the tray restarted");
    }
};

int main(int argc, char** argv)
{
    return runTrayTest<TestTrayEndToEnd>(argc, argv);
}

#include "tst_tray_e2e.moc"
