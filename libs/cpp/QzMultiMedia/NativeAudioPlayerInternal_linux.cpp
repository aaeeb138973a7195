#include "NativeAudioPlayerInternal.h"

#include "GstSupport_linux.h"
#include "MediaCommon.h"
#include "PipelineCalls_linux.h"
#include "QzMultiMediaLogging.h"
#include "TempoStage_linux.h"

#include <QSocketNotifier>
#include <QThread>

#include <gst/gst.h>

#include <algorithm>
#include <iterator>
#include <atomic>
#include <cmath>
#include <memory>

namespace QzMultiMedia {

struct StreamJoin
{
    std::atomic<bool> streamSeen { false }; // the output had a stream since the last load
    std::atomic<bool> joinNext { false }; // the next buffer starts a song taken over
};

namespace {

// playbin's GstPlayFlags: audio only, volume applied in software so that it never changes the sound server's
// per-application stream volume behind the user's back.
constexpr guint PlayFlagAudio = 1u << 1;
constexpr guint PlayFlagSoftVolume = 1u << 4;

void logMessage(const char* what, GstMessage* message)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
        gst_message_parse_error(message, &error, &debug);
    else
        gst_message_parse_warning(message, &error, &debug);
    qCDebug(lcMultiMedia) << what << GST_OBJECT_NAME(GST_MESSAGE_SRC(message)) << ":" << (error ? error->message : "")
                          << (debug ? debug : "");
    g_clear_error(&error);
    g_free(debug);
}

// A song taken over starts with a buffer marked as a break in the stream, and the output then places it by its
// timestamp, which after pauses and seeks can lie a few milliseconds off the end of the song before: a gap, or
// the song's start cut. Without the mark the output joins it to what it holds. Runs on a streaming thread.
GstPadProbeReturn joinSongs(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* join = static_cast<StreamJoin*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_STREAM_START)
            join->joinNext = join->streamSeen.exchange(true);
        else if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP)
            join->joinNext = false;
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (buffer && join->joinNext.exchange(false) && GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DISCONT)) {
        buffer = gst_buffer_make_writable(buffer);
        GST_BUFFER_FLAG_UNSET(buffer, GST_BUFFER_FLAG_DISCONT);
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
    }
    return GST_PAD_PROBE_OK;
}

// A stop makes the pipeline end there as at the file's end; -1 plays on to the file's end. The flush empties the
// sink's stream on the sound server: a seek still under way when the wait ends counts as made.
bool seekTo(GstElement* pipeline, qint64 ms, qint64 stopMs)
{
    auto made = std::make_shared<bool>(true);
    GstElement* held = GST_ELEMENT(gst_object_ref(pipeline));
    const bool ended = PipelineCalls_linux::run([held, made, ms, stopMs] {
        *made = gst_element_seek(held, 1.0, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
            GST_SEEK_TYPE_SET, qMax<qint64>(0, ms) * GST_MSECOND, GST_SEEK_TYPE_SET,
            stopMs < 0 ? GST_CLOCK_TIME_NONE : GstClockTime(stopMs) * GST_MSECOND);
        gst_object_unref(held);
    });
    return !ended || *made;
}

} // namespace

qint64 NativeAudioPlayerInternal::positionFromSeconds(double seconds)
{
    return std::lround(float(seconds * 1000.0));
}

qint64 NativeAudioPlayerInternal::durationFromSeconds(double seconds)
{
    return qint64(seconds * 1000.0);
}

// A volume outside 0…1 (a damaged settings file, a caller's slip) must never blast the speakers.
double NativeAudioPlayerInternal::audibleVolume(double volume)
{
    return std::isfinite(volume) ? qBound(0.0, volume, 1.0) : 0.5;
}

QThread* NativeAudioPlayerInternal::s_pWarmUp = nullptr;
std::atomic<GstElement*> NativeAudioPlayerInternal::s_pWarmUpHold { nullptr };

NativeAudioPlayerInternal::NativeAudioPlayerInternal(QObject* parent)
    : QObject(parent)
    , m_pJoin(std::make_unique<StreamJoin>())
{
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &NativeAudioPlayerInternal::slotPositionChanged);
    // A song without tags is not waited for longer than this.
    m_advanceWait.setInterval(150);
    m_advanceWait.setSingleShot(true);
    connect(&m_advanceWait, &QTimer::timeout, this, &NativeAudioPlayerInternal::finishAdvance);
    // A song that takes longer than this to get ready (or to fail) is moved on from all the same.
    m_settleWait.setInterval(2000);
    m_settleWait.setSingleShot(true);
    connect(&m_settleWait, &QTimer::timeout, this, &NativeAudioPlayerInternal::finishSettling);
}

NativeAudioPlayerInternal::~NativeAudioPlayerInternal()
{
    if (s_pWarmUp)
        s_pWarmUp->wait();
    releasePipeline();
    releaseLoopHold();
    if (m_pTagList)
        gst_tag_list_unref(m_pTagList);
}

void NativeAudioPlayerInternal::prepare()
{
    warmUp();
}

// Once per run, on a thread of its own that is never taken down: it ends by itself, and a player waits for it
// before it goes.
void NativeAudioPlayerInternal::warmUp()
{
    if (s_pWarmUp)
        return;
    s_pWarmUp = QThread::create([] {
        GstSupport::loadCommonPlugins();
        // Connecting to the sound server takes a round trip or two: the first song's output finds it made.
        s_pWarmUpHold = GstSupport::holdSoundServerLoop();
    });
    s_pWarmUp->start(QThread::LowPriority);
}

