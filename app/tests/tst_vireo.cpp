#include "TrayControllerTest.h"

// The tray controller's menu and icon: what they show after a start, the play modes, the sleep timer, the wheel,
// drops, and what a radio that waits or goes away looks like.
class TestVireo : public TrayControllerTest
{
    Q_OBJECT

private slots:
    void menuAfterStart_data()
    {
        QTest::addColumn<bool>("storeBuild");
        QTest::newRow("independent build") << false;
        QTest::newRow("store build") << true;
    }

    void menuAfterStart()
    {
        QFETCH(bool, storeBuild);
        QFile::remove(marker);
        if (!storeBuild)
            QVERIFY(AudioFixtures::writeBytes(marker, ""));
        Vireo vireo;
        QFile::remove(marker);

        QStringList expected { "Drop MP3-files into the Tray-Icon", "Songs", "Jump to Song...", "-", "&Play", "&Stop",
            "-", "&Previous Song", "&Next Song", "-", "Shuffle", "Repeat", "Stop After This Song", "ReplayGain",
            "Equalizer", "Speed", "Crossfade", "Output", "Sleep Timer", "ListenBrainz...", "-" };
        if (storeBuild)
            expected << "Rate this App";
        expected << QStringList { "Share", "Join Us", "More Apps", "-", "Contacts Us", "Support Page", "About", "-",
            "Quit" };
        QCOMPARE(entries(vireo.contextMenu()), expected);

        QVERIFY(transportEnabled(vireo, false));
        QVERIFY(entry(vireo.contextMenu(), QStringLiteral("Drop MP3-files into the Tray-Icon"))->isEnabled());
        QVERIFY(entry(vireo.contextMenu(), QStringLiteral("Quit"))->isEnabled());
        QCOMPARE(shownToolTip(vireo.toolTip()), QStringLiteral("Vireo"));
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Logo.png")));
        QVERIFY(vireo.isVisible());
        // A tray that gives no place for the icon (none here) leaves nothing to cover: the catcher stays hidden.
        vireo.adjustWidget();
        QVERIFY(!vireo.dropCatcher()->isVisible());
    }

