#pragma once
// How other threads hand work to a window's thread. A poster queues a task, with the values it needs
// captured by copy, in the queue the window owns, and nudges the window with one message that carries
// nothing; the window thread runs what is queued. So no window message ever names memory: a nudge
// sent by another program finds an empty queue, or runs what was queued a moment sooner.
//
// Use: the window owns one UiQueue, built with a nudge that posts its "look" message, and calls Drain
// when that message comes; other threads call Post. Tasks run on the window thread only, in the order
// they were posted, and may touch the window's controls.
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace brv {

class UiQueue {
public:
    using Task = std::function<void()>;

    // `nudge` asks the window thread to call Drain soon (posts the look message) and says whether it
    // could; it is called outside the queue's lock, at most once per drain unless it failed.
    explicit UiQueue(std::function<bool()> nudge);
    UiQueue(const UiQueue&) = delete;
    UiQueue& operator=(const UiQueue&) = delete;

    // Any thread. False when the queue is closed (the task is dropped). A failed nudge is tried again
    // by the next Post or Nudge; the task waits meanwhile.
    bool Post(Task task);
    // The window thread: runs the tasks queued when it began (those posted meanwhile wait for the drain
    // they nudged, so the window's own messages come between), one at a time, so a task that opens a modal
    // box (whose loop may drain again) leaves the rest to run in order. A task that throws leaves the rest
    // queued and nudged again; the exception goes on to the caller. Returns the tasks run.
    size_t Drain();
    // Asks for a drain now when tasks wait (the window has just come into being).
    void Nudge();
    // The window is going: queued tasks are dropped and new ones refused.
    void Close();
    size_t Pending() const;

private:
    bool TakeNudge(); // under the lock: whether this caller should nudge
    void SendNudge();

    std::function<bool()> m_nudge;
    mutable std::mutex m_mutex; // guards everything below
    std::deque<Task> m_tasks;
    bool m_nudged = false; // a look message is on its way
    bool m_closed = false;
};

} // namespace brv
