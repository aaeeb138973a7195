#pragma once

#include "Equalizer.h"
#include "ReplayGain.h"

namespace QzMultiMedia {

// What the stages between the decoder and the output do to the sound: the place between the speakers (-1 left …
// 1 right), ReplayGain (and the decibels added to songs without its tags) and the equalizer's bands.
struct SoundStages
{
    float balance = 0.0f;
    ReplayGain gain = ReplayGain::Off;
    double untaggedDb = 0.0;
    EqualizerGains equalizer {};
};

} // namespace QzMultiMedia
