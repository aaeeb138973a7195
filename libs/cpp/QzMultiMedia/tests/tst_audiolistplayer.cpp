#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "ListedTitles.h"
#include "LongSongPlaces.h"
#include "MediaCommon.h"
#include "PlayListFile.h"
#include "PlayListKeeper.h"
#include "SongIntake.h"
#include "VireoTestMain.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace QzMultiMedia;

// The play list on real short files played into a clocked fake sink.
class TestAudioListPlayer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QUrl a, b, c, bad, longTone;
    QStringList m_started; // "name@number" of every song the list announced

    AudioListPlayer* player()
    {
        return AudioListPlayer::instance();
    }
    QUrl url(const QString& name)
    {
        return QUrl::fromLocalFile(m_dir.filePath(name));
    }

private slots:
    void initTestCase()
    {
        a = url(QStringLiteral("A song.wav"));
        b = url(QStringLiteral("B.ogg"));
        c = url(QStringLiteral("C.mp3"));
        bad = url(QStringLiteral("bad.mp3"));
        longTone = url(QStringLiteral("long.wav"));
        QVERIFY(AudioFixtures::makeTone(a.toLocalFile(), 700));
        QVERIFY(AudioFixtures::makeTone(b.toLocalFile(), 700));
        QVERIFY(AudioFixtures::makeTone(c.toLocalFile(), 700));
        QVERIFY(AudioFixtures::makeTone(longTone.toLocalFile(), 10000));
        QVERIFY(AudioFixtures::writeBytes(bad.toLocalFile(), AudioFixtures::randomBytes(5000, 3)));
        const auto record = [this] {
            m_started << player()->currentName() + QLatin1Char('@') + QString::number(player()->currentNumber());
        };
        connect(player(), &AudioListPlayer::nextTriggered, this, record);
        connect(player(), &AudioListPlayer::previousTriggered, this, record);
    }

    void init()
    {
        player()->setShuffleMode(false);
        player()->setRepeat(AudioListPlayer::Repeat::Off);
        m_started.clear();
    }

    void emptyListChangesNothing()
    {
        SongIntake::play({}); // an open dialog cancelled
        SongIntake::enqueue({});
        player()->setPlayList(QList<QUrl>());
        QVERIFY(m_started.isEmpty());
        QVERIFY(player()->playList().isEmpty());
        QCOMPARE(player()->currentName(), QString());
        player()->play(); // nothing to start
        QVERIFY(!player()->isPlaying());

        player()->setPlayList({ longTone });
        player()->setPlayList(QList<QUrl>());
        player()->appendToPlayList(QList<QUrl>());
        QCOMPARE(player()->playList(), QList<QUrl> { longTone });
        QVERIFY(player()->isPlaying());
    }

    void songsPlayInOrderAndPlayStartsTheListAgain()
    {
        QSignalSpy finished(player(), &AudioListPlayer::finished);
        player()->setPlayList({ a, b, c });
        QCOMPARE(player()->currentNumber(), 0);
        QVERIFY(player()->isPlaying());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 6000);
        QCOMPARE(m_started, (QStringList { "A song.wav@0", "B.ogg@1", "C.mp3@2" }));
        QCOMPARE(player()->currentNumber(), 0);
        QVERIFY(!player()->isPlaying());

        // After the end, picking the (current) first song does nothing; Play starts it.
        player()->slotPlayFromList(a);
        QCOMPARE(m_started.size(), 3);
        player()->play();
        QVERIFY(player()->isPlaying());
        QCOMPARE(m_started.last(), QStringLiteral("A song.wav@0"));
        QVERIFY(AudioPlayer::instance()->position() < 300);
    }

    // A list keeps at most MaxSongs songs, whether it comes whole, by additions or from the kept list, and says how
    // many it left out.
    void aListHasALimit()
    {
        QSignalSpy leftOut(player(), &AudioListPlayer::songsLeftOut);
        player()->setPlayList(QList<QUrl>(AudioListPlayer::MaxSongs + 5, longTone));
        QCOMPARE(player()->playList().size(), AudioListPlayer::MaxSongs);
        QCOMPARE(leftOut.takeFirst().at(0).value<qsizetype>(), qsizetype(5));
        player()->appendToPlayList({ a, b });
        QCOMPARE(player()->playList().size(), AudioListPlayer::MaxSongs);
        QCOMPARE(leftOut.takeFirst().at(0).value<qsizetype>(), qsizetype(2));
        QVERIFY(player()->isPlaying());
        player()->setPlayList({ a });
        player()->appendToPlayList(QList<QUrl>(AudioListPlayer::MaxSongs, b));
        QCOMPARE(player()->playList().size(), AudioListPlayer::MaxSongs);
        QCOMPARE(player()->playList().last(), b);
        QCOMPARE(leftOut.takeFirst().at(0).value<qsizetype>(), qsizetype(1));

        // A kept list of a million lines (70 MB) comes back cut to the limit, and says so, rather than lost.
        const QString kept = m_dir.filePath(QStringLiteral("huge.m3u8"));
        const QByteArray folder = QFile::encodeName(m_dir.path()) + "/" + QByteArray(40, 'x') + "/";
        QByteArray text = "#EXTM3U\n";
        for (int i = 0; i < 1000000; ++i)
            text += folder + QByteArray::number(i) + ".wav\n";
        QVERIFY(text.size() > 64 * 1024 * 1024);
        QVERIFY(AudioFixtures::writeBytes(kept, text));
        player()->restorePlayList(kept);
        QCOMPARE(player()->playList().size(), AudioListPlayer::MaxSongs);
        QCOMPARE(player()->playList().last(), QUrl::fromLocalFile(QFile::decodeName(folder + "99999.wav")));
        QCOMPARE(leftOut.takeFirst().at(0).value<qsizetype>(), qsizetype(1000000) - AudioListPlayer::MaxSongs);
    }

    // Stop after this song: the song ends, the next is not heard, the list stands at it stopped and Play starts
    // it. The wish is spent once it has acted.
    void stopAfterThisSong()
    {
        player()->setPlayList({ a, b, c });
        player()->setStopAfterCurrent(true);
        QTRY_VERIFY_WITH_TIMEOUT(!player()->isPlaying(), 3000);
        QTest::qWait(500);
        QVERIFY(!player()->isPlaying() && !player()->isPaused());
        QCOMPARE(player()->currentUrl(), b);
        QVERIFY(!player()->isStopAfterCurrent());
        player()->play();
        QVERIFY(player()->isPlaying());
        QCOMPARE(m_started.last(), QStringLiteral("B.ogg@1"));
        QTRY_VERIFY_WITH_TIMEOUT(player()->currentUrl() == c, 3000); // plays on as before
        QVERIFY(player()->isPlaying());
    }

    // A fade pauses the song at its end and leaves the user's volume as it was, during the fade too.
    void fadeOutPausesAndKeepsTheVolume()
    {
        player()->setPlayList({ longTone });
        player()->setVolume(0.6);
        player()->fadeOutAndPause(800);
        QTest::qWait(400);
        QVERIFY(player()->isPlaying());
        QCOMPARE(player()->volume(), 0.6);
        QTRY_VERIFY_WITH_TIMEOUT(player()->isPaused(), 2000);
        QCOMPARE(player()->volume(), 0.6);
        // A command during a fade ends it: the song plays on at the user's volume.
        player()->play();
        player()->fadeOutAndPause(800);
        player()->play();
        QTest::qWait(1200);
        QVERIFY(player()->isPlaying());
    }

    // Short songs follow one another without a gap, each started and ended once (the single-track player's end
    // is what the list moves on by), then the list ends after the last.
    void eachSongStartsAndEndsOnce()
    {
        QList<QUrl> songs;
        for (int i = 0; i < 6; ++i) {
            songs << url(
                QStringLiteral("short%1.%2").arg(i).arg(i % 2 ? QStringLiteral("ogg") : QStringLiteral("wav")));
            QVERIFY(AudioFixtures::makeTone(songs.last().toLocalFile(), 300, 300 + 50 * i));
        }
        QSignalSpy ended(AudioPlayer::instance(), &AudioPlayer::finished);
        QSignalSpy listEnded(player(), &AudioListPlayer::finished);
        player()->setPlayList(songs);
        QTRY_COMPARE_WITH_TIMEOUT(listEnded.count(), 1, 8000);
        QCOMPARE(ended.count(), songs.size());
        QStringList expected;
        for (int i = 0; i < songs.size(); ++i)
            expected
                << QStringLiteral("short%1.%2@%1").arg(i).arg(i % 2 ? QStringLiteral("ogg") : QStringLiteral("wav"));
        QCOMPARE(m_started, expected);
        QTest::qWait(300);
        QCOMPARE(ended.count(), songs.size());
    }

    // A new list is a signal of its own; songs appended keep the song that plays where it is.
    void appendingKeepsTheSongThatPlays()
    {
        QSignalSpy replaced(player(), &AudioListPlayer::listReplaced);
        QSignalSpy appended(player(), &AudioListPlayer::listChanged);
        player()->setPlayList({ longTone });
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(appended.count(), 0);
        QTRY_VERIFY(AudioPlayer::instance()->position() > 300);
        player()->appendToPlayList({ a, b });
        QCOMPARE(appended.count(), 1);
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(player()->playList(), (QList<QUrl> { longTone, a, b }));
        QCOMPARE(m_started, QStringList { "long.wav@0" });
        QVERIFY(player()->isPlaying());
        QVERIFY(AudioPlayer::instance()->position() > 300);
    }

    // Songs chosen to play next come after the current one in the order they were chosen, each once; the list
    // goes on where it was, and its next round is in list order again.
    void songsChosenToPlayNext()
    {
        const QUrl d = url(QStringLiteral("D.wav"));
        QVERIFY(AudioFixtures::makeTone(d.toLocalFile(), 700));
        player()->setRepeat(AudioListPlayer::Repeat::List);
        player()->setPlayList({ a, b, c, d });
        const auto indexes = [this] {
            QList<int> order;
            for (int k = 0; k <= player()->playList().size(); ++k)
                order << player()->index(k);
            return order;
        };
        QCOMPARE(indexes(), (QList<int> { 0, 1, 2, 3, -1 }));
        player()->playAfterCurrent(0); // the current song
        player()->playAfterCurrent(3);
        player()->playAfterCurrent(2);
        player()->playAfterCurrent(7); // not in the list
        QCOMPARE(indexes(), (QList<int> { 0, 3, 2, 1, -1 }));
        QVERIFY(player()->hasNext());
        QTRY_VERIFY_WITH_TIMEOUT(m_started.size() >= 6, 8000);
        player()->stop();
        QCOMPARE(m_started.mid(0, 6),
            (QStringList { "A song.wav@0", "D.wav@1", "C.mp3@2", "B.ogg@3", "A song.wav@0", "B.ogg@1" }));
    }

    // A long song left in its middle starts there when it plays again, after another song and in the next run;
    // short songs are not kept. Long is three seconds here.
    void longSongsStartWhereTheyWereLeft()
    {
        const QString file = m_dir.filePath(QStringLiteral("places.ini"));
        auto places = std::make_unique<LongSongPlaces>(file, 3000);
        player()->setPlayList({ longTone, a });
        QTRY_VERIFY_WITH_TIMEOUT(AudioPlayer::instance()->position() > 3500, 6000);
        QTest::qWait(1100); // seen at least once there
        player()->slotPlayNext();
        QCOMPARE(player()->currentUrl(), a);
        const qint64 kept = places->placeOf(longTone);
        QVERIFY2(kept > 3500 && kept < 6500, qPrintable(QString::number(kept)));
        player()->slotPlayPrevious();
        QTRY_VERIFY_WITH_TIMEOUT(AudioPlayer::instance()->position() >= kept, 1500);
        places.reset();
        QCOMPARE(LongSongPlaces(file, 3000).placeOf(longTone), kept);
        QCOMPARE(LongSongPlaces(file, 3000).placeOf(a), 0);
        player()->stop();
    }

    // A folder handed over to play starts with its first song in natural order while the list has only that one;
    // the rest follows it in the order the whole reading gives, the first song playing on meanwhile.
    void aFoldersFirstSongPlaysBeforeTheFolderIsRead()
    {
        QTemporaryDir library;
        for (const char* artist : { "Artist 10", "Artist 2" }) {
            for (int album = 1; album <= 2; ++album) {
                const QString folder = library.filePath(QStringLiteral("%1/Album %2").arg(QLatin1String(artist)).arg(album));
                QVERIFY(QDir().mkpath(folder));
                for (int track = 1; track <= 12; ++track) {
                    QVERIFY(QFile::copy(
                        (track == 1 ? longTone : a).toLocalFile(), QStringLiteral("%1/%2 song.wav").arg(folder).arg(track)));
                }
            }
        }
        const QUrl folder = QUrl::fromLocalFile(library.path());
        QList<qsizetype> listAtStart;
        const QMetaObject::Connection started = connect(player(), &AudioListPlayer::nextTriggered, this,
            [this, &listAtStart] { listAtStart << player()->playList().size(); });
        const auto disconnect = qScopeGuard([&] { QObject::disconnect(started); });
        SongIntake::play({ folder });
        QTRY_VERIFY(!SongIntake::isBusy() && !listAtStart.isEmpty());
        QCOMPARE(listAtStart, QList<qsizetype> { 1 });
        QCOMPARE(player()->currentUrl(), QUrl::fromLocalFile(library.filePath(QStringLiteral("Artist 2/Album 1/1 song.wav"))));
        QCOMPARE(player()->playList(), SongIntake::songs({ folder }));
        QCOMPARE(player()->currentNumber(), 0);
        QVERIFY(player()->isPlaying());
        player()->stop();
    }

    void nextAndPreviousStopAtTheEnds()
    {
        player()->setPlayList({ longTone, a });
        QSignalSpy previous(player(), &AudioListPlayer::previousTriggered);
        player()->slotPlayPrevious();
        player()->slotPlayNext();
        player()->slotPlayNext();
        QCOMPARE(m_started, (QStringList { "long.wav@0", "A song.wav@1" }));
        QVERIFY(player()->isPlaying());
        player()->slotPlayPrevious();
        QCOMPARE(previous.count(), 1);
        QCOMPARE(player()->currentName(), QStringLiteral("long.wav"));
    }

    void pickingFromTheListWithDuplicates()
    {
        player()->setPlayList({ longTone, b, longTone, b });
        QSignalSpy previous(player(), &AudioListPlayer::previousTriggered);
        player()->slotPlayFromList(b); // the nearest after the current song
        player()->slotPlayFromList(longTone);
        player()->slotPlayFromList(b);
        player()->slotPlayFromList(b); // the current entry is never compared: found behind
        player()->slotPlayFromList(b); // from the second place the fourth comes first
        QCOMPARE(m_started, (QStringList { "long.wav@0", "B.ogg@1", "long.wav@2", "B.ogg@3", "B.ogg@1", "B.ogg@3" }));
        QCOMPARE(previous.count(), 1);
        player()->slotPlayFromList(url(QStringLiteral("not in the list.mp3")));
        QCOMPARE(player()->currentNumber(), 3);
    }

    void unplayableSongsAreSkipped_data()
    {
        QTest::addColumn<QList<QUrl>>("list");
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<bool>("ends");
        const QUrl remote(QStringLiteral("http://example.invalid/song.mp3"));
        const QUrl folder = QUrl::fromLocalFile(m_dir.path());
        QTest::newRow("bad ones before a good one")
            << QList<QUrl> { bad, remote, folder, longTone }
            << QStringList { "bad.mp3@0", "song.mp3@1", QFileInfo(m_dir.path()).fileName() + "@2", "long.wav@3" }
            << false;
        QTest::newRow("nothing playable ends as a list ends")
            << QList<QUrl> { bad, remote } << QStringList { "bad.mp3@0", "song.mp3@1" } << true;
    }

    void unplayableSongsAreSkipped()
    {
        QFETCH(QList<QUrl>, list);
        QFETCH(QStringList, started);
        QFETCH(bool, ends);
        QSignalSpy finished(player(), &AudioListPlayer::finished);
        player()->setPlayList(list);
        QCOMPARE(m_started.size(), 1); // the skip waits for the next turn of the event loop
        QTRY_COMPARE(m_started, started);
        QTRY_COMPARE(finished.count(), ends ? 1 : 0);
        QCOMPARE(player()->isPlaying(), !ends);
    }

    // Repeat: the list goes round, by itself and by Previous and Next; a repeated song plays again; a repeated
    // list of songs that all fail ends all the same.
    void repeatListAndSong()
    {
        QList<QUrl> songs;
        for (int i = 0; i < 3; ++i) {
            songs << url(
                QStringLiteral("round%1.%2").arg(i).arg(i == 1 ? QStringLiteral("ogg") : QStringLiteral("wav")));
            QVERIFY(AudioFixtures::makeTone(songs.last().toLocalFile(), 300, 300 + 100 * i));
        }
        QSignalSpy finished(player(), &AudioListPlayer::finished);
        QSignalSpy modes(player(), &AudioListPlayer::modesChanged);
        player()->setRepeat(AudioListPlayer::Repeat::List);
        QCOMPARE(modes.count(), 1);
        player()->setPlayList(songs);
        QVERIFY(player()->hasPrevious());
        QTRY_VERIFY_WITH_TIMEOUT(m_started.size() >= 5, 8000);
        QCOMPARE(m_started.mid(0, 5),
            (QStringList { "round0.wav@0", "round1.ogg@1", "round2.wav@2", "round0.wav@0", "round1.ogg@1" }));
        QCOMPARE(finished.count(), 0);

        player()->setRepeat(AudioListPlayer::Repeat::Song);
        m_started.clear();
        // The song after may have been taken ahead already; from then on one song comes again and again.
        QTRY_VERIFY_WITH_TIMEOUT(m_started.size() >= 3, 5000);
        QCOMPARE(m_started.at(2), m_started.at(1));
        QCOMPARE(finished.count(), 0);

        player()->setRepeat(AudioListPlayer::Repeat::List);
        player()->setPlayList(songs);
        player()->slotPlayPrevious();
        QCOMPARE(player()->currentNumber(), 2);
        player()->slotPlayNext();
        QCOMPARE(player()->currentNumber(), 0);

        player()->setRepeat(AudioListPlayer::Repeat::Off);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);

        player()->setRepeat(AudioListPlayer::Repeat::Song);
        player()->setPlayList({ bad, bad });
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 3000);
        player()->setRepeat(AudioListPlayer::Repeat::List);
        player()->setPlayList({ bad, bad });
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 3, 3000);
    }

    // The user picked another song before the skip ran: the list stays where the user put it.
    void skipDoesNotOverrideTheUser()
    {
        player()->setPlayList({ bad, a, longTone });
        player()->slotPlayFromList(longTone);
        QTest::qWait(100);
        QCOMPARE(m_started, (QStringList { "bad.mp3@0", "long.wav@2" }));
        QCOMPARE(player()->currentNumber(), 2);
        QVERIFY(player()->isPlaying());
    }

    // The list kept between runs: names of every kind and streams come back as they were, with the current song,
    // stopped; Play starts that song. What is not a list of local files (garbage, remote addresses) brings nothing
    // back.
    void listComesBackAfterARestart()
    {
        const QUrl odd = url(QStringLiteral("#1 Über 100% live.wav"));
        const QUrl spaced = url(QStringLiteral("ends with a space.wav "));
        const QUrl broken = url(QStringLiteral("two\nlines.wav"));
        for (const QUrl& name : { odd, spaced, broken })
            QVERIFY(QFile::copy(a.toLocalFile(), name.toLocalFile()));
        // A name made on a system that did not write UTF-8: its bytes name the file, and they play.
        const QByteArray latin1 = QFile::encodeName(m_dir.path()) + "/caf\xe9.wav";
        // A long song: under a loaded sanitizer run a short one had ended before it was looked at.
        QCOMPARE(::link(QFile::encodeName(longTone.toLocalFile()).constData(), latin1.constData()), 0);
        const QUrl foreign = MediaCommon::urlFromBytes(latin1);
        player()->setPlayList({ foreign, a });
        QTRY_VERIFY(AudioPlayer::instance()->duration() > 0);
        QVERIFY(player()->isPlaying());
        QCOMPARE(player()->currentUrl(), foreign);
        const QString kept = m_dir.filePath(QStringLiteral("kept/playlist.m3u8"));
        const QUrl stream(QStringLiteral("http://127.0.0.1:9/radio?station=1"));
        player()->setPlayList({ a, odd, spaced, broken, longTone, foreign, stream });
        player()->slotPlayNext();
        QVERIFY(player()->savePlayList(kept));
        // What one listens to, and a stream's password, are for the user's eyes only.
        QCOMPARE(QFileInfo(kept).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        player()->setPlayList({ b });
        m_started.clear();
        player()->restorePlayList(kept);
        QCOMPARE(player()->playList(), (QList<QUrl> { a, odd, spaced, broken, longTone, foreign, stream }));
        QVERIFY(!player()->isPlaying());
        QVERIFY(m_started.isEmpty());
        player()->play();
        QCOMPARE(m_started, QStringList { "#1 Über 100% live.wav@1" });
        QVERIFY(player()->isPlaying());

        for (const QByteArray& garbage : { AudioFixtures::randomBytes(3000, 7),
                 QByteArray("#EXTM3U\n#VIREO-CURRENT:99\nftp://example.invalid/a.mp3\nrelative.mp3\n") }) {
            QVERIFY(AudioFixtures::writeBytes(kept, garbage));
            player()->restorePlayList(kept);
            QCOMPARE(player()->playList(), (QList<QUrl> { a, odd, spaced, broken, longTone, foreign, stream }));
        }
        // A FIFO where the list should be has no writer: reading it must not wait for one.
        QVERIFY(QFile::remove(kept));
        QCOMPARE(mkfifo(QFile::encodeName(kept).constData(), 0600), 0);
        player()->restorePlayList(kept);
        QCOMPARE(player()->playList(), (QList<QUrl> { a, odd, spaced, broken, longTone, foreign, stream }));
        player()->setPlayList({ b });
        player()->restorePlayList(m_dir.filePath(QStringLiteral("missing.m3u8")));
        QCOMPARE(player()->playList(), QList<QUrl> { b });
    }

    // A list left in the middle of a song comes back paused at that place, without a sound or a song announced;
    // Play goes on from there. A list left stopped comes back stopped.
    void theListComesBackWhereItWasLeft()
    {
        const QString kept = m_dir.filePath(QStringLiteral("kept/resume.m3u8"));
        player()->setPlayList({ a, longTone });
        player()->slotPlayNext();
        AudioPlayer::instance()->setPosition(4000);
        QTRY_VERIFY_WITH_TIMEOUT(player()->currentPosition() >= 4000, 3000);
        player()->pause();
        const qint64 left = player()->currentPosition();
        QVERIFY(player()->savePlayList(kept));
        player()->setPlayList({ b });
        m_started.clear();
        player()->restorePlayList(kept);
        QVERIFY(player()->isPaused());
        QCOMPARE(player()->currentUrl(), longTone);
        QTRY_VERIFY_WITH_TIMEOUT(AudioPlayer::instance()->duration() > 0, 3000);
        QVERIFY(qAbs(player()->currentPosition() - left) < 100);
        QVERIFY(m_started.isEmpty());
        player()->play();
        QVERIFY(player()->isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(player()->currentPosition() > left + 300, 3000);
        QVERIFY(player()->currentPosition() < left + 2000);

        player()->stop();
        QVERIFY(player()->savePlayList(kept));
        player()->setPlayList({ b });
        player()->restorePlayList(kept);
        QVERIFY(player()->isStopped());
        QCOMPARE(player()->currentPosition(), 0);

        // A place no song has, from a damaged file, is no overflow on its way to the pipeline (the sanitizer build
        // stops at one); the list still comes back.
        QVERIFY(AudioFixtures::writeBytes(kept,
            "#EXTM3U\n#VIREO-CURRENT:0\n#VIREO-POSITION:9223372036854775807\n"
                + QFile::encodeName(longTone.toLocalFile()) + '\n'));
        player()->restorePlayList(kept);
        QCOMPARE(player()->playList(), QList<QUrl> { longTone });
        QTRY_VERIFY_WITH_TIMEOUT(AudioPlayer::instance()->duration() > 0 || player()->isStopped(), 3000);
        QVERIFY(player()->currentPosition() <= AudioPlayer::instance()->duration());
    }

    // While the program runs, every change reaches the file within a couple of seconds, without a quit.
    void changesAreKeptAsTheyHappen()
    {
        const QString kept = m_dir.filePath(QStringLiteral("kept/running.m3u8"));
        PlayListKeeper keeper(kept);
        const auto readBack
            = [&](int* current, qint64* position) { return PlayListFile::read(kept, current, position); };
        int current = -1;
        qint64 position = -1;
        player()->setPlayList({ longTone, longTone });
        QTRY_COMPARE_WITH_TIMEOUT(readBack(&current, &position), (QList<QUrl> { longTone, longTone }), 2000);
        player()->slotPlayNext();
        QTRY_VERIFY_WITH_TIMEOUT((readBack(&current, &position), current == 1), 2000);
        AudioPlayer::instance()->setPosition(6000);
        player()->pause();
        QTRY_VERIFY_WITH_TIMEOUT((readBack(&current, &position), position >= 6000), 2000);
        QVERIFY(position < 6500);
        player()->appendToPlayList({ c });
        player()->stop();
        QTRY_VERIFY_WITH_TIMEOUT((readBack(&current, &position).size() == 3 && position == 0), 2000);
        QCOMPARE(current, 1);
    }

    // The place kept apart from the list counts for the song the list has there, and only until the list is
    // written again.
    void thePlaceKeptApart()
    {
        const QString kept = m_dir.filePath(QStringLiteral("kept/apart.m3u8"));
        int current = -1;
        qint64 position = -1;
        QVERIFY(PlayListFile::write(kept, { a, b }, 0, 300));
        QVERIFY(PlayListFile::writePlace(kept, 1, b, 700));
        QCOMPARE(PlayListFile::read(kept, &current, &position), (QList<QUrl> { a, b }));
        QCOMPARE(current, 1);
        QCOMPARE(position, 700);
        QVERIFY(PlayListFile::writePlace(kept, 1, a, 900)); // not the song the list has there
        PlayListFile::read(kept, &current, &position);
        QCOMPARE((QPair<int, qint64>(current, position)), (QPair<int, qint64>(0, 300)));
        QVERIFY(PlayListFile::writePlace(kept, 1, b, 900));
        QTest::qWait(20);
        QVERIFY(PlayListFile::write(kept, { a, b }, 0, 100)); // written after the place: the list's own
        PlayListFile::read(kept, &current, &position);
        QCOMPARE((QPair<int, qint64>(current, position)), (QPair<int, qint64>(0, 100)));
    }

    // A song is shown by the title its play list gave it, also when the list comes back at the next start; a new
    // list keeps only its own titles. A CUE sheet's track comes back as the same stretch of its image.
    void playListTitlesAreKept()
    {
        const QString kept = m_dir.filePath(QStringLiteral("titled/playlist.m3u8"));
        const QUrl track = MediaCommon::withRange(b, 500, 1500);
        SongTags sheet = SongTags::titled(QStringLiteral("Track Two"));
        sheet.artist = QStringLiteral("Guest");
        sheet.album = QStringLiteral("Disc");
        ListedTitles::add({ { a, SongTags::titled(QStringLiteral("Night Song")) }, { track, sheet } });
        player()->setPlayList({ a, b, track });
        QCOMPARE(AudioListPlayer::songName(a), QStringLiteral("Night Song"));
        QCOMPARE(AudioListPlayer::songName(b), b.fileName());
        QVERIFY(player()->savePlayList(kept));
        player()->setPlayList({ b });
        QCOMPARE(AudioListPlayer::songName(a), a.fileName());
        player()->restorePlayList(kept);
        QCOMPARE(player()->playList(), (QList<QUrl> { a, b, track }));
        QCOMPARE(AudioListPlayer::songName(a), QStringLiteral("Night Song"));
        QCOMPARE(AudioListPlayer::songName(track), QStringLiteral("Track Two"));
        QCOMPARE(ListedTitles::over(track, {}).artist, QStringLiteral("Guest"));
        QCOMPARE(ListedTitles::over(track, {}).album, QStringLiteral("Disc"));
        QCOMPARE(player()->currentName(), QStringLiteral("Night Song"));
    }

    // A track of a CUE sheet's image is named by the sheet (title, performer, the disc's title), not by the image's
    // tags, which stand only where the sheet says nothing; it has its own length.
    void aTrackOfAnImageIsNamedByItsSheet()
    {
        const QUrl image = url(QStringLiteral("image.ogg"));
        QVERIFY(AudioFixtures::makeTone(
            image.toLocalFile(), 3000, 440, QStringLiteral("title=Whole,artist=Band,album=Image,track-number=7")));
        const QUrl second = MediaCommon::withRange(image, 1000, 2000);
        SongTags sheet = SongTags::titled(QStringLiteral("Second"));
        sheet.artist = QStringLiteral("Guest");
        ListedTitles::add({ { second, sheet } });
        player()->setPlayList({ second, MediaCommon::withRange(image, 0, 1000) });
        QTRY_COMPARE(player()->currentTags().artist, QStringLiteral("Guest"));
        QCOMPARE(player()->currentTags().title, QStringLiteral("Second"));
        QTRY_COMPARE(player()->currentTags().album, QStringLiteral("Image"));
        QCOMPARE(player()->currentTags().trackNumber, 0);
        QVERIFY2(qAbs(AudioPlayer::instance()->duration() - 1000) < 60,
            qPrintable(QString::number(AudioPlayer::instance()->duration())));
        QTRY_COMPARE_WITH_TIMEOUT(player()->currentNumber(), 1, 3000);
        QTRY_COMPARE(player()->currentTags().artist, QStringLiteral("Band"));
        player()->stop();
    }

    // A disk that fills up keeps the list written before it: the new one is not put in its place half written.
    void aFullDiskKeepsTheListBefore()
    {
        const QString disk = m_dir.filePath(QStringLiteral("small-disk"));
        QVERIFY(QDir().mkpath(disk));
        if (QProcess::execute(QStringLiteral("mount"),
                { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), QStringLiteral("size=64k"),
                    QStringLiteral("tmpfs"), disk })
            != 0)
            QSKIP("a small disk of its own needs the right to mount one");
        const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), { disk }); });
        const QString kept = disk + QStringLiteral("/playlist.m3u8");
        player()->setPlayList({ a, b });
        QVERIFY(player()->savePlayList(kept));
        AudioFixtures::writeBytes(disk + QStringLiteral("/filler"), QByteArray(64 * 1024, 'x')); // fills what is left
        player()->setPlayList(QList<QUrl>(300, longTone));
        QVERIFY(!player()->savePlayList(kept));
        player()->restorePlayList(kept);
        QCOMPARE(player()->playList(), (QList<QUrl> { a, b }));
        // Nothing to keep (a start that could not read its list) leaves the list for the next start.
        QVERIFY(PlayListFile::write(kept, {}, 0));
        player()->restorePlayList(kept);
        QCOMPARE(player()->playList(), (QList<QUrl> { a, b }));
    }
};

VIREO_TEST_MAIN(TestAudioListPlayer)
#include "tst_audiolistplayer.moc"
