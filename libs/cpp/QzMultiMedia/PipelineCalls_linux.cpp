#include "PipelineCalls_linux.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace QzMultiMedia {

namespace {

constexpr std::chrono::milliseconds LongestWait { 250 };

struct Call
{
    std::function<void()> work;
    bool done = false;
};

// The thread lives as long as the process: at the end it may still wait on a server that never answers, and the
// process does not wait for it.
class Worker
{
public:
    static Worker& instance()
    {
        static Worker* s_pWorker = new Worker;
        return *s_pWorker;
    }

    bool run(std::function<void()> work)
    {
        auto call = std::make_shared<Call>(Call { std::move(work) });
        std::unique_lock<std::mutex> lock(m_mutex);
        // A call that hangs holds up the caller once: the calls behind it are only queued.
        const bool hanging = m_bBusy && std::chrono::steady_clock::now() - m_busySince >= LongestWait;
        m_calls.push_back(call);
        m_asked.notify_all();
        if (!hanging)
            m_ended.wait_for(lock, LongestWait, [&call] { return call->done; });
        return call->done;
    }

    bool busy()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_bBusy || !m_calls.empty();
    }

private:
    Worker()
    {
        std::thread([this] { serve(); }).detach();
    }

    void serve()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_asked.wait(lock, [this] { return !m_calls.empty(); });
            const std::shared_ptr<Call> call = m_calls.front();
            m_calls.pop_front();
            m_bBusy = true;
            m_busySince = std::chrono::steady_clock::now();
            lock.unlock();
            call->work();
            call->work = nullptr; // what it held goes now, on this thread
            lock.lock();
            call->done = true;
            m_bBusy = false;
            m_ended.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_asked; // a call was asked for
    std::condition_variable m_ended; // a call has ended
    std::deque<std::shared_ptr<Call>> m_calls;
    bool m_bBusy = false; // a call runs, since m_busySince
    std::chrono::steady_clock::time_point m_busySince;
};

} // namespace

bool PipelineCalls_linux::run(std::function<void()> call)
{
    return Worker::instance().run(std::move(call));
}

bool PipelineCalls_linux::busy()
{
    return Worker::instance().busy();
}

GstStateChangeReturn PipelineCalls_linux::setState(GstElement* element, GstState state)
{
    auto answer = std::make_shared<GstStateChangeReturn>(GST_STATE_CHANGE_ASYNC);
    gst_object_ref(element);
    const bool ended = run([element, state, answer] {
        *answer = gst_element_set_state(element, state);
        gst_object_unref(element);
    });
    return ended ? *answer : GST_STATE_CHANGE_ASYNC;
}

bool PipelineCalls_linux::seek(GstElement* pipeline, qint64 ms, qint64 stopMs)
{
    auto made = std::make_shared<bool>(true);
    GstElement* held = GST_ELEMENT(gst_object_ref(pipeline));
    const bool ended = run([held, made, ms, stopMs] {
        *made = gst_element_seek(held, 1.0, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
            GST_SEEK_TYPE_SET, qMax<qint64>(0, ms) * GST_MSECOND, GST_SEEK_TYPE_SET,
            stopMs < 0 ? GST_CLOCK_TIME_NONE : GstClockTime(stopMs) * GST_MSECOND);
        gst_object_unref(held);
    });
    return !ended || *made;
}

} // namespace QzMultiMedia
