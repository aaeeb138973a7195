#include "PlayOrder.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <numeric>

using namespace QzMultiMedia;

namespace {

QString describe(const PlayOrder& order)
{
    QStringList places;
    for (int k = 0; k < order.size(); ++k)
        places << QString::number(order.at(k));
    return QStringLiteral("[%1] at %2, shuffle %3, repeat %4, stop after %5")
        .arg(places.join(QLatin1Char(' ')))
        .arg(order.number())
        .arg(order.isShuffle())
        .arg(int(order.repeat()))
        .arg(order.isStopAfterCurrent());
}

// What must hold in every state: the order holds every place of the list once, the list stands inside it, and
// what it hands ahead is what its songs' ends will lead to.
bool holds(const PlayOrder& order, QString* why)
{
    QList<int> places;
    for (int k = 0; k < order.size(); ++k)
        places << order.at(k);
    std::sort(places.begin(), places.end());
    QList<int> every(order.size());
    std::iota(every.begin(), every.end(), 0);
    if (places != every) {
        *why = QStringLiteral("not every place once");
        return false;
    }
    if (order.size() > 0 && (order.number() < 0 || order.number() >= order.size())) {
        *why = QStringLiteral("stands outside the order");
        return false;
    }
    const QList<int> ahead = order.upcoming(8);
    if (order.isStopAfterCurrent() && !ahead.isEmpty()) {
        *why = QStringLiteral("songs handed ahead of a list that stops after this one");
        return false;
    }
    PlayOrder after = order;
    const PlayOrder::Ending ending = after.songEnded();
    if (order.isStopAfterCurrent() && ending == PlayOrder::Ending::Next) {
        *why = QStringLiteral("the next song begins although the list stops after this one");
        return false;
    }
    // A song handed ahead that the list then does not go to is heard all the same (the pipeline has it).
    if (!ahead.isEmpty() && (ending != PlayOrder::Ending::Next || after.current() != ahead.first())) {
        *why = QStringLiteral("handed %1 ahead, went to %2").arg(ahead.first()).arg(after.current());
        return false;
    }
    return true;
}

} // namespace

class TestPlayOrder : public QObject
{
    Q_OBJECT

private slots:
    // Anything a user can do, in any order, on lists of any length: the order stays whole and what is handed
    // ahead is what comes.
    void everyStateHolds()
    {
        for (quint32 seed = 1; seed <= 400; ++seed) {
            QRandomGenerator random(seed);
            PlayOrder order(&random);
            order.reset(int(random.bounded(6)));
            // The songs chosen to play next, in the order chosen: they follow the current song whatever is
            // appended. Followed from a fresh order on; a step back leaves them behind the current song, which
            // the model does not follow until shuffle or a restore makes a fresh order again.
            QList<int> chosen;
            bool following = true;
            for (int step = 0; step < 80; ++step) {
                const int n = order.size();
                const int playing = order.current();
                const int number = order.number();
                const int what = int(random.bounded(12));
                switch (what) {
                case 0:
                    order.setShuffle(!order.isShuffle());
                    chosen.clear();
                    following = true;
                    break;
                case 1:
                    order.setRepeat(PlayOrder::Repeat(random.bounded(3)));
                    break;
                case 2:
                    order.setStopAfterCurrent(!order.isStopAfterCurrent());
                    break;
                case 3:
                    order.append(int(random.bounded(4)));
                    break;
                case 4: {
                    const int place = int(random.bounded(n + 1));
                    order.playAfterCurrent(place);
                    if (place < n && place != playing) {
                        chosen.removeAll(place);
                        chosen << place;
                    }
                    break;
                }
                case 5:
                    order.next();
                    break;
                case 6:
                    following = following && !order.previous();
                    break;
                case 7:
                    order.restore(n, int(random.bounded(n + 1)));
                    chosen.clear();
                    following = true;
                    break;
                case 8:
                    order.songEnded(int(random.bounded(2)) * int(random.bounded(n + 1)));
                    break;
                default:
                    order.songEnded();
                    break;
                }
                QString why;
                // Modes, additions and choices never change the song that plays.
                if (what <= 4 && playing >= 0 && order.current() != playing)
                    why = QStringLiteral("%1 plays, the list says %2").arg(playing).arg(order.current());
                if (following && order.number() == number + 1 && !chosen.isEmpty()) {
                    if (order.current() != chosen.takeFirst())
                        why = QStringLiteral("a song chosen to play next was passed over");
                }
                if (following && why.isEmpty()) {
                    for (int k = 0; k < chosen.size(); ++k) {
                        if (order.at(order.number() + 1 + k) != chosen.at(k))
                            why = QStringLiteral("songs chosen to play next are not next, in their order");
                    }
                }
                QVERIFY2(why.isEmpty() && holds(order, &why),
                    qPrintable(
                        QStringLiteral("seed %1 step %2: %3; %4").arg(seed).arg(step).arg(why, describe(order))));
            }
        }
    }

