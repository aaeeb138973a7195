#include "NativeAudioPlayerInternal.h"

#include "GstSupport_linux.h"
#include "MediaCommon.h"
#include "PipelineCalls_linux.h"
#include "QzMultiMediaLogging.h"
#include "TempoStage_linux.h"

#include <gst/gst.h>

#include <cmath>

namespace QzMultiMedia {

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

NativeAudioPlayerInternal::NativeAudioPlayerInternal(QObject* parent)
    : QObject(parent)
    , m_driver(this)
{
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &NativeAudioPlayerInternal::slotPositionChanged);
    // A song without tags is not waited for longer than this.
    m_advanceWait.setInterval(150);
    m_advanceWait.setSingleShot(true);
    connect(&m_advanceWait, &QTimer::timeout, this, &NativeAudioPlayerInternal::finishAdvance);
    connect(&m_driver, &PipelineDriver_linux::volumeNotified, this, &NativeAudioPlayerInternal::slotVolumeNotified);
    connect(&m_border, &BorderWatch_linux::reached, this, &NativeAudioPlayerInternal::slotBorderReached);
    connect(&m_reconnection, &StreamReconnection::due, this, &NativeAudioPlayerInternal::slotReconnectDue);
    // Said as a buffering is: the listener hears nothing and is told why.
    connect(&m_reconnection, &StreamReconnection::waitingChanged, this, &NativeAudioPlayerInternal::bufferingChanged);
    connect(&m_reconnection, &StreamReconnection::ended, this, &NativeAudioPlayerInternal::reconnectEnded);
}

NativeAudioPlayerInternal::~NativeAudioPlayerInternal()
{
    m_border.cancel();
    if (m_pTagList)
        gst_tag_list_unref(m_pTagList);
}

void NativeAudioPlayerInternal::prepare()
{
    warmUp();
}

void NativeAudioPlayerInternal::warmUp()
{
    SoundServerHold_linux::warmUp();
}

void NativeAudioPlayerInternal::ensurePipeline()
{
    if (!m_driver.ensure(audibleVolume(m_fVolume)))
        return;
    m_bFilterStale = true;
    updateFilter();
}

void NativeAudioPlayerInternal::releasePipeline()
{
    m_border.cancel();
    m_driver.release();
}

