#include "WheelVolume.h"

#include "AudioListPlayer.h"

#include <QTimer>

#include <utility>

using QzMultiMedia::AudioListPlayer;

void WheelVolume::turn(int angle)
{
    m_nRest = qBound(-20 * 120, m_nRest + angle, 20 * 120);
    if (std::exchange(m_bPending, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_bPending = false;
        const int steps = m_nRest / 120;
        m_nRest -= steps * 120;
        AudioListPlayer* player = AudioListPlayer::instance();
        if (steps)
            player->setVolume(player->volume() + 0.05 * steps);
    });
}
