#include "DesktopEndToEnd.h"

// How the program comes up on a desktop: before its tray, without one, with a StatusNotifierItem host, under
// Wayland, from its desktop entry, and started many times at once.
class TestStartupEndToEnd : public DesktopEndToEnd
{
    Q_OBJECT

    // The icon window of the program, reparented into the panel (relative position +0+0, absolute elsewhere).
    static bool iconEmbedded()
    {
        static const QRegularExpression embedded(
            QStringLiteral("\"Vireo\": \\(\"vireo\" \"Vireo\"\\)\\s+\\d+x\\d+\\+0\\+0\\s+\\+[1-9]"));
        return embedded.match(DesktopSession::windowTree()).hasMatch();
    }

private slots:
    // Started at login before the panel: the program waits for a tray and shows its icon when one comes.
    void startedBeforeTheTray()
    {
        desktop->stopTray();
        QVERIFY(
            DesktopSession::waitFor([] { return !DesktopSession::treeContains(QStringLiteral("\"panel\"")); }, 5000));
        startProgram(programEnvironment(), {});
        QVERIFY(
            DesktopSession::waitFor([&] { return m_program.readAllStandardError().contains("no system tray"); }, 5000));
        QVERIFY(desktop->startTray());
        QVERIFY2(DesktopSession::waitFor([] { return iconEmbedded(); }, 8000),
            "the icon did not appear after the tray started");
    }

    // No tray at all (plain GNOME): the command line plays, MPRIS answers, and one desktop notification says how
    // to reach the player. With a notification server there, nothing goes to standard error.
    void withoutATray()
    {
        desktop->stopTray();
        QVERIFY(serveNotifications());
        FakeNotifications& notifications = m_notifications;
        const qsizetype before = notifications.shown.size(); // what earlier cases were shown
        startProgram(programEnvironment(), { file("alpha.mp3"), file("beta.ogg") });
        QVERIFY2(becomes("Playing", 10000), "no tray: the command line did not play");
        QVERIFY(level(1000) > 1000.0);
        QVERIFY(DesktopSession::waitFor([&] { return notifications.shown.size() > before; }, 3000));
        QTest::qWait(500);
        QCOMPARE(notifications.shown.size(), before + 1);
        QVERIFY(notifications.shown.at(before).contains(QStringLiteral("without a tray icon")));
        QCOMPARE(QString::fromUtf8(m_program.readAllStandardError()), QString());

        // A song change by the media keys shows the new song, in place of the notification before.
        command("Next");
        QVERIFY(DesktopSession::waitFor([&] { return notifications.shown.size() == before + 2; }, 3000));
        QVERIFY(notifications.shown.last().startsWith(QStringLiteral("beta.ogg")));
        command("Previous");
        QVERIFY(DesktopSession::waitFor([&] { return notifications.shown.size() == before + 3; }, 3000));
        QVERIFY(notifications.shown.last().startsWith(QStringLiteral("alpha.mp3")));
        QCOMPARE(notifications.replaced.last(), uint(before + 2));

        // Activated from the launcher without an icon to show: the current song, in a notification.
        QDBusInterface(QStringLiteral("example.corvane.Vireo"), QStringLiteral("/example/corvane/Vireo"),
            QStringLiteral("org.freedesktop.Application"), m_bus)
            .call(QStringLiteral("Activate"), QVariantMap());
        QVERIFY(DesktopSession::waitFor([&] { return notifications.shown.size() == before + 4; }, 3000));
        QVERIFY(notifications.shown.last().startsWith(QStringLiteral("alpha.mp3")));
        quitProgram();
    }

