#include "AudioFixtures.h"
#include "GstSupport_linux.h"
#include "MediaCommon.h"
#include "NativeAudioPlayer.h"
#include "NativeAudioPlayerInternal.h"
#include "PipelineCalls_linux.h"
#include "SoundStages.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cmath>
#include <future>
#include <memory>
#include <vector>

#include <gst/gst.h>

using namespace QzMultiMedia;

// The back end against real files played into a clocked fake sink (set for the whole test in CMake).
class TestNativeAudioPlayer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const
    {
        return m_dir.filePath(name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char* name : { "tone.wav", "tone.mp3", "tone.ogg", "tone.flac" })
            QVERIFY2(AudioFixtures::makeTone(path(QLatin1String(name)), 3000), name);
        QVERIFY(AudioFixtures::makeTone(path(QStringLiteral("short.wav")), 1000));
        QVERIFY(AudioFixtures::makeTone(path(QString::fromUtf8("with space and ünïcödé ключ.ogg")), 1000));
        QVERIFY(AudioFixtures::makeToneWith(path(QStringLiteral("with video.ogg")), 1000, 440,
            QStringLiteral("vorbisenc ! mux. videotestsrc num-buffers=30 ! theoraenc ! oggmux name=mux")));
        // As on a desktop without X11: a video output looked for there crashed the program.
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        QVERIFY(AudioFixtures::writeBytes(path(QStringLiteral("random.mp3")), AudioFixtures::randomBytes(40000, 7)));
        QVERIFY(AudioFixtures::writeBytes(path(QStringLiteral("empty.mp3")), QByteArray()));
        QVERIFY(AudioFixtures::writeBytes(path(QStringLiteral("text.wav")), "This is not a sound.\n"));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.mp3")));
    }

    // Runs first on purpose: the warm-up thread and the first load meet while GStreamer is still being set up.
    void preparingRacesNothing()
    {
        NativeAudioPlayer player;
        player.prepare();
        player.prepare();
        player.setMedia(path(QStringLiteral("tone.mp3")));
        player.play();
        QVERIFY(player.isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > 200, 3000);
        {
            NativeAudioPlayer gone;
            gone.prepare(); // its destruction waits for the warm-up
        }
        QVERIFY(player.isPlaying());
    }

    void loadsEveryFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("expectedMs");
        QTest::newRow("wav") << "tone.wav" << qint64(3000);
        QTest::newRow("mp3") << "tone.mp3" << qint64(3000);
        QTest::newRow("ogg") << "tone.ogg" << qint64(3000);
        QTest::newRow("flac") << "tone.flac" << qint64(3000);
        QTest::newRow("spaces and non-ASCII") << QString::fromUtf8("with space and ünïcödé ключ.ogg") << qint64(1000);
        QTest::newRow("a video stream beside the sound") << "with video.ogg" << qint64(1000);
    }

    void loadsEveryFormat()
    {
        QFETCH(QString, name);
        QFETCH(qint64, expectedMs);
        NativeAudioPlayer player;
        player.setMedia(path(name));
        QCOMPARE(player.fileName(), path(name));
        QTRY_VERIFY2_WITH_TIMEOUT(
            qAbs(player.duration() - expectedMs) < 100, qPrintable(QString::number(player.duration())), 3000);
        QVERIFY(!player.isPlaying()); // loading never starts playback
        player.play();
        QVERIFY(player.isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > 200, 3000);
    }

    // What cannot be played leaves no player and says why, once the pipeline has found out: the file's fault,
    // or the sound output's (a sink that cannot be opened is no fault of the song). Nothing waits for it.
    void unplayableInputLeavesNoPlayer_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("sink");
        const QByteArray fake("fakesink sync=true");
        QTest::newRow("random bytes") << path(QStringLiteral("random.mp3")) << fake;
        QTest::newRow("zero bytes") << path(QStringLiteral("empty.mp3")) << fake;
        QTest::newRow("text named wav") << path(QStringLiteral("text.wav")) << fake;
        QTest::newRow("missing") << path(QStringLiteral("missing.mp3")) << fake;
        QTest::newRow("folder") << path(QStringLiteral("folder.mp3")) << fake;
        QTest::newRow("relative path") << QStringLiteral("tone.wav") << fake;
        QTest::newRow("empty name") << QString() << fake;
        QTest::newRow("no sound output") << path(QStringLiteral("tone.wav"))
                                         << QByteArray("pulsesink server=/nonexistent/vireo-pulse");
    }

    void unplayableInputLeavesNoPlayer()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, sink);
        const bool noOutput = sink.startsWith("pulsesink");
        NativeAudioPlayer player;
        QSignalSpy finished(&player, &NativeAudioPlayer::finished);
        QSignalSpy unplayable(&player, &NativeAudioPlayer::unplayable);
        QSignalSpy outputFailed(&player, &NativeAudioPlayer::outputFailed);
        QElapsedTimer clock;
        clock.start();
        qputenv("VIREO_AUDIO_SINK", sink);
        player.setMedia(file);
        qputenv("VIREO_AUDIO_SINK", "fakesink sync=true");
        player.play();
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(unplayable.count() + outputFailed.count(), 1, 3000);
        QCOMPARE(outputFailed.count(), noOutput ? 1 : 0);
        QCOMPARE(player.state(), PlayState::Failed);
        QVERIFY(player.isStopped() && !player.isPlaying() && !player.isLoaded());
        QCOMPARE(player.duration(), qint64(0));
        player.pause();
        player.stop();
        player.setPosition(500);
        QTest::qWait(700);
        QCOMPARE(finished.count(), 0);
    }

    void lifecycle()
    {
        NativeAudioPlayer player;
        QSignalSpy positions(&player, &NativeAudioPlayer::positionChanged);
        player.setMedia(path(QStringLiteral("tone.mp3")));
        QVERIFY(!player.isPlaying());

        player.play();
        QVERIFY(player.isPlaying() && !player.isPaused() && !player.isStopped());
        QTRY_VERIFY_WITH_TIMEOUT(positions.count() >= 2, 2000);
        QVERIFY(positions.last().first().toLongLong() > 0);

        player.pause();
        QVERIFY(!player.isPlaying() && player.isPaused() && !player.isStopped());
        const qint64 pausedAt = player.position();
        positions.clear();
        QTest::qWait(1200);
        QCOMPARE(positions.count(), 0); // nothing is reported while paused, not even an end
        QVERIFY(qAbs(player.position() - pausedAt) < 50);

        player.play();
        QVERIFY(player.isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(positions.count() >= 1, 1500);
        QVERIFY2(positions.first().first().toLongLong() >= pausedAt, "resumes where it paused");
        QVERIFY(positions.first().first().toLongLong() < pausedAt + 800);

        player.stop();
        QVERIFY(player.isStopped() && !player.isPlaying());
        QTRY_COMPARE_WITH_TIMEOUT(player.position(), qint64(0), 1000);
        positions.clear();
        QTest::qWait(700);
        QCOMPARE(positions.count(), 0);

        player.play();
        QVERIFY(player.isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(positions.count() >= 1, 1500);
        QVERIFY2(positions.first().first().toLongLong() < 800, "starts again from the beginning");
    }

    void finishedOnceShortlyAfterTheEnd()
    {
        NativeAudioPlayer player;
        QSignalSpy finished(&player, &NativeAudioPlayer::finished);
        player.setMedia(path(QStringLiteral("short.wav")));
        QTRY_VERIFY(player.duration() > 0);
        const qint64 length = player.duration();
        QElapsedTimer clock;
        clock.start();
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
        const qint64 elapsed = clock.elapsed();
        // The end comes as the pipeline says it; allow the test machine some scheduling slack.
        QVERIFY2(elapsed >= length - 50 && elapsed <= length + 400, qPrintable(QString::number(elapsed)));
        QCOMPARE(player.state(), PlayState::Ended);
        QVERIFY(!player.isPlaying() && !player.isPaused() && !player.isStopped());
        QVERIFY(!player.isLoaded()); // the player is given up

        player.play(); // nothing loaded any more: nothing happens
        QVERIFY(!player.isPlaying());
        QTest::qWait(600);
        QCOMPARE(finished.count(), 1);
    }

    // Songs handed over in advance follow one another inside the pipeline: each start is said once, in order,
    // with that song's own tags, and only the last song's end is an end.
    void upcomingSongsFollowInOrder()
    {
        QStringList songs;
        for (int i = 0; i < 3; ++i) {
            songs << path(QStringLiteral("chain%1.ogg").arg(i));
            QVERIFY(AudioFixtures::makeTone(songs.last(), 2000, 300 + 100 * i, QStringLiteral("title=Chain%1").arg(i)));
        }
        NativeAudioPlayer player;
        QSignalSpy finished(&player, &NativeAudioPlayer::finished);
        QStringList started;
        connect(&player, &NativeAudioPlayer::advanced, this,
            [&] { started << player.fileName() + QLatin1Char('=') + player.tags().title; });
        player.setMedia(songs.first());
        player.setUpcoming(songs.mid(1));
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QStringList expected;
        for (int i = 1; i < songs.size(); ++i)
            expected << songs.at(i) + QStringLiteral("=Chain%1").arg(i);
        QCOMPARE(started, expected);
        QCOMPARE(player.state(), PlayState::Ended);
    }

    // Pausing pauses, whatever the song knows of its length: an MP3 without a Xing header learns it only as it
    // plays. Play goes on from there.
    void pauseWhileTheLengthIsUnknown()
    {
        const QString song = path(QStringLiteral("noheader.mp3"));
        QVERIFY(AudioFixtures::makeToneWith(song, 8000, 440, QStringLiteral("lamemp3enc")));
        NativeAudioPlayer player;
        player.setMedia(song);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > 200, 3000);
        player.pause();
        QCOMPARE(player.state(), PlayState::Paused);
        const qint64 pausedAt = player.position();
        QTest::qWait(400);
        QCOMPARE(player.state(), PlayState::Paused);
        QVERIFY(qAbs(player.position() - pausedAt) < 50);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > pausedAt + 100, 2000);
        QVERIFY(player.position() < pausedAt + 1500);
    }

    void seek()
    {
        NativeAudioPlayer player;
        player.setMedia(path(QStringLiteral("tone.flac")));
        player.setPosition(1500);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(player.position() - 1500) < 60, 1000);
        QVERIFY(!player.isPlaying()); // seeking does not start
        player.stop(); // a stop rewinds a file that was moved without playing
        QTRY_COMPARE_WITH_TIMEOUT(player.position(), qint64(0), 1000);
    }

    // A place past the song's end (a damaged kept list) is never said to be a place in it, however the pipeline
    // takes it.
    void aPlacePastTheEnd()
    {
        NativeAudioPlayer player;
        player.setMedia(path(QStringLiteral("tone.wav")));
        player.setPosition(1000000000);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 1500) {
            QTest::qWait(5);
            if (player.duration() > 0)
                QVERIFY2(player.position() <= player.duration(), qPrintable(QString::number(player.position())));
        }
        QVERIFY(player.duration() > 0);
    }

    // A track of a CUE sheet's image: the player counts within it, seeks within it and ends at its end.
    void aStretchOfAFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("startMs");
        QTest::addColumn<qint64>("endMs");
        QTest::newRow("FLAC, inside") << "tone.flac" << qint64(1000) << qint64(2000);
        QTest::newRow("MP3, to the file's end") << "tone.mp3" << qint64(1800) << qint64(-1);
        QTest::newRow("WAV, from the start") << "tone.wav" << qint64(0) << qint64(1200);
    }

    void aStretchOfAFile()
    {
        QFETCH(QString, name);
        QFETCH(qint64, startMs);
        QFETCH(qint64, endMs);
        const qint64 length = (endMs < 0 ? 3000 : endMs) - startMs;
        const QString song
            = MediaCommon::localName(MediaCommon::withRange(QUrl::fromLocalFile(path(name)), startMs, endMs));
        NativeAudioPlayer player;
        QSignalSpy finished(&player, &NativeAudioPlayer::finished);
        player.setMedia(song);
        QTRY_VERIFY2_WITH_TIMEOUT(
            qAbs(player.duration() - length) < 60, qPrintable(QString::number(player.duration())), 3000);
        QElapsedTimer clock;
        clock.start();
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > 100, 2000);
        QVERIFY2(player.position() < 600, qPrintable(QString::number(player.position())));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
        QVERIFY2(qAbs(clock.elapsed() - length - 150) < 250, qPrintable(QString::number(clock.elapsed())));

        // Seeking counts from the stretch's start, and a place past its end ends it.
        player.setMedia(song);
        player.setPosition(length / 2);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(player.position() - length / 2) < 60, 2000);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > length / 2 + 100, 2000);
        player.setPosition(length + 5000);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 2000);
    }

    // The tracks of one image in order are one run through the file: each is said as it starts, at its border, and
    // only the last one ends. A list changed under a track ends the run at that track's border.
    void stretchesOfOneFileFollowInOneRun()
    {
        const QUrl file = QUrl::fromLocalFile(path(QStringLiteral("tone.flac")));
        QStringList stretches;
        for (const auto& [start, end] : { std::pair<qint64, qint64> { 0, 1000 }, { 1000, 2000 }, { 2000, -1 } })
            stretches << MediaCommon::localName(MediaCommon::withRange(file, start, end));
        NativeAudioPlayer player;
        QSignalSpy finished(&player, &NativeAudioPlayer::finished);
        QElapsedTimer clock;
        QStringList started;
        QList<qint64> startTimes;
        connect(&player, &NativeAudioPlayer::advanced, this, [&] {
            started << QStringLiteral("%1 lasting %2, at %3")
                           .arg(stretches.indexOf(player.fileName()))
                           .arg((player.duration() + 50) / 100 * 100)
                           .arg(player.position() < 150 ? "its start" : "a later place");
            startTimes << clock.elapsed();
        });
        player.setMedia(stretches.first());
        player.setUpcoming(stretches.mid(1));
        clock.start();
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 6000);
        QVERIFY2(qAbs(clock.elapsed() - 3000) < 400, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(started, (QStringList { "1 lasting 1000, at its start", "2 lasting 1000, at its start" }));
        // Each change comes as its border is heard, not before.
        QVERIFY2(startTimes.at(0) > 950 && startTimes.at(0) < 1300, qPrintable(QString::number(startTimes.at(0))));
        QVERIFY2(qAbs(startTimes.at(1) - startTimes.at(0) - 1000) < 150, qPrintable(QString::number(startTimes.at(1))));

        // A pause holds the border off by as long as it lasts.
        // The tracks again from the first, a little way into it.
        const auto startAgain = [&] {
            started.clear();
            startTimes.clear();
            player.setMedia(stretches.first());
            player.setUpcoming(stretches.mid(1));
            clock.restart();
            player.play();
            return QTest::qWaitFor([&] { return player.position() > 300; }, 2000);
        };
        QVERIFY(startAgain());
        player.pause();
        QTest::qWait(1000);
        QVERIFY(started.isEmpty());
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, 3000);
        QVERIFY2(startTimes.at(0) > 1950 && startTimes.at(0) < 2350, qPrintable(QString::number(startTimes.at(0))));
        player.stop();

        QVERIFY(startAgain());
        player.setUpcoming({ path(QStringLiteral("short.wav")) });
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 3000);
        QVERIFY2(qAbs(clock.elapsed() - 1000) < 400, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(started.isEmpty());
    }

    // Faster or slower, a song keeps its own time: its places are the recording's, songs that follow one another
    // take the speed along without waiting, a track of an image changes when its border is heard, and a new speed
    // holds at once.
    void speedKeepsTheSongsTime_data()
    {
        QTest::addColumn<QStringList>("songs");
        QTest::addColumn<qint64>("length"); // of all of them, as recorded
        QTest::addColumn<qint64>("firstLength");
        const QUrl image = QUrl::fromLocalFile(path(QStringLiteral("tone.flac")));
        QTest::newRow("songs in a row") << QStringList { path(QStringLiteral("tone.ogg")),
            path(QStringLiteral("tone.mp3")) }
                                        << qint64(6000) << qint64(3000);
        QTest::newRow("tracks of an image")
            << QStringList { MediaCommon::localName(MediaCommon::withRange(image, 0, 1000)),
                   MediaCommon::localName(MediaCommon::withRange(image, 1000, 3000)) }
            << qint64(3000) << qint64(1000);
    }

    void speedKeepsTheSongsTime()
    {
        QFETCH(QStringList, songs);
        QFETCH(qint64, length);
        QFETCH(qint64, firstLength);
        NativeAudioPlayer player;
        QSignalSpy finished(&player, &NativeAudioPlayer::finished);
        QElapsedTimer clock;
        QList<qint64> changes;
        connect(&player, &NativeAudioPlayer::advanced, this, [&] { changes << clock.elapsed(); });
        player.setSpeed(2.0);
        player.setMedia(songs.first());
        player.setUpcoming(songs.mid(1));
        clock.start();
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > 0, 3000);
        const qint64 firstHeard = clock.elapsed();
        QTRY_VERIFY_WITH_TIMEOUT(player.position() >= 800, 3000);
        QVERIFY2(qAbs(clock.elapsed() - firstHeard - 400) < 150, qPrintable(QString::number(clock.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, int(length));
        QVERIFY2(qAbs(clock.elapsed() - length / 2) < 400, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(changes.size(), songs.size() - 1);
        QVERIFY2(
            qAbs(changes.first() - firstHeard - firstLength / 2) < 200, qPrintable(QString::number(changes.first())));

        // Slower from the middle of a song on: what is heard from there on takes twice its time.
        player.setMedia(path(QStringLiteral("tone.wav")));
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > 400, 3000);
        player.setSpeed(0.5);
        QTest::qWait(200);
        const qint64 from = player.position();
        QTest::qWait(1000);
        QVERIFY2(qAbs(player.position() - from - 500) < 150, qPrintable(QString::number(player.position() - from)));
    }

    // Only a track that goes on in the same file is run into: a track after a whole song, or the next track of a
    // sheet that lies in another file, starts with its own seek once the song before has ended; taken over inside
    // the pipeline it would sound from its file's start.
    void aTrackElsewhereIsNotRunInto_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("next");
        const auto track = [this](const char* name, qint64 start, qint64 end) {
            return MediaCommon::localName(
                MediaCommon::withRange(QUrl::fromLocalFile(path(QLatin1String(name))), start, end));
        };
        QTest::newRow("after a whole song") << path(QStringLiteral("short.wav")) << track("tone.flac", 1000, 2000);
        QTest::newRow("in the sheet's next file") << track("tone.ogg", 0, 1000) << track("tone.flac", 1000, 2000);
    }

    void aTrackElsewhereIsNotRunInto()
    {
        QFETCH(QString, first);
        QFETCH(QString, next);
        NativeAudioPlayer player;
        QSignalSpy finished(&player, &NativeAudioPlayer::finished);
        QSignalSpy advanced(&player, &NativeAudioPlayer::advanced);
        player.setMedia(first);
        player.setUpcoming({ next });
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 4000);
        QCOMPARE(advanced.count(), 0);
        QCOMPARE(player.fileName(), first);
    }

    // A pause that comes right after a seek in a playing song holds the song there: the seek makes the pipeline
    // find its footing again, and it must not go back to playing once it has.
    void pauseRightAfterASeek()
    {
        NativeAudioPlayer player;
        player.setMedia(path(QStringLiteral("tone.flac")));
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > 200, 3000);
        player.setPosition(1500);
        player.pause();
        QTest::qWait(600);
        QCOMPARE(player.state(), PlayState::Paused);
        // Near the place asked for (a loaded machine once let a quarter of a second play before the pause took),
        // and held there.
        const qint64 held = player.position();
        QVERIFY2(held > 1440 && held < 1900, qPrintable(QString::number(held)));
        QTest::qWait(500);
        QVERIFY2(qAbs(player.position() - held) < 20,
            qPrintable(QStringLiteral("%1 after %2").arg(player.position()).arg(held)));
    }

    // Whatever a damaged setting holds, the speakers get 0…1.
    // Unmuting gives back the volume from before; muting twice remembers the silence the second time.
    // A call on the pipeline that hangs (a sound server that stopped answering) holds its caller up once, for a
    // moment; the calls asked meanwhile wait behind it without holding anyone up, and run in order once it ends.
    void pipelineCallsThatHangHoldUpTheCallerOnce()
    {
        auto gate = std::make_shared<std::promise<void>>();
        std::shared_future<void> opened = gate->get_future().share();
        auto order = std::make_shared<std::vector<int>>();
        auto ran = std::make_shared<std::atomic_int>(0);
        QVERIFY(!PipelineCalls_linux::run([opened, order, ran] {
            opened.wait();
            order->push_back(1);
            ++*ran;
        }));
        for (int call = 2; call <= 4; ++call) {
            QVERIFY(!PipelineCalls_linux::run([order, ran, call] {
                order->push_back(call);
                ++*ran;
            }));
        }
        QCOMPARE(ran->load(), 0);
        gate->set_value();
        QTRY_COMPARE(ran->load(), 4);
        // Once the queue is through, a call is waited for again.
        QVERIFY(PipelineCalls_linux::run([order] { order->push_back(5); }));
        QCOMPARE(*order, (std::vector<int> { 1, 2, 3, 4, 5 }));
    }

    // Songs without ReplayGain tags play the pre-amp's decibels louder or softer; what a settings file may say that
    // is no level changes nothing, and no value makes them silent or deafening.
    void untaggedSongsFollowThePreAmp_data()
    {
        QTest::addColumn<double>("preAmp");
        QTest::addColumn<double>("heard");
        QTest::newRow("louder") << 6.0 << 6.0;
        QTest::newRow("softer") << -6.0 << -6.0;
        QTest::newRow("not a number") << double(NAN) << 0.0;
        QTest::newRow("minus infinity") << -double(INFINITY) << 0.0;
        QTest::newRow("far too loud") << 1000.0 << 20.0;
    }

    void untaggedSongsFollowThePreAmp()
    {
        QFETCH(double, preAmp);
        QFETCH(double, heard);
        GstSupport::ensureGstreamer();
        // The level of a quiet tone (-34 dB) through the stages, in dB.
        const auto level = [](const SoundStages& stages) {
            GstElement* pipeline = gst_pipeline_new(nullptr);
            GstElement* source = gst_element_factory_make("audiotestsrc", nullptr);
            g_object_set(source, "volume", 0.02, "num-buffers", 20, nullptr);
            GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
            GstElement* filter = GstSupport::makeFilter(stages);
            GstElement* meter = gst_element_factory_make("level", nullptr);
            GstElement* sink = gst_element_factory_make("fakesink", nullptr);
            gst_bin_add_many(GST_BIN(pipeline), source, convert, filter, meter, sink, nullptr);
            gst_element_link_many(source, convert, filter, meter, sink, nullptr);
            gst_element_set_state(pipeline, GST_STATE_PLAYING);
            GstBus* bus = gst_element_get_bus(pipeline);
            double rms = -200;
            while (GstMessage* message = gst_bus_timed_pop_filtered(bus, 10 * GST_SECOND,
                       GstMessageType(GST_MESSAGE_ELEMENT | GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
                const GstMessageType type = GST_MESSAGE_TYPE(message);
                if (type == GST_MESSAGE_ELEMENT) {
                    // One value a channel, in a GValueArray.
                    const GValue* value = gst_structure_get_value(gst_message_get_structure(message), "rms");
                    const auto* channels = value ? static_cast<const GValueArray*>(g_value_get_boxed(value)) : nullptr;
                    if (channels && channels->n_values > 0)
                        rms = g_value_get_double(&channels->values[0]);
                }
                gst_message_unref(message);
                if (type != GST_MESSAGE_ELEMENT)
                    break;
            }
            gst_object_unref(bus);
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
            return rms;
        };
        SoundStages stages;
        stages.gain = ReplayGain::Track;
        const double plain = level(stages);
        QVERIFY2(plain > -45 && plain < -25, qPrintable(QString::number(plain)));
        stages.untaggedDb = preAmp;
        const double gained = level(stages);
        QVERIFY2(qAbs(gained - plain - heard) < 0.5, qPrintable(QString::number(gained - plain)));
    }

    void muting()
    {
        NativeAudioPlayer player;
        player.setVolume(0.5);
        player.setMuted(true);
        QVERIFY(player.isMuted());
        player.setMuted(false);
        QCOMPARE(player.volume(), 0.5);
        player.setMuted(true);
        player.setMuted(true);
        player.setMuted(false);
        QCOMPARE(player.volume(), 0.0);
    }
};

QTEST_GUILESS_MAIN(TestNativeAudioPlayer)
#include "tst_nativeaudioplayer.moc"
