#include "query/ServerWatch.h"

namespace brv::query {

ServerWatch::ServerWatch(const WatchdogTimes& times, uint64_t startMs) : m_clock(times, startMs) {}

std::optional<Bytes> ServerWatch::TakeDueRequest(uint64_t nowMs) {
    if (!m_clock.QueryDue(nowMs)) {
        return std::nullopt;
    }
    m_clock.QuerySent(nowMs);
    m_sentMs = nowMs;
    return m_challenge ? BuildInfoRequest(*m_challenge) : BuildInfoRequest();
}

bool ServerWatch::OnDatagram(std::span<const unsigned char> packet, uint64_t nowMs) {
    Reply reply = ParseReply(packet);
    if (!reply.Alive()) {
        return false;
    }
    m_clock.Answered(nowMs);
    if (m_sentMs && nowMs >= *m_sentMs) {
        m_roundTripMs = nowMs - *m_sentMs;
        m_sentMs.reset();
    }
    if (reply.kind == ReplyKind::Challenge) {
        m_challenge = reply.challenge;
    } else {
        m_info = std::move(reply.info);
    }
    return true;
}

StatusRow ServerWatch::Row(uint64_t nowMs, bool waitingRestart) const {
    return DescribeStatus(m_clock, m_info, waitingRestart, nowMs);
}

} // namespace brv::query
