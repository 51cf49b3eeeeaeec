#include "query/WatchdogCore.h"

#include "framework/Text.h"

#include <algorithm>
#include <set>

namespace brv::query {

namespace {

// Digits only, no sign, no blanks, at most `max`.
std::optional<uint32_t> Number(const std::wstring& text, uint32_t max) {
    const std::optional<uint64_t> value = DigitsValue(text, max);
    return value ? std::optional<uint32_t>(static_cast<uint32_t>(*value)) : std::nullopt;
}

std::optional<uint32_t> DottedIp(const std::wstring& text) {
    uint32_t ip = 0;
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t dot = part < 3 ? text.find(L'.', at) : text.size();
        if (dot == std::wstring::npos) {
            return std::nullopt;
        }
        const auto value = Number(text.substr(at, dot - at), 255);
        if (!value || dot - at > 3) {
            return std::nullopt;
        }
        ip = ip << 8 | *value;
        at = dot + 1;
    }
    return ip;
}

} // namespace

std::optional<QueryAddress> QueryAddressOf(const std::wstring& ip, const std::wstring& port) {
    const auto portNumber = Number(port, 65535);
    if (!portNumber || *portNumber == 0) {
        return std::nullopt;
    }
    const auto address = ip.empty() ? std::optional<uint32_t>(0) : DottedIp(ip);
    if (!address) {
        return std::nullopt;
    }
    return QueryAddress{*address == 0 ? kLoopbackIp : *address, static_cast<uint16_t>(*portNumber)};
}

void WatchdogCore::SetTimes(const WatchdogTimes& times, bool hangCheck) {
    m_hangCheck = hangCheck;
    if (times.queryIntervalSeconds == m_times.queryIntervalSeconds &&
        times.hangSeconds == m_times.hangSeconds && times.startSeconds == m_times.startSeconds) {
        return;
    }
    m_times = times;
    for (auto& [key, entry] : m_entries) {
        entry.watch.SetTimes(times);
    }
}

void WatchdogCore::Sync(const std::vector<ProcessKey>& running, const std::vector<ServerSeen>& fresh,
                        const std::vector<PendingSeen>& pending, uint64_t nowMs) {
    m_pending = pending;
    const std::set<ProcessKey> present(running.begin(), running.end());
    std::erase_if(m_entries, [&present](const auto& entry) { return present.count(entry.first) == 0; });
    for (const ServerSeen& s : fresh) {
        if (Tracks(s.key) || present.count(s.key) == 0) {
            continue;
        }
        m_entries.emplace(
            s.key, Entry{s, QueryAddressOf(s.ip, s.port), ServerWatch(m_times, nowMs), nowMs, m_nextOrder++});
    }
}

std::vector<Outgoing> WatchdogCore::TakeDueQueries(uint64_t nowMs) {
    std::vector<Outgoing> out;
    for (auto& [key, entry] : m_entries) {
        if (!entry.address || entry.ending) {
            continue;
        }
        const uint64_t early = std::min(kBatchMs, entry.watch.Clock().IntervalMs() / 10);
        if (auto packet = entry.watch.TakeDueRequest(nowMs, early)) {
            out.push_back({*entry.address, std::move(*packet)});
        }
    }
    return out;
}

bool WatchdogCore::OnDatagram(const QueryAddress& from, std::span<const unsigned char> packet,
                              uint64_t nowMs) {
    for (auto& [key, entry] : m_entries) {
        if (entry.address == from && !entry.ending) {
            return entry.watch.OnDatagram(packet, nowMs);
        }
    }
    return false;
}

std::vector<HungServer> WatchdogCore::TakeHung(uint64_t nowMs) {
    std::vector<HungServer> hung;
    if (!m_hangCheck) {
        return hung;
    }
    for (auto& [key, entry] : m_entries) {
        if (entry.ending || nowMs < entry.retryEndMs || !entry.watch.Hung(nowMs)) {
            continue;
        }
        entry.ending = true;
        hung.push_back({key, entry.watch.Clock().SecondsSinceLastAnswer(nowMs)});
    }
    return hung;
}

void WatchdogCore::EndFailed(const ProcessKey& key, uint64_t nowMs) {
    auto it = m_entries.find(key);
    if (it != m_entries.end()) {
        it->second.ending = false;
        it->second.retryEndMs =
            nowMs + std::max<uint64_t>(uint64_t{m_times.queryIntervalSeconds} * 1000, 1000);
    }
}

std::optional<uint64_t> WatchdogCore::MsUntilNextEvent(uint64_t nowMs) const {
    std::optional<uint64_t> next;
    auto take = [&next](uint64_t ms) { next = next ? std::min(*next, ms) : ms; };
    for (const auto& [key, entry] : m_entries) {
        if (!entry.address || entry.ending) {
            continue;
        }
        if (entry.watch.RepeatDue()) {
            take(0);
        }
        const HangClock& clock = entry.watch.Clock();
        if (!m_hangCheck) {
            take(clock.MsUntilNextQuery(nowMs));
        } else if (nowMs < entry.retryEndMs) {
            take(std::min(clock.MsUntilNextQuery(nowMs), entry.retryEndMs - nowMs));
        } else {
            take(clock.MsUntilNextEvent(nowMs));
        }
    }
    return next;
}

std::vector<std::pair<std::wstring, bool>> WatchdogCore::Verdicts(uint64_t nowMs) const {
    std::vector<std::pair<std::wstring, bool>> verdicts;
    for (const auto& [key, entry] : m_entries) {
        const ServerState state = entry.watch.Row(nowMs, false).state;
        if (state == ServerState::Running || state == ServerState::NotResponding) {
            verdicts.emplace_back(entry.seen.serverKey, state == ServerState::Running);
        }
    }
    return verdicts;
}

std::vector<StatusEntry> WatchdogCore::Status(uint64_t nowMs) const {
    std::vector<const Entry*> ordered;
    for (const auto& [key, entry] : m_entries) {
        ordered.push_back(&entry);
    }
    std::sort(ordered.begin(), ordered.end(),
              [](const Entry* a, const Entry* b) { return a->order < b->order; });
    std::vector<StatusEntry> rows;
    for (const Entry* e : ordered) {
        const StatusRow row = e->watch.Row(nowMs, false);
        StatusEntry entry;
        entry.title = e->seen.title;
        entry.state = row.state;
        entry.stateText = row.stateText;
        entry.pid = e->seen.key.pid;
        entry.uptimeSeconds = (nowMs > e->trackedMs ? nowMs - e->trackedMs : 0) / 1000;
        entry.players = row.players;
        entry.map = row.map;
        if (const auto& info = e->watch.LastInfo()) {
            entry.game = FromUtf8(info->folder);
            entry.bots = info->bots;
        }
        entry.queryRoundTripMs = e->watch.RoundTripMs();
        rows.push_back(std::move(entry));
    }
    for (const PendingSeen& p : m_pending) {
        StatusEntry row;
        row.title = p.title;
        row.state = ServerState::WaitingRestart;
        row.stateText = StateText(row.state);
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace brv::query
