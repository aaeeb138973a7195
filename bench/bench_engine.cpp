// Figures of the player measured from inside, printed one per line as "name value unit":
//
//   bench_engine latency <ms> <file> drop to sound: from the drop until the sink's clock moves, for the first drop
//                                    after start-up, the drag having rested <ms> over the icon before it let go
//   bench_engine scale <file>        drops of 1, 100, 1,000 and 10,000 entries: first sound, menu rebuilt, menu open
//   bench_engine block <a> <b> <damaged> <fifo> <aac>
//                                    the longest time the user interface's thread is kept from its events while
//                                    10,000 songs are dropped, a damaged file and a FIFO are dropped, the user
//                                    skips to the next song and the list moves on by itself (a, then b)
//   bench_engine jump <file>         "Jump to Song" over 100,000 songs: the window opened and shown, the first
//                                    letter typed (every song looked at), each further letter, a new word
#include "App.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "DropOnIcon.h"
#include "JumpToSongWindow.h"
#include "Vireo.h"

#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::AudioPlayer;

namespace {

// Milliseconds from `since` until the sink's clock has moved past the start of the song.
double untilSound(const QElapsedTimer& since)
{
    while (AudioPlayer::instance()->position() <= 0 && since.elapsed() < 10000)
        QTest::qWait(1);
    return since.nsecsElapsed() / 1e6;
}

int latency(Vireo& vireo, int hoverMs, const QString& file)
{
    // As Qt delivers a drag from another program, with the clock started as the hand lets go.
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(file) });
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vireo.dropCatcher(), &enter);
    QTest::qWait(hoverMs);
    QElapsedTimer clock;
    clock.start();
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vireo.dropCatcher(), &dropped);
    const double ms = untilSound(clock);
    std::printf(
        "drop_to_sound_%s%s %.1f ms\n", qPrintable(QFileInfo(file).suffix()), hoverMs > 0 ? "" : "_no_hover", ms);
    AudioListPlayer::instance()->stop();
    return 0;
}

int scale(Vireo& vireo, const QString& file)
{
    for (int n : { 1, 100, 1000, 10000 }) {
        AudioListPlayer::instance()->stop();
        QTest::qWait(200);
        QList<QUrl> urls;
        for (int i = 0; i < n; ++i)
            urls << QUrl::fromLocalFile(file);
        QElapsedTimer clock;
        clock.start();
        dropOnIcon(vireo, urls); // returns once the list plays and "Songs" is rebuilt
        const double rebuilt = clock.nsecsElapsed() / 1e6;
        const double sound = untilSound(clock);
        QMenu* menu = vireo.contextMenu();
        clock.restart();
        menu->popup(QPoint(0, 0));
        QCoreApplication::processEvents();
        const double opened = clock.nsecsElapsed() / 1e6;
        menu->hide();
        std::printf("scale_%d_first_sound %.1f ms\nscale_%d_songs_rebuilt %.1f ms\nscale_%d_menu_open %.1f ms\n", n,
            sound, n, rebuilt, n, opened);
    }
    AudioListPlayer::instance()->stop();
    return 0;
}

// A timer that should fire every 2 ms: the longest interval between two of its ticks is the longest time the
// thread was kept from its events.
class Watchdog
{
public:
    Watchdog()
    {
        m_timer.setInterval(2);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }

    void start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }

    double stop()
    {
        tick();
        m_timer.stop();
        return m_longest / 1e6;
    }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = qMax(m_longest, now - m_last);
        m_last = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Runs the event loop for a while without sleeping in between, as the program's own loop does. QTest::qWait and
// qWaitFor sleep 10 ms at a time between rounds of events, which the watchdog would count as a block.
bool runEventsUntil(int ms, const std::function<bool()>& done = {})
{
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(ms);
    QTimer poll;
    if (done) {
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done())
                loop.quit();
        });
        poll.start(5);
    }
    loop.exec();
    return !done || done();
}