    // A scripted StatusNotifierItem host, for what the real desktops' tests cannot show: the icon is the item
    // where the X11 tray's owner is named xembedsniproxy (here trayer under that name), its menu offers the open
    // dialog, song notifications switched off stay off, the wheel's units of hosts known by no name, and a place for
    // the menu off every screen.
    void statusNotifierHost()
    {
        desktop->stopTray();
        const QString proxy = m_runtime.filePath(QStringLiteral("xembedsniproxy"));
        QVERIFY(QFile::exists(proxy) || QFile::copy(QStringLiteral("/usr/bin/trayer"), proxy));
        QVERIFY(desktop->startTray(proxy));
        const auto trayBack = qScopeGuard([] {
            desktop->stopTray();
            desktop->startTray();
        });
        StatusNotifierHost host;
        QVERIFY(host.start(programEnvironment()));
        QProcessEnvironment env = programEnvironment();
        env.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral(VIREO_BUILD_SHARE ":/usr/share"));
        QSettings(m_home.path() + QStringLiteral("/.config/Vireo/settings.plist"), QSettings::IniFormat)
            .setValue(QStringLiteral("Vireo/TrackNotifications"), false);
        startProgram(env, {});
        const QString item = host.item();
        QVERIFY2(!item.isEmpty(), "no item registered with the host");

        const QString menu = menuOf(item);
        QVERIFY(!menu.isEmpty());
        const QString layout = menuLayout(item, menu);
        QVERIFY2(layout.contains(QStringLiteral("\"Open Songs...\"")), qPrintable(layout.left(2000)));
        QVERIFY(!layout.contains(QStringLiteral("Drop MP3-files")));

        command("OpenUri", { QUrl::fromLocalFile(m_media.path()).toString(QUrl::FullyEncoded) });
        QVERIFY(becomes("Playing"));
        const qsizetype notified = m_notifications.shown.size();
        command("Next");
        command("Previous");
        QTest::qWait(500);
        QCOMPARE(m_notifications.shown.size(), notified); // switched off in the settings
        QVERIFY(itemProperty(item, "IconName").contains(QStringLiteral("\"vireo-play\"")));

        // A host known by no name (dbus-send here) is read by what it sends: steps as GTK's hosts send them (-1 a
        // notch up, 1 or at times 2 down: waybar, GNOME, Cinnamon) and Qt's angles (120 a notch up). A touchpad's
        // small swipe on a step host, ten parts of -1 as the frames come, is one step.
        const double volume = player("Volume").toDouble();
        const auto volumeBecomes = [&](double expected, const QString& after) {
            return DesktopSession::waitFor([&] { return qAbs(player("Volume").toDouble() - expected) < 0.001; }, 3000)
                ? QString()
                : QStringLiteral("%1 after %2").arg(player("Volume").toDouble()).arg(after);
        };
        for (const int delta : { -1, 2, 120, -120 }) {
            itemCall(item, "Scroll", { QStringLiteral("int32:%1").arg(delta), QStringLiteral("string:vertical") });
            const QString why
                = volumeBecomes(delta == -1 || delta == 120 ? volume + 0.05 : volume, QString::number(delta));
            QVERIFY2(why.isEmpty(), qPrintable(why));
        }
        QVERIFY(connectClient());
        for (int part = 0; part < 10; ++part) {
            m_bus.asyncCall(QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Scroll"))
                << -1 << QStringLiteral("vertical"));
            QTest::qWait(16);
        }
        QString why = volumeBecomes(volume + 0.05, QStringLiteral("a swipe"));
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QTest::qWait(300); // nothing more comes of it
        why = volumeBecomes(volume + 0.05, QStringLiteral("a swipe, later"));
        QVERIFY2(why.isEmpty(), qPrintable(why));