void NativeAudioPlayerInternal::ensurePipeline()
{
    if (m_pPlayer)
        return;
    GstSupport::ensureGstreamer();
    adoptWarmUpHold();
    m_pPlayer = gst_element_factory_make("playbin", nullptr);
    if (!m_pPlayer) {
        qCWarning(lcMultiMedia) << "GStreamer has no playbin; is gstreamer1.0-plugins-base installed?";
        return;
    }
    gst_object_ref_sink(m_pPlayer);
    g_object_set(m_pPlayer, "flags", PlayFlagAudio | PlayFlagSoftVolume, "volume", audibleVolume(m_fVolume), nullptr);
    m_pOutput = GstSupport::makeAudioSink();
    if (m_pOutput) {
        g_object_set(m_pPlayer, "audio-sink", m_pOutput, nullptr);
        if (GstPad* pad = gst_element_get_static_pad(m_pOutput, "sink")) {
            gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                joinSongs, m_pJoin.get(), nullptr);
            gst_object_unref(pad);
        }
    }
    m_bFilterStale = true;
    updateFilter();
    g_signal_connect(m_pPlayer, "about-to-finish", G_CALLBACK(aboutToFinish), this);
    // The sink's stream volume, changed by the sound server (a desktop's per-application volume), comes back as
    // playbin's; told on a streaming thread, it is read on the user interface's.
    g_signal_connect(m_pPlayer, "notify::volume", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer owner) {
        QMetaObject::invokeMethod(
            static_cast<NativeAudioPlayerInternal*>(owner), "slotVolumeNotified", Qt::QueuedConnection);
    }),
        this);
    GstSupport::keepFilesOffTheNetwork(m_pPlayer);

    // The bus is read where it says it has something, on this thread: no poll, and nobody else reads it.
    GstBus* bus = gst_element_get_bus(m_pPlayer);
    GPollFD fd;
    gst_bus_get_pollfd(bus, &fd);
    gst_object_unref(bus);
    m_pBusNotifier = new QSocketNotifier(qintptr(fd.fd), QSocketNotifier::Read, this);
    connect(m_pBusNotifier, &QSocketNotifier::activated, this, &NativeAudioPlayerInternal::slotBusActivated);
}

// The pipeline goes to READY before NULL: its streaming threads end while the sound output is still open. Taking
// the output down first let a thread still setting up a song ask the closed output for its formats, which
// aborted the program inside the sound server's client library.
void NativeAudioPlayerInternal::releasePipeline()
{
    if (!m_pPlayer)
        return;
    delete m_pBusNotifier;
    m_pBusNotifier = nullptr;
    m_nPhase = Phase::Standing;
    m_pending.load = false;
    m_settleWait.stop();
    stopWatchingStretchEnd();
    movePipeline(GST_STATE_READY);
    movePipeline(GST_STATE_NULL);
    gst_object_unref(m_pPlayer);
    m_pPlayer = nullptr;
    m_pOutput = nullptr;
    const QMutexLocker lock(&m_nextMutex);
    m_taken.clear();
}

void NativeAudioPlayerInternal::releaseLoopHold()
{
    GstSupport::releaseSoundServerLoop(std::exchange(m_pLoopHold, nullptr));
    GstSupport::releaseSoundServerLoop(s_pWarmUpHold.exchange(nullptr));
}

// The connection the warm-up made is the player's hold from now on, or goes if the player has one.
void NativeAudioPlayerInternal::adoptWarmUpHold()
{
    GstElement* made = s_pWarmUpHold.exchange(nullptr);
    if (m_pLoopHold)
        GstSupport::releaseSoundServerLoop(made);
    else
        m_pLoopHold = made;
}

void NativeAudioPlayerInternal::setState(PlayState state)
{
    if (state == m_nState)
        return;
    m_nState = state;
    if (state != PlayState::Playing)
        m_timer.stop();
    emit stateChanged();
}