// Nobody can hear anything, whichever song is tried: the output is opened anew for the next.
void NativeAudioPlayerInternal::releaseOutput()
{
    m_driver.releaseSoundServer();
    releasePipeline();
    setState(PlayState::Failed);
    emit outputFailed();
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

// Ends whatever the pipeline did and forgets what it said of the song before.
void NativeAudioPlayerInternal::halt()
{
    m_bAdvancePending = false;
    m_advanceWait.stop();
    m_border.cancel();
    m_driver.halt();
}

// Moves the one pipeline to another song: its threads end, the bus forgets the song before, and the new song
// gets ready in the background. The answer comes on the bus.
void NativeAudioPlayerInternal::load(const QByteArray& uri)
{
    m_pending.reload = false;
    m_pending.rewind = false;
    m_bPrerolled = false;
    // A stretch of a file starts with a seek to its beginning, which also sets where it ends.
    m_pending.seek = m_song.ranged ? 0 : -1;
    m_nSeekingTo = -1;
    m_song.uri = uri;
    m_bAtStart = true;
    m_driver.load(uri);
}

void NativeAudioPlayerInternal::songSetIn()
{
    m_bAdvancePending = false;
    m_advanceWait.stop();
    m_border.cancel();
    if (std::exchange(m_bBuffering, false))
        emit bufferingChanged();
    m_pending.end = false;
    m_nStreamStarts = 0;
    if (std::exchange(m_stages.speed, heardSpeed()) != m_stages.speed)
        m_bFilterStale = true;
    updateFilter();
}

// A song that is to start further in waits in PAUSED for its seek: going straight on would let its first moments
// be heard.
PipelineDriver_linux::Want NativeAudioPlayerInternal::wanted(bool first) const
{
    using Want = PipelineDriver_linux::Want;
    const bool playing = m_nState == PlayState::Playing && !m_bBuffering;
    if (first)
        return playing && m_pending.seek <= 0 && !m_song.ranged ? Want::Play : Want::Hold;
    if (!isLoaded())
        return Want::Nothing;
    return playing ? Want::Play : Want::Hold;
}

void NativeAudioPlayerInternal::applyTarget()
{
    m_driver.applyTarget();
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

PipelineSong NativeAudioPlayerInternal::songFor(const QString& fileName)
{
    PipelineSong song;
    song.fileName = fileName;
    song.uri = GstSupport::playableUri(fileName);
    song.ranged = MediaCommon::range(fileName, &song.start, &song.end);
    song.stream = MediaCommon::isStream(QUrl::fromEncoded(song.uri));
    return song;
}

// The song before is forgotten whole: its tags and length are said to be gone, and nothing else of it is kept.
void NativeAudioPlayerInternal::setMedia(const QString& fileName)
{
    m_reconnection.reset();
    const PipelineSong song = songFor(fileName);
    m_driver.upcoming().begin(song);
    clearSong();
    m_song = song;
    if (!song.uri.isEmpty())
        ensurePipeline();
    if (song.uri.isEmpty() || !m_driver.pipeline()) {
        if (m_driver.pipeline())
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
    QList<PipelineSong> songs;
    songs.reserve(fileNames.size());
    for (const QString& fileName : fileNames)
        songs.append(songFor(fileName));
    m_driver.upcoming().set(songs);
    // The file plays on past the stretch only into the stretch that now follows it: a list changed under it (shuffle
    // switched on, a song put in between) moves the stop, from where the song is.
    if (m_song.ranged && m_bPrerolled && isLoaded() && m_nSeekingTo < 0 && m_driver.upcoming().runEnd(m_song) != m_nStop)
        seek(position());
}

QString NativeAudioPlayerInternal::fileName() const
{
    return m_song.fileName;
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
    if (m_reconnection.isWaiting()) {
        m_reconnection.retryNow();
        load(m_song.uri);
    }
    rewindIfStopped();
    // A song that has waited in PAUSED since it was loaded (the list as the last run left it) has an output that
    // never ran, whose clock went on meanwhile: the sink put the song's first sample as far into its buffer as the
    // song had waited, and that long was silence (an hour for a listener who pressed Play an hour later). Loaded
    // afresh at its place, it sounds at once.
    if (m_bPrerolled && !m_driver.outputRan() && !m_driver.isSettling() && !m_driver.isLoadWaiting()) {
        const qint64 at = position();
        load(m_song.uri);
        m_pending.seek = at;
    }
    applyVolume();
    m_volumeEcho.noteStreamStarted();
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

void NativeAudioPlayerInternal::pause()
{
    if (!isLoaded())
        return;
    m_reconnection.endWait();
    setState(PlayState::Paused);
    applyTarget();
}

void NativeAudioPlayerInternal::stop()
{
    if (!isLoaded())
        return;
    const bool switching = m_driver.upcoming().hasTaken();
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
    m_border.cancel();
    m_reconnection.endWait();
    setState(PlayState::Stopped);
    // A song just loaded is at its start already; a play() that most often follows moves it straight to PLAYING.
    if (!m_driver.isStarting())
        applyTarget();
}

// The hold on the sound server's client loop goes too: kept by a player that sounds no more (the one a crossfade
// left), it would keep a dead server's connection for the player that sounds.
void NativeAudioPlayerInternal::unload()
{
    releasePipeline();
    m_driver.releaseSoundServer();
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
    return m_driver.pipeline()
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
    if (!isLoaded() || m_pending.rewind || m_pending.reload || m_driver.isLoadWaiting()
        || !gst_element_query_position(m_driver.pipeline(), GST_FORMAT_TIME, &ns) || ns < 0)
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
    if (m_driver.pipeline())
        applyVolume();
}

void NativeAudioPlayerInternal::applyVolume()
{
    const double linear = audibleVolume(m_fVolume);
    m_volumeEcho.noteSet(linear);
    // The sink's stream volume is asked of the sound server on the way.
    GstElement* player = GST_ELEMENT(gst_object_ref(m_driver.pipeline()));
    PipelineCalls_linux::run([player, linear] {
        g_object_set(player, "volume", linear, nullptr);
        gst_object_unref(player);
    });
}

// A volume the sound server tells that the program did not set is someone else's.
void NativeAudioPlayerInternal::slotVolumeNotified()
{
    if (!m_driver.pipeline() || m_nState != PlayState::Playing || !m_volumeEcho.isListening())
        return;
    // Read from the sound server: a server that does not answer in time has said nothing.
    auto read = std::make_shared<gdouble>(0.0);
    GstElement* player = GST_ELEMENT(gst_object_ref(m_driver.pipeline()));
    if (!PipelineCalls_linux::run([player, read] {
            g_object_get(player, "volume", read.get(), nullptr);
            gst_object_unref(player);
        }))
        return;
    const gdouble linear = *read;
    if (m_volumeEcho.isOwnEcho(linear) || !std::isfinite(linear))
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
    if (m_driver.output())
        GstSupport::chooseOutputDevice(m_driver.output(), device.toUtf8(), now.toUtf8());
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
    if (!m_driver.pipeline() || std::exchange(m_stages.speed, heardSpeed()) == m_stages.speed)
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
    GstElement* player = m_driver.pipeline();
    if (!player || !m_bFilterStale)
        return;
    GstElement* filter = nullptr;
    g_object_get(player, "audio-filter", &filter, nullptr);
    bool fits = false;
    if (filter) {
        fits = GstSupport::setFilter(filter, m_stages);
        gst_object_unref(filter);
    }
    m_bFilterStale = !fits;
    GstState state = GST_STATE_NULL;
    gst_element_get_state(player, &state, nullptr, 0);
    if (fits || state > GST_STATE_READY)
        return;
    g_object_set(player, "audio-filter", GstSupport::makeFilter(m_stages), nullptr);
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
    return m_reconnection.isWaiting();
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

void NativeAudioPlayerInternal::messagesRead()
{
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
        handleError(message);
        break;
    case GST_MESSAGE_WARNING:
        GstSupport::logMessage("warning from", message);
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
        handleLoaded();
        break;
    case GST_MESSAGE_DURATION_CHANGED:
        readDuration();
        break;
    case GST_MESSAGE_BUFFERING:
        handleBuffering(message);
        break;
    case GST_MESSAGE_STATE_CHANGED:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(m_driver.pipeline())) {
            GstState old = GST_STATE_VOID_PENDING;
            GstState now = GST_STATE_VOID_PENDING;
            GstState pending = GST_STATE_VOID_PENDING;
            gst_message_parse_state_changed(message, &old, &now, &pending);
            if (now == GST_STATE_PLAYING && pending == GST_STATE_VOID_PENDING)
                watchBorder();
            else if (old == GST_STATE_PLAYING)
                m_border.cancel();
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
    GstSupport::logMessage("cannot play, error from", message);
    if (GstSupport::isInside(GST_MESSAGE_SRC(message), m_driver.output())) {
        releaseOutput();
        return;
    }
    const bool wasHeard = m_bPrerolled && m_nState == PlayState::Playing;
    // A station opened again that does not answer yet (its server restarting, the network coming back) is tried
    // again while reconnections remain: it was heard before, it is not a song that cannot be played.
    if (!m_bPrerolled && m_reconnection.isRetrying() && m_nState == PlayState::Playing && reconnect())
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
// opened again a while later, before the list moves on. The song may change meanwhile.
bool NativeAudioPlayerInternal::reconnect()
{
    if (!m_reconnection.schedule(m_song.stream && m_song.duration <= 0))
        return false;
    qCDebug(lcMultiMedia) << "stream lost, opening it again:" << m_song.uri;
    halt();
    return true;
}

void NativeAudioPlayerInternal::slotReconnectDue()
{
    if (m_nState != PlayState::Playing) {
        m_reconnection.endWait(); // paused or stopped meanwhile: Play opens it again
        return;
    }
    load(m_song.uri);
    applyTarget();
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
    std::optional<PipelineSong> song = m_driver.upcoming().advance();
    if (!song)
        return;
    m_song = *song; // a song of its own: its length and tags start afresh
    // The new song's tags passed playbin on their way to the output before its sound did; they may reach the
    // output (and the bus) only after this message, and who hears of the song must see them now.
    if (m_pTagList)
        gst_tag_list_unref(m_pTagList);
    m_pTagList = nullptr;
    g_signal_emit_by_name(m_driver.pipeline(), "get-audio-tags", 0, &m_pTagList);
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
    if (!GstSupport::isInside(GST_MESSAGE_SRC(message), m_driver.output()))
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
    m_nStop = m_driver.upcoming().runEnd(m_song);
    // Watched again once the pipeline plays from the new place.
    m_border.cancel();
    if (PipelineCalls_linux::seek(m_driver.pipeline(), m_song.start + ms, m_nStop)) {
        m_nSeekingTo = ms;
        m_nRunStart = m_song.start + ms;
    }
}

// Stretches that follow one another in the same file (the tracks of a disc image, in order) are one run to the
// pipeline: it plays the file on from one into the next, without a seek and so without a gap, and the song
// changes when the place heard crosses the border. The run ends where the list goes elsewhere.
void NativeAudioPlayerInternal::watchBorder()
{
    m_border.cancel();
    if (m_driver.pipeline() && m_song.ranged && m_song.end >= 0 && m_nStop != m_song.end && m_nSeekingTo < 0
        && m_pending.seek < 0)
        m_border.watch(m_driver.pipeline(), m_song.end - m_nRunStart, m_stages.speed);
}

// The border is heard: the next stretch is the song now.
void NativeAudioPlayerInternal::slotBorderReached()
{
    if (!isLoaded() || m_nSeekingTo >= 0 || m_pending.seek >= 0)
        return; // the seek's end watches again
    std::optional<PipelineSong> next = m_driver.upcoming().takeFollowingStretch(m_song);
    // The list went elsewhere while the pipeline was on its way to a stop further on: the song ends here.
    if (!next) {
        handleEnd();
        return;
    }
    m_song = *next;
    m_bAtStart = false;
    readDuration(false); // the length changes with the song, said by advanced(), not before it
    watchBorder();
    emit advanced();
}

void NativeAudioPlayerInternal::handleLoaded()
{
    m_nSeekingTo = -1;
    readDuration();
    watchBorder();
    if (m_bPrerolled)
        return;
    m_bPrerolled = true;
    m_reconnection.heard();
    if (GstSupport::playsIntoTheVoid(m_driver.pipeline())) {
        qCDebug(lcMultiMedia) << "cannot play: no sound output can be opened";
        releaseOutput();
        return;
    }
    // Once the next song is taken, playbin counts the streams of that one, which it has only begun to read.
    const bool switching = m_driver.upcoming().hasTaken();
    m_driver.holdSoundServer();
    gint audioStreams = 0;
    g_object_get(m_driver.pipeline(), "n-audio", &audioStreams, nullptr);
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
    if (!m_driver.pipeline() || !gst_element_query_duration(m_driver.pipeline(), GST_FORMAT_TIME, &ns) || ns < 0)
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
