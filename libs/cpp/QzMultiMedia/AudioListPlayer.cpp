#include "AudioListPlayer.h"

#include "AudioPlayer.h"
#include "ID3Info.h"
#include "ListedTitles.h"
#include "MediaCommon.h"
#include "PlayListFile.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace QzMultiMedia {

AudioListPlayer* AudioListPlayer::m_uniqueInstance = nullptr;

AudioListPlayer::AudioListPlayer()
{
    AudioPlayer* player = AudioPlayer::instance();
    connect(player, &AudioPlayer::stopped, this, &AudioListPlayer::stopped);
    connect(player, &AudioPlayer::finished, this, &AudioListPlayer::slotFinished);
    connect(player, &AudioPlayer::stateChanged, this, &AudioListPlayer::stateChanged);
    connect(player, &AudioPlayer::unplayable, this, &AudioListPlayer::skipUnplayable);
    connect(player, &AudioPlayer::tagsChanged, this, &AudioListPlayer::tagsChanged);
    connect(player, &AudioPlayer::bufferingChanged, this, &AudioListPlayer::bufferingChanged);
}

// A song that cannot be played is passed over as if it had ended, on the next turn of the event loop, so that
// whoever started it sees its own signal first. Only if it is still the song last started: the user may have
// picked another meanwhile. One song per turn keeps a long list of bad files from freezing the program.
void AudioListPlayer::skipUnplayable()
{
    const quint64 start = m_nSongStarts;
    // The last run's song brought back paused is not passed over: nobody asked for music yet. Play tries it
    // again and moves on from there.
    if (start == m_nCuedStart)
        return;
    QTimer::singleShot(0, this, [this, start] {
        if (start != m_nSongStarts)
            return;
        ++m_nUnplayableRun;
        advance();
    });
}

AudioListPlayer* AudioListPlayer::instance()
{
    if (!m_uniqueInstance)
        m_uniqueInstance = new AudioListPlayer();
    return m_uniqueInstance;
}

void AudioListPlayer::prepare()
{
    AudioPlayer::instance()->prepare();
}

void AudioListPlayer::warmUp()
{
    AudioPlayer::warmUp();
}

QList<QUrl> AudioListPlayer::withinLimit(const QList<QUrl>& urls, qsizetype room)
{
    if (urls.size() <= room)
        return urls;
    emit songsLeftOut(urls.size() - room);
    return urls.first(qMax<qsizetype>(0, room));
}

void AudioListPlayer::setPlayList(const QList<QUrl>& urls)
{
    if (urls.isEmpty())
        return;
    AudioPlayer::instance()->stop();
    m_playList = withinLimit(urls, MaxSongs);
    ListedTitles::keepOnly(m_playList);
    m_nUnplayableRun = 0;
    m_order.reset(int(m_playList.size()));
    regenerateIndexes();
    emit listReplaced();
    playNumber(0);
    emit nextTriggered();
}

void AudioListPlayer::setPlayList(const QDir& dir, const QStringList& nameFilters)
{
    QList<QUrl> urls;
    const QStringList names = dir.entryList(nameFilters, QDir::Files);
    for (const QString& name : names)
        urls.append(QUrl::fromLocalFile(QUrl::fromLocalFile(dir.absoluteFilePath(name)).toLocalFile()));
    setPlayList(urls);
}

void AudioListPlayer::appendToPlayList(const QList<QUrl>& urls)
{
    const QList<QUrl> taken = withinLimit(urls, MaxSongs - m_playList.size());
    if (taken.isEmpty())
        return;
    m_playList.append(taken);
    m_order.append(int(taken.size()));
    regenerateIndexes();
    queueNext();
    emit listChanged();
}

void AudioListPlayer::restorePlayList(const QString& m3u8File)
{
    int current = 0;
    qint64 position = 0;
    qsizetype leftOut = 0;
    ListedTags titles;
    const QList<QUrl> songs = PlayListFile::read(m3u8File, &current, &position, MaxSongs, &leftOut, &titles);
    if (songs.isEmpty())
        return;
    ListedTitles::replace(titles);
    if (leftOut > 0)
        emit songsLeftOut(leftOut);
    AudioPlayer::instance()->stop();
    m_playList = songs;
    m_nUnplayableRun = 0;
    m_order.restore(int(m_playList.size()), current);
    regenerateIndexes();
    if (position > 0) {
        m_nCuedStart = ++m_nSongStarts;
        m_nCuedPosition = position;
        AudioPlayer::instance()->cue(MediaCommon::localName(currentUrl()), position);
        queueNext();
    }
    emit listReplaced();
    emit stateChanged();
}

