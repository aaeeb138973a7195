#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "PulseServer.h"
#include "SongIntake.h"
#include "VireoTestMain.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace QzMultiMedia;

// Commands in a storm while songs play through the sound server users have (a private PulseAudio with a null
// sink): new lists from folders and files, Next, Previous, seeks, pause and play, a few milliseconds apart.
// Tearing a pipeline down under a thread that was still setting up a song aborted the program inside the sound
// server's client library; one pipeline for the whole run does not.
class TestEngineStorm : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    PulseServer m_pulse;
    QList<QUrl> m_songs;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(m_pulse.start(), "no private PulseAudio server");
        QDir(m_dir.path()).mkdir(QStringLiteral("album"));
        for (int i = 0; i < 4; ++i) {
            const QString song = m_dir.filePath(QStringLiteral("album/%1.mp3").arg(i));
            QVERIFY(AudioFixtures::makeTone(song, 1000, 300 + 100 * i));
            m_songs << QUrl::fromLocalFile(song);
        }
        const QString ogg = m_dir.filePath(QStringLiteral("album/4.ogg"));
        QVERIFY(AudioFixtures::makeTone(ogg, 1000, 700));
        m_songs << QUrl::fromLocalFile(ogg);
        const QString damaged = m_dir.filePath(QStringLiteral("damaged.mp3"));
        QVERIFY(AudioFixtures::writeBytes(damaged, AudioFixtures::randomBytes(20000, 5)));
        m_songs << QUrl::fromLocalFile(damaged);
    }

    void commandsWhilePlaying()
    {
        AudioListPlayer* list = AudioListPlayer::instance();
        const QUrl folder = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("album")));
        QRandomGenerator random(2026);
        list->setPlayList(m_songs);
        for (int i = 0; i < 500; ++i) {
            switch (random.bounded(6)) {
            case 0:
                SongIntake::play({ random.bounded(2) ? folder : m_songs.at(random.bounded(m_songs.size())) });
                break;
            case 1:
                list->slotPlayNext();
                break;
            case 2:
                list->slotPlayPrevious();
                break;
            case 3:
                AudioPlayer::instance()->setPosition(random.bounded(900));
                break;
            case 4:
                list->isPlaying() ? list->pause() : list->play();
                break;
            default:
                list->slotPlayFromList(m_songs.at(random.bounded(m_songs.size())));
                break;
            }
            QTest::qWait(random.bounded(1, 20));
        }

        // Whatever the storm left, the next command is obeyed.
        const QString last = m_dir.filePath(QStringLiteral("last.ogg"));
        QVERIFY(AudioFixtures::makeTone(last, 5000, 880));
        list->setPlayList({ QUrl::fromLocalFile(last) });
        QTRY_VERIFY_WITH_TIMEOUT(AudioPlayer::instance()->position() > 200, 3000);
        QCOMPARE(list->state(), PlayState::Playing);
        QCOMPARE(AudioPlayer::instance()->fileName(), last);
        QCOMPARE(list->playList(), QList<QUrl> { QUrl::fromLocalFile(last) });
        list->pause();
        QCOMPARE(list->state(), PlayState::Paused);
    }

    // Next at the pace of the songs (one-second MP3s, 0.8 s apart), as a user holding a media key does: each one
    // came while the song before was still being set up or handed over, and aborted the program in the sound
    // server's client library in nearly every run. Fifteen of them: every Next moves on, and the song it reached is
    // heard.
    void nextAtTheSongsPace()
    {
        AudioListPlayer* list = AudioListPlayer::instance();
        QList<QUrl> songs;
        for (int i = 0; i < 100; ++i)
            songs << m_songs.at(i % 4);
        list->setPlayList(songs);
        for (int i = 1; i <= 15; ++i) {
            QTest::qWait(800);
            const int before = list->currentNumber(); // a song may also have ended by itself meanwhile
            list->slotPlayNext();
            QCOMPARE(list->currentNumber(), before + 1);
        }
        QTRY_VERIFY_WITH_TIMEOUT(AudioPlayer::instance()->position() > 100, 3000);
        QVERIFY(m_pulse.startRecording());
        QTest::qWait(300);
        QVERIFY(PulseServer::rms(m_pulse.takeRecording()) > 1000.0);
    }
};

VIREO_TEST_MAIN(TestEngineStorm)
#include "tst_enginestorm.moc"
