#include "GstSupport_linux.h"

#include "MediaCommon.h"
#include "QzMultiMediaLogging.h"
#include "TempoStage_linux.h"

#include <QFile>
#include <QFileInfo>

#include <gst/base/gstbasetransform.h>
#include <gst/gst.h>

#include <atomic>
#include <cmath>

#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace QzMultiMedia::GstSupport {

namespace {

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

    // Music only: playbin pairs every video decoder with every video sink on its first song, which took a fifth of
    // the start to sound, and a video stream beside the sound (Theora in an Ogg file) brought up a video output
    // the player never shows, one of which crashed the program on a machine without a display. Out of the choice,
    // such a stream is left undecoded and the sound plays.
    GList* factories = gst_registry_get_feature_list(registry, GST_TYPE_ELEMENT_FACTORY);
    for (GList* item = factories; item; item = item->next) {
        auto* factory = GST_ELEMENT_FACTORY(item->data);
        const gchar* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
        if (klass && (strstr(klass, "Video") || strstr(klass, "Image")) && !strstr(klass, "Audio"))
            gst_plugin_feature_set_rank(GST_PLUGIN_FEATURE(factory), GST_RANK_NONE);
    }
    gst_plugin_feature_list_free(factories);
}

// How much sound the output holds ahead of the ear. GStreamer's 200 ms suits a call; music only needs to never
// run dry. Twice that halves how often the sound server asks for more, and a third of the CPU playback costs
// goes with it. Pausing and stopping stay immediate: the server drops what it holds.
constexpr gint64 OutputBufferUs = 400000;

constexpr const char* DeviceKey = "vireo-device";

bool isServerSink(GstElement* element)
{
    GstElementFactory* factory = gst_element_get_factory(element);
    return factory && g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "pulsesink");
}

// The device chosen for the output, kept on the output's outermost bin; null for the server's choice.
const gchar* chosenDevice(GstElement* element)
{
    for (GstObject* object = GST_OBJECT(element); object; object = GST_OBJECT_PARENT(object)) {
        if (const auto* device = static_cast<const gchar*>(g_object_get_data(G_OBJECT(object), DeviceKey)))
            return *device ? device : nullptr;
    }
    return nullptr;
}

// autoaudiosink picks the real output when it starts; it is set up as it joins.
void bufferGenerously(GstBin*, GstElement* element, gpointer)
{
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "buffer-time"))
        g_object_set(element, "buffer-time", OutputBufferUs, nullptr);
    if (isServerSink(element))
        g_object_set(element, "device", chosenDevice(element), nullptr);
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

// decodebin's GstAutoplugSelectResult, whose header is not installed.
enum AutoplugSelect : gint { AutoplugTry = 0, AutoplugSkip = 2 };

gint refuseAdaptiveForFiles(GstElement* uriDecodeBin, GstPad*, GstCaps*, GstElementFactory* factory, gpointer)
{
    const gchar* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    if (!klass || !strstr(klass, "Adaptive"))
        return AutoplugTry;
    gchar* uri = nullptr;
    g_object_get(uriDecodeBin, "uri", &uri, nullptr);
    const bool stream = uri && (gst_uri_has_protocol(uri, "http") || gst_uri_has_protocol(uri, "https"));
    if (!stream)
        qCDebug(lcMultiMedia) << "not following a streaming manifest inside a local file:" << uri;
    g_free(uri);
    return stream ? AutoplugTry : AutoplugSkip;
}

// Each song's decoding bin is set up as playbin adds it, before it looks at a byte of the song.
void watchDecoding(GstElement*, GstElement* element, gpointer)
{
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory && g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "uridecodebin"))
        g_signal_connect(element, "autoplug-select", G_CALLBACK(refuseAdaptiveForFiles), nullptr);
}

QString tagString(const GstTagList* list, const char* tag)
{
    gchar* value = nullptr;
    if (!gst_tag_list_get_string(list, tag, &value))
        return QString();
    // Four bytes a character at most: what is cut off here is past the length kept anyway (a few more
    // characters are kept, so that oneLine() sees the text is too long and says so).
    constexpr size_t Kept = 4 * SongTags::MaxLength + 4;
    const QString text = QString::fromUtf8(value, strlen(value) > Kept ? qsizetype(Kept) : -1);
    g_free(value);
    return SongTags::oneLine(text);
}

} // namespace

void ensureGstreamer()
{
    // The first use may come from the warm-up thread and the user interface's thread at once: a function-local
    // static is initialised only once.
    static const bool initialized = [] {
        initGstreamer();
        return true;
    }();
    Q_UNUSED(initialized);
}

