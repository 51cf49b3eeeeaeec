#include "app/DailyRestart_win.h"

#include "app/ScheduleRulesOf.h"

#include "app/ConsoleEntry.h"
#include "journal/JournalTexts.h"
#include "restore/RememberedFile.h"
#include "servers/ServerChannel.h"
#include "servers/ServerStop.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace brv {
namespace {

// A running server as the schedule tells it apart: its process id and creation time together, so a
// restarted server (or a reused id) is another one.
ServerKey KeyOf(uint32_t processId, uint64_t creationTime) {
    return creationTime * 0x100000001B3ull ^ processId;
}

struct Running {
    brvRunSL record; // its process: a duplicate of our own, closed at the end of the look
    ServerKey key = 0;
};

std::vector<Running> RunningServers(const ServerTable& table) {
    std::vector<Running> out = table.Locked([](const ServerTable::Records& records) {
        std::vector<Running> copies;
        for (const brvRunSL& r : records) {
            HANDLE own = nullptr;
            if (r.process != nullptr &&
                DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(r.process), GetCurrentProcess(),
                                &own, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
                Running c;
                c.record = r;
                c.record.process = own;
                c.record.mapping = c.record.parentEvent = c.record.childEvent = nullptr;
                copies.push_back(std::move(c));
            }
        }
        return copies;
    });
    for (Running& r : out) {
        r.key = KeyOf(r.record.processId, ProcessCreationTime(r.record.process));
    }
    return out;
}

void Close(std::optional<std::vector<Running>>& looked) {
    if (looked) {
        for (Running& r : *looked) {
            CloseHandle(static_cast<HANDLE>(r.record.process));
        }
    }
}

} // namespace

DailyRestart::DailyRestart(ServerTable& table, Watchdog& watchdog, ServerEvents& events,
                           const ScheduleClock& clock)
    : m_table(table), m_watchdog(watchdog), m_events(events),
      m_scheduler(clock, RulesOf(watchdog.Settings().schedule)), m_applied(watchdog.Settings().schedule) {}

DailyRestart::~DailyRestart() {
    Stop();
}

void DailyRestart::Start(HWND window, unsigned periodMs) {
    Stop();
    // The timer's id is this object, so the callback needs no other way back to it.
    if (SetTimer(window, reinterpret_cast<UINT_PTR>(this), periodMs, &DailyRestart::OnTimer) != 0) {
        m_window = window;
    }
}

void DailyRestart::Stop() {
    if (m_window != nullptr) {
        KillTimer(m_window, reinterpret_cast<UINT_PTR>(this));
        m_window = nullptr;
    }
}

void CALLBACK DailyRestart::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    try {
        reinterpret_cast<DailyRestart*>(id)->Tick();
    } catch (...) {
        // Nothing may unwind through the platform's timer dispatch; the next look tries again.
    }
}

void DailyRestart::Tick() {
    // Settings saved in the settings dialog count from this look on.
    const ScheduleSettings settings = m_watchdog.Settings().schedule;
    if (!(settings == m_applied)) {
        m_applied = settings;
        m_scheduler.SetSettings(RulesOf(settings));
    }
    // The table is looked at only when the schedule has something to send or to end: an idle look
    // every second would otherwise duplicate every server's handle.
    std::optional<std::vector<Running>> looked;
    auto look = [&]() -> std::vector<Running>& {
        if (!looked) {
            looked = RunningServers(m_table);
        }
        return *looked;
    };
    const ScheduleStep step = m_scheduler.Tick([&look] {
        std::vector<ServerKey> keys;
        for (const Running& r : look()) {
            keys.push_back(r.key);
        }
        return keys;
    });
    if (step.commands.empty() && step.endNow.empty()) {
        Close(looked);
        return;
    }
    std::vector<Running>& running = look();
    Journal& log = m_watchdog.Log();
    for (const Running& r : running) {
        const std::wstring& title = r.record.serverTitle;
        for (const std::wstring& command : step.commands) {
            const bool quit = step.restart && command == L"quit";
            if (quit) {
                m_events.Scheduled(r.record); // before it can end
                log.Write(JournalTag::Scheduled, ScheduledQuitText(title));
            } else {
                log.Write(JournalTag::Scheduled, ScheduledWarningText(title, step.warnedMinutes));
            }
            SendCommandToTitle(m_table, title, ConsoleLine(command));
        }
        if (std::find(step.endNow.begin(), step.endNow.end(), r.key) != step.endNow.end() &&
            WaitForSingleObject(static_cast<HANDLE>(r.record.process), 0) == WAIT_TIMEOUT) {
            m_events.Scheduled(r.record);
            log.Write(JournalTag::Scheduled,
                      ScheduledKillText(title, r.record.processId,
                                        static_cast<int>(RestartScheduler::kQuitGraceMs / 1000)));
            TerminateProcess(static_cast<HANDLE>(r.record.process), STILL_ACTIVE);
        }
    }
    Close(looked);
}

} // namespace brv
