#pragma once

#include "PlayState.h"
#include "ReplayGain.h"
#include "SongTags.h"
#include "SoundStages.h"

#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <memory>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
typedef struct _GstTagList GstTagList;
class QSocketNotifier;
class QThread;

namespace QzMultiMedia {

struct StreamJoin;

// The bridge to the platform's audio player: one pipeline for the whole run, moved from song to song, and heard
// through its bus on the owning thread. No call here waits for the pipeline: a song is loaded, found unplayable,
// started, ended or taken over when the pipeline says so, and the getters only read what it said last.
// A song to follow may be named in advance: the pipeline then moves on to it by itself, without a gap and without
// opening the sound output again, and advanced() says so when its sound starts.
class NativeAudioPlayerInternal : public QObject
{
    Q_OBJECT

public:
    // The player counts seconds; this interface counts milliseconds. Positions round to nearest, durations
    // truncate, so a track never appears longer than it is.
    static qint64 positionFromSeconds(double seconds);
    static qint64 durationFromSeconds(double seconds);
    // The gain a stored volume reaches the sound with: within 0…1, whatever a damaged setting holds.
    static double audibleVolume(double volume);

    explicit NativeAudioPlayerInternal(QObject* parent = nullptr);
    ~NativeAudioPlayerInternal() override;

    // A song is about to come (a drag is over the icon): load what playing needs in the background, once.
    void prepare();
    // The same, before any player exists: the program was started on files, so a song comes as soon as the user
    // interface is up, which it can be meanwhile.
    static void warmUp();

    void setMedia(const QString& fileName);
    void play(const QString& fileName);
    // The songs to play after the one that sounds, in this order, in the same pipeline; those of them that the
    // pipeline has already taken are not taken again.
    void setUpcoming(const QStringList& fileNames);
    // The song that sounds: the one loaded, or the one the pipeline moved on to since.
    QString fileName() const;
    void play();
    void pause();
    void stop();
    // Gives the pipeline up entirely: the sound output, its threads and the hold on the sound server's client loop
    // are gone when this returns.
    void unload();

    PlayState state() const;
    bool isPlaying() const;
    bool isPaused() const;
    bool isStopped() const;
    bool isLoaded() const;

    qint64 position() const;
    void setPosition(qint64 ms);
    // The length as the pipeline last reported it; 0 while unknown.
    qint64 duration() const;

    void setVolume(double volume);
    double volume() const;
    void setBalance(float balance);
    // Takes effect at once where the pipeline's stages allow, else with the next song.
    void setReplayGain(ReplayGain gain, double untaggedDb);
    void setEqualizer(const EqualizerGains& gains);
    // 0.5 to 2 times as fast as recorded, with the pitch kept; heard at once. Radio always plays at its own speed.
    void setSpeed(double speed);
    double speed() const;
    void setOutput(const QString& device, const QString& now);

    // The sounding song's tags as far as they have reached the output; more may come while it plays.
    const SongTags& tags() const;
    // A stream fills its buffer before it is heard (and again when the network falls behind).
    bool isBuffering() const;
    // A radio whose connection dropped waits to be opened again.
    bool isReconnecting() const;

signals:
    void finished();
    // An upcoming song has started in place of the one that ended.
    void advanced();
    void positionChanged(qint64 ms);
    // The file given to setMedia cannot be played: missing, damaged, not audio, not a local file.
    void unplayable();
    // No sound output can be opened, or the one in use went away: no song can be heard until it is back.
    void outputFailed();
    void tagsChanged();
    void bufferingChanged();
    void durationChanged(qint64 ms);
    void stateChanged();
    // The volume was set from outside, on the sound stream (the desktop's per-application volume).
    void volumeChanged(double volume);
    // A radio whose connection dropped is heard again (back), or was given up after two minutes of trying.
    void reconnectEnded(bool back);

private slots:
    void slotPositionChanged();
    void slotBusActivated();
    void finishAdvance();
    bool finishSettling();
    void releaseLoopHold();
    void adoptWarmUpHold();
    void slotStretchWatch();
    void slotVolumeNotified();
    void slotWarmedUp();

private:
    void ensurePipeline();
    void releasePipeline();
    void halt();
    void load(const QByteArray& uri);
    void moveTo(const QByteArray& uri);
    void startMoving();
    // Asks the pipeline to move to `state` (a GstState), off this thread (PipelineCalls_linux).
    void movePipeline(int state);
    qint64 placeAskedOrHeard() const;
    bool isSettling() const;
    void clearSong();
    void setState(PlayState state);
    void handle(GstMessage* message);
    void handleError(GstMessage* message);
    void handleEnd();
    bool reconnect();
    void setReconnecting(bool on);
    void endReconnectWait();
    void handleStreamStart();
    void handleTags(GstMessage* message);
    void handleLoaded();
    void handleBuffering(GstMessage* message);
    qint64 stretchRunEnd() const;
    // Everything the engine knows of one song, the one that sounds and each one to follow: nothing of one song
    // is ever read for another.
    struct Song
    {
        QString fileName;
        QByteArray uri; // empty for a song that cannot be opened
        bool ranged = false; // a stretch of its file, from start to end (-1: the file's end), in the file's own time
        bool stream = false; // an internet stream: never taken over without a gap
        qint64 start = 0;
        qint64 end = -1;
        qint64 duration = 0; // as the pipeline last reported it; 0 while unknown
        SongTags tags; // as far as they have reached the output
        int reconnects = 0; // times the stream was opened again after its server let it go
        bool retried = false; // it failed once before it got ready and is being tried again
    };
    static Song songFor(const QString& fileName);
    bool followsOn(const Song& next, qint64 end) const;
    void watchStretchEnd();
    void stopWatchingStretchEnd();
    void readDuration(bool announce = true);
    double heardSpeed() const;
    void applyTarget();
    void seek(qint64 ms);
    void updateFilter();
    void applyVolume();
    void rewindIfStopped();
    static void aboutToFinish(GstElement* pipeline, void* owner);

