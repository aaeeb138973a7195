#pragma once

#include "SongTags.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QTimer>

typedef struct _GstElement GstElement;
class QThread;

namespace QzMultiMedia {

// The bridge to the platform's audio player: one loaded file at a time, played by the native pipeline. The end
// of a track is found by a 500 ms poll, not by a callback, so everything happens on the owning thread.
// A song to follow may be named in advance: the pipeline then moves on to it by itself, without a gap and without
// opening the sound output again, and advanced() says so on the poll that sees it.
class NativeAudioPlayerInternal : public QObject
{
    Q_OBJECT

public:
    // How long loading may wait for the pipeline to get ready before the file counts as unplayable.
    static constexpr int PrerollTimeoutMs = 2000;

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
    // The song to play when the loaded one ends, in the same pipeline; an empty name for none.
    void setNextMedia(const QString& fileName);
    void play();
    void pause();
    void stop();
    // Gives the pipeline up entirely: the sound output and its threads are gone when this returns.
    void unload();

    bool isPlaying() const;
    bool isPaused() const;
    bool isStopped() const;
    bool isLoaded() const;

    qint64 position() const;
    void setPosition(qint64 ms);
    qint64 duration() const;

    void setVolume(double volume);
    double volume() const;
    void setBalance(float balance);

    // The loaded song's tags as far as the decoder has reported them; more may come while it plays.
    const SongTags& tags() const;

signals:
    void finished();
    // The song named by setNextMedia() has started in place of the one that ended.
    void advanced();
    void positionChanged(qint64 ms);
    // The file given to setMedia cannot be played: missing, damaged, not audio, not a local file.
    void unplayable();
    // No sound output can be opened, or the one in use went away: no song can be heard until it is back.
    void outputFailed();
    void tagsChanged();

private slots:
    void slotPositionChanged();
    void slotReadTags();

private:
    enum State { Playing = 0, Stopped = 1, Paused = 2 };

    static void aboutToFinish(GstElement* pipeline, void* owner);
    void release();
    bool switching() const;
    bool hasEnded() const;
    void readTags();

    float m_fBalance = 0.0f;
    GstElement* m_pPlayer = nullptr;
    QTimer m_timer;
    int m_nState = Playing;
    double m_fVolume = 0.5;
    bool m_bStarted = false; // PLAYING was asked for since the last pause, stop or load
    bool m_bAtStart = false; // loaded or rewound, and not moved since
    static QThread* s_pWarmUp;
    SongTags m_tags;
    mutable QMutex m_nextMutex; // the next song is taken on a streaming thread
    QByteArray m_nextUri;
    bool m_bSwitching = false; // the pipeline took the next song and plays out the end of the loaded one
    mutable bool m_bAdvanced = false; // the next song's stream reached the output
    mutable bool m_bEnded = false; // end of stream or an error was seen on the bus since the last start
    mutable bool m_bOutputLost = false; // what ended it was the sound output failing
};

} // namespace QzMultiMedia
