#include "StreamReconnection.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace QzMultiMedia;

namespace {

constexpr int SecondMs = 10; // a second of the schedule, shortened

} // namespace

// When a dropped radio is opened again, when it is given up, and that each end is said once.
class TestStreamReconnection : public QObject
{
    Q_OBJECT

private slots:
    void pausesGrowAndTheStationIsGivenUpOnce()
    {
        StreamReconnection reconnection(nullptr, SecondMs);
        QSignalSpy due(&reconnection, &StreamReconnection::due);
        QSignalSpy ended(&reconnection, &StreamReconnection::ended);
        QList<qint64> pauses;
        for (int k = 0; k < 13; ++k) {
            QElapsedTimer clock;
            clock.start();
            QVERIFY2(reconnection.schedule(true), qPrintable(QString::number(k)));
            QVERIFY(reconnection.isWaiting());
            QVERIFY(due.wait(5000));
            pauses << clock.elapsed();
        }
        // 1, 1, 2, 2, 4, 8 seconds, then 15: a timer may come a little early, never half a pause.
        QVERIFY2(
            pauses.at(5) >= 7 * SecondMs && pauses.at(6) >= 14 * SecondMs, qPrintable(QString::number(pauses.at(5))));
        QCOMPARE(ended.count(), 0);

        QVERIFY(!reconnection.schedule(true));
        QVERIFY(!reconnection.isWaiting());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().toBool(), false);
        QVERIFY(!reconnection.schedule(true));
        QCOMPARE(ended.count(), 1);
    }

    void aStationHeardAgainIsSaidBackAndGetsItsTimeAfresh()
    {
        StreamReconnection reconnection(nullptr, SecondMs);
        QSignalSpy ended(&reconnection, &StreamReconnection::ended);
        QSignalSpy waiting(&reconnection, &StreamReconnection::waitingChanged);
        for (int k = 0; k < 12; ++k)
            QVERIFY(reconnection.schedule(true));
        QVERIFY(reconnection.isRetrying());
        reconnection.heard();
        QVERIFY(!reconnection.isWaiting());
        QVERIFY(!reconnection.isRetrying());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().toBool(), true);
        QCOMPARE(waiting.count(), 2); // on at the first drop, off when heard
        reconnection.heard(); // heard on: nothing new
        QCOMPARE(ended.count(), 1);
        for (int k = 0; k < 13; ++k)
            QVERIFY2(reconnection.schedule(true), qPrintable(QString::number(k)));
    }

    void whatEndsTheWait()
    {
        StreamReconnection reconnection(nullptr, SecondMs);
        QSignalSpy due(&reconnection, &StreamReconnection::due);
        QSignalSpy ended(&reconnection, &StreamReconnection::ended);

        // A song that simply ended, or is no stream, is not opened again, and no outage is said.
        QVERIFY(!reconnection.schedule(false));
        QCOMPARE(ended.count(), 0);

        // Paused: no reopening comes, and the listener is no longer told it waits.
        QVERIFY(reconnection.schedule(true));
        reconnection.endWait();
        QVERIFY(!reconnection.isWaiting());
        // Play tries at once: the pause's end does nothing, and the waiting goes on until the station is heard.
        QVERIFY(reconnection.schedule(true));
        reconnection.retryNow();
        QVERIFY(reconnection.isWaiting());
        QVERIFY(!due.wait(10 * SecondMs));

        // Another song: the outage is forgotten, not said given up.
        reconnection.reset();
        QVERIFY(!reconnection.isWaiting());
        QVERIFY(!reconnection.isRetrying());
        QVERIFY(!reconnection.schedule(false));
        QCOMPARE(ended.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestStreamReconnection)
#include "tst_streamreconnection.moc"
