#include "NativeAudioPlayerInternal.h"

#include "QzMultiMediaLogging.h"

#include <QFileInfo>
#include <QThread>

#include <gst/gst.h>

#include <cmath>

namespace QzMultiMedia {

namespace {

// playbin's GstPlayFlags: audio only, volume applied in software so that it never changes the sound server's
// per-application stream volume behind the user's back.
constexpr guint PlayFlagAudio = 1u << 1;
constexpr guint PlayFlagSoftVolume = 1u << 4;

void initGstreamer()
{
    gst_init(nullptr, nullptr);

    // libav's MP3 decoder ranks equal to mpg123 and wins the tie, at about three times the memory and half again
    // the CPU. Prefer mpg123; libav keeps the formats only it decodes.
    GstRegistry* registry = gst_registry_get();
    GstPluginFeature* mpg123 = gst_registry_lookup_feature(registry, "mpg123audiodec");
    GstPluginFeature* libav = gst_registry_lookup_feature(registry, "avdec_mp3");
    if (mpg123 && libav && gst_plugin_feature_get_rank(mpg123) <= gst_plugin_feature_get_rank(libav))
        gst_plugin_feature_set_rank(mpg123, gst_plugin_feature_get_rank(libav) + 1);
    if (mpg123)
        gst_object_unref(mpg123);
    if (libav)
        gst_object_unref(libav);
}

// GStreamer is set up on first use, so a start that never plays pays nothing for it. The first use may come from
// the warm-up thread and the user interface's thread at once: a function-local static is initialised only once.
void ensureGstreamer()
{
    static const bool initialized = [] {
        initGstreamer();
        return true;
    }();
    Q_UNUSED(initialized);
}

// What a first song needs besides the pipeline itself: finding its type, the usual containers and decoders, and
// the way to the sound server. Loading them is most of what a first song waits for.
void loadCommonPlugins()
{
    ensureGstreamer();
    for (const char* name : { "coreelements", "playback", "typefindfunctions", "autodetect", "pulseaudio", "volume",
             "audioconvert", "audioresample", "audioparsers", "id3demux", "mpg123", "ogg", "vorbis", "flac" }) {
        if (GstPlugin* plugin = gst_plugin_load_by_name(name))
            gst_object_unref(plugin);
    }
}

// How much sound the output holds ahead of the ear. GStreamer's 200 ms suits a call; music only needs to never
// run dry. Twice that halves how often the sound server asks for more, and a third of the CPU playback costs
// goes with it. Pausing and stopping stay immediate: the server drops what it holds.
constexpr gint64 OutputBufferUs = 400000;

// autoaudiosink picks the real output when it starts; it is set up as it joins.
void bufferGenerously(GstBin*, GstElement* element, gpointer)
{
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "buffer-time"))
        g_object_set(element, "buffer-time", OutputBufferUs, nullptr);
}

GstElement* makeDeviceSink()
{
    const QByteArray description = qgetenv("VIREO_AUDIO_SINK");
    if (!description.isEmpty()) {
        GError* error = nullptr;
        GstElement* sink = gst_parse_bin_from_description(description.constData(), TRUE, &error);
        if (sink)
            return sink;
        qCWarning(lcMultiMedia) << "VIREO_AUDIO_SINK is not a usable sink:" << (error ? error->message : "");
        g_clear_error(&error);
    }
    GstElement* sink = gst_element_factory_make("autoaudiosink", "vireo-auto-sink");
    if (sink)
        g_signal_connect(sink, "element-added", G_CALLBACK(bufferGenerously), nullptr);
    return sink;
}

// The output takes one sample format whatever the song: a song that follows in the same pipeline then never makes
// the sound server's stream change format, which it can only do by playing out and opening anew (a gap of a
// second and more from Vorbis to MP3). 16 bits is what MP3 and FLAC decode to and what most outputs take.
GstElement* makeAudioSink()
{
    GstElement* device = makeDeviceSink();
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement* output = gst_bin_new("vireo-output");
    if (!device || !filter) {
        if (filter)
            gst_object_unref(filter);
        gst_object_unref(output);
        return device;
    }
    GstCaps* caps = gst_caps_from_string("audio/x-raw,format=S16LE,layout=interleaved");
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    gst_bin_add_many(GST_BIN(output), filter, device, nullptr);
    gst_element_link(filter, device);
    GstPad* pad = gst_element_get_static_pad(filter, "sink");
    gst_element_add_pad(output, gst_ghost_pad_new("sink", pad));
    gst_object_unref(pad);
    return output;
}

