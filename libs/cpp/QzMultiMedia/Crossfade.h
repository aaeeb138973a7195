#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace QzMultiMedia {

class NativeAudioPlayer;

// One song leaving while the next comes in, each on a player of its own: over the fade the leaving one is lowered
// to nothing and the coming one raised to the user's volume, at equal power (the sum sounds as loud throughout).
// At the end the leaving player is given up. The coming one may join a fade that runs (a song chosen while the
// one before fades out).
class Crossfade : public QObject
{
    Q_OBJECT

public:
    explicit Crossfade(QObject* parent = nullptr);

    // Starts a fade of ms from `leaving` to `coming` (either may be null) at the user's volume; a fade that runs
    // ends first.
    void start(NativeAudioPlayer* coming, NativeAudioPlayer* leaving, double volume, int ms);
    bool isActive() const;
    // The volume the fade leads to, while it runs.
    double volume() const;
    // Ends the fade at once: the leaving player is given up, the coming one sounds at the volume.
    void finish();

private:
    void step();

    QPointer<NativeAudioPlayer> m_pComing;
    QPointer<NativeAudioPlayer> m_pLeaving;
    double m_fVolume = 0.0;
    int m_nSteps = 0;
    int m_nStep = 0;
    QTimer m_timer;
};

} // namespace QzMultiMedia
