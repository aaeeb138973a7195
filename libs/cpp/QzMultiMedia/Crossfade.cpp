#include "Crossfade.h"

#include "NativeAudioPlayer.h"

#include <cmath>

namespace QzMultiMedia {

namespace {
constexpr int StepMs = 25;
} // namespace

Crossfade::Crossfade(QObject* parent)
    : QObject(parent)
{
    m_timer.setInterval(StepMs);
    connect(&m_timer, &QTimer::timeout, this, &Crossfade::step);
}

void Crossfade::start(NativeAudioPlayer* coming, NativeAudioPlayer* leaving, double volume, int ms)
{
    finish();
    m_pComing = coming;
    m_pLeaving = leaving;
    m_fVolume = volume;
    m_nStep = 0;
    m_nSteps = qMax(1, ms / StepMs);
    if (m_pComing)
        m_pComing->setVolume(0.0);
    m_timer.start();
}

bool Crossfade::isActive() const
{
    return m_timer.isActive();
}

double Crossfade::volume() const
{
    return m_fVolume;
}

void Crossfade::step()
{
    if (++m_nStep >= m_nSteps) {
        finish();
        return;
    }
    const double along = M_PI_2 * m_nStep / m_nSteps;
    if (m_pComing)
        m_pComing->setVolume(m_fVolume * std::sin(along));
    if (m_pLeaving)
        m_pLeaving->setVolume(m_fVolume * std::cos(along));
}

void Crossfade::finish()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    if (m_pLeaving) {
        m_pLeaving->unload();
        m_pLeaving->setVolume(m_fVolume);
    }
    if (m_pComing)
        m_pComing->setVolume(m_fVolume);
    m_pComing = nullptr;
    m_pLeaving = nullptr;
}

} // namespace QzMultiMedia
