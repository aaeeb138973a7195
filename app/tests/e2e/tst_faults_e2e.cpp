#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "DropOnIcon.h"
#include "TestDesktop.h"
#include "Vireo.h"
#include "VireoTestMain.h"

#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>

#include <memory>

using QzMultiMedia::AudioListPlayer;

namespace {
std::unique_ptr<DesktopSession>& desktop = TestDesktop::desktop;
std::unique_ptr<PulseServer>& pulse = TestDesktop::pulse;
} // namespace

// What the desktop can do to a running player: take its sound server away and give it back, restart the tray,
// delete or overwrite the song that is playing. The player carries on each time.
class TestFaultsEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_media;
    std::unique_ptr<Vireo> m_vireo;

    QUrl song(const char* name)
    {
        return QUrl::fromLocalFile(m_media.filePath(QLatin1String(name)));
    }

    void drop(const QList<QUrl>& urls)
    {
        dropOnIcon(*m_vireo, urls);
    }

    // The sink may take a moment to start a new stream: once the song is well under way, it must be heard.
    bool soundComes()
    {
        const qint64 from = QzMultiMedia::AudioPlayer::instance()->position();
        if (!DesktopSession::waitFor(
                [&] { return QzMultiMedia::AudioPlayer::instance()->position() > from + 600; }, 5000))
            return false;
        if (!pulse->startRecording())
            return false;
        QTest::qWait(800);
        return PulseServer::rms(pulse->takeRecording()) > 1000.0;
    }

    bool showsStop() const
    {
        return m_vireo->icon().pixmap(22, 22).toImage() == QIcon(QStringLiteral(":/_pix/Stop.png")).pixmap(22, 22).toImage()
            && m_vireo->transportAction(Vireo::Transport::PlayPause)->text() == QLatin1String("&Play");
    }

    void play()
    {
        m_vireo->transportAction(Vireo::Transport::PlayPause)->trigger();
    }

    bool iconEmbedded() const
    {
        return !m_vireo->geometry().isEmpty()
            && QRegularExpression(QStringLiteral("\\d+x\\d+\\+0\\+0\\s+\\+[1-9]"))
                   .match(DesktopSession::windowTree().section(QStringLiteral("\"panel\""), 1))
                   .hasMatch();
    }

private slots:
    void initTestCase()
    {
        for (const char* name : { "a.mp3", "b.ogg", "c.wav", "victim.wav", "overwritten.mp3" })
            QVERIFY(AudioFixtures::makeTone(m_media.filePath(QLatin1String(name)), 12000, 440));
        m_vireo = std::make_unique<Vireo>();
        QVERIFY(DesktopSession::waitFor([&] { return !m_vireo->geometry().isEmpty(); }, 5000));
    }

    // Without a sound server nothing can be heard: the list does not run through its songs as if they were bad,
    // it stops and shows it.
    void noSoundServer()
    {
        pulse->stop();
        drop({ song("a.mp3"), song("b.ogg") });
        QVERIFY(DesktopSession::waitFor([&] { return showsStop(); }, 3000));
        QVERIFY(!AudioListPlayer::instance()->isPlaying());
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 0);
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QVERIFY(DesktopSession::waitFor([&] { return showsStop(); }, 3000));
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("b.ogg"));
    }

    // The server comes back: Play tries again, and the song is heard.
    void soundServerComesBack()
    {
        QVERIFY(pulse->start());
        play();
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QCOMPARE(AudioListPlayer::instance()->currentName(), QStringLiteral("b.ogg"));
        QVERIFY(soundComes());
    }

    // Killed under a playing song, the server takes the sound away: the tray says so at once, and after the
    // restart the user's Play is heard.
    void soundServerKilledDuringPlaybackAndStartedAgain()
    {
        pulse->stop();
        QVERIFY(DesktopSession::waitFor([&] { return showsStop(); }, 3000));
        QVERIFY(!AudioListPlayer::instance()->isPlaying());
        QCOMPARE(AudioListPlayer::instance()->currentName(), QStringLiteral("b.ogg"));
        QVERIFY(pulse->start());
        play();
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QVERIFY(soundComes());
    }

    void songDeletedOrOverwrittenWhilePlaying()
    {
        drop({ song("victim.wav"), song("overwritten.mp3"), song("c.wav") });
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QTest::qWait(300);
        QVERIFY(QFile::remove(song("victim.wav").toLocalFile()));
        QTest::qWait(500);
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QTest::qWait(300);
        QVERIFY(
            AudioFixtures::writeBytes(song("overwritten.mp3").toLocalFile(), AudioFixtures::randomBytes(300000, 5)));
        QTest::qWait(1500); // whatever the decoder makes of it, the program is still here
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("c.wav"));
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QVERIFY(soundComes());
    }

    void trayRestartedIconComesBack()
    {
        QVERIFY(DesktopSession::waitFor([&] { return iconEmbedded(); }, 3000));
        desktop->stopTray();
        QVERIFY(
            DesktopSession::waitFor([] { return !DesktopSession::treeContains(QStringLiteral("\"panel\"")); }, 5000));
        QTest::qWait(500);
        QVERIFY(desktop->startTray());
        QVERIFY2(DesktopSession::waitFor([&] { return iconEmbedded(); }, 8000), "the icon did not come back");
        // The catcher follows it there.
        QVERIFY(DesktopSession::waitFor(
            [&] {
                return m_vireo->dropCatcher()->isVisible() && m_vireo->dropCatcher()->geometry() == m_vireo->geometry();
            },
            3000));
    }
};

int main(int argc, char** argv)
{
    return TestDesktop::run<TestFaultsEndToEnd>(argc, argv);
}

#include "tst_faults_e2e.moc"
