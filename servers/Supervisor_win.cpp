#include "servers/Supervisor.h"

#include "framework/InvalidArgument.h"
#include "framework/Messages.h"
#include "servers/Launch.h"
#include "servers/ProcessWait.h"
#include "servers/ServerChannel.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace brv {

namespace {

struct Watched {
    HANDLE process; // the record's own handle: its identity in the table
    HANDLE ours;    // a duplicate to ask, which no stop can close meanwhile
    DWORD pid;
    std::wstring key;
};

bool Alive(const Watched& w) {
    if (w.ours != nullptr) {
        return WaitForSingleObject(w.ours, 0) == WAIT_TIMEOUT;
    }
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, w.pid);
    if (h == nullptr) {
        return false;
    }
    CloseHandle(h);
    return true;
}

uint64_t Ticks(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

} // namespace

Supervisor::Supervisor(ServerHost& host, ServerTable& table, ConsoleFinder& consoles,
                       const PriorityChoice& priorities, unsigned passMs, ServerEvents* events)
    : m_host(host), m_table(table), m_consoles(consoles), m_priorities(priorities), m_passMs(passMs),
      m_events(events != nullptr ? *events : NoServerEvents()), m_pacer(passMs),
      m_stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_wakeEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)), m_errorWindows(table, m_events) {}

Supervisor::~Supervisor() {
    Stop();
    CloseHandle(static_cast<HANDLE>(m_stopEvent));
    CloseHandle(static_cast<HANDLE>(m_wakeEvent));
}

void Supervisor::Start() {
    if (m_thread.joinable()) {
        return;
    }
    ResetEvent(static_cast<HANDLE>(m_stopEvent));
    m_errorWindows.Start();
    m_thread = std::thread([this] { Run(); });
}

void Supervisor::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    SetEvent(static_cast<HANDLE>(m_stopEvent));
    m_thread.join();
    m_errorWindows.Stop();
}

void Supervisor::Wake() {
    SetEvent(static_cast<HANDLE>(m_wakeEvent));
}

void* Supervisor::ThreadHandle() {
    return m_thread.joinable() ? pthread_gethandle(m_thread.native_handle()) : nullptr;
}

bool Supervisor::StopRequested() const {
    return WaitForSingleObject(static_cast<HANDLE>(m_stopEvent), 0) != WAIT_TIMEOUT;
}

void Supervisor::Run() {
    while (!StopRequested()) {
        m_errorWindows.Pass();
        TakeEndedServers();
        m_events.Tick();
        RestartDueServers();
        ++m_passes;
        WaitForChange();
    }
    m_duplicates.Clear();
}

// Every server whose process has ended leaves the table for the waiting restarts, due at once unless
// it was restarted less than a pass ago.
void Supervisor::TakeEndedServers() {
    const uint64_t now = GetTickCount64();
    m_table.Locked([this](const ServerTable::Records& r) {
        m_duplicates.Refresh(r);
        return 0;
    });
    std::vector<Watched> watched;
    for (const ProcessDuplicates::Entry& e : m_duplicates.Entries()) {
        watched.push_back({static_cast<HANDLE>(e.process), static_cast<HANDLE>(e.ours), e.pid, e.key});
    }
    for (const Watched& w : watched) {
        if (Alive(w)) {
            continue;
        }
        // Taken by identity: the window thread may have stopped this very server meanwhile.
        const uint64_t due = now + m_pacer.DueIn(w.key, now);
        auto gone = m_table.MoveToPending(
            [&w](const brvRunSL& r) { return r.process == w.process && r.processId == w.pid; }, due,
            CloseHandleValue);
        if (!gone) {
            continue;
        }
        ReportEnd(*gone);
        if (gone->process != nullptr) {
            CloseHandle(static_cast<HANDLE>(gone->process));
        }
    }
    m_pacer.Prune(now);
}

void Supervisor::RestartDueServers() {
    for (PendingRestart& restart : m_table.TakeDuePending(GetTickCount64())) {
        if (StopRequested()) {
            m_table.AddPending(restart); // left for a later Start, or for the exit to cancel
            continue;
        }
        Restart(std::move(restart));
    }
}