bool AudioListPlayer::savePlayList(const QString& m3u8File) const
{
    return PlayListFile::write(m3u8File, m_playList, qMax(0, currentIndex()), currentPosition(), ListedTitles::all());
}

qint64 AudioListPlayer::currentPosition() const
{
    const AudioPlayer* player = AudioPlayer::instance();
    if (!player->hasMedia() && m_nSongStarts == m_nCuedStart)
        return m_nCuedPosition;
    if (player->isStopped() || !player->hasMedia() || player->fileName() != MediaCommon::localName(currentUrl()))
        return 0;
    return player->position();
}

// Asked of the single-track player, a place at the very end raced the song taken ahead of it: in a song's last
// second the whole list stopped and went back to its first song.
bool AudioListPlayer::setPosition(qint64 ms)
{
    AudioPlayer* player = AudioPlayer::instance();
    const qint64 length = player->duration();
    if (length <= 0 || ms < length) {
        player->setPosition(qMax<qint64>(0, ms));
        return true;
    }
    if (hasNext()) {
        slotPlayNext();
        return false;
    }
    player->stop();
    endList();
    emit stateChanged();
    return false;
}

// The list has come to its end: Play starts it again from its first song.
void AudioListPlayer::endList()
{
    m_order.rewind();
    regenerateIndexes();
    m_nUnplayableRun = 0;
    emit finished();
}

const QList<QUrl>& AudioListPlayer::playList() const
{
    return m_playList;
}

int AudioListPlayer::index(int k) const
{
    return m_listIndexes.value(k, -1);
}

void AudioListPlayer::regenerateIndexes()
{
    m_listIndexes = m_order.places();
}

int AudioListPlayer::currentNumber() const
{
    return m_order.number();
}

quint64 AudioListPlayer::songStarts() const
{
    return m_nSongStarts;
}

// With an empty list the current-song accessors answer -1, an empty URL and an empty name.
int AudioListPlayer::currentIndex() const
{
    return m_order.current();
}

QUrl AudioListPlayer::currentUrl() const
{
    return m_playList.value(currentIndex());
}

QString AudioListPlayer::currentName() const
{
    return songName(currentUrl());
}

// Decoded all the way: a file named "Track #1 (100% live).ogg" is shown so, never as "%231" or "100%25".
QString AudioListPlayer::songName(const QUrl& url)
{
    const QString title = ListedTitles::title(url);
    if (!title.isEmpty())
        return title;
    const QString name = url.fileName(QUrl::FullyDecoded);
    return name.isEmpty() ? url.host() : name; // a station at the root of its server
}

QPixmap AudioListPlayer::currentCover() const
{
    return ID3Info(currentUrl().toLocalFile()).cover();
}

bool AudioListPlayer::isBuffering() const
{
    return AudioPlayer::instance()->isBuffering();
}

bool AudioListPlayer::isReconnecting() const
{
    return AudioPlayer::instance()->isReconnecting();
}

SongTags AudioListPlayer::currentTags() const
{
    AudioPlayer* player = AudioPlayer::instance();
    const QUrl url = currentUrl();
    if (player->fileName() != MediaCommon::localName(url))
        return SongTags();
    return ListedTitles::over(url, player->tags());
}

void AudioListPlayer::playNumber(int number)
{
    play(MediaCommon::localName(m_playList.at(m_listIndexes.at(number))));
}

void AudioListPlayer::play(const QString& fileName)
{
    ++m_nSongStarts;
    AudioPlayer::instance()->play(fileName, false);
    queueNext();
    emit stateChanged();
}

