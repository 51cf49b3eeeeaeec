#pragma once
// The supervision thread: closes the servers' fatal-error windows and restarts every server whose
// process has ended. It sleeps on the server processes and its stop event, so a crash is answered at
// once; the 500 ms pass is only the upper bound. A restart never waits for the new console (the
// ConsoleFinder's work), so one server never holds up another's restart. Every record in the table
// is watched, whoever started its process. The main window owns it:
// Start after initialisation, Stop (or destruction) before the table and the window go away.
// Error windows are closed on sight (ErrorWindows); each pass looks for them again.
#include "servers/ConsoleFinder.h"
#include "servers/ErrorWindows.h"
#include "servers/PriorityChoice.h"
#include "servers/ProcessDuplicates.h"
#include "servers/ProcessWait.h"
#include "servers/RestartPacer.h"
#include "servers/ServerEvents.h"
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace brv {

class Supervisor {
public:
    // Restarts take the priority class selected in `priorities` at the moment of the restart.
    Supervisor(ServerHost& host, ServerTable& table, ConsoleFinder& consoles,
               const PriorityChoice& priorities, unsigned passMs = 500, ServerEvents* events = nullptr);
    ~Supervisor();
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;

    void Start();
    // Sets the stop event and joins the thread. Restarts still waiting stay in the table's list.
    // Idempotent; must not be called from the supervision thread.
    void Stop();
    // Ends the current wait early, e.g. after a start appended a server it should watch at once.
    void Wake();

    uint64_t Restarts() const { return m_restarts.load(); }
    // Passes whose walk is done (the wait that ends a pass follows).
    uint64_t Passes() const { return m_passes.load(); }
    // Work its wait does on the way (the query watchdog's socket); set before Start.
    void SetWaitSide(WaitSide side);

    // The thread's handle (HANDLE), for measuring its CPU time; null when not running.
    void* ThreadHandle();

private:
    void Run();
    bool StopRequested() const;
    // The steps of one pass.
    void TakeEndedServers();
    void RestartDueServers();
    void WaitForChange();
    const WaitSide* WaitSideOrNull() const;

    void Restart(PendingRestart restart);
    void ReportEnd(const brvRunSL& record);
    void PostReport(const std::wstring& text, const wchar_t* caption);

    ServerHost& m_host;
    ServerTable& m_table;
    ConsoleFinder& m_consoles;
    const PriorityChoice& m_priorities;
    unsigned m_passMs;
    ServerEvents& m_events;
    RestartPacer m_pacer;           // the supervision thread's own
    ProcessDuplicates m_duplicates; // the supervision thread's own
    WaitSide m_side;
    void* m_stopEvent;
    void* m_wakeEvent;
    std::thread m_thread;
    std::atomic<uint64_t> m_restarts{0};
    std::atomic<uint64_t> m_passes{0};
    ErrorWindows m_errorWindows; // closes them on sight; each pass looks again
};

} // namespace brv
