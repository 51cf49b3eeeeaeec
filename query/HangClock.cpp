#include "query/HangClock.h"

#include <algorithm>
#include <limits>

namespace brv::query {

namespace {

constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();

uint64_t Since(uint64_t nowMs, uint64_t thenMs) {
    return nowMs > thenMs ? nowMs - thenMs : 0;
}

uint64_t Ms(unsigned seconds) {
    return static_cast<uint64_t>(seconds) * 1000;
}

} // namespace

HangClock::HangClock(const WatchdogTimes& times, uint64_t startMs) : m_times(times), m_startMs(startMs) {}

uint64_t HangClock::IntervalMs() const {
    // An interval of 0 would flood the server; one second is the floor.
    return std::max<uint64_t>(Ms(m_times.queryIntervalSeconds), 1000);
}

uint64_t HangClock::NextQueryMs() const {
    return m_lastSentMs ? *m_lastSentMs + IntervalMs() : m_startMs;
}

bool HangClock::QueryDue(uint64_t nowMs) const {
    return nowMs >= NextQueryMs();
}

void HangClock::QuerySent(uint64_t nowMs) {
    m_lastSentMs = nowMs;
    if (!m_firstUnansweredMs) {
        m_firstUnansweredMs = nowMs;
    }
}

void HangClock::Answered(uint64_t nowMs) {
    m_lastAnswerMs = nowMs;
    m_firstUnansweredMs.reset();
}

uint64_t HangClock::HungAtMs() const {
    if (!m_firstUnansweredMs) {
        return kNever;
    }
    // Every query gets its grace, whatever the settings say.
    uint64_t graceEnd = *m_firstUnansweredMs + kReplyGraceMs;
    if (EverAnswered()) {
        return std::max(graceEnd, *m_firstUnansweredMs + Ms(m_times.hangSeconds));
    }
    return std::max(graceEnd, m_startMs + Ms(m_times.startSeconds));
}

bool HangClock::Hung(uint64_t nowMs) const {
    return nowMs >= HungAtMs();
}

bool HangClock::Silent(uint64_t nowMs) const {
    return m_firstUnansweredMs && Since(nowMs, *m_firstUnansweredMs) >= kReplyGraceMs;
}

uint64_t HangClock::SecondsSinceLastAnswer(uint64_t nowMs) const {
    return Since(nowMs, m_lastAnswerMs.value_or(m_startMs)) / 1000;
}

uint64_t HangClock::MsUntilNextQuery(uint64_t nowMs) const {
    return Since(NextQueryMs(), nowMs);
}

uint64_t HangClock::MsUntilNextEvent(uint64_t nowMs) const {
    return Since(std::min(NextQueryMs(), HungAtMs()), nowMs);
}

} // namespace brv::query
