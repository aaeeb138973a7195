#include "PipelineDriver_linux.h"

#include "GstSupport_linux.h"
#include "PipelineCalls_linux.h"
#include "QzMultiMediaLogging.h"

#include <QSocketNotifier>
#include <QThread>

#include <gst/gst.h>

#include <utility>

namespace QzMultiMedia {

namespace {

// playbin's GstPlayFlags: audio only, volume applied in software so that it never changes the sound server's
// per-application stream volume behind the user's back.
constexpr guint PlayFlagAudio = 1u << 1;
constexpr guint PlayFlagSoftVolume = 1u << 4;

} // namespace

PipelineDriver_linux::PipelineDriver_linux(Owner* owner, QObject* parent)
    : QObject(parent)
    , m_pOwner(owner)
{
    // A song that takes longer than this to get ready (or to fail) is moved on from all the same.
    m_settleWait.setInterval(2000);
    m_settleWait.setSingleShot(true);
    connect(&m_settleWait, &QTimer::timeout, this, &PipelineDriver_linux::finishSettling);
}

PipelineDriver_linux::~PipelineDriver_linux()
{
    SoundServerHold_linux::waitForWarmUp();
    release();
}

bool PipelineDriver_linux::ensure(double volume)
{
    if (m_pPlayer)
        return false;
    GstSupport::ensureGstreamer();
    m_loopHold.adoptWarmUp();
    m_pPlayer = gst_element_factory_make("playbin", nullptr);
    if (!m_pPlayer) {
        qCWarning(lcMultiMedia) << "GStreamer has no playbin; is gstreamer1.0-plugins-base installed?";
        return false;
    }
    gst_object_ref_sink(m_pPlayer);
    g_object_set(m_pPlayer, "flags", PlayFlagAudio | PlayFlagSoftVolume, "volume", volume, nullptr);
    m_pOutput = GstSupport::makeAudioSink();
    if (m_pOutput) {
        g_object_set(m_pPlayer, "audio-sink", m_pOutput, nullptr);
        m_join.attach(m_pOutput);
    }
    g_signal_connect(m_pPlayer, "about-to-finish", G_CALLBACK(aboutToFinish), this);
    // The sink's stream volume, changed by the sound server, comes back as playbin's; told on a streaming thread,
    // it is read on the owner's.
    g_signal_connect(m_pPlayer, "notify::volume", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer driver) {
        QMetaObject::invokeMethod(
            static_cast<PipelineDriver_linux*>(driver), &PipelineDriver_linux::volumeNotified, Qt::QueuedConnection);
    }),
        this);
    GstSupport::keepFilesOffTheNetwork(m_pPlayer);

    GstBus* bus = gst_element_get_bus(m_pPlayer);
    GPollFD fd;
    gst_bus_get_pollfd(bus, &fd);
    gst_object_unref(bus);
    m_pBusNotifier = new QSocketNotifier(qintptr(fd.fd), QSocketNotifier::Read, this);
    connect(m_pBusNotifier, &QSocketNotifier::activated, this, &PipelineDriver_linux::slotBusActivated);
    return true;
}

// Taking the output down first let a thread still setting up a song ask the closed output for its formats, which
// aborted the program inside the sound server's client library.
void PipelineDriver_linux::release()
{
    if (!m_pPlayer)
        return;
    delete m_pBusNotifier;
    m_pBusNotifier = nullptr;
    m_nPhase = Phase::Standing;
    m_bLoadWaiting = false;
    m_settleWait.stop();
    movePipeline(GST_STATE_READY);
    movePipeline(GST_STATE_NULL);
    gst_object_unref(m_pPlayer);
    m_pPlayer = nullptr;
    m_pOutput = nullptr;
    m_upcoming.forgetTaken();
}