    SoundStages m_stages;
    QElapsedTimer m_volumeSet; // since the program last set the volume
    QList<double> m_listVolumesSet; // the amplitudes it set in the moments before: their echoes are no news
    QElapsedTimer m_streamPlaying; // since play last began: a new stream's first word on its volume is no news
    bool m_bFilterStale = false; // the pipeline's stages are not those asked for: new ones with the next song
    GstElement* m_pPlayer = nullptr;
    GstElement* m_pOutput = nullptr; // the pipeline's sink, to tell the output's errors from the song's
    QSocketNotifier* m_pBusNotifier = nullptr;
    QTimer m_timer;
    QTimer m_settleWait;
    QTimer m_advanceWait; // a song taken over waits this long for its tags before it is announced
    GstElement* m_pLoopHold = nullptr; // keeps the sound server's client loop while the server answers
    PlayState m_nState = PlayState::Empty;
    double m_fVolume = 0.5;
    double m_fSpeed = 1.0; // as the user asked; m_stages says what the song is played at
    // The song loaded by setMedia, or the one the pipeline moved on to since. Replaced whole under m_nextMutex:
    // the streaming thread that takes the next song reads whether it is a stream or a stretch, under that lock.
    // The fields only this thread reads (its address, tags, length, retries) change here without it.
    Song m_song;
    bool m_bAtStart = false; // loaded or rewound, and not moved since
    bool m_bPrerolled = false; // the loaded song reached the output once: it plays
    bool m_bOutputRan = false; // the pipeline was set PLAYING since the song was loaded
    int m_nAskedState = 0; // the GstState the pipeline was last asked to move to
    bool m_bAwaitingWarmUp = false; // the first move waits for the warm-up's connection to the sound server
    bool m_bBuffering = false; // a stream fills its buffer: the pipeline waits in PAUSED though it should play
    bool m_bReconnecting = false; // a radio whose connection dropped waits to be opened again
    int m_nReconnectWait = 0; // counts the waits, so that a Play that tries at once ends the one running
    bool m_bOutage = false; // the radio's connection dropped and it has not been heard since
    // What the pipeline is doing. Asked to move while it sets a song up, playbin changes the state of bins a
    // streaming thread is adding at that moment, and deadlocked or aborted inside: what is asked meanwhile waits.
    enum class Phase {
        Standing, // where it was asked to be (or on its way there): a command is carried out at once
        Starting, // a song set in, not asked to move yet: the command that most often follows says where to
        Settling, // asked to move, it sets the song up inside: not ready, not failed yet
        Moving, // on its way to another state than the one asked for since: asked again once there
    };
    Phase m_nPhase = Phase::Standing;
    // What was asked for and waits for the pipeline to be able to do it, in one place.
    struct Pending
    {
        bool load = false; // a song asked for while the one before settles: set up once that one is ready
        qint64 seek = -1; // a place asked for before the song could seek
        bool rewind = false; // stopped: the song goes back to its start when it next moves
        bool reload = false; // stopped while the pipeline had taken the next song: set up afresh at the next start
        bool end = false; // the end came while paused
    };
    Pending m_pending;
    bool m_bAdvancePending = false; // a song taken over started; said once the messages at hand are read
    int m_nStreamStarts = 0; // since the last load: the first is the loaded song, each further one a song taken over
    quint32 m_nLoadSeqnum = 0; // messages made before the last load are about another song
    qint64 m_nSeekingTo = -1; // a seek on its way: until the pipeline is ready there, the place is its target
    GstTagList* m_pTagList = nullptr; // everything the sounding song told, merged
    static QThread* s_pWarmUp;
    static std::atomic<GstElement*> s_pWarmUpHold; // the sound server's connection, made by the warm-up

    std::unique_ptr<StreamJoin> m_pJoin; // what the output's streaming thread knows of song boundaries
    mutable QMutex m_nextMutex; // the next songs are taken on a streaming thread
    QList<Song> m_upcoming; // the songs after the one that sounds
    QList<Song> m_taken; // the first of them, handed to the pipeline at its about-to-finish, not yet sounding
    bool m_bLeaving = false; // a song asked for waits for the one that settles: nothing is taken ahead
    qint64 m_nStop = -1; // where the pipeline was told to end: this stretch's end, or that of the run it begins
    // The file plays on into the next stretch: when the pipeline's clock reaches its border, the song changes.
    void* m_pBorderWait = nullptr; // the clock's wait for that moment (a GstClockID)
    quint64 m_nBorderWatch = 0; // counts the waits made and let go: a wait that ended late is about another one
    qint64 m_nRunStart = 0; // where in the file the pipeline's run began, at running time 0
};

} // namespace QzMultiMedia
