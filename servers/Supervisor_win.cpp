#include "servers/Supervisor.h"

#include "framework/InvalidArgument.h"
#include "framework/Messages.h"
#include "servers/Launch.h"
#include "servers/ProcessWait.h"
#include "servers/ServerChannel.h"

#include <windows.h>

#include <algorithm>
#include <ctime>
#include <iterator>
#include <string>
#include <vector>

namespace brv {

namespace {

constexpr uint64_t kSideFloorMs = 10;

std::vector<std::wstring> WatchedWindowTitles() {
    return {std::begin(kWatchedWindowTitles), std::end(kWatchedWindowTitles)};
}
constexpr uint64_t kTickMs = 1000;
constexpr uint64_t kMaxWaitMs = 0x7FFFFFFF;

uint64_t Ticks(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

} // namespace

Supervisor::Supervisor(ServerHost& host, ServerTable& table, ConsoleFinder& consoles,
                       const PriorityChoice& priorities, unsigned passMs, ServerEvents* events)
    : m_host(host), m_table(table), m_consoles(consoles), m_priorities(priorities), m_passMs(passMs),
      m_lifeEvents(
          m_lives, [] { return GetTickCount64(); }, [] { return static_cast<int64_t>(std::time(nullptr)); }),
      m_events(m_lifeEvents), m_stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_wakeEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)), m_ends(m_wakeEvent),
      m_errorWindows(table, m_events, false),
      m_windows(WatchedWindowTitles(), [this](brvWindow w, const std::wstring& title, uint32_t pid) {
          if (title == kConsoleTitle) {
              m_consoles.Sighted(w, pid);
          } else {
              m_errorWindows.Seen(w, title, pid);
          }
      }) {
    m_lifeEvents.SetTeller(events);
}

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
    m_windows.Start();
    m_thread = std::thread([this] { Run(); });
}

void Supervisor::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    SetEvent(static_cast<HANDLE>(m_stopEvent));
    m_thread.join();
    m_windows.Stop();
}

void Supervisor::Wake() {
    SetEvent(static_cast<HANDLE>(m_wakeEvent));
}

void Supervisor::LookEverywhere() {
    m_lookEverywhere = true;
    Wake();
}

void* Supervisor::ThreadHandle() {
    return m_thread.joinable() ? pthread_gethandle(m_thread.native_handle()) : nullptr;
}

bool Supervisor::StopRequested() const {
    return WaitForSingleObject(static_cast<HANDLE>(m_stopEvent), 0) != WAIT_TIMEOUT;
}

void Supervisor::Run() {
    uint64_t backstopDue = 0; // the first pass looks everywhere: windows shown before the watch began
    while (!StopRequested()) {
        const uint64_t now = GetTickCount64();
        const bool backstop = now >= backstopDue || m_lookEverywhere.exchange(false);
        if (backstop) {
            m_errorWindows.Pass();
            backstopDue = now + m_passMs;
        }
        TakeEndedServers(backstop);
        TickIfDue(GetTickCount64());
        RestartDueServers();
        ++m_passes;
        WaitForChange(backstopDue);
    }
    m_ends.Clear();
}

