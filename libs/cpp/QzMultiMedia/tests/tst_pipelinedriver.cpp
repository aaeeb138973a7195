#include "AudioFixtures.h"
#include "GstSupport_linux.h"
#include "PipelineDriver_linux.h"

#include <QTemporaryDir>
#include <QTest>

#include <gst/gst.h>

using namespace QzMultiMedia;
using Want = PipelineDriver_linux::Want;

namespace {

// Wants what the test says, and counts what the driver hands on.
struct Owner : PipelineDriver_linux::Owner
{
    Want want = Want::Hold;
    int setIns = 0;
    int readies = 0;
    int errors = 0;
    Want wanted(bool) const override
    {
        return want;
    }
    void songSetIn() override
    {
        ++setIns;
    }
    void handle(GstMessage* message) override
    {
        readies += GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE;
        errors += GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
    }
    void messagesRead() override { }
};

GstState stateOf(GstElement* pipeline)
{
    GstState current = GST_STATE_VOID_PENDING;
    gst_element_get_state(pipeline, &current, nullptr, 0);
    return current;
}

QByteArray uriOf(GstElement* pipeline)
{
    gchar* uri = nullptr;
    g_object_get(pipeline, "current-uri", &uri, nullptr);
    const QByteArray copy(uri);
    g_free(uri);
    return copy;
}

} // namespace

// The phase core: the one pipeline moves where its owner wants it, once it can, and songs asked for while one
// settles wait for it and collapse into the last.
class TestPipelineDriver : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_tone;
    QByteArray m_other;
    QByteArray m_broken;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString tone = m_dir.filePath(QStringLiteral("tone.ogg"));
        const QString other = m_dir.filePath(QStringLiteral("other.ogg"));
        const QString broken = m_dir.filePath(QStringLiteral("broken.ogg"));
        QVERIFY(AudioFixtures::makeTone(tone, 3000));
        QVERIFY(AudioFixtures::makeTone(other, 3000, 660));
        QVERIFY(AudioFixtures::writeBytes(broken, AudioFixtures::randomBytes(20000, 7)));
        m_tone = GstSupport::playableUri(tone);
        m_other = GstSupport::playableUri(other);
        m_broken = GstSupport::playableUri(broken);
    }

    void movesWhereItsOwnerWants()
    {
        Owner owner;
        PipelineDriver_linux driver(&owner);
        QVERIFY(driver.ensure(0.5));
        QVERIFY(!driver.ensure(0.5)); // one pipeline for the whole run
        driver.load(m_tone);
        QCOMPARE(owner.setIns, 1);
        QVERIFY(driver.isStarting());
        QVERIFY(!driver.outputRan());
        owner.want = Want::Play;
        driver.applyTarget();
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(driver.pipeline()), GST_STATE_PLAYING, 10000);
        QVERIFY(driver.outputRan());
        // Told by the bus's message, which is read a moment after the pipeline has got there.
        QTRY_COMPARE_WITH_TIMEOUT(owner.readies, 1, 5000);
        owner.want = Want::Hold;
        driver.applyTarget();
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(driver.pipeline()), GST_STATE_PAUSED, 10000);
        owner.want = Want::Play;
        driver.applyTarget();
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(driver.pipeline()), GST_STATE_PLAYING, 10000);
        // Nothing to play: it stays where it is.
        owner.want = Want::Nothing;
        driver.applyTarget();
        QTest::qWait(200);
        QCOMPARE(stateOf(driver.pipeline()), GST_STATE_PLAYING);
        driver.release();
        QVERIFY(!driver.pipeline());
    }

    void songsAskedForWhileOneSettlesCollapseIntoTheLast_data()
    {
        QTest::addColumn<bool>("firstBroken");
        QTest::newRow("the first gets ready") << false;
        QTest::newRow("the first fails") << true;
    }
    void songsAskedForWhileOneSettlesCollapseIntoTheLast()
    {
        QFETCH(bool, firstBroken);
        Owner owner;
        owner.want = Want::Play;
        PipelineDriver_linux driver(&owner);
        QVERIFY(driver.ensure(0.5));
        driver.load(firstBroken ? m_broken : m_tone);
        driver.applyTarget(); // settles from now on
        QVERIFY(driver.isSettling());
        driver.load(m_tone);
        driver.load(m_other);
        QVERIFY(driver.isLoadWaiting());
        QCOMPARE(owner.setIns, 1);
        // The song that settled is not the owner's news: only the last one asked for is.
        QTRY_COMPARE_WITH_TIMEOUT(owner.readies, 1, 10000);
        QCOMPARE(owner.setIns, 2);
        QCOMPARE(owner.errors, 0);
        QCOMPARE(uriOf(driver.pipeline()), m_other);
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(driver.pipeline()), GST_STATE_PLAYING, 10000);
    }
};

QTEST_GUILESS_MAIN(TestPipelineDriver)
#include "tst_pipelinedriver.moc"
