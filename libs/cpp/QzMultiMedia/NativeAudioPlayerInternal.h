#pragma once

#include "BorderWatch_linux.h"
#include "PipelineDriver_linux.h"
#include "PipelineSong.h"
#include "PipelineSound_linux.h"
#include "PlayState.h"
#include "ReplayGain.h"
#include "SoundStages.h"
#include "SoundingSong_linux.h"
#include "StreamReconnection.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
typedef struct _GstTagList GstTagList;

namespace QzMultiMedia {

// The bridge to the platform's audio player: one pipeline for the whole run, moved from song to song, and heard
// through its bus on the owning thread. No call here waits for the pipeline: a song is loaded, found unplayable,
// started, ended or taken over when the pipeline says so, and the getters only read what it said last.
// A song to follow may be named in advance: the pipeline then moves on to it by itself, without a gap and without
// opening the sound output again, and advanced() says so when its sound starts.
class NativeAudioPlayerInternal : public QObject, private PipelineDriver_linux::Owner
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

    void setVolume(double volume)
    {
        m_sound.setVolume(volume);
    }
    double volume() const
    {
        return m_sound.volume();
    }
    void setBalance(float balance)
    {
        m_sound.setBalance(balance);
    }
    // Takes effect at once where the pipeline's stages allow, else with the next song.
    void setReplayGain(ReplayGain gain, double untaggedDb)
    {
        m_sound.setReplayGain(gain, untaggedDb);
    }
    void setEqualizer(const EqualizerGains& gains)
    {
        m_sound.setEqualizer(gains);
    }
    // 0.5 to 2 times as fast as recorded, with the pitch kept; heard at once. Radio always plays at its own speed.
    void setSpeed(double speed);
    double speed() const
    {
        return m_sound.speed();
    }
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
    // The file given to setMedia is ready: its first sound is at the output, playing or held there.
    void ready();
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
    void slotBorderReached();
    void slotReconnectDue();

private:
    // What the pipeline's driver asks.
    PipelineDriver_linux::Want wanted(bool first) const override;
    void songSetIn() override;
    void handle(GstMessage* message) override;
    void messagesRead() override;

    void ensurePipeline();
    void releasePipeline();
    void releaseOutput();
    void halt();
    void load(const QByteArray& uri);
    qint64 placeAskedOrHeard() const;
    void setState(PlayState state);
    void handleError(GstMessage* message);
    void handleEnd();
    bool reconnect();
    void handleStreamStart();
    void handleTags(GstMessage* message);
    void handleLoaded();
    static PipelineSong songFor(const QString& fileName);
    void watchBorder();
    void seek(qint64 ms);
    void rewindIfStopped();

    QTimer m_timer;
    PlayState m_nState = PlayState::Empty;
    // The song loaded by setMedia, or the one the pipeline moved on to since. Only this thread reads it: what the
    // streaming threads need of it, the driver's upcoming songs keep under their own lock.
    SoundingSong_linux m_sounding;
    PipelineSong& song()
    {
        return m_sounding.song();
    }
    const PipelineSong& song() const
    {
        return m_sounding.song();
    }
    bool m_bAtStart = false; // loaded or rewound, and not moved since
    bool m_bPrerolled = false; // the loaded song reached the output once: it plays
    StreamReconnection m_reconnection;
    // What was asked for and waits for the pipeline to be able to do it, in one place.
    struct Pending
    {
        qint64 seek = -1; // a place asked for before the song could seek
        bool rewind = false; // stopped: the song goes back to its start when it next moves
        bool reload = false; // stopped while the pipeline had taken the next song: set up afresh at the next start
        bool end = false; // the end came while paused
    };
    Pending m_pending;
    int m_nStreamStarts = 0; // since the last load: the first is the loaded song, each further one a song taken over
    qint64 m_nSeekingTo = -1; // a seek on its way: until the pipeline is ready there, the place is its target

    qint64 m_nStop = -1; // where the pipeline was told to end: this stretch's end, or that of the run it begins
    // The file plays on into the next stretch: when the border is heard, the song changes.
    BorderWatch_linux m_border;
    qint64 m_nRunStart = 0; // where in the file the pipeline's run began, at running time 0
    PipelineDriver_linux m_driver;
    PipelineSound_linux m_sound;
};

} // namespace QzMultiMedia