// autoaudiosink falls back to a silent fake sink when no sound server or device can be opened. Playing into it
// would show a song as playing that nobody hears, so that counts as a sink that failed to open.
bool playsIntoTheVoid(GstElement* pipeline)
{
    GstElement* sink = nullptr;
    g_object_get(pipeline, "audio-sink", &sink, nullptr);
    if (!sink)
        return false;
    GstElement* device = nullptr;
    if (g_strcmp0(GST_OBJECT_NAME(sink), "vireo-auto-sink") == 0)
        device = GST_ELEMENT(gst_object_ref(sink));
    else if (GST_IS_BIN(sink))
        device = gst_bin_get_by_name(GST_BIN(sink), "vireo-auto-sink");
    bool silent = false;
    if (device && GST_IS_BIN(device)) {
        if (GstElement* fallback = gst_bin_get_by_name(GST_BIN(device), "fake-audio-sink")) {
            silent = true;
            gst_object_unref(fallback);
        }
    }
    if (device)
        gst_object_unref(device);
    gst_object_unref(sink);
    return silent;
}

GstElement* makePanorama(float balance)
{
    GstElement* filter = gst_parse_bin_from_description(
        "audioconvert ! audiopanorama name=vireo-panorama ! audioconvert", TRUE, nullptr);
    if (!filter)
        return nullptr;
    GstElement* panorama = gst_bin_get_by_name(GST_BIN(filter), "vireo-panorama");
    g_object_set(panorama, "panorama", gfloat(balance), nullptr);
    gst_object_unref(panorama);
    return filter;
}

void destroyPipeline(GstElement* pipeline)
{
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
}

// An error posted by the sound output (or anything inside it) means that nobody can hear anything, whichever
// song is tried: that is not the song's fault.
bool comesFromTheOutput(GstElement* pipeline, GstMessage* message)
{
    GstElement* sink = nullptr;
    g_object_get(pipeline, "audio-sink", &sink, nullptr);
    if (!sink)
        return false;
    GstObject* source = GST_MESSAGE_SRC(message);
    const bool fromSink
        = source == GST_OBJECT(sink) || (source && gst_object_has_as_ancestor(source, GST_OBJECT(sink)));
    gst_object_unref(sink);
    return fromSink;
}

QString tagString(const GstTagList* list, const char* tag)
{
    gchar* value = nullptr;
    if (!gst_tag_list_get_string(list, tag, &value))
        return QString();
    const QString text = QString::fromUtf8(value).trimmed();
    g_free(value);
    return text;
}

// The tags a decoder reported, in the engine's terms. Of the pictures a file may hold, the cover comes first;
// a preview stands in for a file that has only that.
SongTags songTags(const GstTagList* list)
{
    SongTags tags;
    tags.title = tagString(list, GST_TAG_TITLE);
    tags.artist = tagString(list, GST_TAG_ARTIST);
    tags.album = tagString(list, GST_TAG_ALBUM);
    guint track = 0;
    if (gst_tag_list_get_uint(list, GST_TAG_TRACK_NUMBER, &track))
        tags.trackNumber = int(track);
    GstSample* sample = nullptr;
    if (gst_tag_list_get_sample(list, GST_TAG_IMAGE, &sample)
        || gst_tag_list_get_sample(list, GST_TAG_PREVIEW_IMAGE, &sample)) {
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            tags.cover = QByteArray(reinterpret_cast<const char*>(map.data), qsizetype(map.size));
            gst_buffer_unmap(buffer, &map);
        }
        const GstCaps* caps = gst_sample_get_caps(sample);
        if (caps && gst_caps_get_size(caps) > 0)
            tags.coverType = QString::fromLatin1(gst_structure_get_name(gst_caps_get_structure(caps, 0)));
        gst_sample_unref(sample);
    }
    return tags;
}

// Called on a streaming thread: the tags are read on the owner's thread, from the pipeline as it is then.
void audioTagsChanged(GstElement*, gint, gpointer owner)
{
    auto* player = static_cast<NativeAudioPlayerInternal*>(owner);
    QMetaObject::invokeMethod(player, "slotReadTags", Qt::QueuedConnection);
}