    // The shuffle and repeat entries set the list's modes and show them, whoever changed them.
    void playModesInTheMenu()
    {
        Vireo vireo;
        AudioListPlayer* player = AudioListPlayer::instance();
        QAction* shuffle = entry(vireo.contextMenu(), QStringLiteral("Shuffle"));
        QMenu* repeat = entry(vireo.contextMenu(), QStringLiteral("Repeat"))->menu();
        QVERIFY(shuffle && repeat);
        shuffle->trigger();
        QVERIFY(player->isShuffleMode());
        entry(repeat, QStringLiteral("This Song"))->trigger();
        QCOMPARE(player->repeat(), AudioListPlayer::Repeat::Song);
        player->setRepeat(AudioListPlayer::Repeat::List); // as a sound applet does
        player->setShuffleMode(false);
        QVERIFY(entry(repeat, QStringLiteral("All Songs"))->isChecked());
        QVERIFY(!entry(repeat, QStringLiteral("This Song"))->isChecked());
        QVERIFY(!shuffle->isChecked());
        entry(repeat, QStringLiteral("Off"))->trigger();
        QCOMPARE(player->repeat(), AudioListPlayer::Repeat::Off);
        QAction* stopAfter = entry(vireo.contextMenu(), QStringLiteral("Stop After This Song"));
        stopAfter->trigger();
        QVERIFY(player->isStopAfterCurrent());
        player->setStopAfterCurrent(false);
        QVERIFY(!stopAfter->isChecked());

        // A speed set elsewhere (MPRIS) shows as the entry it matches, and as none between them.
        QMenu* speed = entry(vireo.contextMenu(), QStringLiteral("Speed"))->menu();
        QCOMPARE(entries(speed), (QStringList { "0.5×", "0.75×", "Normal", "1.25×", "1.5×", "2×" }));
        const auto checked = [speed] {
            QStringList texts;
            for (QAction* action : speed->actions())
                texts << (action->isChecked() ? action->text() : QString());
            return texts.join(QString());
        };
        entry(speed, QStringLiteral("0.75×"))->trigger();
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->speed(), 0.75);
        QzMultiMedia::AudioPlayer::instance()->setSpeed(1.1);
        QCOMPARE(checked(), QString());
        QzMultiMedia::AudioPlayer::instance()->setSpeed(1.5);
        QCOMPARE(checked(), QStringLiteral("1.5×"));
        entry(speed, QStringLiteral("Normal"))->trigger();
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->speed(), 1.0);

        QMenu* crossfade = entry(vireo.contextMenu(), QStringLiteral("Crossfade"))->menu();
        QCOMPARE(entries(crossfade), (QStringList { "Off", "2 Seconds", "5 Seconds", "10 Seconds" }));
        QVERIFY(entry(crossfade, QStringLiteral("Off"))->isChecked());
        entry(crossfade, QStringLiteral("5 Seconds"))->trigger();
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->crossfade(), 5000);
        entry(crossfade, QStringLiteral("Off"))->trigger();
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->crossfade(), 0);
    }

    // The sleep timer shows the minutes left in the menu; at the end the music pauses at the user's volume and
    // the timer is off again. Choosing "Off" before the end leaves the music playing.
    void sleepTimer()
    {
        qputenv("VIREO_SLEEP_MINUTE_MS", "60"); // 15 minutes last 0.9 s, the fade 10 ms
        const auto restore = qScopeGuard([] { qunsetenv("VIREO_SLEEP_MINUTE_MS"); });
        Vireo vireo;
        AudioListPlayer* player = AudioListPlayer::instance();
        dropOnIcon(vireo, { a, b });
        player->setVolume(0.4);
        QMenu* sleep = entry(vireo.contextMenu(), QStringLiteral("Sleep Timer"))->menu();
        QVERIFY(sleep);
        QCOMPARE(entries(sleep), (QStringList { "Off", "15 Minutes", "30 Minutes", "60 Minutes", "90 Minutes" }));
        entry(sleep, QStringLiteral("30 Minutes"))->trigger();
        QCOMPARE(sleep->title(), QStringLiteral("Sleep Timer (30 min left)"));
        entry(sleep, QStringLiteral("Off"))->trigger();
        QCOMPARE(sleep->title(), QStringLiteral("Sleep Timer"));
        QTest::qWait(2000);
        QVERIFY(player->isPlaying());

        entry(sleep, QStringLiteral("15 Minutes"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(sleep->title(), QStringLiteral("Sleep Timer (14 min left)"), 1000);
        QTRY_VERIFY_WITH_TIMEOUT(player->isPaused(), 2000);
        QCOMPARE(player->volume(), 0.4);
        QVERIFY(entry(sleep, QStringLiteral("Off"))->isChecked());
        QCOMPARE(sleep->title(), QStringLiteral("Sleep Timer"));
    }

    // Wheel turns over the icon in a burst change the volume once, by all of them together (a notch is 5 %, a
    // smooth-scrolling touchpad sends parts of one), up to the end of the scale and no further.
    void wheelBurstIsOneChange()
    {
        Vireo vireo;
        AudioListPlayer* player = AudioListPlayer::instance();
        dropOnIcon(vireo, { a });
        player->setVolume(0.5);
        QSignalSpy changes(player, &AudioListPlayer::stateChanged);
        const auto turn = [&](int angle) {
            QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(vireo.dropCatcher(), &wheel);
        };
        for (int i = 0; i < 3; ++i)
            turn(120);
        for (int i = 0; i < 4; ++i)
            turn(30); // a fourth of a notch each
        QCOMPARE(changes.count(), 0);
        QTRY_COMPARE(changes.count(), 1);
        QCOMPARE(player->volume(), 0.7);
        for (int i = 0; i < 1000; ++i)
            turn(120);
        QTRY_COMPARE(player->volume(), 1.0);
        QTest::qWait(100);
        QCOMPARE(changes.count(), 2);
    }

    // A second drop replaces the list and starts its first song.
    void dropReplacesTheList()
    {
        Vireo vireo;
        dropOnIcon(vireo, { a, b, c });
        dropOnIcon(vireo, { c, b });
        QCOMPARE(AudioListPlayer::instance()->playList(), (QList<QUrl> { c, b }));
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QCOMPARE(entries(vireo.contextMenu()).first(), QStringLiteral("third.mp3"));
        QCOMPARE(entries(songs(vireo)), (QStringList { "third.mp3", "second.ogg" }));

        // A drop without addresses disables the transport and leaves the list.
        dropOnIcon(vireo, {});
        QVERIFY(transportEnabled(vireo, false));
        QCOMPARE(AudioListPlayer::instance()->playList(), (QList<QUrl> { c, b }));
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Drop.png")));
    }

    // What a stream waits for is said in the menu's first entry: a buffer to fill before it is heard, or, once its
    // connection dropped, to be opened again. Either ends by itself, and the stream plays.
    void streamWaitsAreSaidInTheMenu_data()
    {
        QTest::addColumn<QString>("stream");
        QTest::addColumn<QString>("said");
        QTest::newRow("filling its buffer") << "slow-third.mp3" << "Buffering: ";
        QTest::newRow("opened again") << "cut-third.mp3" << "Reconnecting: ";
    }

    void streamWaitsAreSaidInTheMenu()
    {
        QFETCH(QString, stream);
        QFETCH(QString, said);
        QProcess radio;
        const QString site = startRadio(radio);
        QVERIFY(!site.isEmpty());
        const auto stop = qScopeGuard([&] {
            radio.kill();
            radio.waitForFinished(3000);
        });
        Vireo vireo;
        SongIntake::play({ QUrl(site + stream) });
        const auto saysIt = [&] { return entries(vireo.contextMenu()).first().startsWith(said); };
        QTRY_VERIFY_WITH_TIMEOUT(saysIt(), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(!saysIt(), 10000);
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        AudioListPlayer::instance()->stop();
    }

    // A radio whose server is gone for good is given up after its reconnections (here with seconds of a
    // millisecond), and the player says so once.
    void aRadioGoneIsGivenUp()
    {
        qputenv("VIREO_RECONNECT_SECOND_MS", "1");
        const auto restore = qScopeGuard([] { qunsetenv("VIREO_RECONNECT_SECOND_MS"); });
        QProcess radio;
        const QString site = startRadio(radio);
        QVERIFY(!site.isEmpty());
        Vireo vireo;
        QSignalSpy ended(QzMultiMedia::AudioPlayer::instance(), &QzMultiMedia::AudioPlayer::reconnectEnded);
        SongIntake::play({ QUrl(site + QStringLiteral("cut-third.mp3")) });
        QTRY_VERIFY_WITH_TIMEOUT(QzMultiMedia::AudioPlayer::instance()->position() > 200, 8000); // heard
        radio.kill();
        radio.waitForFinished(3000);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
        QCOMPARE(ended.first().first().toBool(), false);
        QTRY_VERIFY(!AudioListPlayer::instance()->isPlaying());
        QVERIFY(!entries(vireo.contextMenu()).first().startsWith(QStringLiteral("Reconnecting: ")));
        QTest::qWait(300);
        QCOMPARE(ended.count(), 1);
    }

    // A radio that waits to be opened again is opened by Play at once: while it waits, and after a Pause ended
    // the wait.
    void playEndsTheReconnectWait()
    {
        qputenv("VIREO_RECONNECT_SECOND_MS", "20000"); // the first wait lasts twenty seconds
        const auto restore = qScopeGuard([] { qunsetenv("VIREO_RECONNECT_SECOND_MS"); });
        QProcess radio;
        const QString site = startRadio(radio);
        QVERIFY(!site.isEmpty());
        const auto stop = qScopeGuard([&] {
            AudioListPlayer::instance()->stop();
            radio.kill();
            radio.waitForFinished(3000);
        });
        Vireo vireo;
        SongIntake::play({ QUrl(site + QStringLiteral("cut-third.mp3")) });
        QTRY_VERIFY_WITH_TIMEOUT(AudioListPlayer::instance()->isReconnecting(), 10000);
        radio.readAll(); // the requests so far
        AudioListPlayer::instance()->pause();
        QVERIFY(!AudioListPlayer::instance()->isReconnecting());
        AudioListPlayer::instance()->play();
        QTRY_VERIFY_WITH_TIMEOUT(radio.canReadLine(), 5000);
        QVERIFY(radio.readLine().startsWith("get /cut-third.mp3"));
        // The station drops the connection again: Play, without a Pause, tries at once.
        QTRY_VERIFY_WITH_TIMEOUT(AudioListPlayer::instance()->isReconnecting(), 10000);
        radio.readAll();
        AudioListPlayer::instance()->play();
        QTRY_VERIFY_WITH_TIMEOUT(radio.canReadLine(), 5000);
        QVERIFY(radio.readLine().startsWith("get /cut-third.mp3"));
    }

    void transportFollowsTheUser()
    {
        Vireo vireo;
        dropOnIcon(vireo, { a, b });
        QMenu* menu = vireo.contextMenu();

        entry(menu, QStringLiteral("&Pause"))->trigger();
        QVERIFY(AudioListPlayer::instance()->isPaused());
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Pause.png")));
        entry(menu, QStringLiteral("&Play"))->trigger(); // resumes, does not restart the list
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 0);
        QVERIFY(entry(menu, QStringLiteral("&Pause")));

        entry(menu, QStringLiteral("&Stop"))->trigger();
        QVERIFY(AudioListPlayer::instance()->isStopped());
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Stop.png")));
        QVERIFY(entry(menu, QStringLiteral("&Play")));
        QVERIFY(transportEnabled(vireo, true));
        entry(menu, QStringLiteral("&Play"))->trigger();
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Play.png")));

        entry(menu, QStringLiteral("&Next Song"))->trigger();
        QCOMPARE(entries(menu).first(), QStringLiteral("second.ogg"));
        entry(menu, QStringLiteral("&Next Song"))->trigger(); // the last song: stays, still shown as playing
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 1);
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Play.png")));
        entry(menu, QStringLiteral("&Previous Song"))->trigger();
        QCOMPARE(entries(menu).first(), QStringLiteral("First Song.wav"));

        rightClick(vireo);
        QVERIFY(AudioListPlayer::instance()->isPaused());
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Pause.png")));
        rightClick(vireo);
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QCOMPARE(shownToolTip(vireo.toolTip()), QStringLiteral("First Song.wav \u2014 Vireo"));
    }

    void dragsOfOtherThingsAreRefused()
    {
        Vireo vireo;
        dropOnIcon(vireo, { a });
        QMimeData text;
        text.setText(QStringLiteral("just words"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QCoreApplication::sendEvent(vireo.dropCatcher(), &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Drop.png")));

        // Qt routes a leave only inside a real drag (the end-to-end test makes one); here it goes to the filter.
        QDragLeaveEvent leave;
        vireo.eventFilter(vireo.dropCatcher(), &leave);
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Play.png")));

        AudioListPlayer::instance()->pause();
        QCoreApplication::sendEvent(vireo.dropCatcher(), &enter);
        vireo.eventFilter(vireo.dropCatcher(), &leave);
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Pause.png")));

        // A list played to its end shows the stopped picture, before a passing drag and after it.
        const QString shortSong = m_dir.filePath(QStringLiteral("short.wav"));
        QVERIFY(AudioFixtures::makeTone(shortSong, 300));
        dropOnIcon(vireo, { QUrl::fromLocalFile(shortSong) });
        QTRY_VERIFY_WITH_TIMEOUT(!AudioListPlayer::instance()->isPlaying(), 5000);
        QTRY_COMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Stop.png")));
        QCoreApplication::sendEvent(vireo.dropCatcher(), &enter);
        vireo.eventFilter(vireo.dropCatcher(), &leave);
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Stop.png")));
    }
};

VIREO_TEST_MAIN(TestVireo)
#include "tst_vireo.moc"
