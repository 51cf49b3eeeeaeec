#pragma once
// The query watchdog: sends A2S_INFO to every server in the table from a UDP socket, reads the
// answers and ends a server that has stopped answering through the process handle its launch kept
// (exit code kHungExitCode), telling it through ServerEvents::Hung; the crash supervision then
// restarts it. It has no thread of its own: the supervision's wait serves it (Side()), so it runs on
// the supervision thread. The status window reads what it last published, from any thread.
#include "query/WatchdogCore.h"
#include "servers/ProcessWait.h"
#include "servers/ServerEvents.h"
#include "servers/ServerTable.h"
#include "settings/BrivanSettings.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace brv {

class QueryWatchdog {
public:
    // `settings` is read on every round, so saved settings apply at once.
    using SettingsSource = std::function<WatchdogSettings()>;
    QueryWatchdog(ServerTable& table, ServerEvents& events, SettingsSource settings);
    ~QueryWatchdog();
    QueryWatchdog(const QueryWatchdog&) = delete;
    QueryWatchdog& operator=(const QueryWatchdog&) = delete;

    // False when its socket could not be made: then it watches nothing.
    bool Ready() const { return m_event != nullptr; }
    // For Supervisor::SetWaitSide (empty when not ready).
    WaitSide Side();
    // One round: in line with the table, answers read, hung servers ended, due queries sent. Returns the
    // time until the next thing is due. Supervision thread only.
    std::optional<uint64_t> Serve();

    // The status window's lines as last published (at most about half a second old while it asks once
    // a second). Any thread; never waits for the supervision.
    std::vector<query::StatusEntry> Status();

    uint64_t PacketsSent() const { return m_sent.load(); }
    uint64_t HungEnded() const { return m_ended.load(); }
    uint64_t Rounds() const { return m_rounds.load(); }

private:
    void Sync(uint64_t now);
    void ReadAnswers(uint64_t now);
    void ReadSocket(uintptr_t socket, uint64_t now);
    uintptr_t SocketFor(uint32_t ip);
    void EndHung(const query::HungServer& hung, uint64_t now);
    void SendDue(uint64_t now);
    void Publish(uint64_t now);
    // Tells the supervision's lives of verdicts that changed, at most once a second.
    void TellVerdicts(uint64_t now);

    ServerTable& m_table;
    ServerEvents& m_events;
    SettingsSource m_settings;
    uintptr_t m_socket;                     // on the loopback, for the servers there
    uintptr_t m_wideSocket = ~uintptr_t{0}; // on every address, for servers elsewhere (made when needed)
    void* m_event = nullptr;
    query::WatchdogCore m_core; // the supervision thread's
    std::atomic<uint64_t> m_sent{0};
    std::atomic<uint64_t> m_ended{0};
    std::atomic<uint64_t> m_rounds{0};
    std::atomic<uint64_t> m_statusWantedUntil{0};
    std::mutex m_statusMutex; // guards the two below only while they are copied or swapped
    std::vector<query::StatusEntry> m_status;
    uint64_t m_statusMs = 0;
    uint64_t m_verdictsMs = 0;
    std::map<std::wstring, bool> m_verdicts; // as last told, by server key
};

} // namespace brv