void logError(const QString& fileName, GstMessage* message)
{
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    qCDebug(lcMultiMedia) << "cannot play" << fileName << ":" << (error ? error->message : "");
    g_clear_error(&error);
}

// The address GStreamer opens a file by; empty for anything but a readable regular local file: opening a FIFO
// or a device would block the pipeline, and nothing is ever fetched.
QByteArray playableUri(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.isAbsolute() || !info.isFile() || !info.isReadable())
        return QByteArray();
    gchar* text = gst_filename_to_uri(QFile::encodeName(info.absoluteFilePath()).constData(), nullptr);
    const QByteArray uri(text);
    g_free(text);
    return uri;
}

// Builds the pipeline for a local file and waits, bounded, until it is ready to play. Null when the file is
// missing, not a regular file, not audio, damaged or when the sink cannot be opened; `noOutput` tells the last
// case from the others.
GstElement* loadPipeline(const QString& fileName, float balance, bool* noOutput)
{
    *noOutput = false;
    const QByteArray uri = playableUri(fileName);
    if (uri.isEmpty())
        return nullptr;

    ensureGstreamer();
    GstElement* pipeline = gst_element_factory_make("playbin", nullptr);
    if (!pipeline) {
        qCWarning(lcMultiMedia) << "GStreamer has no playbin; is gstreamer1.0-plugins-base installed?";
        return nullptr;
    }
    g_object_set(pipeline, "uri", uri.constData(), "flags", PlayFlagAudio | PlayFlagSoftVolume, nullptr);
    if (GstElement* sink = makeAudioSink())
        g_object_set(pipeline, "audio-sink", sink, nullptr);
    if (balance != 0.0f) {
        if (GstElement* filter = makePanorama(balance))
            g_object_set(pipeline, "audio-filter", filter, nullptr);
    }

    bool ready = false;
    const GstStateChangeReturn change = gst_element_set_state(pipeline, GST_STATE_PAUSED);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = nullptr;
    if (change == GST_STATE_CHANGE_ASYNC) {
        message
            = gst_bus_timed_pop_filtered(bus, GstClockTime(NativeAudioPlayerInternal::PrerollTimeoutMs) * GST_MSECOND,
                GstMessageType(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
        ready = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE;
        if (!message)
            qCDebug(lcMultiMedia) << "cannot play" << fileName << ": not ready in time";
    } else if (change == GST_STATE_CHANGE_FAILURE) {
        // A sink that cannot open fails the state change at once; the reason waits on the bus.
        message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    } else {
        ready = true;
    }
    if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        logError(fileName, message);
        *noOutput = comesFromTheOutput(pipeline, message);
    }
    if (message)
        gst_message_unref(message);
    gst_object_unref(bus);

    if (ready && playsIntoTheVoid(pipeline)) {
        qCDebug(lcMultiMedia) << "cannot play" << fileName << ": no sound output can be opened";
        *noOutput = true;
        ready = false;
    }
    gint audioStreams = 0;
    if (ready)
        g_object_get(pipeline, "n-audio", &audioStreams, nullptr);
    if (audioStreams <= 0) {
        destroyPipeline(pipeline);
        return nullptr;
    }
    return pipeline;
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

NativeAudioPlayerInternal::NativeAudioPlayerInternal(QObject* parent)
    : QObject(parent)
{
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &NativeAudioPlayerInternal::slotPositionChanged);
}

QThread* NativeAudioPlayerInternal::s_pWarmUp = nullptr;

NativeAudioPlayerInternal::~NativeAudioPlayerInternal()
{
    if (s_pWarmUp)
        s_pWarmUp->wait();
    release();
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
    s_pWarmUp = QThread::create(loadCommonPlugins);
    s_pWarmUp->start(QThread::LowPriority);
}

void NativeAudioPlayerInternal::release()
{
    if (m_pPlayer) {
        destroyPipeline(m_pPlayer);
        m_pPlayer = nullptr;
    }
    {
        const QMutexLocker lock(&m_nextMutex);
        m_bSwitching = false;
    }
    m_bAdvanced = false;
    m_bStarted = false;
}

void NativeAudioPlayerInternal::setMedia(const QString& fileName)
{
    release();
    setNextMedia(QString());
    bool noOutput = false;
    m_pPlayer = loadPipeline(fileName, m_fBalance, &noOutput);
    m_bEnded = false;
    m_bOutputLost = false;
    m_bAtStart = true;
    // Tags the decoder found while getting ready are there at once; later ones are picked up as they come.
    readTags();
    if (m_pPlayer) {
        g_signal_connect(m_pPlayer, "audio-tags-changed", G_CALLBACK(audioTagsChanged), this);
        g_signal_connect(m_pPlayer, "about-to-finish", G_CALLBACK(aboutToFinish), this);
        return;
    }
    m_nState = Stopped;
    if (noOutput)
        emit outputFailed();
    else
        emit unplayable();
}

void NativeAudioPlayerInternal::play(const QString& fileName)
{
    setMedia(fileName);
    play();
}

void NativeAudioPlayerInternal::setNextMedia(const QString& fileName)
{
    const QByteArray uri = playableUri(fileName);
    const QMutexLocker lock(&m_nextMutex);
    m_nextUri = uri;
}

// The pipeline has read the loaded song to its end and plays out what it holds: the moment to hand it the next
// one, which it then decodes ahead so that its first sample follows the last one of this song.
void NativeAudioPlayerInternal::aboutToFinish(GstElement* pipeline, void* owner)
{
    auto* self = static_cast<NativeAudioPlayerInternal*>(owner);
    const QMutexLocker lock(&self->m_nextMutex);
    if (self->m_nextUri.isEmpty())
        return;
    g_object_set(pipeline, "uri", self->m_nextUri.constData(), nullptr);
    self->m_nextUri.clear();
    self->m_bSwitching = true;
}

void NativeAudioPlayerInternal::play()
{
    if (!m_pPlayer)
        return;
    // Whatever ended the previous run is history now.
    GstBus* bus = gst_element_get_bus(m_pPlayer);
    gst_bus_set_flushing(bus, TRUE);
    gst_bus_set_flushing(bus, FALSE);
    gst_object_unref(bus);
    m_bEnded = false;

    g_object_set(m_pPlayer, "volume", audibleVolume(m_fVolume), nullptr);
    if (gst_element_set_state(m_pPlayer, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        m_bEnded = true; // the first poll reports the end, as for a track that would not start
    m_bStarted = true;
    m_bAtStart = false;
    m_timer.start();
    m_nState = Playing;
}

void NativeAudioPlayerInternal::pause()
{
    if (!m_pPlayer)
        return;
    gst_element_set_state(m_pPlayer, GST_STATE_PAUSED);
    m_bStarted = false;
    m_nState = Paused;
}

void NativeAudioPlayerInternal::stop()
{
    if (!m_pPlayer)
        return;
    m_timer.stop();
    if (switching()) {
        // The pipeline has moved on to the next song inside: rewinding it would rewind that one. The loaded song
        // starts afresh from its file when played again.
        release();
        m_nState = Stopped;
        return;
    }
    gst_element_set_state(m_pPlayer, GST_STATE_PAUSED);
    // Every song starts with a stop: rewinding a pipeline that has not moved yet would only make it preroll again.
    if (!m_bAtStart)
        gst_element_seek_simple(
            m_pPlayer, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), 0);
    m_bAtStart = true;
    m_bStarted = false;
    m_nState = Stopped;
}

void NativeAudioPlayerInternal::unload()
{
    m_timer.stop();
    release();
    m_nState = Stopped;
}

bool NativeAudioPlayerInternal::hasEnded() const
{
    if (!m_bEnded) {
        GstBus* bus = gst_element_get_bus(m_pPlayer);
        // Drains the bus: everything but the end or an error is of no interest here.
        const auto wanted = GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_STREAM_START);
        GstMessage* message = gst_bus_pop_filtered(bus, wanted);
        while (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_STREAM_START) {
            // Only a song taken over inside the pipeline starts a stream after the loaded one.
            m_bAdvanced = m_bAdvanced || switching();
            gst_message_unref(message);
            message = gst_bus_pop_filtered(bus, wanted);
        }
        if (message) {
            m_bEnded = true;
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
                logError(QString(), message);
                m_bOutputLost = comesFromTheOutput(m_pPlayer, message);
            }
            gst_message_unref(message);
        }
        gst_object_unref(bus);
    }
    return m_bEnded;
}

