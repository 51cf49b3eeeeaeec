#include "framework/UiQueue.h"

#include <utility>

namespace brv {

UiQueue::UiQueue(std::function<bool()> nudge) : m_nudge(std::move(nudge)) {}

bool UiQueue::TakeNudge() {
    if (m_nudged || m_tasks.empty()) {
        return false;
    }
    m_nudged = true;
    return true;
}

void UiQueue::SendNudge() {
    if (m_nudge && m_nudge()) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nudged = false; // the next Post asks again
}

bool UiQueue::Post(Task task) {
    bool nudge = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed) {
            return false;
        }
        m_tasks.push_back(std::move(task));
        nudge = TakeNudge();
    }
    if (nudge) {
        SendNudge();
    }
    return true;
}

size_t UiQueue::Drain() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nudged = false; // what is posted from now on asks for a drain of its own
    }
    size_t ran = 0;
    size_t queued = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        queued = m_tasks.size();
    }
    // Only what was queued when the drain began: a steady stream of posts (a crash storm) must not
    // keep the window thread from its messages. What came meanwhile has nudged a drain of its own.
    for (;;) {
        Task task;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_tasks.empty() || ran == queued) {
                break;
            }
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        try {
            if (task) {
                task();
            }
        } catch (...) {
            Nudge();
            throw;
        }
        ++ran;
    }
    Nudge(); // nothing is left behind unasked
    return ran;
}

void UiQueue::Nudge() {
    bool nudge = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        nudge = !m_closed && TakeNudge();
    }
    if (nudge) {
        SendNudge();
    }
}

void UiQueue::Close() {
    std::deque<Task> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        dropped.swap(m_tasks);
    }
    // Destroyed outside the lock: a task's captured values may be anything.
}

size_t UiQueue::Pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_tasks.size();
}

} // namespace brv