// The songs after the current one are handed to the player in advance, so that they follow without a gap.
// Short songs are read faster than they sound: the pipeline may take several before the list hears that the first
// of them started. A few suffice; the list is given again at every change of the current song.
void AudioListPlayer::queueNext()
{
    constexpr int Ahead = 8;
    QStringList upcoming;
    const QList<int> places = m_order.upcoming(Ahead);
    for (const int place : places)
        upcoming << MediaCommon::localName(m_playList.at(place));
    // The next song goes on in the list's order, or comes by chance or by the user's choice.
    const bool inOrder = places.isEmpty() || places.first() == m_order.current() + 1;
    AudioPlayer::instance()->setUpcoming(upcoming, inOrder);
}

// With nothing loaded (the list ran to its end, or the sound output failed) Play starts the current song again,
// which after the end is the first: a user pressing Play expects to hear something. So it does when the loaded
// song is not the list's (a list brought back from the last run).
void AudioListPlayer::play()
{
    AudioPlayer* player = AudioPlayer::instance();
    if (m_order.size() == 0 || (player->hasMedia() && player->fileName() == MediaCommon::localName(currentUrl()))) {
        player->play();
        emit stateChanged();
        return;
    }
    const bool cued = m_nSongStarts == m_nCuedStart;
    playNumber(m_order.number());
    if (cued)
        player->setPosition(m_nCuedPosition);
    emit nextTriggered();
}

void AudioListPlayer::pause()
{
    AudioPlayer::instance()->pause();
    emit stateChanged();
}

void AudioListPlayer::stop()
{
    AudioPlayer::instance()->stop();
    emit stateChanged();
}

// The pause at the fade's end reaches everybody through the single-track player's state.
void AudioListPlayer::fadeOutAndPause(int ms)
{
    AudioPlayer::instance()->fadeOutAndPause(ms);
}

PlayState AudioListPlayer::state() const
{
    return AudioPlayer::instance()->state();
}

bool AudioListPlayer::isPlaying() const
{
    return AudioPlayer::instance()->isPlaying();
}

bool AudioListPlayer::isStopped() const
{
    return AudioPlayer::instance()->isStopped();
}

bool AudioListPlayer::isPaused() const
{
    return AudioPlayer::instance()->isPaused();
}

bool AudioListPlayer::isMuted() const
{
    return AudioPlayer::instance()->isMuted();
}

qreal AudioListPlayer::volume() const
{
    return AudioPlayer::instance()->volume();
}

void AudioListPlayer::setMuted(bool muted)
{
    AudioPlayer::instance()->setMuted(muted);
    emit stateChanged();
}

// A volume already set changes nothing and tells nobody: a burst of wheel turns past the end costs nothing.
void AudioListPlayer::setVolume(qreal volume)
{
    const qreal bounded = qBound(0.0, volume, 1.0);
    if (qFuzzyCompare(1.0 + bounded, 1.0 + AudioPlayer::instance()->volume()))
        return;
    AudioPlayer::instance()->setVolume(bounded);
    emit stateChanged();
}

void AudioListPlayer::setShuffleMode(bool on)
{
    if (on == m_order.isShuffle())
        return;
    m_order.setShuffle(on);
    regenerateIndexes();
    if (AudioPlayer::instance()->hasMedia())
        queueNext();
    emit modesChanged();
    emit stateChanged();
}

bool AudioListPlayer::isShuffleMode() const
{
    return m_order.isShuffle();
}

void AudioListPlayer::setRepeat(Repeat repeat)
{
    if (repeat == m_order.repeat())
        return;
    m_order.setRepeat(repeat);
    if (AudioPlayer::instance()->hasMedia())
        queueNext();
    emit modesChanged();
    emit stateChanged();
}

AudioListPlayer::Repeat AudioListPlayer::repeat() const
{
    return m_order.repeat();
}

void AudioListPlayer::setStopAfterCurrent(bool on)
{
    if (on == m_order.isStopAfterCurrent())
        return;
    m_order.setStopAfterCurrent(on);
    if (AudioPlayer::instance()->hasMedia())
        queueNext();
    emit modesChanged();
    emit stateChanged();
}

void AudioListPlayer::setReplayGain(ReplayGain gain)
{
    if (gain == m_nReplayGain)
        return;
    m_nReplayGain = gain;
    AudioPlayer::instance()->setReplayGain(m_nReplayGain, m_fUntaggedDb);
    emit modesChanged();
    emit stateChanged();
}