bool NativeAudioPlayerInternal::isPlaying() const
{
    return m_pPlayer && m_bStarted && !hasEnded();
}

bool NativeAudioPlayerInternal::isPaused() const
{
    return m_nState == Paused;
}

bool NativeAudioPlayerInternal::isStopped() const
{
    return m_nState == Stopped;
}

// A pipeline whose sound output went away is no longer loaded, even before the next tick gives it up: resuming
// it would play into nothing.
bool NativeAudioPlayerInternal::isLoaded() const
{
    return m_pPlayer != nullptr && !(hasEnded() && m_bOutputLost);
}

qint64 NativeAudioPlayerInternal::position() const
{
    gint64 ns = 0;
    if (!m_pPlayer || !gst_element_query_position(m_pPlayer, GST_FORMAT_TIME, &ns) || ns < 0)
        return 0;
    return positionFromSeconds(double(ns) / GST_SECOND);
}

void NativeAudioPlayerInternal::setPosition(qint64 ms)
{
    if (!m_pPlayer)
        return;
    gst_element_seek_simple(m_pPlayer, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
        qMax<qint64>(0, ms) * GST_MSECOND);
    m_bAtStart = false;
}

qint64 NativeAudioPlayerInternal::duration() const
{
    gint64 ns = 0;
    if (!m_pPlayer || !gst_element_query_duration(m_pPlayer, GST_FORMAT_TIME, &ns) || ns < 0)
        return 0;
    return durationFromSeconds(double(ns) / GST_SECOND);
}

