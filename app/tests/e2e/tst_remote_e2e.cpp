#include "DesktopEndToEnd.h"

// The program as its remote controls drive it: files on the command line, a second start with files, media keys,
// the command line's own commands, playerctl and sound applets over MPRIS.
class TestRemoteEndToEnd : public DesktopEndToEnd
{
    Q_OBJECT

private slots:
    // Started without songs: everything that needs one is refused, as the disabled menu entries are.
    void emptyPlayerOverMpris()
    {
        ensurePlayer({});
        QVERIFY(DesktopSession::waitFor([&] { return !all(playerInterface).isEmpty(); }, 10000));
        const QVariantMap root = all(QStringLiteral("org.mpris.MediaPlayer2"));
        QCOMPARE(root.value(QStringLiteral("Identity")).toString(), QStringLiteral("Vireo"));
        QCOMPARE(root.value(QStringLiteral("SupportedUriSchemes")).toStringList(),
            (QStringList { "file", "http", "https" }));
        const QStringList types = root.value(QStringLiteral("SupportedMimeTypes")).toStringList();
        for (const char* type : { "audio/mpeg", "audio/flac", "audio/x-opus+ogg", "audio/x-vorbis+ogg" })
            QVERIFY2(types.contains(QLatin1String(type)), type);
        QVERIFY(!types.contains(QStringLiteral("inode/directory")));
        const QVariantMap player = all(playerInterface);
        QCOMPARE(player.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
        QCOMPARE(player.value(QStringLiteral("CanPlay")), QVariant(false));
        QCOMPARE(player.value(QStringLiteral("CanGoNext")), QVariant(false));
        command("PlayPause");
        QTest::qWait(300);
        QCOMPARE(this->player("PlaybackStatus").toString(), QStringLiteral("Stopped"));
    }

    void commandLineStartPlaysTheFiles()
    {
        startProgram(programEnvironment(), { file("alpha.mp3"), file("beta.ogg"), file("gamma.wav") });
        QVERIFY2(becomes("Playing", 10000), "the program did not report playing over MPRIS");
        QCOMPARE(title(), QStringLiteral("alpha.mp3"));
        QCOMPARE(player("CanGoPrevious"), QVariant(false)); // the first song
        QCOMPARE(player("CanGoNext"), QVariant(true));
        QVERIFY(level(1000) > 1000.0);
        // A normal start on a desktop with a tray has nothing to complain about.
        QCOMPARE(QString::fromUtf8(m_program.readAllStandardError()), QString());
    }

    void mediaKeysDriveThePlayer()
    {
        ensurePlayer({ file("alpha.mp3"), file("beta.ogg"), file("gamma.wav") });
        m_changes.clear();
        command("Next");
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("beta.ogg"); }, 3000));
        QVERIFY(level(300) > 1000.0);
        command("PlayPause");
        QVERIFY(becomes("Paused"));
        QTest::qWait(300);
        QVERIFY(pulse->startRecording());
        QTest::qWait(800);
        QVERIFY(PulseServer::rms(pulse->takeRecording()) < 100.0);
        command("Pause"); // already paused: stays
        command("Play");
        QVERIFY(becomes("Playing"));
        QTest::qWait(300);
        QVERIFY(level(800) > 1000.0);
        // Each change was announced once, with every key that changed and none that did not; the new song's
        // length among them, once GStreamer knows it.
        QStringList statuses;
        bool lengthAnnounced = false;
        for (const QVariantMap& change : std::as_const(m_changes)) {
            QVERIFY(!change.contains(QStringLiteral("Volume")));
            if (change.contains(QStringLiteral("PlaybackStatus")))
                statuses << change.value(QStringLiteral("PlaybackStatus")).toString();
            const QVariantMap metadata = qdbus_cast<QVariantMap>(change.value(QStringLiteral("Metadata")));
            lengthAnnounced |= metadata.value(QStringLiteral("mpris:length")).toLongLong() > 0;
        }
        QCOMPARE(statuses, (QStringList { "Paused", "Playing" }));
        QVERIFY(m_changes.first().contains(QStringLiteral("Metadata")));
        QVERIFY(lengthAnnounced);
        command("Stop");
        QVERIFY(becomes("Stopped"));
        command("Play");
        QVERIFY(becomes("Playing"));
    }

    void seeking()
    {
        ensurePlayer({ file("beta.ogg") });
        m_seeks.clear();
        command("Seek", { qlonglong(5000000) });
        QVERIFY(DesktopSession::waitFor([&] { return m_seeks.size() == 1; }, 3000));
        QVERIFY(DesktopSession::waitFor([&] { return player("Position").toLongLong() >= 5000000; }, 3000));
        const QVariant track = qdbus_cast<QVariantMap>(player("Metadata")).value(QStringLiteral("mpris:trackid"));
        command("SetPosition", { track, qlonglong(12000000) });
        QVERIFY(DesktopSession::waitFor([&] { return m_seeks.size() == 2; }, 3000));
        QCOMPARE(m_seeks.last(), qlonglong(12000000));
        command("SetPosition",
            { QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/vireo/track/99"))), qlonglong(1000000) });
        QTest::qWait(300);
        QCOMPARE(m_seeks.size(), 2); // another track's id is ignored
    }

    // A seek past the end of a song, as MPRIS has it, is Next: also in the song's last second, when the song after
    // it is already on its way; past the last song's end the list ends.
    void seekPastTheEnd()
    {
        startProgram(programEnvironment(), { file("alpha.mp3"), file("beta.ogg") });
        QVERIFY(becomes("Playing", 10000));
        for (const char* song : { "alpha.mp3", "beta.ogg" }) {
            QVERIFY(DesktopSession::waitFor(
                [&] { return title() == QLatin1String(song) && player("CanSeek").toBool(); }, 5000));
            const QVariant track = metadata().value(QStringLiteral("mpris:trackid"));
            command("SetPosition", { track, qlonglong(19300000) });
            QVERIFY(DesktopSession::waitFor([&] { return player("Position").toLongLong() >= 19300000; }, 3000));
            command("Seek", { qlonglong(5000000) });
        }
        QVERIFY(becomes("Stopped", 5000));
        quitProgram();
    }

    // OpenUri takes local files and internet streams (a small radio here, which sends a stream title as
    // SHOUTcast servers do): the stream is heard at the sink and its title reaches MPRIS and a notification.
    // Another machine's file and other schemes change nothing. A stream that cannot be reached is passed over,
    // as a second start hands it over with another.
    void openUriTakesFilesAndStreams()
    {
        ensurePlayer({ file("beta.ogg") });
        command("OpenUri", { QStringLiteral("file://remote-host/a.mp3") });
        command("OpenUri", { QStringLiteral("ftp://127.0.0.1/a.mp3") });
        QTest::qWait(300);
        QCOMPARE(title(), QStringLiteral("beta.ogg"));

        QProcess radio;
        radio.start(QStringLiteral("python3"),
            { QStringLiteral(VIREO_STREAM_SERVER), m_media.path(), QStringLiteral("Night Song") });
        // The whole first line: on a loaded machine it may come in parts.
        QVERIFY(DesktopSession::waitFor([&] { return radio.canReadLine(); }, 10000));
        const QString site = QStringLiteral("http://127.0.0.1:%1/")
                                 .arg(QString::fromUtf8(radio.readLine()).section(QLatin1Char(' '), 1).trimmed());
        const auto stop = qScopeGuard([&] {
            radio.kill();
            radio.waitForFinished(3000);
        });
        QVERIFY(serveNotifications());
        // A station reached with a user name and password: both stay with the player.
        command("OpenUri",
            { QString(site).replace(QLatin1String("//"), QLatin1String("//listener:secret@"))
                + QStringLiteral("delta.mp3") });
        QVERIFY2(
            DesktopSession::waitFor([&] { return title() == QLatin1String("Night Song"); }, 5000), qPrintable(title()));
        const QString address = metadata().value(QStringLiteral("xesam:url")).toString();
        QVERIFY2(address == site + QLatin1String("delta.mp3"), qPrintable(address));
        // A station's title has no artist: the body names the program rather than being empty.
        QVERIFY2(DesktopSession::waitFor(
                     [&] {
                         return !m_notifications.shown.isEmpty()
                             && m_notifications.shown.last() == QLatin1String("Night Song\nVireo");
                     },
                     3000),
            qPrintable(m_notifications.shown.join(QLatin1Char('|'))));
        QVERIFY(becomes("Playing", 5000));
        QVERIFY(level(800) > 1000.0);
        // A station that says nothing of what it plays is named by its own name.
        command("OpenUri", { site + QStringLiteral("untitled-delta.mp3") });
        QVERIFY2(DesktopSession::waitFor([&] { return title() == QLatin1String("Vireo Test Radio"); }, 5000),
            qPrintable(title()));

        QProcess second;
        second.setProcessEnvironment(programEnvironment());
        second.start(QStringLiteral(VIREO_BINARY),
            { site + QStringLiteral("missing.mp3"), site + QStringLiteral("epsilon.ogg") });
        QVERIFY(second.waitForFinished(10000));
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("epsilon.ogg"); }, 8000));
        QVERIFY(becomes("Playing", 5000));

        // A station after a song that ends by itself is a song of its own: no length, its name, its title.
        QVERIFY(AudioFixtures::makeTone(file("short.ogg"), 1500, 440));
        second.start(QStringLiteral(VIREO_BINARY), { file("short.ogg"), site + QStringLiteral("untitled-delta.mp3") });
        QVERIFY(second.waitForFinished(10000));
        QVERIFY2(DesktopSession::waitFor([&] { return title() == QLatin1String("Vireo Test Radio"); }, 8000),
            qPrintable(title()));
        QCOMPARE(metadata().value(QStringLiteral("mpris:length")).toLongLong(), 0);

        // The radio's connection drops after every second of sound: the stream is opened again and again, after
        // growing pauses (1, 1, 2 s, ...), and the list stays with it (for two minutes in all).
        radio.readAllStandardOutput();
        second.start(QStringLiteral(VIREO_BINARY),
            { site + QStringLiteral("cut-delta.mp3"), site + QStringLiteral("epsilon.ogg") });
        QVERIFY(second.waitForFinished(10000));
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("Night Song"); }, 5000));
        QByteArray requests;
        QVERIFY2(DesktopSession::waitFor(
                     [&] {
                         requests += radio.readAllStandardOutput();
                         return requests.count("get /cut-delta.mp3") >= 4; // heard, then opened again three times
                     },
                     15000),
            requests.constData());
        QCOMPARE(title(), QStringLiteral("Night Song"));

        command("OpenUri", { QUrl::fromLocalFile(file("gamma.wav")).toString(QUrl::FullyEncoded) });
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("gamma.wav"); }, 3000));
    }

    void secondStartHandsItsFilesToTheFirst()
    {
        ensurePlayer({ file("alpha.mp3") });
        QProcess second;
        second.setProcessEnvironment(programEnvironment());
        second.start(QStringLiteral(VIREO_BINARY), { file("delta.mp3"), file("epsilon.ogg") });
        QVERIFY(DesktopSession::waitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("delta.mp3"); }, 3000));
        QCOMPARE(player("CanGoNext"), QVariant(true));
        command("Next");
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("epsilon.ogg"); }, 3000));
        QCOMPARE(player("CanGoNext"), QVariant(false)); // the list holds the two files only
        QCOMPARE(player("CanGoPrevious"), QVariant(true));
        command("Next");
        QTest::qWait(300);
        QCOMPARE(title(), QStringLiteral("epsilon.ogg"));
    }

    // The command line as a remote control: help, the version and mistakes are answered alone; the player's
    // commands, added files and play lists reach the running player; with none running a command fails and says
    // so.
    void commandLineRemote()
    {
        ensurePlayer({ file("epsilon.ogg") });
        const auto run = [](const QProcessEnvironment& env, const QStringList& args, QString* said = nullptr) {
            QProcess vireo;
            vireo.setProcessEnvironment(env);
            vireo.start(QStringLiteral(VIREO_BINARY), args);
            if (!vireo.waitForFinished(10000)) {
                vireo.kill();
                vireo.waitForFinished(3000);
                return -1;
            }
            if (said)
                *said = QString::fromLocal8Bit(vireo.readAllStandardOutput() + vireo.readAllStandardError());
            return vireo.exitStatus() == QProcess::NormalExit ? vireo.exitCode() : -1;
        };
        const QProcessEnvironment env = programEnvironment();
        QString said;
        QCOMPARE(run(env, { QStringLiteral("--help") }, &said), 0);
        QVERIFY2(
            said.contains(QLatin1String("--enqueue")) && said.contains(QLatin1String("--previous")), qPrintable(said));
        QCOMPARE(run(env, { QStringLiteral("--version") }, &said), 0);
        QCOMPARE(said, QStringLiteral("vireo " VIREO_VERSION "\n"));
        QCOMPARE(run(env, { QStringLiteral("--shuffle-all"), file("delta.mp3") }, &said), 2);
        QVERIFY2(said.contains(QLatin1String("shuffle-all")), qPrintable(said));
        QCOMPARE(run(env, { QStringLiteral("--next"), file("delta.mp3") }, &said), 2);
        QCOMPARE(title(), QStringLiteral("epsilon.ogg")); // neither mistake handed anything over

        QCOMPARE(run(env, { QStringLiteral("--pause") }), 0);
        QVERIFY(becomes("Paused"));
        QCOMPARE(run(env, { QStringLiteral("--play-pause") }), 0);
        QVERIFY(becomes("Playing"));
        QCOMPARE(player("CanGoNext"), QVariant(false));
        QCOMPARE(run(env, { QStringLiteral("--enqueue"), file("gamma.wav") }), 0);
        QVERIFY(DesktopSession::waitFor([&] { return player("CanGoNext").toBool(); }, 3000));
        QCOMPARE(title(), QStringLiteral("epsilon.ogg"));
        QCOMPARE(player("PlaybackStatus").toString(), QStringLiteral("Playing"));
        QCOMPARE(run(env, { QStringLiteral("--next") }), 0);
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("gamma.wav"); }, 3000));
        QCOMPARE(run(env, { QStringLiteral("--previous") }), 0);
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("epsilon.ogg"); }, 3000));
        QCOMPARE(run(env, { QStringLiteral("--stop") }), 0);
        QVERIFY(becomes("Stopped"));
        QCOMPARE(run(env, { QStringLiteral("--play") }), 0);
        QVERIFY(becomes("Playing"));
        // Keys for seek and volume, as a desktop's shortcuts run them; values that are no such numbers are errors.
        const double volume = player("Volume").toDouble();
        QCOMPARE(run(env, { QStringLiteral("--volume"), QStringLiteral("-5") }), 0);
        QVERIFY(
            DesktopSession::waitFor([&] { return qAbs(player("Volume").toDouble() - (volume - 0.05)) < 0.001; }, 3000));
        QCOMPARE(run(env, { QStringLiteral("--volume=+5") }), 0);
        QVERIFY(DesktopSession::waitFor([&] { return qAbs(player("Volume").toDouble() - volume) < 0.001; }, 3000));
        const qlonglong before = player("Position").toLongLong();
        QCOMPARE(run(env, { QStringLiteral("--seek"), QStringLiteral("+5") }), 0);
        QVERIFY2(DesktopSession::waitFor([&] { return player("Position").toLongLong() >= before + 5000000; }, 3000),
            qPrintable(QStringLiteral("%1 after %2").arg(player("Position").toLongLong()).arg(before)));
        QCOMPARE(run(env, { QStringLiteral("--seek"), QStringLiteral("-4") }), 0);
        QVERIFY(DesktopSession::waitFor([&] { return player("Position").toLongLong() < before + 4000000; }, 3000));
        QCOMPARE(run(env, { QStringLiteral("--seek"), QStringLiteral("ahead") }, &said), 2);
        QVERIFY2(said.contains(QLatin1String("--seek")), qPrintable(said));
        QCOMPARE(run(env, { QStringLiteral("--volume"), QStringLiteral("+500") }, &said), 2);
        QCOMPARE(run(env, { QStringLiteral("--help") }, &said), 0);
        QVERIFY2(said.contains(QLatin1String("--seek <seconds>")) && said.contains(QLatin1String("--volume <percent>")),
            qPrintable(said));

        // A play list handed over stands for the songs it names, by the titles it gives them where it does.
        QVERIFY(AudioFixtures::writeBytes(
            file("mix.m3u"), "#EXTM3U\n#EXTINF:20,Beta\nbeta.ogg\n" + file("alpha.mp3").toUtf8() + "\n"));
        QCOMPARE(run(env, { file("mix.m3u") }), 0);
        QVERIFY2(DesktopSession::waitFor([&] { return title() == QLatin1String("Beta"); }, 3000), qPrintable(title()));
        QCOMPARE(player("CanGoNext"), QVariant(true));
        command("Next");
        QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("alpha.mp3"); }, 3000));

        // A player that is stopped for a while (SIGSTOP) is told the truth about: it has the command, and carries
        // it out when it goes on.
        QVERIFY(becomes("Playing"));
        QCOMPARE(::kill(pid_t(m_program.processId()), SIGSTOP), 0);
        {
            const auto thaw = qScopeGuard([this] { ::kill(pid_t(m_program.processId()), SIGCONT); });
            QCOMPARE(run(env, { QStringLiteral("--pause") }, &said), 1);
        }
        QVERIFY2(said.contains(QLatin1String("carries it out when it goes on")), qPrintable(said));
        QVERIFY(becomes("Paused"));
        command("Play");

        PrivateBus empty;
        QProcessEnvironment alone = env;
        alone.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), empty.address());
        QCOMPARE(run(alone, { QStringLiteral("--next") }, &said), 1);
        QVERIFY2(said.contains(QLatin1String("not running")), qPrintable(said));
    }

    // A desktop shortcut runs `vireo -j`: the running player's "Jump to Song" window comes up with the keyboard in
    // it; a few typed letters and Enter play the song, Ctrl+Enter has one play next, Escape closes the window.
    void jumpToSongFromAShortcut()
    {
        const QStringList songs { file("alpha.mp3"), file("beta.ogg"), file("gamma.wav"), file("delta.mp3") };
        if (m_program.state() == QProcess::NotRunning) {
            ensurePlayer(songs);
        } else {
            QProcess open;
            open.setProcessEnvironment(programEnvironment());
            open.start(QStringLiteral(VIREO_BINARY), songs);
            QVERIFY(open.waitForFinished(10000) && open.exitCode() == 0);
            QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String("alpha.mp3"); }, 5000));
        }
        const auto jump = [&] {
            QProcess start;
            start.setProcessEnvironment(programEnvironment());
            start.start(QStringLiteral(VIREO_BINARY), { QStringLiteral("-j") });
            return start.waitForFinished(10000) && start.exitCode() == 0
                && DesktopSession::waitFor(
                    [] { return DesktopSession::windowTree().contains(QLatin1String("\"Jump to Song\"")); }, 5000);
        };
        const auto typed = [](const QString& text, const QString& key) {
            DesktopSession::xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text });
            DesktopSession::xdotool({ QStringLiteral("key"), key });
        };
        QVERIFY(jump());
        typed(QStringLiteral("gam wav"), QStringLiteral("Return"));
        QVERIFY2(
            DesktopSession::waitFor([&] { return title() == QLatin1String("gamma.wav"); }, 5000), qPrintable(title()));
        QVERIFY(DesktopSession::waitFor(
            [] { return !DesktopSession::windowTree().contains(QLatin1String("\"Jump to Song\"")); }, 3000));

        QVERIFY(jump());
        typed(QStringLiteral("alpha"), QStringLiteral("ctrl+Return"));
        DesktopSession::xdotool({ QStringLiteral("key"), QStringLiteral("Escape") });
        QVERIFY(DesktopSession::waitFor(
            [] { return !DesktopSession::windowTree().contains(QLatin1String("\"Jump to Song\"")); }, 3000));
        QCOMPARE(title(), QStringLiteral("gamma.wav"));
        command("Next");
        QVERIFY2(
            DesktopSession::waitFor([&] { return title() == QLatin1String("alpha.mp3"); }, 3000), qPrintable(title()));
        command("Next");
        QVERIFY2(
            DesktopSession::waitFor([&] { return title() == QLatin1String("delta.mp3"); }, 3000), qPrintable(title()));
    }
};

int main(int argc, char** argv)
{
    return runDesktopTest<TestRemoteEndToEnd>(argc, argv);
}

#include "tst_remote_e2e.moc"
