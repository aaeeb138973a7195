#pragma once

#include <QList>

#include <functional>

namespace QzMultiMedia {

// Tells the volumes the program set from those someone else set on its sound stream (the desktop's
// per-application volume). The sound server echoes every volume the program sets, a moment later and at times
// after the next one (a fade sets many): a volume set in the last two seconds is the program's own. A stream that
// has just been opened tells its own first volume before the program's reaches it: only a stream that has played
// a while is listened to.
class VolumeEcho
{
public:
    // Milliseconds on a clock that never goes back; the default is the system's monotonic clock.
    using Clock = std::function<qint64()>;
    explicit VolumeEcho(Clock clock = {});

    // The program sets this amplitude on its stream.
    void noteSet(double amplitude);
    // The stream starts playing.
    void noteStreamStarted();

    // What the stream tells of its volume now is worth hearing at all.
    bool isListening() const;
    // This amplitude, told by the stream now, is one the program set.
    bool isOwnEcho(double amplitude) const;

private:
    Clock m_clock;
    qint64 m_nLastSet = -1; // when the program last set a volume
    QList<double> m_listSet; // the amplitudes it set in the moments before
    qint64 m_nStreamStarted = -1;
};

} // namespace QzMultiMedia
