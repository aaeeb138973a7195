#pragma once

#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "DragSource.h"
#include "DropOnIcon.h"
#include "SessionTestMain.h"
#include "SoundOutputs.h"
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

using SessionTest::desktop;
using SessionTest::pulse;

inline QImage pictureOf(const QIcon& icon)
{
    return icon.pixmap(22, 22).toImage();
}

inline bool showsPicture(const Vireo& vireo, const char* name)
{
    return pictureOf(vireo.icon())
        == pictureOf(QIcon(QStringLiteral(":/_pix/") + QLatin1String(name) + QStringLiteral(".png")));
}

// The program's tray player in a real desktop of the test's own: Xvfb, the trayer tray host and a PulseAudio null
// sink, driven by real input from xdotool and by drags from another X client.
class TrayEndToEnd : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir m_media;
    std::unique_ptr<Vireo> m_vireo;
    DragSource m_dragSource;

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

    // Drags the files from the other X client onto the icon and lets go there, Ctrl held down throughout when
    // asked; true when the icon showed the drop picture and took the drop.
    bool dragFiles(const QStringList& paths, bool withControl = false)
    {
        if (!m_dragSource.start(QStringList { QStringLiteral("files") } + paths))
            return false;
        if (withControl)
            DesktopSession::xdotool({ QStringLiteral("keydown"), QStringLiteral("ctrl") });
        bool dropShown = false;
        const QByteArray result = m_dragSource.dragTo(iconCentre(), [&] {
            dropShown = DesktopSession::waitFor([&] { return showsPicture(*m_vireo, "Drop"); }, 2000);
            screenshot(QStringLiteral("drag-files-over-icon.png"));
            return false;
        });
        if (withControl)
            DesktopSession::xdotool({ QStringLiteral("keyup"), QStringLiteral("ctrl") });
        QTest::qWait(500); // the dropped data travels after the drop
        return dropShown && result == "drop-result 1";
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
            levels.append(
                { PulseServer::toneAmplitude(piece, firstTone), PulseServer::toneAmplitude(piece, secondTone) });
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

    // Opens the menu with a real click and clicks its entry named `text`.
    bool choose(const QString& text)
    {
        QMenu* menu = m_vireo->contextMenu();
        bool chosen = false;
        return afterLeftClick([&] {
            for (QAction* entry : menu->actions()) {
                if (!chosen && menu->isVisible() && entry->text() == text) {
                    chosen = true;
                    xdotoolLater(clickAt(menu->mapToGlobal(menu->actionGeometry(entry).center())));
                }
            }
            return chosen;
        });
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

protected slots:
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

    void initTestCase()
    {
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
};

// Runs the cases of `Test` on the tray player inside this process, on an X server with trayer and a sink of the
// test's own; no bus is reached.
template <class Test> int runTrayTest(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("VIREO_AUDIO_SINK"); // the program's own choice of sink
    SessionTest::Options options;
    options.tray = true;
    options.privateBus = false;
    return SessionTest::run<Test>(argc, argv, options, VireoTest::runTests<Test>);
}