void AudioListPlayer::setEqualizer(Equalizer preset)
{
    if (preset == m_nEqualizer)
        return;
    m_nEqualizer = preset;
    AudioPlayer::instance()->setEqualizer(equalizerGains(preset));
    emit modesChanged();
}

Equalizer AudioListPlayer::equalizer() const
{
    return m_nEqualizer;
}

void AudioListPlayer::setUntaggedGain(double db)
{
    m_fUntaggedDb = db;
    AudioPlayer::instance()->setReplayGain(m_nReplayGain, m_fUntaggedDb);
}

ReplayGain AudioListPlayer::replayGain() const
{
    return m_nReplayGain;
}

bool AudioListPlayer::isStopAfterCurrent() const
{
    return m_order.isStopAfterCurrent();
}

void AudioListPlayer::setLoopMode(bool on)
{
    setRepeat(on ? Repeat::List : Repeat::Off);
}

bool AudioListPlayer::isLoopMode() const
{
    return m_order.repeat() == Repeat::List;
}

void AudioListPlayer::playAfterCurrent(int place)
{
    m_order.playAfterCurrent(place);
    regenerateIndexes();
    queueNext();
    emit stateChanged(); // what Next leads to may have changed
}

bool AudioListPlayer::hasNext() const
{
    return m_order.hasNext();
}

bool AudioListPlayer::hasPrevious() const
{
    return m_order.hasPrevious();
}

// A song that was queued may already sound in place of the one that ended (the player took it over without a
// gap): it is then only made current, not started again.
void AudioListPlayer::slotFinished()
{
    m_nUnplayableRun = 0;
    advance();
}

// The song ended or could not be played: the next as the modes say, or the end of the list.
void AudioListPlayer::advance()
{
    if (m_order.size() == 0)
        return;
    const bool skipping = m_nUnplayableRun > 0;
    const bool stopping = m_order.isStopAfterCurrent();
    const PlayOrder::Ending ending = m_order.songEnded(m_nUnplayableRun);
    regenerateIndexes();
    if (stopping != m_order.isStopAfterCurrent())
        emit modesChanged();
    if (ending == PlayOrder::Ending::End) {
        endList();
        return;
    }
    AudioPlayer* player = AudioPlayer::instance();
    if (ending == PlayOrder::Ending::StopHere) {
        // A song the pipeline took over all the same (asked for in its last moment) is stopped at its start.
        player->stop();
        queueNext();
        emit stateChanged();
        emit nextTriggered();
        return;
    }
    const QString next = MediaCommon::localName(currentUrl());
    if (!skipping && player->isPlaying() && player->fileName() == next) {
        ++m_nSongStarts;
        queueNext();
        emit stateChanged();
    } else {
        playNumber(m_order.number());
    }
    emit nextTriggered();
}

void AudioListPlayer::slotPlayNext()
{
    if (!m_order.next())
        return;
    regenerateIndexes();
    m_nUnplayableRun = 0;
    // Where songs cross-fade, the song that plays hands over to the next in a short fade.
    if (AudioPlayer::instance()->crossfade() <= 0)
        AudioPlayer::instance()->stop();
    playNumber(m_order.number());
    emit nextTriggered();
}

void AudioListPlayer::slotPlayPrevious()
{
    if (!m_order.previous())
        return;
    regenerateIndexes();
    m_nUnplayableRun = 0;
    // Where songs cross-fade, the song that plays hands over to the next in a short fade.
    if (AudioPlayer::instance()->crossfade() <= 0)
        AudioPlayer::instance()->stop();
    playNumber(m_order.number());
    emit previousTriggered();
}

void AudioListPlayer::slotPlayFromList(const QUrl& url)
{
    playFromOrder(m_order.find([this, &url](int place) { return m_playList.at(place) == url; }));
}

void AudioListPlayer::playPlace(int place)
{
    playFromOrder(m_order.find([place](int at) { return at == place; }));
}

void AudioListPlayer::playFromOrder(int number)
{
    const int before = m_order.number();
    if (number < 0)
        return;
    m_order.moveTo(number);
    regenerateIndexes();
    playNumber(number);
    if (number > before)
        emit nextTriggered();
    else
        emit previousTriggered();
}

} // namespace QzMultiMedia
