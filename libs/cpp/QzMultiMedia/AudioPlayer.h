#pragma once

#include "Equalizer.h"
#include "PlayState.h"
#include "ReplayGain.h"
#include "SongTags.h"
#include "SoundStages.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

namespace QzMultiMedia {

class Crossfade;
class NativeAudioPlayer;
class SongTagReader;

// The process-wide player of one file at a time: the user's volume and mute, looped play, and the back end's
// end and position signals passed on.
class AudioPlayer : public QObject
{
    Q_OBJECT

public:
    static AudioPlayer* instance();
    ~AudioPlayer() override;

    // A song is likely to come soon: the back end may get ready for it meanwhile.
    void prepare();
    static void warmUp();
    void play(const QString& fileName, bool looped);
    // Loads a song paused at a place in it, as a list brought back from the last run shows its song.
    void cue(const QString& fileName, qint64 ms);
    // The songs to follow the current one without a gap when it ends by itself, in order; empty for none.
    // inListOrder: they come as the list has them (not shuffled, not chosen to play next).
    void setUpcoming(const QStringList& fileNames, bool inListOrder = true);
    void play();
    void pause();
    void stop();
    // Lowers the sound to nothing over ms, then pauses; the user's volume is back for the next Play. A command
    // meanwhile (play, pause, stop, another song, a volume) ends the fade at once.
    void fadeOutAndPause(int ms);

    // Levels songs by their ReplayGain tags; songs without them play untaggedDb louder (or softer).
    void setReplayGain(ReplayGain gain, double untaggedDb);
    void setEqualizer(const EqualizerGains& gains);
    // How fast songs play, SlowestSpeed to FastestSpeed times as recorded with their pitch kept (1: as
    // recorded); heard at once and kept for the next run. A radio plays at its own speed whatever this says.
    void setSpeed(qreal speed);
    qreal speed() const;
    // Songs of different albums (or not in the list's order) overlap by ms as one ends and the next begins; songs
    // of one album in order stay gapless. 0 (the default) turns it off. A song chosen while another plays then
    // takes over in a short fade. Kept for the next run.
    void setCrossfade(int ms);
    int crossfade() const;
    // The output the user chose, by its sound server's name; empty follows the system's default. The music moves
    // there without stopping. A chosen output that is not there (unplugged) leaves the sound where the server put
    // it until it comes back.
    void setOutput(const QString& id);
    QString output() const;

    // The user's volume, also while a fade lowers what is heard.
    qreal volume() const;
    bool isMuted() const;
    PlayState state() const;
    bool isPlaying() const;
    bool isStopped() const;
    bool isPaused() const;
    // A song is loaded: play() has something to resume. False before the first song, after a song's end and
    // after a failure.
    bool hasMedia() const;

    qint64 duration() const;
    qint64 position() const;
    void setPosition(qint64 ms);
    qint64 remainingDuration() const;
    QString fileName() const;
    // The loaded song's tags, its cover written out for other programs once it is known.
    const SongTags& tags() const;
    // The loaded song is a stream still filling its buffer.
    bool isBuffering() const;
    // A radio whose connection dropped waits to be opened again; said with bufferingChanged().
    bool isReconnecting() const;

signals:
    // Playback stopped by itself because no sound output can be opened or the one in use went away.
    void stopped();
    // The song played to its end. When a song given to setUpcoming() took over from it, the player already
    // plays that one (fileName() names it) as this comes: one finished() for every song that ends.
    void finished();
    void positionChanged(qint64 ms);
    // The place in the song was changed on request (not by playing on).
    void seeked(qint64 ms);
    // The song just given to play() cannot be played.
    void unplayable();
    // A song given to play() is ready: its first sound is on its way to the ear (or held there, paused).
    void ready();
    void tagsChanged();
    void bufferingChanged();
    // A radio that was reconnecting is heard again (back), or was given up after two minutes of trying.
    void reconnectEnded(bool back);
    void durationChanged(qint64 ms);
    void stateChanged();
    void outputChanged();
    void speedChanged(qreal speed);
    void crossfadeChanged(int ms);

public slots:
    void setMuted(bool muted);
    void setVolume(qreal volume);
    void slotStop();
    void loopedPlay();
    void slotSetAboutToQuit();

private:
    AudioPlayer();
    void attach(NativeAudioPlayer* player);
    void decideJoin();
    void scheduleCrossfade();
    void slotCrossfadeDue();
    void crossTo(const QString& fileName, int ms);
    void armLoop();
    void slotNativeFinished();
    void saveSoundSettings();
    // Saves them once the changes settle: a volume turned from outside a thousand times a second is one write.
    void saveSoundSettingsSoon();
    void slotTagsChanged();
    void readTags();
    void fadeStep();
    void endFade();
    void applyOutput();

    static AudioPlayer* _uniqueInstance;

    NativeAudioPlayer* m_pNativePlayer; // the one that sounds
    NativeAudioPlayer* m_pOtherPlayer = nullptr; // the one a crossfade leaves, made at the first one
    Crossfade* m_pCrossfade;
    QTimer m_crossfadeTimer;
    int m_nCrossfadeMs = 0;
    QStringList m_listUpcoming;
    bool m_bUpcomingInOrder = true;
    bool m_bJoinNext = true; // the next song follows without a gap, not by a crossfade
    SongTagReader* m_pAlbums = nullptr; // the albums of the song and the next, read when songs cross-fade
    QList<QUrl> m_listAlbumsAsked;
    QList<QUrl> m_listAlbumsRead;
    ReplayGain m_nGain = ReplayGain::Off;
    double m_fUntaggedDb = 0.0;
    EqualizerGains m_gains {};
    bool m_bLoopStopped = true; // no looped play runs
    QTimer m_loopTimer;
    QTimer m_fadeTimer;
    QTimer m_saveTimer;
    QElapsedTimer m_saveWaiting; // since the oldest change not saved yet
    qreal m_fFadeFrom = 0.0;
    int m_nFadeStep = 0;
    int m_nFadeSteps = 0;
    SongTags m_tags;
    qreal m_fSpeed = 1.0;
    QString m_strOutput; // chosen by the user; empty: the default
    QString m_strOutputApplied; // where the sound was last sent
    bool m_bWatchingOutputs = false;
};

} // namespace QzMultiMedia
