#include "BorderWatch_linux.h"

#include <gst/gst.h>

#include <utility>

namespace QzMultiMedia {

namespace {

using Ticket = std::pair<BorderWatch_linux*, quint64>;

} // namespace

BorderWatch_linux::BorderWatch_linux(QObject* parent)
    : QObject(parent)
{ }

BorderWatch_linux::~BorderWatch_linux()
{
    cancel();
}

bool BorderWatch_linux::watch(GstElement* pipeline, qint64 runMs, double speed)
{
    cancel();
    GstState current = GST_STATE_VOID_PENDING;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(pipeline, &current, &pending, 0);
    GstClock* clock = gst_element_get_clock(pipeline);
    if (current != GST_STATE_PLAYING || pending != GST_STATE_VOID_PENDING || !clock) {
        if (clock)
            gst_object_unref(clock);
        return false;
    }
    const GstClockTime heard
        = gst_element_get_base_time(pipeline) + GstClockTime(double(qMax<qint64>(0, runMs)) * GST_MSECOND / speed);
    m_pWait = gst_clock_new_single_shot_id(clock, heard);
    gst_object_unref(clock);
    gst_clock_id_wait_async(
        m_pWait,
        [](GstClock*, GstClockTime, GstClockID, gpointer data) -> gboolean {
            const auto [self, watch] = *static_cast<Ticket*>(data);
            QMetaObject::invokeMethod(
                self,
                [self = self, watch = watch] {
                    if (watch != self->m_nWatch || !self->m_pWait)
                        return;
                    gst_clock_id_unref(std::exchange(self->m_pWait, nullptr));
                    emit self->reached();
                },
                Qt::QueuedConnection);
            return TRUE;
        },
        new Ticket(this, m_nWatch), [](gpointer data) { delete static_cast<Ticket*>(data); });
    return true;
}

void BorderWatch_linux::cancel()
{
    ++m_nWatch;
    if (!m_pWait)
        return;
    gst_clock_id_unschedule(m_pWait);
    gst_clock_id_unref(std::exchange(m_pWait, nullptr));
}

bool BorderWatch_linux::isWatching() const
{
    return m_pWait != nullptr;
}

} // namespace QzMultiMedia
