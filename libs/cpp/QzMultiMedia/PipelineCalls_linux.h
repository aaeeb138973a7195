#pragma once

#include <QtGlobal>

#include <gst/gst.h>

#include <functional>

namespace QzMultiMedia {

// Calls on the pipeline that may wait on another process, made on a thread of their own, one after the other in
// the order asked.
//
// A sink that opens, closes or pauses its stream, flushes it for a seek or is asked for its volume waits for the
// sound server's answer, for as long as a stopped server keeps it waiting. The caller, the user interface's
// thread, waits for a call a quarter of a second at most; a call that takes longer goes on without it, and the
// calls asked meanwhile are queued behind it without any wait, until it has ended. As long as every call ends at
// once, which is always but with a server that hangs, the calls are as if made by the caller itself.
class PipelineCalls_linux
{
public:
    // Runs `call`; true when it ended within the wait. A call that may outlive the wait holds what it needs.
    static bool run(std::function<void()> call);
    // What gst_element_set_state() answered; GST_STATE_CHANGE_ASYNC for a move that had not ended in time.
    static GstStateChangeReturn setState(GstElement* element, GstState state);
    // A flushing, accurate seek to `ms`, the pipeline ending at `stopMs` as at the file's end (-1: plays on to the
    // file's end). The flush empties the sink's stream on the sound server: a seek still under way when the wait
    // ends counts as made.
    static bool seek(GstElement* pipeline, qint64 ms, qint64 stopMs);
    // Calls asked for have not all ended: the elements' own states do not say all that was asked of them yet.
    static bool busy();
};

} // namespace QzMultiMedia
