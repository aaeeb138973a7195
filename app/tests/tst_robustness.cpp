#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "DropOnIcon.h"
#include "JumpToSongWindow.h"
#include "SongIntake.h"
#include "Vireo.h"
#include "VireoTestMain.h"

#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QTcpServer>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::AudioPlayer;

// Everything a music folder can hold, dropped on the icon through the same path as a real drop: nothing
// crashes, nothing hangs, nothing reaches the network, the menu still opens and a good song still plays.
class TestRobustness : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QUrl m_good;
    std::unique_ptr<Vireo> m_vireo;
    QTcpServer m_server; // stands in for a remote host: nobody may ever connect to it
    // No operation waits for the pipeline; the test machine gets generous slack all the same.
    const int bound = 1000;

    QString path(const QString& name) const
    {
        return m_dir.filePath(name);
    }

    void drop(const QList<QUrl>& urls)
    {
        dropOnIcon(*m_vireo, urls);
    }

    // Drops the list, then steps through every entry with "Next Song", each step within the bound.
    void dropAndPlayEach(const QList<QUrl>& urls)
    {
        QElapsedTimer clock;
        clock.start();
        drop(urls);
        QVERIFY2(clock.elapsed() < bound, qPrintable(QStringLiteral("drop took %1 ms").arg(clock.elapsed())));
        QCOMPARE(AudioListPlayer::instance()->playList().size(), urls.size());
        for (int i = 1; i < urls.size(); ++i) {
            clock.restart();
            m_vireo->transportAction(Vireo::Transport::Next)->trigger();
            QVERIFY2(clock.elapsed() < bound,
                qPrintable(urls[i].toString() + QStringLiteral(": %1 ms").arg(clock.elapsed())));
            QCoreApplication::processEvents();
        }
    }

    void goodSongStillPlays()
    {
        // The menu still opens...
        QMenu* menu = m_vireo->contextMenu();
        menu->popup(QPoint(10, 10));
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
        // ...and a good song picked afterwards plays, its position advancing.
        drop({ m_good });
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        const qint64 start = AudioPlayer::instance()->position();
        QTRY_VERIFY_WITH_TIMEOUT(AudioPlayer::instance()->position() > start + 300, 6000);
        QCOMPARE(m_server.hasPendingConnections(), false);
    }

