#include "AudioListPlayer.h"

#include "AudioPlayer.h"
#include "ID3Info.h"
#include "PlayListFile.h"

#include <QTimer>

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
}

// A song that cannot be played is passed over as if it had ended, on the next turn of the event loop, so that
// whoever started it sees its own signal first. Only if it is still the song last started: the user may have
// picked another meanwhile. One song per turn keeps a long list of bad files from freezing the program.
void AudioListPlayer::skipUnplayable()
{
    const quint64 start = m_nSongStarts;
    QTimer::singleShot(0, this, [this, start] {
        if (start == m_nSongStarts)
            slotFinished();
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

void AudioListPlayer::setPlayList(const QList<QUrl>& urls)
{
    if (urls.isEmpty())
        return;
    AudioPlayer::instance()->stop();
    m_playList = urls;
    m_nCurrentNumber = 0;
    regenerateIndexes();
    emit listReplaced();
    play(urls.first().toLocalFile());
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
    if (urls.isEmpty())
        return;
    m_playList.append(urls);
    regenerateIndexes();
    queueNext();
    emit listChanged();
}

void AudioListPlayer::restorePlayList(const QString& m3u8File)
{
    int current = 0;
    const QList<QUrl> songs = PlayListFile::read(m3u8File, &current);
    if (songs.isEmpty())
        return;
    AudioPlayer::instance()->stop();
    m_playList = songs;
    regenerateIndexes();
    m_nCurrentNumber = current;
    emit listReplaced();
    emit stateChanged();
}

bool AudioListPlayer::savePlayList(const QString& m3u8File) const
{
    return PlayListFile::write(m3u8File, m_playList, qMax(0, currentIndex()));
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
    m_listIndexes.clear();
    m_listIndexes.reserve(m_playList.size());
    for (int i = 0; i < m_playList.size(); ++i)
        m_listIndexes.append(i);
}

int AudioListPlayer::currentNumber() const
{
    return m_nCurrentNumber;
}

// With an empty list the current-song accessors answer -1, an empty URL and an empty name.
int AudioListPlayer::currentIndex() const
{
    return m_listIndexes.value(m_nCurrentNumber, -1);
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
    return url.fileName(QUrl::FullyDecoded);
}

QPixmap AudioListPlayer::currentCover() const
{
    return ID3Info(currentUrl().toLocalFile()).cover();
}

SongTags AudioListPlayer::currentTags() const
{
    AudioPlayer* player = AudioPlayer::instance();
    if (player->fileName() != currentUrl().toLocalFile())
        return SongTags();
    return player->tags();
}

void AudioListPlayer::playNumber(int number)
{
    play(m_playList.at(m_listIndexes.at(number)).toLocalFile());
}

void AudioListPlayer::play(const QString& fileName)
{
    ++m_nSongStarts;
    AudioPlayer::instance()->play(fileName, false);
    queueNext();
    emit stateChanged();
}

// The song after the current one is handed to the player in advance, so that it follows without a gap.
void AudioListPlayer::queueNext()
{
    // Short songs are read faster than they sound: the pipeline may take several before the list hears that the
    // first of them started. A few suffice; the list is given again at every change of the current song.
    constexpr int Ahead = 8;
    QStringList upcoming;
    for (int k = m_nCurrentNumber + 1; k < m_listIndexes.size() && upcoming.size() < Ahead; ++k)
        upcoming << m_playList.at(m_listIndexes.at(k)).toLocalFile();
    AudioPlayer::instance()->setUpcoming(upcoming);
}

// With nothing loaded (the list ran to its end, or the sound output failed) Play starts the current song again,
// which after the end is the first: a user pressing Play expects to hear something. So it does when the loaded
// song is not the list's (a list brought back from the last run).
void AudioListPlayer::play()
{
    AudioPlayer* player = AudioPlayer::instance();
    if (m_listIndexes.isEmpty() || (player->hasMedia() && player->fileName() == currentUrl().toLocalFile())) {
        player->play();
        emit stateChanged();
        return;
    }
    playNumber(m_nCurrentNumber);
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
    m_bShuffleMode = on;
}

bool AudioListPlayer::isShuffleMode() const
{
    return m_bShuffleMode;
}

void AudioListPlayer::setLoopMode(bool on)
{
    m_bLoopMode = on;
}

bool AudioListPlayer::isLoopMode() const
{
    return m_bLoopMode;
}

// A song that was queued may already sound in place of the one that ended (the player took it over without a
// gap): it is then only made current, not started again.
void AudioListPlayer::slotFinished()
{
    m_nCurrentNumber += 1;
    if (m_nCurrentNumber >= m_listIndexes.size()) {
        m_nCurrentNumber = 0;
        emit finished();
        return;
    }
    AudioPlayer* player = AudioPlayer::instance();
    const QString next = m_playList.at(m_listIndexes.at(m_nCurrentNumber)).toLocalFile();
    if (player->isPlaying() && player->fileName() == next) {
        ++m_nSongStarts;
        queueNext();
        emit stateChanged();
    } else {
        playNumber(m_nCurrentNumber);
    }
    emit nextTriggered();
}

void AudioListPlayer::slotPlayNext()
{
    if (m_nCurrentNumber + 1 >= m_listIndexes.size())
        return;
    m_nCurrentNumber += 1;
    AudioPlayer::instance()->stop();
    playNumber(m_nCurrentNumber);
    emit nextTriggered();
}

void AudioListPlayer::slotPlayPrevious()
{
    if (m_nCurrentNumber < 1 || m_listIndexes.isEmpty())
        return;
    m_nCurrentNumber -= 1;
    AudioPlayer::instance()->stop();
    playNumber(m_nCurrentNumber);
    emit previousTriggered();
}

void AudioListPlayer::slotPlayFromList(const QUrl& url)
{
    const int n = m_listIndexes.size();
    for (int k = m_nCurrentNumber + 1; k < n; ++k) {
        if (m_playList.at(m_listIndexes.at(k)) == url) {
            m_nCurrentNumber = k;
            playNumber(k);
            emit nextTriggered();
            return;
        }
    }
    for (int k = qMin(m_nCurrentNumber - 1, n - 1); k >= 0; --k) {
        if (m_playList.at(m_listIndexes.at(k)) == url) {
            m_nCurrentNumber = k;
            playNumber(k);
            emit previousTriggered();
            return;
        }
    }
}

} // namespace QzMultiMedia