void Supervisor::Restart(PendingRestart restart) {
    const brvRunSL& record = restart.record;
    const uint64_t now = GetTickCount64();
    const RestartDecision decision = m_events.BeforeRestart(record);
    if (decision.kind == RestartDecision::kCancel) {
        return;
    }
    if (decision.kind == RestartDecision::kDelay) {
        restart.dueMs = now + decision.delayMs;
        m_table.AddPending(restart);
        return;
    }
    const std::optional<uint32_t> priority = m_priorities.Selected();
    if (!priority) {
        PostReport(kInvalidArgumentText, kCaptionError);
        return;
    }
    m_pacer.Restarted(RestartPacer::KeyOf(record.serverTitle, record.ip, record.port), now);
    StartOptions options;
    options.owner = m_host.OwnerWindow();
    options.notify = [this](const Report& r) { m_host.PostReport(r); }; // never waits for the operator
    options.epoch = restart.epoch;
    options.events = &m_events;
    options.portBusyIsOutcome = true; // retried below, never a box that waits for somebody
    StartResult started;
    try {
        started = StartServer(m_table, record, *priority, options);
    } catch (const std::exception&) {
        return; // a restart that cannot be made leaves the server out of the table, like any refusal
    }
    switch (started.outcome) {
    case StartOutcome::kStarted:
        ++m_restarts;
        m_consoles.Watch(started.record);
        break;
    case StartOutcome::kProcessNotCreated:
    case StartOutcome::kPortBusy:
        // Never dropped from the watch because one try failed: tried again next pass, or when the
        // events' BeforeRestart says so.
        m_events.RestartFailed(record,
                               started.outcome == StartOutcome::kPortBusy
                                   ? RestartFailure::kPortBusy
                                   : RestartFailure::kProcessNotCreated,
                               started.error);
        restart.dueMs = now + m_passMs;
        m_table.AddPending(restart);
        break;
    case StartOutcome::kRefused:   // the reason has been posted to the window thread
    case StartOutcome::kCancelled: // stopped by the operator
        break;
    }
}

void Supervisor::ReportEnd(const brvRunSL& record) {
    std::optional<uint32_t> code;
    uint64_t uptimeMs = 0;
    HANDLE process = static_cast<HANDLE>(record.process);
    DWORD exitCode = 0;
    if (process != nullptr && GetExitCodeProcess(process, &exitCode)) {
        code = exitCode;
    }
    FILETIME created, exited, kernel, user;
    if (process != nullptr && GetProcessTimes(process, &created, &exited, &kernel, &user) &&
        Ticks(exited) > Ticks(created)) {
        uptimeMs = (Ticks(exited) - Ticks(created)) / 10000;
    }
    if (code == kHungExitCode) {
        return; // told as Hung when the watchdog ended it
    }
    m_events.Ended(record, code, uptimeMs);
}

void Supervisor::PostReport(const std::wstring& text, const wchar_t* caption) {
    m_host.PostReport({m_host.OwnerWindow(), text, caption, kMbOk | kMbIconError});
}

void Supervisor::SetWaitSide(WaitSide side) {
    m_side = std::move(side);
}

const WaitSide* Supervisor::WaitSideOrNull() const {
    return m_side.event != nullptr ? &m_side : nullptr;
}

void Supervisor::WaitForChange() {
    // Own duplicates: a stop on the window thread may close a record's handle while this waits. A
    // server that ended since the walk signals its handle, so the wait returns at once.
    m_table.Locked([this](const ServerTable::Records& r) {
        m_duplicates.Refresh(r);
        return 0;
    });
    std::vector<void*> running;
    for (const ProcessDuplicates::Entry& e : m_duplicates.Entries()) {
        if (e.ours != nullptr) {
            running.push_back(e.ours);
        }
    }
    const uint64_t due = m_table.NextPendingDueIn(GetTickCount64()).value_or(m_passMs);
    WaitForAnyEnd(m_stopEvent, m_wakeEvent, running, static_cast<unsigned>(std::min<uint64_t>(m_passMs, due)),
                  WaitSideOrNull());
}

} // namespace brv
