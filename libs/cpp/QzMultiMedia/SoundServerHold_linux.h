#pragma once

#include <atomic>

typedef struct _GstElement GstElement;
class QThread;

namespace QzMultiMedia {

// A player's hold on the sound server's client loop (see GstSupport::holdSoundServerLoop), and the warm-up that
// makes the first one before any song is asked for: connecting to the sound server takes a round trip or two, and
// the first song's output finds it made.
class SoundServerHold_linux
{
public:
    SoundServerHold_linux() = default;
    SoundServerHold_linux(const SoundServerHold_linux&) = delete;
    SoundServerHold_linux& operator=(const SoundServerHold_linux&) = delete;
    ~SoundServerHold_linux();

    // Once per run, on a thread of its own that is never taken down: it ends by itself, and a player waits for it
    // before it goes. It also loads what a first song needs besides the pipeline itself.
    static void warmUp();
    // The warm-up's thread while it runs, else null.
    static QThread* warmingUp();
    static void waitForWarmUp();

    // The connection the warm-up made is this hold from now on, or goes if there is one.
    void adoptWarmUp();
    // The sound server answers: its client loop is held from now on, whatever becomes of the pipeline's sink.
    void hold();
    // The loop also keeps the connections to the sound server: a dead one must go with it, or it would be used
    // again when the server comes back. The warm-up's goes too.
    void release();

private:
    GstElement* m_pHold = nullptr;
    static QThread* s_pWarmUp;
    static std::atomic<GstElement*> s_pWarmUpHold;
};

} // namespace QzMultiMedia