void loadCommonPlugins()
{
    ensureGstreamer();
    for (const char* name : { "coreelements", "playback", "typefindfunctions", "autodetect", "pulseaudio", "volume",
             "audioconvert", "audioresample", "audioparsers", "id3demux", "mpg123", "ogg", "vorbis", "flac" }) {
        if (GstPlugin* plugin = gst_plugin_load_by_name(name))
            gst_object_unref(plugin);
    }
}

GstElement* holdSoundServerLoop()
{
    GstElement* sink = gst_element_factory_make("pulsesink", nullptr);
    if (sink) {
        gst_object_ref_sink(sink);
        gst_element_set_state(sink, GST_STATE_READY);
    }
    return sink;
}

void releaseSoundServerLoop(GstElement* hold)
{
    if (!hold)
        return;
    gst_element_set_state(hold, GST_STATE_NULL);
    gst_object_unref(hold);
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

namespace {

// rgvolume forgets the gains it was told only at the end of a stream, which a song taken over without a gap never
// sends: the next song kept the gains of the one before (an untagged song after a +8 dB one played 8 dB too loud,
// a song without an album gain took the album gain before). Each song after the first is therefore preceded by an
// end of stream that reaches rgvolume and goes no further; the new song's start then opens its pads again.
struct GainReset
{
    GstElement* level = nullptr; // rgvolume, owned by the filter
    std::atomic<guint32> seqnum { GST_SEQNUM_INVALID };
};

GstPadProbeReturn forgetGainsAtNewSong(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_STREAM_START)
        return GST_PAD_PROBE_OK;
    auto* reset = static_cast<GainReset*>(data);
    GstPad* sink = gst_element_get_static_pad(reset->level, "sink");
    if (GstEvent* before = gst_pad_get_sticky_event(sink, GST_EVENT_STREAM_START, 0)) {
        gst_event_unref(before);
        GstEvent* end = gst_event_new_eos();
        reset->seqnum = gst_event_get_seqnum(end);
        gst_pad_send_event(sink, end);
    }
    gst_object_unref(sink);
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn keepTheResetInside(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    const auto* reset = static_cast<const GainReset*>(data);
    if (GST_EVENT_TYPE(event) == GST_EVENT_EOS && gst_event_get_seqnum(event) == reset->seqnum)
        return GST_PAD_PROBE_DROP;
    return GST_PAD_PROBE_OK;
}

void resetGainsAtEachSong(GstElement* filter)
{
    GstElement* level = gst_bin_get_by_name(GST_BIN(filter), "vireo-gain");
    if (!level)
        return;
    auto* reset = new GainReset;
    reset->level = level;
    g_object_set_data_full(G_OBJECT(filter), "vireo-gain-reset", reset, [](gpointer data) {
        auto* reset = static_cast<GainReset*>(data);
        gst_object_unref(reset->level);
        delete reset;
    });
    GstPad* in = gst_element_get_static_pad(filter, "sink");
    GstPad* out = gst_element_get_static_pad(level, "src");
    gst_pad_add_probe(in, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, forgetGainsAtNewSong, reset, nullptr);
    gst_pad_add_probe(out, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, keepTheResetInside, reset, nullptr);
    gst_object_unref(in);
    gst_object_unref(out);
}

// Debian ships it with the good plugins; a system without them plays on without an equalizer.
bool hasEqualizer()
{
    static const bool found = hasElement("equalizer-10bands", "the equalizer is not offered");
    return found;
}

} // namespace

bool hasElement(const char* name, const char* without)
{
    GstElementFactory* factory = gst_element_factory_find(name);
    if (!factory) {
        qCWarning(lcMultiMedia) << "no" << name << ":" << without;
        return false;
    }
    gst_object_unref(factory);
    return true;
}

void chooseOutputDevice(GstElement* output, const QByteArray& device, const QByteArray& now)
{
    g_object_set_data_full(G_OBJECT(output), DeviceKey, g_strdup(device.constData()), g_free);
    if (!GST_IS_BIN(output))
        return;
    GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(output));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        if (isServerSink(element)) {
            // Told a device while it plays, the sink moves its stream there; told none afterwards, it keeps the
            // stream where it is and lets the server place the next one.
            if (!now.isEmpty())
                g_object_set(element, "device", now.constData(), nullptr);
            g_object_set(element, "device", device.isEmpty() ? nullptr : device.constData(), nullptr);
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(elements);
}

GstElement* makeFilter(const SoundStages& stages)
{
    QByteArray description;
    if (stages.gain != ReplayGain::Off)
        description += "rgvolume name=vireo-gain ! rglimiter ! ";
    if (stages.balance != 0.0f)
        description += "audioconvert ! audiopanorama name=vireo-panorama ! ";
    if (hasEqualizer())
        description += "audioconvert ! equalizer-10bands name=vireo-equalizer ! ";
    description += TempoStage_linux::description();
    if (description.isEmpty())
        return nullptr;
    description += "audioconvert";
    GError* error = nullptr;
    GstElement* filter = gst_parse_bin_from_description(description.constData(), TRUE, &error);
    if (error) {
        qCWarning(lcMultiMedia) << "no sound stages:" << error->message;
        g_error_free(error);
    }
    if (filter) {
        resetGainsAtEachSong(filter);
        TempoStage_linux::attach(filter);
        setFilter(filter, stages);
    }
    return filter;
}

bool setFilter(GstElement* filter, const SoundStages& stages)
{
    GstElement* level = gst_bin_get_by_name(GST_BIN(filter), "vireo-gain");
    const bool hasLevel = level;
    if (level) {
        // A settings file may say anything: what is no level in decibels (NaN, infinities) is no change. rgvolume
        // raises nothing above full scale without headroom, assuming a song without tags peaks there: the headroom
        // lets the pre-amp's rise through, and the limiter after it keeps the peaks from clipping.
        const double untagged = std::isfinite(stages.untaggedDb) ? qBound(-20.0, stages.untaggedDb, 20.0) : 0.0;
        g_object_set(level, "album-mode", gboolean(stages.gain == ReplayGain::Album), "fallback-gain", untagged,
            "headroom", qMax(0.0, untagged), nullptr);
        gst_object_unref(level);
    }
    GstElement* panorama = gst_bin_get_by_name(GST_BIN(filter), "vireo-panorama");
    const bool hasPanorama = panorama;
    if (panorama) {
        g_object_set(panorama, "panorama", gfloat(qBound(-1.0f, stages.balance, 1.0f)), nullptr);
        gst_object_unref(panorama);
    }
    GstElement* equalizer = gst_bin_get_by_name(GST_BIN(filter), "vireo-equalizer");
    const bool hasEqualizerStage = equalizer;
    if (equalizer) {
        bool flat = true;
        for (int band = 0; band < EqualizerBands; ++band) {
            const QByteArray name = "band" + QByteArray::number(band);
            const double db = qBound(-24.0, stages.equalizer.at(size_t(band)), 12.0);
            g_object_set(equalizer, name.constData(), db, nullptr);
            flat = flat && db == 0.0;
        }
        // The element decides whether it passes the sound untouched when it starts, not when its bands change
        // while it plays: told here, a preset chosen during a song is heard at once, and Off costs nothing.
        gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(equalizer), flat);
        gst_object_unref(equalizer);
    }
    const bool hasTempo = TempoStage_linux::setSpeed(filter, stages.speed);
    // A level stage left in while ReplayGain is off would still apply the tags.
    return (hasTempo || !TempoStage_linux::isAvailable()) && hasLevel == (stages.gain != ReplayGain::Off)
        && (hasPanorama || stages.balance == 0.0f) && (hasEqualizerStage || !hasEqualizer());
}

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

