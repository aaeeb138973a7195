// Figures of the player measured from inside, printed one per line as "name value unit":
//
//   bench_engine play <file>         plays the file through the play list to its end (CPU is measured outside)
//   bench_engine latency <ms> <file> drop to sound: from the drop until the sink's clock moves, for the first drop
//                                    after start-up, the drag having rested <ms> over the icon before it let go
//   bench_engine scale <file>        drops of 1, 100, 1,000 and 10,000 entries: first sound, menu rebuilt, menu open
//   bench_engine gap <a> <b>         silence between two tracks at the sink, from the recorded monitor (needs a
//                                    PulseAudio null sink named vireo_test, as bench/run.sh starts)
#include "App.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "DropOnIcon.h"
#include "PulseServer.h"
#include "Vireo.h"

#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>

#include <cstdio>

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

// Waits in a plain event loop, as the program does: a polling wait would add its own wake-ups to the figure.
int play(const QString& file)
{
    QEventLoop loop;
    QObject::connect(AudioListPlayer::instance(), &AudioListPlayer::finished, &loop, &QEventLoop::quit);
    AudioListPlayer::instance()->setPlayList({ QUrl::fromLocalFile(file) });
    return loop.exec();
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

int gap(Vireo& vireo, const QString& first, const QString& second)
{
    PulseServer recorder; // only its recording and analysis: the server is bench/run.sh's
    if (!recorder.startRecording())
        return 1;
    QTest::qWait(300);
    dropOnIcon(vireo, { QUrl::fromLocalFile(first), QUrl::fromLocalFile(second) });
    bool ended = false;
    QObject::connect(AudioListPlayer::instance(), &AudioListPlayer::finished, [&] { ended = true; });
    if (!QTest::qWaitFor([&] { return ended; }, 30000))
        return 1;
    QTest::qWait(300);
    const QVector<qint16> samples = recorder.takeRecording();
    // The longest run of near-silence between the first and the last loud sample is the change of track.
    int firstLoud = -1, lastLoud = -1, run = 0, longest = 0;
    for (int i = 0; i < samples.size(); ++i) {
        if (qAbs(samples[i]) > 300) {
            if (firstLoud < 0)
                firstLoud = i;
            lastLoud = i;
        }
    }
    for (int i = firstLoud; i >= 0 && i <= lastLoud; ++i) {
        run = qAbs(samples[i]) > 300 ? 0 : run + 1;
        longest = qMax(longest, run);
    }
    std::printf("track_change_silence %.1f ms\n", 1000.0 * longest / PulseServer::Rate);
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
            if (mode == QLatin1String("play"))
                result = play(args.value(1));
            else if (mode == QLatin1String("latency"))
                result = latency(vireo, args.value(1).toInt(), args.value(2));
            else if (mode == QLatin1String("scale"))
                result = scale(vireo, args.value(1));
            else if (mode == QLatin1String("gap"))
                result = gap(vireo, args.value(1), args.value(2));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
        app.exec();
    }
    return result;
}
