#pragma once
// One server under the query watchdog: its hang clock, the query it waits an answer for, the challenge
// it asked for and what it last told about itself. The caller owns the socket and the clock; this
// decides what to send and what an answer means.
//
// Only an answer to a question counts: a reply is read while a query to the server is outstanding
// (sent, not yet answered, within the grace a server on this machine needs to answer), so a datagram
// nobody asked for proves nothing. A challenge ('A') proves nothing on its own either: it is answered at
// once with the query carrying its bytes, and only the full answer that follows counts. A reply that
// comes late (a server that stalled answers the queries waiting in its socket when it runs again) asks
// the question again at once, once per interval: only the prompt answer to that counts.
#include "query/HangClock.h"
#include "query/InfoQuery.h"
#include "query/StatusRow.h"

#include <cstdint>
#include <optional>
#include <span>

namespace brv::query {

class ServerWatch {
public:
    ServerWatch(const WatchdogTimes& times, uint64_t startMs);

    // The request to send now, when one is due: the query of the interval (counted as sent) or the
    // repeat of an outstanding one that a challenge asked for. It carries the server's last challenge,
    // if it gave one. `earlyMs`: a query due that much later goes now.
    std::optional<Bytes> TakeDueRequest(uint64_t nowMs, uint64_t earlyMs = 0);
    // A challenge wants its repeat of the query sent now.
    bool RepeatDue() const { return m_repeatDue; }
    // One datagram that came from the server's own address and port. True when it proves the server
    // alive; anything else changes nothing (a challenge only schedules the repeat).
    bool OnDatagram(std::span<const unsigned char> packet, uint64_t nowMs);

    bool Hung(uint64_t nowMs) const { return m_clock.Hung(nowMs); }
    void SetTimes(const WatchdogTimes& times) { m_clock.SetTimes(times); }
    StatusRow Row(uint64_t nowMs, bool waitingRestart) const;
    const HangClock& Clock() const { return m_clock; }
    const std::optional<ServerInfo>& LastInfo() const { return m_info; }
    // From the last request sent to the reply that answered it.
    std::optional<uint64_t> RoundTripMs() const { return m_roundTripMs; }

    // A server that changes its challenge under a query gets this many repeats of it.
    static constexpr unsigned kChallengesPerQuery = 2;
    // How long a query waits for its answer (never past the next query).
    static constexpr uint64_t kAnswerWindowMs = HangClock::kReplyGraceMs;

private:
    Bytes Request() const;

    HangClock m_clock;
    std::optional<uint64_t> m_outstandingMs; // when the query waiting for its answer went out
    unsigned m_challenges = 0;               // taken for the outstanding query
    bool m_lateRepeat = false;               // a late reply has asked again in this interval
    bool m_repeatDue = false;
    std::optional<Challenge> m_challenge;
    std::optional<ServerInfo> m_info;
    std::optional<uint64_t> m_roundTripMs;
};

} // namespace brv::query