void NativeAudioPlayerInternal::setVolume(double volume)
{
    m_fVolume = volume;
    if (m_pPlayer)
        g_object_set(m_pPlayer, "volume", audibleVolume(volume), nullptr);
}

double NativeAudioPlayerInternal::volume() const
{
    return m_fVolume;
}

void NativeAudioPlayerInternal::setBalance(float balance)
{
    m_fBalance = balance;
    if (!m_pPlayer)
        return;
    // A pipeline built at the centre has no panorama stage; the new balance then takes effect with the next file.
    GstElement* filter = nullptr;
    g_object_get(m_pPlayer, "audio-filter", &filter, nullptr);
    if (!filter)
        return;
    if (GstElement* panorama = gst_bin_get_by_name(GST_BIN(filter), "vireo-panorama")) {
        g_object_set(panorama, "panorama", gfloat(qBound(-1.0f, balance, 1.0f)), nullptr);
        gst_object_unref(panorama);
    }
    gst_object_unref(filter);
}

const SongTags& NativeAudioPlayerInternal::tags() const
{
    return m_tags;
}

void NativeAudioPlayerInternal::slotReadTags()
{
    readTags();
}

void NativeAudioPlayerInternal::readTags()
{
    // Once the next song is taken, the tags that come are its own, while the loaded one still sounds.
    if (switching())
        return;
    SongTags tags;
    GstTagList* list = nullptr;
    if (m_pPlayer)
        g_signal_emit_by_name(m_pPlayer, "get-audio-tags", 0, &list);
    if (list) {
        tags = songTags(list);
        gst_tag_list_unref(list);
    }
    if (tags == m_tags)
        return;
    m_tags = tags;
    emit tagsChanged();
}

bool NativeAudioPlayerInternal::switching() const
{
    const QMutexLocker lock(&m_nextMutex);
    return m_bSwitching;
}

void NativeAudioPlayerInternal::slotPositionChanged()
{
    if (!m_pPlayer)
        return;
    const bool playing = isPlaying();
    if (m_bAdvanced) {
        m_bAdvanced = false;
        {
            const QMutexLocker lock(&m_nextMutex);
            m_bSwitching = false;
        }
        readTags();
        emit advanced();
    }
    if (playing) {
        emit positionChanged(position());
        return;
    }
    if (m_nState == Stopped || m_nState == Paused)
        return;
    // Started, and no longer playing: the track has run to its end, or the sound output went away under it (the
    // sound server restarted, say). The latter is no end of the song: the next start tries the output again.
    m_timer.stop();
    release();
    if (m_bOutputLost) {
        m_bOutputLost = false;
        m_nState = Stopped;
        emit outputFailed();
        return;
    }
    emit finished();
}

} // namespace QzMultiMedia
