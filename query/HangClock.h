#pragma once
// When to query one server and when its silence means that it hangs. Times are milliseconds on one
// monotonic clock (the caller's, e.g. GetTickCount64), so the verdict is tested without waiting.
//
// The silence is counted from the first query that went unanswered, not from the last answer: a
// server that stalls for less than HangSeconds answers the queries that waited in its socket as soon as
// it runs again, so it is never judged hung however its stall falls between two queries. A hang is then
// found at most HangSeconds + QueryInterval after it began.
#include <cstdint>
#include <optional>

namespace brv::query {

struct WatchdogTimes {
    unsigned queryIntervalSeconds = 10;
    unsigned hangSeconds = 60;
    unsigned startSeconds = 300; // a server that never answered is given this long to load its map
};

class HangClock {
public:
    HangClock(const WatchdogTimes& times, uint64_t startMs);

    // A query is due at the start and then every QueryInterval.
    bool QueryDue(uint64_t nowMs) const;
    void QuerySent(uint64_t nowMs);
    // A full answer to one of its queries.
    void Answered(uint64_t nowMs);

    // Answered once, then the oldest unanswered query is HangSeconds old; or never answered,
    // StartSeconds have passed since the start and a query is still unanswered.
    bool Hung(uint64_t nowMs) const;
    // A query has gone unanswered for longer than a healthy server takes (kReplyGraceMs).
    bool Silent(uint64_t nowMs) const;
    bool EverAnswered() const { return m_lastAnswerMs.has_value(); }
    // Whole seconds since the last answer, or since the start when there was none.
    uint64_t SecondsSinceLastAnswer(uint64_t nowMs) const;
    // How long until a query is due or the verdict may change; the bound of the caller's wait.
    uint64_t MsUntilNextEvent(uint64_t nowMs) const;

    const WatchdogTimes& Times() const { return m_times; }
    // Settings saved meanwhile: the clock goes on from what it has seen, judged by the new times.
    void SetTimes(const WatchdogTimes& times) { m_times = times; }
    // How long until the next query is due (0 when it is due now).
    uint64_t MsUntilNextQuery(uint64_t nowMs) const;
    // The spacing of queries: QueryInterval, never under one second.
    uint64_t IntervalMs() const;

    // A server on this machine answers within milliseconds; a busy one gets this much.
    static constexpr uint64_t kReplyGraceMs = 2000;

private:
    uint64_t HungAtMs() const; // when Hung becomes true if nothing is answered before
    uint64_t NextQueryMs() const;

    WatchdogTimes m_times;
    uint64_t m_startMs;
    std::optional<uint64_t> m_lastSentMs;
    std::optional<uint64_t> m_firstUnansweredMs; // the first query sent since the last answer
    std::optional<uint64_t> m_lastAnswerMs;
};

} // namespace brv::query
