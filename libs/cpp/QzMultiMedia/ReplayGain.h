#pragma once

namespace QzMultiMedia {

// How the files' ReplayGain tags level the sound: not at all, each song to the same loudness, or each album
// (its songs keep their loudness to one another).
enum class ReplayGain { Off, Track, Album };

} // namespace QzMultiMedia
