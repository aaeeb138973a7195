#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "DropOnIcon.h"
#include "SoundOutputs.h"
#include "TestDesktop.h"
#include "TrayHost.h"
#include "Vireo.h"
#include "VireoStyle.h"
#include "VireoTestMain.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>

using QzMultiMedia::AudioListPlayer;

namespace {
std::unique_ptr<DesktopSession>& desktop = TestDesktop::desktop;
std::unique_ptr<PulseServer>& pulse = TestDesktop::pulse;

QImage pictureOf(const QIcon& icon)
{
    return icon.pixmap(22, 22).toImage();
}

bool showsPicture(const Vireo& vireo, const char* name)
{
    return pictureOf(vireo.icon())
        == pictureOf(QIcon(QStringLiteral(":/_pix/") + QLatin1String(name) + QStringLiteral(".png")));
}
} // namespace

// The program's tray player in a real desktop of the test's own: Xvfb, the trayer tray host and a PulseAudio
// null sink, driven by real input from xdotool and by drags from another X client; and what the desktop can do
// to it: take its sound server away and give it back, restart the tray, delete or overwrite the playing song.
class TestTrayEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_media;
    std::unique_ptr<Vireo> m_vireo;
    QStringList m_files;

    QPoint iconCentre() const
    {
        return m_vireo->geometry().center();
    }

    // The catcher sits exactly over the icon, and the X server agrees: a window of the program is at that place.
    bool catcherCoversIcon() const
    {
        const QRect icon = m_vireo->geometry();
        const QString window
            = QStringLiteral("%1x%2+%3+%4  +%3+%4").arg(icon.width()).arg(icon.height()).arg(icon.x()).arg(icon.y());
        return !icon.isEmpty() && m_vireo->dropCatcher()->isVisible() && m_vireo->dropCatcher()->geometry() == icon
            && DesktopSession::treeContains(window);
    }

    void moveTo(QPoint p)
    {
        DesktopSession::xdotool({ QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()) });
    }

    static void screenshot(const QString& name)
    {
        QDir().mkpath(QStringLiteral(VIREO_ARTIFACTS_DIR));
        DesktopSession::run(QStringLiteral(VIREO_DRAG_HELPER),
            { QStringLiteral("screenshot"), QStringLiteral(VIREO_ARTIFACTS_DIR "/") + name });
    }

    // Starts the other X client; it shows its window and waits to be pressed.
    std::unique_ptr<QProcess> startDragSource(const QStringList& args)
    {
        auto helper = std::make_unique<QProcess>();
        helper->start(QStringLiteral(VIREO_DRAG_HELPER), args);
        if (!helper->waitForStarted(5000))
            return nullptr;
        if (!DesktopSession::waitFor([&] { return helper->canReadLine(); }, 10000))
            return nullptr;
        helper->readLine();
        QTest::qWait(300); // mapped and painted
        return helper;
    }

    // Presses on the source, drags onto the icon, checks the picture while over it, then releases where told.
    void dragOntoIcon(QProcess* helper, bool releaseAway, bool* dropPictureShown)
    {
        moveTo(QPoint(80, 240));
        DesktopSession::xdotool({ QStringLiteral("mousedown"), QStringLiteral("1") });
        for (const QPoint p : { QPoint(90, 250), QPoint(200, 200), QPoint(iconCentre().x() - 3, 40), iconCentre() }) {
            moveTo(p);
            QTest::qWait(150);
        }
        *dropPictureShown = DesktopSession::waitFor([&] { return showsPicture(*m_vireo, "Drop"); }, 2000);
        screenshot(
            releaseAway ? QStringLiteral("drag-text-over-icon.png") : QStringLiteral("drag-files-over-icon.png"));
        if (releaseAway) {
            moveTo(QPoint(300, 300));
            QTest::qWait(200);
        }
        DesktopSession::xdotool({ QStringLiteral("mouseup"), QStringLiteral("1") });
        DesktopSession::waitFor([&] { return helper->canReadLine(); }, 5000);
        QTest::qWait(500); // the dropped data travels after the drop
    }

    // Drags the files from the other X client onto the icon and lets go there, Ctrl held down throughout when
    // asked; true when the drop was taken.
    bool dragFiles(const QStringList& paths, bool withControl = false)
    {
        auto helper = startDragSource(QStringList { QStringLiteral("files") } + paths);
        if (!helper)
            return false;
        if (withControl)
            DesktopSession::xdotool({ QStringLiteral("keydown"), QStringLiteral("ctrl") });
        bool dropShown = false;
        dragOntoIcon(helper.get(), false, &dropShown);
        if (withControl)
            DesktopSession::xdotool({ QStringLiteral("keyup"), QStringLiteral("ctrl") });
        return dropShown && helper->readAll().contains("drop-result 1");
    }

    // Once the current song is well under way (a sound stream takes a moment to start), the tone at
    // `frequency` is what the sink plays, not the other test tone.
    bool hears(double frequency, double other)
    {
        QzMultiMedia::AudioPlayer* player = QzMultiMedia::AudioPlayer::instance();
        const qint64 from = player->position();
        if (!DesktopSession::waitFor([&] { return player->position() > from + 400; }, 5000))
            return false;
        if (!pulse->startRecording())
            return false;
        QTest::qWait(800);
        const QVector<qint16> sound = pulse->takeRecording();
        return PulseServer::rms(sound) > 1000.0
            && PulseServer::toneAmplitude(sound, frequency) > 5 * PulseServer::toneAmplitude(sound, other);
    }

    QString media(const QString& name) const
    {
        return m_media.filePath(name);
    }

    QUrl song(const char* name) const
    {
        return QUrl::fromLocalFile(media(QLatin1String(name)));
    }

    bool showsStop() const
    {
        return showsPicture(*m_vireo, "Stop")
            && m_vireo->transportAction(Vireo::Transport::PlayPause)->text() == QLatin1String("&Play");
    }

    QMenu* songsMenu() const
    {
        return m_vireo->contextMenu()->actions().at(1)->menu();
    }

    // Input sent from inside a menu's or dialog's own event loop must not wait there: what it sets off (a dialog,
    // say) runs a loop of its own that only later ticks of the same timer can see.
    static void xdotoolLater(const QStringList& args)
    {
        QProcess::startDetached(QStringLiteral("xdotool"), args);
    }

    static QStringList clickAt(QPoint p)
    {
        return { QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()), QStringLiteral("click"),
            QStringLiteral("1") };
    }

    // Opens the menu with a real left click on the icon, then calls `step` every 150 ms from whichever event loop
    // runs (the menu's, a dialog's) until it says it is done and every menu is gone.
    bool afterLeftClick(const std::function<bool()>& step)
    {
        bool done = false;
        QTimer probe;
        probe.setInterval(150);
        QElapsedTimer clock;
        clock.start();
        qint64 doneAt = 0;
        connect(&probe, &QTimer::timeout, this, [&] {
            if (!done && (done = step()))
                doneAt = clock.elapsed();
            // Whatever happened, the menu must not outstay the test: the outer loop waits under it. The step's
            // last key or click is a process of its own, given a second to arrive first: an Escape that overtook
            // it would close the submenu it was meant for.
            const bool closeNow = done ? clock.elapsed() - doneAt > 1000 : clock.elapsed() > 15000;
            if (closeNow && QApplication::activePopupWidget())
                xdotoolLater({ QStringLiteral("key"), QStringLiteral("Escape") });
        });
        probe.start();
        moveTo(iconCentre());
        DesktopSession::xdotool({ QStringLiteral("click"), QStringLiteral("1") });
        DesktopSession::waitFor([&] { return !QApplication::activePopupWidget(); }, 20000);
        return done && !QApplication::activePopupWidget();
    }

    // Opens the menu with a real click, moves the pointer onto the submenu named `submenu` and clicks its entry
    // named `text` once it is there (entries may come while the submenu is open).
    static constexpr int Tones[] = { 440, 660, 880 };

    // low.flac, middle.flac and high.flac (with a prefix), ms of each tone, and the three in one image,
    // tones.flac.
    bool makeTones(const QString& prefix = QString(), int ms = 2000)
    {
        QStringList songs;
        for (const char* name : { "low.flac", "middle.flac", "high.flac" }) {
            songs << media(prefix + QLatin1String(name));
            if (!QFile::exists(songs.last()) && !AudioFixtures::makeTone(songs.last(), ms, Tones[songs.size() - 1]))
                return false;
        }
        const QString image = media(prefix + QStringLiteral("tones.flac"));
        if (!QFile::exists(image))
            DesktopSession::run(QStringLiteral("sox"), songs + QStringList { image });
        return QFile::exists(image);
    }

    // Drops a list of the three tones on the icon and records the sink until it ends: empty when each tone was
    // heard in order for eachMs, without a break between them; else what was heard. The sink's sound can lose a
    // moment to a machine under load (the sanitizer build beside other tests); a fault of the player's shows
    // again on a second try.
    QString heardInOrder(const QString& list, int eachMs)
    {
        const QList<int> tones(std::begin(Tones), std::end(Tones));
        QString heard;
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (attempt > 0)
                qWarning("trying again after: %s", qPrintable(heard));
            m_vireo->transportAction(Vireo::Transport::Stop)->trigger();
            if (!pulse->startRecording() || !dragFiles({ media(list) }))
                return QStringLiteral("no recording or no drop");
            if (AudioListPlayer::instance()->playList().size() != 3)
                return QStringLiteral("%1 songs").arg(AudioListPlayer::instance()->playList().size());
            if (!DesktopSession::waitFor([] { return !AudioListPlayer::instance()->isPlaying(); }, 10000))
                return QStringLiteral("never ended");
            QTest::qWait(300);
            const QVector<qint16> sound = pulse->takeRecording();
            const QList<QPair<int, int>> runs = PulseServer::toneRuns(sound, tones);
            bool whole = runs.size() == 3 && PulseServer::longestBreak(sound) * 1000 / PulseServer::Rate <= 3;
            heard = QStringLiteral("longest break %1 samples; ").arg(PulseServer::longestBreak(sound));
            for (int i = 0; i < runs.size(); ++i) {
                heard += QStringLiteral("%1 Hz for %2 ms, ").arg(runs.at(i).first).arg(runs.at(i).second);
                whole = whole && runs.at(i).first == tones.at(i) && qAbs(runs.at(i).second - eachMs) <= 50;
            }
            if (whole)
                return QString();
        }
        return heard;
    }

    // How long (ms) two tones sounded together, each at more than a sixth of its loudest, in steps of 20 ms; how
    // long each sounded; and what was heard, saying "broke" where the sound had a break.
    static std::tuple<int, int, int, QString> overlap(const QVector<qint16>& sound, int firstTone, int secondTone)
    {
        constexpr int Window = PulseServer::Rate / 50;
        QList<QPair<double, double>> levels;
        double loudestFirst = 0.0, loudestSecond = 0.0;
        for (qsizetype at = 0; at + Window <= sound.size(); at += Window) {
            const QVector<qint16> piece = sound.mid(at, Window);
            levels.append({ PulseServer::toneAmplitude(piece, firstTone), PulseServer::toneAmplitude(piece, secondTone) });
            loudestFirst = qMax(loudestFirst, levels.last().first);
            loudestSecond = qMax(loudestSecond, levels.last().second);
        }
        int both = 0, first = 0, then = 0;
        for (const auto& [a, b] : levels) {
            first += a > loudestFirst / 6;
            then += b > loudestSecond / 6;
            both += a > loudestFirst / 6 && b > loudestSecond / 6;
        }
        const qsizetype gap = PulseServer::longestBreak(sound) * 1000 / PulseServer::Rate;
        QString heard = QStringLiteral("%1 ms of both, %2 ms of the first, %3 ms of the second; longest break %4 ms")
                            .arg(both * 20)
                            .arg(first * 20)
                            .arg(then * 20)
                            .arg(gap);
        if (gap > 3)
            heard += QStringLiteral(" (broke)");
        return { both * 20, first * 20, then * 20, heard };
    }

    bool chooseIn(const QString& submenu, const QString& text)
    {
        QMenu* menu = m_vireo->contextMenu();
        QAction* opener = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text() == submenu)
                opener = action;
        }
        if (!opener)
            return false;
        enum { Open, Hovered, Chosen } stage = Open;
        return afterLeftClick([&] {
            if (stage == Open && menu->isVisible()) {
                stage = Hovered;
                const QPoint at = menu->mapToGlobal(menu->actionGeometry(opener).center());
                xdotoolLater({ QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()) });
            } else if (stage == Hovered && opener->menu()->isVisible()) {
                QMenu* entries = opener->menu();
                for (QAction* entry : entries->actions()) {
                    if (entry->text() == text && stage != Chosen) {
                        stage = Chosen;
                        xdotoolLater(clickAt(entries->mapToGlobal(entries->actionGeometry(entry).center())));
                    }
                }
            }
            return stage == Chosen;
        });
    }

