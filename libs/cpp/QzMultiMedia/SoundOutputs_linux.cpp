#include "SoundOutputs.h"

#include "GstSupport_linux.h"
#include "QzMultiMediaLogging.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <gst/gst.h>

#include <algorithm>

namespace QzMultiMedia {

struct SoundOutputs::Monitor
{
    GstDeviceMonitor* monitor = nullptr;
};

namespace {

// The bus of the device monitor speaks on GStreamer's threads; the list is read again on the user interface's.
GstBusSyncReply deviceMessage(GstBus*, GstMessage* message, gpointer owner)
{
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_DEVICE_ADDED || type == GST_MESSAGE_DEVICE_REMOVED || type == GST_MESSAGE_DEVICE_CHANGED) {
        QPointer<SoundOutputs> outputs(static_cast<SoundOutputs*>(owner));
        QMetaObject::invokeMethod(
            static_cast<SoundOutputs*>(owner),
            [outputs] {
                if (outputs)
                    emit outputs->changed();
            },
            Qt::QueuedConnection);
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

// The sound server's own name for a device, which its sink element takes as "device"; devices of other kinds
// (an ALSA card the server holds anyway) have none and are not offered.
QString serverName(GstDevice* device)
{
    if (!g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name"))
        return QString();
    gchar* name = nullptr;
    g_object_get(device, "internal-name", &name, nullptr);
    const QString id = QString::fromUtf8(name);
    g_free(name);
    return id;
}

} // namespace

SoundOutputs* SoundOutputs::instance()
{
    static QPointer<SoundOutputs> s_outputs;
    if (!s_outputs)
        s_outputs = new SoundOutputs(QCoreApplication::instance());
    return s_outputs;
}

SoundOutputs::SoundOutputs(QObject* parent)
    : QObject(parent)
{
    connect(this, &SoundOutputs::changed, this, &SoundOutputs::refresh);
}

SoundOutputs::~SoundOutputs()
{
    if (!m_pMonitor)
        return;
    GstBus* bus = gst_device_monitor_get_bus(m_pMonitor->monitor);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_device_monitor_stop(m_pMonitor->monitor);
    gst_object_unref(m_pMonitor->monitor);
    delete m_pMonitor;
}

void SoundOutputs::watch()
{
    if (m_pMonitor)
        return;
    GstSupport::ensureGstreamer();
    m_pMonitor = new Monitor;
    m_pMonitor->monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(m_pMonitor->monitor, "Audio/Sink", nullptr);
    GstBus* bus = gst_device_monitor_get_bus(m_pMonitor->monitor);
    gst_bus_set_sync_handler(bus, deviceMessage, this, nullptr);
    gst_object_unref(bus);
    if (!gst_device_monitor_start(m_pMonitor->monitor))
        qCWarning(lcMultiMedia) << "the sound outputs cannot be watched";
    refresh();
}

void SoundOutputs::refresh()
{
    if (!m_pMonitor)
        return;
    QList<Output> outputs;
    GList* devices = gst_device_monitor_get_devices(m_pMonitor->monitor);
    for (GList* item = devices; item; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        const QString id = serverName(device);
        gchar* name = gst_device_get_display_name(device);
        gboolean isDefault = FALSE;
        if (GstStructure* properties = gst_device_get_properties(device)) {
            gst_structure_get_boolean(properties, "is-default", &isDefault);
            gst_structure_free(properties);
        }
        if (!id.isEmpty()
            && std::none_of(outputs.cbegin(), outputs.cend(), [&id](const Output& o) { return o.id == id; }))
            outputs.append({ id, QString::fromUtf8(name), bool(isDefault) });
        g_free(name);
    }
    g_list_free_full(devices, gst_object_unref);
    m_listOutputs = outputs;
}

QList<SoundOutputs::Output> SoundOutputs::outputs()
{
    watch();
    return m_listOutputs;
}

} // namespace QzMultiMedia
