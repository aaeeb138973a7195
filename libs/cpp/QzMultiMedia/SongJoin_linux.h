#pragma once

#include <atomic>

typedef struct _GstElement GstElement;

namespace QzMultiMedia {

// A song taken over starts with a buffer marked as a break in the stream, and the output then places it by its
// timestamp, which after pauses and seeks can lie a few milliseconds off the end of the song before: a gap, or the
// song's start cut. Watching the output's input, this takes the mark off the first buffer of each song after the
// first, so that the output joins it to what it holds.
class SongJoin_linux
{
public:
    void attach(GstElement* output);
    // A new song is loaded; no streaming thread runs now.
    void reset();

private:
    std::atomic<bool> m_bStreamSeen { false }; // the output had a stream since the last load
    std::atomic<bool> m_bJoinNext { false }; // the next buffer starts a song taken over

    friend struct SongJoinProbe;
};

} // namespace QzMultiMedia