// Every server whose process has ended leaves the table for the waiting restarts, due at once unless
// it was restarted less than the restart gap ago. The platform tells of each end; `askEach` also asks
// every process, for an end whose wait could not be set up.
void Supervisor::TakeEndedServers(bool askEach) {
    const uint64_t now = GetTickCount64();
    WatchTheTable();
    std::vector<ProcessEndWatch::Identity> ended = m_ends.TakeEnded();
    if (askEach) {
        const std::vector<ProcessEndWatch::Identity> more = m_ends.LookAll();
        ended.insert(ended.end(), more.begin(), more.end());
    }
    for (const ProcessEndWatch::Identity& id : ended) {
        const auto same = [&id](const brvRunSL& r) {
            return r.process == id.process && r.processId == id.pid;
        };
        // Taken by identity: the window thread may have stopped this very server meanwhile, and an end
        // told twice finds it gone the second time. Due at once: its pacing is the governor's, asked
        // when the restart comes due.
        auto gone = m_table.MoveToPending(same, now, CloseHandleValue);
        if (!gone) {
            continue;
        }
        ReportEnd(*gone);
        if (gone->process != nullptr) {
            CloseHandle(static_cast<HANDLE>(gone->process));
        }
    }
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

// A restart that cannot be made this time is never dropped: it waits again under the governor and is
// journaled with its reason. A server leaves the watch only by Stop or Exit.
void Supervisor::Restart(PendingRestart restart) {
    const brvRunSL& record = restart.record;
    // However this ends, it is no longer under way; appended or back to wait it already is not.
    struct UnderWay {
        ServerTable& table;
        std::wstring title;
        ~UnderWay() { table.RestartEnded(title); }
    } underWay{m_table, record.serverTitle};
    const RestartDecision decision = m_events.BeforeRestart(record);
    if (decision.kind == RestartDecision::kCancel) {
        return;
    }
    if (decision.kind == RestartDecision::kDelay) {
        restart.dueMs = GetTickCount64() + decision.delayMs;
        m_table.AddPending(restart);
        return;
    }
    StartResult started;
    const std::optional<uint32_t> priority = m_priorities.Selected();
    if (!priority) {
        RetryLater(std::move(restart), RestartFailure::kNoPriority, 0);
        return;
    }
    StartOptions options;
    options.owner = m_host.OwnerWindow();
    options.notify = [](const Report&) {}; // unattended: journaled below, never a box
    options.epoch = restart.epoch;
    options.events = &m_events;
    options.portBusyIsOutcome = true;
    try {
        if (m_beforeRestart) {
            m_beforeRestart(record);
        }
        started = StartServer(m_table, record, *priority, options);
    } catch (const std::exception&) {
        RetryLater(std::move(restart), RestartFailure::kUnexpected, 0);
        return;
    }
    switch (started.outcome) {
    case StartOutcome::kStarted:
        ++m_restarts;
        m_consoles.Watch(started.record);
        break;
    case StartOutcome::kProcessNotCreated:
        RetryLater(std::move(restart), RestartFailure::kProcessNotCreated, started.error);
        break;
    case StartOutcome::kPortBusy:
        RetryLater(std::move(restart), RestartFailure::kPortBusy, started.error);
        break;
    case StartOutcome::kChannelNotCreated:
        RetryLater(std::move(restart), RestartFailure::kChannelNotCreated, started.error);
        break;
    case StartOutcome::kRefused:
        RetryLater(std::move(restart), RestartFailure::kRefused, 0);
        break;
    case StartOutcome::kCancelled: // stopped by the operator
        break;
    }
}

void Supervisor::RetryLater(PendingRestart restart, RestartFailure why, unsigned long error) {
    const uint64_t now = GetTickCount64();
    // The governor's plan is read back by BeforeRestart when the retry comes due.
    m_events.RestartFailed(restart.record, why, error, {});
    restart.dueMs = now + kRestartGapMs;
    m_table.AddPending(restart);
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
    m_events.Ended(record, code, uptimeMs, {});
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

// Every process of the table gets its wait, the ones started by this very pass included.
void Supervisor::WatchTheTable() {
    m_table.Locked([this](const ServerTable::Records& r) {
        m_ends.Refresh(r);
        return 0;
    });
    m_ends.Settle();
}

void Supervisor::TickIfDue(uint64_t nowMs) {
    if (nowMs >= m_nextTickMs) {
        m_events.Tick(); // what is due by the clock alone: loop ends, held notices
        m_nextTickMs = nowMs + kTickMs;
    }
}

// Sleeps until the stop or wake event, the backstop or the next waiting restart; the query watchdog's
// socket and the clock's ticks are served on the way without ending the wait.
void Supervisor::WaitForChange(uint64_t backstopDueMs) {
    WatchTheTable(); // a server restarted by this pass ends while we sleep: its wait wakes us
    const WaitSide* side = WaitSideOrNull();
    HANDLE handles[3] = {static_cast<HANDLE>(m_stopEvent), static_cast<HANDLE>(m_wakeEvent),
                         side != nullptr ? static_cast<HANDLE>(side->event) : nullptr};
    const DWORD count = side != nullptr ? 3 : 2;
    uint64_t now = GetTickCount64();
    // A floor, so that a side that is always due cannot make this spin.
    auto sideAtOf = [&now](std::optional<uint64_t> in) -> std::optional<uint64_t> {
        return in ? std::optional<uint64_t>(now + std::max<uint64_t>(*in, kSideFloorMs)) : std::nullopt;
    };
    std::optional<uint64_t> sideAt = side != nullptr ? sideAtOf(side->serve()) : std::nullopt;
    for (;;) {
        const std::optional<uint64_t> restartIn = m_table.NextPendingDueIn(now);
        const uint64_t endAt = restartIn ? std::min(backstopDueMs, now + *restartIn) : backstopDueMs;
        if (now >= endAt) {
            return;
        }
        uint64_t until = std::min(endAt, m_nextTickMs);
        if (sideAt) {
            until = std::min(until, *sideAt);
        }
        const DWORD ms = static_cast<DWORD>(std::min<uint64_t>(until > now ? until - now : 0, kMaxWaitMs));
        const DWORD r = WaitForMultipleObjects(count, handles, FALSE, ms);
        if (r == WAIT_OBJECT_0 || r == WAIT_OBJECT_0 + 1) {
            return;
        }
        now = GetTickCount64();
        if (side != nullptr && (r == WAIT_OBJECT_0 + 2 || (sideAt && now >= *sideAt))) {
            sideAt = sideAtOf(side->serve());
        }
        TickIfDue(now);
        if (r == WAIT_FAILED) {
            Sleep(kSideFloorMs); // never a spin, whatever the platform says
        }
    }
}

} // namespace brv