int block(Vireo& vireo, const QString& a, const QString& b, const QString& damaged, const QString& fifo,
    const QString& aac)
{
    AudioListPlayer* player = AudioListPlayer::instance();
    Watchdog watchdog;
    // Each case starts from a one-song list, so that none pays for clearing what the one before left.
    const auto measure = [&](const char* name, int settleMs, const std::function<void()>& action) {
        dropOnIcon(vireo, { QUrl::fromLocalFile(a) });
        player->stop();
        QTest::qWait(300);
        watchdog.start();
        runEventsUntil(50);
        action();
        runEventsUntil(settleMs);
        std::printf("gui_block_%s %.1f ms\n", name, watchdog.stop());
    };
    QList<QUrl> many;
    for (int i = 0; i < 10000; ++i)
        many << QUrl::fromLocalFile(i % 2 ? a : b);
    measure("drop_10000", 1500, [&] { dropOnIcon(vireo, many); });
    // A library as users drop it: 10,000 songs in 500 folders, which the Songs menu groups a folder each while
    // their tags are read beside it (the songs past the first need not exist for that).
    QList<QUrl> library { QUrl::fromLocalFile(a) };
    for (int i = 1; i < 10000; ++i)
        library << QUrl::fromLocalFile(QStringLiteral("/nonexistent/folder%1/song%2.mp3").arg(i % 500).arg(i));
    measure("drop_10000_in_500_folders", 1500, [&] { dropOnIcon(vireo, library); });
    measure("damaged_200mb", 3000, [&] { dropOnIcon(vireo, { QUrl::fromLocalFile(damaged) }); });
    measure("fifo", 3000, [&] { dropOnIcon(vireo, { QUrl::fromLocalFile(fifo) }); });
    // The first song of a format whose decoder was not yet loaded in this run.
    measure("first_aac", 1500, [&] { dropOnIcon(vireo, { QUrl::fromLocalFile(aac) }); });
    dropOnIcon(vireo, { QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(a) });
    QTest::qWait(1000);
    measure("next", 1500, [&] { player->slotPlayNext(); });
    // The list moves on by itself: from the start of the first song past the start of the second.
    dropOnIcon(vireo, { QUrl::fromLocalFile(a), QUrl::fromLocalFile(b) });
    watchdog.start();
    if (!runEventsUntil(30000, [&] { return player->currentNumber() == 1; }))
        return 1;
    runEventsUntil(1000);
    std::printf("gui_block_list_moves_on %.1f ms\n", watchdog.stop());
    player->stop();
    return 0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

// A library of 100 artists, 100 albums each, 10 songs an album; one real file first so that the list plays.
int jump(const QString& file)
{
    QList<QUrl> songs { QUrl::fromLocalFile(file) };
    for (int artist = 0; songs.size() < 100000; ++artist) {
        for (int album = 0; album < 100; ++album) {
            for (int track = 1; track <= 10; ++track)
                songs << QUrl::fromLocalFile(QStringLiteral("/music/Artist %1/Album %2/%3 - Song %4 of %2.flac")
                                                 .arg(artist).arg(album).arg(track, 2, 10, QLatin1Char('0')).arg(track));
        }
    }
    songs.resize(100000);
    AudioListPlayer::instance()->setPlayList(songs);
    JumpToSongWindow window;
    QList<double> open, first, further, word;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        window.open();
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        QCoreApplication::processEvents();
        open << clock.nsecsElapsed() / 1e6;
        auto* query = window.findChild<QLineEdit*>();
        const auto type = [&](const QString& text, QList<double>* into) {
            clock.restart();
            QTest::keyClicks(query, text);
            QCoreApplication::processEvents();
            *into << clock.nsecsElapsed() / 1e6 / text.size();
        };
        type(QStringLiteral("s"), &first);
        type(QStringLiteral("ong 7 of 4"), &further);
        type(QStringLiteral(" artist 9"), &word);
        window.close();
    }
    std::printf("jump_open_100000 %.1f ms\n", median(open));
    std::printf("jump_first_letter_100000 %.1f ms\n", median(first));
    std::printf("jump_further_letter_100000 %.1f ms\n", median(further));
    std::printf("jump_new_word_letter_100000 %.1f ms\n", median(word));
    AudioListPlayer::instance()->stop();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QzWidgets::App app(argc, argv, QStringLiteral("Corvane"), QStringLiteral("Vireo"));
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    int result = 2;
    {
        Vireo vireo;
        QTimer::singleShot(0, &app, [&] {
            if (mode == QLatin1String("latency"))
                result = latency(vireo, args.value(1).toInt(), args.value(2));
            else if (mode == QLatin1String("scale"))
                result = scale(vireo, args.value(1));
            else if (mode == QLatin1String("jump"))
                result = jump(args.value(1));
            else if (mode == QLatin1String("block"))
                result = block(vireo, args.value(1), args.value(2), args.value(3), args.value(4), args.value(5));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
        app.exec();
    }
    return result;
}
