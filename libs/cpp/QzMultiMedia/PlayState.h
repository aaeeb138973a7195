#pragma once

namespace QzMultiMedia {

// What the player is doing, kept in one place and observed by the icon, the desktop's remote controls and the
// notifications alike.
enum class PlayState {
    Empty, // nothing was ever loaded
    Stopped, // a song is loaded and stands at its beginning
    Playing,
    Paused,
    Ended, // the song played to its end and nothing followed; it is no longer loaded
    Failed, // the song cannot be played, or no sound output can be opened
};

} // namespace QzMultiMedia
