#include "NativeAudioPlayerInternal.h"

#include "GstSupport_linux.h"
#include "MediaCommon.h"
#include "PipelineCalls_linux.h"
#include "QzMultiMediaLogging.h"

#include <gst/gst.h>

namespace QzMultiMedia {

NativeAudioPlayerInternal::NativeAudioPlayerInternal(QObject* parent)
    : QObject(parent)
    , m_driver(this)
    , m_sound(m_driver)
{
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &NativeAudioPlayerInternal::slotPositionChanged);
    connect(&m_sounding, &SoundingSong_linux::advanced, this, &NativeAudioPlayerInternal::advanced);
    connect(&m_sounding, &SoundingSong_linux::tagsChanged, this, &NativeAudioPlayerInternal::tagsChanged);
    connect(&m_sounding, &SoundingSong_linux::durationChanged, this, &NativeAudioPlayerInternal::durationChanged);
    connect(&m_driver, &PipelineDriver_linux::bufferingChanged, this, &NativeAudioPlayerInternal::bufferingChanged);
    connect(&m_driver, &PipelineDriver_linux::volumeNotified, this,
        [this] { m_sound.volumeNotified(m_nState == PlayState::Playing); });
    connect(&m_sound, &PipelineSound_linux::volumeChanged, this, &NativeAudioPlayerInternal::volumeChanged);
    connect(&m_border, &BorderWatch_linux::reached, this, &NativeAudioPlayerInternal::slotBorderReached);
    connect(&m_reconnection, &StreamReconnection::due, this, &NativeAudioPlayerInternal::slotReconnectDue);
    // Said as a buffering is: the listener hears nothing and is told why.
    connect(&m_reconnection, &StreamReconnection::waitingChanged, this, &NativeAudioPlayerInternal::bufferingChanged);
    connect(&m_reconnection, &StreamReconnection::ended, this, &NativeAudioPlayerInternal::reconnectEnded);
}

NativeAudioPlayerInternal::~NativeAudioPlayerInternal()
{
    m_border.cancel();
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
    if (m_driver.ensure(audibleVolume(m_sound.volume())))
        m_sound.pipelineMade();
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
    m_sounding.cancelAdvance();
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
    m_pending.seek = song().ranged ? 0 : -1;
    m_nSeekingTo = -1;
    song().uri = uri;
    m_bAtStart = true;
    m_driver.load(uri);
}

void NativeAudioPlayerInternal::songSetIn()
{
    m_sounding.cancelAdvance();
    m_border.cancel();
    m_pending.end = false;
    m_nStreamStarts = 0;
    m_sound.songSetIn(song().stream);
}

// A song that is to start further in waits in PAUSED for its seek: going straight on would let its first moments
// be heard.
PipelineDriver_linux::Want NativeAudioPlayerInternal::wanted(bool first) const
{
    using Want = PipelineDriver_linux::Want;
    const bool playing = m_nState == PlayState::Playing;
    if (first)
        return playing && m_pending.seek <= 0 && !song().ranged ? Want::Play : Want::Hold;
    if (!isLoaded())
        return Want::Nothing;
    return playing ? Want::Play : Want::Hold;
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
    const PipelineSong asked = songFor(fileName);
    m_driver.upcoming().begin(asked);
    m_sounding.replace(asked);
    if (!asked.uri.isEmpty())
        ensurePipeline();
    if (asked.uri.isEmpty() || !m_driver.pipeline()) {
        if (m_driver.pipeline())
            load(QByteArray());
        song().uri.clear();
        setState(PlayState::Failed);
        emit unplayable();
        return;
    }
    load(asked.uri);
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
    if (song().ranged && m_bPrerolled && isLoaded() && m_nSeekingTo < 0
        && m_driver.upcoming().runEnd(song()) != m_nStop)
        seek(position());
}

QString NativeAudioPlayerInternal::fileName() const
{
    return song().fileName;
}

// Makes good a stop's rewind before the song moves.
void NativeAudioPlayerInternal::rewindIfStopped()
{
    if (m_pending.reload) {
        load(song().uri);
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
        load(song().uri);
    }
    rewindIfStopped();
    // A song that has waited in PAUSED since it was loaded (the list as the last run left it) has an output that
    // never ran, whose clock went on meanwhile: the sink put the song's first sample as far into its buffer as the
    // song had waited, and that long was silence (an hour for a listener who pressed Play an hour later). Loaded
    // afresh at its place, it sounds at once.
    if (m_bPrerolled && !m_driver.outputRan() && !m_driver.isSettling() && !m_driver.isLoadWaiting()) {
        const qint64 at = position();
        load(song().uri);
        m_pending.seek = at;
    }
    m_sound.streamStarts();
    m_bAtStart = false;
    setState(PlayState::Playing);
    m_timer.start();
    if (m_pending.end) {
        // The song reached its end just as it was paused: resuming it finds it over.
        handleEnd();
        return;
    }
    m_driver.applyTarget();
}

void NativeAudioPlayerInternal::pause()
{
    if (!isLoaded())
        return;
    m_reconnection.endWait();
    setState(PlayState::Paused);
    m_driver.applyTarget();
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
        m_driver.applyTarget();
}

// The hold on the sound server's client loop goes too: kept by a player that sounds no more (the one a crossfade
// left), it would keep a dead server's connection for the player that sounds.
void NativeAudioPlayerInternal::unload()
{
    releasePipeline();
    m_driver.releaseSoundServer();
    song().uri.clear();
    m_sounding.forget();
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
    return song().duration > 0 ? qMin(ms, song().duration) : ms;
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
    const qint64 ms = positionFromSeconds(double(ns) / GST_SECOND) - song().start;
    return song().end >= 0 ? qBound<qint64>(0, ms, song().end - song().start) : qMax<qint64>(0, ms);
}

