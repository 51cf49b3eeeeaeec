#include "notify/NotifyLimiter.h"

namespace brv {

bool NotifyLimiter::Offer(const Notice& notice, NoticeKind kind, uint64_t nowMs) {
    Server& s = m_servers[notice.key];
    if (kind == NoticeKind::Event) {
        if (s.inLoop || !Free(s, nowMs)) {
            return false;
        }
    } else {
        const bool starts = kind == NoticeKind::LoopStart;
        if (s.inLoop == starts) {
            return false; // a second start, or an end without a start
        }
        s.inLoop = starts;
        if (!Free(s, nowMs)) {
            // Shown when the minute is over; an end that comes first takes the start's place.
            s.waiting = notice;
            return false;
        }
        s.waiting.reset();
    }
    s.shown = true;
    s.lastShownMs = nowMs;
    return true;
}

std::vector<Notice> NotifyLimiter::TakeDue(uint64_t nowMs) {
    std::vector<Notice> due;
    for (auto it = m_servers.begin(); it != m_servers.end();) {
        Server& s = it->second;
        if (s.waiting && Free(s, nowMs)) {
            due.push_back(std::move(*s.waiting));
            s.waiting.reset();
            s.shown = true;
            s.lastShownMs = nowMs;
        }
        // Servers with nothing to remember are dropped, so the map does not grow with old servers.
        const bool idle = !s.inLoop && !s.waiting && Free(s, nowMs);
        it = idle ? m_servers.erase(it) : std::next(it);
    }
    return due;
}

std::optional<uint64_t> NotifyLimiter::NextDueIn(uint64_t nowMs) const {
    std::optional<uint64_t> best;
    for (const auto& [key, s] : m_servers) {
        if (s.waiting) {
            const uint64_t due = s.lastShownMs + m_perServerMs;
            const uint64_t left = due > nowMs ? due - nowMs : 0;
            if (!best || left < *best) {
                best = left;
            }
        }
    }
    return best;
}

} // namespace brv
