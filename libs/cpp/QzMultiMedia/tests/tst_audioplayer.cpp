#include "AudioFixtures.h"
#include "AudioPlayer.h"
#include "VireoTestMain.h"

#include <QAbstractEventDispatcher>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace QzMultiMedia;

class TestAudioPlayer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // Written out at each change, not only at quit: a crash or a killed session keeps what the user set.
    void volumeAndMuteAreSavedWhenTheyChange()
    {
        const auto stored = [](const char* key) {
            QSettings file(QzWidgets::App::theApp()->settings()->fileName(), QSettings::IniFormat);
            return file.value(QLatin1String("Vireo/") + QLatin1String(key)).toString();
        };
        AudioPlayer::instance()->setVolume(0.3);
        QTRY_COMPARE(stored("SoundVolume"), QStringLiteral("0.3"));
        AudioPlayer::instance()->setMuted(true);
        QTRY_COMPARE(stored("SoundMute"), QStringLiteral("true"));
        AudioPlayer::instance()->setMuted(false);
        QTRY_COMPARE(stored("SoundMute"), QStringLiteral("false"));
    }

    void loopedPlayRepeatsUntilStopped()
    {
        const QString file = m_dir.filePath(QStringLiteral("loop.wav"));
        QVERIFY(AudioFixtures::makeTone(file, 1200));
        AudioPlayer* player = AudioPlayer::instance();
        QSignalSpy finished(player, &AudioPlayer::finished);
        QSignalSpy stopped(player, &AudioPlayer::stopped);

        player->play(file, true);
        QVERIFY(player->isPlaying());
        QCOMPARE(player->fileName(), file);
        QTest::qWait(3000); // two and a half lengths: restarted twice, never ended
        QVERIFY(player->isPlaying());
        QCOMPARE(finished.count(), 0);

        player->stop();
        QVERIFY(player->isStopped());
        QTest::qWait(1500);
        QVERIFY(!player->isPlaying());
        QCOMPARE(finished.count(), 0);
        QCOMPARE(stopped.count(), 0);
    }

    void loopedPlayOfNothingDoesNotSpin()
    {
        AudioPlayer* player = AudioPlayer::instance();
        player->play(m_dir.filePath(QStringLiteral("missing.wav")), true);
        QCOMPARE(player->duration(), qint64(0));
        QCOMPARE(player->remainingDuration(), qint64(0));
        // A re-armed zero-delay timer would wake the event loop thousands of times a second.
        int wakeUps = 0;
        auto* dispatcher = QAbstractEventDispatcher::instance();
        auto counter = connect(dispatcher, &QAbstractEventDispatcher::awake, this, [&] { ++wakeUps; });
        QTest::qWait(300);
        disconnect(counter);
        QVERIFY2(wakeUps < 100, qPrintable(QString::number(wakeUps)));
    }
};

VIREO_TEST_MAIN(TestAudioPlayer)

#include "tst_audioplayer.moc"