private slots:
    void initTestCase()
    {
        m_good = QUrl::fromLocalFile(path(QStringLiteral("good.ogg")));
        QVERIFY(AudioFixtures::makeTone(m_good.toLocalFile(), 5000));
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        m_vireo = std::make_unique<Vireo>();
    }

    void cleanup()
    {
        goodSongStillPlays();
    }

    void cleanupTestCase()
    {
        QFile::setPermissions(path(QStringLiteral("locked.wav")), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        ::unlink((QFile::encodeName(m_dir.path()) + "/latin1-\xe9\xff.wav").constData()); // Qt cannot name it
    }

    void randomBytesWithAudioSuffixes()
    {
        const char* suffixes[] = { ".mp3", ".wav", ".ogg", ".m4a", ".wma", ".ac3", ".aac", ".3ga", ".aiff", ".flac" };
        QRandomGenerator sizes(4242);
        QList<QUrl> urls;
        for (int i = 0; i < 300; ++i) {
            const QString file = path(QStringLiteral("noise%1%2").arg(i).arg(QLatin1String(suffixes[i % 10])));
            const int size = int(sizes.bounded(1, 200000));
            QVERIFY(AudioFixtures::writeBytes(file, AudioFixtures::randomBytes(size, quint32(i))));
            urls << QUrl::fromLocalFile(file);
        }
        dropAndPlayEach(urls);
    }

    void truncatedFiles()
    {
        QList<QUrl> urls;
        for (const char* name : { "cut.mp3", "cut.ogg", "cut.flac" }) {
            const QString whole = path(QStringLiteral("whole-") + QLatin1String(name));
            QVERIFY(AudioFixtures::makeTone(whole, 3000));
            QFile in(whole);
            QVERIFY(in.open(QIODevice::ReadOnly));
            const QByteArray bytes = in.readAll();
            for (int keep : { 600, int(bytes.size() / 2) }) {
                const QString cut = path(QStringLiteral("%1-").arg(keep) + QLatin1String(name));
                QVERIFY(AudioFixtures::writeBytes(cut, bytes.left(keep)));
                urls << QUrl::fromLocalFile(cut);
            }
        }
        dropAndPlayEach(urls);
        // A half file plays its half and ends by itself: the list moves on or stops, it does not hang.
        QTRY_VERIFY_WITH_TIMEOUT(!AudioListPlayer::instance()->isPlaying(), 4000);
    }

    void thingsThatAreNotAudioFiles()
    {
        QVERIFY(AudioFixtures::writeBytes(path(QStringLiteral("empty.mp3")), QByteArray()));
        QCOMPARE(mkfifo(QFile::encodeName(path(QStringLiteral("fifo.mp3"))).constData(), 0644), 0);
        QVERIFY(AudioFixtures::makeTone(path(QStringLiteral("locked.wav")), 1000));
        QFile::setPermissions(path(QStringLiteral("locked.wav")), QFileDevice::Permissions());
        QVERIFY(QFile::link(path(QStringLiteral("nowhere.mp3")), path(QStringLiteral("dangling.mp3"))));
        QVERIFY(QFile::link(path(QStringLiteral("loop-b.mp3")), path(QStringLiteral("loop-a.mp3"))));
        QVERIFY(QFile::link(path(QStringLiteral("loop-a.mp3")), path(QStringLiteral("loop-b.mp3"))));
        QList<QUrl> urls;
        for (const char* name : { "empty.mp3", "fifo.mp3", "locked.wav", "dangling.mp3", "loop-a.mp3" })
            urls << QUrl::fromLocalFile(path(QLatin1String(name)));
        urls << QUrl::fromLocalFile(QStringLiteral("/dev/zero")) << QUrl::fromLocalFile(QStringLiteral("/dev/urandom"));
        dropAndPlayEach(urls);
    }

    // CUE sheets that cannot be read change nothing; tracks that lie past their image's end, or in a file that is
    // not audio, are passed over like any song that cannot be played, and the list comes to its end.
    void cueSheetsThatLie()
    {
        drop({ m_good });
        const QList<QUrl> before = AudioListPlayer::instance()->playList();
        QCOMPARE(mkfifo(QFile::encodeName(path(QStringLiteral("fifo.cue"))).constData(), 0644), 0);
        QVERIFY(AudioFixtures::writeBytes(path(QStringLiteral("garbage.cue")), AudioFixtures::randomBytes(3000, 5)));
        QVERIFY(AudioFixtures::makeTone(path(QStringLiteral("short.wav")), 600));
        QVERIFY(AudioFixtures::writeBytes(path(QStringLiteral("lies.cue")),
            "FILE \"short.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 "
            "01:00:00\n"
            "  TRACK 03 AUDIO\n    INDEX 01 02:00:00\nFILE \"lies.cue\" WAVE\n  TRACK 04 AUDIO\n    INDEX 01 00:00:00\n"
            "  TRACK 05 AUDIO\n    INDEX 01 00:01:00\n"));
        for (const char* sheet : { "fifo.cue", "garbage.cue", "lies.cue" }) {
            QElapsedTimer clock;
            clock.start();
            drop({ QUrl::fromLocalFile(path(QLatin1String(sheet))) });
            QVERIFY2(clock.elapsed() < bound, qPrintable(QString::number(clock.elapsed())));
            if (qstrcmp(sheet, "lies.cue") != 0)
                QCOMPARE(AudioListPlayer::instance()->playList(), before);
        }
        QCOMPARE(AudioListPlayer::instance()->playList().size(), 5);
        QTRY_VERIFY_WITH_TIMEOUT(!AudioListPlayer::instance()->isPlaying(), 8000);
    }

    void strangeNames()
    {
        // A path of 4,000 characters, in folders of 250.
        QString deep = m_dir.path();
        while (deep.size() < 3700) {
            deep += QLatin1Char('/') + QString(250, QLatin1Char('d'));
            QVERIFY(QDir().mkpath(deep));
        }
        const QString longName
            = deep + QLatin1Char('/') + QString(4000 - deep.size() - 5, QLatin1Char('n')) + QStringLiteral(".wav");
        QCOMPARE(longName.size(), 4000);
        QList<QUrl> urls { QUrl::fromLocalFile(longName) };
        QVERIFY(AudioFixtures::makeTone(longName, 500));
        for (const QString& name :
            { QStringLiteral("with  spaces .wav"), QStringLiteral("quotes \"double\" 'single'.wav"),
                QStringLiteral("new\nline.wav"), QString::fromUtf8("שיר בעברית.wav"), QString::fromUtf8("أغنية.wav"),
                QStringLiteral("100% #hash ?query.wav") }) {
            QVERIFY(AudioFixtures::makeTone(path(name), 500));
            urls << QUrl::fromLocalFile(path(name));
        }
        // A name that is not UTF-8 at all, made below Qt.
        const QByteArray raw = QFile::encodeName(m_dir.path()) + "/latin1-\xe9\xff.wav";
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        urls << QUrl::fromLocalFile(QFile::decodeName(raw));
        dropAndPlayEach(urls);
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(),
            QStringLiteral("latin1-") + QFile::decodeName("\xe9\xff.wav"));
    }

    // Addresses of other kinds than local files and streams never become songs, whichever way they come; a stream
    // does, and a server that accepts and then says nothing holds up nothing.
    void addressesThatAreNotLocalFiles()
    {
        drop({ m_good });
        const QString port = QString::number(m_server.serverPort());
        for (const QString& address :
            { QStringLiteral("ftp://127.0.0.1:") + port + QStringLiteral("/song.mp3"),
                QStringLiteral("smb://127.0.0.1/share/song.mp3"), QStringLiteral("data:audio/mpeg;base64,SUQzBAAAAAAA"),
                QStringLiteral("file://remote-host/share/song.mp3"),
                QStringLiteral("file://127.0.0.1:") + port + QStringLiteral("/song.mp3") }) {
            drop({ QUrl(address) });
            QCOMPARE(AudioListPlayer::instance()->playList(), QList<QUrl> { m_good });
        }
        QVERIFY(!m_server.hasPendingConnections());
        drop({ QUrl(QStringLiteral("http://127.0.0.1:") + port + QStringLiteral("/song.mp3")), m_good });
        QTRY_VERIFY(m_server.hasPendingConnections());
        QElapsedTimer clock;
        clock.start();
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QVERIFY2(clock.elapsed() < bound, qPrintable(QString::number(clock.elapsed())));
        QTest::qWait(300); // the stream was left for the next song: no more connections come
        while (m_server.hasPendingConnections())
            delete m_server.nextPendingConnection();
    }

    // A local file that holds a streaming manifest, whatever its name, is a song that cannot be played, never a way
    // to the addresses inside it.
    void manifestsInLocalFiles()
    {
        const QString segment = QStringLiteral("http://127.0.0.1:%1/segment").arg(m_server.serverPort());
        QVERIFY(AudioFixtures::writeBytes(path(QStringLiteral("hls.mp3")),
            QStringLiteral("#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:10\n#EXTINF:10.0,\n%1.ts\n"
                           "#EXTINF:10.0,\n%1-2.ts\n#EXT-X-ENDLIST\n")
                .arg(segment)
                .toUtf8()));
        QVERIFY(AudioFixtures::writeBytes(path(QStringLiteral("dash.ogg")),
            QStringLiteral("<?xml version=\"1.0\"?>\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" type=\"static\" "
                           "mediaPresentationDuration=\"PT20S\" minBufferTime=\"PT2S\" "
                           "profiles=\"urn:mpeg:dash:profile:isoff-on-demand:2011\"><Period><AdaptationSet "
                           "mimeType=\"audio/mp4\"><Representation id=\"a\" bandwidth=\"64000\" codecs=\"mp4a.40.2\">"
                           "<BaseURL>%1.mp4</BaseURL></Representation></AdaptationSet></Period></MPD>\n")
                .arg(segment)
                .toUtf8()));
        for (const char* name : { "hls.mp3", "dash.ogg" }) {
            drop({ QUrl::fromLocalFile(path(QLatin1String(name))), m_good });
            // Passed over: the good song after it plays.
            QTRY_COMPARE_WITH_TIMEOUT(AudioListPlayer::instance()->currentNumber(), 1, 5000);
            QTRY_VERIFY(AudioListPlayer::instance()->isPlaying());
            QVERIFY2(!m_server.hasPendingConnections(), name);
        }
    }

    // Play lists that name themselves, or each other, many times over: each is read once, the user interface
    // answers all along, and what the lists name besides comes in order.
    void playListsThatNameThemselves_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("entry"); // %1 the entry's path
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("tail");
        QTest::newRow("M3U") << "self.m3u"
                             << "%1\n"
                             << "#EXTM3U\n"
                             << "";
        QTest::newRow("PLS") << "self.pls"
                             << "File%2=%1\n"
                             << "[playlist]\n"
                             << "NumberOfEntries=%1\nVersion=2\n";
        QTest::newRow("XSPF") << "self.xspf"
                              << "<track><location>file://%1</location></track>"
                              << "<?xml version=\"1.0\"?><playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">"
                                 "<trackList>"
                              << "</trackList></playlist>\n";
    }

    void playListsThatNameThemselves()
    {
        QFETCH(QString, name);
        QFETCH(QString, entry);
        QFETCH(QString, head);
        QFETCH(QString, tail);
        // Ten times itself, its twin ten times, and one song: a reading that follows every name is 20^8 reads.
        const QString self = path(name);
        const QString twin = path(QStringLiteral("twin-") + name);
        QString text = head;
        int n = 0;
        for (int i = 0; i < 10; ++i) {
            text += entry.arg(self).arg(++n);
            text += entry.arg(twin).arg(++n);
        }
        text += entry.arg(m_good.toLocalFile()).arg(++n);
        text += tail.arg(n);
        QVERIFY(AudioFixtures::writeBytes(self, text.toUtf8()));
        QVERIFY(AudioFixtures::writeBytes(twin, text.toUtf8()));
        // The drop itself returns at once, and the event loop keeps turning while the lists are read.
        QElapsedTimer clock;
        clock.start();
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(self) });
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_vireo->dropCatcher(), &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_vireo->dropCatcher(), &dropped);
        QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(!QzMultiMedia::SongIntake::isBusy(), bound);
        // The twin, named ten times, gives its one song ten times; then the list's own.
        QCOMPARE(AudioListPlayer::instance()->playList(), QList<QUrl>(11, m_good));
    }

    // Play lists that are not regular files (a FIFO, links to devices) are not read: nothing waits on them, nothing
    // fills the memory, and a list that names one still plays its other songs.
    void listsThatAreNotFiles()
    {
        drop({ m_good });
        QCOMPARE(mkfifo(QFile::encodeName(path(QStringLiteral("fifo.m3u"))).constData(), 0644), 0);
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path(QStringLiteral("zero.m3u"))));
        QVERIFY(QFile::link(QStringLiteral("/dev/urandom"), path(QStringLiteral("random.asx"))));
        for (const char* list : { "fifo.m3u", "zero.m3u", "random.asx" }) {
            QElapsedTimer clock;
            clock.start();
            drop({ QUrl::fromLocalFile(path(QLatin1String(list))) });
            QVERIFY2(clock.elapsed() < bound, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(AudioListPlayer::instance()->playList(), QList<QUrl> { m_good });
        }
        const QString naming = path(QStringLiteral("names-a-fifo.m3u"));
        QVERIFY(AudioFixtures::writeBytes(
            naming, (path(QStringLiteral("fifo.m3u")) + QLatin1Char('\n') + m_good.toLocalFile()).toUtf8()));
        drop({ QUrl::fromLocalFile(naming) });
        QCOMPARE(AudioListPlayer::instance()->playList(), QList<QUrl> { m_good });
        QVERIFY(AudioListPlayer::instance()->isPlaying());
    }

    // A title is text wherever it shows, whatever it says: markup in it is neither drawn nor followed (a picture
    // it names is never opened; one named by a FIFO would hang the program, one of /dev/zero fill its memory).
    void titlesThatLookLikeMarkup()
    {
        const QString picture = path(QStringLiteral("tall.png"));
        QImage tall(20, 600, QImage::Format_RGB32);
        tall.fill(Qt::red);
        QVERIFY(tall.save(picture));
        const QString title = QStringLiteral("<img src=\"%1\"> <b>Bold</b> &amp; <a href=\"x\">link</a>").arg(picture);
        const QString list = path(QStringLiteral("marked.m3u"));
        const QString second = path(QStringLiteral("second.ogg"));
        QVERIFY(QFile::exists(second) || QFile::copy(m_good.toLocalFile(), second));
        QVERIFY(AudioFixtures::writeBytes(list,
            (QStringLiteral("#EXTM3U\n#EXTINF:-1,") + title + QLatin1Char('\n') + m_good.toLocalFile()
                + QStringLiteral("\n#EXTINF:-1,second\n") + second + QLatin1Char('\n'))
                .toUtf8()));
        drop({ QUrl::fromLocalFile(list) });
        QCOMPARE(AudioListPlayer::instance()->currentName(), title);
        QCOMPARE(shownToolTip(m_vireo->toolTip()), title + QStringLiteral(" \u2014 Vireo"));

        JumpToSongWindow window;
        window.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* found = window.findChild<QListView*>();
        QCOMPARE(shownToolTip(found->model()->index(0, 0).data(Qt::ToolTipRole).toString()), m_good.toLocalFile());
        QTest::keyClick(window.findChild<QLineEdit*>(), Qt::Key_Return, Qt::ControlModifier);
        // The line that says what plays next says the title, one line high, no picture in it.
        QLabel* status = nullptr;
        for (QLabel* label : window.findChildren<QLabel*>()) {
            if (label->text().contains(QStringLiteral("Bold")))
                status = label;
        }
        QVERIFY(status);
        QVERIFY2(status->sizeHint().height() < 100, qPrintable(QString::number(status->sizeHint().height())));
        QVERIFY(status->grab().toImage().pixelColor(5, 5) != QColor(Qt::red));
    }

    void tenThousandEntries()
    {
        QList<QUrl> urls;
        for (int i = 0; i < 9999; ++i)
            urls << (i % 2 ? m_good : QUrl::fromLocalFile(path(QStringLiteral("missing%1.mp3").arg(i))));
        QVERIFY(QFile::copy(m_good.toLocalFile(), path(QStringLiteral("last.ogg"))));
        urls << QUrl::fromLocalFile(path(QStringLiteral("last.ogg")));
        QElapsedTimer clock;
        clock.start();
        drop(urls);
        QVERIFY2(clock.elapsed() < bound, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(AudioListPlayer::instance()->playList().size(), 10000);
        QMenu* songs = nullptr;
        for (QAction* action : m_vireo->contextMenu()->actions()) {
            if (action->menu() && action->text() == QLatin1String("Songs"))
                songs = action->menu();
        }
        QVERIFY(songs);
        emit songs->aboutToShow(); // opened at once: the entries come a batch a turn, open or not
        QTRY_COMPARE(songs->actions().size(), 10000);
        songs->actions().last()->trigger();
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 9999);
        QVERIFY(AudioListPlayer::instance()->isPlaying());
    }
};

VIREO_TEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
