#include "VolumeEcho.h"

#include <QTest>

using namespace QzMultiMedia;

// Which volumes told by the sound server are the program's own echoes, and when it is worth listening at all.
class TestVolumeEcho : public QObject
{
    Q_OBJECT

private slots:
    void echoesOfTheLastTwoSecondsAreTheProgramsOwn()
    {
        qint64 now = 10000;
        VolumeEcho echo([&now] { return now; });
        QVERIFY(!echo.isOwnEcho(0.5));
        echo.noteSet(0.3);
        now += 1500;
        echo.noteSet(0.5); // a fade: every step's echo may still come
        now += 1900;
        QVERIFY(echo.isOwnEcho(0.3));
        QVERIFY(echo.isOwnEcho(0.5004));
        QVERIFY(!echo.isOwnEcho(0.4)); // someone else's
        now += 100;
        QVERIFY(!echo.isOwnEcho(0.5)); // two seconds after the last set: anybody's
        echo.noteSet(0.7); // a set after a quiet while starts the list afresh
        QVERIFY(!echo.isOwnEcho(0.3));
        QVERIFY(echo.isOwnEcho(0.7));
    }

    void aNewStreamIsHeardOnlyOnceItHasPlayedAWhile()
    {
        qint64 now = 0;
        VolumeEcho echo([&now] { return now; });
        QVERIFY(!echo.isListening());
        echo.noteStreamStarted();
        now += 1499;
        QVERIFY(!echo.isListening());
        now += 1;
        QVERIFY(echo.isListening());
        echo.noteStreamStarted(); // played again
        QVERIFY(!echo.isListening());
    }
};

QTEST_GUILESS_MAIN(TestVolumeEcho)
#include "tst_volumeecho.moc"
