#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "VireoTestMain.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace QzMultiMedia;

// The play list on real short files played into a clocked fake sink.
class TestAudioListPlayer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QUrl a, b, c, bad, longTone;

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
    }

    void emptyListChangesNothing()
    {
        QSignalSpy next(player(), &AudioListPlayer::nextTriggered);
        player()->setPlayList(QList<QUrl>());
        QCOMPARE(next.count(), 0);
        QVERIFY(player()->playList().isEmpty());
        QCOMPARE(player()->currentName(), QString());

        player()->setPlayList({ longTone });
        player()->setPlayList(QList<QUrl>());
        QCOMPARE(player()->playList(), QList<QUrl> { longTone });
        QVERIFY(player()->isPlaying());
        player()->appendToPlayList(QList<QUrl>());
        QCOMPARE(player()->playList().size(), 1);
    }

    void threeSongsPlayInOrderByThemselves()
    {
        QSignalSpy next(player(), &AudioListPlayer::nextTriggered);
        QSignalSpy finished(player(), &AudioListPlayer::finished);
        QStringList names;
        connect(player(), &AudioListPlayer::nextTriggered, this,
            [&] { names << player()->currentName() + QLatin1Char('@') + QString::number(player()->currentNumber()); });

        player()->setPlayList({ a, b, c });
        QCOMPARE(next.count(), 1);
        QCOMPARE(player()->currentNumber(), 0);
        QVERIFY(player()->isPlaying());

        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 6000);
        QCOMPARE(names, (QStringList { "A song.wav@0", "B.ogg@1", "C.mp3@2" }));
        QCOMPARE(player()->currentNumber(), 0);
        QVERIFY(!player()->isPlaying());
        player()->play(); // the first song is current but not loaded
        QVERIFY(!player()->isPlaying());

        // After the end, "next" goes to the second song, and picking the (current) first does nothing.
        next.clear();
        player()->slotPlayFromList(a);
        QCOMPARE(next.count(), 0);
        player()->slotPlayNext();
        QCOMPARE(player()->currentNumber(), 1);
        QCOMPARE(player()->currentUrl(), b);
        QVERIFY(player()->isPlaying());
        disconnect(player(), &AudioListPlayer::nextTriggered, this, nullptr);
    }

    void nextAndPreviousStopAtTheEnds()
    {
        QSignalSpy next(player(), &AudioListPlayer::nextTriggered);
        QSignalSpy previous(player(), &AudioListPlayer::previousTriggered);
        player()->setPlayList({ longTone, a });
        next.clear();
        player()->slotPlayPrevious();
        QCOMPARE(previous.count(), 0);
        QCOMPARE(player()->currentNumber(), 0);

        player()->slotPlayNext();
        QCOMPARE(next.count(), 1);
        QCOMPARE(player()->currentNumber(), 1);
        player()->slotPlayNext();
        QCOMPARE(next.count(), 1);
        QCOMPARE(player()->currentNumber(), 1);
        QVERIFY(player()->isPlaying());

        player()->slotPlayPrevious();
        QCOMPARE(previous.count(), 1);
        QCOMPARE(player()->currentNumber(), 0);
        QCOMPARE(player()->currentName(), QStringLiteral("long.wav"));
    }

    void pickingFromTheListWithDuplicates()
    {
        const QList<QUrl> list { longTone, b, longTone, b }; // A, B, C, B with A and C being the long tone
        player()->setPlayList(list);
        QSignalSpy next(player(), &AudioListPlayer::nextTriggered);
        QSignalSpy previous(player(), &AudioListPlayer::previousTriggered);

        player()->slotPlayFromList(b); // first current: the nearest B after it
        QCOMPARE(player()->currentNumber(), 1);
        QCOMPARE(next.count(), 1);

        player()->slotPlayFromList(longTone); // from the second place, the third entry comes first
        QCOMPARE(player()->currentNumber(), 2);
        player()->slotPlayFromList(b); // from the third place: the fourth entry
        QCOMPARE(player()->currentNumber(), 3);
        QCOMPARE(next.count(), 3);

        // The current entry is never compared: from the fourth place, B is found behind, at the second.
        player()->slotPlayFromList(b);
        QCOMPARE(player()->currentNumber(), 1);
        QCOMPARE(previous.count(), 1);

        player()->setPlayList({ longTone, b });
        next.clear();
        player()->slotPlayFromList(longTone); // occurs only as the current song: nothing
        QCOMPARE(player()->currentNumber(), 0);
        player()->slotPlayFromList(url(QStringLiteral("not in the list.mp3")));
        QCOMPARE(player()->currentNumber(), 0);
        QCOMPARE(next.count() + previous.count(), 1);
    }

    void appendKeepsTheCurrentSong()
    {
        player()->setPlayList({ longTone });
        QSignalSpy next(player(), &AudioListPlayer::nextTriggered);
        QSignalSpy changed(player(), &AudioListPlayer::listChanged);
        player()->appendToPlayList({ a, b });
        QCOMPARE(changed.count(), 1);
        QCOMPARE(next.count(), 0);
        QCOMPARE(player()->playList(), (QList<QUrl> { longTone, a, b }));
        QCOMPARE(player()->currentNumber(), 0);
        QCOMPARE(player()->index(2), 2);
        QVERIFY(player()->isPlaying());
    }

    void flagsChangeNothing()
    {
        player()->setShuffleMode(true);
        player()->setLoopMode(true);
        QVERIFY(player()->isShuffleMode() && player()->isLoopMode());
        QSignalSpy finished(player(), &AudioListPlayer::finished);
        QStringList order;
        connect(player(), &AudioListPlayer::nextTriggered, this, [&] { order << player()->currentName(); });
        player()->setPlayList({ a, b });
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
        QCOMPARE(order, (QStringList { "A song.wav", "B.ogg" }));
        QVERIFY(!player()->isPlaying());
        disconnect(player(), &AudioListPlayer::nextTriggered, this, nullptr);
        player()->setShuffleMode(false);
        player()->setLoopMode(false);
    }

    void badEntriesDoNotStopTheGoodOnes()
    {
        const QUrl remote(QStringLiteral("http://example.invalid/song.mp3"));
        const QUrl folder = QUrl::fromLocalFile(m_dir.path());
        QSignalSpy next(player(), &AudioListPlayer::nextTriggered);
        player()->setPlayList({ bad, remote, folder, c });
        QCOMPARE(next.count(), 1);
        QVERIFY(!player()->isPlaying()); // the bad first song plays nothing and the list waits there
        player()->slotPlayNext();
        QVERIFY(!player()->isPlaying());
        QCOMPARE(player()->currentName(), QStringLiteral("song.mp3"));
        player()->slotPlayFromList(c);
        QCOMPARE(player()->currentNumber(), 3);
        QVERIFY(player()->isPlaying());
    }

    void playListFromAFolder()
    {
        QSignalSpy next(player(), &AudioListPlayer::nextTriggered);
        player()->setPlayList(QDir(m_dir.path()), { QStringLiteral("*.wav") });
        QCOMPARE(next.count(), 1);
        QCOMPARE(player()->playList().size(), 2);
        for (const QUrl& u : player()->playList())
            QVERIFY(u.toLocalFile().endsWith(QLatin1String(".wav")));
        next.clear();
        player()->setPlayList(QDir(m_dir.path()), { QStringLiteral("*.none") });
        QCOMPARE(next.count(), 0);
    }

    void coverComesFromTheSongsFolder()
    {
        player()->setPlayList({ longTone });
        QVERIFY(!player()->currentCover().isNull()); // the default cover
        player()->stop();
    }
};

VIREO_TEST_MAIN(TestAudioListPlayer)
#include "tst_audiolistplayer.moc"
