#include "query/ServerWatch.h"

#include <algorithm>

namespace brv::query {

ServerWatch::ServerWatch(const WatchdogTimes& times, uint64_t startMs) : m_clock(times, startMs) {}

Bytes ServerWatch::Request() const {
    return m_challenge ? BuildInfoRequest(*m_challenge) : BuildInfoRequest();
}

std::optional<Bytes> ServerWatch::TakeDueRequest(uint64_t nowMs, uint64_t earlyMs) {
    if (m_clock.QueryDue(nowMs + earlyMs)) {
        m_clock.QuerySent(nowMs);
        m_outstandingMs = nowMs;
        m_challenges = 0;
        m_lateRepeat = false;
        m_repeatDue = false;
        return Request();
    }
    if (m_repeatDue) {
        // The same question again: the hang clock goes on counting from the first one.
        m_repeatDue = false;
        m_outstandingMs = nowMs;
        return Request();
    }
    return std::nullopt;
}

bool ServerWatch::OnDatagram(std::span<const unsigned char> packet, uint64_t nowMs) {
    Reply reply = ParseReply(packet);
    if (reply.kind == ReplyKind::None) {
        return false;
    }
    const bool asked = m_outstandingMs && nowMs >= *m_outstandingMs &&
                       nowMs - *m_outstandingMs <= std::min(kAnswerWindowMs, m_clock.IntervalMs());
    if (!asked) {
        // Perhaps a server that runs again after a stall: ask it now rather than an interval later.
        if (m_outstandingMs && !m_lateRepeat && !m_repeatDue) {
            m_lateRepeat = true;
            m_repeatDue = true;
        }
        return false;
    }
    switch (reply.kind) {
    case ReplyKind::None:
        return false;
    case ReplyKind::Challenge:
        if (m_challenges >= kChallengesPerQuery) {
            return false;
        }
        ++m_challenges;
        m_challenge = reply.challenge;
        m_repeatDue = true;
        return false;
    case ReplyKind::Info:
    case ReplyKind::OldInfo:
        break;
    }
    m_clock.Answered(nowMs);
    m_roundTripMs = nowMs - *m_outstandingMs;
    m_outstandingMs.reset();
    m_repeatDue = false;
    m_info = std::move(reply.info);
    return true;
}

StatusRow ServerWatch::Row(uint64_t nowMs, bool waitingRestart) const {
    return DescribeStatus(m_clock, m_info, waitingRestart, nowMs);
}

} // namespace brv::query
