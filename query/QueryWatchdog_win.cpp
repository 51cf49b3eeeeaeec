#include "query/QueryWatchdog_win.h"

#include "servers/RestartPolicy.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>
#include <windows.h>

#include <algorithm>

#ifndef WSA_FLAG_NO_HANDLE_INHERIT
#define WSA_FLAG_NO_HANDLE_INHERIT 0x80
#endif
#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

namespace brv {

namespace {

constexpr SOCKET kNoSocket = INVALID_SOCKET;
constexpr uint64_t kPublishEveryMs = 250;
constexpr uint64_t kVerdictsEveryMs = 1000;
constexpr uint64_t kStatusWantedMs = 3000; // a window that asked this long ago still gets lines
constexpr int kMaxReadsPerRound = 4096;    // a flood cannot hold the supervision thread

query::WatchdogTimes TimesOf(const WatchdogSettings& s) {
    return {static_cast<unsigned>(std::max(s.queryInterval, 1)),
            static_cast<unsigned>(std::max(s.hangSeconds, 1)),
            static_cast<unsigned>(std::max(s.startSeconds, 0))};
}

bool IsLoopback(uint32_t ip) {
    return ip >> 24 == 127;
}

// One UDP socket on `address` and a port the system picks, never inherited by a server, whose reads
// do not fail because an earlier query met a closed port, and whose reads signal `event`.
SOCKET OpenSocket(uint32_t address, WSAEVENT event) {
    SOCKET s = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
        s = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, 0);
        if (s == INVALID_SOCKET) {
            return kNoSocket;
        }
        SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    }
    BOOL report = FALSE;
    DWORD returned = 0;
    WSAIoctl(s, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr, nullptr);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(address);
    if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        WSAEventSelect(s, event, FD_READ) != 0) { // also makes it non-blocking
        closesocket(s);
        return kNoSocket;
    }
    return s;
}

} // namespace

QueryWatchdog::QueryWatchdog(ServerTable& table, ServerEvents& events, SettingsSource settings)
    : m_table(table), m_events(events), m_settings(std::move(settings)), m_socket(kNoSocket) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return;
    }
    // Servers on this machine's loopback are asked from a socket on the loopback only: nothing from
    // outside reaches it, so nobody elsewhere can answer for them.
    WSAEVENT event = WSACreateEvent();
    if (event == WSA_INVALID_EVENT) {
        return;
    }
    const SOCKET s = OpenSocket(query::kLoopbackIp, event);
    if (s == kNoSocket) {
        WSACloseEvent(event);
        return;
    }
    m_socket = s;
    m_event = event;
}

uintptr_t QueryWatchdog::SocketFor(uint32_t ip) {
    if (IsLoopback(ip)) {
        return m_socket;
    }
    // A server on another address of this machine: a socket on every address, made when first needed.
    if (m_wideSocket == kNoSocket) {
        m_wideSocket = OpenSocket(INADDR_ANY, static_cast<WSAEVENT>(m_event));
    }
    return m_wideSocket;
}

QueryWatchdog::~QueryWatchdog() {
    if (m_event != nullptr) {
        closesocket(static_cast<SOCKET>(m_socket));
        if (m_wideSocket != kNoSocket) {
            closesocket(static_cast<SOCKET>(m_wideSocket));
        }
        WSACloseEvent(static_cast<WSAEVENT>(m_event));
    }
    WSACleanup();
}

WaitSide QueryWatchdog::Side() {
    if (!Ready()) {
        return {};
    }
    return {m_event, [this] { return Serve(); }};
}

std::optional<uint64_t> QueryWatchdog::Serve() {
    if (!Ready()) {
        return std::nullopt;
    }
    ++m_rounds;
    try {
        const WatchdogSettings settings = m_settings ? m_settings() : WatchdogSettings{};
        m_core.SetTimes(TimesOf(settings), settings.hangCheck);
        uint64_t now = GetTickCount64();
        Sync(now);
        ReadAnswers(now);
        for (const query::HungServer& hung : m_core.TakeHung(now)) {
            EndHung(hung, now);
        }
        SendDue(now);
        TellVerdicts(now);
        Publish(now);
        now = GetTickCount64();
        return m_core.MsUntilNextEvent(now);
    } catch (const std::exception&) {
        return 1000; // out of memory: the next round tries again
    }
}

void QueryWatchdog::Sync(uint64_t now) {
    std::vector<query::ProcessKey> running;
    std::vector<query::ServerSeen> fresh;
    std::vector<query::PendingSeen> pending;
    m_table.LockedWithPending(
        [&](const ServerTable::Records& records, const std::vector<PendingRestart>& waiting) {
            running.reserve(records.size());
            for (const brvRunSL& r : records) {
                const query::ProcessKey key{reinterpret_cast<uintptr_t>(r.process), r.processId};
                running.push_back(key);
                if (m_core.Tracks(key)) {
                    continue;
                }
                fresh.push_back(
                    {key, r.serverTitle, RestartPolicy::KeyOf(r.serverTitle, r.ip, r.port), r.ip, r.port});
            }
            for (const PendingRestart& p : waiting) {
                const brvRunSL& r = p.record;
                pending.push_back({r.serverTitle, RestartPolicy::KeyOf(r.serverTitle, r.ip, r.port)});
            }
        });
    m_core.Sync(running, fresh, pending, now);
}

