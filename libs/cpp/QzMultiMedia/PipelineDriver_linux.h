#pragma once

#include "SongJoin_linux.h"
#include "SoundServerHold_linux.h"
#include "UpcomingSongs.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
class QSocketNotifier;

namespace QzMultiMedia {

// The one pipeline a player has for the whole run, and what it is doing. Asked to move while it sets a song up,
// playbin changes the state of bins a streaming thread is adding at that moment, and deadlocked or aborted
// inside: this is the one place that moves it, and what is asked meanwhile waits for the song to be ready or to
// fail. No call here waits for the pipeline; its bus is read on the owner's thread, where it says it has
// something.
class PipelineDriver_linux : public QObject
{
    Q_OBJECT

public:
    // Where the owner wants the pipeline, asked whenever it may be moved. A stream that fills its buffer is held
    // where the owner wants it to play.
    enum class Want { Nothing, Hold, Play };
    // What the driver asks of the player it drives.
    class Owner
    {
    public:
        // `first`: the song's first move, straight from NULL.
        virtual Want wanted(bool first) const = 0;
        // A song is set in (or none): the pipeline stands in NULL, the one moment its stages can be exchanged, and
        // nothing said before is about the new song.
        virtual void songSetIn() = 0;
        // A message about the song set in, in the order posted.
        virtual void handle(GstMessage* message) = 0;
        // The messages at hand are read.
        virtual void messagesRead() = 0;

    protected:
        ~Owner() = default;
    };

    explicit PipelineDriver_linux(Owner* owner, QObject* parent = nullptr);
    ~PipelineDriver_linux() override;

    // Makes the pipeline where there is none, at this volume; true when this call made it.
    bool ensure(double volume);
    // Takes the pipeline down. The pipeline goes to READY before NULL: its streaming threads end while the sound
    // output is still open.
    void release();
    // Ends whatever the pipeline did, and forgets what it said before.
    void halt();
    GstElement* pipeline() const;
    // The pipeline's sink, to tell the output's errors from the song's.
    GstElement* output() const;
    UpcomingSongs& upcoming();

    // Sets a song in (an empty address: none), or, while the song before settles, once that one is ready.
    void load(const QByteArray& uri);
    // Moves the pipeline where the owner wants it, now or once it can be moved.
    void applyTarget();
    bool isStarting() const;
    bool isSettling() const;
    // A song asked for waits for the one that settles.
    bool isLoadWaiting() const;
    // The pipeline was set PLAYING since the song was set in.
    bool outputRan() const;
    // A stream fills its buffer: the pipeline waits in PAUSED until it is full, whatever the owner wants.
    bool isBuffering() const;

    // The sound server answers: its client loop is held from now on, whatever becomes of the sink.
    void holdSoundServer();
    void releaseSoundServer();

signals:
    // The sink's stream volume was changed (by the sound server: a desktop's per-application volume, or an echo
    // of the player's own).
    void volumeNotified();
    void bufferingChanged();

private slots:
    void slotBusActivated();
    bool finishSettling();
    void startMoving();
    void slotWarmedUp();

private:
    void moveTo(const QByteArray& uri);
    // Asks the pipeline to move to `state` (a GstState), off this thread (PipelineCalls_linux).
    void movePipeline(int state);
    // True for a message the driver answers itself: one about an earlier song, the song ready or failed while
    // another waits for it, a stream's buffering.
    bool answer(GstMessage* message);
    void handleBuffering(GstMessage* message);
    static void aboutToFinish(GstElement* pipeline, void* driver);

    Owner* m_pOwner;
    GstElement* m_pPlayer = nullptr;
    GstElement* m_pOutput = nullptr;
    QSocketNotifier* m_pBusNotifier = nullptr;
    SoundServerHold_linux m_loopHold;
    SongJoin_linux m_join;
    UpcomingSongs m_upcoming;
    enum class Phase {
        Standing, // where it was asked to be (or on its way there): a command is carried out at once
        Starting, // a song set in, not asked to move yet: the command that most often follows says where to
        Settling, // asked to move, it sets the song up inside: not ready, not failed yet
        Moving, // on its way to another state than the one asked for since: asked again once there
    };
    Phase m_nPhase = Phase::Standing;
    int m_nAskedState = 0; // the GstState the pipeline was last asked to move to
    bool m_bOutputRan = false;
    bool m_bAwaitingWarmUp = false; // the first move waits for the warm-up's connection to the sound server
    bool m_bBuffering = false;
    bool m_bLoadWaiting = false;
    QByteArray m_waitingUri;
    QTimer m_settleWait;
    quint32 m_nLoadSeqnum = 0; // messages made before the last load are about another song
};

} // namespace QzMultiMedia
