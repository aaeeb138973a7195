#include "PipelineSound_linux.h"

#include "GstSupport_linux.h"
#include "NativeAudioPlayerInternal.h"
#include "PipelineCalls_linux.h"
#include "PipelineDriver_linux.h"
#include "TempoStage_linux.h"

#include <gst/gst.h>

#include <cmath>
#include <memory>

namespace QzMultiMedia {

PipelineSound_linux::PipelineSound_linux(const PipelineDriver_linux& driver, QObject* parent)
    : QObject(parent)
    , m_driver(driver)
{ }

void PipelineSound_linux::setVolume(double volume)
{
    if (std::isnan(volume))
        return;
    m_fVolume = qBound(0.0, volume, 1.0);
    if (m_driver.pipeline())
        applyVolume();
}

double PipelineSound_linux::volume() const
{
    return m_fVolume;
}

void PipelineSound_linux::streamStarts()
{
    applyVolume();
    m_volumeEcho.noteStreamStarted();
}

// The sink's stream volume is asked of the sound server on the way.
void PipelineSound_linux::applyVolume()
{
    const double linear = NativeAudioPlayerInternal::audibleVolume(m_fVolume);
    m_volumeEcho.noteSet(linear);
    GstElement* player = GST_ELEMENT(gst_object_ref(m_driver.pipeline()));
    PipelineCalls_linux::run([player, linear] {
        g_object_set(player, "volume", linear, nullptr);
        gst_object_unref(player);
    });
}

// A volume the sound server tells that the program did not set is someone else's, once the stream has settled.
// Before, it is the server's own (PipeWire's session manager puts the volume it keeps for the program on a new
// stream after the program's): the program's volume is put back.
void PipelineSound_linux::volumeNotified(bool playing)
{
    if (!m_driver.pipeline() || !playing)
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
    if (!m_volumeEcho.isListening()) {
        applyVolume();
        return;
    }
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

void PipelineSound_linux::setBalance(float balance)
{
    m_stages.balance = balance;
    m_bFilterStale = true;
    updateFilter();
}

void PipelineSound_linux::setReplayGain(ReplayGain gain, double untaggedDb)
{
    m_stages.gain = gain;
    m_stages.untaggedDb = untaggedDb;
    m_bFilterStale = true;
    updateFilter();
}

void PipelineSound_linux::setEqualizer(const EqualizerGains& gains)
{
    m_stages.equalizer = gains;
    m_bFilterStale = true;
    updateFilter();
}

// A radio plays as it comes: faster it would run dry, slower it would fall ever further behind its server.
double PipelineSound_linux::heardFor(bool stream) const
{
    return stream || !TempoStage_linux::isAvailable() ? 1.0 : m_fSpeed;
}

bool PipelineSound_linux::setSpeed(double speed, bool stream)
{
    if (std::isnan(speed))
        return false;
    m_fSpeed = qBound(SlowestSpeed, speed, FastestSpeed);
    const double heard = heardFor(stream);
    if (!m_driver.pipeline() || std::exchange(m_stages.speed, heard) == heard)
        return false;
    m_bFilterStale = true;
    updateFilter();
    return true;
}

double PipelineSound_linux::speed() const
{
    return m_fSpeed;
}

double PipelineSound_linux::heardSpeed() const
{
    return m_stages.speed;
}

void PipelineSound_linux::pipelineMade()
{
    m_bFilterStale = true;
    updateFilter();
}

void PipelineSound_linux::songSetIn(bool stream)
{
    const double heard = heardFor(stream);
    if (std::exchange(m_stages.speed, heard) != heard)
        m_bFilterStale = true;
    updateFilter();
}

void PipelineSound_linux::updateFilter()
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

} // namespace QzMultiMedia
