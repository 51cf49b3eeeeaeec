#pragma once
// The query watchdog without the platform: which servers it watches, what to send to whom and when,
// which answer belongs to whom, which server hangs, and what the status window shows. The caller owns
// the socket, the clock (milliseconds, monotonic) and the server table; it brings this in line with the
// table (Sync), hands over every datagram and sends what TakeDueQueries gives. Not synchronised: one
// thread (the supervision's) owns it.
#include "query/ServerWatch.h"
#include "query/StatusRow.h"

#include <compare>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brv::query {

// One process of one server: the table record's own handle value and its process id, so a reused id
// or handle value never passes for the same process.
struct ProcessKey {
    uintptr_t handle = 0;
    uint32_t pid = 0;
    auto operator<=>(const ProcessKey&) const = default;
};

// An IPv4 address and port, in host order.
struct QueryAddress {
    uint32_t ip = 0;
    uint16_t port = 0;
    auto operator<=>(const QueryAddress&) const = default;
};

inline constexpr uint32_t kLoopbackIp = 0x7F000001;

// Where a server on `ip` and `port` is queried: its own address, 127.0.0.1 for 0.0.0.0 (or no
// address, which binds every one). Nothing when the texts are not a dotted IPv4 address and a port
// 1-65535: such a server is never queried, and so never judged hung.
std::optional<QueryAddress> QueryAddressOf(const std::wstring& ip, const std::wstring& port);

// A running server as the table shows it.
struct ServerSeen {
    ProcessKey key;
    std::wstring title;
    std::wstring serverKey; // survives its restarts (title, address, port)
    std::wstring ip;
    std::wstring port;
};

// A server whose process has gone and whose restart waits.
struct PendingSeen {
    std::wstring title;
    std::wstring serverKey;
};

struct Outgoing {
    QueryAddress to;
    Bytes packet;
};

struct HungServer {
    ProcessKey key;
    uint64_t silentSeconds = 0; // since its last answer (or its start, when it never answered)
};

// One line of the status window.
struct StatusEntry {
    std::wstring title;
    ServerState state = ServerState::Loading;
    std::wstring stateText;
    uint32_t pid = 0;                         // 0 while it waits for its restart
    uint64_t uptimeSeconds = 0;               // since it was first watched
    std::wstring players;                     // "players/max" of the last reply
    std::wstring map;                         // of the last reply
    uint32_t restarts = 0;                    // by the supervision since Brivan started (the server's life)
    std::optional<uint32_t> lastExitCode;     // likewise
    std::wstring game;                        // the game folder of the last reply
    std::optional<uint32_t> bots;             // of the last reply
    std::optional<uint64_t> queryRoundTripMs; // of the last answered query
};

class WatchdogCore {
public:
    // `hangCheck` off: servers are still queried (the status window shows their answers), never ended.
    void SetTimes(const WatchdogTimes& times, bool hangCheck);

    // Brings the watch in line with the table: `running` holds the keys of every running record, and
    // `fresh` the records among them this does not track yet. Entries whose process left the table are
    // forgotten; what became of them is the supervision's to know.
    void Sync(const std::vector<ProcessKey>& running, const std::vector<ServerSeen>& fresh,
              const std::vector<PendingSeen>& pending, uint64_t nowMs);
    bool Tracks(const ProcessKey& key) const { return m_entries.count(key) != 0; }
    size_t Count() const { return m_entries.size(); }

    // Requests due now, one per server and interval; each is counted as sent. Queries due within the
    // next tenth of the interval (at most kBatchMs) go with them: servers started at different moments
    // are then asked together, and the thread wakes a few times per interval rather than once per
    // server. A query leaves early, never late, so the hang bound holds.
    std::vector<Outgoing> TakeDueQueries(uint64_t nowMs);
    static constexpr uint64_t kBatchMs = 1000;
    // A datagram from `from`: true when it proves a watched server alive.
    bool OnDatagram(const QueryAddress& from, std::span<const unsigned char> packet, uint64_t nowMs);
    // Servers found hung now, each once: the caller ends them. With the hang check off, none.
    std::vector<HungServer> TakeHung(uint64_t nowMs);
    // A hung server could not be ended: tried again one interval later.
    void EndFailed(const ProcessKey& key, uint64_t nowMs);

    // How long until something is due (a query, a verdict, a retry); the bound of the caller's wait.
    std::optional<uint64_t> MsUntilNextEvent(uint64_t nowMs) const;

    // Whether each server that has been judged answers (true) or has fallen silent (false), by its
    // server key; a server still loading is not judged yet.
    std::vector<std::pair<std::wstring, bool>> Verdicts(uint64_t nowMs) const;

    // The status window's lines: running servers in the table's order, then the waiting restarts.
    std::vector<StatusEntry> Status(uint64_t nowMs) const;

private:
    struct Entry {
        ServerSeen seen;
        std::optional<QueryAddress> address;
        ServerWatch watch;
        uint64_t trackedMs = 0;
        uint64_t order = 0;
        bool ending = false;     // ended as hung: no more queries, no second verdict
        uint64_t retryEndMs = 0; // a failed end is tried again from here
    };

    WatchdogTimes m_times;
    bool m_hangCheck = true;
    std::map<ProcessKey, Entry> m_entries;
    std::vector<PendingSeen> m_pending;
    uint64_t m_nextOrder = 0;
};

} // namespace brv::query