// A broken song's second error included. playbin goes down to NULL, not READY: in READY it keeps the bins of the
// songs it set up (the one that played and the one taken ahead) outside itself, half running, and sets them up
// again for the next song; their leftover pads then deadlocked the GUI thread or aborted the program in playbin's
// own assertion. The sound server's client loop is held apart, so opening the output again costs little.
void PipelineDriver_linux::halt()
{
    m_nPhase = Phase::Standing;
    movePipeline(GST_STATE_READY);
    movePipeline(GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(m_pPlayer);
    gst_bus_set_flushing(bus, TRUE);
    gst_bus_set_flushing(bus, FALSE);
    gst_object_unref(bus);
    m_upcoming.forgetTaken();
}

GstElement* PipelineDriver_linux::pipeline() const
{
    return m_pPlayer;
}

GstElement* PipelineDriver_linux::output() const
{
    return m_pOutput;
}

UpcomingSongs& PipelineDriver_linux::upcoming()
{
    return m_upcoming;
}

// playbin taken down while it sets a song up inside (its pads come and go on a streaming thread) can abort the
// program in an assertion of its own: a song asked for meanwhile is set up once the song before is ready or has
// failed, whichever comes first; quick steps through a list collapse into the last.
void PipelineDriver_linux::load(const QByteArray& uri)
{
    m_bOutputRan = false;
    if (m_nPhase == Phase::Settling) {
        m_bLoadWaiting = true;
        m_waitingUri = uri;
        // The song that settles is left as soon as it is ready: nothing is to be taken ahead after it, and
        // playbin setting up a song ahead while it is taken down deadlocked or aborted inside.
        m_upcoming.setLeaving(true);
        if (!m_settleWait.isActive())
            m_settleWait.start();
        return;
    }
    moveTo(uri);
}

// The pipeline is asked to move once, when the owner says whether the song is to play (a play, pause or stop
// most often follows at once; a load alone moves it at the next turn of the event loop): straight to PLAYING
// then, without waiting for the song to be ready first.
void PipelineDriver_linux::moveTo(const QByteArray& uri)
{
    halt();
    m_upcoming.setLeaving(false);
    m_nLoadSeqnum = gst_util_seqnum_next();
    m_join.reset();
    if (std::exchange(m_bBuffering, false))
        emit bufferingChanged();
    m_pOwner->songSetIn();
    if (uri.isEmpty())
        return;
    SoundServerHold_linux::warmUp(); // the output's connection to the sound server is made there, whoever asks first
    g_object_set(m_pPlayer, "uri", uri.constData(), nullptr);
    m_nPhase = Phase::Starting;
    QMetaObject::invokeMethod(this, &PipelineDriver_linux::startMoving, Qt::QueuedConnection);
}

bool PipelineDriver_linux::isStarting() const
{
    return m_nPhase == Phase::Starting;
}

bool PipelineDriver_linux::isSettling() const
{
    return m_nPhase == Phase::Starting || m_nPhase == Phase::Settling;
}

bool PipelineDriver_linux::isLoadWaiting() const
{
    return m_bLoadWaiting;
}

bool PipelineDriver_linux::outputRan() const
{
    return m_bOutputRan;
}

bool PipelineDriver_linux::isBuffering() const
{
    return m_bBuffering;
}

void PipelineDriver_linux::startMoving()
{
    if (!m_pPlayer || m_nPhase != Phase::Starting)
        return;
    // The output opens on the connection the warm-up makes to the sound server. A server that does not answer
    // (stopped, swapping) would hold this thread inside the output's opening, with the menu and MPRIS: the song
    // waits for the warm-up's answer instead, and moves when it comes.
    if (QThread* warming = SoundServerHold_linux::warmingUp()) {
        if (!std::exchange(m_bAwaitingWarmUp, true))
            connect(warming, &QThread::finished, this, &PipelineDriver_linux::slotWarmedUp,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        // It may have ended before it was listened to.
        if (warming->isFinished())
            QMetaObject::invokeMethod(this, &PipelineDriver_linux::slotWarmedUp, Qt::QueuedConnection);
        return;
    }
    m_nPhase = Phase::Settling;
    const bool playing = m_pOwner->wanted(true) == Want::Play && !m_bBuffering;
    m_bOutputRan = m_bOutputRan || playing;
    movePipeline(playing ? GST_STATE_PLAYING : GST_STATE_PAUSED);
}

void PipelineDriver_linux::slotWarmedUp()
{
    m_bAwaitingWarmUp = false;
    startMoving();
}

// The song being set up is ready or has failed: a song asked for meanwhile takes its place now.
bool PipelineDriver_linux::finishSettling()
{
    if (m_nPhase == Phase::Settling)
        m_nPhase = Phase::Standing;
    m_settleWait.stop();
    if (!std::exchange(m_bLoadWaiting, false))
        return false;
    moveTo(m_waitingUri);
    applyTarget();
    return true;
}

// playbin asked for another state while it still sets up a song inside changes the state of bins that a
// streaming thread is adding at that moment: the GUI thread then waited for ever on that thread, blocked itself
// until the song was exposed.
void PipelineDriver_linux::applyTarget()
{
    if (m_nPhase == Phase::Starting) {
        startMoving(); // the song's first and only move, now that where it goes is known
        return;
    }
    const Want want = m_pOwner->wanted(false);
    if (m_nPhase == Phase::Settling || m_bLoadWaiting || want == Want::Nothing || !m_pPlayer)
        return;
    const GstState target = want == Want::Play && !m_bBuffering ? GST_STATE_PLAYING : GST_STATE_PAUSED;
    // Moves asked for before may not be made yet (a sound server slow to answer holds them): the pipeline's own
    // state does not know them, the last one asked for does, and another follows it in turn.
    if (PipelineCalls_linux::busy()) {
        if (m_nAskedState != target) {
            m_bOutputRan = m_bOutputRan || target == GST_STATE_PLAYING;
            movePipeline(target);
        }
        return;
    }
    GstState current = GST_STATE_VOID_PENDING;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(m_pPlayer, &current, &pending, 0);
    // Never in the middle of a move: asked to pause while it went on from ready to PLAYING, the pipeline lost its
    // sink's readiness, and the Play that followed was never carried out (silence, the position at 0). What is
    // asked for meanwhile is applied when the move has ended, which the bus says.
    m_nPhase = pending != GST_STATE_VOID_PENDING && pending != target ? Phase::Moving : Phase::Standing;
    if (m_nPhase == Phase::Moving)
        return;
    // A seek in a playing song leaves the pipeline PAUSED on its way back to PLAYING, where it goes once it has
    // found its footing: only the state it is headed for says whether it still has to be told.
    GST_OBJECT_LOCK(m_pPlayer);
    const GstState headed = GST_STATE_TARGET(m_pPlayer);
    GST_OBJECT_UNLOCK(m_pPlayer);
    if (headed == target && (pending == target || current == target))
        return;
    m_bOutputRan = m_bOutputRan || target == GST_STATE_PLAYING;
    movePipeline(target);
}

void PipelineDriver_linux::movePipeline(int state)
{
    m_nAskedState = state;
    PipelineCalls_linux::setState(m_pPlayer, GstState(state));
}

void PipelineDriver_linux::holdSoundServer()
{
    m_loopHold.hold();
}

void PipelineDriver_linux::releaseSoundServer()
{
    m_loopHold.release();
}

// Takes every message waiting. A message may lead to a new song (the owner starts the next one), which empties
// the bus; a failed output takes the pipeline and its bus away.
void PipelineDriver_linux::slotBusActivated()
{
    if (!m_pPlayer)
        return;
    GstElement* pipeline = m_pPlayer;
    GstBus* bus = gst_element_get_bus(pipeline);
    while (m_pPlayer == pipeline) {
        GstMessage* message = gst_bus_pop(bus);
        if (!message)
            break;
        if (!answer(message)) {
            m_pOwner->handle(message);
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_STATE_CHANGED
                && GST_MESSAGE_SRC(message) == GST_OBJECT(m_pPlayer) && m_nPhase == Phase::Moving) {
                GstState pending = GST_STATE_VOID_PENDING;
                gst_message_parse_state_changed(message, nullptr, nullptr, &pending);
                if (pending == GST_STATE_VOID_PENDING)
                    applyTarget();
            }
        }
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    m_pOwner->messagesRead();
}

// The bins inside hold some messages back (a broken song's second error, say) and post them late, after the next
// song was loaded: what was said before that load is about another song.
bool PipelineDriver_linux::answer(GstMessage* message)
{
    if (gst_util_seqnum_compare(gst_message_get_seqnum(message), m_nLoadSeqnum) <= 0)
        return true;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_ASYNC_DONE:
        return isSettling() && finishSettling();
    case GST_MESSAGE_BUFFERING:
        handleBuffering(message);
        return true;
    default:
        return false;
    }
}

void PipelineDriver_linux::handleBuffering(GstMessage* message)
{
    gint percent = 100;
    gst_message_parse_buffering(message, &percent);
    const bool buffering = percent < 100;
    if (std::exchange(m_bBuffering, buffering) == buffering)
        return;
    emit bufferingChanged();
    applyTarget();
}

// The pipeline has read a song to its end and plays out what it holds: the moment to hand it the next one, which
// it then decodes ahead so that its first sample follows the last one of this song. Runs on a streaming thread.
// A song that gets no follower ends, and the owner starts the next one.
void PipelineDriver_linux::aboutToFinish(GstElement* pipeline, void* driver)
{
    const QByteArray uri = static_cast<PipelineDriver_linux*>(driver)->m_upcoming.takeAhead();
    if (!uri.isEmpty())
        g_object_set(pipeline, "uri", uri.constData(), nullptr);
}

} // namespace QzMultiMedia
