#pragma once

#include <QObject>

// Turns of the wheel over the icon, as the player's volume: five percent a step, as sound applets do. A notch of
// the wheel is 120; touchpads send it in smaller parts, which add up. A burst of turns (thousands of Scroll calls
// from a host, a spun wheel) moves the volume to its end and no further, and changes it once, on the next turn of
// the event loop: one change announced over MPRIS and written to the settings, not thousands.
class WheelVolume : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    void turn(int angle);

private:
    int m_nRest = 0; // movement not yet worth a step
    bool m_bPending = false; // turns came that the next turn of the event loop applies
};
