#include "UpcomingSongs.h"

#include <QTest>

using namespace QzMultiMedia;

Q_DECLARE_METATYPE(QzMultiMedia::PipelineSong)

namespace {

PipelineSong song(const char* uri, bool stream = false)
{
    PipelineSong made;
    made.uri = uri;
    made.stream = stream;
    return made;
}

PipelineSong stretch(const char* uri, qint64 start, qint64 end)
{
    PipelineSong made = song(uri);
    made.ranged = true;
    made.start = start;
    made.end = end;
    return made;
}

} // namespace

// The queue between the player's thread and the pipeline's about-to-finish: what is handed ahead, when, and how
// the list moves on when it sounds.
class TestUpcomingSongs : public QObject
{
    Q_OBJECT

private slots:
    void handsAheadOnlyWhatCanFollowWithoutAGap_data()
    {
        QTest::addColumn<PipelineSong>("current");
        QTest::addColumn<PipelineSong>("next");
        QTest::addColumn<bool>("leaving");
        QTest::addColumn<QByteArray>("handed");

        QTest::newRow("file after file") << song("a") << song("b") << false << QByteArray("b");
        QTest::newRow("after a stream") << song("a", true) << song("b") << false << QByteArray();
        QTest::newRow("after a stretch") << stretch("img", 0, 1000) << song("b") << false << QByteArray();
        QTest::newRow("before a stream") << song("a") << song("b", true) << false << QByteArray();
        QTest::newRow("before a stretch") << song("a") << stretch("img", 0, 1000) << false << QByteArray();
        QTest::newRow("before an unopenable song") << song("a") << song("") << false << QByteArray();
        QTest::newRow("while the song is being left") << song("a") << song("b") << true << QByteArray();
    }
    void handsAheadOnlyWhatCanFollowWithoutAGap()
    {
        QFETCH(PipelineSong, current);
        QFETCH(PipelineSong, next);
        QFETCH(bool, leaving);
        QFETCH(QByteArray, handed);

        UpcomingSongs upcoming;
        upcoming.begin(current);
        upcoming.set({ next });
        upcoming.setLeaving(leaving);
        QCOMPARE(upcoming.takeAhead(), handed);
        QCOMPARE(upcoming.hasTaken(), !handed.isEmpty());
    }

    void aSongIsHandedOnceAndTheListMovesOnWhenItSounds()
    {
        UpcomingSongs upcoming;
        QVERIFY(!upcoming.advance());
        upcoming.begin(song("a"));
        QCOMPARE(upcoming.takeAhead(), QByteArray()); // nothing follows yet
        upcoming.set({ song("b"), song("c") });
        QCOMPARE(upcoming.takeAhead(), QByteArray("b"));
        // Two in flight at most: nothing more until b sounds.
        QCOMPARE(upcoming.takeAhead(), QByteArray());
        // The list told again with b still first does not hand b twice.
        upcoming.set({ song("b"), song("c") });
        QCOMPARE(upcoming.takeAhead(), QByteArray());
        const std::optional<PipelineSong> sounding = upcoming.advance();
        QVERIFY(sounding);
        QCOMPARE(sounding->uri, QByteArray("b"));
        QVERIFY(!upcoming.hasTaken());
        QCOMPARE(upcoming.takeAhead(), QByteArray("c"));

        // What the pipeline let go of is handed again.
        upcoming.forgetTaken();
        QVERIFY(!upcoming.advance());
        QCOMPARE(upcoming.takeAhead(), QByteArray("c"));

        // A song of its own starts afresh: the songs meant to follow the one before are gone.
        upcoming.begin(song("x"));
        upcoming.forgetTaken();
        QCOMPARE(upcoming.takeAhead(), QByteArray());
    }

    void stretchesThatFollowOnInOneFileAreOneRun()
    {
        UpcomingSongs upcoming;
        PipelineSong first = stretch("img", 0, 1000);
        first.tags.title = QStringLiteral("Disc");
        upcoming.begin(first);
        // Borders a millisecond apart (CUE frames rounded) still follow on; another file or a gap ends the run.
        upcoming.set({ stretch("img", 1000, 2000), stretch("img", 2001, 3000), stretch("other", 3000, 4000) });
        QCOMPARE(upcoming.runEnd(first), 3000);

        const std::optional<PipelineSong> second = upcoming.takeFollowingStretch(first);
        QVERIFY(second);
        QCOMPARE(second->start, 1000);
        QCOMPARE(second->tags.title, QStringLiteral("Disc")); // the image's tags, not told again
        QCOMPARE(upcoming.runEnd(*second), 3000);
        QCOMPARE(upcoming.takeAhead(), QByteArray()); // a stretch is never followed without its own seek

        upcoming.set({ stretch("img", 2500, 3000) });
        QCOMPARE(upcoming.runEnd(*second), 2000);
        QVERIFY(!upcoming.takeFollowingStretch(*second));
        // The last stretch of a file that plays on to the file's end runs to it.
        upcoming.set({ stretch("img", 2000, -1) });
        QCOMPARE(upcoming.runEnd(*second), -1);
    }
};

QTEST_GUILESS_MAIN(TestUpcomingSongs)
#include "tst_upcomingsongs.moc"
