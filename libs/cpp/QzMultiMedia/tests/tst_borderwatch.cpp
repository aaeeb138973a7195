#include "BorderWatch_linux.h"
#include "GstSupport_linux.h"

#include <QSignalSpy>
#include <QTest>

#include <gst/gst.h>

using namespace QzMultiMedia;

namespace {

// A pipeline that plays in real time and says where it is.
struct Clocked
{
    GstElement* pipeline = nullptr;
    explicit Clocked(GstState state)
    {
        pipeline = gst_parse_launch("audiotestsrc ! audioconvert ! fakesink sync=true", nullptr);
        gst_element_set_state(pipeline, state);
        gst_element_get_state(pipeline, nullptr, nullptr, 5 * GST_SECOND);
    }
    ~Clocked()
    {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
    qint64 heardMs() const
    {
        gint64 ns = 0;
        return gst_element_query_position(pipeline, GST_FORMAT_TIME, &ns) ? ns / GST_MSECOND : -1;
    }
};

} // namespace

// The moment a CUE border is heard, by the pipeline's clock.
class TestBorderWatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        GstSupport::ensureGstreamer();
    }

    void saysWhenTheMomentIsHeard_data()
    {
        QTest::addColumn<qint64>("runMs");
        QTest::addColumn<double>("speed");
        QTest::addColumn<qint64>("heardMs");

        QTest::newRow("as recorded") << qint64(400) << 1.0 << qint64(400);
        // Played four times as fast, the run's 1.6 s pass in 400 ms of the clock.
        QTest::newRow("four times as fast") << qint64(1600) << 4.0 << qint64(400);
    }
    void saysWhenTheMomentIsHeard()
    {
        QFETCH(qint64, runMs);
        QFETCH(double, speed);
        QFETCH(qint64, heardMs);

        Clocked clocked(GST_STATE_PLAYING);
        BorderWatch_linux border;
        QSignalSpy reached(&border, &BorderWatch_linux::reached);
        QVERIFY(border.watch(clocked.pipeline, runMs, speed));
        QVERIFY(border.isWatching());
        QVERIFY(reached.wait(10000));
        const qint64 at = clocked.heardMs();
        QVERIFY2(at >= heardMs - 20 && at < heardMs + 600, qPrintable(QString::number(at)));
        QVERIFY(!border.isWatching());
        QCOMPARE(reached.count(), 1);
    }

    void nothingIsSaidOfAWatchLetGoOrOfAPipelineThatDoesNotPlay()
    {
        Clocked paused(GST_STATE_PAUSED);
        BorderWatch_linux border;
        QSignalSpy reached(&border, &BorderWatch_linux::reached);
        QVERIFY(!border.watch(paused.pipeline, 100, 1.0));

        Clocked playing(GST_STATE_PLAYING);
        QVERIFY(border.watch(playing.pipeline, 100, 1.0));
        border.cancel();
        // A watch made anew replaces the one before: only its own moment is said.
        QVERIFY(border.watch(playing.pipeline, 300, 1.0));
        QVERIFY(reached.wait(10000));
        QVERIFY2(playing.heardMs() >= 280, qPrintable(QString::number(playing.heardMs())));
        QVERIFY(border.watch(playing.pipeline, playing.heardMs() + 100, 1.0));
        border.cancel();
        QVERIFY(!reached.wait(400));
        QCOMPARE(reached.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestBorderWatch)
#include "tst_borderwatch.moc"
