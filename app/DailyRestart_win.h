#pragma once
// The daily restart of [Schedule] in "Brivan.ini": a window-thread timer looks at the schedule every
// second, sends its warnings and "quit" to every running server through the console channel, and ends
// through its process handle a server that has not quit 30 s later. The supervision then starts it
// again; the watchdog is told beforehand, so the governor does not count it as a quick death.
#include "app/ScheduleRulesOf.h"
#include "app/Watchdog_win.h"
#include "schedule/RestartScheduler.h"
#include "schedule/ScheduleClock.h"
#include "servers/ServerTable.h"

#include <windows.h>

namespace brv {

class DailyRestart {
public:
    DailyRestart(ServerTable& table, Watchdog& watchdog, ServerEvents& events,
                 const ScheduleClock& clock = SystemClock());
    ~DailyRestart();
    DailyRestart(const DailyRestart&) = delete;
    DailyRestart& operator=(const DailyRestart&) = delete;

    // Looks every `periodMs` on `window`'s thread until Stop.
    void Start(HWND window, unsigned periodMs = 1000);
    void Stop();
    // One look: the settings as they are now, the servers that run now.
    void Tick();

private:
    static void CALLBACK OnTimer(HWND window, UINT message, UINT_PTR id, DWORD time);

    ServerTable& m_table;
    Watchdog& m_watchdog;
    ServerEvents& m_events;
    RestartScheduler m_scheduler;
    ScheduleSettings m_applied;
    HWND m_window = nullptr;
};

} // namespace brv
