#include "AudioFixtures.h"
#include "AudioPlayer.h"
#include "CoverCache.h"
#include "MediaHost.h"
#include "VireoTestMain.h"

#include <QAbstractEventDispatcher>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace QzMultiMedia;

// Settings in a file of the test's own, as the program keeps them in its settings file.
class FileHost : public MediaHost
{
public:
    explicit FileHost(const QString& folder)
        : m_settings(folder + QStringLiteral("/settings.ini"), QSettings::IniFormat)
        , m_folder(folder + QLatin1Char('/'))
    { }
    QVariant settingsValue(const QString& key, const QVariant& defaultValue) override
    {
        return m_settings.value(key, defaultValue);
    }
    void setSettingsValue(const QString& key, const QVariant& value) override
    {
        m_settings.setValue(key, value);
        m_settings.sync();
    }
    QString cachesDirectory() override
    {
        return m_folder;
    }
    QString fileName() const
    {
        return m_settings.fileName();
    }

private:
    QSettings m_settings;
    QString m_folder;
};

class TestAudioPlayer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FileHost m_host { m_dir.path() };

private slots:
    void initTestCase()
    {
        MediaHost::install(&m_host);
    }

    // Written out at each change, not only at quit: a crash or a killed session keeps what the user set.
    void volumeAndMuteAreSavedWhenTheyChange()
    {
        const auto stored = [this](const char* key) {
            return QSettings(m_host.fileName(), QSettings::IniFormat).value(QLatin1String(key)).toString();
        };
        AudioPlayer::instance()->setVolume(0.3);
        QTRY_COMPARE(stored("SoundVolume"), QStringLiteral("0.3"));
        AudioPlayer::instance()->setMuted(true);
        QTRY_COMPARE(stored("SoundMute"), QStringLiteral("true"));
        AudioPlayer::instance()->setMuted(false);
        QTRY_COMPARE(stored("SoundMute"), QStringLiteral("false"));
        // A burst of changes (a volume turned from outside a thousand times a second) is written once it settles.
        for (int i = 0; i < 50; ++i) {
            AudioPlayer::instance()->setVolume(i % 2 ? 0.9 : 0.1);
            QCoreApplication::processEvents();
        }
        QCOMPARE(stored("SoundVolume"), QStringLiteral("0.3"));
        QTRY_COMPARE(stored("SoundVolume"), QStringLiteral("0.9"));
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

    // Covers from tags are kept for the desktop to show: a picture of a cover's size as it is, a large one scaled
    // down, bytes that are no picture (whatever the tag calls them) not at all; and the cache does not grow for ever.
    void coversAreKeptAsPicturesOfACoversSize()
    {
        const auto encoded = [](const QSize& size, const char* format) {
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::darkGreen);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, format);
            return bytes;
        };
        const QByteArray small = encoded(QSize(300, 300), "PNG");
        const QString kept = CoverCache::fileFor(small, QStringLiteral("image/png"));
        QVERIFY(!kept.isEmpty());
        QFile file(kept);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), small);
        QCOMPARE(CoverCache::fileFor(small, QStringLiteral("image/png")), kept);

        const QString scaled = CoverCache::fileFor(encoded(QSize(2000, 1000), "JPEG"), QStringLiteral("image/jpeg"));
        QCOMPARE(QImage(scaled).size(), QSize(512, 256));

        QVERIFY(CoverCache::fileFor(QByteArray("not a picture at all"), QStringLiteral("image/jpeg")).isEmpty());
        QVERIFY(CoverCache::fileFor(QByteArray("\x89PNG\r\n\x1a\n broken"), QStringLiteral("image/png")).isEmpty());

        for (int i = 0; i < 210; ++i)
            CoverCache::fileFor(encoded(QSize(8 + i, 8), "PNG"), QStringLiteral("image/png"));
        QVERIFY(QDir(QFileInfo(kept).path()).entryList(QDir::Files).size() <= 200);
    }
};

VIREO_TEST_MAIN(TestAudioPlayer)

#include "tst_audioplayer.moc"
