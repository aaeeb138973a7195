#include "NativeAudioPlayerInternal.h"

#include <cmath>

namespace QzMultiMedia {

qint64 NativeAudioPlayerInternal::positionFromSeconds(double seconds)
{
    return std::lround(float(seconds * 1000.0));
}

qint64 NativeAudioPlayerInternal::durationFromSeconds(double seconds)
{
    return qint64(seconds * 1000.0);
}

// A volume outside 0…1 (a damaged settings file, a caller's slip) must never blast the speakers.
double NativeAudioPlayerInternal::audibleVolume(double volume)
{
    return std::isfinite(volume) ? qBound(0.0, volume, 1.0) : 0.5;
}

} // namespace QzMultiMedia
