// Long-run checks of the engine and the tray player, outside the test suite (they take minutes):
//
//   soak --soak     500 tracks of 0.3 s played through by themselves, then 200 drops of new lists; prints the
//                   resident memory after 50 tracks and at the end, and whether every track ended exactly once
//   soak --session  a short scripted session (start, drop, play, next, stop, quit) for valgrind's memcheck
#include "App.h"
#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "DropOnIcon.h"
#include "Vireo.h"

#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::AudioPlayer;

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

QList<QUrl> makeTracks(const QTemporaryDir& dir, int distinct, int ms)
{
    QList<QUrl> tracks;
    const char* suffixes[] = { ".mp3", ".ogg", ".wav" };
    for (int i = 0; i < distinct; ++i) {
        const QString file = dir.filePath(QStringLiteral("track%1%2").arg(i).arg(QLatin1String(suffixes[i % 3])));
        if (!AudioFixtures::makeTone(file, ms, 300 + 20 * i))
            qFatal("cannot make %s", qPrintable(file));
        tracks << QUrl::fromLocalFile(file);
    }
    return tracks;
}

int soak(Vireo& vireo)
{
    QTemporaryDir dir;
    const QList<QUrl> distinct = makeTracks(dir, 20, 300);
    QList<QUrl> list;
    for (int i = 0; i < 500; ++i)
        list << distinct[i % distinct.size()];

    int started = 0, ended = 0;
    long after50 = -1;
    QObject::connect(AudioListPlayer::instance(), &AudioListPlayer::nextTriggered, [&] { ++started; });
    QObject::connect(AudioPlayer::instance(), &AudioPlayer::finished, [&] {
        if (++ended == 50)
            after50 = residentKiB();
    });
    bool listEnded = false;
    QObject::connect(AudioListPlayer::instance(), &AudioListPlayer::finished, [&] { listEnded = true; });
    dropOnIcon(vireo, list);
    if (!QTest::qWaitFor([&] { return listEnded; }, 900000)) {
        std::printf("the list did not end: %d of 500 tracks ended\n", ended);
        return 1;
    }
    const int startedInList = started, endedInList = ended;
    const bool eachOnce = startedInList == 500 && endedInList == 500;
    for (int round = 0; round < 200; ++round) {
        QList<QUrl> fresh;
        for (int k = 0; k < 5; ++k)
            fresh << distinct[(round + k) % distinct.size()];
        dropOnIcon(vireo, fresh);
        QTest::qWait(20);
    }
    AudioListPlayer::instance()->stop();
    QTest::qWait(200);
    const long atEnd = residentKiB();
    const double growth = 100.0 * double(atEnd - after50) / double(after50);
    std::printf("tracks of the list started %d, ended %d: %s\n", startedInList, endedInList,
        eachOnce ? "each exactly once" : "NOT each once");
    std::printf("resident memory: %ld KiB after 50 tracks, %ld KiB after 500 tracks and 200 drops (%+.1f%%)\n", after50,
        atEnd, growth);
    const bool withinBound = growth <= 10.0;
    std::printf("%s\n", eachOnce && withinBound ? "soak: PASS" : "soak: FAIL");
    return eachOnce && withinBound ? 0 : 1;
}

int session(Vireo& vireo)
{
    QTemporaryDir dir;
    const QList<QUrl> tracks = makeTracks(dir, 3, 1500);
    dropOnIcon(vireo, tracks);
    QTest::qWait(700);
    vireo.transportAction(Vireo::Transport::Next)->trigger();
    QTest::qWait(700);
    vireo.transportAction(Vireo::Transport::PlayPause)->trigger();
    QTest::qWait(300);
    vireo.transportAction(Vireo::Transport::PlayPause)->trigger();
    QTest::qWait(300);
    vireo.transportAction(Vireo::Transport::Stop)->trigger();
    QTest::qWait(300);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QzWidgets::App app(argc, argv, QStringLiteral("Corvane"), QStringLiteral("Vireo"));
    const bool soakMode = app.arguments().contains(QStringLiteral("--soak"));
    int result = 0;
    {
        Vireo vireo;
        QTimer::singleShot(0, &app, [&] {
            result = soakMode ? soak(vireo) : session(vireo);
            QCoreApplication::quit();
        });
        app.exec();
    }
    return result;
}
