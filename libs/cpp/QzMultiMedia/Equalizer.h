#pragma once

#include <array>

namespace QzMultiMedia {

// The equalizer's presets: Off leaves the sound as it is, the others shape it in ten bands (29 Hz to 15 kHz, an
// octave apart), none raising a band so far that an ordinary master clips.
enum class Equalizer { Off, BassBoost, TrebleBoost, Rock, Pop, Jazz, Classical, Vocal };
constexpr int EqualizerPresets = 8;
constexpr int EqualizerBands = 10;

using EqualizerGains = std::array<double, EqualizerBands>;

// Decibels for each band, lowest first.
constexpr EqualizerGains equalizerGains(Equalizer preset)
{
    switch (preset) {
    case Equalizer::BassBoost:
        return { 6, 5, 4, 2, 0, 0, 0, 0, 0, 0 };
    case Equalizer::TrebleBoost:
        return { 0, 0, 0, 0, 0, 1, 2, 4, 5, 6 };
    case Equalizer::Rock:
        return { 4, 3, 2, 0, -1, -1, 0, 2, 3, 4 };
    case Equalizer::Pop:
        return { -1, 0, 2, 3, 4, 3, 2, 0, -1, -1 };
    case Equalizer::Jazz:
        return { 3, 2, 1, 2, -1, -1, 0, 1, 2, 3 };
    case Equalizer::Classical:
        return { 0, 0, 0, 0, 0, 0, -2, -3, -3, -4 };
    case Equalizer::Vocal:
        return { -2, -2, -1, 1, 3, 4, 3, 1, 0, -1 };
    case Equalizer::Off:
        break;
    }
    return {};
}

} // namespace QzMultiMedia