// Ends whatever the pipeline did and forgets what it said of the song before, a second error of a broken song
// included. playbin goes down to NULL, not READY: in READY it keeps the bins of the songs it set up (the one that
// played and the one taken ahead) outside itself, half running, and sets them up again for the next song; their
// leftover pads then deadlocked the GUI thread or aborted the program in playbin's own assertion. The sound
// server's client loop is held apart, so opening the output again costs little. It passes through READY on the
// way, for the reason releasePipeline() gives.
void NativeAudioPlayerInternal::halt()
{
    m_nPhase = Phase::Standing;
    m_bAdvancePending = false;
    m_advanceWait.stop();
    stopWatchingStretchEnd();
    movePipeline(GST_STATE_READY);
    movePipeline(GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(m_pPlayer);
    gst_bus_set_flushing(bus, TRUE);
    gst_bus_set_flushing(bus, FALSE);
    gst_object_unref(bus);
    const QMutexLocker lock(&m_nextMutex);
    m_taken.clear();
}

// Moves the one pipeline to another song: its threads end, the bus forgets the song before, and the new song
// gets ready in the background. The answer comes on the bus.
void NativeAudioPlayerInternal::load(const QByteArray& uri)
{
    m_pending.reload = false;
    m_pending.rewind = false;
    m_bPrerolled = false;
    m_bOutputRan = false;
    // A stretch of a file starts with a seek to its beginning, which also sets where it ends.
    m_pending.seek = m_song.ranged ? 0 : -1;
    m_nSeekingTo = -1;
    m_song.uri = uri;
    m_bAtStart = true;
    // playbin taken down while it sets a song up inside (its pads come and go on a streaming thread) can
    // abort the program in an assertion of its own: a song asked for meanwhile is set up once the song before is
    // ready or has failed, whichever comes first; quick steps through a list collapse into the last.
    if (m_nPhase == Phase::Settling) {
        m_pending.load = true;
        {
            // The song that settles is left as soon as it is ready: nothing is to be taken ahead after it, and
            // playbin setting up a song ahead while it is taken down deadlocked or aborted inside.
            const QMutexLocker lock(&m_nextMutex);
            m_bLeaving = true;
        }
        if (!m_settleWait.isActive())
            m_settleWait.start();
        return;
    }
    moveTo(uri);
}

void NativeAudioPlayerInternal::moveTo(const QByteArray& uri)
{
    halt();
    {
        const QMutexLocker lock(&m_nextMutex);
        m_bLeaving = false;
    }
    m_nLoadSeqnum = gst_util_seqnum_next();
    m_pJoin->streamSeen = false; // no streaming thread runs now
    m_pJoin->joinNext = false;
    if (std::exchange(m_bBuffering, false))
        emit bufferingChanged();
    m_pending.end = false;
    m_nStreamStarts = 0;
    if (uri.isEmpty())
        return;
    warmUp(); // the output's connection to the sound server is made on its thread, whoever asks first
    g_object_set(m_pPlayer, "uri", uri.constData(), nullptr);
    if (std::exchange(m_stages.speed, heardSpeed()) != m_stages.speed)
        m_bFilterStale = true;
    updateFilter(); // the pipeline stands in NULL: the one moment its stages can be exchanged
    // The pipeline is asked to move once, when the caller says whether the song is to play (play(), pause() or
    // stop(), which most often follow at once; a load alone moves it at the next turn of the event loop):
    // straight to PLAYING then, without waiting for the song to be ready first.
    m_nPhase = Phase::Starting;
    QMetaObject::invokeMethod(this, &NativeAudioPlayerInternal::startMoving, Qt::QueuedConnection);
}

bool NativeAudioPlayerInternal::isSettling() const
{
    return m_nPhase == Phase::Starting || m_nPhase == Phase::Settling;
}

void NativeAudioPlayerInternal::startMoving()
{
    if (!m_pPlayer || m_nPhase != Phase::Starting)
        return;
    // The output opens on the connection the warm-up makes to the sound server. A server that does not answer
    // (stopped, swapping) would hold this thread inside the output's opening, with the menu and MPRIS: the song
    // waits for the warm-up's answer instead, and moves when it comes.
    if (s_pWarmUp && !s_pWarmUp->isFinished()) {
        if (!std::exchange(m_bAwaitingWarmUp, true))
            connect(s_pWarmUp, &QThread::finished, this, &NativeAudioPlayerInternal::slotWarmedUp,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        // It may have ended before it was listened to.
        if (s_pWarmUp->isFinished())
            QMetaObject::invokeMethod(this, &NativeAudioPlayerInternal::slotWarmedUp, Qt::QueuedConnection);
        return;
    }
    m_nPhase = Phase::Settling;
    // A song that is to start further in waits in PAUSED for its seek: going straight on would let its first
    // moments be heard.
    const bool playing = m_nState == PlayState::Playing && !m_bBuffering && m_pending.seek <= 0 && !m_song.ranged;
    m_bOutputRan = m_bOutputRan || playing;
    movePipeline(playing ? GST_STATE_PLAYING : GST_STATE_PAUSED);
}

void NativeAudioPlayerInternal::slotWarmedUp()
{
    m_bAwaitingWarmUp = false;
    startMoving();
}

// The song being set up is ready or has failed: a song asked for meanwhile takes its place now.
bool NativeAudioPlayerInternal::finishSettling()
{
    if (m_nPhase == Phase::Settling)
        m_nPhase = Phase::Standing;
    m_settleWait.stop();
    if (!std::exchange(m_pending.load, false))
        return false;
    moveTo(m_song.uri);
    applyTarget();
    return true;
}

void NativeAudioPlayerInternal::clearSong()
{
    if (m_pTagList) {
        gst_tag_list_unref(m_pTagList);
        m_pTagList = nullptr;
    }
    if (m_song.tags != SongTags()) {
        m_song.tags = SongTags();
        emit tagsChanged();
    }
    if (m_song.duration != 0) {
        m_song.duration = 0;
        emit durationChanged(0);
    }
}

NativeAudioPlayerInternal::Song NativeAudioPlayerInternal::songFor(const QString& fileName)
{
    Song song;
    song.fileName = fileName;
    song.uri = GstSupport::playableUri(fileName);
    song.ranged = MediaCommon::range(fileName, &song.start, &song.end);
    song.stream = MediaCommon::isStream(QUrl::fromEncoded(song.uri));
    return song;
}

// The song before is forgotten whole: its tags and length are said to be gone, and nothing else of it is kept.
void NativeAudioPlayerInternal::setMedia(const QString& fileName)
{
    setReconnecting(false);
    m_bOutage = false;
    const Song song = songFor(fileName);
    {
        const QMutexLocker lock(&m_nextMutex);
        m_upcoming.clear();
    }
    clearSong();
    {
        const QMutexLocker lock(&m_nextMutex);
        m_song = song;
    }
    if (!song.uri.isEmpty())
        ensurePipeline();
    if (song.uri.isEmpty() || !m_pPlayer) {
        if (m_pPlayer)
            load(QByteArray());
        m_song.uri.clear();
        setState(PlayState::Failed);
        emit unplayable();
        return;
    }
    load(song.uri);
    setState(PlayState::Stopped);
}

void NativeAudioPlayerInternal::play(const QString& fileName)
{
    setMedia(fileName);
    play();
}

void NativeAudioPlayerInternal::setUpcoming(const QStringList& fileNames)
{
    QList<Song> songs;
    songs.reserve(fileNames.size());
    for (const QString& fileName : fileNames)
        songs.append(songFor(fileName));
    {
        const QMutexLocker lock(&m_nextMutex);
        m_upcoming = songs;
    }
    // The file plays on past the stretch only into the stretch that now follows it: a list changed under it (shuffle
    // switched on, a song put in between) moves the stop, from where the song is.
    if (m_song.ranged && m_bPrerolled && isLoaded() && m_nSeekingTo < 0 && stretchRunEnd() != m_nStop)
        seek(position());
}

QString NativeAudioPlayerInternal::fileName() const
{
    return m_song.fileName;
}

// The pipeline has read a song to its end and plays out what it holds: the moment to hand it the next one, which
// it then decodes ahead so that its first sample follows the last one of this song. Runs on a streaming thread.
// playbin keeps two songs in flight at most: a song read to its end before the one taken ahead of it sounds
// (shorter than the second or so read ahead) gets no follower, since handing one over then deadlocks playbin
// inside; it ends, and the list starts the next one the described way. So does a song after which comes one
// that cannot be opened.
void NativeAudioPlayerInternal::aboutToFinish(GstElement* pipeline, void* owner)
{
    auto* self = static_cast<NativeAudioPlayerInternal*>(owner);
    const QMutexLocker lock(&self->m_nextMutex);
    // A stretch of a file begins with a seek of its own, which a song taken over cannot have. A stream is started
    // as a song of its own: taken over, it kept the song before's length and went without its station's name and
    // its reconnections, and it has a buffer to fill before a gap could be spared anyway.
    if (self->m_bLeaving || self->m_song.stream || self->m_song.ranged || !self->m_taken.isEmpty()
        || self->m_upcoming.isEmpty() || self->m_upcoming.first().uri.isEmpty() || self->m_upcoming.first().ranged
        || self->m_upcoming.first().stream)
        return;
    constexpr qsizetype next = 0;
    g_object_set(pipeline, "uri", self->m_upcoming.at(next).uri.constData(), nullptr);
    self->m_taken.append(self->m_upcoming.at(next));
}

// Makes good a stop's rewind before the song moves.
void NativeAudioPlayerInternal::rewindIfStopped()
{
    if (m_pending.reload) {
        load(m_song.uri);
    } else if (std::exchange(m_pending.rewind, false)) {
        if (m_bPrerolled)
            seek(0);
        else
            m_pending.seek = 0;
    }
}

void NativeAudioPlayerInternal::play()
{
    if (!isLoaded())
        return;
    // Play while a radio waits to be opened again tries at once, instead of after the rest of the pause.
    if (m_bReconnecting) {
        ++m_nReconnectWait;
        load(m_song.uri);
    }
    rewindIfStopped();
    // A song that has waited in PAUSED since it was loaded (the list as the last run left it) has an output that
    // never ran, whose clock went on meanwhile: the sink put the song's first sample as far into its buffer as the
    // song had waited, and that long was silence (an hour for a listener who pressed Play an hour later). Loaded
    // afresh at its place, it sounds at once.
    if (m_bPrerolled && !m_bOutputRan && !isSettling() && !m_pending.load) {
        const qint64 at = position();
        load(m_song.uri);
        m_pending.seek = at;
    }
    applyVolume();
    m_streamPlaying.start();
    m_bAtStart = false;
    setState(PlayState::Playing);
    m_timer.start();
    if (m_pending.end) {
        // The song reached its end just as it was paused: resuming it finds it over.
        handleEnd();
        return;
    }
    applyTarget();
}

// The one place that sets the pipeline running or holding. playbin asked for another state while it still sets
// up a song inside changes the state of bins that a streaming thread is adding at that moment: the GUI thread then
// waited for ever on that thread, blocked itself until the song was exposed. What is asked for meanwhile is
// applied once the song is ready or has failed.
void NativeAudioPlayerInternal::applyTarget()
{
    if (m_nPhase == Phase::Starting) {
        startMoving(); // the loaded song's first and only move, now that its state is known
        return;
    }
    if (m_nPhase == Phase::Settling || m_pending.load || !isLoaded())
        return;
    const GstState target = m_nState == PlayState::Playing && !m_bBuffering ? GST_STATE_PLAYING : GST_STATE_PAUSED;
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

void NativeAudioPlayerInternal::movePipeline(int state)
{
    m_nAskedState = state;
    PipelineCalls_linux::setState(m_pPlayer, GstState(state));
}

void NativeAudioPlayerInternal::pause()
{
    if (!isLoaded())
        return;
    endReconnectWait();
    setState(PlayState::Paused);
    applyTarget();
}

void NativeAudioPlayerInternal::stop()
{
    if (!isLoaded())
        return;
    bool switching = false;
    {
        const QMutexLocker lock(&m_nextMutex);
        switching = !m_taken.isEmpty();
    }
    // The rewind waits for the next start: a stop is most often followed at once by another song (Next, a pick),
    // and a pipeline asked to seek or to get ready again just before it is moved on races playbin's own
    // setting up of the song inside. The pipeline moved on to the next song inside is set up afresh then.
    if (switching) {
        halt();
        m_pending.reload = true;
    } else {
        m_pending.rewind = m_pending.rewind || !m_bAtStart;
    }
    m_pending.end = false;
    m_bAtStart = true;
    stopWatchingStretchEnd();
    endReconnectWait();
    setState(PlayState::Stopped);
    // A song just loaded is at its start already; a play() that most often follows moves it straight to PLAYING.
    if (m_nPhase != Phase::Starting)
        applyTarget();
}

// The hold on the sound server's client loop goes too: kept by a player that sounds no more (the one a crossfade
// left), it would keep a dead server's connection for the player that sounds.
void NativeAudioPlayerInternal::unload()
{
    releasePipeline();
    releaseLoopHold();
    m_song.uri.clear();
    clearSong();
    setState(PlayState::Empty);
}

PlayState NativeAudioPlayerInternal::state() const
{
    return m_nState;
}

bool NativeAudioPlayerInternal::isPlaying() const
{
    return m_nState == PlayState::Playing;
}

bool NativeAudioPlayerInternal::isPaused() const
{
    return m_nState == PlayState::Paused;
}

bool NativeAudioPlayerInternal::isStopped() const
{
    return m_nState == PlayState::Stopped || m_nState == PlayState::Failed;
}

bool NativeAudioPlayerInternal::isLoaded() const
{
    return m_pPlayer
        && (m_nState == PlayState::Stopped || m_nState == PlayState::Playing || m_nState == PlayState::Paused);
}

// Never past the song's known length: a place asked for beyond it (a damaged kept list, a late seek) is its end
// to anybody who asks, while the pipeline gets there and finds the song over.
qint64 NativeAudioPlayerInternal::position() const
{
    const qint64 ms = placeAskedOrHeard();
    return m_song.duration > 0 ? qMin(ms, m_song.duration) : ms;
}

qint64 NativeAudioPlayerInternal::placeAskedOrHeard() const
{
    gint64 ns = 0;
    // A place asked for before the song is ready is where it stands already, to anybody who asks.
    if (isLoaded() && m_pending.seek > 0)
        return m_pending.seek;
    if (isLoaded() && m_nSeekingTo >= 0)
        return m_nSeekingTo;
    if (!isLoaded() || m_pending.rewind || m_pending.reload || m_pending.load
        || !gst_element_query_position(m_pPlayer, GST_FORMAT_TIME, &ns) || ns < 0)
        return 0;
    const qint64 ms = positionFromSeconds(double(ns) / GST_SECOND) - m_song.start;
    return m_song.end >= 0 ? qBound<qint64>(0, ms, m_song.end - m_song.start) : qMax<qint64>(0, ms);
}

// A seek asked for while the song still gets ready is made once it is.
void NativeAudioPlayerInternal::setPosition(qint64 ms)
{
    if (!isLoaded())
        return;
    if (m_pending.reload)
        load(m_song.uri);
    m_pending.rewind = false;
    // Whoever asks (MPRIS, a kept list), a place is a moment a song can have: added to a stretch's start and
    // counted in nanoseconds it must not overflow.
    ms = qBound<qint64>(0, ms, MediaCommon::LongestTimeMs);
    if (m_bPrerolled)
        seek(ms);
    else
        m_pending.seek = ms;
    m_bAtStart = false;
    m_pending.end = false;
}

qint64 NativeAudioPlayerInternal::duration() const
{
    return isLoaded() ? m_song.duration : 0;
}

// What is no volume is ignored, and a volume past full is full: the volume said is the volume heard.
void NativeAudioPlayerInternal::setVolume(double volume)
{
    if (std::isnan(volume))
        return;
    m_fVolume = qBound(0.0, volume, 1.0);
    if (m_pPlayer)
        applyVolume();
}

void NativeAudioPlayerInternal::applyVolume()
{
    const double linear = audibleVolume(m_fVolume);
    if (!m_volumeSet.isValid() || m_volumeSet.restart() > 2000)
        m_listVolumesSet.clear();
    m_listVolumesSet.append(linear);
    if (m_listVolumesSet.size() > 64)
        m_listVolumesSet.removeFirst();
    // The sink's stream volume is asked of the sound server on the way.
    GstElement* player = GST_ELEMENT(gst_object_ref(m_pPlayer));
    PipelineCalls_linux::run([player, linear] {
        g_object_set(player, "volume", linear, nullptr);
        gst_object_unref(player);
    });
}

// The server echoes every volume the program sets, a moment later and at times after the next one (a fade sets
// many): a volume the program set in the last moments is its own, any other someone else's. A stream that has
// just been opened tells its own first volume before the program's reaches it: only a stream that has played a
// while is listened to.
void NativeAudioPlayerInternal::slotVolumeNotified()
{
    if (!m_pPlayer || m_nState != PlayState::Playing || !m_streamPlaying.isValid() || m_streamPlaying.elapsed() < 1500)
        return;
    // Read from the sound server: a server that does not answer in time has said nothing.
    auto read = std::make_shared<gdouble>(0.0);
    GstElement* player = GST_ELEMENT(gst_object_ref(m_pPlayer));
    if (!PipelineCalls_linux::run([player, read] {
            g_object_get(player, "volume", read.get(), nullptr);
            gst_object_unref(player);
        }))
        return;
    const gdouble linear = *read;
    if (m_volumeSet.isValid() && m_volumeSet.elapsed() < 2000
        && std::any_of(m_listVolumesSet.cbegin(), m_listVolumesSet.cend(),
            [linear](double set) { return qAbs(set - linear) < 0.0005; }))
        return;
    if (!std::isfinite(linear))
        return;
    const double volume = qBound(0.0, linear, 1.0);
    const bool changed = qAbs(volume - qBound(0.0, m_fVolume, 1.0)) >= 0.005;
    if (changed)
        m_fVolume = volume;
    // Nothing plays louder than full: a stream raised above it from outside (a sound server lets the user set
    // 1000 %) is brought back to full, which is what the program says it plays at.
    if (linear > volume + 0.0005)
        applyVolume();
    if (changed)
        emit volumeChanged(volume);
}

double NativeAudioPlayerInternal::volume() const
{
    return m_fVolume;
}

void NativeAudioPlayerInternal::setBalance(float balance)
{
    m_stages.balance = balance;
    m_bFilterStale = true;
    updateFilter();
}

void NativeAudioPlayerInternal::setReplayGain(ReplayGain gain, double untaggedDb)
{
    m_stages.gain = gain;
    m_stages.untaggedDb = untaggedDb;
    m_bFilterStale = true;
    updateFilter();
}

void NativeAudioPlayerInternal::setOutput(const QString& device, const QString& now)
{
    if (m_pOutput)
        GstSupport::chooseOutputDevice(m_pOutput, device.toUtf8(), now.toUtf8());
}

void NativeAudioPlayerInternal::setEqualizer(const EqualizerGains& gains)
{
    m_stages.equalizer = gains;
    m_bFilterStale = true;
    updateFilter();
}

void NativeAudioPlayerInternal::setSpeed(double speed)
{
    if (std::isnan(speed))
        return;
    m_fSpeed = qBound(SlowestSpeed, speed, FastestSpeed);
    if (!m_pPlayer || std::exchange(m_stages.speed, heardSpeed()) == m_stages.speed)
        return;
    m_bFilterStale = true;
    updateFilter();
    // The stage hears of the speed with the next segment: a seek to where the song is makes one at once.
    if (isLoaded() && m_bPrerolled && (isPlaying() || isPaused()) && !m_pending.rewind && !m_pending.reload)
        setPosition(position());
}

double NativeAudioPlayerInternal::speed() const
{
    return m_fSpeed;
}

// A radio plays as it comes: faster it would run dry, slower it would fall ever further behind its server.
double NativeAudioPlayerInternal::heardSpeed() const
{
    return m_song.stream || !TempoStage_linux::isAvailable() ? 1.0 : m_fSpeed;
}

// The stages in place take what they can while the song plays; a stage to add or to take out waits for the
// next song, since playbin exchanges its filter only while stopped. The song taken over without a gap keeps
// the stages of the one before.
void NativeAudioPlayerInternal::updateFilter()
{
    if (!m_pPlayer || !m_bFilterStale)
        return;
    GstElement* filter = nullptr;
    g_object_get(m_pPlayer, "audio-filter", &filter, nullptr);
    bool fits = false;
    if (filter) {
        fits = GstSupport::setFilter(filter, m_stages);
        gst_object_unref(filter);
    }
    m_bFilterStale = !fits;
    GstState state = GST_STATE_NULL;
    gst_element_get_state(m_pPlayer, &state, nullptr, 0);
    if (fits || state > GST_STATE_READY)
        return;
    g_object_set(m_pPlayer, "audio-filter", GstSupport::makeFilter(m_stages), nullptr);
    m_bFilterStale = false;
}

const SongTags& NativeAudioPlayerInternal::tags() const
{
    return m_song.tags;
}

bool NativeAudioPlayerInternal::isBuffering() const
{
    return m_bBuffering;
}

bool NativeAudioPlayerInternal::isReconnecting() const
{
    return m_bReconnecting;
}

// Said as a buffering is: the listener hears nothing and is told why.
void NativeAudioPlayerInternal::setReconnecting(bool on)
{
    if (std::exchange(m_bReconnecting, on) != on)
        emit bufferingChanged();
}

// The user paused or stopped the radio that waited: Play opens it again, at once.
void NativeAudioPlayerInternal::endReconnectWait()
{
    if (!m_bReconnecting)
        return;
    ++m_nReconnectWait;
    setReconnecting(false);
}

// An MP3 without a Xing header has only GStreamer's running estimate of its length, which the parser
// re-announces seldom; the tick that reports the position brings a better estimate along.
void NativeAudioPlayerInternal::slotPositionChanged()
{
    if (m_nState != PlayState::Playing)
        return;
    readDuration();
    emit positionChanged(position());
}

// Takes every message waiting. A message may lead to a new song (a slot of ours starts the next one), which
// empties the bus; a failed output takes the pipeline and its bus away.
void NativeAudioPlayerInternal::slotBusActivated()
{
    if (!m_pPlayer)
        return;
    GstElement* pipeline = m_pPlayer;
    GstBus* bus = gst_element_get_bus(pipeline);
    while (m_pPlayer == pipeline) {
        GstMessage* message = gst_bus_pop(bus);
        if (!message)
            break;
        // The bins inside hold some messages back (a broken song's second error, say) and post them late, after
        // the next song was loaded; what was said before that load is about another song.
        if (gst_util_seqnum_compare(gst_message_get_seqnum(message), m_nLoadSeqnum) > 0)
            handle(message);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    if (m_bAdvancePending && m_pTagList)
        finishAdvance();
}

void NativeAudioPlayerInternal::finishAdvance()
{
    if (!m_bAdvancePending)
        return;
    m_bAdvancePending = false;
    m_advanceWait.stop();
    emit advanced();
}

void NativeAudioPlayerInternal::handle(GstMessage* message)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
        if (!(isSettling() && finishSettling()))
            handleError(message);
        break;
    case GST_MESSAGE_WARNING:
        logMessage("warning from", message);
        break;
    case GST_MESSAGE_EOS:
        handleEnd();
        break;
    case GST_MESSAGE_STREAM_START:
        handleStreamStart();
        break;
    case GST_MESSAGE_TAG:
        handleTags(message);
        break;
    case GST_MESSAGE_ASYNC_DONE:
        if (!(isSettling() && finishSettling()))
            handleLoaded();
        break;
    case GST_MESSAGE_DURATION_CHANGED:
        readDuration();
        break;
    case GST_MESSAGE_BUFFERING:
        handleBuffering(message);
        break;
    case GST_MESSAGE_STATE_CHANGED:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(m_pPlayer)) {
            GstState old = GST_STATE_VOID_PENDING;
            GstState now = GST_STATE_VOID_PENDING;
            GstState pending = GST_STATE_VOID_PENDING;
            gst_message_parse_state_changed(message, &old, &now, &pending);
            if (now == GST_STATE_PLAYING && pending == GST_STATE_VOID_PENDING)
                watchStretchEnd();
            else if (old == GST_STATE_PLAYING)
                stopWatchingStretchEnd();
            if (m_nPhase == Phase::Moving && pending == GST_STATE_VOID_PENDING)
                applyTarget();
        }
        break;
    default:
        break;
    }
}

// An error of the output (or anything inside it) means that nobody can hear anything, whichever song is tried:
// that is not the song's fault, and the output is opened anew for the next. A song that breaks off after it was
// heard has ended; one that never got ready cannot be played.
void NativeAudioPlayerInternal::handleError(GstMessage* message)
{
    logMessage("cannot play, error from", message);
    if (GstSupport::isInside(GST_MESSAGE_SRC(message), m_pOutput)) {
        // The loop also keeps the connections to the sound server: a dead one must go with it, or it would be
        // used again when the server comes back.
        releaseLoopHold();
        releasePipeline();
        setState(PlayState::Failed);
        emit outputFailed();
        return;
    }
    const bool wasHeard = m_bPrerolled && m_nState == PlayState::Playing;
    // A station opened again that does not answer yet (its server restarting, the network coming back) is tried
    // again while reconnections remain: it was heard before, it is not a song that cannot be played.
    if (!m_bPrerolled && m_song.reconnects > 0 && m_nState == PlayState::Playing && reconnect())
        return;
    halt();
    // playbin moved on from a song that failed inside sometimes fails the next one too, a good one, before it
    // has read a byte of it: a song that never got ready is tried once more, from NULL, before it counts as
    // unplayable. A broken one fails again.
    if (!m_bPrerolled && !m_song.retried) {
        m_song.retried = true;
        load(m_song.uri);
        applyTarget();
        return;
    }
    if (wasHeard && reconnect())
        return;
    if (wasHeard) {
        setState(PlayState::Ended);
        emit finished();
        return;
    }
    setState(PlayState::Failed);
    emit unplayable();
}

// A stream of no known length that ended or failed while it was heard is a radio whose connection dropped: it is
// opened again after growing pauses, for two minutes in all (a server restarting takes seconds, a network coming
// back or a station's outage a minute or more), before the list moves on. The song may change meanwhile.
bool NativeAudioPlayerInternal::reconnect()
{
    // 1 + 1 + 2 + 2 + 4 + 8 seconds, then every 15 seconds: 123 seconds in all (a test may shorten the second).
    constexpr int Pauses[] = { 1, 1, 2, 2, 4, 8, 15, 15, 15, 15, 15, 15, 15 };
    constexpr int Reconnects = int(std::size(Pauses));
    if (!m_song.stream || m_song.duration > 0 || m_song.reconnects >= Reconnects) {
        setReconnecting(false);
        if (std::exchange(m_bOutage, false))
            emit reconnectEnded(false);
        return false;
    }
    const int secondMs = qEnvironmentVariableIsSet("VIREO_RECONNECT_SECOND_MS")
        ? qMax(1, qEnvironmentVariableIntValue("VIREO_RECONNECT_SECOND_MS"))
        : 1000;
    const int pauseMs = Pauses[m_song.reconnects] * secondMs;
    ++m_song.reconnects;
    m_bOutage = true;
    qCDebug(lcMultiMedia) << "stream lost, opening it again in" << pauseMs << "ms:" << m_song.uri;
    halt();
    setReconnecting(true);
    QTimer::singleShot(pauseMs, this, [this, uri = m_song.uri, wait = ++m_nReconnectWait] {
        if (m_song.uri != uri || wait != m_nReconnectWait)
            return;
        if (m_nState != PlayState::Playing) {
            setReconnecting(false); // paused or stopped meanwhile: Play opens it again
            return;
        }
        load(uri);
        applyTarget();
    });
    return true;
}

// The end of the last song the pipeline had. The output is let go until the next song: an idle player keeps
// no sound stream open.
void NativeAudioPlayerInternal::handleEnd()
{
    if (m_nState == PlayState::Paused) {
        m_pending.end = true;
        return;
    }
    if (m_nState != PlayState::Playing)
        return; // a stop or a new song overtook the end
    finishAdvance(); // a song shorter than the wait ends: it was heard
    m_pending.end = false;
    if (reconnect())
        return;
    halt();
    setState(PlayState::Ended);
    emit finished();
}

// The first stream after a load is the loaded song's own; each further one is a song taken over at
// about-to-finish, now reaching the output. Its tags follow on the bus, so advanced() waits for them, briefly:
// who hears of the new song then sees it whole, in one piece.
void NativeAudioPlayerInternal::handleStreamStart()
{
    if (++m_nStreamStarts == 1)
        return;
    finishAdvance(); // songs shorter than the wait
    {
        const QMutexLocker lock(&m_nextMutex);
        if (m_taken.isEmpty())
            return;
        const Song song = m_taken.takeFirst();
        // What comes next was counted from the song that sounded until now.
        if (!m_upcoming.isEmpty())
            m_upcoming.removeFirst();
        m_song = song; // a song of its own: its length, tags and reconnections start afresh
    }
    // The new song's tags passed playbin on their way to the output before its sound did; they may reach the
    // output (and the bus) only after this message, and who hears of the song must see them now.
    if (m_pTagList)
        gst_tag_list_unref(m_pTagList);
    m_pTagList = nullptr;
    g_signal_emit_by_name(m_pPlayer, "get-audio-tags", 0, &m_pTagList);
    if (m_pTagList)
        m_pTagList = gst_tag_list_make_writable(m_pTagList);
    m_song.tags = m_pTagList ? GstSupport::songTags(m_pTagList, m_song.stream) : SongTags();
    m_bAtStart = false;
    m_bAdvancePending = true;
    m_advanceWait.start();
    readDuration();
}

// Only what reached the output belongs to the song that sounds: a song taken over is decoded ahead, and its
// tags pass the decoder while the one before still plays.
void NativeAudioPlayerInternal::handleTags(GstMessage* message)
{
    if (!GstSupport::isInside(GST_MESSAGE_SRC(message), m_pOutput))
        return;
    GstTagList* list = nullptr;
    gst_message_parse_tag(message, &list);
    if (!list)
        return;
    // The list is shared with the message; the merged one must be ours alone.
    if (m_pTagList) {
        gst_tag_list_insert(m_pTagList, list, GST_TAG_MERGE_REPLACE);
        gst_tag_list_unref(list);
    } else {
        m_pTagList = gst_tag_list_make_writable(list);
    }
    const SongTags tags = GstSupport::songTags(m_pTagList, m_song.stream);
    if (tags == m_song.tags)
        return;
    m_song.tags = tags;
    if (!m_bAdvancePending)
        emit tagsChanged();
}

// The song is ready to play (and again after each seek): now its length is known, and whether anybody can hear it.
// A seek that is refused (a stream that cannot seek) leaves the place where it was.
void NativeAudioPlayerInternal::seek(qint64 ms)
{
    // Within a stretch: a place past its end is its last moment, which then ends it.
    if (m_song.end >= 0)
        ms = qMin(ms, m_song.end - m_song.start - 1);
    ms = qMax<qint64>(0, ms);
    m_nStop = stretchRunEnd();
    // Watched again once the pipeline plays from the new place.
    stopWatchingStretchEnd();
    if (seekTo(m_pPlayer, m_song.start + ms, m_nStop)) {
        m_nSeekingTo = ms;
        m_nRunStart = m_song.start + ms;
    }
}

// Stretches that follow one another in the same file (the tracks of a disc image, in order) are one run to the
// pipeline: it plays the file on from one into the next, without a seek and so without a gap, and the song
// changes when the place heard crosses the border. The run ends where the list goes elsewhere.
qint64 NativeAudioPlayerInternal::stretchRunEnd() const
{
    qint64 end = m_song.end;
    const QMutexLocker lock(&m_nextMutex);
    for (const Song& next : m_upcoming) {
        if (!followsOn(next, end))
            break;
        end = next.end;
    }
    return end;
}

bool NativeAudioPlayerInternal::followsOn(const Song& next, qint64 end) const
{
    return end >= 0 && next.ranged && next.uri == m_song.uri && qAbs(next.start - end) <= 1;
}

// The pipeline's clock says when the border is heard: the file's run began at running time 0 where the last seek
// put it, and a moment of running time is heard when the clock reads the base time past it; at another speed than
// 1 the file's time passes that much faster. A new speed comes with a seek, which watches anew. The base time holds
// only while the pipeline plays: a pause or a seek lets the wait go, and PLAYING makes it anew.
void NativeAudioPlayerInternal::watchStretchEnd()
{
    stopWatchingStretchEnd();
    if (!m_pPlayer || !m_song.ranged || m_song.end < 0 || m_nStop == m_song.end || m_nSeekingTo >= 0
        || m_pending.seek >= 0)
        return;
    GstState current = GST_STATE_VOID_PENDING;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(m_pPlayer, &current, &pending, 0);
    GstClock* clock = gst_element_get_clock(m_pPlayer);
    if (current != GST_STATE_PLAYING || pending != GST_STATE_VOID_PENDING || !clock) {
        if (clock)
            gst_object_unref(clock);
        return;
    }
    const GstClockTime heard
        = gst_element_get_base_time(m_pPlayer) + GstClockTime(double(qMax<qint64>(0, m_song.end - m_nRunStart)) * GST_MSECOND / m_stages.speed);
    m_pBorderWait = gst_clock_new_single_shot_id(clock, heard);
    gst_object_unref(clock);
    const quint64 watch = ++m_nBorderWatch;
    auto* ticket = new std::pair<NativeAudioPlayerInternal*, quint64>(this, watch);
    gst_clock_id_wait_async(
        m_pBorderWait,
        [](GstClock*, GstClockTime, GstClockID, gpointer data) -> gboolean {
            const auto* ticket = static_cast<std::pair<NativeAudioPlayerInternal*, quint64>*>(data);
            NativeAudioPlayerInternal* self = ticket->first;
            const quint64 watch = ticket->second;
            QMetaObject::invokeMethod(
                self,
                [self, watch] {
                    if (watch == self->m_nBorderWatch)
                        self->slotStretchWatch();
                },
                Qt::QueuedConnection);
            return TRUE;
        },
        ticket, [](gpointer data) { delete static_cast<std::pair<NativeAudioPlayerInternal*, quint64>*>(data); });
}

void NativeAudioPlayerInternal::stopWatchingStretchEnd()
{
    ++m_nBorderWatch;
    if (!m_pBorderWait)
        return;
    gst_clock_id_unschedule(m_pBorderWait);
    gst_clock_id_unref(m_pBorderWait);
    m_pBorderWait = nullptr;
}

// The border is heard: the next stretch is the song now.
void NativeAudioPlayerInternal::slotStretchWatch()
{
    if (m_pBorderWait) {
        gst_clock_id_unref(m_pBorderWait);
        m_pBorderWait = nullptr;
    }
    if (!isLoaded() || m_nSeekingTo >= 0 || m_pending.seek >= 0)
        return; // the seek's end watches again
    bool follows = false;
    {
        const QMutexLocker lock(&m_nextMutex);
        follows = !m_upcoming.isEmpty() && followsOn(m_upcoming.first(), m_song.end);
        if (follows) {
            Song next = m_upcoming.takeFirst();
            next.tags = m_song.tags; // the image's, which the pipeline does not tell again
            m_song = next;
        }
    }
    // The list went elsewhere while the pipeline was on its way to a stop further on: the song ends here.
    if (!follows) {
        handleEnd();
        return;
    }
    m_bAtStart = false;
    readDuration(false); // the length changes with the song, said by advanced(), not before it
    watchStretchEnd();
    emit advanced();
}

void NativeAudioPlayerInternal::handleLoaded()
{
    m_nSeekingTo = -1;
    readDuration();
    watchStretchEnd();
    if (m_bPrerolled)
        return;
    m_bPrerolled = true;
    setReconnecting(false);
    // Heard again: a later outage is given its two minutes afresh.
    if (std::exchange(m_bOutage, false)) {
        m_song.reconnects = 0;
        emit reconnectEnded(true);
    }
    if (GstSupport::playsIntoTheVoid(m_pPlayer)) {
        qCDebug(lcMultiMedia) << "cannot play: no sound output can be opened";
        releaseLoopHold();
        releasePipeline();
        setState(PlayState::Failed);
        emit outputFailed();
        return;
    }
    // Once the next song is taken, playbin counts the streams of that one, which it has only begun to read.
    bool switching = false;
    {
        const QMutexLocker lock(&m_nextMutex);
        switching = !m_taken.isEmpty();
    }
    // The sound server answers: its client loop is held from now on, whatever becomes of the pipeline's sink.
    adoptWarmUpHold();
    if (!m_pLoopHold)
        m_pLoopHold = GstSupport::holdSoundServerLoop();
    gint audioStreams = 0;
    g_object_get(m_pPlayer, "n-audio", &audioStreams, nullptr);
    if (!switching && audioStreams <= 0) {
        qCDebug(lcMultiMedia) << "cannot play: no sound in" << m_song.uri;
        halt();
        setState(PlayState::Failed);
        emit unplayable();
        return;
    }
    if (m_pending.seek >= 0)
        seek(std::exchange(m_pending.seek, -1));
    applyTarget();
}

// A stream that fills its buffer holds the pipeline in PAUSED until it is full, whatever the user asked for.
void NativeAudioPlayerInternal::handleBuffering(GstMessage* message)
{
    gint percent = 100;
    gst_message_parse_buffering(message, &percent);
    const bool buffering = percent < 100;
    if (buffering == m_bBuffering)
        return;
    m_bBuffering = buffering;
    emit bufferingChanged();
    applyTarget();
}

// A stretch of a file lasts from its start to its end, or the file's end where that comes first. A length that
// comes with a song change is said with the change (advanced()), not as a change of its own.
void NativeAudioPlayerInternal::readDuration(bool announce)
{
    gint64 ns = 0;
    if (!m_pPlayer || !gst_element_query_duration(m_pPlayer, GST_FORMAT_TIME, &ns) || ns < 0)
        ns = -1;
    qint64 ms = ns < 0 ? m_song.end : durationFromSeconds(double(ns) / GST_SECOND);
    if (ms < 0 || (ns < 0 && !m_bPrerolled))
        return;
    if (m_song.end >= 0)
        ms = qMin(ms, m_song.end);
    ms = qMax<qint64>(0, ms - m_song.start);
    if (ms == m_song.duration)
        return;
    m_song.duration = ms;
    if (announce && !m_bAdvancePending)
        emit durationChanged(ms);
}

} // namespace QzMultiMedia
