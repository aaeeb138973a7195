#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "PulseServer.h"
#include "VireoTestMain.h"

#include <QTemporaryDir>

using namespace QzMultiMedia;

// Sound really comes out: the play list plays a 440 Hz tone through the default sink into a private
// PulseAudio server, and the sink's monitor hears it while playing and hears nothing while paused.
class TestSoundEndToEnd : public QObject
{
    Q_OBJECT

    PulseServer m_pulse;
    QTemporaryDir m_dir;

    QVector<qint16> record(int ms)
    {
        if (!m_pulse.startRecording())
            return {};
        QTest::qWait(ms);
        return m_pulse.takeRecording();
    }

private slots:
    void initTestCase()
    {
        qunsetenv("VIREO_AUDIO_SINK"); // the program's own choice of sink
        QVERIFY2(m_pulse.start(), "the private PulseAudio server did not start");
        QVERIFY(AudioFixtures::makeTone(m_dir.filePath(QStringLiteral("tone.mp3")), 8000, 440));
    }

    void toneWhilePlayingSilenceWhilePaused()
    {
        AudioListPlayer* player = AudioListPlayer::instance();
        player->setVolume(1.0);
        player->setPlayList({ QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("tone.mp3"))) });
        QVERIFY(player->isPlaying());
        QTest::qWait(300); // let the stream settle

        const QVector<qint16> playing = record(2500);
        const double level = PulseServer::rms(playing);
        const double at440 = PulseServer::toneAmplitude(playing, 440.0);
        const double at1000 = PulseServer::toneAmplitude(playing, 1000.0);
        qInfo("playing: %lld samples, rms %.0f, 440 Hz %.0f, 1000 Hz %.0f", qlonglong(playing.size()), level, at440,
            at1000);
        QVERIFY2(playing.size() > PulseServer::Rate / 2, "the sink's monitor delivered too little to judge");
        QVERIFY(level > 1000.0);
        // A pure sine of amplitude A has an rms of A/sqrt(2): nearly all of the sound is the tone.
        QVERIFY(at440 / std::sqrt(2.0) > 0.8 * level);
        QVERIFY(at1000 < 0.05 * at440);

        player->pause();
        QTest::qWait(300);
        const QVector<qint16> paused = record(1000);
        qInfo("paused: %lld samples, rms %.1f", qlonglong(paused.size()), PulseServer::rms(paused));
        QVERIFY(PulseServer::rms(paused) < 100.0);

        player->play();
        QTest::qWait(300);
        const QVector<qint16> resumed = record(1000);
        QVERIFY(PulseServer::toneAmplitude(resumed, 440.0) / std::sqrt(2.0) > 0.8 * PulseServer::rms(resumed));
        QVERIFY(PulseServer::rms(resumed) > 1000.0);
        player->stop();
    }
};

VIREO_TEST_MAIN(TestSoundEndToEnd)
#include "tst_sound_e2e.moc"