// A seek asked for while the song still gets ready is made once it is.
void NativeAudioPlayerInternal::setPosition(qint64 ms)
{
    if (!isLoaded())
        return;
    if (m_pending.reload)
        load(song().uri);
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
    return isLoaded() ? song().duration : 0;
}

void NativeAudioPlayerInternal::setOutput(const QString& device, const QString& now)
{
    if (m_driver.output())
        GstSupport::chooseOutputDevice(m_driver.output(), device.toUtf8(), now.toUtf8());
}

// The stage hears of the speed with the next segment: a seek to where the song is makes one at once.
void NativeAudioPlayerInternal::setSpeed(double speed)
{
    if (m_sound.setSpeed(speed, song().stream) && isLoaded() && m_bPrerolled && (isPlaying() || isPaused())
        && !m_pending.rewind && !m_pending.reload)
        setPosition(position());
}

const SongTags& NativeAudioPlayerInternal::tags() const
{
    return song().tags;
}

bool NativeAudioPlayerInternal::isBuffering() const
{
    return m_driver.isBuffering();
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
    m_sounding.readDuration(m_driver.pipeline(), m_bPrerolled);
    emit positionChanged(position());
}

void NativeAudioPlayerInternal::messagesRead()
{
    m_sounding.messagesRead();
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
        m_sounding.readDuration(m_driver.pipeline(), m_bPrerolled);
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
    if (!m_bPrerolled && !song().retried) {
        song().retried = true;
        load(song().uri);
        m_driver.applyTarget();
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
    if (!m_reconnection.schedule(song().stream && song().duration <= 0))
        return false;
    qCDebug(lcMultiMedia) << "stream lost, opening it again:" << song().uri;
    halt();
    return true;
}

void NativeAudioPlayerInternal::slotReconnectDue()
{
    if (m_nState != PlayState::Playing) {
        m_reconnection.endWait(); // paused or stopped meanwhile: Play opens it again
        return;
    }
    load(song().uri);
    m_driver.applyTarget();
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
    m_sounding.finishAdvance(); // a song shorter than the wait ends: it was heard
    m_pending.end = false;
    if (reconnect())
        return;
    halt();
    setState(PlayState::Ended);
    emit finished();
}

// The first stream after a load is the loaded song's own; each further one is a song taken over at
// about-to-finish, now reaching the output.
void NativeAudioPlayerInternal::handleStreamStart()
{
    if (++m_nStreamStarts == 1)
        return;
    m_sounding.finishAdvance(); // songs shorter than the wait
    if (const std::optional<PipelineSong> next = m_driver.upcoming().advance()) {
        m_sounding.takeOver(*next, m_driver.pipeline()); // a song of its own: its length and tags start afresh
        m_bAtStart = false;
    }
}

// Only what reached the output belongs to the song that sounds.
void NativeAudioPlayerInternal::handleTags(GstMessage* message)
{
    if (GstSupport::isInside(GST_MESSAGE_SRC(message), m_driver.output()))
        m_sounding.addTags(message);
}

// The song is ready to play (and again after each seek): now its length is known, and whether anybody can hear it.
// A seek that is refused (a stream that cannot seek) leaves the place where it was.
void NativeAudioPlayerInternal::seek(qint64 ms)
{
    // Within a stretch: a place past its end is its last moment, which then ends it.
    if (song().end >= 0)
        ms = qMin(ms, song().end - song().start - 1);
    ms = qMax<qint64>(0, ms);
    m_nStop = m_driver.upcoming().runEnd(song());
    // Watched again once the pipeline plays from the new place.
    m_border.cancel();
    if (PipelineCalls_linux::seek(m_driver.pipeline(), song().start + ms, m_nStop)) {
        m_nSeekingTo = ms;
        m_nRunStart = song().start + ms;
    }
}

// Stretches that follow one another in the same file (the tracks of a disc image, in order) are one run to the
// pipeline: it plays the file on from one into the next, without a seek and so without a gap, and the song
// changes when the place heard crosses the border. The run ends where the list goes elsewhere.
void NativeAudioPlayerInternal::watchBorder()
{
    m_border.cancel();
    if (m_driver.pipeline() && song().ranged && song().end >= 0 && m_nStop != song().end && m_nSeekingTo < 0
        && m_pending.seek < 0)
        m_border.watch(m_driver.pipeline(), song().end - m_nRunStart, m_sound.heardSpeed());
}

// The border is heard: the next stretch is the song now.
void NativeAudioPlayerInternal::slotBorderReached()
{
    if (!isLoaded() || m_nSeekingTo >= 0 || m_pending.seek >= 0)
        return; // the seek's end watches again
    std::optional<PipelineSong> next = m_driver.upcoming().takeFollowingStretch(song());
    // The list went elsewhere while the pipeline was on its way to a stop further on: the song ends here.
    if (!next) {
        handleEnd();
        return;
    }
    m_bAtStart = false;
    m_sounding.crossInto(*next, m_driver.pipeline());
    watchBorder();
}

void NativeAudioPlayerInternal::handleLoaded()
{
    m_nSeekingTo = -1;
    m_sounding.readDuration(m_driver.pipeline(), m_bPrerolled);
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
        qCDebug(lcMultiMedia) << "cannot play: no sound in" << song().uri;
        halt();
        setState(PlayState::Failed);
        emit unplayable();
        return;
    }
    if (m_pending.seek >= 0)
        seek(std::exchange(m_pending.seek, -1));
    m_driver.applyTarget();
    emit ready();
}

} // namespace QzMultiMedia
