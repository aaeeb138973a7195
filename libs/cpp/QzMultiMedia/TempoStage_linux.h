#pragma once

typedef struct _GstElement GstElement;

namespace QzMultiMedia {

// The stage that plays songs faster or slower with their pitch kept: GStreamer's scaletempo, which stretches
// the sound by the rate of the segment it is told. The pipeline's own segments keep the rate of 1 it was
// sought at; a probe before the stage tells it the speed instead, song after song, so that a speed holds across
// songs taken over without a gap and needs no seek of the user's. A new speed reaches the song that plays with
// the next flushing seek.
class TempoStage_linux
{
public:
    // scaletempo is there (the good plugins): a speed other than 1 can be heard.
    static bool isAvailable();
    // The part of a filter's description that holds the stage, empty without scaletempo.
    static const char* description();
    // Prepares the stage inside a filter made from description(); nothing for a filter without it.
    static void attach(GstElement* filter);
    // The speed the stage plays the next segment at (SlowestSpeed to FastestSpeed); false when the filter has no such
    // stage.
    static bool setSpeed(GstElement* filter, double speed);
};

} // namespace QzMultiMedia
