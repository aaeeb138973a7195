#pragma once

#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "ListedTitles.h"
#include "LongSongPlaces.h"
#include "MediaCommon.h"
#include "PlayListFile.h"
#include "PlayListKeeper.h"
#include "SongIntake.h"
#include "VireoTestMain.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace QzMultiMedia;

// The play list on real short files played into a clocked fake sink.
class ListPlayerTest : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir m_dir;
    QUrl a, b, c, bad, longTone;
    QStringList m_started; // "name@number" of every song the list announced

    AudioListPlayer* player()
    {
        return AudioListPlayer::instance();
    }
    QUrl url(const QString& name)
    {
        return QUrl::fromLocalFile(m_dir.filePath(name));
    }

protected slots:
    void initTestCase()
    {
        a = url(QStringLiteral("A song.wav"));
        b = url(QStringLiteral("B.ogg"));
        c = url(QStringLiteral("C.mp3"));
        bad = url(QStringLiteral("bad.mp3"));
        longTone = url(QStringLiteral("long.wav"));
        QVERIFY(AudioFixtures::makeTone(a.toLocalFile(), 700));
        QVERIFY(AudioFixtures::makeTone(b.toLocalFile(), 700));
        QVERIFY(AudioFixtures::makeTone(c.toLocalFile(), 700));
        QVERIFY(AudioFixtures::makeTone(longTone.toLocalFile(), 10000));
        QVERIFY(AudioFixtures::writeBytes(bad.toLocalFile(), AudioFixtures::randomBytes(5000, 3)));
        const auto record = [this] {
            m_started << player()->currentName() + QLatin1Char('@') + QString::number(player()->currentNumber());
        };
        connect(player(), &AudioListPlayer::nextTriggered, this, record);
        connect(player(), &AudioListPlayer::previousTriggered, this, record);
    }

    void init()
    {
        player()->setShuffleMode(false);
        player()->setRepeat(AudioListPlayer::Repeat::Off);
        m_started.clear();
    }
};
