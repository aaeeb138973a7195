#include "SongJoin_linux.h"

#include <gst/gst.h>

namespace QzMultiMedia {

// Runs on a streaming thread.
struct SongJoinProbe
{
    static GstPadProbeReturn run(GstPad*, GstPadProbeInfo* info, gpointer data)
    {
        auto* join = static_cast<SongJoin_linux*>(data);
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) == GST_EVENT_STREAM_START)
                join->m_bJoinNext = join->m_bStreamSeen.exchange(true);
            else if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP)
                join->m_bJoinNext = false;
            return GST_PAD_PROBE_OK;
        }
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (buffer && join->m_bJoinNext.exchange(false) && GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DISCONT)) {
            buffer = gst_buffer_make_writable(buffer);
            GST_BUFFER_FLAG_UNSET(buffer, GST_BUFFER_FLAG_DISCONT);
            GST_PAD_PROBE_INFO_DATA(info) = buffer;
        }
        return GST_PAD_PROBE_OK;
    }
};

void SongJoin_linux::attach(GstElement* output)
{
    GstPad* pad = gst_element_get_static_pad(output, "sink");
    if (!pad)
        return;
    gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        SongJoinProbe::run, this, nullptr);
    gst_object_unref(pad);
}

void SongJoin_linux::reset()
{
    m_bStreamSeen = false;
    m_bJoinNext = false;
}

} // namespace QzMultiMedia
