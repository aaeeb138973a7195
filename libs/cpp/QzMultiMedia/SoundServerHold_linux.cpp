#include "SoundServerHold_linux.h"

#include "GstSupport_linux.h"

#include <QThread>

#include <utility>

namespace QzMultiMedia {

QThread* SoundServerHold_linux::s_pWarmUp = nullptr;
std::atomic<GstElement*> SoundServerHold_linux::s_pWarmUpHold { nullptr };

SoundServerHold_linux::~SoundServerHold_linux()
{
    release();
}

void SoundServerHold_linux::warmUp()
{
    if (s_pWarmUp)
        return;
    s_pWarmUp = QThread::create([] {
        GstSupport::loadCommonPlugins();
        s_pWarmUpHold = GstSupport::holdSoundServerLoop();
    });
    s_pWarmUp->start(QThread::LowPriority);
}

QThread* SoundServerHold_linux::warmingUp()
{
    return s_pWarmUp && !s_pWarmUp->isFinished() ? s_pWarmUp : nullptr;
}

void SoundServerHold_linux::waitForWarmUp()
{
    if (s_pWarmUp)
        s_pWarmUp->wait();
}

void SoundServerHold_linux::adoptWarmUp()
{
    GstElement* made = s_pWarmUpHold.exchange(nullptr);
    if (m_pHold)
        GstSupport::releaseSoundServerLoop(made);
    else
        m_pHold = made;
}

void SoundServerHold_linux::hold()
{
    adoptWarmUp();
    if (!m_pHold)
        m_pHold = GstSupport::holdSoundServerLoop();
}

void SoundServerHold_linux::release()
{
    GstSupport::releaseSoundServerLoop(std::exchange(m_pHold, nullptr));
    GstSupport::releaseSoundServerLoop(s_pWarmUpHold.exchange(nullptr));
}

} // namespace QzMultiMedia
