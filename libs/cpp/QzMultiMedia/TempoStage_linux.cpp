#include "TempoStage_linux.h"

#include "GstSupport_linux.h"
#include "SoundStages.h"

#include <QtGlobal>

#include <gst/gst.h>

#include <atomic>

namespace QzMultiMedia {

namespace {

constexpr const char* StageName = "vireo-tempo";
constexpr const char* HoldKey = "vireo-tempo-hold";

// What the probe knows, on the streaming thread, besides the speed the engine sets from its own.
struct TempoHold
{
    std::atomic<double> speed { 1.0 };
    bool running = false; // a segment went by since the last flush
    guint64 inBase = 0; // the last segment's running-time base as the pipeline said it, at the rate of 1
    guint64 outBase = 0; // the same base as told to the stage, in the time the listener hears
    double lastSpeed = 1.0; // the speed the last segment was told
};

// Each segment is told the speed. Its base, where it starts in running time, was counted by the pipeline at the
// rate of 1: a song taken over after one heard at twice the speed would otherwise wait in silence for the time it
// did not take. The base is carried over in the time heard.
GstPadProbeReturn tellSpeed(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* hold = static_cast<TempoHold*>(data);
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
        hold->running = false;
        return GST_PAD_PROBE_OK;
    }
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT)
        return GST_PAD_PROBE_OK;
    GstSegment segment;
    gst_event_copy_segment(event, &segment);
    if (segment.format != GST_FORMAT_TIME || segment.rate <= 0.0)
        return GST_PAD_PROBE_OK;
    const double speed = hold->speed.load();
    const guint64 base = hold->running && segment.base >= hold->inBase
        ? hold->outBase + guint64(double(segment.base - hold->inBase) / hold->lastSpeed)
        : segment.base;
    hold->running = true;
    hold->inBase = segment.base;
    hold->outBase = base;
    hold->lastSpeed = speed;
    if (segment.rate == speed && segment.base == base)
        return GST_PAD_PROBE_OK;
    segment.rate = speed;
    segment.base = base;
    GstEvent* told = gst_event_new_segment(&segment);
    gst_event_set_seqnum(told, gst_event_get_seqnum(event));
    gst_event_unref(event);
    GST_PAD_PROBE_INFO_DATA(info) = told;
    return GST_PAD_PROBE_OK;
}

} // namespace

bool TempoStage_linux::isAvailable()
{
    static const bool found = GstSupport::hasElement("scaletempo", "songs play at their own speed");
    return found;
}

const char* TempoStage_linux::description()
{
    return isAvailable() ? "audioconvert ! scaletempo name=vireo-tempo ! " : "";
}

void TempoStage_linux::attach(GstElement* filter)
{
    GstElement* stage = gst_bin_get_by_name(GST_BIN(filter), StageName);
    if (!stage)
        return;
    auto* hold = new TempoHold;
    g_object_set_data_full(G_OBJECT(stage), HoldKey, hold, [](gpointer data) { delete static_cast<TempoHold*>(data); });
    GstPad* in = gst_element_get_static_pad(stage, "sink");
    gst_pad_add_probe(in, GstPadProbeType(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
        tellSpeed, hold, nullptr);
    gst_object_unref(in);
    gst_object_unref(stage);
}

bool TempoStage_linux::setSpeed(GstElement* filter, double speed)
{
    GstElement* stage = gst_bin_get_by_name(GST_BIN(filter), StageName);
    if (!stage)
        return false;
    if (auto* hold = static_cast<TempoHold*>(g_object_get_data(G_OBJECT(stage), HoldKey)))
        hold->speed = qBound(SlowestSpeed, speed, FastestSpeed);
    gst_object_unref(stage);
    return true;
}

} // namespace QzMultiMedia