void QueryWatchdog::ReadAnswers(uint64_t now) {
    WSAResetEvent(static_cast<WSAEVENT>(m_event)); // before the reads: a datagram after them sets it again
    ReadSocket(m_socket, now);
    if (m_wideSocket != kNoSocket) {
        ReadSocket(m_wideSocket, now);
    }
}

void QueryWatchdog::ReadSocket(uintptr_t socket, uint64_t now) {
    const SOCKET s = static_cast<SOCKET>(socket);
    WSANETWORKEVENTS events;
    WSAEnumNetworkEvents(s, nullptr, &events); // re-arms the socket's read signal
    unsigned char buffer[query::kMaxPacketBytes + 100];
    for (int i = 0; i < kMaxReadsPerRound; ++i) {
        sockaddr_in from{};
        int fromSize = sizeof from;
        const int n = recvfrom(s, reinterpret_cast<char*>(buffer), sizeof buffer, 0,
                               reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (n == SOCKET_ERROR) {
            const int error = WSAGetLastError();
            if (error == WSAEWOULDBLOCK) {
                return;
            }
            continue; // too long for any reply, or a reset from an earlier query: the next one
        }
        if (fromSize < static_cast<int>(sizeof from) || from.sin_family != AF_INET) {
            continue;
        }
        const query::QueryAddress address{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
        m_core.OnDatagram(address, std::span<const unsigned char>(buffer, static_cast<size_t>(n)), now);
    }
}

void QueryWatchdog::EndHung(const query::HungServer& hung, uint64_t now) {
    struct Found {
        bool inTable = false;
        bool ended = false;
        brvRunSL record;
    };
    // Through the record's own handle, under the lock: a stop cannot close it meanwhile.
    Found found = m_table.Locked([&hung](const ServerTable::Records& records) {
        Found f;
        for (const brvRunSL& r : records) {
            if (reinterpret_cast<uintptr_t>(r.process) == hung.key.handle && r.processId == hung.key.pid &&
                r.process != nullptr) {
                f.inTable = true;
                f.ended = TerminateProcess(static_cast<HANDLE>(r.process), kHungExitCode) != 0;
                if (f.ended) {
                    f.record = r;
                }
                break;
            }
        }
        return f;
    });
    if (!found.inTable) {
        return; // it has left the table meanwhile: the next round forgets it
    }
    if (!found.ended) {
        m_core.EndFailed(hung.key, now);
        return;
    }
    ++m_ended;
    m_events.Hung(found.record, hung.silentSeconds, {});
}

void QueryWatchdog::SendDue(uint64_t now) {
    for (const query::Outgoing& out : m_core.TakeDueQueries(now)) {
        const SOCKET s = static_cast<SOCKET>(SocketFor(out.to.ip));
        if (s == kNoSocket) {
            continue;
        }
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(out.to.ip);
        to.sin_port = htons(out.to.port);
        if (sendto(s, reinterpret_cast<const char*>(out.packet.data()), static_cast<int>(out.packet.size()),
                   0, reinterpret_cast<const sockaddr*>(&to), sizeof to) != SOCKET_ERROR) {
            ++m_sent;
        }
    }
}

void QueryWatchdog::TellVerdicts(uint64_t now) {
    if (now < m_verdictsMs + kVerdictsEveryMs) {
        return;
    }
    m_verdictsMs = now;
    std::map<std::wstring, bool> verdicts;
    for (const auto& [key, answering] : m_core.Verdicts(now)) {
        verdicts[key] = answering;
        const auto it = m_verdicts.find(key);
        if (it == m_verdicts.end() || it->second != answering) {
            m_events.Answering(key, answering);
        }
    }
    m_verdicts.swap(verdicts);
}

void QueryWatchdog::Publish(uint64_t now) {
    if (now > m_statusWantedUntil.load()) {
        return; // nobody looks: no cost
    }
    {
        std::lock_guard<std::mutex> lock(m_statusMutex);
        if (m_statusMs != 0 && now < m_statusMs + kPublishEveryMs) {
            return;
        }
    }
    std::vector<query::StatusEntry> lines = m_core.Status(now);
    std::lock_guard<std::mutex> lock(m_statusMutex);
    m_status.swap(lines);
    m_statusMs = now;
}

std::vector<query::StatusEntry> QueryWatchdog::Status() {
    const uint64_t now = GetTickCount64();
    const bool wasWanted = now <= m_statusWantedUntil.load();
    m_statusWantedUntil = now + kStatusWantedMs;
    if (!wasWanted && m_event != nullptr) {
        WSASetEvent(static_cast<WSAEVENT>(m_event)); // a round at once, so a new window is not empty long
    }
    std::lock_guard<std::mutex> lock(m_statusMutex);
    return m_status;
}

} // namespace brv