    // A repeated shuffled list plays every song once a round, also when shuffle is switched on in the middle of
    // the list, after a restore, after songs were added and songs chosen to play next; a round never begins with
    // the song that ended the one before.
    void shuffleIsEverySongOnceARound()
    {
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QRandomGenerator random(seed);
            PlayOrder order(&random);
            order.setRepeat(PlayOrder::Repeat::List);
            order.reset(1 + int(random.bounded(9)));
            QSet<int> round { order.current() };
            bool whole = !order.isShuffle(); // a round in list order begun at the list's start
            const auto fail = [&](const QString& what) {
                return qPrintable(QStringLiteral("seed %1: %2; %3").arg(seed).arg(what, describe(order)));
            };
            for (int step = 0; step < 120; ++step) {
                const int roll = int(random.bounded(20));
                if (roll == 0) {
                    const bool on = !order.isShuffle();
                    const int playing = order.current();
                    order.setShuffle(on);
                    QVERIFY2(order.current() == playing, fail(QStringLiteral("shuffle changed the song")));
                    round = { playing };
                    whole = on; // off, the list order goes on from the song that plays
                } else if (roll == 1) {
                    order.restore(order.size(), int(random.bounded(order.size())));
                    round = { order.current() };
                    whole = order.isShuffle();
                } else if (roll == 2) {
                    order.append(1 + int(random.bounded(3)));
                } else if (roll == 3) {
                    // Only a song still to come: one that had its turn comes again because the user wants it.
                    QList<int> toCome;
                    for (int place = 0; place < order.size(); ++place) {
                        if (!round.contains(place))
                            toCome << place;
                    }
                    if (!toCome.isEmpty())
                        order.playAfterCurrent(toCome.at(int(random.bounded(toCome.size()))));
                } else {
                    const int last = order.current();
                    const int before = order.number();
                    if (roll == 4)
                        QVERIFY(order.next());
                    else
                        QCOMPARE(order.songEnded(), PlayOrder::Ending::Next);
                    if (order.number() < before || (order.number() == 0 && before == 0)) {
                        // A new round.
                        if (whole)
                            QVERIFY2(round.size() == order.size(), fail(QStringLiteral("a round left songs out")));
                        if (order.size() > 1 && order.isShuffle())
                            QVERIFY2(order.current() != last, fail(QStringLiteral("the round began with its last")));
                        round = { order.current() };
                        whole = true;
                    } else {
                        QVERIFY2(!round.contains(order.current()),
                            fail(QStringLiteral("%1 twice in a round").arg(order.current())));
                        round.insert(order.current());
                    }
                }
            }
        }
    }

    // The list's own order: its end ends it, Next and Previous stop at its ends, a repeated song comes again
    // until it cannot be played, and a list that went round failing ends.
    void listOrderAndItsEnds()
    {
        PlayOrder order;
        order.reset(3);
        QVERIFY(!order.hasPrevious());
        QCOMPARE(order.upcoming(8), (QList<int> { 1, 2 }));
        QCOMPARE(order.songEnded(), PlayOrder::Ending::Next);
        QVERIFY(order.next());
        QCOMPARE(order.current(), 2);
        QVERIFY(!order.next());
        QCOMPARE(order.songEnded(), PlayOrder::Ending::End);
        QCOMPARE(order.current(), 0);

        order.setRepeat(PlayOrder::Repeat::Song);
        QCOMPARE(order.upcoming(8), QList<int> { 0 });
        QCOMPARE(order.songEnded(), PlayOrder::Ending::Next);
        QCOMPARE(order.current(), 0);
        QCOMPARE(order.songEnded(1), PlayOrder::Ending::Next); // it could not be played: passed over
        QCOMPARE(order.current(), 1);

        order.setRepeat(PlayOrder::Repeat::List);
        QCOMPARE(order.upcoming(8), (QList<int> { 2, 0, 1 })); // a round ahead at most
        QVERIFY(order.previous());
        QVERIFY(order.previous());
        QCOMPARE(order.current(), 2); // round the start
        QCOMPARE(order.songEnded(3), PlayOrder::Ending::End);

        order.reset(0);
        QCOMPARE(order.current(), -1);
        QCOMPARE(order.songEnded(), PlayOrder::Ending::End);
        QVERIFY(order.upcoming(8).isEmpty());
    }

    // Songs chosen to play next come after the current one in the order they were chosen, each once, and the list
    // goes on where it was; found by name, the nearest after the current song wins, else the nearest before.
    void songsChosenAndFound()
    {
        PlayOrder order;
        order.reset(5);
        order.songEnded();
        order.playAfterCurrent(1); // the current song
        order.playAfterCurrent(4);
        order.playAfterCurrent(0);
        order.playAfterCurrent(9); // not in the list
        QCOMPARE(order.upcoming(8), (QList<int> { 4, 0, 2, 3 }));
        QCOMPARE(order.current(), 1);

        QCOMPARE(order.find([](int place) { return place == 4; }), 1);
        QCOMPARE(order.find([](int place) { return place == 1; }), -1); // the current song itself
        order.moveTo(4);
        QCOMPARE(order.current(), 3);
        QCOMPARE(order.find([](int place) { return place % 2 == 0; }), 3); // behind: the nearest first
    }
};

QTEST_GUILESS_MAIN(TestPlayOrder)
#include "tst_playorder.moc"