private slots:
    // The cases pass the player on to each other; one run alone first plays what the case before left playing.
    void ensurePlaying(const QList<QUrl>& songs, int number = 0)
    {
        AudioListPlayer* player = AudioListPlayer::instance();
        if (player->isPlaying() && player->playList() == songs && player->currentNumber() == number)
            return;
        dropOnIcon(*m_vireo, songs);
        for (int i = 0; i < number; ++i)
            m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QVERIFY(DesktopSession::waitFor([&] { return player->isPlaying(); }, 5000));
    }

    QList<QUrl> files() const
    {
        QList<QUrl> urls;
        for (const QString& file : m_files)
            urls << QUrl::fromLocalFile(file);
        return urls;
    }

    void initTestCase()
    {
        for (const char* name : { "one.mp3", "two.ogg", "three.wav" }) {
            m_files << m_media.filePath(QLatin1String(name));
            QVERIFY(AudioFixtures::makeTone(m_files.last(), 15000, 440));
        }
        QVERIFY(AudioFixtures::makeTone(media(QStringLiteral("short A.wav")), 1500, 660));
        QVERIFY(AudioFixtures::makeTone(media(QStringLiteral("short B.wav")), 1500, 880));
        for (const char* name : { "a.mp3", "b.ogg", "victim.wav", "overwritten.mp3", "c.wav" })
            QVERIFY(AudioFixtures::makeTone(media(QLatin1String(name)), 12000, 440));
        // Set up as the program itself is: its style sheet, and the independent edition's marker.
        QzWidgets::App::theApp()->setStyleSheet(strVireoStyle);
        QDir().mkpath(QzWidgets::App::theApp()->bundleResourcePath());
        QVERIFY(AudioFixtures::writeBytes(
            QzWidgets::App::theApp()->bundleResourcePath() + QStringLiteral("independent"), ""));
        m_vireo = std::make_unique<Vireo>();
        QFile::remove(QzWidgets::App::theApp()->bundleResourcePath() + QStringLiteral("independent"));
        // Every case begins with the icon in the tray and the catcher over it, also one run alone.
        QVERIFY2(
            DesktopSession::waitFor([&] { return catcherCoversIcon(); }, 5000), "no catcher over an embedded icon");
    }

    void iconIsEmbeddedAndCoveredByTheCatcher()
    {
        // The catcher follows within about a second (its tick), over the icon's rectangle once the tray settled it.
        QVERIFY2(
            DesktopSession::waitFor([&] { return catcherCoversIcon(); }, 5000), "no catcher over an embedded icon");
        QVERIFY(m_vireo->geometry().width() >= 16 && m_vireo->geometry().width() <= 64);
        QVERIFY(showsPicture(*m_vireo, "Logo"));
        screenshot(QStringLiteral("tray-at-start.png"));
    }

    void dragOfPlainTextIsRefused()
    {
        auto helper = startDragSource({ QStringLiteral("text") });
        QVERIFY(helper);
        bool dropShown = false;
        dragOntoIcon(helper.get(), true, &dropShown);
        QVERIFY2(dropShown, "the icon did not show the drop picture during the drag");
        QVERIFY(helper->readAll().contains("drop-result 0"));
        QVERIFY(DesktopSession::waitFor([&] { return showsPicture(*m_vireo, "Logo"); }, 2000));
        QVERIFY(AudioListPlayer::instance()->playList().isEmpty());
    }

    void dropOfFilesPlaysThem()
    {
        QVERIFY(dragFiles(m_files));
        QList<QUrl> expected;
        for (const QString& file : m_files)
            expected << QUrl::fromLocalFile(file);
        QCOMPARE(AudioListPlayer::instance()->playList(), expected);
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("one.mp3"));
        QVERIFY(showsPicture(*m_vireo, "Play"));
        QVERIFY2(hears(440, 880), "no sound at the sink after the drop");
    }

    void rightClickTogglesPlayAndPause()
    {
        ensurePlaying(files());
        moveTo(iconCentre());
        DesktopSession::xdotool({ QStringLiteral("click"), QStringLiteral("3") });
        QVERIFY(DesktopSession::waitFor([] { return AudioListPlayer::instance()->isPaused(); }, 2000));
        QVERIFY(showsPicture(*m_vireo, "Pause"));
        QTest::qWait(300);
        QVERIFY(pulse->startRecording());
        QTest::qWait(1000);
        QVERIFY2(PulseServer::rms(pulse->takeRecording()) < 100.0, "sound while paused");
        DesktopSession::xdotool({ QStringLiteral("click"), QStringLiteral("3") });
        QVERIFY(DesktopSession::waitFor([] { return AudioListPlayer::instance()->isPlaying(); }, 2000));
        QVERIFY(showsPicture(*m_vireo, "Play"));
        QVERIFY2(hears(440, 880), "no sound after resuming");

        // The wheel over the icon: 5 % a notch, up louder, down quieter.
        const double volume = AudioListPlayer::instance()->volume();
        DesktopSession::xdotool({ QStringLiteral("click"), QStringLiteral("4") });
        QVERIFY(DesktopSession::waitFor(
            [&] { return qAbs(AudioListPlayer::instance()->volume() - volume - 0.05) < 0.001; }, 2000));
        DesktopSession::xdotool({ QStringLiteral("click"), QStringLiteral("5") });
        QVERIFY(DesktopSession::waitFor(
            [&] { return qAbs(AudioListPlayer::instance()->volume() - volume) < 0.001; }, 2000));
    }

    void leftClickOpensTheMenuBelowTheIcon()
    {
        ensurePlaying(files());
        QMenu* menu = m_vireo->contextMenu();
        QRect shownAt;
        QVERIFY(afterLeftClick([&] {
            if (!menu->isVisible())
                return false;
            shownAt = menu->geometry();
            screenshot(QStringLiteral("menu-open.png"));
            return true;
        }));
        const QRect icon = m_vireo->geometry();
        QCOMPARE(shownAt.topLeft(), QPoint(icon.left(), icon.top() + icon.height()));
        QVERIFY(AudioListPlayer::instance()->isPlaying()); // opening the menu changed nothing
    }

    // One file that cannot be played does not stop the list: the next song plays.
    void unplayableSongIsSkipped()
    {
        QVERIFY(AudioFixtures::writeBytes(media(QStringLiteral("damaged.mp3")), AudioFixtures::randomBytes(40000, 9)));
        QVERIFY(AudioFixtures::makeTone(media(QStringLiteral("tone A.ogg")), 15000, 660));
        QVERIFY(AudioFixtures::makeTone(media(QStringLiteral("tone B.wav")), 15000, 880));
        QVERIFY(dragFiles({ media(QStringLiteral("damaged.mp3")), media(QStringLiteral("tone A.ogg")),
            media(QStringLiteral("tone B.wav")) }));
        QTRY_COMPARE_WITH_TIMEOUT(AudioListPlayer::instance()->currentName(), QStringLiteral("tone A.ogg"), 3000);
        QVERIFY(showsPicture(*m_vireo, "Play"));
        QVERIFY2(hears(660, 880), "tone A is not what the sink plays");
    }

    // A dropped folder plays its songs, from its sub-folders too, FLAC and Opus included, and lists only them,
    // by their names as written.
    void droppedFolderPlaysItsSongs()
    {
        const QStringList songs { "Album/Disc 1/01 first.flac", "Album/Disc 1/02 Track #2 (100% live).opus",
            "Album/Disc 2/01 last.mp3" };
        for (const QString& song : songs) {
            QVERIFY(QDir().mkpath(QFileInfo(media(song)).path()));
            QVERIFY(AudioFixtures::makeTone(media(song), 8000, 660));
        }
        QVERIFY(AudioFixtures::writeBytes(media(QStringLiteral("Album/cover.jpg")), "not a song"));
        QVERIFY(AudioFixtures::writeBytes(media(QStringLiteral("Album/notes.txt")), "not a song"));
        QVERIFY(dragFiles({ media(QStringLiteral("Album")) }));
        QList<QUrl> expected;
        for (const QString& song : songs)
            expected << QUrl::fromLocalFile(media(song));
        QCOMPARE(AudioListPlayer::instance()->playList(), expected);
        // Two folders: a submenu each, named by the folder (the songs have no album tags).
        const auto listed = [](const QMenu* menu) {
            QStringList texts;
            for (const QAction* action : menu->actions())
                texts << action->text();
            return texts;
        };
        QCOMPARE(listed(songsMenu()), (QStringList { "Disc 1", "Disc 2" }));
        QMenu* disc = songsMenu()->actions().first()->menu();
        emit disc->aboutToShow();
        QCOMPARE(listed(disc), (QStringList { "01 first.flac", "02 Track #2 (100% live).opus" }));
        QVERIFY2(hears(660, 880), "no sound from the folder's first song");
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("02 Track #2 (100% live).opus"));
        QVERIFY2(hears(660, 880), "no sound from the Opus song");

        // With Ctrl held the drop adds to the list, and the song that plays goes on.
        QVERIFY(dragFiles({ m_files.first() }, true));
        expected << QUrl::fromLocalFile(m_files.first());
        QCOMPARE(AudioListPlayer::instance()->playList(), expected);
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("02 Track #2 (100% live).opus"));
        QVERIFY(AudioListPlayer::instance()->isPlaying());
    }

    // The end of the list shows, and a right click then plays the first song again.
    void afterTheEndRightClickPlaysTheFirstSongAgain()
    {
        QVERIFY(dragFiles({ media(QStringLiteral("short A.wav")), media(QStringLiteral("short B.wav")) }));
        QVERIFY2(DesktopSession::waitFor([&] { return showsPicture(*m_vireo, "Stop"); }, 8000),
            "the icon still shows playing after the end");
        QCOMPARE(m_vireo->transportAction(Vireo::Transport::PlayPause)->text(), QStringLiteral("&Play"));
        moveTo(iconCentre());
        DesktopSession::xdotool({ QStringLiteral("click"), QStringLiteral("3") });
        QVERIFY(DesktopSession::waitFor([] { return AudioListPlayer::instance()->isPlaying(); }, 3000));
        QCOMPARE(AudioListPlayer::instance()->currentName(), QStringLiteral("short A.wav"));
        QVERIFY(showsPicture(*m_vireo, "Play"));
        QVERIFY2(hears(660, 880), "the first song is not heard again");
    }

    void aboutOpensTheAboutBox()
    {
        QMenu* menu = m_vireo->contextMenu();
        const QList<QAction*> entries = menu->actions();
        QAction* about = *std::find_if(
            entries.begin(), entries.end(), [](QAction* a) { return a->text() == QLatin1String("About"); });
        bool chosen = false;
        QString title;
        QVERIFY(afterLeftClick([&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                title = box->windowTitle();
                screenshot(QStringLiteral("about-box.png"));
                box->close();
                return true;
            }
            if (!chosen && menu->isVisible()) {
                chosen = true;
                xdotoolLater(clickAt(menu->mapToGlobal(menu->actionGeometry(about).center())));
            }
            return false;
        }));
        QCOMPARE(title, QStringLiteral("Vireo Info"));
    }

    // 300 songs: one column that fits the screen, whose last entry the keyboard reaches and plays.
    // Play lists and a CUE sheet dropped on the icon stand for their songs: heard at the sink in order, each whole
    // and without a break between them, named by the titles the list gives them.
    void playListsDroppedAreHeardInOrder_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("M3U") << "tones.m3u"
                             << QByteArray("#EXTM3U\n#EXTINF:2,Low\nlow.flac\n#EXTINF:2,Middle\nmiddle.flac\n"
                                           "#EXTINF:2,High\nhigh.flac\n");
        QTest::newRow("PLS") << "tones.pls"
                             << QByteArray("[playlist]\nFile1=low.flac\nTitle1=Low\nFile2=middle.flac\nTitle2=Middle\n"
                                           "File3=high.flac\nTitle3=High\nNumberOfEntries=3\nVersion=2\n");
        QTest::newRow("XSPF") << "tones.xspf"
                              << QByteArray(
                                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" "
                                     "xmlns=\"http://xspf.org/ns/0/\"><trackList><track><location>low.flac</location>"
                                     "<title>Low</title></track><track><location>middle.flac</location><title>"
                                     "Middle</title></track><track><location>high.flac</location><title>High"
                                     "</title></track></trackList></playlist>\n");
        QTest::newRow("CUE sheet over one image")
            << "tones.cue"
            << QByteArray("FILE \"tones.flac\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"Low\"\n    INDEX 01 00:00:00\n"
                          "  TRACK 02 AUDIO\n    TITLE \"Middle\"\n    INDEX 01 00:02:00\n"
                          "  TRACK 03 AUDIO\n    TITLE \"High\"\n    INDEX 01 00:04:00\n");
    }

    void playListsDroppedAreHeardInOrder()
    {
        QFETCH(QString, list);
        QFETCH(QByteArray, text);
        QVERIFY(makeTones());
        QVERIFY(AudioFixtures::writeBytes(media(list), text));
        const QString heard = heardInOrder(list, 2000);
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
        QCOMPARE(AudioListPlayer::songName(AudioListPlayer::instance()->playList().at(1)), QStringLiteral("Middle"));
    }

    // Twice as fast from the menu, songs take half their time, sound at their own pitch and follow one another
    // without a break. (A song heard in less time than the pipeline reads ahead is not taken over without a gap,
    // at any speed: these last four seconds.)
    void speedKeepsThePitch()
    {
        QVERIFY(makeTones(QStringLiteral("long "), 4000));
        QVERIFY(AudioFixtures::writeBytes(
            media(QStringLiteral("long tones.m3u")), "long low.flac\nlong middle.flac\nlong high.flac\n"));
        QVERIFY(chooseIn(QStringLiteral("Speed"), QStringLiteral("2×")));
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->speed(), 2.0);
        const QString heard = heardInOrder(QStringLiteral("long tones.m3u"), 2000);
        QVERIFY(chooseIn(QStringLiteral("Speed"), QStringLiteral("Normal")));
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->speed(), 1.0);
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
    }

    // With "Crossfade" at two seconds, a song of another album fades into the one before, heard at the sink as two
    // seconds in which both sound (at equal power: never a break); the next song of the same album follows without
    // a gap and without overlapping.
    void crossfadeBetweenAlbumsOnly_data()
    {
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("tone");
        QTest::addColumn<int>("overlapMs"); // the least; the most is half a second more
        QTest::newRow("another album") << "Two/b.flac" << 880 << 1200;
        QTest::newRow("the same album") << "One/a2.flac" << 660 << 0;
    }

    void crossfadeBetweenAlbumsOnly()
    {
        QFETCH(QString, second);
        QFETCH(int, tone);
        QFETCH(int, overlapMs);
        for (const auto& [name, frequency, album] : { std::tuple { "One/a.flac", 440, "One" },
                 { "One/a2.flac", 660, "One" }, { "Two/b.flac", 880, "Two" } }) {
            const QString path = media(QLatin1String(name));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QVERIFY(QFile::exists(path)
                || AudioFixtures::makeTone(path, 6000, frequency, QStringLiteral("album=%1").arg(QLatin1String(album))));
        }
        m_vireo->transportAction(Vireo::Transport::Stop)->trigger();
        QVERIFY(chooseIn(QStringLiteral("Crossfade"), QStringLiteral("2 Seconds")));
        const auto off = qScopeGuard([this] { chooseIn(QStringLiteral("Crossfade"), QStringLiteral("Off")); });
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->crossfade(), 2000);
        QVERIFY(pulse->startRecording());
        dropOnIcon(*m_vireo, { QUrl::fromLocalFile(media(QStringLiteral("One/a.flac"))), QUrl::fromLocalFile(media(second)) });
        QVERIFY(DesktopSession::waitFor([] { return !AudioListPlayer::instance()->isPlaying(); }, 16000));
        QTest::qWait(300);
        const QVector<qint16> sound = pulse->takeRecording();
        const auto [both, first, then, heard] = overlap(sound, 440, tone);
        QVERIFY2(both >= overlapMs && both <= overlapMs + 500 && first > 5000 && then > 5000
                && !heard.contains(QLatin1String("broke")),
            qPrintable(heard));
    }

    // A song chosen while another plays takes over in a short fade where songs cross-fade.
    void aSongChosenTakesOverInAShortFade()
    {
        for (const auto& [name, frequency] : { std::pair { "Chosen/a.flac", 440 }, { "Chosen/b.flac", 880 } }) {
            const QString path = media(QLatin1String(name));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QVERIFY(QFile::exists(path) || AudioFixtures::makeTone(path, 6000, frequency));
        }
        m_vireo->transportAction(Vireo::Transport::Stop)->trigger();
        QVERIFY(chooseIn(QStringLiteral("Crossfade"), QStringLiteral("10 Seconds")));
        const auto off = qScopeGuard([this] { chooseIn(QStringLiteral("Crossfade"), QStringLiteral("Off")); });
        QVERIFY(pulse->startRecording());
        dropOnIcon(*m_vireo,
            { QUrl::fromLocalFile(media(QStringLiteral("Chosen/a.flac"))),
                QUrl::fromLocalFile(media(QStringLiteral("Chosen/b.flac"))) });
        QVERIFY(DesktopSession::waitFor([] { return QzMultiMedia::AudioPlayer::instance()->position() > 1500; }, 5000));
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QVERIFY(DesktopSession::waitFor([] { return QzMultiMedia::AudioPlayer::instance()->position() > 1500; }, 5000));
        m_vireo->transportAction(Vireo::Transport::Stop)->trigger();
        const auto [both, first, then, heard] = overlap(pulse->takeRecording(), 440, 880);
        QVERIFY2(both >= 400 && both <= 1000 && first > 1000 && then > 1000 && !heard.contains(QLatin1String("broke")),
            qPrintable(heard));
    }

    void manySongsFitTheScreen()
    {
        QVERIFY(QDir().mkpath(media(QStringLiteral("Many"))));
        for (int n = 1; n <= 300; ++n) {
            QVERIFY(QFile::copy(media(QStringLiteral("short A.wav")),
                media(QStringLiteral("Many/song %1 of a rather long album name.wav").arg(n))));
        }
        QVERIFY(dragFiles({ media(QStringLiteral("Many")) }));
        QMenu* songs = songsMenu();
        QCOMPARE(songs->actions().size(), 300);
        QMenu* menu = m_vireo->contextMenu();
        enum { Open, Hovered, Entered, Wheeled, AtTheEnd } stage = Open;
        QRect shownAt;
        QAction* firstShown = nullptr;
        const auto shownOnTop = [songs] { return songs->actionAt(QPoint(songs->width() / 2, songs->height() / 4)); };
        QVERIFY(afterLeftClick([&] {
            if (stage == Open && menu->isVisible()) {
                stage = Hovered;
                const QPoint entry = menu->mapToGlobal(menu->actionGeometry(menu->actions().at(1)).center());
                xdotoolLater({ QStringLiteral("mousemove"), QString::number(entry.x()), QString::number(entry.y()) });
            } else if (stage == Hovered && songs->isVisible()) {
                // Three notches of the wheel over the songs scroll them.
                stage = Entered;
                shownAt = songs->geometry();
                firstShown = shownOnTop();
                const QPoint middle = songs->mapToGlobal(songs->rect().center());
                xdotoolLater({ QStringLiteral("mousemove"), QString::number(middle.x()), QString::number(middle.y()),
                    QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("3"), QStringLiteral("--delay"),
                    QStringLiteral("80"), QStringLiteral("5") });
            } else if (stage == Entered && shownOnTop() != firstShown && songs->activeAction()) {
                stage = Wheeled;
                xdotoolLater({ QStringLiteral("key"), QStringLiteral("Down") });
            } else if (stage == Wheeled) {
                stage = AtTheEnd;
                xdotoolLater({ QStringLiteral("key"), QStringLiteral("End") });
            } else if (stage == AtTheEnd && songs->activeAction() == songs->actions().last()) {
                screenshot(QStringLiteral("songs-300-at-the-end.png"));
                xdotoolLater({ QStringLiteral("key"), QStringLiteral("Return") });
                return true;
            }
            return false;
        }));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY2(screen.contains(shownAt) && shownAt.width() <= screen.width() / 3,
            qPrintable(QStringLiteral("submenu %1x%2 at %3,%4")
                           .arg(shownAt.width())
                           .arg(shownAt.height())
                           .arg(shownAt.x())
                           .arg(shownAt.y())));
        QTRY_COMPARE(AudioListPlayer::instance()->currentNumber(), 299);
    }

    // Chosen with real clicks in the menu: an equalizer preset shapes the sound at once, and neither choosing one
    // nor turning it off again breaks the music.
    void equalizerIsHeardAtOnce()
    {
        const QString low = media(QStringLiteral("low.wav"));
        QVERIFY(QFile::exists(low) || AudioFixtures::makeTone(low, 30000, 60));
        dropOnIcon(*m_vireo, { QUrl::fromLocalFile(low) });
        QzMultiMedia::AudioPlayer* player = QzMultiMedia::AudioPlayer::instance();
        QVERIFY(DesktopSession::waitFor([&] { return player->position() > 500; }, 5000));
        const auto level = [] {
            if (!pulse->startRecording())
                return -1.0;
            QTest::qWait(300);
            return PulseServer::rms(pulse->takeRecording());
        };
        const double flat = level();
        QVERIFY(flat > 1000.0);
        QVERIFY(pulse->startRecording());
        QVERIFY(chooseIn(QStringLiteral("Equalizer"), QStringLiteral("Bass Boost")));
        QCOMPARE(QzMultiMedia::AudioListPlayer::instance()->equalizer(), QzMultiMedia::Equalizer::BassBoost);
        QTest::qWait(1500); // the change reaches the sink after what the output held already
        const QVector<qint16> across = pulse->takeRecording();
        QVERIFY2(PulseServer::longestBreak(across) * 1000 / PulseServer::Rate <= 3,
            qPrintable(QString::number(PulseServer::longestBreak(across))));
        double boosted = 0.0;
        QVERIFY2(DesktopSession::waitFor([&] { return (boosted = level()) > 1.3 * flat; }, 5000),
            qPrintable(QStringLiteral("%1 against %2").arg(boosted).arg(flat)));
        QVERIFY(chooseIn(QStringLiteral("Equalizer"), QStringLiteral("Off")));
        double off = 0.0;
        QVERIFY2(DesktopSession::waitFor([&] { return qAbs((off = level()) - flat) < 0.05 * flat; }, 5000),
            qPrintable(QStringLiteral("%1 against %2").arg(off).arg(flat)));
    }

    // A second output comes (headphones plugged in): "Output" lists it, and choosing it there moves the music to it
    // without stopping; "System Default" brings it back; unplugged, it leaves the list.
    void outputsComeAndGo()
    {
        const QString low = media(QStringLiteral("low.wav"));
        QVERIFY(QFile::exists(low) || AudioFixtures::makeTone(low, 30000, 60));
        const QString module = PulseServer::pactl({ QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
            QStringLiteral("sink_name=vireo_other"), QStringLiteral("sink_properties=device.description=Headphones") });
        QVERIFY(!module.isEmpty());
        const auto unplug = qScopeGuard([&] {
            QzMultiMedia::AudioPlayer::instance()->setOutput(QString());
            PulseServer::pactl({ QStringLiteral("unload-module"), module });
        });
        dropOnIcon(*m_vireo, { QUrl::fromLocalFile(low) });
        const auto level = [](const QString& sink) {
            if (!pulse->startRecording(sink))
                return -1.0;
            QTest::qWait(300);
            return PulseServer::rms(pulse->takeRecording());
        };
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_test")) > 1000.0; }, 5000));

        QVERIFY(chooseIn(QStringLiteral("Output"), QStringLiteral("Headphones")));
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->output(), QStringLiteral("vireo_other"));
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_other")) > 1000.0; }, 5000));
        QVERIFY(level(QStringLiteral("vireo_test")) < 100.0);
        QVERIFY(QzMultiMedia::AudioListPlayer::instance()->isPlaying());

        QVERIFY(chooseIn(QStringLiteral("Output"), QStringLiteral("System Default")));
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->output(), QString());
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_test")) > 1000.0; }, 5000));

        PulseServer::pactl({ QStringLiteral("unload-module"), module });
        QVERIFY(DesktopSession::waitFor(
            [] {
                const auto outputs = QzMultiMedia::SoundOutputs::instance()->outputs();
                return std::none_of(outputs.cbegin(), outputs.cend(),
                    [](const QzMultiMedia::SoundOutputs::Output& o) { return o.id == QLatin1String("vireo_other"); });
            },
            5000));
    }

    // The chosen output unplugged while it plays: the music goes on on the default output through Next, and goes
    // back to the chosen one when it returns. Its submenu, rebuilt as outputs come and go, keeps no old entries.
    void aChosenOutputUnplugged()
    {
        const QString low = media(QStringLiteral("low.wav"));
        const QString lower = media(QStringLiteral("lower.wav"));
        QVERIFY(QFile::exists(low) || AudioFixtures::makeTone(low, 30000, 60));
        QVERIFY(QFile::exists(lower) || AudioFixtures::makeTone(lower, 30000, 50));
        const QStringList plug { QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
            QStringLiteral("sink_name=vireo_other"), QStringLiteral("sink_properties=device.description=Headphones") };
        QString module = PulseServer::pactl(plug);
        QVERIFY(!module.isEmpty());
        const auto unplug = qScopeGuard([&] {
            QzMultiMedia::AudioPlayer::instance()->setOutput(QString());
            PulseServer::pactl({ QStringLiteral("unload-module"), module });
        });
        dropOnIcon(*m_vireo, { QUrl::fromLocalFile(low), QUrl::fromLocalFile(lower), QUrl::fromLocalFile(low) });
        const auto level = [](const QString& sink) {
            if (!pulse->startRecording(sink))
                return -1.0;
            QTest::qWait(300);
            return PulseServer::rms(pulse->takeRecording());
        };
        QVERIFY(chooseIn(QStringLiteral("Output"), QStringLiteral("Headphones")));
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_other")) > 1000.0; }, 5000));
        // Every entry the program holds, shown or not.
        const auto entries = [this] {
            return m_vireo->findChildren<QAction*>().size() + m_vireo->contextMenu()->findChildren<QAction*>().size();
        };
        const qsizetype before = entries();

        PulseServer::pactl({ QStringLiteral("unload-module"), module });
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_test")) > 1000.0; }, 5000));
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QVERIFY2(DesktopSession::waitFor(
                     [&] {
                         return QzMultiMedia::AudioListPlayer::instance()->currentNumber() == 1
                             && level(QStringLiteral("vireo_test")) > 1000.0;
                     },
                     5000),
            "the next song was not heard on the default output");
        QVERIFY(QzMultiMedia::AudioListPlayer::instance()->isPlaying());

        module = PulseServer::pactl(plug);
        QVERIFY(!module.isEmpty());
        QVERIFY(DesktopSession::waitFor([&] { return level(QStringLiteral("vireo_other")) > 1000.0; }, 5000));
        QCOMPARE(QzMultiMedia::AudioPlayer::instance()->output(), QStringLiteral("vireo_other"));
        QVERIFY(chooseIn(QStringLiteral("Output"), QStringLiteral("Headphones")));
        QVERIFY2(entries() <= before, qPrintable(QStringLiteral("%1 entries, %2 before").arg(entries()).arg(before)));
    }

    // The catcher keeps the icon's place without asking the X server every second: a move of the tray must still
    // reach it.
    void catcherFollowsWhenTheTrayMoves()
    {
        const QRect before = m_vireo->geometry();
        const auto movePanel = [](int x, int y) {
            DesktopSession::xdotool({ QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^panel$"),
                QStringLiteral("windowmove"), QStringLiteral("%@"), QString::number(x), QString::number(y) });
        };
        movePanel(400, 300);
        QVERIFY2(
            DesktopSession::waitFor([&] { return m_vireo->geometry().y() >= 300; }, 3000), "the tray did not move");
        QVERIFY2(DesktopSession::waitFor([&] { return catcherCoversIcon(); }, 3000), "the catcher stayed behind");
        movePanel(before.x() - 2, 0);
        QVERIFY(DesktopSession::waitFor([&] { return m_vireo->geometry().y() < 300 && catcherCoversIcon(); }, 3000));
    }

    // Without a compositor the catcher wears the icon's picture; with one it is a bare translucent window. A
    // compositor starting or ending later is told by the X server, not looked for.
    void catcherFollowsTheCompositorComingAndGoing()
    {
        QVERIFY(!TrayHost::isCompositing());
        QVERIFY(!m_vireo->dropCatcher()->pixmap().isNull());
        auto compositor = startDragSource({ QStringLiteral("compositor") });
        QVERIFY(compositor);
        QVERIFY(DesktopSession::waitFor([] { return TrayHost::isCompositing(); }, 3000));
        QVERIFY2(DesktopSession::waitFor([&] { return m_vireo->dropCatcher()->pixmap().isNull(); }, 3000),
            "the catcher still wears the icon's picture");
        compositor->kill();
        compositor->waitForFinished(3000);
        QVERIFY(DesktopSession::waitFor([] { return !TrayHost::isCompositing(); }, 3000));
        QVERIFY2(DesktopSession::waitFor([&] { return !m_vireo->dropCatcher()->pixmap().isNull(); }, 3000),
            "the catcher did not take the icon's picture again");
    }

    // Without a sound server nothing can be heard: the list does not run through its songs as if they were bad,
    // it stops and shows it.
    void noSoundServer()
    {
        pulse->stop();
        dropOnIcon(*m_vireo, { song("a.mp3"), song("b.ogg") });
        QVERIFY(DesktopSession::waitFor([&] { return showsStop(); }, 3000));
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 0);
        m_vireo->transportAction(Vireo::Transport::Next)->trigger();
        QVERIFY(DesktopSession::waitFor([&] { return showsStop(); }, 3000));
        QCOMPARE(m_vireo->contextMenu()->actions().first()->text(), QStringLiteral("b.ogg"));
    }

    // The server comes back: Play tries again, and the song is heard.
    void soundServerComesBack()
    {
        if (AudioListPlayer::instance()->playList() != QList<QUrl> { song("a.mp3"), song("b.ogg") })
            noSoundServer();
        QVERIFY(pulse->start());
        m_vireo->transportAction(Vireo::Transport::PlayPause)->trigger();
        QCOMPARE(AudioListPlayer::instance()->currentName(), QStringLiteral("b.ogg"));
        QVERIFY(hears(440, 880));
    }

    // Killed under a playing song, the server takes the sound away: the tray says so at once, and after the
    // restart the user's Play is heard.
    void soundServerKilledDuringPlaybackAndStartedAgain()
    {
        ensurePlaying({ song("a.mp3"), song("b.ogg") }, 1);
        pulse->stop();
        QVERIFY(DesktopSession::waitFor([&] { return showsStop(); }, 3000));
        QCOMPARE(AudioListPlayer::instance()->currentName(), QStringLiteral("b.ogg"));
        QVERIFY(pulse->start());
        m_vireo->transportAction(Vireo::Transport::PlayPause)->trigger();
        QVERIFY(hears(440, 880));
    }

    void songDeletedOrOverwrittenWhilePlaying()
    {
        dropOnIcon(*m_vireo, { song("victim.wav"), song("overwritten.mp3"), song("c.wav") });
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
        QVERIFY(hears(440, 880));
    }

    // In a panel along the screen's bottom edge, a left click opens the menu right above the icon, whole on the
    // screen: not over the icon and its panel, where Qt would let a popup menu reach the screen's edge.
    void theMenuAboveAnIconAtTheBottom()
    {
        desktop->stopTray();
        const auto topAgain = qScopeGuard([this] {
            desktop->stopTray();
            desktop->startTray();
            DesktopSession::waitFor([&] { return catcherCoversIcon() && m_vireo->geometry().top() < 100; }, 8000);
        });
        QVERIFY(desktop->startTray(QStringLiteral("trayer"), QStringLiteral("bottom")));
        QVERIFY2(DesktopSession::waitFor([&] { return catcherCoversIcon() && m_vireo->geometry().top() > 700; }, 8000),
            qPrintable(DesktopSession::windowTree()));
        const QRect icon = m_vireo->geometry();
        QRect menu;
        QVERIFY(afterLeftClick([&] {
            if (m_vireo->contextMenu()->isVisible())
                menu = m_vireo->contextMenu()->geometry();
            return !menu.isNull();
        }));
        QVERIFY2(menu.top() >= 0 && menu.bottom() < icon.top() && menu.bottom() >= icon.top() - 2
                && menu.left() <= icon.left() && menu.right() >= icon.left(),
            qPrintable(QStringLiteral("the menu at %1,%2 to %3,%4, the icon at %5,%6")
                           .arg(menu.left())
                           .arg(menu.top())
                           .arg(menu.right())
                           .arg(menu.bottom())
                           .arg(icon.left())
                           .arg(icon.top())));
    }

    void trayRestartedIconComesBack()
    {
        const auto embedded = [&] {
            return !m_vireo->geometry().isEmpty()
                && QRegularExpression(QStringLiteral("\\d+x\\d+\\+0\\+0\\s+\\+-?\\d+"))
                       .match(DesktopSession::windowTree().section(QStringLiteral("\"panel\""), 1))
                       .hasMatch();
        };
        // Stopped and started again between two ticks of the program: the catcher never gets the chance to hide.
        desktop->stopTray();
        QVERIFY(desktop->startTray());
        QVERIFY2(DesktopSession::waitFor(embedded, 8000), "the icon did not come back");
        QVERIFY(DesktopSession::waitFor([&] { return catcherCoversIcon(); }, 3000));

        // The new icon window must not sit above the catcher: drops and right clicks reach the player again.
        QVERIFY(AudioFixtures::makeTone(media(QStringLiteral("back.wav")), 12000, 440));
        const auto catcherOnTop = [&] {
            moveTo(iconCentre());
            const QString where
                = DesktopSession::run(QStringLiteral("xdotool"), { QStringLiteral("getmouselocation") });
            return where.contains(QStringLiteral("window:%1").arg(m_vireo->dropCatcher()->winId()));
        };
        QVERIFY2(DesktopSession::waitFor(catcherOnTop, 3000), "the new icon window lies above the catcher");
        QVERIFY2(
            dragFiles({ media(QStringLiteral("back.wav")) }), "the icon refused the drop after the tray restarted");
        QCOMPARE(AudioListPlayer::instance()->currentName(), QStringLiteral("back.wav"));
        QVERIFY(hears(440, 880));
        moveTo(iconCentre());
        DesktopSession::xdotool({ QStringLiteral("click"), QStringLiteral("3") });
        QVERIFY2(DesktopSession::waitFor([] { return AudioListPlayer::instance()->isPaused(); }, 2000),
            "a right click did not pause after the tray restarted");
    }
};

int main(int argc, char** argv)
{
    return TestDesktop::run<TestTrayEndToEnd>(argc, argv);
}

#include "tst_tray_e2e.moc"