        // A place off every screen (the caller's numbers are anything) still opens the menu whole on the screen.
        itemCall(item, "Activate", { QStringLiteral("int32:2147483647"), QStringLiteral("int32:2147483647") });
        QRect shown;
        QVERIFY(DesktopSession::waitFor(
            [&] {
                for (const auto& [window, inParent] : DesktopSession::programWindows(true))
                    shown = window.height() > 50 ? window : shown;
                return !shown.isNull();
            },
            3000));
        QVERIFY2(QRect(0, 0, 1024, 768).contains(shown), qPrintable(DesktopSession::geometry(shown)));
        DesktopSession::xdotool({ QStringLiteral("key"), QStringLiteral("Escape") });
        quitProgram();
    }

    // Wayland (a headless weston): the program runs with Qt's Wayland platform, plays what the command line
    // names, answers over MPRIS and shows its icon as a StatusNotifierItem.
    void wayland()
    {
        QProcess weston;
        QProcessEnvironment compositorEnv = programEnvironment();
        compositorEnv.remove(QStringLiteral("DISPLAY"));
        weston.setProcessEnvironment(compositorEnv);
        weston.start(QStringLiteral("weston"),
            { QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=vireo-wayland"),
                QStringLiteral("--idle-time=0"), QStringLiteral("--no-config") });
        const QString socket = m_runtime.filePath(QStringLiteral("vireo-wayland"));
        if (!DesktopSession::waitFor([&] { return QFile::exists(socket); }, 10000)) {
            weston.kill();
            weston.waitForFinished(3000);
            QSKIP(qPrintable(QStringLiteral("weston's headless back end did not start here: ")
                + QString::fromUtf8(weston.readAllStandardError().right(300))));
        }
        StatusNotifierHost host;
        QVERIFY(host.start(programEnvironment()));
        QProcessEnvironment env = compositorEnv;
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("vireo-wayland"));
        startProgram(env, { file("beta.ogg") });
        QVERIFY2(becomes("Playing", 10000), "Wayland: the command line did not play");
        QCOMPARE(title(), QStringLiteral("beta.ogg"));
        QVERIFY(level(1000) > 1000.0);
        const QString item = host.item();
        QVERIFY2(!item.isEmpty(), "Wayland: no StatusNotifierItem registered");
        // No program may place a menu of its own beside another's icon under Wayland (sway tiles it over the
        // screen): the item asks the host to draw its DBusMenu on the left click too, and says all else as before.
        QVERIFY2(DesktopSession::waitFor(
                     [&] { return itemProperty(item, "ItemIsMenu").contains(QStringLiteral("boolean true")); }, 3000),
            qPrintable(itemProperty(item, "ItemIsMenu")));
        QVERIFY(itemProperty(item, "ToolTip").contains(QStringLiteral("beta.ogg")));
        QVERIFY(itemProperty(item, "IconPixmap").contains(QStringLiteral("int32 22")));
        QVERIFY(menuLayout(item, menuOf(item)).contains(QStringLiteral("\"Quit\"")));
        // KDE Plasma sends Activate on a left click all the same, and draws the item's menu when told it cannot.
        QVERIFY(connectClient());
        const QDBusMessage activated
            = m_bus.call(QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                             QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"))
                << 0 << 0);
        QVERIFY2(activated.type() == QDBusMessage::ErrorMessage, "Wayland: Activate on a menu did not fail");
        itemCall(item, "SecondaryActivate", { QStringLiteral("int32:0"), QStringLiteral("int32:0") });
        QVERIFY2(becomes("Paused"), "Wayland: the middle click did not pause");
        quitProgram();
        weston.terminate();
        weston.waitForFinished(5000);
    }

    // The desktop entry is named after the bus name and valid; a launcher that trusts DBusActivatable starts the
    // program by calling Activate on that name, on a bus where only the service file says how.
    void desktopEntryAndActivation()
    {
        const QString name = QStringLiteral("example.corvane.Vireo");
        const QString entry = QStringLiteral(VIREO_DESKTOP_FILES "/") + name + QStringLiteral(".desktop");
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), { entry });
        QVERIFY(validate.waitForFinished(10000));
        QCOMPARE(validate.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(validate.readAll()), QString());
        QFile entryFile(entry);
        QVERIFY(entryFile.open(QIODevice::ReadOnly));
        QVERIFY(entryFile.readAll().contains("\nDBusActivatable=true\n"));

        QFile serviceFile(QStringLiteral(VIREO_DESKTOP_FILES "/") + name + QStringLiteral(".service"));
        QVERIFY(serviceFile.open(QIODevice::ReadOnly));
        // The build tree's service file starts the build tree's program, as the installed one starts the installed.
        const QString text = QString::fromUtf8(serviceFile.readAll());
        QVERIFY2(text.contains(QStringLiteral("\nExec=" VIREO_BINARY "\n")), qPrintable(text));
        QTemporaryDir services;
        QVERIFY(AudioFixtures::writeBytes(services.filePath(name + QStringLiteral(".service")), text.toUtf8()));
        PrivateBus activationBus;
        QVERIFY(activationBus.start(services.path(), programEnvironment()));
        QDBusConnection launcher = QDBusConnection::connectToBus(activationBus.address(), QStringLiteral("launcher"));
        const QDBusMessage reply = QDBusInterface(
            name, QStringLiteral("/example/corvane/Vireo"), QStringLiteral("org.freedesktop.Application"), launcher)
                                       .call(QStringLiteral("Activate"), QVariantMap());
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        QDBusInterface root(service, path, QStringLiteral("org.mpris.MediaPlayer2"), launcher);
        QCOMPARE(root.property("DesktopEntry").toString(), name);
        root.call(QStringLiteral("Quit"));
        QVERIFY(
            DesktopSession::waitFor([&] { return !launcher.interface()->isServiceRegistered(name).value(); }, 5000));
        QDBusConnection::disconnectFromBus(QStringLiteral("launcher"));
    }

    // Started on a song, the icon waits until the song is ready to be heard (made while the song set up, it took
    // the processor from it): here a station that answers only when the case lets it.
    void iconWaitsForTheFirstSong()
    {
        desktop->stopTray();
        QVERIFY(desktop->startTray());
        QProcess radio;
        radio.start(QStringLiteral("python3"),
            { QStringLiteral(VIREO_STREAM_SERVER), m_media.path(), QStringLiteral("Night Song") });
        const auto stop = qScopeGuard([&] {
            radio.kill();
            radio.waitForFinished(3000);
        });
        QVERIFY(DesktopSession::waitFor([&] { return radio.canReadLine(); }, 10000));
        const QString port = QString::fromUtf8(radio.readLine()).section(QLatin1Char(' '), 1).trimmed();
        startProgram(programEnvironment(), { QStringLiteral("http://127.0.0.1:%1/held-delta.mp3").arg(port) });
        QVERIFY(DesktopSession::waitFor([&] { return radio.canReadLine(); }, 10000));
        QVERIFY(radio.readLine().startsWith("get /held-delta.mp3"));
        // Before, the icon showed here, while the station was still to answer.
        QTest::qWait(500);
        QVERIFY2(!iconEmbedded(), "the icon was made while the first song was still setting up");
        radio.write("\n");
        QVERIFY2(DesktopSession::waitFor([&] { return iconEmbedded(); }, 8000), "no icon once the song played");
        QVERIFY(becomes("Playing"));
        QVERIFY(level(1000) > 1000.0);
        quitProgram();
    }

    // A song played on its own needs none of the libraries that read play lists, CUE sheets and tags, nor the
    // network's (listens are off): the readers are mapped when the first such file comes, and what they read plays.
    void readersComeWithTheirFirstFile()
    {
        const auto mapped = [this](const char* library) {
            QFile maps(QStringLiteral("/proc/%1/maps").arg(m_program.processId()));
            return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
        };
        startProgram(programEnvironment(), { file("alpha.mp3") });
        QVERIFY(becomes("Playing", 10000));
        QVERIFY(level(1000) > 1000.0);
        for (const char* library : { "libtotem-plparser", "libcue", "libuchardet", "libtag", "libQt6Network" })
            QVERIFY2(!mapped(library), library);

        QVERIFY(AudioFixtures::writeBytes(file("later.m3u"), "#EXTM3U\n#EXTINF:20,Listed Beta\nbeta.ogg\n"));
        command("OpenUri", { QUrl::fromLocalFile(file("later.m3u")).toString() });
        QVERIFY2(DesktopSession::waitFor([&] { return title() == QLatin1String("Listed Beta"); }, 5000),
            qPrintable(title()));
        QVERIFY(mapped("libtotem-plparser"));
        QVERIFY(!mapped("libcue"));

        QVERIFY(AudioFixtures::writeBytes(file("later.cue"),
            "FILE \"alpha.mp3\" MP3\n  TRACK 01 AUDIO\n    TITLE \"Sheet Alpha\"\n    INDEX 01 00:00:00\n"));
        command("OpenUri", { QUrl::fromLocalFile(file("later.cue")).toString() });
        QVERIFY2(DesktopSession::waitFor([&] { return title() == QLatin1String("Sheet Alpha"); }, 5000),
            qPrintable(title()));
        QVERIFY(mapped("libcue"));
        QVERIFY(becomes("Playing"));
        QVERIFY(level(1000) > 1000.0);
        quitProgram();
    }

    // Starts at the same instant elect one player, and every other start hands its file to it: thirty `vireo -e`
    // at once leave one player with all thirty songs. A start waits for a player that is slow to answer (here
    // stopped for longer than any timeout a start had) instead of playing beside it.
    void startsAtOnceMakeOnePlayer()
    {
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        const QString kept = m_home.filePath(QStringLiteral(".local/share/Vireo/playlist.m3u8"));
        QFile::remove(kept);
        QStringList crowd;
        for (int i = 0; i < 30; ++i) {
            crowd << m_media.filePath(QStringLiteral("crowd-%1.mp3").arg(i));
            QVERIFY(QFile::exists(crowd.last()) || QFile::link(file("alpha.mp3"), crowd.last()));
        }
        const auto keptSongs = [&kept] {
            QFile list(kept);
            QStringList songs;
            if (list.open(QIODevice::ReadOnly)) {
                for (const QByteArray& line : list.readAll().split('\n')) {
                    if (line.startsWith('/'))
                        songs << QFile::decodeName(line);
                }
            }
            std::sort(songs.begin(), songs.end());
            return songs;
        };
        std::vector<std::unique_ptr<QProcess>> starts;
        const auto startAll = [&](const QStringList& files) {
            for (const QString& song : files) {
                starts.push_back(std::make_unique<QProcess>());
                starts.back()->setProcessEnvironment(programEnvironment());
                starts.back()->start(QStringLiteral(VIREO_BINARY), { QStringLiteral("-e"), song });
            }
        };
        const auto running = [&] {
            return std::count_if(
                starts.cbegin(), starts.cend(), [](const auto& p) { return p->state() != QProcess::NotRunning; });
        };
        startAll(crowd);
        QVERIFY2(
            DesktopSession::waitFor([&] { return running() == 1; }, 90000), qPrintable(QString::number(running())));
        for (const auto& start : starts) {
            if (start->state() == QProcess::NotRunning)
                QCOMPARE(start->exitCode(), 0);
        }
        QStringList expected = crowd;
        std::sort(expected.begin(), expected.end());
        QVERIFY(DesktopSession::waitFor([&] { return keptSongs() == expected; }, 10000));
        quitAll(&starts);

        startProgram(programEnvironment(), { file("alpha.mp3") });
        QVERIFY(becomes("Playing", 10000));
        ::kill(pid_t(m_program.processId()), SIGSTOP);
        starts.clear();
        startAll(crowd.mid(0, 3));
        QTest::qWait(6500); // longer than a start used to wait before it played on its own
        ::kill(pid_t(m_program.processId()), SIGCONT);
        QVERIFY2(
            DesktopSession::waitFor([&] { return running() == 0; }, 15000), qPrintable(QString::number(running())));
        for (const auto& start : starts)
            QCOMPARE(start->exitCode(), 0);
        expected = QStringList { file("alpha.mp3") } + crowd.mid(0, 3);
        std::sort(expected.begin(), expected.end());
        QVERIFY(DesktopSession::waitFor([&] { return keptSongs() == expected; }, 10000));
        quitProgram();
    }
};

int main(int argc, char** argv)
{
    return runDesktopTest<TestStartupEndToEnd>(argc, argv);
}

#include "tst_startup_e2e.moc"
