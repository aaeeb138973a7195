#include "StreamReconnection.h"

#include <QTimer>

#include <iterator>
#include <utility>

namespace QzMultiMedia {

namespace {

// In seconds: 123 in all.
constexpr int Pauses[] = { 1, 1, 2, 2, 4, 8, 15, 15, 15, 15, 15, 15, 15 };
constexpr int Tries = int(std::size(Pauses));

} // namespace

StreamReconnection::StreamReconnection(QObject* parent, int secondMs)
    : QObject(parent)
    , m_nSecondMs(secondMs)
{ }

void StreamReconnection::reset()
{
    endWait();
    m_nTries = 0;
    m_bOutage = false;
}

bool StreamReconnection::schedule(bool reconnectable)
{
    if (!reconnectable || m_nTries >= Tries) {
        setWaiting(false);
        if (std::exchange(m_bOutage, false))
            emit ended(false);
        return false;
    }
    // Read at each pause, so that a test may shorten it whenever it likes.
    const int secondMs = m_nSecondMs > 0 ? m_nSecondMs
        : qEnvironmentVariableIsSet("VIREO_RECONNECT_SECOND_MS")
        ? qMax(1, qEnvironmentVariableIntValue("VIREO_RECONNECT_SECOND_MS"))
        : 1000;
    const int pauseMs = Pauses[m_nTries++] * secondMs;
    m_bOutage = true;
    setWaiting(true);
    QTimer::singleShot(pauseMs, this, [this, wait = ++m_nWait] {
        if (wait == m_nWait && m_bWaiting)
            emit due();
    });
    return true;
}

void StreamReconnection::heard()
{
    setWaiting(false);
    if (!std::exchange(m_bOutage, false))
        return;
    m_nTries = 0;
    emit ended(true);
}

void StreamReconnection::endWait()
{
    ++m_nWait;
    setWaiting(false);
}

void StreamReconnection::retryNow()
{
    ++m_nWait;
}

bool StreamReconnection::isWaiting() const
{
    return m_bWaiting;
}

bool StreamReconnection::isRetrying() const
{
    return m_nTries > 0;
}

void StreamReconnection::setWaiting(bool on)
{
    if (std::exchange(m_bWaiting, on) != on)
        emit waitingChanged();
}

} // namespace QzMultiMedia