bool isInside(GstObject* source, GstElement* container)
{
    return container && source
        && (source == GST_OBJECT(container) || gst_object_has_as_ancestor(source, GST_OBJECT(container)));
}

// Of the pictures a file may hold, the cover comes first; a preview stands in for a file that has only that.
SongTags songTags(const GstTagList* list, bool station)
{
    SongTags tags;
    tags.title = tagString(list, GST_TAG_TITLE);
    if (station && tags.title.isEmpty())
        tags.title = tagString(list, GST_TAG_ORGANIZATION);
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

void keepFilesOffTheNetwork(GstElement* playbin)
{
    g_signal_connect(playbin, "element-setup", G_CALLBACK(watchDecoding), nullptr);
}

QByteArray playableUri(const QString& fileName)
{
    // A stream is opened by its address, on the pipeline's threads: nothing here waits for the network.
    if (MediaCommon::isStream(QUrl(fileName, QUrl::StrictMode))) {
        ensureGstreamer();
        return fileName.toUtf8();
    }
    // By its bytes: a name that is not UTF-8 comes as an address, which a QFileInfo would misread.
    const QByteArray path = MediaCommon::fileBytes(fileName);
    struct stat status = {};
    if (!path.startsWith('/') || ::stat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode)
        || ::access(path.constData(), R_OK) != 0)
        return QByteArray();
    ensureGstreamer();
    gchar* text = gst_filename_to_uri(path.constData(), nullptr);
    const QByteArray uri(text);
    g_free(text);
    return uri;
}

} // namespace QzMultiMedia::GstSupport
