#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "DropOnIcon.h"
#include "JumpToSongWindow.h"
#include "ListedTitles.h"
#include "SongFinder.h"
#include "SongIntake.h"
#include "SongTagReader.h"
#include "Vireo.h"
#include "VireoTestMain.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>

#include <functional>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::ListedTitles;
using QzMultiMedia::SongIntake;

namespace {

QImage pictureOf(const QIcon& icon)
{
    return icon.pixmap(22, 22).toImage();
}

QImage resourcePicture(const QString& name)
{
    return pictureOf(QIcon(name));
}

// The menu as the user reads it: texts, "-" for separators, submenus by title.
QStringList entries(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

QAction* entry(const QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

} // namespace

// The tray controller, driven the way the desktop drives it: events on the drop catcher and menu entries.
class TestVireo : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QUrl a, b, c;
    QString marker;

    QMenu* songs(Vireo& vireo)
    {
        return entry(vireo.contextMenu(), QStringLiteral("Songs"))->menu();
    }

    void rightClick(Vireo& vireo)
    {
        QMouseEvent press(
            QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(vireo.dropCatcher(), &press);
    }

    bool transportEnabled(Vireo& vireo, bool enabled)
    {
        const QMenu* menu = vireo.contextMenu();
        for (const char* text :
            { "&Play", "&Pause", "&Stop", "&Previous Song", "&Next Song", "Songs", "Jump to Song..." }) {
            if (QAction* action = entry(menu, QLatin1String(text)); action && action->isEnabled() != enabled)
                return false;
        }
        return true;
    }

    // The test radio, serving the test's folder; its address, empty when it did not start.
    QString startRadio(QProcess& radio) const
    {
        radio.start(QStringLiteral("python3"),
            { QStringLiteral(VIREO_STREAM_SERVER), m_dir.path(), QStringLiteral("Night Song") });
        if (!QTest::qWaitFor([&] { return radio.canReadLine(); }, 10000))
            return QString();
        return QStringLiteral("http://127.0.0.1:%1/")
            .arg(QString::fromUtf8(radio.readLine()).section(QLatin1Char(' '), 1).trimmed());
    }

private slots:
    void initTestCase()
    {
        a = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("First Song.wav")));
        b = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("second.ogg")));
        c = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("third.mp3")));
        QVERIFY(AudioFixtures::makeTone(a.toLocalFile(), 20000));
        QVERIFY(AudioFixtures::makeTone(b.toLocalFile(), 20000));
        QVERIFY(AudioFixtures::makeTone(c.toLocalFile(), 20000));
        marker = QzWidgets::App::theApp()->bundleResourcePath() + QStringLiteral("independent");
        QDir().mkpath(QzWidgets::App::theApp()->bundleResourcePath());
    }

    void menuAfterStart_data()
    {
        QTest::addColumn<bool>("storeBuild");
        QTest::newRow("independent build") << false;
        QTest::newRow("store build") << true;
    }

    void menuAfterStart()
    {
        QFETCH(bool, storeBuild);
        QFile::remove(marker);
        if (!storeBuild)
            QVERIFY(AudioFixtures::writeBytes(marker, ""));
        Vireo vireo;
        QFile::remove(marker);

        QStringList expected { "Drop MP3-files into the Tray-Icon", "Songs", "Jump to Song...", "-", "&Play", "&Stop",
            "-", "&Previous Song", "&Next Song", "-", "Shuffle", "Repeat", "Stop After This Song", "ReplayGain",
            "Equalizer", "Speed", "Crossfade", "Output", "Sleep Timer", "ListenBrainz...", "-" };
        if (storeBuild)
            expected << "Rate this App";
        expected << QStringList { "Share", "Join Us", "More Apps", "-", "Contacts Us", "Support Page", "About", "-",
            "Quit" };
        QCOMPARE(entries(vireo.contextMenu()), expected);

        QVERIFY(transportEnabled(vireo, false));
        QVERIFY(entry(vireo.contextMenu(), QStringLiteral("Drop MP3-files into the Tray-Icon"))->isEnabled());
        QVERIFY(entry(vireo.contextMenu(), QStringLiteral("Quit"))->isEnabled());
        QCOMPARE(shownToolTip(vireo.toolTip()), QStringLiteral("Vireo"));
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Logo.png")));
        QVERIFY(vireo.isVisible());
        // A tray that gives no place for the icon (none here) leaves nothing to cover: the catcher stays hidden.
        vireo.adjustWidget();
        QVERIFY(!vireo.dropCatcher()->isVisible());
    }

    // The shuffle and repeat entries set the list's modes and show them, whoever changed them.
    void playModesInTheMenu()
    {
        Vireo vireo;
        AudioListPlayer* player = AudioListPlayer::instance();
        QAction* shuffle = entry(vireo.contextMenu(), QStringLiteral("Shuffle"));
        QMenu* repeat = entry(vireo.contextMenu(), QStringLiteral("Repeat"))->menu();
        QVERIFY(shuffle && repeat);
        shuffle->trigger();
        QVERIFY(player->isShuffleMode());
        entry(repeat, QStringLiteral("This Song"))->trigger();
        QCOMPARE(player->repeat(), AudioListPlayer::Repeat::Song);
        player->setRepeat(AudioListPlayer::Repeat::List); // as a sound applet does
        player->setShuffleMode(false);
        QVERIFY(entry(repeat, QStringLiteral("All Songs"))->isChecked());
        QVERIFY(!entry(repeat, QStringLiteral("This Song"))->isChecked());
        QVERIFY(!shuffle->isChecked());
        entry(repeat, QStringLiteral("Off"))->trigger();
        QCOMPARE(player->repeat(), AudioListPlayer::Repeat::Off);
        QAction* stopAfter = entry(vireo.contextMenu(), QStringLiteral("Stop After This Song"));
        stopAfter->trigger();
        QVERIFY(player->isStopAfterCurrent());
        player->setStopAfterCurrent(false);
        QVERIFY(!stopAfter->isChecked());

        // A speed set elsewhere (MPRIS) shows as the entry it matches, and as none between them.
        QMenu* speed = entry(vireo.contextMenu(), QStringLiteral("Speed"))->menu();
        QCOMPARE(entries(speed), (QStringList { "0.5×", "0.75×", "Normal", "1.25×", "1.5×", "2×" }));
        const auto checked = [speed] {
            QStringList texts;
            for (QAction* action : speed->actions())
                texts << (action->isChecked() ? action->text() : QString());
            return texts.join(QString());
        };
        entry(speed, QStringLiteral("0.75×"))->trigger();
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->speed(), 0.75);
        QzMultiMedia::AudioPlayer::instance()->setSpeed(1.1);
        QCOMPARE(checked(), QString());
        QzMultiMedia::AudioPlayer::instance()->setSpeed(1.5);
        QCOMPARE(checked(), QStringLiteral("1.5×"));
        entry(speed, QStringLiteral("Normal"))->trigger();
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->speed(), 1.0);

        QMenu* crossfade = entry(vireo.contextMenu(), QStringLiteral("Crossfade"))->menu();
        QCOMPARE(entries(crossfade), (QStringList { "Off", "2 Seconds", "5 Seconds", "10 Seconds" }));
        QVERIFY(entry(crossfade, QStringLiteral("Off"))->isChecked());
        entry(crossfade, QStringLiteral("5 Seconds"))->trigger();
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->crossfade(), 5000);
        entry(crossfade, QStringLiteral("Off"))->trigger();
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->crossfade(), 0);
    }

    // The sleep timer shows the minutes left in the menu; at the end the music pauses at the user's volume and
    // the timer is off again. Choosing "Off" before the end leaves the music playing.
    void sleepTimer()
    {
        qputenv("VIREO_SLEEP_MINUTE_MS", "60"); // 15 minutes last 0.9 s, the fade 10 ms
        const auto restore = qScopeGuard([] { qunsetenv("VIREO_SLEEP_MINUTE_MS"); });
        Vireo vireo;
        AudioListPlayer* player = AudioListPlayer::instance();
        dropOnIcon(vireo, { a, b });
        player->setVolume(0.4);
        QMenu* sleep = entry(vireo.contextMenu(), QStringLiteral("Sleep Timer"))->menu();
        QVERIFY(sleep);
        QCOMPARE(entries(sleep), (QStringList { "Off", "15 Minutes", "30 Minutes", "60 Minutes", "90 Minutes" }));
        entry(sleep, QStringLiteral("30 Minutes"))->trigger();
        QCOMPARE(sleep->title(), QStringLiteral("Sleep Timer (30 min left)"));
        entry(sleep, QStringLiteral("Off"))->trigger();
        QCOMPARE(sleep->title(), QStringLiteral("Sleep Timer"));
        QTest::qWait(2000);
        QVERIFY(player->isPlaying());

        entry(sleep, QStringLiteral("15 Minutes"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(sleep->title(), QStringLiteral("Sleep Timer (14 min left)"), 1000);
        QTRY_VERIFY_WITH_TIMEOUT(player->isPaused(), 2000);
        QCOMPARE(player->volume(), 0.4);
        QVERIFY(entry(sleep, QStringLiteral("Off"))->isChecked());
        QCOMPARE(sleep->title(), QStringLiteral("Sleep Timer"));
    }

    // Wheel turns over the icon in a burst change the volume once, by all of them together (a notch is 5 %, a
    // smooth-scrolling touchpad sends parts of one), up to the end of the scale and no further.
    void wheelBurstIsOneChange()
    {
        Vireo vireo;
        AudioListPlayer* player = AudioListPlayer::instance();
        dropOnIcon(vireo, { a });
        player->setVolume(0.5);
        QSignalSpy changes(player, &AudioListPlayer::stateChanged);
        const auto turn = [&](int angle) {
            QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(vireo.dropCatcher(), &wheel);
        };
        for (int i = 0; i < 3; ++i)
            turn(120);
        for (int i = 0; i < 4; ++i)
            turn(30); // a fourth of a notch each
        QCOMPARE(changes.count(), 0);
        QTRY_COMPARE(changes.count(), 1);
        QCOMPARE(player->volume(), 0.7);
        for (int i = 0; i < 1000; ++i)
            turn(120);
        QTRY_COMPARE(player->volume(), 1.0);
        QTest::qWait(100);
        QCOMPARE(changes.count(), 2);
    }

    // A second drop replaces the list and starts its first song.
    void dropReplacesTheList()
    {
        Vireo vireo;
        dropOnIcon(vireo, { a, b, c });
        dropOnIcon(vireo, { c, b });
        QCOMPARE(AudioListPlayer::instance()->playList(), (QList<QUrl> { c, b }));
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QCOMPARE(entries(vireo.contextMenu()).first(), QStringLiteral("third.mp3"));
        QCOMPARE(entries(songs(vireo)), (QStringList { "third.mp3", "second.ogg" }));

        // A drop without addresses disables the transport and leaves the list.
        dropOnIcon(vireo, {});
        QVERIFY(transportEnabled(vireo, false));
        QCOMPARE(AudioListPlayer::instance()->playList(), (QList<QUrl> { c, b }));
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Drop.png")));
    }

    // What a stream waits for is said in the menu's first entry: a buffer to fill before it is heard, or, once its
    // connection dropped, to be opened again. Either ends by itself, and the stream plays.
    void streamWaitsAreSaidInTheMenu_data()
    {
        QTest::addColumn<QString>("stream");
        QTest::addColumn<QString>("said");
        QTest::newRow("filling its buffer") << "slow-third.mp3" << "Buffering: ";
        QTest::newRow("opened again") << "cut-third.mp3" << "Reconnecting: ";
    }

    void streamWaitsAreSaidInTheMenu()
    {
        QFETCH(QString, stream);
        QFETCH(QString, said);
        QProcess radio;
        const QString site = startRadio(radio);
        QVERIFY(!site.isEmpty());
        const auto stop = qScopeGuard([&] {
            radio.kill();
            radio.waitForFinished(3000);
        });
        Vireo vireo;
        SongIntake::play({ QUrl(site + stream) });
        const auto saysIt = [&] { return entries(vireo.contextMenu()).first().startsWith(said); };
        QTRY_VERIFY_WITH_TIMEOUT(saysIt(), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(!saysIt(), 10000);
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        AudioListPlayer::instance()->stop();
    }

    // A radio whose server is gone for good is given up after its reconnections (here with seconds of a
    // millisecond), and the player says so once.
    void aRadioGoneIsGivenUp()
    {
        qputenv("VIREO_RECONNECT_SECOND_MS", "1");
        const auto restore = qScopeGuard([] { qunsetenv("VIREO_RECONNECT_SECOND_MS"); });
        QProcess radio;
        const QString site = startRadio(radio);
        QVERIFY(!site.isEmpty());
        Vireo vireo;
        QSignalSpy ended(QzMultiMedia::AudioPlayer::instance(), &QzMultiMedia::AudioPlayer::reconnectEnded);
        SongIntake::play({ QUrl(site + QStringLiteral("cut-third.mp3")) });
        QTRY_VERIFY_WITH_TIMEOUT(QzMultiMedia::AudioPlayer::instance()->position() > 200, 8000); // heard
        radio.kill();
        radio.waitForFinished(3000);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
        QCOMPARE(ended.first().first().toBool(), false);
        QTRY_VERIFY(!AudioListPlayer::instance()->isPlaying());
        QVERIFY(!entries(vireo.contextMenu()).first().startsWith(QStringLiteral("Reconnecting: ")));
        QTest::qWait(300);
        QCOMPARE(ended.count(), 1);
    }

    // A radio that waits to be opened again is opened by Play at once: while it waits, and after a Pause ended
    // the wait.
    void playEndsTheReconnectWait()
    {
        qputenv("VIREO_RECONNECT_SECOND_MS", "20000"); // the first wait lasts twenty seconds
        const auto restore = qScopeGuard([] { qunsetenv("VIREO_RECONNECT_SECOND_MS"); });
        QProcess radio;
        const QString site = startRadio(radio);
        QVERIFY(!site.isEmpty());
        const auto stop = qScopeGuard([&] {
            AudioListPlayer::instance()->stop();
            radio.kill();
            radio.waitForFinished(3000);
        });
        Vireo vireo;
        SongIntake::play({ QUrl(site + QStringLiteral("cut-third.mp3")) });
        QTRY_VERIFY_WITH_TIMEOUT(AudioListPlayer::instance()->isReconnecting(), 10000);
        radio.readAll(); // the requests so far
        AudioListPlayer::instance()->pause();
        QVERIFY(!AudioListPlayer::instance()->isReconnecting());
        AudioListPlayer::instance()->play();
        QTRY_VERIFY_WITH_TIMEOUT(radio.canReadLine(), 5000);
        QVERIFY(radio.readLine().startsWith("get /cut-third.mp3"));
        // The station drops the connection again: Play, without a Pause, tries at once.
        QTRY_VERIFY_WITH_TIMEOUT(AudioListPlayer::instance()->isReconnecting(), 10000);
        radio.readAll();
        AudioListPlayer::instance()->play();
        QTRY_VERIFY_WITH_TIMEOUT(radio.canReadLine(), 5000);
        QVERIFY(radio.readLine().startsWith("get /cut-third.mp3"));
    }

    void transportFollowsTheUser()
    {
        Vireo vireo;
        dropOnIcon(vireo, { a, b });
        QMenu* menu = vireo.contextMenu();

        entry(menu, QStringLiteral("&Pause"))->trigger();
        QVERIFY(AudioListPlayer::instance()->isPaused());
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Pause.png")));
        entry(menu, QStringLiteral("&Play"))->trigger(); // resumes, does not restart the list
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 0);
        QVERIFY(entry(menu, QStringLiteral("&Pause")));

        entry(menu, QStringLiteral("&Stop"))->trigger();
        QVERIFY(AudioListPlayer::instance()->isStopped());
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Stop.png")));
        QVERIFY(entry(menu, QStringLiteral("&Play")));
        QVERIFY(transportEnabled(vireo, true));
        entry(menu, QStringLiteral("&Play"))->trigger();
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Play.png")));

        entry(menu, QStringLiteral("&Next Song"))->trigger();
        QCOMPARE(entries(menu).first(), QStringLiteral("second.ogg"));
        entry(menu, QStringLiteral("&Next Song"))->trigger(); // the last song: stays, still shown as playing
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 1);
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Play.png")));
        entry(menu, QStringLiteral("&Previous Song"))->trigger();
        QCOMPARE(entries(menu).first(), QStringLiteral("First Song.wav"));

        rightClick(vireo);
        QVERIFY(AudioListPlayer::instance()->isPaused());
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Pause.png")));
        rightClick(vireo);
        QVERIFY(AudioListPlayer::instance()->isPlaying());
        QCOMPARE(shownToolTip(vireo.toolTip()), QStringLiteral("First Song.wav \u2014 Vireo"));
    }

    void songsSubmenu()
    {
        Vireo vireo;
        const QUrl folder = QUrl::fromLocalFile(m_dir.path());
        const QString odd = m_dir.filePath(QStringLiteral("#1 (100%) & co.ogg"));
        QVERIFY(QFile::copy(b.toLocalFile(), odd));
        const auto removeOdd = qScopeGuard([&] { QFile::remove(odd); });
        dropOnIcon(vireo, { a, b, a, folder });
        // The folder stands for its songs; a list from one folder is one column, names shown as written, "&"
        // included.
        QCOMPARE(entries(songs(vireo)),
            (QStringList { "First Song.wav", "second.ogg", "First Song.wav", "#1 (100%) && co.ogg", "First Song.wav",
                "second.ogg", "third.mp3" }));
        const auto checked = [&] {
            QList<int> places;
            for (int i = 0; i < songs(vireo)->actions().size(); ++i) {
                if (songs(vireo)->actions()[i]->isChecked())
                    places << i;
            }
            return places;
        };
        QCOMPARE(checked(), QList<int> { 0 });

        // The same file twice: each entry plays its own place.
        songs(vireo)->actions()[2]->trigger();
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 2);
        songs(vireo)->actions()[3]->trigger();
        QCOMPARE(entries(vireo.contextMenu()).first(), QStringLiteral("#1 (100%) && co.ogg"));
        QCOMPARE(checked(), QList<int> { 3 });
        songs(vireo)->actions()[3]->trigger(); // the current song: nothing changes, and it stays checked
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 3);
        QCOMPARE(checked(), QList<int> { 3 });

        // A very long name is cut in its middle, to a third of the screen at most.
        const QString longName = m_dir.filePath(QString(200, QLatin1Char('x')) + QStringLiteral(".wav"));
        QVERIFY(QFile::copy(a.toLocalFile(), longName));
        dropOnIcon(vireo, { QUrl::fromLocalFile(longName) });
        const QString shown = entries(vireo.contextMenu()).first();
        QVERIFY(shown.contains(QChar(0x2026)) && shown.endsWith(QLatin1String(".wav")));
        QVERIFY(songs(vireo)->fontMetrics().horizontalAdvance(shown)
            <= QGuiApplication::primaryScreen()->availableGeometry().width() / 3);
        QFile::remove(longName);
    }

    // Songs from several folders: a submenu a folder, named by album and artist where the tags agree on an album
    // and by the folder otherwise; songs by their titles where tagged. The current song and its folder are
    // checked, whichever way the song changed.
    void songsFromSeveralFoldersAreGrouped()
    {
        const QString album = m_dir.filePath(QStringLiteral("Album One")),
                      loose = m_dir.filePath(QStringLiteral("Loose"));
        QVERIFY(QDir().mkpath(album) && QDir().mkpath(loose));
        const auto cleanUp = qScopeGuard([&] {
            QDir(album).removeRecursively();
            QDir(loose).removeRecursively();
        });
        for (const char* title : { "Anthem", "Ballad" })
            QVERIFY(AudioFixtures::makeTone(album + QStringLiteral("/%1.ogg").arg(QLatin1String(title).left(1)), 3000,
                440, QStringLiteral("title=%1,artist=Band,album=Debut").arg(QLatin1String(title))));
        for (const char* name : { "one.ogg", "two.wav" })
            QVERIFY(AudioFixtures::makeTone(loose + QLatin1Char('/') + QLatin1String(name), 3000));
        Vireo vireo;
        dropOnIcon(vireo, { QUrl::fromLocalFile(album), QUrl::fromLocalFile(loose) });
        QCOMPARE(entries(songs(vireo)), (QStringList { "Album One", "Loose" }));
        QTRY_COMPARE(entries(songs(vireo)), (QStringList { "Band \u2013 Debut", "Loose" }));
        // The menu's first entry names the song that plays by its title where it has one.
        QTRY_COMPARE(entries(vireo.contextMenu()).first(), QStringLiteral("Anthem"));
        QMenu* first = songs(vireo)->actions().at(0)->menu();
        QMenu* second = songs(vireo)->actions().at(1)->menu();
        QVERIFY(first && second);
        emit first->aboutToShow();
        emit second->aboutToShow();
        QCOMPARE(entries(first), (QStringList { "Anthem", "Ballad" }));
        QCOMPARE(entries(second), (QStringList { "one.ogg", "two.wav" }));
        QVERIFY(first->menuAction()->isChecked() && first->actions().at(0)->isChecked());
        QVERIFY(!second->menuAction()->isChecked());

        second->actions().at(1)->trigger();
        QCOMPARE(AudioListPlayer::instance()->currentUrl(), QUrl::fromLocalFile(loose + QStringLiteral("/two.wav")));
        QCOMPARE(entries(vireo.contextMenu()).first(), QStringLiteral("two.wav"));
        QVERIFY(second->menuAction()->isChecked() && second->actions().at(1)->isChecked());
        QVERIFY(!first->menuAction()->isChecked() && !first->actions().at(0)->isChecked());
        vireo.transportAction(Vireo::Transport::Previous)->trigger();
        QVERIFY(second->actions().at(0)->isChecked() && !second->actions().at(1)->isChecked());
    }

    // A library of many albums in artist folders: a submenu per artist (named by the artist its songs agree on,
    // by the folder otherwise), albums in it named by their album alone; the current song's artist and album
    // are checked.
    void aLibraryIsGroupedByArtist()
    {
        QTemporaryDir library;
        const QString untagged = library.filePath(QStringLiteral("plain.wav"));
        QVERIFY(AudioFixtures::makeTone(untagged, 3000));
        QList<QUrl> tracks;
        for (int artist = 0; artist < 4; ++artist) {
            for (int album = 0; album < 10; ++album) {
                const QString folder = library.filePath(QStringLiteral("A%1/B%2").arg(artist).arg(album));
                QVERIFY(QDir().mkpath(folder));
                tracks << QUrl::fromLocalFile(
                    folder + (artist == 0 ? QStringLiteral("/t.ogg") : QStringLiteral("/t.wav")));
                if (artist == 0)
                    QVERIFY(AudioFixtures::makeTone(tracks.last().toLocalFile(), 3000, 440,
                        QStringLiteral("title=Track,artist=Zero,album=Record%1").arg(album)));
                else
                    QVERIFY(QFile::copy(untagged, tracks.last().toLocalFile()));
            }
        }
        Vireo vireo;
        dropOnIcon(vireo, tracks);
        QTRY_COMPARE(entries(songs(vireo)), (QStringList { "Zero", "A1", "A2", "A3" }));
        QMenu* zero = songs(vireo)->actions().at(0)->menu();
        emit zero->aboutToShow();
        QStringList records;
        for (int album = 0; album < 10; ++album)
            records << QStringLiteral("Record%1").arg(album);
        QCOMPARE(entries(zero), records);
        QVERIFY(zero->menuAction()->isChecked() && zero->actions().at(0)->isChecked());

        QMenu* two = songs(vireo)->actions().at(2)->menu();
        emit two->aboutToShow();
        QCOMPARE(entries(two).at(3), QStringLiteral("B3"));
        QMenu* album = two->actions().at(3)->menu();
        emit album->aboutToShow();
        album->actions().at(0)->trigger();
        QCOMPARE(AudioListPlayer::instance()->currentUrl(), tracks.at(23));
        QVERIFY(two->menuAction()->isChecked() && album->menuAction()->isChecked());
        QVERIFY(!zero->menuAction()->isChecked() && !zero->actions().at(0)->isChecked());
        AudioListPlayer::instance()->stop();
    }

    // A long list keeps one scrolling column on the screen, also after the current song changed, while the menu
    // is open and before it opens again.
    // "Open Songs..." (where nothing can be dropped on the icon) through the program's own slot and dialog: the
    // dialog lists audio files, takes several at once and starts where songs were last taken from; Cancel keeps
    // the list that plays.
    void openSongsDialog()
    {
        Vireo vireo;
        dropOnIcon(vireo, { c });
        const auto answerDialog = [](const std::function<void(QFileDialog*)>& answer) {
            QTimer::singleShot(0, [answer] {
                QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
                answer(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
            });
        };

        answerDialog([](QFileDialog* dialog) { dialog->reject(); });
        QVERIFY(QMetaObject::invokeMethod(&vireo, "slotOpenSongs"));
        QCOMPARE(AudioListPlayer::instance()->playList(), QList<QUrl> { c });
        QVERIFY(AudioListPlayer::instance()->isPlaying());

        QString filter;
        QString startedIn;
        answerDialog([&](QFileDialog* dialog) {
            filter = dialog->nameFilters().value(0);
            startedIn = dialog->directory().absolutePath();
            dialog->setDirectory(m_dir.path());
            dialog->selectFile(QStringLiteral("\"%1\" \"%2\"")
                                   .arg(QFileInfo(a.toLocalFile()).fileName(), QFileInfo(b.toLocalFile()).fileName()));
            static_cast<QDialog*>(dialog)->accept(); // as the Open button does
        });
        QVERIFY(QMetaObject::invokeMethod(&vireo, "slotOpenSongs"));
        QVERIFY2(filter.startsWith(QStringLiteral("Audio files (")) && filter.contains(QStringLiteral("*.mp3"))
                && filter.contains(QStringLiteral("*.flac")),
            qPrintable(filter));
        QCOMPARE(AudioListPlayer::instance()->playList(), (QList<QUrl> { a, b }));

        answerDialog([&](QFileDialog* dialog) {
            startedIn = dialog->directory().absolutePath();
            dialog->reject();
        });
        QVERIFY(QMetaObject::invokeMethod(&vireo, "slotOpenSongs"));
        QCOMPARE(startedIn, QDir(m_dir.path()).absolutePath());
    }

    void longSongsMenuStaysOnTheScreen()
    {
        Vireo vireo;
        QList<QUrl> many;
        for (int n = 0; n < 300; ++n)
            many << (n % 2 ? a : b);
        dropOnIcon(vireo, many);
        QMenu* menu = songs(vireo);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const auto fits = [&] {
            return menu->isVisible() && menu->height() <= screen.height() && screen.contains(menu->geometry().topLeft())
                ? QString()
                : QStringLiteral("%1x%2 at %3,%4 on %5x%6")
                      .arg(menu->width())
                      .arg(menu->height())
                      .arg(menu->x())
                      .arg(menu->y())
                      .arg(screen.width())
                      .arg(screen.height());
        };
        menu->popup(screen.topLeft());
        QTRY_VERIFY(menu->isVisible());
        QVERIFY2(fits().isEmpty(), qPrintable(fits()));
        for (int change = 0; change < 2; ++change) {
            vireo.transportAction(Vireo::Transport::Next)->trigger();
            QTest::qWait(50);
            QVERIFY2(fits().isEmpty(), qPrintable(QStringLiteral("open, after a change: ") + fits()));
        }
        // The wheel scrolls it: a notch down shows entries below the first.
        const auto firstShown = [menu] { return menu->actionAt(QPoint(menu->width() / 2, menu->height() / 4)); };
        QAction* before = firstShown();
        for (int notch = 0; notch < 3; ++notch) {
            const QPointF inside(menu->width() / 2, menu->height() / 2);
            QWheelEvent wheel(inside, menu->mapToGlobal(inside), QPoint(), QPoint(0, -120), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(menu, &wheel);
        }
        QVERIFY2(firstShown() != before, "the wheel did not scroll the menu");
        // It still scrolls: the last entry, reached by the keyboard, shows.
        QTest::keyClick(menu, Qt::Key_End);
        QCOMPARE(menu->activeAction(), menu->actions().last());
        QVERIFY(menu->rect().contains(menu->actionGeometry(menu->actions().last())));
        menu->hide();
        vireo.transportAction(Vireo::Transport::Next)->trigger();
        menu->popup(screen.topLeft());
        QTRY_VERIFY(menu->isVisible());
        QVERIFY2(fits().isEmpty(), qPrintable(QStringLiteral("opened after a change: ") + fits()));
        menu->hide();
    }

    // The window that finds a song, driven by keys as the user types: words in any order, case and accents
    // ignored; the arrows move through what was found, Enter plays and closes, Ctrl+Enter has the song play next
    // and leaves the window open, Escape closes.
    void jumpToSongByKeys()
    {
        QStringList names { "Café del Mar.wav", "Über den Wolken.ogg", "del Mar Remix.mp3", "First Song.wav" };
        QList<QUrl> list;
        for (const QString& name : std::as_const(names)) {
            list << QUrl::fromLocalFile(m_dir.filePath(name));
            QVERIFY(
                QFile::exists(list.last().toLocalFile()) || QFile::copy(a.toLocalFile(), list.last().toLocalFile()));
        }
        AudioListPlayer* player = AudioListPlayer::instance();
        player->setPlayList(list);
        JumpToSongWindow window;
        QSignalSpy chosen(&window, &JumpToSongWindow::songChosen);
        window.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* query = window.findChild<QLineEdit*>();
        auto* found = window.findChild<QListView*>();
        QCOMPARE(found->model()->rowCount(), 4);
        QCOMPARE(found->currentIndex().row(), 0); // the current song

        const auto shown = [found] {
            QStringList rows;
            for (int row = 0; row < found->model()->rowCount(); ++row)
                rows << found->model()->index(row, 0).data().toString();
            return rows;
        };
        QTest::keyClicks(query, QStringLiteral("MAR cafe"));
        QCOMPARE(shown(), QStringList { "Café del Mar.wav" });
        query->clear();
        QTest::keyClicks(query, QStringLiteral("ueber"));
        QCOMPARE(shown(), QStringList());
        query->clear();
        QTest::keyClicks(query, QStringLiteral("uber"));
        QCOMPARE(shown(), QStringList { "Über den Wolken.ogg" });
        query->clear();
        QTest::keyClicks(query, QStringLiteral("del"));
        QCOMPARE(shown(), (QStringList { "Café del Mar.wav", "del Mar Remix.mp3" }));
        QTest::keyClick(query, Qt::Key_Down);
        QTest::keyClick(query, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(player->index(player->currentNumber() + 1), 2);
        QVERIFY(window.isVisible());
        QVERIFY(chosen.isEmpty());

        QTest::keyClick(query, Qt::Key_Up);
        QTest::keyClick(query, Qt::Key_Return);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.takeFirst().at(0).toInt(), 0);
        QVERIFY(!window.isVisible());

        window.open();
        QCOMPARE(query->text(), QString());
        QTest::keyClicks(query, QStringLiteral("nothing like it"));
        QTest::keyClick(query, Qt::Key_Return); // nothing found, nothing played
        QVERIFY(chosen.isEmpty());
        QTest::keyClick(query, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        player->stop();
    }

    // Tags that arrive while the user stands on a song leave it chosen, and a song that is twice in the list
    // plays at the place chosen, the list going on from there.
    void jumpToSongKeepsTheChosenPlace()
    {
        QList<QUrl> list;
        for (const char* name : { "alpha.wav", "beta.wav", "alpha.wav", "gamma.wav" }) {
            list << QUrl::fromLocalFile(m_dir.filePath(QLatin1String(name)));
            QVERIFY(
                QFile::exists(list.last().toLocalFile()) || QFile::copy(a.toLocalFile(), list.last().toLocalFile()));
        }
        AudioListPlayer* player = AudioListPlayer::instance();
        player->setPlayList(list);
        player->slotPlayNext(); // at beta: the first alpha is behind, the second ahead
        QCOMPARE(player->currentIndex(), 1);
        JumpToSongWindow window;
        QSignalSpy chosen(&window, &JumpToSongWindow::songChosen);
        connect(&window, &JumpToSongWindow::songChosen, player, &AudioListPlayer::playPlace);
        window.open();
        auto* query = window.findChild<QLineEdit*>();
        auto* found = window.findChild<QListView*>();
        QTest::keyClicks(query, QStringLiteral("alpha"));
        QCOMPARE(found->model()->rowCount(), 2);
        QCOMPARE(found->currentIndex().row(), 0);
        auto* tags = window.findChild<QzMultiMedia::SongTagReader*>();
        QVERIFY(tags);
        emit tags->tagsRead(0, 4);
        QCOMPARE(found->currentIndex().row(), 0);
        QTest::keyClick(query, Qt::Key_Return);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().at(0).toInt(), 0);
        QCOMPARE(player->currentIndex(), 0);
        player->slotPlayNext();
        QCOMPARE(player->currentIndex(), 1);
        player->stop();
    }

    // A long list of long, accented titles is searched a slice at a time: typing returns at once, the songs found
    // come in list order, and a narrower query is searched again in the same way.
    void findingInALongListTakesTurns()
    {
        QList<QUrl> songs;
        QzMultiMedia::ListedTags titles;
        const QString accented = QString::fromUtf8("e\u0301\u0301a\u0300").repeated(30);
        for (int i = 0; i < 50000; ++i) {
            songs << QUrl::fromLocalFile(QStringLiteral("/nowhere/%1.mp3").arg(i));
            QzMultiMedia::SongTags tags;
            tags.title = accented + (i % 1000 == 7 ? QStringLiteral(" needle") : QString()) + QString::number(i);
            titles.insert(songs.last(), tags);
        }
        ListedTitles::add(titles);
        SongFinder finder;
        finder.setSongs(songs, nullptr);
        QCOMPARE(finder.rowCount(), 50000);
        finder.setQuery(QStringLiteral("needle"));
        QVERIFY(finder.isSearching());
        QVERIFY(finder.rowCount() < 50);
        QTRY_VERIFY_WITH_TIMEOUT(!finder.isSearching(), 60000);
        QCOMPARE(finder.rowCount(), 50);
        for (int row = 0; row < 50; ++row)
            QCOMPARE(finder.place(row), row * 1000 + 7);
        finder.setQuery(QStringLiteral("needle 10"));
        QTRY_VERIFY_WITH_TIMEOUT(!finder.isSearching(), 60000);
        QCOMPARE(finder.rowCount(), 6); // 1007, 10007, 11007, 21007, 31007, 41007
        QCOMPARE(finder.place(2), 11007);
        ListedTitles::replace({});
    }

    void dragsOfOtherThingsAreRefused()
    {
        Vireo vireo;
        dropOnIcon(vireo, { a });
        QMimeData text;
        text.setText(QStringLiteral("just words"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QCoreApplication::sendEvent(vireo.dropCatcher(), &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Drop.png")));

        // Qt routes a leave only inside a real drag (the end-to-end test makes one); here it goes to the filter.
        QDragLeaveEvent leave;
        vireo.eventFilter(vireo.dropCatcher(), &leave);
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Play.png")));

        AudioListPlayer::instance()->pause();
        QCoreApplication::sendEvent(vireo.dropCatcher(), &enter);
        vireo.eventFilter(vireo.dropCatcher(), &leave);
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Pause.png")));

        // A list played to its end shows the stopped picture, before a passing drag and after it.
        const QString shortSong = m_dir.filePath(QStringLiteral("short.wav"));
        QVERIFY(AudioFixtures::makeTone(shortSong, 300));
        dropOnIcon(vireo, { QUrl::fromLocalFile(shortSong) });
        QTRY_VERIFY_WITH_TIMEOUT(!AudioListPlayer::instance()->isPlaying(), 5000);
        QTRY_COMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Stop.png")));
        QCoreApplication::sendEvent(vireo.dropCatcher(), &enter);
        vireo.eventFilter(vireo.dropCatcher(), &leave);
        QCOMPARE(pictureOf(vireo.icon()), resourcePicture(QStringLiteral(":/_pix/Stop.png")));
    }
};

VIREO_TEST_MAIN(TestVireo)
#include "tst_vireo.moc"
