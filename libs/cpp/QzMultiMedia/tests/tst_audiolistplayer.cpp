#include "ListPlayerTest.h"

// How the play list plays: in order, with its limits, stop-after, fades, songs chosen to play next, repeats,
// songs that cannot be played.
class TestAudioListPlayer : public ListPlayerTest
{
    Q_OBJECT

private slots:
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
        // Only the folder's songs count: a song of the case before may still be said to start, late.
        const QMetaObject::Connection started
            = connect(player(), &AudioListPlayer::nextTriggered, this, [this, &listAtStart, &library] {
                  if (player()->currentUrl().toLocalFile().startsWith(library.path()))
                      listAtStart << player()->playList().size();
              });
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
};

VIREO_TEST_MAIN(TestAudioListPlayer)
#include "tst_audiolistplayer.moc"
