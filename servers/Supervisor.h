#pragma once
// The supervision thread: closes the servers' fatal-error windows and restarts every server whose
// process has ended. The platform tells it of each end (ProcessEndWatch), so a crash is answered at
// once and a quiet thread costs nothing; the backstop pass (every `passMs`) asks each process and looks
// for error windows the sightings missed. A restart never waits for the new console (the
// ConsoleFinder's work), so one server never holds up another's restart. Every record in the table
// is watched, whoever started its process. The main window owns it:
// Start after initialisation, Stop (or destruction) before the table and the window go away.
// Error windows and consoles are seen by one window watch, which it owns.
#include "servers/ConsoleFinder.h"
#include "servers/ErrorWindows.h"
#include "servers/PriorityChoice.h"
#include "servers/ProcessEndWatch.h"
#include "servers/ProcessWait.h"
#include "servers/LifeEvents.h"
#include "servers/ServerEvents.h"
#include "servers/ServerLives.h"
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace brv {

class Supervisor {
public:
    // Restarts take the priority class selected in `priorities` at the moment of the restart. The
    // backstop pass runs every `passMs`; the product's is rare, since nothing it finds is urgent.
    Supervisor(ServerHost& host, ServerTable& table, ConsoleFinder& consoles,
               const PriorityChoice& priorities, unsigned passMs = kBackstopMs,
               ServerEvents* events = nullptr);
    static constexpr unsigned kBackstopMs = 30000;
    // One server is restarted at most once in this long, however fast it dies.
    static constexpr unsigned kRestartGapMs = 500;
    ~Supervisor();
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;

    void Start();
    // Sets the stop event and joins the thread. Restarts still waiting stay in the table's list.
    // Idempotent; must not be called from the supervision thread.
    void Stop();
    // Ends the current wait early, e.g. after a start appended a server it should watch at once.
    void Wake();
    // Runs a backstop pass at once (after servers were taken over: their windows were never seen).
    void LookEverywhere();

    uint64_t Restarts() const { return m_restarts.load(); }
    // Every server's life, and the one door through which every start, end and stop must be told.
    ServerLives& Lives() { return m_lives; }
    const ServerLives& Lives() const { return m_lives; }
    LifeEvents& Events() { return m_lifeEvents; }
    // Passes whose walk is done (the wait that ends a pass follows).
    uint64_t Passes() const { return m_passes.load(); }
    // Work its wait does on the way (the query watchdog's socket); set before Start.
    void SetWaitSide(WaitSide side);
    // Runs on the supervision thread before each restart's start, to write the server's files again;
    // set before Start.
    void SetBeforeRestart(std::function<void(const brvRunSL&)> prepare) {
        m_beforeRestart = std::move(prepare);
    }

    // The thread's handle (HANDLE), for measuring its CPU time; null when not running.
    void* ThreadHandle();

private:
    void Run();
    bool StopRequested() const;
    // The steps of one pass.
    void TakeEndedServers(bool askEach);
    void RestartDueServers();
    void WaitForChange(uint64_t backstopDueMs);
    void TickIfDue(uint64_t nowMs);
    void WatchTheTable();
    const WaitSide* WaitSideOrNull() const;

    void Restart(PendingRestart restart);
    void RetryLater(PendingRestart restart, RestartFailure why, unsigned long error);
    void ReportEnd(const brvRunSL& record);
    void PostReport(const std::wstring& text, const wchar_t* caption);

    ServerHost& m_host;
    ServerTable& m_table;
    ConsoleFinder& m_consoles;
    const PriorityChoice& m_priorities;
    unsigned m_passMs;
    ServerLives m_lives;
    LifeEvents m_lifeEvents; // tells `events` given at construction
    ServerEvents& m_events;  // m_lifeEvents
    WaitSide m_side;
    std::function<void(const brvRunSL&)> m_beforeRestart;
    void* m_stopEvent;
    void* m_wakeEvent;
    std::thread m_thread;
    std::atomic<uint64_t> m_restarts{0};
    std::atomic<uint64_t> m_passes{0};
    std::atomic<bool> m_lookEverywhere{false};
    uint64_t m_nextTickMs = 0;
    ProcessEndWatch m_ends;      // after the wake event it sets
    ErrorWindows m_errorWindows; // closes them on sight; each backstop pass looks again
    WindowWatch m_windows;       // the one watch of new windows: error windows and consoles
};

} // namespace brv
