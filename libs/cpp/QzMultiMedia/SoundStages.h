#pragma once

#include "Equalizer.h"
#include "ReplayGain.h"

namespace QzMultiMedia {

// How much slower and faster than recorded a song can be played.
constexpr double SlowestSpeed = 0.5;
constexpr double FastestSpeed = 2.0;

// What the stages between the decoder and the output do to the sound: the place between the speakers (-1 left …
// 1 right), ReplayGain (and the decibels added to songs without its tags), the equalizer's bands and the speed
// (1 as recorded; the pitch stays).
struct SoundStages
{
    float balance = 0.0f;
    ReplayGain gain = ReplayGain::Off;
    double untaggedDb = 0.0;
    EqualizerGains equalizer {};
    double speed = 1.0;
};

} // namespace QzMultiMedia
