#pragma once

#include "Equalizer.h"
#include "PlayOrder.h"
#include "PlayState.h"
#include "ReplayGain.h"
#include "SongTags.h"

#include <QDir>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QStringList>
#include <QUrl>

namespace QzMultiMedia {

// The process-wide play list: the songs, the current one, the step to the next when a song ends, and stepping
// on request. The user interface talks to the audio engine only through this class.
class AudioListPlayer : public QObject
{
    Q_OBJECT

public:
    static AudioListPlayer* instance();

    // The most songs a list holds: beyond it a menu of them is of no use, and memory and the saved list grow
    // without bound. Songs past it are left out, and songsLeftOut() says how many.
    static constexpr qsizetype MaxSongs = 100000;

    // Files are on their way (dragged over the icon): the first of them will start sooner.
    void prepare();
    // Songs will come as soon as the program is up (it was started on files): the engine gets ready meanwhile,
    // before any player exists.
    static void warmUp();
    void setPlayList(const QList<QUrl>& urls);
    void setPlayList(const QDir& dir, const QStringList& nameFilters);
    void appendToPlayList(const QList<QUrl>& urls);
    const QList<QUrl>& playList() const;
    // The list as the last run left it, kept in an M3U8 file: back without playing, its current song paused at
    // the place reached (stopped when it was), so that Play goes on from there. Nothing happens when the file
    // holds no songs.
    void restorePlayList(const QString& m3u8File);
    bool savePlayList(const QString& m3u8File) const;
    // The place reached in the current song; 0 when it is stopped or not loaded.
    qint64 currentPosition() const;
    // Moves within the current song. A place past its end goes on to the next song as Next does, and ends the list
    // where it has no next; false then, and true for a place within the song.
    bool setPosition(qint64 ms);

    // The place in the list of the song k-th in the play order; -1 outside it.
    int index(int k) const;
    // Takes the play order as it now stands into m_listIndexes, which every step through the list follows: the
    // list's own order 0 … n-1, unless shuffled or songs were chosen to play next. PlayOrder computes it.
    void regenerateIndexes();
    // Where in the play order the list stands.
    int currentNumber() const;
    // Counts the songs started (a song taken over without a gap included): tells one start of a song from the next.
    quint64 songStarts() const;
    int currentIndex() const;
    QUrl currentUrl() const;
    QString currentName() const;
    // The name a song is shown by: the title a play list gave it, else the last part of its path, decoded.
    static QString songName(const QUrl& url);
    QPixmap currentCover() const;
    // The current song's tags once it has been loaded; empty before.
    SongTags currentTags() const;
    // The current song is a stream still filling its buffer: it is not heard yet.
    bool isBuffering() const;
    bool isReconnecting() const;

    void play(const QString& fileName);
    void play();
    void pause();
    void stop();
    // Lowers the sound to nothing over ms, then pauses (the end of a sleep timer); the volume stays the user's.
    void fadeOutAndPause(int ms);

    PlayState state() const;
    bool isPlaying() const;
    bool isStopped() const;
    bool isPaused() const;
    bool isMuted() const;
    qreal volume() const;

    // Shuffle plays each song once a round in an order of chance, the current song first; off, the list order
    // comes back with the current song kept.
    void setShuffleMode(bool on);
    bool isShuffleMode() const;
    // After the last song the list starts again (List) or the song plays again (Song); Next and Previous go
    // round the list while it repeats.
    using Repeat = PlayOrder::Repeat;
    void setRepeat(Repeat repeat);
    Repeat repeat() const;
    // Loop mode is repeating the list.
    void setLoopMode(bool on);
    bool isLoopMode() const;
    // The song that plays now is the last: when it ends the list stands at the next one, stopped, and this is
    // off again.
    void setStopAfterCurrent(bool on);
    bool isStopAfterCurrent() const;
    // ReplayGain levels the songs from their tags, with a limiter so that none clips. Switching between track
    // and album acts at once; turning it on or off, with the next song.
    void setReplayGain(ReplayGain gain);
    ReplayGain replayGain() const;
    // The equalizer's preset, heard at once.
    void setEqualizer(Equalizer preset);
    Equalizer equalizer() const;
    // Songs without ReplayGain tags play this many decibels louder (or softer) while ReplayGain is on.
    void setUntaggedGain(double db);
    // The song at this place of the list plays after the current one, before the rest of the order; songs
    // chosen so one after another play in the order they were chosen, and the list goes on where it was. Each
    // plays once: its later turn in the order is given up. The current song, or a place not in the list, changes
    // nothing.
    void playAfterCurrent(int place);
    // Plays the song at this place of the list, as slotPlayFromList() does for the first song with its address: a
    // song that is in the list twice plays where it was chosen.
    void playPlace(int place);
    // Whether Next and Previous would change the song.
    bool hasNext() const;
    bool hasPrevious() const;

signals:
    void stopped();
    void finished();
    void nextTriggered();
    void previousTriggered();
    // Songs were appended to the list.
    void listChanged();
    // A list or an addition held more songs than a list keeps; these were not taken.
    void songsLeftOut(qsizetype count);
    // The list was replaced by another (a drop, a start on files, the list of the last run).
    void listReplaced();
    // The current song told more about itself: title, artist, cover.
    void tagsChanged();
    void bufferingChanged();
    // Playing, paused or stopped, volume or mute changed, whoever asked for it: the tray, the desktop's remote
    // controls and the end of a song all see the same player.
    void stateChanged();
    // Shuffle, repeat, stop after the current song or ReplayGain changed (stateChanged() comes too).
    void modesChanged();

public slots:
    void setMuted(bool muted);
    void setVolume(qreal volume);
    void slotPlayNext();
    void slotPlayPrevious();
    void slotPlayFromList(const QUrl& url);
    void slotFinished();

private:
    AudioListPlayer();
    void playNumber(int number);
    // Moves to the song number-th in the play order and plays it, telling which way the list went.
    void playFromOrder(int number);
    void queueNext();
    void skipUnplayable();
    void advance();
    void endList();
    QList<QUrl> withinLimit(const QList<QUrl>& urls, qsizetype room);

    static AudioListPlayer* m_uniqueInstance;

    QList<QUrl> m_playList;
    QList<int> m_listIndexes; // the k-th song to play is m_playList[m_listIndexes[k]]
    PlayOrder m_order;
    ReplayGain m_nReplayGain = ReplayGain::Off;
    Equalizer m_nEqualizer = Equalizer::Off;
    double m_fUntaggedDb = 0.0;
    int m_nUnplayableRun = 0; // songs skipped in a row: a repeated list of bad files ends instead of going round
    quint64 m_nSongStarts = 0; // counts every song handed to the single-track player
    quint64 m_nCuedStart = ~quint64(0); // the start that brought back the last run's song, which waits for Play
    qint64 m_nCuedPosition = 0; // where in it, kept even when the song could not be loaded (no sound output yet)
};

} // namespace QzMultiMedia
