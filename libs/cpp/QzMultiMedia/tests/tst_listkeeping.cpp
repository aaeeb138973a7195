#include "ListPlayerTest.h"

// What of the play list outlives the program: the list, the song and the place, long songs' places, the titles
// lists and sheets gave, and a full disk that must not cost the list kept before.
class TestListKeeping : public ListPlayerTest
{
    Q_OBJECT

private slots:
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
        // The place the pause took hold at: a loaded machine may play on a little after the seek.
        qint64 paused = -1;
        QTRY_VERIFY_WITH_TIMEOUT(player()->isPaused() && (paused = player()->currentPosition()) >= 6000, 2000);
        QTRY_VERIFY_WITH_TIMEOUT((readBack(&current, &position), qAbs(position - paused) < 100), 2000);
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

VIREO_TEST_MAIN(TestListKeeping)
#include "tst_listkeeping.moc"
