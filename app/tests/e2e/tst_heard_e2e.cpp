#include "TrayEndToEnd.h"

// What the tray player makes heard at the test desktop's sink, chosen with real clicks: lists in order, speed,
// crossfades, the equalizer, outputs that come and go, a sound server taken away and given back, a song deleted
// while it plays.
class TestHeardEndToEnd : public TrayEndToEnd
{
    Q_OBJECT

private slots:
    // A play list and a CUE sheet dropped on the icon stand for their songs: heard at the sink in order, each whole
    // and without a break between them, named by the titles the list gives them. (Each list format's reading is
    // the song intake's test.)
    void playListsDroppedAreHeardInOrder_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("M3U") << "tones.m3u"
                             << QByteArray("#EXTM3U\n#EXTINF:2,Low\nlow.flac\n#EXTINF:2,Middle\nmiddle.flac\n"
                                           "#EXTINF:2,High\nhigh.flac\n");
        QTest::newRow("CUE sheet over one image")
            << "tones.cue"
            << QByteArray("FILE \"tones.flac\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"Low\"\n    INDEX 01 00:00:00\n"
                          "  TRACK 02 AUDIO\n    TITLE \"Middle\"\n    INDEX 01 00:02:00\n"
                          "  TRACK 03 AUDIO\n    TITLE \"High\"\n    INDEX 01 00:04:00\n");
    }

    void playListsDroppedAreHeardInOrder()
    {
        QFETCH(QString, list);
        QFETCH(QByteArray, text);
        QVERIFY(makeTones());
        QVERIFY(AudioFixtures::writeBytes(media(list), text));
        const QString heard = heardInOrder(list, 2000);
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
        QCOMPARE(AudioListPlayer::songName(AudioListPlayer::instance()->playList().at(1)), QStringLiteral("Middle"));
    }

    // Twice as fast from the menu, songs take half their time, sound at their own pitch and follow one another
    // without a break. (A song heard in less time than the pipeline reads ahead is not taken over without a gap,
    // at any speed: these last four seconds.)
    void speedKeepsThePitch()
    {
        QVERIFY(makeTones(QStringLiteral("long "), 4000));
        QVERIFY(AudioFixtures::writeBytes(
            media(QStringLiteral("long tones.m3u")), "long low.flac\nlong middle.flac\nlong high.flac\n"));
        QVERIFY(chooseIn(QStringLiteral("Speed"), QStringLiteral("2×")));
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->speed(), 2.0);
        const QString heard = heardInOrder(QStringLiteral("long tones.m3u"), 2000);
        QVERIFY(chooseIn(QStringLiteral("Speed"), QStringLiteral("Normal")));
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->speed(), 1.0);
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
    }

    // "Stop After This Song" chosen in the menu while a song plays, before the next one is handed to the pipeline
    // for a join without a gap: heard at the sink, the song plays to its end and nothing of the next one sounds.
    void stopAfterThisSongIsHeardToStop()
    {
        QVERIFY(AudioFixtures::makeTone(media(QStringLiteral("stop low.flac")), 4000, 440));
        QVERIFY(AudioFixtures::makeTone(media(QStringLiteral("stop middle.flac")), 4000, 660));
        m_vireo->transportAction(Vireo::Transport::Stop)->trigger();
        QVERIFY(dragFiles({ media(QStringLiteral("stop low.flac")), media(QStringLiteral("stop middle.flac")) }));
        AudioListPlayer* player = AudioListPlayer::instance();
        QVERIFY(DesktopSession::waitFor(
            [&] { return player->isPlaying() && QzMultiMedia::AudioPlayer::instance()->position() > 1000; }, 5000));
        QVERIFY(choose(QStringLiteral("Stop After This Song")));
        QVERIFY(player->isStopAfterCurrent());
        QVERIFY(pulse->startRecording());
        QVERIFY(DesktopSession::waitFor([&] { return !player->isPlaying(); }, 10000));
        QTest::qWait(500);
        const QVector<qint16> sound = pulse->takeRecording();
        constexpr int Window = PulseServer::Rate / 50;
        int low = 0, middle = 0;
        for (qsizetype at = 0; at + Window <= sound.size(); at += Window) {
            const QVector<qint16> piece = sound.mid(at, Window);
            if (PulseServer::rms(piece) <= 200)
                continue;
            const bool isMiddle = PulseServer::toneAmplitude(piece, 660) > PulseServer::toneAmplitude(piece, 440);
            (isMiddle ? middle : low) += 20;
        }
        QVERIFY2(low > 1000 && middle <= 20,
            qPrintable(QStringLiteral("%1 ms of the song, %2 ms of the next").arg(low).arg(middle)));
        QCOMPARE(player->currentNumber(), 1); // stopped, with the next song ready to play
        QVERIFY(!player->isStopAfterCurrent()); // for the one song only
    }

    // With "Crossfade" at two seconds, a song of another album fades into the one before, heard at the sink as two
    // seconds in which both sound (at equal power: never a break); the next song of the same album follows without
    // a gap and without overlapping.
    void crossfadeBetweenAlbumsOnly_data()
    {
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("tone");
        QTest::addColumn<int>("overlapMs"); // the least; the most is half a second more
        QTest::newRow("another album") << "Two/b.flac" << 880 << 1200;
        QTest::newRow("the same album") << "One/a2.flac" << 660 << 0;
    }

    void crossfadeBetweenAlbumsOnly()
    {
        QFETCH(QString, second);
        QFETCH(int, tone);
        QFETCH(int, overlapMs);
        for (const auto& [name, frequency, album] :
            { std::tuple { "One/a.flac", 440, "One" }, { "One/a2.flac", 660, "One" }, { "Two/b.flac", 880, "Two" } }) {
            const QString path = media(QLatin1String(name));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QVERIFY(QFile::exists(path)
                || AudioFixtures::makeTone(
                    path, 4000, frequency, QStringLiteral("album=%1").arg(QLatin1String(album))));
        }
        m_vireo->transportAction(Vireo::Transport::Stop)->trigger();
        QVERIFY(chooseIn(QStringLiteral("Crossfade"), QStringLiteral("2 Seconds")));
        const auto off = qScopeGuard([this] { chooseIn(QStringLiteral("Crossfade"), QStringLiteral("Off")); });
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->crossfade(), 2000);
        QVERIFY(pulse->startRecording());
        dropOnIcon(
            *m_vireo, { QUrl::fromLocalFile(media(QStringLiteral("One/a.flac"))), QUrl::fromLocalFile(media(second)) });
        QVERIFY(DesktopSession::waitFor([] { return !AudioListPlayer::instance()->isPlaying(); }, 12000));
        QTest::qWait(300);
        const QVector<qint16> sound = pulse->takeRecording();
        const auto [both, first, then, heard] = overlap(sound, 440, tone);
        QVERIFY2(both >= overlapMs && both <= overlapMs + 500 && first > 3300 && then > 3300
                && !heard.contains(QLatin1String("broke")),
            qPrintable(heard));
    }

    // A song chosen while another plays takes over in a short fade where songs cross-fade.
    void aSongChosenTakesOverInAShortFade()
    {
        for (const auto& [name, frequency] : { std::pair { "Chosen/a.flac", 440 }, { "Chosen/b.flac", 880 } }) {
            const QString path = media(QLatin1String(name));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QVERIFY(QFile::exists(path) || AudioFixtures::makeTone(path, 6000, frequency));
        }
        m_vireo->transportAction(Vireo::Transport::Stop)->trigger();
        QVERIFY(chooseIn(QStringLiteral("Crossfade"), QStringLiteral("10 Seconds")));
        const auto off = qScopeGuard([this] { chooseIn(QStringLiteral("Crossfade"), QStringLiteral("Off")); });
        QVERIFY(pulse->startRecording());
        dropOnIcon(*m_vireo,
            { QUrl::fromLocalFile(media(QStringLiteral("Chosen/a.flac"))),
                QUrl::fromLocalFile(media(QStringLiteral("Chosen/b.flac"))) });
        QVERIFY(DesktopSession::waitFor([] { return QzMultiMedia::AudioPlayer::instance()->position() > 1500; }, 5000));
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QVERIFY(DesktopSession::waitFor([] { return QzMultiMedia::AudioPlayer::instance()->position() > 1500; }, 5000));
        m_vireo->transportAction(Vireo::Transport::Stop)->trigger();
        const auto [both, first, then, heard] = overlap(pulse->takeRecording(), 440, 880);
        QVERIFY2(both >= 400 && both <= 1000 && first > 1000 && then > 1000 && !heard.contains(QLatin1String("broke")),
            qPrintable(heard));
    }

    // Chosen with real clicks in the menu: an equalizer preset shapes the sound at once, and neither choosing one
    // nor turning it off again breaks the music.
    void equalizerIsHeardAtOnce()
    {
        const QString low = media(QStringLiteral("low.wav"));
        QVERIFY(QFile::exists(low) || AudioFixtures::makeTone(low, 30000, 60));
        dropOnIcon(*m_vireo, { QUrl::fromLocalFile(low) });
        QzMultiMedia::AudioPlayer* player = QzMultiMedia::AudioPlayer::instance();
        QVERIFY(DesktopSession::waitFor([&] { return player->position() > 500; }, 5000));
        const auto level = [] {
            if (!pulse->startRecording())
                return -1.0;
            QTest::qWait(300);
            return PulseServer::rms(pulse->takeRecording());
        };
        const double flat = level();
        QVERIFY(flat > 1000.0);
        QVERIFY(pulse->startRecording());
        QVERIFY(chooseIn(QStringLiteral("Equalizer"), QStringLiteral("Bass Boost")));
        QCOMPARE(QzMultiMedia::AudioListPlayer::instance()->equalizer(), QzMultiMedia::Equalizer::BassBoost);
        QTest::qWait(1500); // the change reaches the sink after what the output held already
        const QVector<qint16> across = pulse->takeRecording();
        QVERIFY2(PulseServer::longestBreak(across) * 1000 / PulseServer::Rate <= 3,
            qPrintable(QString::number(PulseServer::longestBreak(across))));
        double boosted = 0.0;
        QVERIFY2(DesktopSession::waitFor([&] { return (boosted = level()) > 1.3 * flat; }, 5000),
            qPrintable(QStringLiteral("%1 against %2").arg(boosted).arg(flat)));
        QVERIFY(chooseIn(QStringLiteral("Equalizer"), QStringLiteral("Off")));
        double off = 0.0;
        QVERIFY2(DesktopSession::waitFor([&] { return qAbs((off = level()) - flat) < 0.05 * flat; }, 5000),
            qPrintable(QStringLiteral("%1 against %2").arg(off).arg(flat)));
    }

    // A second output comes (headphones plugged in): "Output" lists it, and choosing it there moves the music to it
    // without stopping; "System Default" brings it back; unplugged, it leaves the list.
    void outputsComeAndGo()
    {
        const QString low = media(QStringLiteral("low.wav"));
        QVERIFY(QFile::exists(low) || AudioFixtures::makeTone(low, 30000, 60));
        const QString module = PulseServer::pactl({ QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
            QStringLiteral("sink_name=vireo_other"), QStringLiteral("sink_properties=device.description=Headphones") });
        QVERIFY(!module.isEmpty());
        const auto unplug = qScopeGuard([&] {
            QzMultiMedia::AudioPlayer::instance()->setOutput(QString());
            PulseServer::pactl({ QStringLiteral("unload-module"), module });
        });
        dropOnIcon(*m_vireo, { QUrl::fromLocalFile(low) });
        const auto level = [](const QString& sink) {
            if (!pulse->startRecording(sink))
                return -1.0;
            QTest::qWait(300);
            return PulseServer::rms(pulse->takeRecording());
        };
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_test")) > 1000.0; }, 5000));

        QVERIFY(chooseIn(QStringLiteral("Output"), QStringLiteral("Headphones")));
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->output(), QStringLiteral("vireo_other"));
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_other")) > 1000.0; }, 5000));
        QVERIFY(level(QStringLiteral("vireo_test")) < 100.0);
        QVERIFY(QzMultiMedia::AudioListPlayer::instance()->isPlaying());

        QVERIFY(chooseIn(QStringLiteral("Output"), QStringLiteral("System Default")));
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->output(), QString());
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_test")) > 1000.0; }, 5000));

        PulseServer::pactl({ QStringLiteral("unload-module"), module });
        QVERIFY(DesktopSession::waitFor(
            [] {
                const auto outputs = QzMultiMedia::SoundOutputs::instance()->outputs();
                return std::none_of(outputs.cbegin(), outputs.cend(),
                    [](const QzMultiMedia::SoundOutputs::Output& o) { return o.id == QLatin1String("vireo_other"); });
            },
            5000));
    }

    // The chosen output unplugged while it plays: the music goes on on the default output through Next, and goes
    // back to the chosen one when it returns. Its submenu, rebuilt as outputs come and go, keeps no old entries.
    void aChosenOutputUnplugged()
    {
        const QString low = media(QStringLiteral("low.wav"));
        const QString lower = media(QStringLiteral("lower.wav"));
        QVERIFY(QFile::exists(low) || AudioFixtures::makeTone(low, 30000, 60));
        QVERIFY(QFile::exists(lower) || AudioFixtures::makeTone(lower, 30000, 50));
        const QStringList plug { QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
            QStringLiteral("sink_name=vireo_other"), QStringLiteral("sink_properties=device.description=Headphones") };
        QString module = PulseServer::pactl(plug);
        QVERIFY(!module.isEmpty());
        const auto unplug = qScopeGuard([&] {
            QzMultiMedia::AudioPlayer::instance()->setOutput(QString());
            PulseServer::pactl({ QStringLiteral("unload-module"), module });
        });
        dropOnIcon(*m_vireo, { QUrl::fromLocalFile(low), QUrl::fromLocalFile(lower), QUrl::fromLocalFile(low) });
        const auto level = [](const QString& sink) {
            if (!pulse->startRecording(sink))
                return -1.0;
            QTest::qWait(300);
            return PulseServer::rms(pulse->takeRecording());
        };
        QVERIFY(chooseIn(QStringLiteral("Output"), QStringLiteral("Headphones")));
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_other")) > 1000.0; }, 5000));
        // Every entry the program holds, shown or not.
        const auto entries = [this] {
            return m_vireo->findChildren<QAction*>().size() + m_vireo->contextMenu()->findChildren<QAction*>().size();
        };
        const qsizetype before = entries();

        PulseServer::pactl({ QStringLiteral("unload-module"), module });
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_test")) > 1000.0; }, 5000));
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QVERIFY2(DesktopSession::waitFor(
                     [&] {
                         return QzMultiMedia::AudioListPlayer::instance()->currentNumber() == 1
                             && level(QStringLiteral("vireo_test")) > 1000.0;
                     },
                     5000),
            "the next song was not heard on the default output");
        QVERIFY(QzMultiMedia::AudioListPlayer::instance()->isPlaying());

        module = PulseServer::pactl(plug);
        QVERIFY(!module.isEmpty());
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_other")) > 1000.0; }, 5000));
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->output(), QStringLiteral("vireo_other"));
        QVERIFY(chooseIn(QStringLiteral("Output"), QStringLiteral("Headphones")));
        QVERIFY2(entries() <= before, qPrintable(QStringLiteral("%1 entries, %2 before").arg(entries()).arg(before)));
    }

    // Without a sound server nothing can be heard: the list does not run through its songs as if they were bad,
    // it stops and shows it.
    void noSoundServer()
    {
        pulse->stop();
        dropOnIcon(*m_vireo, { song("a.mp3"), song("b.ogg") });
        QVERIFY(DesktopSession::waitFor([&] { return showsStop(); }, 3000));
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 0);
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QVERIFY(DesktopSession::waitFor([&] { return showsStop(); }, 3000));
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("b.ogg"));
    }

    // The server comes back: Play tries again, and the song is heard.
    void soundServerComesBack()
    {
        if (AudioListPlayer::instance()->playList() != QList<QUrl> { song("a.mp3"), song("b.ogg") })
            noSoundServer();
        QVERIFY(pulse->start());
        m_vireo->transportAction(Vireo::Transport::PlayPause)->trigger();
        QCOMPARE(AudioListPlayer::instance()->currentName(), QStringLiteral("b.ogg"));
        QVERIFY(hears(440, 880));
    }

    // Killed under a playing song, the server takes the sound away: the tray says so at once, and after the
    // restart the user's Play is heard.
    void soundServerKilledDuringPlaybackAndStartedAgain()
    {
        ensurePlaying({ song("a.mp3"), song("b.ogg") }, 1);
        pulse->stop();
        QVERIFY(DesktopSession::waitFor([&] { return showsStop(); }, 3000));
        QCOMPARE(AudioListPlayer::instance()->currentName(), QStringLiteral("b.ogg"));
        QVERIFY(pulse->start());
        m_vireo->transportAction(Vireo::Transport::PlayPause)->trigger();
        QVERIFY(hears(440, 880));
    }

    void songDeletedOrOverwrittenWhilePlaying()
    {
        dropOnIcon(*m_vireo, { song("victim.wav"), song("overwritten.mp3"), song("c.wav") });
        QTest::qWait(300);
        QVERIFY(QFile::remove(song("victim.wav").toLocalFile()));
        QTest::qWait(500);
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QTest::qWait(300);
        QVERIFY(
            AudioFixtures::writeBytes(song("overwritten.mp3").toLocalFile(), AudioFixtures::randomBytes(300000, 5)));
        QTest::qWait(1500); // whatever the decoder makes of it, the program is still here
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("c.wav"));
        QVERIFY(hears(440, 880));
    }
};

int main(int argc, char** argv)
{
    return runTrayTest<TestHeardEndToEnd>(argc, argv);
}

#include "tst_heard_e2e.moc"
