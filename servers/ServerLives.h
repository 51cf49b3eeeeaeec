#pragma once
// Every server's life in one place: its state, its restarts by reason, its last exit code and the
// pacing of its restarts. The supervision tells it what happens (through LifeEvents); the status window,
// the remote view and the journal's notices read it and keep no count of their own. Servers are known
// by RestartPolicy::KeyOf(title, address, port). Locked: any thread may call it; it never waits.
#include "servers/RestartPolicy.h"
#include "servers/brvRunSL.h"

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace brv {

enum class LifeState {
    Starting,       // its process runs and has not answered a query yet
    Running,        // it answers
    NotAnswering,   // it answered, or should have, and has fallen silent
    Ended,          // its process has gone; what follows is not decided yet
    WaitingRestart, // its restart is planned
    Stopped,        // the operator stopped it; its record is kept for a start from afar
};

// Why a server was started again.
enum class RestartReason { Crash, Hang, ErrorWindow, Scheduled, Manual };
inline constexpr size_t kRestartReasons = 5;

// What a server is, as far as its life goes.
struct LifeIdentity {
    std::wstring key;
    std::wstring title;
    std::wstring game; // the game directory it runs
    std::wstring map;  // the map it was started on
};

struct ServerLife {
    LifeIdentity id;
    LifeState state = LifeState::Starting;
    uint32_t pid = 0;       // 0 while no process runs
    uint64_t startedMs = 0; // on the supervision's clock, of the current process
    int64_t startedUnixSeconds = 0;
    std::array<uint64_t, kRestartReasons> restarts{};
    std::optional<uint32_t> lastExitCode;
    uint64_t restartInMs = 0; // while it waits: until its planned restart
    uint64_t order = 0;       // of its first start, for a stable listing
};

// What an end means for the server's restart.
struct EndVerdict {
    RestartPlan plan;
    RestartReason reason = RestartReason::Crash;
};

class ServerLives {
public:
    void SetSettings(const GovernorSettings& settings);
    GovernorSettings Settings() const;

    // A process of the server runs from `nowMs` (a first start, a restart or a take-over, which passes
    // when the process really began).
    void Started(const LifeIdentity& id, uint32_t pid, uint64_t nowMs, int64_t unixSeconds);
    // Query verdicts: it answers, or it has fallen silent.
    void Answering(const std::wstring& key, bool answering);
    // Marks that explain the next end: an error window of the server was closed, the daily restart told
    // it to quit, the operator asked for a restart from afar. A mark lasts `markMs`.
    void ErrorWindowClosed(const std::wstring& key, uint64_t nowMs);
    void Scheduled(const std::wstring& key, uint64_t nowMs);
    void RestartAsked(const std::wstring& key, uint64_t nowMs);
    // Its process ended without the operator (or the watchdog ended it: `hung`).
    EndVerdict Ended(const std::wstring& key, std::optional<uint32_t> exitCode, bool hung, uint64_t nowMs);
    // A restart could not be done.
    RestartPlan Failed(const std::wstring& key, uint64_t nowMs);
    // Asked when its restart comes due.
    RestartDue BeforeRestart(const std::wstring& key, uint64_t nowMs);
    // The operator stopped it; its record (owning nothing) is kept for a start from afar. True when it
    // was in a crash loop.
    bool Stopped(const std::wstring& key, const brvRunSL* record = nullptr);
    // A stop asked from afar counts among the manual restarts.
    void CountManualStop(const std::wstring& key);
    // The record of a server the operator stopped, by its title.
    std::optional<brvRunSL> StoppedRecord(const std::wstring& title) const;
    // Brivan ends, or the operator's stopped server will never be started from here again.
    void Forget(const std::wstring& key);
    // Titles of servers whose crash loop a long enough run has just ended.
    std::vector<std::wstring> SettledLoops(uint64_t nowMs);

    std::optional<ServerLife> Find(const std::wstring& key, uint64_t nowMs) const;
    // Every server known, in the order of their first start.
    std::vector<ServerLife> Snapshot(uint64_t nowMs) const;
    static constexpr uint64_t kMarkMs = 120000;

private:
    struct Life {
        ServerLife facts;
        uint64_t errorWindowMs = 0, scheduledMs = 0, askedMs = 0; // marks, 0 when none
        std::optional<RestartReason> pending;                     // counted when the restart's process starts
        std::optional<brvRunSL> stoppedRecord;
    };
    ServerLife View(const Life& life, uint64_t nowMs) const;

    mutable std::mutex m_mutex;
    RestartPolicy m_policy;
    std::map<std::wstring, Life> m_lives;
    uint64_t m_nextOrder = 0;
};

const wchar_t* RestartReasonName(RestartReason reason); // "crash", "hang", "error_window", ...

} // namespace brv
