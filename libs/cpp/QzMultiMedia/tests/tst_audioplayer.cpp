#include "AudioFixtures.h"
#include "AudioPlayer.h"
#include "VireoTestMain.h"

#include <QAbstractEventDispatcher>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace QzMultiMedia;

namespace {

// One run of the program's engine in a child process on a given home: optionally set volume and mute, quit the
// event loop as "Quit" does, and print what the player started with.
int probe(int argc, char** argv)
{
    QzWidgets::App app(argc, argv, QStringLiteral("Corvane"), QStringLiteral("Vireo"));
    AudioPlayer* player = AudioPlayer::instance();
    const QString started = QStringLiteral("%1 %2").arg(player->volume()).arg(player->isMuted() ? 1 : 0);
    if (argc >= 4) {
        player->setVolume(QString::fromLatin1(argv[2]).toDouble());
        if (qstrcmp(argv[3], "1") == 0) // unmuting restores the remembered volume, so only mute
            player->setMuted(true);
    }
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    const int code = app.exec();
    fprintf(stdout, "%s\n", qPrintable(started));
    return code;
}

} // namespace

class TestAudioPlayer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString runProbe(const QString& home, const QStringList& args)
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vireo.*.debug=false"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList { QStringLiteral("--probe") } + args);
        if (!child.waitForFinished(20000) || child.exitCode() != 0)
            return QStringLiteral("probe failed: ") + QString::fromUtf8(child.readAllStandardError());
        return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
    }

private slots:
    void volumeAndMuteSurviveARestart()
    {
        QTemporaryDir home;
        QCOMPARE(runProbe(home.path(), { QStringLiteral("0.3"), QStringLiteral("0") }), QStringLiteral("0.5 0"));
        QCOMPARE(runProbe(home.path(), { QStringLiteral("0.8"), QStringLiteral("1") }), QStringLiteral("0.3 0"));
        // A run that ended muted stored the silence with it: the next run starts silent.
        QCOMPARE(runProbe(home.path(), {}), QStringLiteral("0 1"));
    }

    void damagedVolumeIsNeverLouderThanFull()
    {
        QTemporaryDir home;
        QDir().mkpath(home.path() + QStringLiteral("/.config/Vireo"));
        QVERIFY(AudioFixtures::writeBytes(home.path() + QStringLiteral("/.config/Vireo/settings.plist"),
            "[Vireo]\nSoundVolume=1e308\nSoundMute=maybe\n"));
        // Started with the stored value as given; the back end clamps it when it reaches the pipeline.
        QCOMPARE(runProbe(home.path(), {}), QStringLiteral("1e+308 0"));
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

int main(int argc, char** argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--probe") == 0)
        return probe(argc, argv);
    return VireoTest::runTests<TestAudioPlayer>(argc, argv);
}

#include "tst_audioplayer.moc"
