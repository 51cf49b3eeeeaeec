#pragma once
// One server under the query watchdog: its hang clock, the challenge it asked for and what it last
// told about itself. The caller owns the socket and the clock; this decides what to send and what an
// answer means.
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

    // The request to send now, when one is due (and then counted as sent). It carries the challenge
    // of the server's last 'A' reply, if it gave one.
    std::optional<Bytes> TakeDueRequest(uint64_t nowMs);
    // One datagram that came from the server's own address and port. True when it proves the server
    // alive; anything else changes nothing.
    bool OnDatagram(std::span<const unsigned char> packet, uint64_t nowMs);

    bool Hung(uint64_t nowMs) const { return m_clock.Hung(nowMs); }
    void SetTimes(const WatchdogTimes& times) { m_clock.SetTimes(times); }
    StatusRow Row(uint64_t nowMs, bool waitingRestart) const;
    const HangClock& Clock() const { return m_clock; }
    const std::optional<ServerInfo>& LastInfo() const { return m_info; }
    // From the last request sent to the reply that answered it.
    std::optional<uint64_t> RoundTripMs() const { return m_roundTripMs; }

private:
    HangClock m_clock;
    std::optional<Challenge> m_challenge;
    std::optional<ServerInfo> m_info;
    std::optional<uint64_t> m_sentMs; // the request not answered yet
    std::optional<uint64_t> m_roundTripMs;
};

} // namespace brv::query
