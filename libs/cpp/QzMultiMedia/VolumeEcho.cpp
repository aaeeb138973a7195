#include "VolumeEcho.h"

#include <QElapsedTimer>

#include <algorithm>

namespace QzMultiMedia {

namespace {

constexpr qint64 EchoMs = 2000; // how long after the program set a volume its echoes may come
constexpr qint64 SettleMs = 1500; // how long a new stream may tell its own first volume
constexpr int Remembered = 64;

qint64 monotonicMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

} // namespace

VolumeEcho::VolumeEcho(Clock clock)
    : m_clock(clock ? std::move(clock) : Clock(monotonicMs))
{ }

void VolumeEcho::noteSet(double amplitude)
{
    const qint64 now = m_clock();
    if (m_nLastSet < 0 || now - m_nLastSet >= EchoMs)
        m_listSet.clear();
    m_nLastSet = now;
    m_listSet.append(amplitude);
    if (m_listSet.size() > Remembered)
        m_listSet.removeFirst();
}

void VolumeEcho::noteStreamStarted()
{
    m_nStreamStarted = m_clock();
}

bool VolumeEcho::isListening() const
{
    return m_nStreamStarted >= 0 && m_clock() - m_nStreamStarted >= SettleMs;
}

bool VolumeEcho::isOwnEcho(double amplitude) const
{
    return m_nLastSet >= 0 && m_clock() - m_nLastSet < EchoMs
        && std::any_of(
            m_listSet.cbegin(), m_listSet.cend(), [amplitude](double set) { return qAbs(set - amplitude) < 0.0005; });
}

} // namespace QzMultiMedia
